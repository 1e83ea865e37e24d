// The current page index; pages inserted and deleted, the measures of every block and the blocks of
// every page set again, and the counts the host shows for them.

#include "document/KVDoc.h"

#include "document/KVFileInfo.h"
#include "document/SelRect.h"
#include "document/UndoEntry.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/NewObject.h"
#include "MeasUnlink.h"
#include "MemoryGuard.h"

#include <algorithm>
#include <vector>

namespace {

CKVSystem* MasterOf(CKVDoc& doc)
{
    return doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr;
}

// A new page set up from the file info, not yet in the page list; null after
// the out-of-memory report.
CKVPage* NewPage(CKVDoc& doc)
{
    CKVPage* page = KvNewReported<CKVPage>();
    if (!page)
        return nullptr;
    page->m_pDoc = &doc;
    page->Create(doc.m_pFileInfo);
    return page;
}

void RemovePage(CKVDoc& doc, int index)
{
    CKVPage* page = doc.GetPage(static_cast<short>(index));
    if (!page)
        return;
    doc.m_pPageArray->RemoveAt(index);
    if (doc.m_pCurPage == page)
        doc.m_pCurPage = nullptr;
    if (!doc.AddObj2BackupArray(UndoEntry::kPageInsDel, page, 0))
        delete page;
}

// The first measure of every normal block of every page runs on from the
// block before it.
void RenumberBlocks(CKVDoc& doc)
{
    LONG next = 0;
    for (short p = 0; p < doc.GetPageNum(); ++p) {
        CKVPage* page = doc.GetPage(p);
        for (short b = 0; b < page->GetBlockNum(); ++b) {
            CKVBlock* block = page->GetBlock(b);
            block->m_nFirstMeas = static_cast<short>(next);
            next += block->m_nMeasCount;
        }
    }
}

// The cursor's page, block and staff indexes kept inside what exists (the
// measure index goes back to 0 past the block's count), and the cursor
// objects taken again from them.
void ClampCursor(CKVDoc& doc)
{
    const short pages = doc.GetPageNum();
    doc.m_pCurPage = nullptr;
    doc.m_pCurBlock = nullptr;
    doc.m_pCurStaff = nullptr;
    doc.m_pCurMeas = nullptr;
    if (pages <= 0) {
        doc.m_nCurBlock = doc.m_nCurStaff = doc.m_nCurMeas = -1;
        return;
    }
    doc.m_nCurPage = static_cast<short>(std::clamp<int>(doc.m_nCurPage, 0, pages - 1));
    CKVPage* page = doc.GetPage(doc.m_nCurPage);
    doc.m_pCurPage = page;
    const short blocks = page->GetBlockNum();
    doc.m_nCurBlock = static_cast<short>(std::clamp<int>(doc.m_nCurBlock, 0, std::max(0, blocks - 1)));
    CKVBlock* block = page->GetBlock(doc.m_nCurBlock);
    doc.m_pCurBlock = block;
    // A page without blocks, or a block that hiding emptied of staves,
    // gives the cursor nothing to stand on.
    if (!block || block->GetStaffNum() == 0) {
        doc.m_pCurBlock = nullptr;
        doc.m_nCurBlock = doc.m_nCurStaff = doc.m_nCurMeas = -1;
        return;
    }
    const short staves = block->GetStaffNum();
    doc.m_nCurStaff = static_cast<short>(std::clamp<int>(doc.m_nCurStaff, 0, std::max(0, staves - 1)));
    if (doc.m_nCurMeas >= block->m_nMeasCount || doc.m_nCurMeas < 0)
        doc.m_nCurMeas = 0;
    doc.m_pCurStaff = staves > 0 ? block->GetStaff(doc.m_nCurStaff) : nullptr;
    doc.m_pCurMeas = doc.m_pCurStaff ? doc.m_pCurStaff->GetMeas(block->m_nFirstMeas + doc.m_nCurMeas) : nullptr;
    doc.m_nCaretMeasNum = static_cast<short>(block->m_nFirstMeas + doc.m_nCurMeas + 1);
}

enum class Scope { All, Current, Any };

CKVBlock* LastNormalBlock(CKVDoc& doc)
{
    for (int p = doc.GetPageNum() - 1; p >= 0; --p) {
        CKVPage* page = doc.GetPage(static_cast<short>(p));
        if (page->GetBlockNum() > 0)
            return page->GetBlock(static_cast<short>(page->GetBlockNum() - 1));
    }
    return nullptr;
}

// Whether a page that the block walk reaches after the end of the score is
// kept (then without its normal blocks).
bool KeepAfterEnd(CKVPage& page, Scope scope)
{
    return scope == Scope::Any ? !page.IsEmptyPage() : page.GetBlockNum() == 0;
}

// The walk of the measures-per-block family: from page `start` on, every
// chosen block (all of them, or `chosen`) gets n measures and every later
// block's first measure moves by the running offset.
void WalkBlockCounts(CKVDoc& doc, Scope scope, short start, CKVBlock* chosen, int n)
{
    const LONG total = doc.GetMeasCount(0, 0);
    CKVBlock* lastOfScore = LastNormalBlock(doc);
    CKVBlock* lastDone = nullptr;
    LONG offset = 0;
    bool stopped = false;
    for (short p = start; p < doc.GetPageNum() && !stopped; ++p) {
        CKVPage* page = doc.GetPage(p);
        bool keptOne = false;
        for (short b = 0; b < page->GetBlockNum(); ++b) {
            CKVBlock* block = page->GetBlock(b);
            const LONG first = block->m_nFirstMeas + offset;
            if (first >= total) {
                stopped = true;
                // The pages after this one, then this one when it kept no
                // block; the rest of its blocks go in any case.
                for (int q = doc.GetPageNum() - 1; q > p; --q) {
                    CKVPage* later = doc.GetPage(static_cast<short>(q));
                    if (KeepAfterEnd(*later, scope)) {
                        while (later->GetBlockNum() > 0)
                            later->RemoveBlock(static_cast<short>(later->GetBlockNum() - 1));
                    } else {
                        RemovePage(doc, q);
                    }
                }
                const bool keepPage = keptOne || KeepAfterEnd(*page, scope);
                while (page->GetBlockNum() > b)
                    page->RemoveBlock(static_cast<short>(page->GetBlockNum() - 1));
                if (!keepPage)
                    RemovePage(doc, p);
                break;
            }
            const bool isChosen = scope == Scope::All || block == chosen;
            LONG target = block->m_nMeasCount;
            if (isChosen) {
                target = n;
                offset += n - block->m_nMeasCount;
            } else if (block == lastOfScore && block->m_nNominalMeasCount > 0) {
                target = block->m_nNominalMeasCount;
            }
            target = std::max<LONG>(1, std::min<LONG>(target, total - first));
            block->m_nFirstMeas = static_cast<short>(first);
            if (target > block->m_nMeasCount)
                block->AddMeas(static_cast<short>(target - block->m_nMeasCount));
            else if (target < block->m_nMeasCount)
                block->DeleteMeas(static_cast<short>(block->m_nMeasCount - target));
            if (scope == Scope::All)
                block->m_nNominalMeasCount = block->m_nMeasCount;
            keptOne = true;
            lastDone = block;
        }
    }
    doc.DropStaleSelRects();
    if (!stopped && lastDone)
        doc.MakeAddPage(lastDone->m_nFirstMeas + lastDone->m_nMeasCount, scope == Scope::All ? 0 : 1);
    ClampCursor(doc);
    doc.DropStaleCursor();
    doc.UpdateMeasXY(-1);
    doc.m_bModified = 1;
}

// Takes every normal block of the pages from `start` on into a pool and
// deals them out again: `first` blocks to the first page, `later` (or each
// page's old count when negative) to the others, new pages for the rest.
int DealBlocks(CKVDoc& doc, short start, int first, int later)
{
    std::vector<CKVBlock*> pool;
    std::vector<int> targets;
    CPoint corner(0, 0);
    for (short p = start; p < doc.GetPageNum(); ++p) {
        CKVPage* page = doc.GetPage(p);
        targets.push_back(p == start ? first : later < 0 ? page->GetBlockNum() : later);
        for (short b = 0; b < page->GetBlockNum(); ++b) {
            if (pool.empty())
                corner = CRect(page->GetBlock(b)->m_rcBlock).TopLeft();
            pool.push_back(page->GetBlock(b));
        }
        page->m_arrBlock.RemoveAll();
    }

    size_t next = 0;
    bool placedFirst = false;
    auto deal = [&](CKVPage& page, int count) {
        for (int k = 0; k < count && next < pool.size(); ++k)
            page.AddBlock(pool[next++], 0);
        if (!placedFirst && page.GetBlockNum() > 0) {
            // The first block goes back to where the first block taken stood;
            // the blocks stacked below it follow.
            CKVBlock* lead = page.GetBlock(0);
            const int dx = corner.x - lead->m_rcBlock.left;
            const int dy = corner.y - lead->m_rcBlock.top;
            lead->m_rcBlock.OffsetRect(dx, 0);
            for (short b = 0; b < page.GetBlockNum(); ++b)
                page.GetBlock(b)->m_rcBlock.OffsetRect(0, dy);
            placedFirst = true;
        }
    };
    size_t index = 0;
    for (short p = start; p < doc.GetPageNum(); ++index) {
        CKVPage* page = doc.GetPage(p);
        if (next >= pool.size()) {
            if (page->IsEmptyPage()) {
                RemovePage(doc, p);
                continue;
            }
            ++p;
            continue;
        }
        deal(*page, index < targets.size() ? targets[index] : first);
        ++p;
    }
    const int perPage = std::max<int>(1, doc.m_pFileInfo->m_nBlockPerPage);
    while (next < pool.size()) {
        CKVPage* page = NewPage(doc);
        if (!page) {
            // The blocks not dealt out would be lost with the pool.
            for (; next < pool.size(); ++next)
                delete pool[next];
            return 0;
        }
        deal(*page, perPage);
        doc.AddPage(page);
    }
    doc.DropStaleSelRects();
    ClampCursor(doc);
    doc.DropStaleCursor();
    doc.UpdateMeasXY(-1);
    doc.m_bModified = 1;
    return 1;
}

// Measure boundaries of a copied block spread evenly over its width after
// the model's first boundary and header; the last boundary stays.
void RespreadBoundaries(CKVBlock& block, const CKVBlock& model)
{
    const int count = block.m_nMeasCount;
    if (count <= 0 || block.m_arrMeasX.GetSize() != count + 1)
        return;
    int header = 0;
    if (block.GetStaffNum() > 0) {
        if (CKVStaff* staff = block.GetStaff(0))
            if (CKVMeas* meas = staff->GetMeas(model.m_nFirstMeas))
                header = std::max<int>(0, meas->m_nHeaderWidth);
    }
    const int entry0 = block.m_arrMeasX.GetAt(0);
    const int w = (CRect(block.m_rcBlock).Width() - header - entry0) / count;
    int x = entry0;
    for (int k = 1; k < count; ++k) {
        x += w + (k == 1 ? header : 0);
        block.m_arrMeasX.SetAt(k, static_cast<WORD>(x));
    }
}

} // namespace

int CKVDoc::GetCurrentPageNum()
{
    const short pages = GetPageNum();
    if (pages <= 0)
        return -1;
    // An index left past the pages (after pages went) names the last one.
    if (m_nCurPage > pages - 1 || m_nCurPage < 0) {
        m_nCurPage = m_nCurPage < 0 ? 0 : static_cast<short>(pages - 1);
        m_pCurPage = GetPage(m_nCurPage);
    }
    return m_nCurPage;
}

int CKVDoc::InsertPage(int page, int count, unsigned long flags)
{
    const int pages = GetPageNum();
    if (page < 0 || page >= pages || count < 1 || !m_pFileInfo)
        return 0;
    const bool after = flags & 1;
    const int at = after ? page + 1 : page;
    if (flags & 2) {
        for (int i = 0; i < count; ++i) {
            CKVPage* fresh = NewPage(*this);
            if (!fresh)
                return 0;
            AddObj2BackupArray(UndoEntry::kPageInsDel, fresh, 1);
            m_pPageArray->InsertAt(at, fresh);
        }
        m_bModified = 1;
        JumpToPage(at);
        return 1;
    }

    CKVSystem* master = MasterOf(*this);
    if (!master)
        return 0;
    CKVPage* model = nullptr;
    for (int q = page; q >= 0 && !model; --q) {
        CKVPage* candidate = GetPage(static_cast<short>(q));
        if (candidate->GetBlockNum() > 0)
            model = candidate;
    }
    LONG m = 0;
    LONG f = 0;
    if (model) {
        for (short b = 0; b < model->GetBlockNum(); ++b)
            m += model->GetBlock(b)->m_nMeasCount;
        f = model->GetBlock(0)->m_nFirstMeas + (after ? m : 0);
    } else {
        m = static_cast<LONG>(std::max<int>(1, m_pFileInfo->m_nMeasPerBlock)) *
            std::max<int>(1, m_pFileInfo->m_nBlockPerPage);
    }
    const LONG added = m * count;
    const LONG have = master->GetMeasNum();
    if (m <= 0 || added > kMaxMeasures - have)
        return 0;
    if (f >= have)
        master->AddMeas(added);
    else
        master->InsertMeas(f, added);

    if (!model) {
        if (!InsertMakeEndPage(static_cast<short>(at), master, f, added))
            return 0;
    } else {
        for (int i = 0; i < count; ++i) {
            CKVPage* fresh = NewPage(*this);
            if (!fresh)
                return 0;
            fresh->m_rcPrint = model->m_rcPrint;
            for (short b = 0; b < model->GetBlockNum(); ++b) {
                CKVBlock* from = model->GetBlock(b);
                CKVBlock* block = KvNewReported<CKVBlock>();
                if (!block || !block->CreateFrom(from)) {
                    delete block;
                    delete fresh;
                    return 0;
                }
                block->m_pPage = fresh;
                block->m_byKind = CKVBlock::KIND_NORMAL;
                block->m_nLeftIndent = from->m_nLeftIndent;
                block->m_nNominalMeasCount = m_pFileInfo->m_nMeasPerBlock;
                RespreadBoundaries(*block, *from);
                fresh->m_arrBlock.Add(block);
            }
            AddObj2BackupArray(UndoEntry::kPageInsDel, fresh, 1);
            m_pPageArray->InsertAt(after ? at + i : at, fresh);
        }
    }
    RenumberBlocks(*this);
    for (short p = 0; p < GetPageNum(); ++p) {
        CKVPage* each = GetPage(p);
        for (short b = 0; b < each->GetBlockNum(); ++b)
            each->GetBlock(b)->UpdateMeasXY(1, kSkipCrossStaff, kWithBackup);
    }
    MakeAllPageStaffName();
    ClampCursor(*this);
    m_bModified = 1;
    return 1;
}

int CKVDoc::DeletePages(int a, int b)
{
    if (a > b)
        std::swap(a, b);
    const int pages = GetPageNum();
    if (a >= pages)
        return -1;
    b = std::min(b, pages - 1);
    a = std::max(a, 0);
    if (b - a + 1 >= pages)
        a = 1;
    if (a > b)
        return -1;

    // The measures the pages show: from the first block's first measure on,
    // as many as their blocks hold. A page without blocks shows none.
    LONG first = -1;
    LONG count = 0;
    for (int p = a; p <= b; ++p) {
        CKVPage* page = GetPage(static_cast<short>(p));
        for (short k = 0; k < page->GetBlockNum(); ++k) {
            CKVBlock* block = page->GetBlock(k);
            if (first < 0)
                first = block->m_nFirstMeas;
            count += block->m_nMeasCount;
        }
    }
    CKVSystem* master = MasterOf(*this);
    if (master && first >= 0 && count > 0) {
        count = std::min<LONG>(count, master->GetMeasNum() - first);
        // Ties and slurs reaching into the removed measures come off the
        // notes that stay.
        for (short s = 0; s < master->GetStaffNum(); ++s) {
            for (LONG m = first; m < first + count; ++m) {
                if (CKVMeas* meas = master->GetStaff(s)->GetMeas(m))
                    UnlinkMeasureTies(*master, *meas);
            }
        }
        master->RemoveMeas(first, count);
    }
    for (int p = b; p >= a; --p)
        RemovePage(*this, p);
    DropStaleSelRects();
    RenumberBlocks(*this);
    UpdateMeasXY(-1);
    JumpToPage(std::min(a, GetPageNum() - 1));
    DropStaleCursor();
    m_bModified = 1;
    return b - a;
}

int CKVDoc::IsUndoEnablePageDel(int, int)
{
    return 0;
}

int CKVDoc::SetAllBlockMeasCount(short count)
{
    if (count < 1 || !m_pFileInfo || GetPageNum() == 0)
        return 0;
    // The new blocks made at the end take the new count.
    m_pFileInfo->m_nMeasPerBlock = count;
    WalkBlockCounts(*this, Scope::All, 0, nullptr, count);
    return 1;
}

int CKVDoc::SetSelBlockMeasCount(short count)
{
    CKVPage* page = GetCurrentPage();
    if (count < 1 || !page || !m_pCurBlock)
        return 0;
    short start = -1;
    for (short p = 0; p < GetPageNum() && start < 0; ++p) {
        CKVPage* each = GetPage(p);
        for (short b = 0; b < each->GetBlockNum(); ++b)
            if (each->GetBlock(b) == m_pCurBlock)
                start = p;
    }
    if (start < 0)
        return 0;
    WalkBlockCounts(*this, Scope::Current, start, m_pCurBlock, count);
    return 1;
}

int CKVDoc::SetAnyBlockMeasCount(short page, short block, short count)
{
    if (count < 1 || page < 1 || page > GetPageNum())
        return 0;
    CKVPage* chosenPage = GetPage(static_cast<short>(page - 1));
    if (block < 1 || block > chosenPage->GetBlockNum())
        return 0;
    WalkBlockCounts(*this, Scope::Any, static_cast<short>(page - 1), chosenPage->GetBlock(static_cast<short>(block - 1)),
                    count);
    return 1;
}

int CKVDoc::SetAllPageBlockCount(short count)
{
    if (count < 1 || !m_pFileInfo || GetPageNum() == 0)
        return 0;
    // The pages made for the blocks left over take the new count.
    m_pFileInfo->m_nBlockPerPage = count;
    return DealBlocks(*this, 0, count, count);
}

int CKVDoc::SetSelPageBlockCount(short count)
{
    if (count < 1 || !m_pFileInfo || GetPageNum() == 0)
        return 0;
    const int start = GetCurrentPageNum();
    return DealBlocks(*this, static_cast<short>(start), count, -1);
}

int CKVDoc::GetBlockCountOnCurrentPage()
{
    CKVPage* page = GetCurrentPage();
    return page ? page->GetBlockNum() : 0;
}

int CKVDoc::GetMeasCountOnCurrentBlock()
{
    return m_pCurBlock ? m_pCurBlock->m_nMeasCount : 0;
}

int CKVDoc::GetMeasCountOnSelBlock()
{
    const int fallback = m_pFileInfo ? m_pFileInfo->m_nMeasPerBlock : 0;
    if (!m_pSelRectArray)
        return fallback;
    for (int i = 0; i < m_pSelRectArray->GetSize(); ++i) {
        const SelRect* rec = static_cast<SelRect*>(m_pSelRectArray->GetAt(i));
        if (!rec)
            continue;
        for (short p = 0; p < GetPageNum(); ++p) {
            CKVPage* page = GetPage(p);
            // A record made on a page concerns that page; one of no page,
            // every page.
            if (rec->pPage && rec->pPage != page)
                continue;
            for (short b = 0; b < page->GetBlockNum(); ++b) {
                CKVBlock* block = page->GetBlock(b);
                bool hit = false;
                if (rec->nKind == SelRect::kRect) {
                    CRect area(block->m_rcBlock);
                    area.OffsetRect(page->m_rcPrint.left, page->m_rcPrint.top);
                    CRect meet;
                    hit = meet.IntersectRect(area, CRect(rec->rect)) != 0;
                } else if (rec->nKind == SelRect::kBlockStaff) {
                    hit = rec->pBlock == block;
                } else if (rec->nKind == SelRect::kStaff) {
                    hit = block->GetStaffIndex(rec->pStaff) >= 0;
                }
                if (hit)
                    return block->m_nMeasCount;
            }
        }
    }
    return fallback;
}
