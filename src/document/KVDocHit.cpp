// What a point on the page hits: the system, staff, measure and note under
// it, the control handles of symbols, staves, measures and endings, the
// cursor that follows the mouse, jumps to a page or measure, and keeping the
// cursor on what the score holds after a structure command.

#include "document/KVDoc.h"

#include "document/TreeObjects.h"
#include "model/KVCtrlPoint.h"
#include "model/DrumTable.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"

#include "model/KVBlock.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Vertical distance of a block from y, compared as 16-bit values.
short BlockDistance(const CKVBlock& block, int y)
{
    const short top = static_cast<short>(std::abs(block.m_rcBlock.top - y));
    const short bottom = static_cast<short>(std::abs(block.m_rcBlock.bottom - y));
    return std::min(top, bottom);
}

// The block whose nearer edge is closest to the point: ossia blocks win at
// equal distance; with spanOnly an ossia block must span x.
CKVBlock* NearestBlock(CKVPage& page, POINT pt, bool spanOnly, short* index)
{
    CKVBlock* ossia = nullptr;
    short ossiaIndex = -1;
    short ossiaDist = 0;
    for (short i = 0; i < page.m_arrOssiaBlock.GetSize(); ++i) {
        CKVBlock* block = page.m_arrOssiaBlock.GetAt(i);
        if (spanOnly && (pt.x < block->m_rcBlock.left || pt.x > block->m_rcBlock.right))
            continue;
        const short d = BlockDistance(*block, pt.y);
        if (!ossia || d < ossiaDist) {
            ossia = block;
            ossiaIndex = i;
            ossiaDist = d;
        }
    }
    CKVBlock* normal = nullptr;
    short normalIndex = -1;
    short normalDist = 0;
    for (short i = 0; i < page.GetBlockNum(); ++i) {
        CKVBlock* block = page.GetBlock(i);
        const short d = BlockDistance(*block, pt.y);
        if (!normal || d < normalDist) {
            normal = block;
            normalIndex = i;
            normalDist = d;
        }
    }
    if (ossia && (!normal || ossiaDist <= normalDist)) {
        *index = ossiaIndex;
        return ossia;
    }
    *index = normalIndex;
    return normal;
}

// Snaps y to a multiple of q: to the nearest for y >= 0, toward zero below.
int SnapY(int y, int q)
{
    if (q <= 0)
        return y;
    if (y >= 0)
        return (y + q / 2) / q * q;
    return y / q * q;
}

int StaffSizePercent(const CKVStaff* staff)
{
    return staff ? staff->m_wObjWord : 100;
}

// The number of beats of a measure: its numerator, or the sum of its
// additive numerator text; never below 1.
int BeatsOf(CKVMeas& meas)
{
    int beats = meas.m_nTimeNum;
    if (static_cast<WORD>(meas.m_nTimeNum) == 0xFFFF) {
        CString text(meas.m_szTimeNumText);
        beats = meas.GetStringValue(&text);
    }
    return std::max(beats, 1);
}

int BeatOf(int x, int beats)
{
    int width = 256 / beats;
    if (width == 0)
        width = 1;
    return std::clamp(x / width + 1, 1, beats);
}

} // namespace

CKVPage* CKVDoc::PageAtIndex()
{
    if (m_nCurPage < 0 || m_nCurPage >= GetPageNum())
        return nullptr;
    m_pCurPage = GetPage(m_nCurPage);
    return m_pCurPage;
}

void CKVDoc::MoveCursorTo(CKVBlock* block, short blockIndex, short staffIndex, short measIndex, CKVMeas* meas)
{
    m_pCurMeas = meas;
    m_pCurBlock = block;
    m_pCurStaff = static_cast<CKVStaff*>(meas->m_pParent);
    if (meas->m_pSystem)
        m_pCurSystem = meas->m_pSystem;
    m_nCurBlock = blockIndex;
    m_nCurStaff = staffIndex;
    m_nCurMeas = measIndex;
    m_nCaretMeasNum = static_cast<short>(block->m_nFirstMeas + measIndex + 1);
}

CKVMsg* CKVDoc::FindInPageMeasures(CKVPage& page, POINT point, bool moveCursor,
                                   const std::function<CKVMsg*(CKVMeas&, POINT)>& ask)
{
    const short normal = page.GetBlockNum();
    const short total = static_cast<short>(normal + page.m_arrOssiaBlock.GetSize());
    for (short i = 0; i < total; ++i) {
        CKVBlock* block = i < normal ? page.GetBlock(i) : page.m_arrOssiaBlock.GetAt(i - normal);
        const short blockIndex = i < normal ? i : static_cast<short>(i - normal);
        const short staves = block->GetStaffNum();
        for (short s = 0; s < staves && s < block->m_arrStaffY.GetSize(); ++s) {
            CKVStaff* staff = block->GetStaff(s);
            if (!staff)
                continue;
            for (short m = 0; m < block->m_nMeasCount && m < block->m_arrMeasX.GetSize(); ++m) {
                CKVMeas* meas = staff->GetMeas(block->m_nFirstMeas + m);
                if (!meas)
                    continue;
                POINT rel {point.x - (block->m_rcBlock.left + block->m_arrMeasX.GetAt(m)),
                           point.y - (block->m_rcBlock.top + static_cast<short>(block->m_arrStaffY.GetAt(s)))};
                CKVMsg* hit = ask(*meas, rel);
                if (!hit)
                    continue;
                if (moveCursor)
                    MoveCursorTo(block, blockIndex, s, m, meas);
                return hit;
            }
        }
    }
    return nullptr;
}

CKVSystem* CKVDoc::GetPointedSystem(POINT point)
{
    CKVPage* page = PageAtIndex();
    if (!page)
        return nullptr;
    m_pCurBlock = page->GetBlockFromPoint(point, nullptr);
    m_pCurSystem = m_pCurBlock ? m_pCurBlock->m_pSystem : nullptr;
    return m_pCurSystem;
}

CKVStaff* CKVDoc::GetPointedStaff(POINT point)
{
    GetPointedSystem(point);
    if (!m_pCurBlock || !PageAtIndex())
        return nullptr;
    CKVMeas* meas = m_pCurBlock->GetMeasFromPoint(point, nullptr, nullptr, nullptr);
    if (!meas)
        return nullptr;
    m_pCurMeas = meas;
    m_pCurStaff = static_cast<CKVStaff*>(meas->m_pParent);
    return m_pCurStaff;
}

CKVMeas* CKVDoc::GetPointedMeas(POINT point, POINT* out, int setCursor, CKVBlock** block)
{
    return GetPointedNearMeas(point, out, setCursor, block);
}

CKVMeas* CKVDoc::GetPointedNearMeas(POINT point, POINT* out, int setCursor, CKVBlock** blockOut)
{
    CKVPage* page = PageAtIndex();
    if (!page)
        return nullptr;
    short blockIndex = -1;
    CKVBlock* block = NearestBlock(*page, point, true, &blockIndex);
    if (!block)
        return nullptr;
    POINT rel {0, 0};
    int staffIndex = 0;
    int measIndex = 0;
    CKVMeas* meas = block->GetNearMeasFromPoint(point, &rel, &staffIndex, &measIndex);
    if (!meas)
        return nullptr;
    if (out)
        *out = rel;
    if (setCursor)
        MoveCursorTo(block, blockIndex, static_cast<short>(staffIndex), static_cast<short>(measIndex), meas);
    if (blockOut)
        *blockOut = block;
    return meas;
}

CKVMsg* CKVDoc::GetPointedNoteMsg(POINT point, unsigned char mode)
{
    // A hit on a member names its group and chord; a hit on anything else
    // must not leave an earlier member's holders named.
    m_pLastGroup = nullptr;
    m_pLastMember = nullptr;
    CKVPage* page = PageAtIndex();
    if (!page)
        return nullptr;
    return FindInPageMeasures(*page, point, true,
                              [mode](CKVMeas& meas, POINT rel) { return meas.GetPointedNoteMsg(rel, mode); });
}

CKVMeas* CKVDoc::GetPointMyMeas(POINT point, POINT* out)
{
    CKVPage* page = PageAtIndex();
    if (!page)
        return nullptr;
    for (short i = 0; i < page->GetBlockNum(); ++i) {
        CKVBlock* block = page->GetBlock(i);
        if (!::PtInRect(&block->m_rcBlock, point))
            continue;
        if (CKVMeas* meas = block->GetMeasFromPoint(point, out, nullptr, nullptr))
            return meas;
    }
    return nullptr;
}

unsigned char CKVDoc::GetMidiKey(POINT point)
{
    POINT out {0, 0};
    CKVMeas* meas = GetPointMyMeas(point, &out);
    if (!meas)
        return 0;
    const short x = meas->AbsXToMeasX(static_cast<short>(out.x));
    if (x < 0)
        return 0;
    CKVMsg probe(meas, POINT {x, out.y}, MSG_NOTE, 1, 3, 1, 0, 0, 0, 0, 0);
    probe.m_pParent = nullptr;
    probe.m_pSystem = meas->m_pSystem;
    probe.CalcPlayTime();
    probe.UpdatePos(0);
    auto* staff = static_cast<CKVStaff*>(meas->m_pParent);
    if (staff && (staff->m_byStaffKind == CKVStaff::KIND_DRUM || staff->m_byStaffKind == CKVStaff::KIND_DRUM_SECOND)) {
        if (DrumKitEntry* table = GetDrumTable(staff)) {
            // Without a staff space no row can be told.
            const int row = m_nStaffSpace > 0 ? out.y * 2 / m_nStaffSpace + 13 : -1;
            probe.m_wHeadType = row >= 0 && row < kDrumKitRows ? DrumKitDefaultHead(table, row) + 1 : 1;
        }
    }
    return static_cast<unsigned char>(probe.GetDoReMiFromPosY(meas->m_byInitClef, 0, 1));
}

int CKVDoc::MousePosQuotize(CKVDoc* doc, POINT point, POINT& out)
{
    if (!doc || !doc->m_pCurBlock)
        return 0;
    const int half = doc->m_nStaffSpace / 2;
    if (!doc->m_pCurBlock->GetNearMeasFromPoint(point, &out, nullptr, nullptr) || !doc->m_pCurMeas)
        return 0;
    out.y = SnapY(out.y, half);
    return 1;
}

void CKVDoc::SetCusorInfo(POINT point)
{
    m_pCusorBlock = nullptr;
    m_pCusorMeas = nullptr;
    m_pCusorStaff = nullptr;
    CKVPage* page = PageAtIndex();
    if (!page)
        return;
    short blockIndex = -1;
    CKVBlock* block = NearestBlock(*page, point, false, &blockIndex);
    if (!block)
        return;
    POINT rel {0, 0};
    int staffIndex = 0;
    int measIndex = 0;
    CKVMeas* meas = block->GetNearMeasFromPoint(point, &rel, &staffIndex, &measIndex);
    if (!meas)
        return;
    m_pCusorBlock = block;
    m_pCusorMeas = meas;
    m_pCusorStaff = static_cast<CKVStaff*>(meas->m_pParent);
    int snap = MulDiv(m_nStaffSpace, StaffSizePercent(m_pCusorStaff), 200);
    if (snap == 0)
        snap = 6;
    m_nCusorX = meas->AbsXToMeasX(static_cast<short>(rel.x));
    m_nCusorY = static_cast<short>(SnapY(rel.y, snap));
    m_nCusorStaff = static_cast<short>(staffIndex);
    m_nCusorMeas = static_cast<short>(measIndex);
}

short CKVDoc::GetCusorPak(int mouse)
{
    CKVMeas* meas = mouse ? m_pCusorMeas : m_pCurMeas;
    if (!meas || !PageAtIndex())
        return 0;
    const int x = mouse ? m_nCusorX : m_nCaretPos;
    return static_cast<short>(BeatOf(x, BeatsOf(*meas)));
}

short CKVDoc::GetCusorTicks(int mouse)
{
    CKVMeas* meas = mouse ? m_pCusorMeas : m_pCurMeas;
    if (!meas || !PageAtIndex())
        return 0;
    const int x = mouse ? m_nCusorX : m_nCaretPos;
    const int beats = BeatsOf(*meas);
    const int beat = BeatOf(x, beats);
    const int length = meas->m_nLength;
    const int ticks = MulDiv(length, x, 256) - MulDiv(length, beat - 1, beats);
    if (ticks < 1)
        return 0;
    return static_cast<short>(std::min(ticks, length / beats));
}

CKVMeas* CKVDoc::GetCusorMeas()
{
    return PageAtIndex() ? m_pCurMeas : nullptr;
}

CKVMsg* CKVDoc::GetCtrlPointedMsg(POINT point, unsigned char mode, int setCursor, POINT extra)
{
    m_pLastGroup = nullptr;
    m_pLastMember = nullptr;
    CKVPage* page = PageAtIndex();
    if (!page)
        return nullptr;
    ptLastPointed = POINT {point.x + page->m_rcPrint.left, point.y + page->m_rcPrint.top};
    CKVMsg* hit = FindInPageMeasures(*page, point, setCursor != 0, [mode, extra](CKVMeas& meas, POINT rel) {
        return meas.GetCtrlPointedMsg(rel, mode, 0, extra);
    });
    if (hit)
        return hit;
    return page->GetCtrlPointedMsg(point, mode, extra);
}

CKVBlock* CKVDoc::GetCtrlPointedStaff(POINT point, short* index, int setBlock)
{
    CKVPage* page = PageAtIndex();
    if (!page)
        return nullptr;
    short found = static_cast<short>(0xFFFF);
    CKVBlock* block = page->GetCtrlPointedStaff(point, &found);
    if (index)
        *index = found;
    if (setBlock && block)
        m_pCurBlock = block;
    return found != static_cast<short>(0xFFFF) ? block : nullptr;
}

CKVBlock* CKVDoc::GetCtrlPointedMeas(POINT point, short* index, int setBlock, unsigned char* out)
{
    CKVPage* page = PageAtIndex();
    if (!page)
        return nullptr;
    short found = static_cast<short>(0xFFFF);
    short staff = 0;
    CKVBlock* block = page->GetCtrlPointedMeas(point, &found, &staff);
    if (index)
        *index = found;
    if (out && block)
        *out = static_cast<unsigned char>(staff);
    if (setBlock && block)
        m_pCurBlock = block;
    return found != static_cast<short>(0xFFFF) ? block : nullptr;
}

CKVMeas* CKVDoc::GetCtrlPointedEnding(POINT point, short* index, int firstOnly)
{
    CKVPage* page = PageAtIndex();
    if (!page)
        return nullptr;
    for (short b = 0; b < page->GetBlockNum(); ++b) {
        CKVBlock* block = page->GetBlock(b);
        for (short s = 0; s < block->GetStaffNum() && s < block->m_arrStaffY.GetSize(); ++s) {
            CKVStaff* staff = block->GetStaff(s);
            if (!staff)
                continue;
            const int lift = MulDiv(4 * m_nStaffSpace, StaffSizePercent(staff), 100);
            for (short m = 0; m < block->m_nMeasCount && m < block->m_arrMeasX.GetSize(); ++m) {
                CKVMeas* meas = staff->GetMeas(block->m_nFirstMeas + m);
                if (!meas)
                    continue;
                const POINT rel {point.x - (block->m_rcBlock.left + block->m_arrMeasX.GetAt(m)),
                                 point.y - (block->m_rcBlock.top + static_cast<short>(block->m_arrStaffY.GetAt(s)))};
                const int handles = firstOnly ? std::min<int>(1, meas->m_arrCtrlPoint.GetSize())
                                              : static_cast<int>(meas->m_arrCtrlPoint.GetSize());
                for (int h = 0; h < handles; ++h) {
                    CKVCtrlPoint* handle = meas->m_arrCtrlPoint.GetAt(h);
                    if (!handle)
                        continue;
                    CRect rect = handle->m_rect;
                    rect.OffsetRect(0, -lift);
                    if (!::PtInRect(&rect, rel))
                        continue;
                    if (index)
                        *index = static_cast<short>(meas->m_byEndingPos == 2 ? 3 : h);
                    return meas;
                }
            }
        }
    }
    return nullptr;
}

void CKVDoc::JumpToPage(int index)
{
    const int pages = GetPageNum();
    // Without pages there is nothing to show, and on a page without blocks
    // no block, staff or measure to stand on: a cursor left on those of
    // another page (or of one that has gone) would name what is not shown.
    auto standOnNothing = [this] {
        m_pCurBlock = nullptr;
        m_pCurStaff = nullptr;
        m_pCurMeas = nullptr;
        m_nCurBlock = m_nCurStaff = m_nCurMeas = -1;
    };
    if (pages <= 0) {
        m_pCurPage = nullptr;
        standOnNothing();
        return;
    }
    if (index > pages - 1)
        index = pages - 1;
    if (index < 0)
        index = 0;
    m_nCurPage = static_cast<short>(index);
    m_pCurPage = GetPage(m_nCurPage);

    // A block that hiding emptied of staves has no place for the cursor.
    if (m_pCurPage->GetBlockNum() == 0 || m_pCurPage->GetBlock(0)->GetStaffNum() == 0)
        standOnNothing();
    else {
        CKVBlock* block = m_pCurPage->GetBlock(0);
        m_pCurBlock = block;
        m_nCurBlock = 0;
        m_nCurMeas = 0;
        m_nCaretMeasNum = static_cast<short>(block->m_nFirstMeas + 1);
        const short staves = block->GetStaffNum();
        if (m_nCurStaff < staves) {
            if (m_nCurStaff < 0) {
                m_pCurStaff = nullptr;
                m_pCurMeas = nullptr;
            } else {
                m_pCurStaff = block->GetStaff(m_nCurStaff);
                m_pCurMeas = m_pCurStaff ? m_pCurStaff->GetMeas(m_nCaretMeasNum - 1) : nullptr;
            }
        } else {
            m_nCurStaff = 0;
            m_pCurStaff = block->GetStaff(0);
            // The measure follows the staff: the one held before may have
            // left the score with the page it stood on.
            m_pCurMeas = m_pCurStaff ? m_pCurStaff->GetMeas(m_nCaretMeasNum - 1) : nullptr;
        }
        m_nCaretPos = 0;
        m_ptCaret = GetCaretXY();
    }
    RemoveAllSelRect(kKeepDrag, kKeepSelRects);
    m_bHostNotice = 1;
}

short CKVDoc::JumpToMeas(int number)
{
    CKVSystem* master = m_arrSystem.GetSize() > 0 ? m_arrSystem.GetAt(0) : nullptr;
    const int count = master ? master->GetMeasNum() : 0;
    // The caret stays, but the cursor indices are brought inside the
    // current page's lists and the cursor's objects taken from them again,
    // so that nothing reads past them or keeps a measure that moved.
    auto keepOnPage = [this] {
        const int page = GetCurrentPageNum();
        if (page >= 0) {
            m_pCurPage = GetPage(static_cast<short>(page));
            const short blocks = m_pCurPage->GetBlockNum();
            if (blocks > 0) {
                if (m_nCurBlock > blocks - 1 || m_nCurBlock < 0)
                    m_nCurBlock = static_cast<short>(blocks - 1);
                CKVBlock* block = m_pCurPage->GetBlock(m_nCurBlock);
                m_pCurBlock = block;
                if (m_nCurMeas > block->m_nMeasCount - 1)
                    m_nCurMeas = static_cast<short>(block->m_nMeasCount - 1);
                if (m_nCurMeas < 0)
                    m_nCurMeas = 0;
                const short staves = block->GetStaffNum();
                if (m_nCurStaff > staves - 1)
                    m_nCurStaff = static_cast<short>(staves - 1);
                if (m_nCurStaff < 0)
                    m_nCurStaff = 0;
                m_pCurStaff = block->GetStaff(m_nCurStaff);
                m_pCurMeas = m_pCurStaff ? m_pCurStaff->GetMeas(block->m_nFirstMeas + m_nCurMeas) : nullptr;
                // A block that hiding emptied of staves has no place for it.
                if (staves == 0)
                    DropStaleCursor();
            }
        }
    };
    if (number < 1 || number > count) {
        keepOnPage();
        return -1;
    }

    for (short p = 0; p < GetPageNum(); ++p) {
        CKVPage* page = GetPage(p);
        for (short b = 0; b < page->GetBlockNum(); ++b) {
            CKVBlock* block = page->GetBlock(b);
            if (!(block->m_nFirstMeas < number && number <= block->m_nFirstMeas + block->m_nMeasCount))
                continue;
            m_pCurBlock = block;
            m_nCurBlock = b;
            m_pCurPage = page;
            m_nCaretMeasNum = static_cast<short>(number);
            // A staff index left negative by a page jump counts as the
            // first staff.
            if (m_nCurStaff >= block->GetStaffNum() || m_nCurStaff < 0)
                m_nCurStaff = 0;
            m_pCurStaff = block->GetStaff(m_nCurStaff);
            m_pCurMeas = m_pCurStaff ? m_pCurStaff->GetMeas(number - 1) : nullptr;
            m_nCurMeas = static_cast<short>(number - (block->m_nFirstMeas + 1));
            // A block that hiding emptied of staves has no place for it.
            if (block->GetStaffNum() == 0)
                DropStaleCursor();
            m_nCaretPos = 0;
            m_ptCaret = GetCaretXY();
            if (m_nCurPage == p)
                return 1;
            m_nCurPage = p;
            RemoveAllSelRect(kResetDrag, kClearSelRects);
            return 2;
        }
    }
    // No block shows the measure.
    keepOnPage();
    return -1;
}

namespace {

using BlockList = CTypedPtrArray<CPtrArray, CKVBlock*>;

int IndexIn(const BlockList& list, const CKVBlock* block)
{
    for (int i = 0; i < list.GetSize(); ++i) {
        if (list.GetAt(i) == block)
            return i;
    }
    return -1;
}

bool IsOssia(const CKVBlock& block)
{
    return block.m_byKind == CKVBlock::KIND_OSSIA;
}

// The staff's measure at the block's measure index: an ossia staff holds
// only the measures of its block, a staff of the system all of them.
CKVMeas* MeasAtIndex(const CKVBlock& block, CKVStaff& staff, int index)
{
    return staff.GetMeas(IsOssia(block) ? index : block.m_nFirstMeas + index);
}

// The index in the block's run of the measure, -1 when the staff does not
// hold it there.
int RunIndexOf(const CKVBlock& block, CKVStaff& staff, const CKVMeas* meas)
{
    for (int k = 0; meas && k < block.m_nMeasCount; ++k) {
        if (MeasAtIndex(block, staff, k) == meas)
            return k;
    }
    return -1;
}

} // namespace

void CKVDoc::DropStaleCursor()
{
    const TreeObjects tree(*this);
    // The mouse cursor pack is taken again at the next point; it only must
    // not name what is gone.
    if (tree.Gone(m_pCusorBlock))
        m_pCusorBlock = nullptr;
    if (tree.Gone(m_pCusorStaff))
        m_pCusorStaff = nullptr;
    if (tree.Gone(m_pCusorMeas))
        m_pCusorMeas = nullptr;

    const short pages = GetPageNum();
    if (tree.Gone(m_pCurPage)) {
        if (pages > 0)
            m_nCurPage = static_cast<short>(std::clamp<int>(m_nCurPage, 0, pages - 1));
        m_pCurPage = pages > 0 ? GetPage(m_nCurPage) : nullptr;
    }

    CKVBlock* block = m_pCurBlock;
    const bool blockGone = tree.Gone(block);
    bool stale = blockGone || tree.Gone(m_pCurStaff) || tree.Gone(m_pCurMeas);
    if (!stale && block && m_pCurStaff) {
        // A staff the block no longer shows, or a measure outside its run,
        // counts as gone for the cursor.
        stale = block->GetStaffIndex(m_pCurStaff) < 0 ||
                (m_pCurMeas && RunIndexOf(*block, *m_pCurStaff, m_pCurMeas) < 0);
    }
    if (!stale && !block) {
        // No block to stand on: nor staff nor measure, and the indexes say so.
        m_pCurStaff = nullptr;
        m_pCurMeas = nullptr;
        m_nCurBlock = m_nCurStaff = m_nCurMeas = -1;
        return;
    }

    if (blockGone) {
        block = nullptr;
        if (m_pCurPage && m_pCurPage->GetBlockNum() > 0) {
            m_nCurBlock = static_cast<short>(std::clamp<int>(m_nCurBlock, 0, m_pCurPage->GetBlockNum() - 1));
            block = m_pCurPage->GetBlock(m_nCurBlock);
        }
    }
    if (!block || block->GetStaffNum() == 0) {
        m_pCurBlock = nullptr;
        m_pCurStaff = nullptr;
        m_pCurMeas = nullptr;
        m_nCurBlock = m_nCurStaff = m_nCurMeas = -1;
        return;
    }
    m_pCurBlock = block;
    // The block may have been dealt to another page: the page follows it.
    for (short p = 0; p < pages; ++p) {
        CKVPage* page = GetPage(p);
        const int at = page ? IndexIn(IsOssia(*block) ? page->m_arrOssiaBlock : page->m_arrBlock, block) : -1;
        if (at < 0)
            continue;
        m_pCurPage = page;
        m_nCurPage = p;
        m_nCurBlock = static_cast<short>(at);
        break;
    }
    if (!stale) {
        // Everything stands; the indexes follow the objects.
        if (m_pCurStaff) {
            m_nCurStaff = block->GetStaffIndex(m_pCurStaff);
            if (m_pCurMeas)
                m_nCurMeas = static_cast<short>(RunIndexOf(*block, *m_pCurStaff, m_pCurMeas));
        }
        return;
    }

    const short shown = m_pCurStaff && !tree.Gone(m_pCurStaff) ? block->GetStaffIndex(m_pCurStaff) : -1;
    m_nCurStaff =
        shown >= 0 ? shown : static_cast<short>(std::clamp<int>(m_nCurStaff, 0, block->GetStaffNum() - 1));
    m_pCurStaff = block->GetStaff(m_nCurStaff);
    m_nCurMeas = static_cast<short>(std::clamp<int>(m_nCurMeas, 0, std::max(0, block->m_nMeasCount - 1)));
    m_pCurMeas = m_pCurStaff ? MeasAtIndex(*block, *m_pCurStaff, m_nCurMeas) : nullptr;
    if (!IsOssia(*block))
        m_nCaretMeasNum = static_cast<short>(block->m_nFirstMeas + m_nCurMeas + 1);
}
