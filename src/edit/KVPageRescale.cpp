// A page and its blocks moved from one device resolution to another.

#include "model/KVPage.h"

#include "model/KVBlock.h"

namespace {

LONG Scale(LONG value, LONG now, LONG before)
{
    return MulDiv(value, now, before);
}

void ScaleWords(CWordArray& words, LONG now, LONG before)
{
    for (int i = 0; i < words.GetSize(); ++i)
        words.SetAt(i, static_cast<WORD>(Scale(static_cast<short>(words.GetAt(i)), now, before)));
}

} // namespace

void CKVPage::UpdateLogicDot(POINT newDpi, POINT oldDpi)
{
    if (oldDpi.x <= 0 || oldDpi.y <= 0)
        return;
    m_rcPrint.left = Scale(m_rcPrint.left, newDpi.x, oldDpi.x);
    m_rcPrint.right = Scale(m_rcPrint.right, newDpi.x, oldDpi.x);
    m_rcPrint.top = Scale(m_rcPrint.top, newDpi.y, oldDpi.y);
    m_rcPrint.bottom = Scale(m_rcPrint.bottom, newDpi.y, oldDpi.y);
    for (int b = 0; b < m_arrBlock.GetSize(); ++b) {
        if (CKVBlock* block = m_arrBlock.GetAt(b))
            block->UpdateLogicDot(newDpi, oldDpi);
    }
    for (int b = 0; b < m_arrOssiaBlock.GetSize(); ++b) {
        if (CKVBlock* block = m_arrOssiaBlock.GetAt(b))
            block->UpdateLogicDot(newDpi, oldDpi);
    }
}

void CKVBlock::UpdateLogicDot(POINT newDpi, POINT oldDpi)
{
    if (oldDpi.x <= 0 || oldDpi.y <= 0)
        return;
    m_nLeftIndent = static_cast<short>(Scale(m_nLeftIndent, newDpi.x, oldDpi.x));
    m_rcBlock.left = Scale(m_rcBlock.left, newDpi.x, oldDpi.x);
    m_rcBlock.right = Scale(m_rcBlock.right, newDpi.x, oldDpi.x);
    m_rcBlock.top = Scale(m_rcBlock.top, newDpi.y, oldDpi.y);
    m_rcBlock.bottom = Scale(m_rcBlock.bottom, newDpi.y, oldDpi.y);
    ScaleWords(m_arrStaffY, newDpi.y, oldDpi.y);
    ScaleWords(m_arrMeasX, newDpi.x, oldDpi.x);
    for (int i = 0; i < m_arrStaffEntry.GetSize(); ++i) {
        if (BlockStaffEntry* entry = m_arrStaffEntry.GetAt(i))
            entry->wValue = static_cast<WORD>(Scale(entry->wValue, newDpi.y, oldDpi.y));
    }
    for (int i = 0; i < m_arrStaffNamePoint.GetSize(); ++i) {
        if (POINT* point = m_arrStaffNamePoint.GetAt(i)) {
            point->x = Scale(point->x, newDpi.x, oldDpi.x);
            point->y = Scale(point->y, newDpi.y, oldDpi.y);
        }
    }
    if (m_arrStaffNamePoint.GetSize() > 0)
        MakeStaffNameRect();
    UpdateMeasXY(0, kSkipCrossStaff, kWithoutBackup);
}
