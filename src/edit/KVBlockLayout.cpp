// A block's measures spread evenly after a change of its left indent.

#include "model/KVBlock.h"

#include "model/KVMeas.h"
#include "model/KVStaff.h"

void CKVBlock::UpdateStaffLeftIndent(int indent)
{
    // There is nothing to spread over, and the division needs measures.
    if (m_nMeasCount <= 0)
        return;
    CKVStaff* staff = GetStaff(0);
    CKVMeas* meas = staff ? staff->GetMeas(m_nFirstMeas) : nullptr;
    const int header = meas && meas->m_nHeaderWidth > 0 ? meas->m_nHeaderWidth : 0;
    const int w = (m_rcBlock.Width() - header - indent) / m_nMeasCount;

    // The right edge stays: the indent comes off the block's width.
    m_rcBlock.left += indent;
    m_arrMeasX.RemoveAll();
    m_arrMeasX.Add(0);
    int x = w + header;
    for (int i = 1; i < m_nMeasCount; ++i) {
        m_arrMeasX.Add(static_cast<WORD>(x));
        x += w;
    }
    m_arrMeasX.Add(static_cast<WORD>(m_rcBlock.Width()));
    UpdateMeasXY(1, kSkipCrossStaff, kWithBackup);
}
