#include "model/KVMeas.h"

int CKVMeas::ResetGetNextMsg(int, int, int, int)
{
    KV_PENDING("CKVMeas::ResetGetNextMsg");
    return 0;
}

CKVMsg* CKVMeas::GetNextMsg(short&)
{
    KV_PENDING("CKVMeas::GetNextMsg");
    return nullptr;
}

void CKVMeas::RemainNoteRest()
{
    KV_PENDING("CKVMeas::RemainNoteRest");
}
