#include "model/KVMeas.h"

int CKVMeas::CreateFrom(CKVMeas*)
{
    KV_PENDING("CKVMeas::CreateFrom");
    return 0;
}

int CKVMeas::CreateFromEqually(CKVMeas*)
{
    KV_PENDING("CKVMeas::CreateFromEqually");
    return 0;
}
