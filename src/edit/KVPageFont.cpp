// Page and block layout after a change of the staff space.

#include "model/KVPage.h"

#include "model/KVBlock.h"

void CKVPage::UpdateFontSize(int oldSpace, int newSpace)
{
    // Each normal block moves down by what the blocks above it grew.
    int growth = 0;
    for (int b = 0; b < m_arrBlock.GetSize(); ++b) {
        CKVBlock* block = m_arrBlock.GetAt(b);
        if (!block)
            continue;
        block->m_rcBlock.OffsetRect(0, growth);
        const int before = block->m_rcBlock.bottom;
        block->UpdateFontSize(oldSpace, newSpace);
        growth += block->m_rcBlock.bottom - before;
    }
    for (int b = 0; b < m_arrOssiaBlock.GetSize(); ++b) {
        if (CKVBlock* block = m_arrOssiaBlock.GetAt(b))
            block->UpdateFontSize(oldSpace, newSpace);
    }
}

void CKVBlock::UpdateFontSize(int oldSpace, int newSpace)
{
    if (oldSpace <= 0)
        return;
    const int oldHalf = oldSpace / 2;
    const int newHalf = newSpace / 2;
    // Staff 0 stays; each gap keeps its count of half spaces.
    if (oldHalf > 0 && m_arrStaffY.GetSize() > 1) {
        int previousOld = static_cast<short>(m_arrStaffY.GetAt(0));
        int previousNew = previousOld;
        for (int i = 1; i < m_arrStaffY.GetSize(); ++i) {
            const int y = static_cast<short>(m_arrStaffY.GetAt(i));
            const int moved = previousNew + (y - previousOld) / oldHalf * newHalf;
            previousOld = y;
            previousNew = moved;
            m_arrStaffY.SetAt(i, static_cast<WORD>(moved));
        }
    }
    for (int i = 0; i < m_arrStaffEntry.GetSize(); ++i) {
        if (BlockStaffEntry* entry = m_arrStaffEntry.GetAt(i))
            entry->wValue = static_cast<WORD>(MulDiv(entry->wValue, newSpace, oldSpace));
    }
    UpdateMeasXY(1, kReplaceCrossStaff, kWithBackup);
}
