#include "model/KVStaff.h"

void CKVStaff::SetClefType(BYTE)
{
    KV_PENDING("CKVStaff::SetClefType");
}
