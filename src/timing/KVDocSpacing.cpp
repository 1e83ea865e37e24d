// The measures per block and the note spacing, set for the document.

#include "document/KVDoc.h"

#include "document/KVFileInfo.h"
#include "document/UndoEntry.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "timing/SpacingState.h"

#include <algorithm>

namespace {

CKVSystem* MasterOf(CKVDoc& doc)
{
    return doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr;
}

// A measure's width need: natural, or in proportion to time. A column
// without a laid-out measure asks for nothing.
long ColumnWidth(CKVSystem& system, int meas, int math)
{
    const short w = math ? system.GetGoodMeasWidthInMath(meas, 1) : system.GetGoodMeasWidthInNatural(meas, 1);
    return std::max<short>(w, 0);
}

// Takes a page out of the document; undo keeps it when it can.
void RemovePage(CKVDoc& doc, int index)
{
    CKVPage* page = doc.GetPage(static_cast<short>(index));
    if (!page)
        return;
    doc.m_pPageArray->RemoveAt(index);
    if (!doc.AddObj2BackupArray(UndoEntry::kPageInsDel, page, 0))
        delete page;
    doc.DropStaleSelRects();
}

// Removes the blocks of a page from `from` on.
void RemoveBlocksFrom(CKVPage& page, int from)
{
    while (page.GetBlockNum() > from)
        page.RemoveBlock(static_cast<short>(page.GetBlockNum() - 1));
    if (page.m_pDoc)
        page.m_pDoc->DropStaleSelRects();
}

// The measure of a column that the spacing command re-spaces, backed up
// when asked; the live instance is given.
CKVMeas* Prepared(CKVMeas* meas, bool backup)
{
    if (!backup)
        return meas;
    meas->ObjectBackup(kBackupRecorded, kBackupCrossStaff);
    CKVMeas* live = meas->GetCurBackupObj();
    return live ? live : meas;
}

// After a re-flow the cursor's block may be gone or hold other measures:
// the cursor moves to the first measure of its page's first block then.
void KeepCursorInLayout(CKVDoc& doc)
{
    doc.GetCurrentPageNum();
    CKVPage* page = doc.GetCurrentPage();
    CKVBlock* block = page ? page->GetBlock(doc.m_nCurBlock) : nullptr;
    if (block && block == doc.m_pCurBlock && doc.m_nCurMeas < block->m_nMeasCount)
        return;
    doc.m_nCurBlock = 0;
    doc.m_nCurMeas = 0;
    doc.m_pCurBlock = page ? page->GetBlock(0) : nullptr;
    CKVStaff* staff = doc.m_pCurBlock && doc.m_nCurStaff < doc.m_pCurBlock->GetStaffNum()
        ? doc.m_pCurBlock->GetStaff(doc.m_nCurStaff)
        : nullptr;
    if (doc.m_pCurBlock && !staff) {
        doc.m_nCurStaff = 0;
        staff = doc.m_pCurBlock->GetStaffNum() > 0 ? doc.m_pCurBlock->GetStaff(0) : nullptr;
    }
    doc.m_pCurStaff = staff;
    doc.m_pCurMeas = staff ? staff->GetMeas(doc.m_pCurBlock->m_nFirstMeas) : nullptr;
}

} // namespace

void CKVDoc::ChangeCurrentBlockMeasNum(int math, int page, int block)
{
    CKVPage* p = GetPage(static_cast<short>(page));
    CKVBlock* b = p ? p->GetBlock(static_cast<short>(block)) : nullptr;
    CKVSystem* system = MasterOf(*this);
    if (!b || b->m_byKind == CKVBlock::KIND_OSSIA || !system)
        return;
    const int first = b->m_nFirstMeas;
    const int count = b->m_nMeasCount;
    long total = 0;
    for (int i = first; i < first + count; ++i)
        total += ColumnWidth(*system, i, math);
    const long available = b->m_rcBlock.Width();
    int delta = 0;
    if (total < available) {
        // The block's last measure is the first candidate, counted again.
        for (int i = first + count - 1; i >= 0 && i < system->GetMeasNum(); ++i) {
            CKVMeas* meas = system->GetMeas(0, static_cast<short>(i));
            if (!meas || !GetBlockByMeas(meas))
                continue;
            total += ColumnWidth(*system, i, 0);
            if (total > available)
                break;
            ++delta;
        }
    } else if (total > available) {
        // The measure whose removal makes the block fit stays.
        for (int i = 0; i < count - 1; ++i) {
            total -= ColumnWidth(*system, first + count - 1 - i, 0);
            if (total < available)
                break;
            --delta;
        }
    }
    SetBlockMeasCount(page, block, count + delta);
    spacing::spacingSlotList.clear();
}

int CKVDoc::SetBlockMeasCount(int page, int block, int count)
{
    CKVSystem* system = MasterOf(*this);
    const int total = system ? system->GetMeasNum() : 0;
    count = std::max(count, 1);
    int shift = 0;
    int placed = -1; // the first measure no block holds
    bool ranOut = false;
    for (int p = std::max(page, 0); p < GetPageNum();) {
        CKVPage* pg = GetPage(static_cast<short>(p));
        const bool lastPage = p == GetPageNum() - 1;
        int kept = 0;
        for (int b = 0; b < pg->GetBlockNum() && !ranOut; ++b) {
            CKVBlock* blk = pg->GetBlock(static_cast<short>(b));
            const int newFirst = blk->m_nFirstMeas + shift;
            int newCount = blk->m_nMeasCount;
            if (p == page && b == block) {
                newCount = count;
                shift += count - blk->m_nMeasCount;
            } else if (lastPage && b == pg->GetBlockNum() - 1) {
                newCount = std::max<int>(blk->m_nNominalMeasCount, 1);
            }
            newCount = std::min(newCount, total - newFirst);
            if (newCount <= 0) {
                RemoveBlocksFrom(*pg, b);
                ranOut = true;
                break;
            }
            blk->m_nFirstMeas = static_cast<short>(newFirst);
            if (newCount > blk->m_nMeasCount)
                blk->AddMeas(static_cast<short>(newCount - blk->m_nMeasCount));
            else if (newCount < blk->m_nMeasCount)
                blk->DeleteMeas(static_cast<short>(blk->m_nMeasCount - newCount));
            placed = newFirst + newCount;
            ++kept;
        }
        if (ranOut) {
            // Later pages lose their blocks; pages without any stay.
            for (int q = GetPageNum() - 1; q > p; --q) {
                CKVPage* later = GetPage(static_cast<short>(q));
                if (later->GetBlockNum() == 0)
                    continue;
                RemoveBlocksFrom(*later, 0);
                RemovePage(*this, q);
            }
            if (kept == 0)
                RemovePage(*this, p);
            break;
        }
        ++p;
    }
    if (!ranOut && placed >= 0 && placed < total)
        MakeAddPage(placed, 1);
    KeepCursorInLayout(*this);
    DropStaleCursor();
    UpdateMeasXY(-1);
    m_bModified = 1;
    return 1;
}

void CKVDoc::SetNoteSpace(int math, int firstMeas, int lastMeas, int blockWidths, int blockCounts, int allStaves)
{
    m_bModified = 1;
    CKVSystem* system = MasterOf(*this);
    if (!system)
        return;
    if (!blockWidths && !blockCounts) {
        CKVStaff* ownStaff = m_pCurMeas ? measplace::StaffOf(*m_pCurMeas) : nullptr;
        for (int m = firstMeas; m <= lastMeas; ++m) {
            // Back up first: the snapshot keeps the spacing mode it had.
            std::vector<CKVMeas*> spaced;
            for (short s = 0; s < system->GetStaffNum(); ++s) {
                CKVMeas* meas = system->GetMeas(s, static_cast<short>(m));
                if (!meas)
                    break;
                const bool own = measplace::StaffOf(*meas) == ownStaff;
                if (!allStaves && !own)
                    continue;
                meas = Prepared(meas, allStaves ? meas != m_pCurMeas : true);
                meas->m_dwSpacingMode = math ? 1 : 0;
                spaced.push_back(meas);
            }
            if (math) {
                for (CKVMeas* meas : spaced) {
                    if (allStaves && meas != m_pCurMeas)
                        meas->ArrangeGraceNote(nullptr);
                    meas->NoteSpaceOrder(0, 1, 0, kWithGraceNotes);
                }
            } else if (system->GetGoodMeasWidthInNatural(m, 1) != -1) {
                for (CKVMeas* meas : spaced)
                    meas->SetNotePosByStartTime();
            } else {
                for (CKVMeas* meas : spaced)
                    meas->NoteSpaceOrder(0, 1, 0, kWithGraceNotes);
            }
        }
        spacing::spacingSlotList.clear();
        return;
    }

    ObjectBackup(1);
    bool done = false;
    for (int p = 0; p < GetPageNum() && !done; ++p) {
        for (int b = 0; !done; ++b) {
            CKVPage* page = GetPage(static_cast<short>(p));
            CKVBlock* block = page ? page->GetBlock(static_cast<short>(b)) : nullptr;
            if (!block)
                break;
            if (block->m_nFirstMeas < firstMeas)
                continue;
            if (block->m_nFirstMeas > lastMeas)
                break;
            if (blockCounts)
                ChangeCurrentBlockMeasNum(math, p, b);
            if (blockWidths && (block = page->GetBlock(static_cast<short>(b)))) {
                block->ObjectBackup(kBackupRecorded);
                block->SetGoodMeasWidth(math, 1);
            }
            done = block && block->m_nFirstMeas + block->m_nMeasCount - 1 > lastMeas;
        }
    }
    spacing::spacingSlotList.clear();
}
