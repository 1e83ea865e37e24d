#include "model/KVMeas.h"

CKVMsg* CKVMeas::GetNoteMsg(POINT, unsigned char)
{
    KV_PENDING("CKVMeas::GetNoteMsg");
    return nullptr;
}

CKVMsg* CKVMeas::GetCtrlPointedMsg(POINT, unsigned char, int, POINT)
{
    KV_PENDING("CKVMeas::GetCtrlPointedMsg");
    return nullptr;
}

CKVMsg* CKVMeas::GetPointedNoteMsg(POINT, unsigned char)
{
    KV_PENDING("CKVMeas::GetPointedNoteMsg");
    return nullptr;
}
