// Tidying a finished beam group.

#include "model/KVMsg.h"

int CKVMsg::BeamOrder()
{
    KV_PENDING("CKVMsg::BeamOrder");
    return -1;
}
