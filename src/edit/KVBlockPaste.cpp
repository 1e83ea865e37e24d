#include "model/KVBlock.h"

short CKVBlock::Paste(CKVSystem*, unsigned char, short, short, short, int, int, int)
{
    KV_PENDING("CKVBlock::Paste");
    return -1;
}
