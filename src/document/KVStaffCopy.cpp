#include "model/KVStaff.h"

int CKVStaff::CreateFrom(CKVStaff*)
{
    KV_PENDING("CKVStaff::CreateFrom");
    return 0;
}
