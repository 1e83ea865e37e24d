#include "document/KVDoc.h"

CKVPage* CKVDoc::GetCurrentPage()
{
    KV_PENDING("CKVDoc::GetCurrentPage");
    return nullptr;
}

void CKVDoc::UpdatePage(int)
{
    KV_PENDING("CKVDoc::UpdatePage");
}
