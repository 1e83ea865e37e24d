#include "document/KVDoc.h"

CKVMeas* CKVDoc::GetMeasure(int, int, int)
{
    KV_PENDING("CKVDoc::GetMeasure");
    return nullptr;
}
