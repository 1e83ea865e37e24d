// Sub-beam breaks of beam members.

#include "model/KVMsg.h"

void CKVMsg::MakeSubBeam(int, short)
{
    KV_PENDING("CKVMsg::MakeSubBeam");
}
