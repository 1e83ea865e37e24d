#include "model/KVMeas.h"

void CKVMeas::SwitchTieSlur()
{
    KV_PENDING("CKVMeas::SwitchTieSlur");
}
