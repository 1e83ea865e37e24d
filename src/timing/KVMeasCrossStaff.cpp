#include "model/KVMeas.h"

void CKVMeas::AddUpDownMsgArray(CKVMsg*)
{
    KV_PENDING("CKVMeas::AddUpDownMsgArray");
}

void CKVMeas::DeleteUpDownMsgArray(CKVMsg*)
{
    KV_PENDING("CKVMeas::DeleteUpDownMsgArray");
}

void CKVMeas::DeleteAllUpDownMsg(int, int)
{
    KV_PENDING("CKVMeas::DeleteAllUpDownMsg");
}

void CKVMeas::SetPosByUpDownStaff(int, int, int)
{
    KV_PENDING("CKVMeas::SetPosByUpDownStaff");
}

CKVMeas* CKVMeas::GetUpMeas()
{
    KV_PENDING("CKVMeas::GetUpMeas");
    return nullptr;
}

CKVMeas* CKVMeas::GetDownMeas()
{
    KV_PENDING("CKVMeas::GetDownMeas");
    return nullptr;
}
