#include "model/KVMeas.h"

int CKVMeas::GetMeasMemSize()
{
    KV_PENDING("CKVMeas::GetMeasMemSize");
    return 0;
}
