#include "document/KVDoc.h"

int CKVDoc::ExtractPart(CKVDoc*, int, DWORD, DWORD, DWORD, DWORD, DWORD)
{
    KV_PENDING("CKVDoc::ExtractPart");
    return 0;
}

int CKVDoc::CopyPageLayoutFrom(CKVDoc*)
{
    KV_PENDING("CKVDoc::CopyPageLayoutFrom");
    return 0;
}
