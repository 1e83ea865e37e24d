#include "model/KVBlock.h"

short CKVBlock::SetGoodMeasWidth(int, int)
{
    KV_PENDING("CKVBlock::SetGoodMeasWidth");
    return 0;
}
