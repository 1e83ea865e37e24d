// Re-parenting symbols after a paste or a read.

#include "model/KVMsg.h"

void CKVMsg::ChangeParent(CKVObject*)
{
    KV_PENDING("CKVMsg::ChangeParent");
}
