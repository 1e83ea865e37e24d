// Pasting a clipboard system into a block's staves and measures.

#include "model/KVBlock.h"

short CKVBlock::Paste(CKVSystem*, unsigned char, short, short, short, int, int, int)
{
    KV_PENDING("CKVBlock::Paste");
    return -1;
}
