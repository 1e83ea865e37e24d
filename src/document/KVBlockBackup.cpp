#include "model/KVBlock.h"

int CKVBlock::ObjectBackup(int)
{
    KV_PENDING("CKVBlock::ObjectBackup");
    return 0;
}

void CKVBlock::ObjectFeedback()
{
    KV_PENDING("CKVBlock::ObjectFeedback");
}
