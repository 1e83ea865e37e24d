#include "model/KVPage.h"

int CKVPage::GetPageMemSize()
{
    KV_PENDING("CKVPage::GetPageMemSize");
    return 0;
}
