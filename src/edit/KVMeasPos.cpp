#include "model/KVMeas.h"

short CKVMeas::GetRealPosX(CKVMsg*)
{
    KV_PENDING("CKVMeas::GetRealPosX");
    return 0;
}
