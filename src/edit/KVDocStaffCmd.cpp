// Staff commands of the document: the selection state of a staff, and
// inserting staves.

#include "document/KVDoc.h"

#include "model/KVBlock.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"

#include <climits>

int CKVDoc::GetStaffSelStatus(int index, int)
{
    CKVSystem* master = m_arrSystem.GetSize() > 0 ? m_arrSystem.GetAt(0) : nullptr;
    if (!master || index < 0 || index >= master->GetStaffNum())
        return 0;
    return IsStaffSelected(static_cast<short>(index));
}

namespace {

// Shows the new staves [first, first + count) of the system in a block. A
// block may hide staves, so each goes before the first staff of the block
// that stands lower in the system, or at the end when none does.
void ShowNewStaves(CKVBlock& block, CKVSystem& system, int first, int count)
{
    for (int k = 0; k < count; ++k) {
        CKVStaff* staff = system.GetStaff(static_cast<short>(first + k));
        if (!staff)
            continue;
        short at = -1;
        for (short b = 0; b < block.GetStaffNum(); ++b) {
            CKVStaff* shown = block.GetStaff(b);
            if (shown && shown->GetIndexInSystem() > first + k) {
                at = b;
                break;
            }
        }
        if (at < 0)
            block.AddStaff(staff);
        else
            block.InsertStaff(at, staff);
    }
}

int LastStaffY(CKVBlock& block)
{
    const int n = static_cast<int>(block.m_arrStaffY.GetSize());
    return n > 0 ? block.m_arrStaffY.GetAt(n - 1) : 0;
}

} // namespace

int CKVDoc::InsertStaves(int at, int count, int system, DWORD after, int mode, int lines, int size)
{
    const int index = system < 0 ? m_nCurSystem : system;
    if (index < 0 || index >= m_arrSystem.GetSize())
        return 0;
    CKVSystem* target = m_arrSystem.GetAt(index);
    if (!target || at < 0 || at >= target->GetStaffNum() || count < 1 || count > SHRT_MAX)
        return 0;
    if (!ObjectBackup(1))
        return 0;
    const int first = after ? at + 1 : at;
    const short before = target->GetStaffNum();
    if (target->InsertStaff(static_cast<short>(first), static_cast<short>(count), static_cast<short>(mode), lines,
                            size) < 0)
        return 0;
    const int added = target->GetStaffNum() - before;

    for (short p = 0; p < GetPageNum(); ++p) {
        CKVPage* page = GetPage(p);
        if (!page)
            continue;
        // Each block moves down by what the blocks above it on the page grew.
        int shift = 0;
        for (short b = 0; b < page->GetBlockNum(); ++b) {
            CKVBlock* block = page->GetBlock(b);
            if (!block || block->m_pSystem != target)
                continue;
            const int oldBottom = LastStaffY(*block);
            ShowNewStaves(*block, *target, first, added);
            block->m_rcBlock.OffsetRect(0, shift);
            shift += LastStaffY(*block) - oldBottom;
        }
        page->UpdateMeasXY();
    }

    m_pCurPage = GetPage(m_nCurPage);
    if (m_pCurPage) {
        const bool ossia = m_pCurBlock && m_pCurBlock->m_byKind == CKVBlock::KIND_OSSIA;
        auto& blocks = ossia ? m_pCurPage->m_arrOssiaBlock : m_pCurPage->m_arrBlock;
        if (m_nCurBlock >= 0 && m_nCurBlock < blocks.GetSize())
            m_pCurBlock = blocks.GetAt(m_nCurBlock);
    }
    if (m_pCurBlock && m_nCurStaff >= 0 && m_nCurStaff < m_pCurBlock->GetStaffNum()) {
        m_pCurStaff = m_pCurBlock->GetStaff(m_nCurStaff);
        m_pCurMeas = m_pCurStaff ? m_pCurStaff->GetMeas(m_pCurBlock->m_nFirstMeas + m_nCurMeas) : nullptr;
    }
    m_bModified = 1;
    return 1;
}

CKVStaff* CKVDoc::GetStaff(int i, int system)
{
    if (system < 0 || system >= m_arrSystem.GetSize() || i < 0 || i > SHRT_MAX)
        return nullptr;
    CKVSystem* owner = m_arrSystem.GetAt(system);
    return owner ? owner->GetStaff(static_cast<short>(i)) : nullptr;
}
