#include "model/KVBlock.h"

int CKVBlock::GetBlockMemSize()
{
    KV_PENDING("CKVBlock::GetBlockMemSize");
    return 0;
}
