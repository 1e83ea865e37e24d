// A block's measure boundaries: spread evenly after a change of its left
// indent, scaled when its left edge moves, and moved along when one measure
// gets a width.

#include "model/KVBlock.h"

#include "model/KVMeas.h"
#include "model/KVPage.h"
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

void CKVBlock::ShiftToRight(int left)
{
    const int count = m_arrMeasX.GetSize() - 1;
    if (count < 0)
        return;
    CWordArray old;
    old.Copy(m_arrMeasX);
    const int span = static_cast<int>(old.GetAt(count)) - old.GetAt(0);
    m_rcBlock.left = left;
    if (span == 0 || count < 1 || count != m_nMeasCount) {
        // Nothing to scale by: the measures share the new width evenly.
        InitMeasPos();
    } else {
        const int width = m_rcBlock.Width();
        m_arrMeasX.SetAt(0, 0);
        for (int i = 1; i < count; ++i) {
            const int step = MulDiv(width, old.GetAt(i) - old.GetAt(i - 1), span);
            m_arrMeasX.SetAt(i, static_cast<WORD>(m_arrMeasX.GetAt(i - 1) + step));
        }
        m_arrMeasX.SetAt(count, static_cast<WORD>(width));
    }
    UpdateMeasXY(1, kSkipCrossStaff, kWithBackup);
}

void CKVPage::UpdateStaffLeftIndent(int indent)
{
    for (int i = 0; i < m_arrBlock.GetSize(); ++i)
        m_arrBlock.GetAt(i)->UpdateStaffLeftIndent(indent);
}

void CKVBlock::SetMeasWidth(short index, short width)
{
    if (index < 0 || index >= m_nMeasCount || index + 1 >= m_arrMeasX.GetSize())
        return;
    const int now = static_cast<short>(m_arrMeasX.GetAt(index + 1)) - static_cast<short>(m_arrMeasX.GetAt(index));
    const int delta = width - now;
    for (int i = index + 1; i < m_arrMeasX.GetSize(); ++i)
        m_arrMeasX.SetAt(i, static_cast<WORD>(static_cast<short>(m_arrMeasX.GetAt(i)) + delta));
    UpdateMeasXY(1, kSkipCrossStaff, kWithBackup);
}
