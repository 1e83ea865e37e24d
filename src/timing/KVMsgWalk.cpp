// One symbol's step of a measure's walk list.

#include "model/KVMsg.h"

void CKVMsg::ResetGetNextMsg(CKVMeas*, int, int, int)
{
    KV_PENDING("CKVMsg::ResetGetNextMsg");
}
