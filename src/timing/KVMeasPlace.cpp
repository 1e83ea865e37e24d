#include "model/KVMeas.h"

void CKVMeas::UpdatePos(BYTE, short, int, short)
{
    KV_PENDING("CKVMeas::UpdatePos");
}
