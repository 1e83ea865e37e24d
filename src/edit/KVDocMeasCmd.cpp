// A measure found by its measure, staff and system index.

#include "document/KVDoc.h"

CKVMeas* CKVDoc::GetMeasure(int, int, int)
{
    KV_PENDING("CKVDoc::GetMeasure");
    return nullptr;
}
