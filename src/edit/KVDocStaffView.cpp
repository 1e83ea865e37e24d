// Hiding staves in blocks and showing them again.

#include "document/KVDoc.h"

#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"

#include <cstdlib>
#include <vector>

namespace {

// Takes the staff out of the block and gives the change of its last staff
// y (0 when the block did not show it).
int HideIn(CKVBlock& block, CKVStaff* staff)
{
    const int before = block.LastStaffY();
    if (!block.DeleteStaff(staff))
        return 0;
    return std::abs(block.LastStaffY() - before);
}

// Moves every normal block of the page after `index` down by `shift`.
void MoveBlocksAfter(CKVPage& page, int index, int shift)
{
    for (short j = static_cast<short>(index + 1); j < page.GetBlockNum(); ++j) {
        if (CKVBlock* block = page.GetBlock(j))
            block->m_rcBlock.OffsetRect(0, shift);
    }
}

bool HasRecords(CKVDoc& doc)
{
    return doc.m_pSelRectArray && doc.m_pSelRectArray->GetSize() > 0;
}

// The cursor names a staff and measure the current block still shows.
void RefreshCursor(CKVDoc& doc)
{
    CKVBlock* block = doc.m_pCurBlock;
    if (!block)
        return;
    if (block->GetStaffNum() == 0) {
        doc.m_pCurBlock = nullptr;
        doc.m_pCurStaff = nullptr;
        doc.m_pCurMeas = nullptr;
        doc.m_nCurBlock = doc.m_nCurStaff = doc.m_nCurMeas = -1;
        return;
    }
    CKVStaff* staff = doc.m_pCurStaff;
    short index = staff ? block->GetStaffIndex(staff) : -1;
    if (index < 0) {
        index = doc.m_nCurStaff;
        if (index > block->GetStaffNum() - 1)
            index = static_cast<short>(block->GetStaffNum() - 1);
        if (index < 0)
            index = 0;
    }
    doc.m_nCurStaff = index;
    doc.m_pCurStaff = block->GetStaff(index);
    doc.m_pCurMeas = doc.m_pCurStaff ? doc.m_pCurStaff->GetMeas(block->m_nFirstMeas + doc.m_nCurMeas) : nullptr;
}

} // namespace

void CKVDoc::StaffHide(int system, int mode, unsigned char* flags)
{
    if (system < 0 || system >= m_arrSystem.GetSize() || !m_arrSystem.GetAt(system))
        return;
    CKVSystem* owner = m_arrSystem.GetAt(system);

    if (mode == 1) {
        if (!flags)
            return;
        for (short i = 0; i < owner->GetStaffNum() && flags[i] == 1; ++i) {
            CKVStaff* staff = owner->GetStaff(i);
            for (short p = 0; p < GetPageNum(); ++p) {
                CKVPage* page = GetPage(p);
                if (!page)
                    continue;
                // Each block moves by what the blocks above it lost.
                int shift = 0;
                for (short b = 0; b < page->GetBlockNum(); ++b) {
                    CKVBlock* block = page->GetBlock(b);
                    if (!block)
                        continue;
                    block->m_rcBlock.OffsetRect(0, shift);
                    if (block->m_pSystem == owner)
                        shift -= HideIn(*block, staff);
                }
                page->UpdateMeasXY();
            }
        }
        DropStaleSelRects();
        RefreshCursor(*this);
        DropStaleCursor();
        m_bModified = 1;
        return;
    }

    CKVPage* page = GetCurrentPage();
    if (!page)
        return;
    std::vector<int> shifts(static_cast<size_t>(page->GetBlockNum()), 0);
    if (!HasRecords(*this)) {
        CKVBlock* block = m_pCurBlock;
        for (short b = 0; b < page->GetBlockNum(); ++b) {
            if (page->GetBlock(b) == block && block->GetStaffNum() > 1 && m_pCurStaff)
                shifts[static_cast<size_t>(b)] = -HideIn(*block, m_pCurStaff);
        }
    } else {
        for (short b = 0; b < page->GetBlockNum(); ++b) {
            CKVBlock* block = page->GetBlock(b);
            if (!block || block->GetStaffNum() < 2)
                continue;
            std::vector<CKVStaff*> going;
            for (short k = 0; k < block->GetStaffNum(); ++k) {
                if (block->IsStaffSelected(block->GetStaff(k)))
                    going.push_back(block->GetStaff(k));
            }
            const int before = block->LastStaffY();
            for (CKVStaff* staff : going) {
                if (block->GetStaffNum() < 2)
                    break;
                block->DeleteStaff(staff);
            }
            shifts[static_cast<size_t>(b)] = -std::abs(block->LastStaffY() - before);
        }
    }
    for (size_t b = 0; b < shifts.size(); ++b) {
        if (shifts[b] != 0)
            MoveBlocksAfter(*page, static_cast<int>(b), shifts[b]);
    }
    page->UpdateMeasXY();
    DropStaleSelRects();
    RefreshCursor(*this);
    DropStaleCursor();
    m_bModified = 1;
}

void CKVDoc::StaffVisible(int, int, unsigned char*)
{
    CKVPage* page = GetCurrentPage();
    if (!page)
        return;
    const bool records = HasRecords(*this);
    std::vector<int> shifts(static_cast<size_t>(page->GetBlockNum()), 0);
    for (short b = 0; b < page->GetBlockNum(); ++b) {
        CKVBlock* block = page->GetBlock(b);
        CKVSystem* owner = block ? block->m_pSystem : nullptr;
        if (!owner || block->GetStaffNum() >= owner->GetStaffNum())
            continue;
        const bool chosen = records ? block->IsStaffSelected(nullptr) != 0 : block == m_pCurBlock;
        if (!chosen)
            continue;
        const int before = block->LastStaffY();
        // Each missing staff goes in at its system position with the gap and
        // height a newly inserted staff gets, so that hiding and showing
        // give the layout back.
        for (short i = 0; i < owner->GetStaffNum(); ++i) {
            CKVStaff* staff = owner->GetStaff(i);
            if (!staff || block->GetStaffIndex(staff) >= 0)
                continue;
            if (i >= block->m_arrStaffY.GetSize())
                block->AddStaff(staff);
            else
                block->InsertStaff(i, staff);
        }
        block->SetStaffNamePoint();
        shifts[static_cast<size_t>(b)] = std::abs(std::abs(block->LastStaffY()) - std::abs(before));
    }
    for (size_t b = 0; b < shifts.size(); ++b) {
        if (shifts[b] != 0)
            MoveBlocksAfter(*page, static_cast<int>(b), shifts[b]);
    }
    page->UpdateMeasXY();
    RefreshCursor(*this);
    m_bModified = 1;
}
