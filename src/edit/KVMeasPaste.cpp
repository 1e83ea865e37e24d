#include "model/KVMeas.h"

void CKVMeas::Copy(CKVMeas&)
{
    KV_PENDING("CKVMeas::Copy");
}

int CKVMeas::DeleteMsg(CKVMsg*, int)
{
    KV_PENDING("CKVMeas::DeleteMsg");
    return 0;
}
