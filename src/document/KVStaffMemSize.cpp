#include "model/KVStaff.h"

int CKVStaff::GetStaffMemSize()
{
    KV_PENDING("CKVStaff::GetStaffMemSize");
    return 0;
}
