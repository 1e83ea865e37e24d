// Symbol services of the measure: time from position, time ranges,
// transposition and position correction.

#include "model/KVMsg.h"

#include "model/KVMeas.h"

short CKVMsg::GetTimeFromPos(short)
{
    KV_PENDING("CKVMsg::GetTimeFromPos");
    return 0;
}

void CKVMsg::DeleteTimeRange(short, short)
{
    KV_PENDING("CKVMsg::DeleteTimeRange");
}

short CKVMsg::Transpose(int, short, short, short, int)
{
    KV_PENDING("CKVMsg::Transpose");
    return 0;
}

void CKVMsg::MinusPosCorrect(short newHeader, short newRealWidth)
{
    if (m_byParentKind != OBJ_MEAS || !m_pParent || m_nPosX >= 0)
        return;
    // Without a width there is no scale to put the symbol on; it stays.
    if (newRealWidth == 0)
        return;
    CKVMeas* meas = static_cast<CKVMeas*>(m_pParent);
    const int x = meas->MeasXToAbsX(m_nPosX, m_byKind);
    m_nPosX = static_cast<short>(MulDiv(x - newHeader, CKVMeas::SCALE, newRealWidth));
}
