#include "model/KVStaff.h"

short CKVStaff::GetMeasIndex(CKVMeas*)
{
    KV_PENDING("CKVStaff::GetMeasIndex");
    return -1;
}
