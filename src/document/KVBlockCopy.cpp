#include "model/KVBlock.h"

int CKVBlock::CreateFrom(CKVBlock*)
{
    KV_PENDING("CKVBlock::CreateFrom");
    return 0;
}
