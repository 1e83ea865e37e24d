// Memory estimates and the position snapshot of symbols for undo.

#include "model/KVMsg.h"

int CKVMsg::GetMsgMemSize()
{
    KV_PENDING("CKVMsg::GetMsgMemSize");
    return 0;
}

void CKVMsg::BackupPosition()
{
    KV_PENDING("CKVMsg::BackupPosition");
}

void CKVMsg::FeedBackPosition()
{
    KV_PENDING("CKVMsg::FeedBackPosition");
}
