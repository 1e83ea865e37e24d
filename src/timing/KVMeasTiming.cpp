#include "model/KVMeas.h"

void CKVMeas::CalcWholeCount()
{
    KV_PENDING("CKVMeas::CalcWholeCount");
}

short CKVMeas::GetPakTime(short, short)
{
    KV_PENDING("CKVMeas::GetPakTime");
    return 0;
}

void CKVMeas::UpdatePlayTime(BYTE)
{
    KV_PENDING("CKVMeas::UpdatePlayTime");
}

void CKVMeas::UpdateStartTime(BYTE, int, int, int)
{
    KV_PENDING("CKVMeas::UpdateStartTime");
}

void CKVMeas::UpdateStartTimeOnMove(BYTE)
{
    KV_PENDING("CKVMeas::UpdateStartTimeOnMove");
}

short CKVMeas::GetStartTime(CKVMsg*)
{
    KV_PENDING("CKVMeas::GetStartTime");
    return 0;
}

short CKVMeas::StringToI(CString*)
{
    KV_PENDING("CKVMeas::StringToI");
    return 0;
}

short CKVMeas::GetStringValue(CString*)
{
    KV_PENDING("CKVMeas::GetStringValue");
    return 0;
}

void CKVMeas::UpdateMsgTime(BYTE)
{
    KV_PENDING("CKVMeas::UpdateMsgTime");
}
