#include "document/KVDoc.h"

int CKVDoc::UpdateClefType(CKVMeas*, short, int)
{
    KV_PENDING("CKVDoc::UpdateClefType");
    return 0;
}

int CKVDoc::UpdateDelClefType(CKVMsg*)
{
    KV_PENDING("CKVDoc::UpdateDelClefType");
    return 0;
}
