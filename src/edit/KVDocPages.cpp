#include "document/KVDoc.h"

int CKVDoc::GetCurrentPageNum()
{
    KV_PENDING("CKVDoc::GetCurrentPageNum");
    return -1;
}

int CKVDoc::SetAllPageBlockCount(short)
{
    KV_PENDING("CKVDoc::SetAllPageBlockCount");
    return 0;
}
