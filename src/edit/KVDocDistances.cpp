// The distances between staves and between blocks, changed for the whole
// document, and the handle drags that carry over to the following blocks.

#include "document/KVDoc.h"

#include "document/KVFileInfo.h"
#include "model/KVBlock.h"
#include "model/KVPage.h"

#include <vector>

namespace {

int FirstStaffY(const CKVBlock& block)
{
    return block.m_arrStaffY.GetSize() > 0 ? static_cast<short>(block.m_arrStaffY.GetAt(0)) : 0;
}

int FirstBoundary(const CKVBlock& block)
{
    return block.m_arrMeasX.GetSize() > 0 ? static_cast<short>(block.m_arrMeasX.GetAt(0)) : 0;
}

int RightBoundary(const CKVBlock& block)
{
    const int n = block.m_arrMeasX.GetSize();
    return n > 0 ? static_cast<short>(block.m_arrMeasX.GetAt(n - 1)) : 0;
}

// Where a normal block stands: its page and its index on the page.
struct BlockPlace {
    short page = 0;
    int index = 0;
};

// The normal blocks from the current page on, in document order.
std::vector<BlockPlace> BlocksFromCurrentPage(CKVDoc& doc)
{
    std::vector<BlockPlace> places;
    const int first = doc.GetCurrentPageNum();
    for (int p = first < 0 ? 0 : first; p < doc.GetPageNum(); ++p) {
        CKVPage* page = doc.GetPage(static_cast<short>(p));
        for (int b = 0; page && b < page->m_arrBlock.GetSize(); ++b)
            places.push_back({static_cast<short>(p), b});
    }
    return places;
}

// The live block at a place; backups may have swapped in a clone.
CKVBlock* BlockAt(CKVDoc& doc, const BlockPlace& place)
{
    CKVPage* page = doc.GetPage(place.page);
    return page && place.index < page->m_arrBlock.GetSize() ? page->m_arrBlock.GetAt(place.index) : nullptr;
}

// The live block at a place, backed up first when the drag records undo.
// A page's undo keeps the block boundaries of the page it replaces, so a
// drag that moves boundaries backs up each block it changes.
CKVBlock* BlockForChange(CKVDoc& doc, const BlockPlace& place, int flag)
{
    CKVBlock* block = BlockAt(doc, place);
    if (block && flag)
        block->ObjectBackup(kBackupRecorded);
    return BlockAt(doc, place);
}

// The index of the dragged block in the walk; -1 when it is not there.
int FindDragged(CKVDoc& doc, const std::vector<BlockPlace>& places, const CKVBlock* block)
{
    for (size_t i = 0; i < places.size(); ++i) {
        if (BlockAt(doc, places[i]) == block)
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace

void CKVDoc::UpdateStaffSpace(short distance)
{
    if (!m_pFileInfo)
        return;
    m_pFileInfo->m_nStaffDistance = distance;
    const short dots = static_cast<short>(distance * m_nStaffSpace);
    for (short p = 0; p < GetPageNum(); ++p) {
        CKVPage* page = GetPage(p);
        // Each block moves down by what the blocks above it grew.
        int growth = 0;
        for (int b = 0; page && b < page->m_arrBlock.GetSize(); ++b) {
            CKVBlock* block = page->m_arrBlock.GetAt(b);
            if (!block)
                continue;
            block->m_rcBlock.OffsetRect(0, growth);
            const int before = block->m_rcBlock.bottom;
            block->StaffSpaceOrder(dots);
            growth += block->m_rcBlock.bottom - before;
        }
    }
}

void CKVDoc::UpdateBlockSpace(short distance)
{
    if (!m_pFileInfo)
        return;
    m_pFileInfo->m_nBlockDistance = distance;
    const int dots = distance * m_nStaffSpace;
    for (short p = 0; p < GetPageNum(); ++p) {
        CKVPage* page = GetPage(p);
        for (int b = 1; page && b < page->m_arrBlock.GetSize(); ++b) {
            CKVBlock* previous = page->m_arrBlock.GetAt(b - 1);
            CKVBlock* block = page->m_arrBlock.GetAt(b);
            if (!previous || !block)
                continue;
            const int top = previous->m_rcBlock.top + previous->LastStaffY() + dots;
            block->m_rcBlock.OffsetRect(0, top - block->m_rcBlock.top);
        }
    }
}

void CKVDoc::UpdateScoreSpace(short staffDistance, short blockDistance)
{
    UpdateStaffSpace(staffDistance);
    UpdateBlockSpace(blockDistance);
    m_bModified = 1;
}

void CKVDoc::UpdateIndent(short firstBlockOffset, short indent)
{
    if (!m_pFileInfo)
        return;
    m_pFileInfo->m_nFirstBlockY = firstBlockOffset;
    m_pFileInfo->m_nFirstBlockX = indent;
}

int CKVDoc::SetStaffPosByDelta(short staff, POINT point, CKVBlock* block, int flag)
{
    const std::vector<BlockPlace> places = BlocksFromCurrentPage(*this);
    const int dragged = FindDragged(*this, places, block);
    if (dragged < 0)
        return 1;
    const BlockPlace& at = places[dragged];
    const bool firstOfScore = at.page == 0 && at.index == 0;
    const bool firstOnPage = at.index == 0;

    CKVBlock* moved = BlockForChange(*this, at, flag);
    moved->SetStaffPos(staff, point.x, point.y, flag);
    moved = BlockAt(*this, at);
    const int refX = moved->m_rcBlock.left + FirstBoundary(*moved);
    const int refTop = moved->m_rcBlock.top + FirstStaffY(*moved);
    int gap = 0;
    if (staff == 0 && !firstOnPage) {
        CKVBlock* previous = BlockAt(*this, {at.page, at.index - 1});
        if (previous)
            gap = refTop - (previous->m_rcBlock.top + previous->LastStaffY()) - 4 * m_nStaffSpace;
    }

    for (size_t i = static_cast<size_t>(dragged) + 1; i < places.size(); ++i) {
        CKVBlock* later = BlockForChange(*this, places[i], flag);
        if (!later)
            continue;
        const int x = firstOfScore ? 0 : point.x + refX - (later->m_rcBlock.left + FirstBoundary(*later));
        if (staff != 0) {
            later->SetStaffPos(staff, x, point.y, flag);
            continue;
        }
        int y = point.y;
        if (places[i].index > 0) {
            CKVBlock* previous = BlockAt(*this, {places[i].page, places[i].index - 1});
            if (gap > 0 && previous)
                later->m_rcBlock.OffsetRect(0, previous->m_rcBlock.bottom + gap - later->m_rcBlock.top);
            y = 0;
        } else if (firstOnPage) {
            y = point.y + refTop - (later->m_rcBlock.top + FirstStaffY(*later));
        }
        later->SetStaffPos(0, x, y, flag);
    }
    return 1;
}

int CKVDoc::SetMeasPosByDelta(POINT point, CKVBlock* block, int flag)
{
    const std::vector<BlockPlace> places = BlocksFromCurrentPage(*this);
    const int dragged = FindDragged(*this, places, block);
    if (dragged < 0)
        return 1;
    CKVBlock* moved = BlockForChange(*this, places[dragged], flag);
    moved->SetMeasPos(moved->m_nMeasCount, point.x, 0, flag);
    moved = BlockAt(*this, places[dragged]);
    const int edge = moved->m_rcBlock.left + RightBoundary(*moved);
    for (size_t i = static_cast<size_t>(dragged) + 1; i < places.size(); ++i) {
        if (CKVBlock* later = BlockForChange(*this, places[i], flag))
            later->SetMeasPos(later->m_nMeasCount, edge - later->m_rcBlock.left, 0, flag);
    }
    return 1;
}
