// The selected ossia block of a page.

#include "model/KVPage.h"

CKVBlock* CKVPage::GetSelOssiaBlock()
{
    KV_PENDING("CKVPage::GetSelOssiaBlock");
    return nullptr;
}
