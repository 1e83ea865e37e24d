// A block's measure widths set from the widths its columns need.

#include "model/KVBlock.h"

short CKVBlock::SetGoodMeasWidth(int, int)
{
    KV_PENDING("CKVBlock::SetGoodMeasWidth");
    return 0;
}
