#include "model/KVMeas.h"

#include "model/KVSystem.h"

void CKVMeas::CalcWholeCount()
{
    // The time signature comes from files and commands; a beat unit that is
    // not positive gives no length, and the measure keeps the one it has.
    if (m_nTimeDen <= 0)
        return;
    const DWORD ticks = m_pSystem ? m_pSystem->m_dwTicksPerQuarter : CKVSystem::DEFAULT_TICKS_PER_QUARTER;
    const DWORD length = ticks * static_cast<DWORD>(m_nTimeNum) * 4u / static_cast<DWORD>(m_nTimeDen);
    m_nLength = static_cast<short>(length);
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
