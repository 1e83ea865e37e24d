// A block's measures copied into a clipboard system.

#include "model/KVBlock.h"

short CKVBlock::CopyToSystem(CKVSystem*, void*, unsigned char, int)
{
    KV_PENDING("CKVBlock::CopyToSystem");
    return -1;
}
