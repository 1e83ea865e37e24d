// The current page, laying the pages out again, filling inserted pages, the
// left indent of the pages' blocks and the page place of a lyric.

#include "document/KVDoc.h"

#include "document/KVFileInfo.h"
#include "document/UndoEntry.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/NewObject.h"
#include "model/TickMath.h"

#include <algorithm>

namespace {

// The page geometry counts come from files and from the host; a count below
// 1 would never fill a block or a page.
int MeasPerBlock(const CKVFileInfo& info)
{
    return std::max<int>(1, info.m_nMeasPerBlock);
}

int BlocksPerPage(const CKVFileInfo& info)
{
    return std::max<int>(1, info.m_nBlockPerPage);
}

// Hands every normal block of a page to the open undo step; a block the
// step does not take is deleted at once.
void HandBlocksToUndo(CKVDoc& doc, CKVPage& page)
{
    while (page.GetBlockNum() > 0) {
        const int last = page.GetBlockNum() - 1;
        CKVBlock* block = page.m_arrBlock.GetAt(last);
        page.m_arrBlock.RemoveAt(last);
        if (!doc.AddObj2BackupArray(UndoEntry::kBlockInsDel, block, 0))
            delete block;
    }
    // The records of those blocks go before new blocks are made.
    doc.DropStaleSelRects();
}

// A new page made from the file info, not yet in the page list; null after
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

// Fills the page's last block up to the measures per block; the measures
// it took.
LONG FillLastBlock(CKVPage& page, LONG remaining, int perBlock)
{
    const short blocks = page.GetBlockNum();
    if (blocks == 0)
        return 0;
    CKVBlock* last = page.GetBlock(static_cast<short>(blocks - 1));
    LONG added = 0;
    while (last->m_nMeasCount < perBlock && added < remaining) {
        last->AddMeas(1);
        ++added;
    }
    return added;
}

} // namespace

CKVPage* CKVDoc::GetCurrentPage()
{
    const short pages = GetPageNum();
    if (pages == 0)
        return nullptr;
    // An index left past the pages (after pages were removed) names the
    // last one.
    short index = m_nCurPage;
    if (index >= pages)
        index = static_cast<short>(pages - 1);
    if (index < 0)
        index = 0;
    return GetPage(index);
}

void CKVDoc::UpdatePage(int fromFileInfo)
{
    CKVSystem* master = m_arrSystem.GetSize() > 0 ? m_arrSystem.GetAt(0) : nullptr;
    if (!master || !m_pFileInfo)
        return;
    CKVStaff* firstStaff = master->GetStaff(0);
    LONG remaining = firstStaff ? firstStaff->GetMeasNum() : 0;
    LONG next = 0;
    const int perBlock = MeasPerBlock(*m_pFileInfo);

    CKVPage* page = GetPage(0);
    if (!page) {
        if (!(page = NewPage(*this)))
            return;
        AddPage(page);
    }
    // Every page keeps page 0's block count until a page must be appended;
    // an empty page 0 would leave every existing page empty.
    int limit = page->GetBlockNum();
    if (limit < 1)
        limit = BlocksPerPage(*m_pFileInfo);
    HandBlocksToUndo(*this, *page);
    page->Create(m_pFileInfo);
    short used = 0;

    while (remaining > 0) {
        const LONG filled = FillLastBlock(*page, remaining, perBlock);
        if (filled > 0) {
            remaining -= filled;
            next += filled;
            continue;
        }
        if (fromFileInfo)
            limit = BlocksPerPage(*m_pFileInfo);
        if (page->GetBlockNum() >= limit) {
            if (CKVPage* existing = GetPage(static_cast<short>(used + 1))) {
                page = existing;
                HandBlocksToUndo(*this, *page);
            } else {
                if (!(page = NewPage(*this))) {
                    // Stopped where it was: the cursor must not keep a block
                    // handed to undo.
                    DropStaleCursor();
                    return;
                }
                AddPage(page);
                limit = BlocksPerPage(*m_pFileInfo);
            }
            ++used;
        }
        const LONG n = std::min<LONG>(remaining, perBlock);
        if (!page->AddBlock(master, next, n)) {
            DropStaleCursor();
            return;
        }
        next += n;
        remaining -= n;
    }

    // Pages after the last one used leave the list, the last first.
    while (GetPageNum() > used + 1) {
        const int last = GetPageNum() - 1;
        CKVPage* surplus = GetPage(static_cast<short>(last));
        m_pPageArray->RemoveAt(last);
        if (!AddObj2BackupArray(UndoEntry::kPageInsDel, surplus, 0))
            delete surplus;
    }
    DropStaleSelRects();

    UpdateMeasXY(-1);
    // The cursor indices and the caret measure number start over.
    Open();
    m_pCurPage = GetPage(0);
    m_pCurBlock = m_pCurPage ? m_pCurPage->GetBlock(0) : nullptr;
    m_pCurSystem = master;
    m_pCurStaff = m_pCurBlock && m_pCurBlock->GetStaffNum() > 0 ? m_pCurBlock->GetStaff(0) : nullptr;
    m_pCurMeas = m_pCurStaff ? m_pCurStaff->GetMeas(m_pCurBlock->m_nFirstMeas) : nullptr;
    DropStaleCursor();
    m_bModified = 1;
}

int CKVDoc::InsertMakeEndPage(short pageIndex, CKVSystem* system, LONG firstMeasure, LONG count)
{
    if (!m_pFileInfo)
        return 0;
    const int perBlock = MeasPerBlock(*m_pFileInfo);
    const int perPage = BlocksPerPage(*m_pFileInfo);
    // Each further page stands at pageIndex, in front of the one before it.
    auto place = [&]() -> CKVPage* {
        CKVPage* page = NewPage(*this);
        if (!page)
            return nullptr;
        if (pageIndex >= GetPageNum() || pageIndex < 0)
            AddPage(page);
        else {
            AddObj2BackupArray(UndoEntry::kPageInsDel, page, 1);
            m_pPageArray->InsertAt(pageIndex, page);
            m_bModified = 1;
        }
        return page;
    };

    CKVPage* page = place();
    if (!page)
        return 0;
    while (count > 0) {
        const LONG filled = FillLastBlock(*page, count, perBlock);
        if (filled > 0) {
            count -= filled;
            firstMeasure += filled;
            continue;
        }
        if (page->GetBlockNum() >= perPage && !(page = place()))
            return 0;
        const LONG n = std::min<LONG>(count, perBlock);
        if (!page->AddBlock(system, firstMeasure, n))
            return 0;
        firstMeasure += n;
        count -= n;
    }
    UpdateMeasXY(-1);
    return 1;
}

void CKVDoc::UpdateStaffLeftIndent(int scope, int indent)
{
    const int pages = GetPageNum();
    if (scope == -1) {
        if (CKVPage* page = GetCurrentPage())
            page->UpdateStaffLeftIndent(indent);
    } else if (scope >= 0 && scope <= 2) {
        // Scope 1 takes page indexes 0, 2, 4 (the odd page numbers), scope 2
        // the indexes 1, 3, 5.
        const int start = scope == 2 ? 1 : 0;
        const int step = scope == 0 ? 1 : 2;
        for (int i = start; i < pages; i += step)
            GetPage(static_cast<short>(i))->UpdateStaffLeftIndent(indent);
    }
    m_bModified = 1;
}

CPoint CKVDoc::GetRealRectOfLyrics(CKVMsg* msg, short x, short line)
{
    CKVPage* page = m_pCurPage;
    CKVBlock* block = m_pCurBlock;
    CKVMeas* current = m_pCurMeas;
    CKVMeas* owner = msg ? tickmath::MeasureOf(msg) : nullptr;
    if (!page || !block || !current || !owner)
        return CPoint(0, 0);
    // The head holds 16-bit entries; a line it does not hold counts 0.
    short entry = 0;
    if (line >= 0 && (line + 1) * 2 <= current->m_wHeadLen && current->m_pHead)
        entry = static_cast<short>(current->m_pHead[line * 2] | (current->m_pHead[line * 2 + 1] << 8));
    CPoint pt(x, 0);
    pt.x += owner->MeasXToAbsX(msg->m_nPosX, msg->m_byKind);
    pt.y += entry;
    pt.x += owner->m_rcMeas.left;
    pt.y += owner->m_rcMeas.top;
    pt.x += block->m_rcBlock.left + page->m_rcPrint.left;
    pt.y += block->m_rcBlock.top + page->m_rcPrint.top;
    return pt;
}
