// A block's staves, measure boundaries, layout, drags, hit-tests and its
// older stream form.

#include "model/KVBlock.h"

#include "MemoryGuard.h"
#include "document/KVDoc.h"
#include "document/KVFileInfo.h"
#include "model/ImportState.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMeas.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/NewObject.h"
#include "model/NodeDoc.h"

#include <climits>
#include <new>
#include <vector>

namespace {

// Bytes the block itself counts for, before its lists.
constexpr DWORD kBlockBytes = 232;
constexpr DWORD kStaffEntryBytes = 12;
constexpr DWORD kWordEntryBytes = 6;
constexpr DWORD kHandleBytes = 28;
constexpr DWORD kStaffPointerBytes = 4;
constexpr DWORD kNamePointBytes = 12;

constexpr UINT kStreamHeadSize = 28;
constexpr UINT kStreamStaffSize = 3;

// Room left between a repeat-ending bracket and the measure's right edge.
constexpr int kEndingCut = 10;
// Half the side of a boundary handle, half the width of a staff handle.
constexpr int kBoundaryHandle = 3;
constexpr int kStaffHandle = 2;
// An ossia block reaches this many staff spaces below its last line.
constexpr int kOssiaExtraSpaces = 4;
// Lines above the bottom line of a five-line staff: a staff drag gives the
// new top line.
constexpr int kFiveLineHeightSpaces = 4;

void PutLong(unsigned char* p, LONG value)
{
    const DWORD v = static_cast<DWORD>(value);
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>((v >> (8 * i)) & 0xFF);
}



int CountNonNull(const CPtrArray& list)
{
    int n = 0;
    for (int i = 0; i < list.GetSize(); ++i) {
        if (list.GetAt(i))
            ++n;
    }
    return n;
}

int StaffSpace(const CKVBlock& block)
{
    CKVDoc* doc = DocOf(block);
    return doc ? doc->m_nStaffSpace : 0;
}

// The file info's staff distance, a count of staff spaces.
int StaffDistanceValue(const CKVBlock& block)
{
    CKVDoc* doc = DocOf(block);
    return doc && doc->m_pFileInfo ? doc->m_pFileInfo->m_nStaffDistance : 0;
}

void SetModified(const CKVBlock& block)
{
    if (CKVDoc* doc = DocOf(block))
        doc->m_bModified = 1;
}

// Height of a staff from its bottom to its top line.
int StaffHeight(const CKVStaff* staff, int space)
{
    return staff ? (staff->m_byLineCount - 1) * space : 0;
}

int Y(const CKVBlock& block, int k)
{
    return static_cast<short>(block.m_arrStaffY.GetAt(k));
}

int X(const CKVBlock& block, int i)
{
    return static_cast<short>(block.m_arrMeasX.GetAt(i));
}

void SetY(CKVBlock& block, int k, int y)
{
    block.m_arrStaffY.SetAt(k, static_cast<WORD>(y));
}

void SetX(CKVBlock& block, int i, int x)
{
    block.m_arrMeasX.SetAt(i, static_cast<WORD>(x));
}

// Header width of the first staff's first shown measure; 0 when it has none.
int FirstHeader(CKVBlock& block)
{
    CKVStaff* staff = block.GetStaff(0);
    CKVMeas* meas = staff ? staff->GetMeas(block.m_nFirstMeas) : nullptr;
    if (!meas || meas->m_nHeaderWidth <= 0)
        return 0;
    return meas->m_nHeaderWidth;
}

// Evenly spread boundaries from x0: the first measure also carries the header,
// the last boundary is the block width. Without measures only x0 stays.
void SpreadBoundaries(CKVBlock& block, int x0, int header, int width)
{
    const int count = block.m_nMeasCount;
    block.m_arrMeasX.RemoveAll();
    block.m_arrMeasX.Add(static_cast<WORD>(x0));
    if (count <= 0)
        return;
    const int w = (width - header - x0) / count;
    int x = x0 + w + header;
    for (int i = 1; i < count; ++i) {
        block.m_arrMeasX.Add(static_cast<WORD>(x));
        x += w;
    }
    block.m_arrMeasX.Add(static_cast<WORD>(width));
}

// A boundary list that can be laid out: count + 1 entries.
bool HasAllBoundaries(const CKVBlock& block)
{
    return block.m_nMeasCount >= 0 && block.m_arrMeasX.GetSize() >= block.m_nMeasCount + 1;
}

void DeleteHandles(CTypedPtrArray<CPtrArray, CKVCtrlPoint*>& list)
{
    for (int i = 0; i < list.GetSize(); ++i)
        delete list.GetAt(i);
    list.RemoveAll();
}

// A new handle; null after the out-of-memory report.
CKVCtrlPoint* NewHandle(const CRect& rect, WORD kind)
{
    CKVCtrlPoint* handle = KvNewReported<CKVCtrlPoint>(rect);
    if (handle)
        handle->m_wKind = kind;
    return handle;
}

// The live member of a block that a drag moves along: after a backup the
// clone, and the block itself when no clone was linked (recording off,
// refused or not done).
CKVBlock* MovedBlock(CKVBlock* block, int backup)
{
    if (!backup)
        return block;
    block->ObjectBackup(kBackupRecorded);
    CKVMultiBackup* live = block->GetCurBackupObj();
    return live ? static_cast<CKVBlock*>(live) : block;
}

// Moves every normal block after this one on its page down by dy.
void MoveLaterBlocks(CKVBlock& block, int dy, int backup)
{
    CKVPage* page = block.m_pPage;
    if (!page)
        return;
    int found = -1;
    for (int i = 0; i < page->m_arrBlock.GetSize(); ++i) {
        if (page->m_arrBlock.GetAt(i) == &block) {
            found = i;
            break;
        }
    }
    if (found < 0)
        return;
    for (int i = found + 1; i < page->m_arrBlock.GetSize(); ++i) {
        CKVBlock* later = page->m_arrBlock.GetAt(i);
        if (later)
            MovedBlock(later, backup)->m_rcBlock.OffsetRect(0, dy);
    }
}

int IndexOf(const CTypedPtrArray<CPtrArray, CKVBlock*>& list, const CKVBlock* block)
{
    for (int i = 0; i < list.GetSize(); ++i) {
        if (list.GetAt(i) == block)
            return i;
    }
    return -1;
}

} // namespace

// --- Construction -------------------------------------------------------------

CKVBlock::CKVBlock()
{
    m_pStaffArray = new CKVStaffPtrArray;
}

CKVBlock::~CKVBlock()
{
    DeleteHandles(m_arrStaffCtrl);
    DeleteHandles(m_arrMeasCtrl);
    for (int i = 0; i < m_arrStaffEntry.GetSize(); ++i)
        delete m_arrStaffEntry.GetAt(i);
    m_arrStaffEntry.RemoveAll();
    RemoveStaffNamePoint();
    // The staves belong to the system.
    delete m_pStaffArray;
    m_pStaffArray = nullptr;
}

void CKVBlock::DeleteBackupData()
{
    CKVMultiBackup* partner = GetCurBackupObj();
    if (!partner || partner == this)
        return;
    m_pBackupLink = nullptr;
    delete static_cast<CKVBlock*>(partner);
}

int CKVBlock::Create(CKVPage* page, POINT topLeft, CKVSystem* system, LONG first, short count)
{
    m_pPage = page;
    m_pSystem = system;
    m_nFirstMeas = static_cast<short>(first);
    const int right = page ? page->m_rcPrint.Width() : topLeft.x;
    m_rcBlock.SetRect(topLeft.x, topLeft.y, right, topLeft.y);
    if (system && system->m_pStaffArray) {
        for (int i = 0; i < system->m_pStaffArray->GetSize(); ++i) {
            if (AddStaff(system->m_pStaffArray->GetAt(i)) < 0)
                return 0;
        }
    }
    m_nMeasCount = 0;
    AddMeas(count);
    m_nNominalMeasCount = count;
    return 1;
}

// --- Staves -------------------------------------------------------------------

short CKVBlock::AddStaff(CKVStaff* staff)
{
    const int s = StaffSpace(*this);
    BlockStaffEntry* entry = KvNewReported<BlockStaffEntry>();
    if (!entry)
        return -1;
    entry->wValue = static_cast<WORD>(s);
    entry->pStaff = staff;

    const int n = m_arrStaffY.GetSize();
    const int height = StaffHeight(staff, s);
    const int y = n == 0 ? height : Y(*this, n - 1) + StaffDistanceValue(*this) * s + height;
    m_arrStaffY.Add(static_cast<WORD>(y));
    m_arrStaffEntry.Add(entry);
    m_pStaffArray->Add(staff);
    if (m_arrStaffNamePoint.GetSize() > 0)
        SetStaffNamePoint();
    return GetStaffNum();
}

short CKVBlock::InsertStaff(short index, CKVStaff* staff)
{
    BlockStaffEntry* entry = KvNewReported<BlockStaffEntry>();
    if (!entry)
        return -1;
    entry->wValue = INSERTED_STAFF_VALUE;
    entry->pStaff = staff;

    // An index past either list appends; a negative one inserts at the top.
    int at = index < 0 ? 0 : index;
    if (at > m_pStaffArray->GetSize())
        at = m_pStaffArray->GetSize();
    if (at > m_arrStaffY.GetSize())
        at = m_arrStaffY.GetSize();

    const int s = StaffSpace(*this);
    const int height = StaffHeight(staff, s);
    const int distance = StaffDistanceValue(*this) * s;
    m_pStaffArray->InsertAt(at, staff);
    const int y = at < 1 ? height : Y(*this, at - 1) + height + distance;
    for (int k = at; k < m_arrStaffY.GetSize(); ++k)
        SetY(*this, k, Y(*this, k) + height + distance);
    m_arrStaffY.InsertAt(at, static_cast<WORD>(y));
    m_arrStaffEntry.Add(entry);
    if (m_arrStaffNamePoint.GetSize() > 0)
        SetStaffNamePoint();
    return static_cast<short>(at);
}

short CKVBlock::DeleteStaff(short index, short count)
{
    short removed = 0;
    if (index < 0)
        return 0;
    while (removed < count && index < m_pStaffArray->GetSize()) {
        CKVStaff* staff = m_pStaffArray->GetAt(index);
        m_pStaffArray->RemoveAt(index);
        ++removed;

        // The staves below close up by the removed staff's distance to its
        // neighbour above (below, for the top staff).
        if (index < m_arrStaffY.GetSize()) {
            int gap = 0;
            if (index > 0)
                gap = Y(*this, index) - Y(*this, index - 1);
            else if (m_arrStaffY.GetSize() >= 2)
                gap = Y(*this, 1) - Y(*this, 0);
            gap = gap < 0 ? -gap : gap;
            m_arrStaffY.RemoveAt(index);
            const int q = GetQuantStaffPos(gap);
            for (int k = index; k < m_arrStaffY.GetSize(); ++k)
                SetY(*this, k, Y(*this, k) - q);
        }

        for (int e = 0; e < m_arrStaffEntry.GetSize(); ++e) {
            BlockStaffEntry* entry = m_arrStaffEntry.GetAt(e);
            if (entry && entry->pStaff == staff) {
                delete entry;
                m_arrStaffEntry.RemoveAt(e);
                break;
            }
        }
    }
    return removed;
}

short CKVBlock::GetStaffNum()
{
    return static_cast<short>(m_pStaffArray ? m_pStaffArray->GetSize() : 0);
}

CKVStaff* CKVBlock::GetStaff(short index)
{
    if (!m_pStaffArray || index < 0 || index >= m_pStaffArray->GetSize())
        return nullptr;
    return m_pStaffArray->GetAt(index);
}

int CKVBlock::LastStaffY() const
{
    const int n = m_arrStaffY.GetSize();
    return n > 0 ? Y(*this, n - 1) : 0;
}

// --- Measure boundaries ---------------------------------------------------------

short CKVBlock::AddMeas(short count)
{
    int total = m_nMeasCount + count;
    if (total < 0)
        total = 0;
    m_nMeasCount = static_cast<short>(total);
    const int header = FirstHeader(*this);
    const int x0 = m_arrMeasX.GetSize() == 0 ? m_nLeftIndent : X(*this, 0);
    // The even spread divides from the indent, whatever the first boundary.
    const int width = m_rcBlock.Width();
    const int w = total > 0 ? (width - header - m_nLeftIndent) / total : 0;
    m_arrMeasX.RemoveAll();
    m_arrMeasX.Add(static_cast<WORD>(x0));
    if (total > 0) {
        int x = x0 + w + header;
        for (int i = 1; i < total; ++i) {
            m_arrMeasX.Add(static_cast<WORD>(x));
            x += w;
        }
        m_arrMeasX.Add(static_cast<WORD>(width));
    }
    UpdateMeasXY(1, kSkipCrossStaff, kWithBackup);
    return m_nMeasCount;
}

short CKVBlock::DeleteMeas(short count)
{
    const int header = FirstHeader(*this);
    const int x0 = m_arrMeasX.GetSize() == 0 ? m_nLeftIndent : X(*this, 0);
    int n = count < 0 ? 0 : count;
    if (n > m_nMeasCount)
        n = m_nMeasCount;
    m_nMeasCount = static_cast<short>(m_nMeasCount - n);
    SpreadBoundaries(*this, x0, header, m_rcBlock.Width());
    UpdateMeasXY(1, kSkipCrossStaff, kWithBackup);
    return m_nMeasCount;
}

int CKVBlock::AdjustMeasWidth()
{
    const int x0 = m_arrMeasX.GetSize() == 0 ? m_nLeftIndent : X(*this, 0);
    SpreadBoundaries(*this, x0, FIXED_HEADER_WIDTH, m_rcBlock.Width());
    UpdateMeasXY(1, kSkipCrossStaff, kWithBackup);
    return 1;
}

void CKVBlock::InitMeasPos()
{
    if (m_nMeasCount <= 0)
        return;
    const short count = m_nMeasCount;
    m_nMeasCount = 0;
    AddMeas(count);
}

void CKVBlock::SetRect()
{
}

// --- Layout -------------------------------------------------------------------

void CKVBlock::UpdateMeasXY(int, int crossStaff, int backup)
{
    const int staffCount = GetStaffNum();
    DeleteHandles(m_arrStaffCtrl);
    DeleteHandles(m_arrMeasCtrl);
    if (staffCount == 0) {
        // A block whose staves were all hidden keeps its place with no height.
        m_rcBlock.bottom = m_rcBlock.top;
        return;
    }

    const int s = StaffSpace(*this);
    const int halfDistance = StaffDistanceValue(*this) / 2;
    // Staves beyond the y list (a list out of step) are not laid out.
    const int laidStaves = staffCount < m_arrStaffY.GetSize() ? staffCount : m_arrStaffY.GetSize();
    if (laidStaves == 0)
        return;

    m_rcBlock.bottom = m_rcBlock.top + Y(*this, laidStaves - 1);
    if (m_byKind == KIND_OSSIA)
        m_rcBlock.bottom += kOssiaExtraSpaces * s;

    // Only columns with both boundaries are laid out.
    int columns = m_arrMeasX.GetSize() - 1;
    if (columns > m_nMeasCount)
        columns = m_nMeasCount;
    if (columns < 0)
        columns = 0;
    const int top0 = Y(*this, 0) - StaffHeight(GetStaff(0), s);
    CRect united;
    bool anyMeasure = false;

    for (int k = 0; k < laidStaves; ++k) {
        CKVStaff* staff = GetStaff(static_cast<short>(k));
        const int yk = Y(*this, k);
        const int height = StaffHeight(staff, s);
        for (int i = 0; i < columns; ++i) {
            CKVMeas* meas = staff ? staff->GetMeas(m_nFirstMeas + i) : nullptr;
            if (!meas)
                continue;
            meas->m_nLeftX = static_cast<short>(X(*this, i));
            meas->m_nStaffY = static_cast<short>(yk);
            meas->m_rcMeas.left = X(*this, i);
            meas->m_rcMeas.right = X(*this, i + 1);
            const int width = meas->m_rcMeas.Width();

            if (meas->m_byEndingPos == CKVMeas::ENDING_ENDS || meas->m_byEndingPos == CKVMeas::ENDING_BEGINS_AND_ENDS) {
                const LONG limit = width - kEndingCut > 0 ? width - kEndingCut : 0;
                if (static_cast<LONG>(meas->m_dwMsgId) > limit)
                    meas->m_dwMsgId = static_cast<DWORD>(limit);
            }

            meas->m_rcMeas.top = k == 0 ? 0 : yk - halfDistance - MulDiv(height, staff->m_wObjWord, 100);
            meas->m_rcMeas.bottom = yk + halfDistance;

            if (width > meas->m_nHeaderWidth) {
                if (bImportConverting) {
                    const short real = static_cast<short>(width - meas->m_nHeaderWidth);
                    meas->MsgPosCorrect(meas->m_nHeaderWidth, real);
                    meas->m_nRealWidth = real;
                }
            } else {
                meas->m_nRealWidth = 0;
            }

            if (k == 0 && i > 0) {
                const int x = X(*this, i);
                CKVCtrlPoint* handle = NewHandle(CRect(x - kBoundaryHandle, top0 - kBoundaryHandle,
                                                       x + kBoundaryHandle, top0 + kBoundaryHandle),
                                                 HANDLE_BOUNDARY);
                if (!handle)
                    return;
                m_arrMeasCtrl.Add(handle);
            }
            united |= meas->m_rcMeas;
            anyMeasure = true;
        }

        const int x0 = m_arrMeasX.GetSize() > 0 ? X(*this, 0) : 0;
        CRect rect(x0 - kStaffHandle, yk - height, x0 + kStaffHandle, yk);
        if (staff && (staff->m_byStaffKind == CKVStaff::KIND_DRUM_SECOND || staff->m_byStaffKind == CKVStaff::KIND_ONE_LINE))
            rect.InflateRect(0, 2 * s);
        CKVCtrlPoint* handle = NewHandle(rect, HANDLE_STAFF);
        if (!handle)
            return;
        m_arrStaffCtrl.Add(handle);
    }

    if (m_nMeasCount > 0 && HasAllBoundaries(*this)) {
        // The edge handle stands at the top line of the score's first staff.
        CKVStaff* first = m_pSystem ? m_pSystem->GetStaff(0) : nullptr;
        const int top = Y(*this, 0) - StaffHeight(first ? first : GetStaff(0), s);
        const int x = X(*this, m_nMeasCount);
        const WORD kind = m_arrMeasCtrl.GetSize() == m_nMeasCount - 1 ? HANDLE_RIGHT_EDGE : HANDLE_BOUNDARY;
        CKVCtrlPoint* handle =
            NewHandle(CRect(x - kBoundaryHandle, top - kBoundaryHandle, x + kBoundaryHandle, top + kBoundaryHandle), kind);
        if (!handle)
            return;
        m_arrMeasCtrl.Add(handle);
    }

    // Without a laid-out measure the block keeps its width, so that measures
    // added later spread over it again.
    if (anyMeasure)
        m_rcBlock.right = m_rcBlock.left + united.right;

    if (m_byKind != KIND_NORMAL || !crossStaff)
        return;
    for (int i = 0; i < columns; ++i) {
        if (backup) {
            for (int k = 0; k < staffCount; ++k) {
                CKVStaff* staff = GetStaff(static_cast<short>(k));
                CKVMeas* meas = staff ? staff->GetMeas(m_nFirstMeas + i) : nullptr;
                if (meas && (meas->m_arrUpMsg.GetSize() > 0 || meas->m_arrDownMsg.GetSize() > 0)) {
                    meas->ObjectBackup(kBackupRecorded, kBackupCrossStaff);
                    break;
                }
            }
        }
        for (int k = 0; k < staffCount; ++k) {
            CKVStaff* staff = GetStaff(static_cast<short>(k));
            CKVMeas* meas = staff ? staff->GetMeas(m_nFirstMeas + i) : nullptr;
            if (meas)
                meas->SetPosByUpDownStaff(kWithUpList, kWithDownList, 0);
        }
    }
}

// --- Drags --------------------------------------------------------------------

int CKVBlock::SetStaffPos(short staff, POINT pt, int backup)
{
    if (staff < 0 || staff >= GetStaffNum() || staff >= m_arrStaffY.GetSize())
        return 0;
    const int s = StaffSpace(*this);
    int y = pt.y;
    // A staff is not dragged above the bottom line of the staff before it.
    if (staff > 0 && Y(*this, staff - 1) >= pt.y)
        y = Y(*this, staff - 1);

    int delta = y;
    if (staff != 0) {
        delta = y - (Y(*this, staff) - kFiveLineHeightSpaces * s);
        for (int k = staff; k < m_arrStaffY.GetSize(); ++k)
            SetY(*this, k, Y(*this, k) + delta);
        m_rcBlock.bottom += delta;
    }

    const bool found = m_pPage && (m_byKind == KIND_OSSIA ? IndexOf(m_pPage->m_arrOssiaBlock, this)
                                                          : IndexOf(m_pPage->m_arrBlock, this)) >= 0;
    if (found) {
        if (staff == 0)
            m_rcBlock.OffsetRect(0, delta);
        SetMeasPos(0, CPoint(pt.x, y), 0);
        if (m_byKind == KIND_NORMAL)
            MoveLaterBlocks(*this, delta, backup);
    }
    UpdateMeasXY(1, kReplaceCrossStaff, backup);
    SetModified(*this);
    return 1;
}

int CKVBlock::SetStaffPosByDelta(short staff, int delta, int backup)
{
    if (m_arrStaffCtrl.GetSize() == 0 || staff >= m_arrStaffCtrl.GetSize())
        return 0;
    if (staff <= 0 || staff >= GetStaffNum() || staff >= m_arrStaffY.GetSize())
        return 0;
    if (Y(*this, staff - 1) >= Y(*this, staff) + delta)
        return 0;
    const int q = GetQuantStaffPos(delta);
    for (int k = staff; k < m_arrStaffY.GetSize(); ++k)
        SetY(*this, k, Y(*this, k) + q);
    m_rcBlock.bottom += q;
    if (m_byKind == KIND_NORMAL)
        MoveLaterBlocks(*this, q, backup);
    UpdateMeasXY(1, kReplaceCrossStaff, backup);
    SetModified(*this);
    return 1;
}

int CKVBlock::SetMeasPos(short boundary, POINT pt, int)
{
    const int count = m_nMeasCount;
    if (boundary < -1 || boundary > count || !HasAllBoundaries(*this))
        return 0;
    // A block without measures has no right edge to drag.
    if (boundary == -1 && count == 0)
        return 0;
    const int b = boundary == -1 ? count : boundary;
    // Without a page nothing limits the block.
    const CRect print = m_pPage ? CRect(m_pPage->m_rcPrint) : CRect(INT_MIN / 4, INT_MIN / 4, INT_MAX / 4, INT_MAX / 4);
    const int oldWidth = m_rcBlock.Width();
    const int first = X(*this, 0);

    if (b == 0) {
        int move = pt.x;
        if (print.left + m_rcBlock.left + move < print.left)
            move = -m_rcBlock.left;
        else if (print.left + m_rcBlock.left + move > print.right)
            return 0;
        if (m_rcBlock.left + move > m_rcBlock.right)
            return 0;
        m_rcBlock.left += move;
        const int newWidth = m_rcBlock.Width();
        for (int i = 1; i < count; ++i)
            SetX(*this, i, oldWidth > 0 ? MulDiv(newWidth, X(*this, i) - first, oldWidth) : 0);
        if (count > 0)
            SetX(*this, count, newWidth);
        SetX(*this, 0, 0);
    } else if (b == count) {
        int x = pt.x;
        const int excess = print.left + m_rcBlock.left + x - print.right;
        if (excess > 0)
            x -= excess;
        else if (x < 0)
            return 1;
        const int delta = x - X(*this, count);
        SetX(*this, count, x);
        if (!bImportConverting && oldWidth != first) {
            for (int i = 1; i < count; ++i)
                SetX(*this, i, first + MulDiv(oldWidth + delta - first, X(*this, i) - first, oldWidth - first));
        }
        m_rcBlock.right += delta;
    } else {
        CKVStaff* staff = GetStaff(0);
        CKVMeas* meas = staff ? staff->GetMeas(m_nFirstMeas + b) : nullptr;
        const int header = meas ? meas->m_nHeaderWidth : 0;
        if (pt.x <= X(*this, b - 1) + header || pt.x >= X(*this, b + 1))
            return 0;
        SetX(*this, b, pt.x);
    }

    UpdateMeasXY(1, kSkipCrossStaff, kWithBackup);
    SetModified(*this);
    return 1;
}

int CKVBlock::GetQuantStaffPos(int d)
{
    const int s = StaffSpace(*this);
    if (s <= 0)
        return d;
    return ((s / 2 + d) / s) * s;
}

// --- Hit-tests ------------------------------------------------------------------

CKVMeas* CKVBlock::GetMeasFromPoint(POINT pt, POINT* rel, int* staff, int* meas)
{
    if (!HasAllBoundaries(*this))
        return nullptr;
    const CPoint origin = m_rcBlock.TopLeft();
    const CPoint p = CPoint(pt) - CSize(origin.x, origin.y);
    const int laidStaves = GetStaffNum() < m_arrStaffY.GetSize() ? GetStaffNum() : m_arrStaffY.GetSize();
    for (int k = 0; k < laidStaves; ++k) {
        CKVStaff* st = GetStaff(static_cast<short>(k));
        CKVMeas* firstMeas = st ? st->GetMeas(m_nFirstMeas) : nullptr;
        if (!firstMeas)
            continue;
        CRect band(firstMeas->m_rcMeas.left, firstMeas->m_rcMeas.top, X(*this, m_nMeasCount), firstMeas->m_rcMeas.bottom);
        band.OffsetRect(origin);
        if (!::PtInRect(&band, pt))
            continue;
        for (int i = 0; i < m_nMeasCount; ++i) {
            CKVMeas* m = st->GetMeas(m_nFirstMeas + i);
            if (!m || !::PtInRect(&m->m_rcMeas, p))
                continue;
            if (staff)
                *staff = k;
            if (meas)
                *meas = i;
            if (rel) {
                rel->x = p.x - X(*this, i);
                rel->y = p.y - Y(*this, k);
            }
            return m;
        }
    }
    return nullptr;
}

CKVMeas* CKVBlock::GetNearMeasFromPoint(POINT pt, POINT* rel, int* staff, int* meas)
{
    const int staffCount = GetStaffNum() < m_arrStaffY.GetSize() ? GetStaffNum() : m_arrStaffY.GetSize();
    if (staffCount == 0 || m_arrMeasX.GetSize() == 0)
        return nullptr;
    const int s = StaffSpace(*this);
    const CPoint p(pt.x - m_rcBlock.left, pt.y - m_rcBlock.top);

    // The border between two staves lies halfway from the upper staff's
    // bottom line to the lower staff's top line.
    int k = staffCount - 1;
    for (int i = 1; i < staffCount; ++i) {
        CKVStaff* st = GetStaff(static_cast<short>(i));
        const int lines = st ? st->m_byLineCount - 1 : 0;
        const int percent = st ? st->m_wObjWord : 100;
        const int topLine = Y(*this, i) - lines * MulDiv(s, percent, 100);
        const int border = Y(*this, i - 1) + ((topLine - Y(*this, i - 1)) >> 1);
        if (border >= p.y) {
            k = i - 1;
            break;
        }
    }

    const int last = m_arrMeasX.GetSize() - 1;
    const int x0 = X(*this, 0);
    int m = -1;
    for (int i = 1; i <= last; ++i) {
        if (p.x > x0 && p.x <= X(*this, i)) {
            m = i - 1;
            break;
        }
    }
    if (m < 0)
        m = p.x > x0 && m_nMeasCount > 0 ? m_nMeasCount - 1 : 0;

    if (staff)
        *staff = k;
    if (meas)
        *meas = m;
    if (rel) {
        rel->x = p.x - X(*this, m <= last ? m : last);
        rel->y = p.y - Y(*this, k);
    }
    CKVStaff* st = GetStaff(static_cast<short>(k));
    return st ? st->GetMeas(m_nFirstMeas + m) : nullptr;
}

int CKVBlock::IsStaffSelected(CKVStaff* staff, RECT* sel)
{
    if (!sel)
        return 0;
    int only = -1;
    if (staff) {
        for (int k = 0; k < GetStaffNum(); ++k) {
            if (GetStaff(static_cast<short>(k)) == staff) {
                only = k;
                break;
            }
        }
        if (only < 0)
            return 0;
    }
    CRect common;
    if (!common.IntersectRect(&m_rcBlock, sel))
        return 0;
    CRect area(*sel);
    area.OffsetRect(-m_rcBlock.left, -m_rcBlock.top);

    for (int k = 0; k < GetStaffNum(); ++k) {
        if (only >= 0 && k != only)
            continue;
        CKVStaff* st = GetStaff(static_cast<short>(k));
        CRect united;
        for (int i = 0; st && i < m_nMeasCount; ++i) {
            if (CKVMeas* m = st->GetMeas(m_nFirstMeas + i))
                united |= m->m_rcMeas;
        }
        // A staff with nothing shown is not taken as selected.
        if (::IsRectEmpty(&united))
            continue;
        if (united.left >= area.left && united.top >= area.top && united.right <= area.right &&
            united.bottom <= area.bottom)
            return 1;
    }
    return 0;
}

short CKVBlock::GetCtrlPointedStaff(POINT pt)
{
    for (int i = 0; i < m_arrStaffCtrl.GetSize(); ++i) {
        CKVCtrlPoint* handle = m_arrStaffCtrl.GetAt(i);
        if (handle && ::PtInRect(&handle->m_rect, pt))
            return static_cast<short>(i);
    }
    return -1;
}

short CKVBlock::GetCtrlPointedMeas(POINT pt, short* staff)
{
    const int s = StaffSpace(*this);
    const int staffCount = GetStaffNum() < m_arrStaffY.GetSize() ? GetStaffNum() : m_arrStaffY.GetSize();
    if (staffCount > 0) {
        const int top0 = Y(*this, 0) - StaffHeight(GetStaff(0), s);
        for (int j = 0; j < m_arrMeasCtrl.GetSize(); ++j) {
            CKVCtrlPoint* handle = m_arrMeasCtrl.GetAt(j);
            if (!handle)
                continue;
            // A boundary handle stands on the first staff; every staff's top
            // line offers it too.
            for (int k = 0; k < staffCount; ++k) {
                CRect rect(handle->m_rect);
                rect.OffsetRect(0, Y(*this, k) - StaffHeight(GetStaff(static_cast<short>(k)), s) - top0);
                if (::PtInRect(&rect, pt)) {
                    if (staff)
                        *staff = static_cast<short>(k);
                    return static_cast<short>(j);
                }
            }
        }
    }
    if (staff)
        *staff = -1;
    return -1;
}

// --- Size and stream form -----------------------------------------------------------

void CKVBlock::GetMemorySize(DWORD& total)
{
    total += kBlockBytes;
    total += kStaffEntryBytes * static_cast<DWORD>(CountNonNull(m_arrStaffEntry));
    total += kWordEntryBytes * static_cast<DWORD>(m_arrMeasX.GetSize() + m_arrStaffY.GetSize());
    total += kHandleBytes * static_cast<DWORD>(CountNonNull(m_arrStaffNameCtrl) + CountNonNull(m_arrStaffCtrl) +
                                               CountNonNull(m_arrMeasCtrl));
    total += kStaffPointerBytes * static_cast<DWORD>(GetStaffNum());
    total += kNamePointBytes * static_cast<DWORD>(CountNonNull(m_arrStaffNamePoint));
}

int CKVBlock::Save(CFile* file)
{
    const int staffCount = GetStaffNum();
    if (!file || staffCount > 255 || staffCount > m_arrStaffY.GetSize() || m_arrMeasX.GetSize() < m_nMeasCount)
        return -1;
    std::vector<unsigned char> bytes(kStreamHeadSize + kStreamStaffSize * staffCount + 2 * (m_nMeasCount > 0 ? m_nMeasCount : 0), 0);
    unsigned char* p = bytes.data();
    p[1] = static_cast<unsigned char>(staffCount);
    PutWord(p + 2, m_nMeasCount);
    PutLong(p + 4, m_nFirstMeas);
    PutLong(p + 12, m_rcBlock.left);
    PutLong(p + 16, m_rcBlock.top);
    PutLong(p + 20, m_rcBlock.right);
    PutLong(p + 24, m_rcBlock.bottom);
    p += kStreamHeadSize;

    CKVStaffPtrArray* list = m_pSystem ? m_pSystem->m_pStaffArray : nullptr;
    for (int k = 0; k < staffCount; ++k) {
        int index = -1;
        for (int i = 0; list && i < list->GetSize() && i < 256; ++i) {
            if (list->GetAt(i) == GetStaff(static_cast<short>(k))) {
                index = i;
                break;
            }
        }
        if (index < 0)
            return -1;
        p[0] = static_cast<unsigned char>(index);
        PutWord(p + 1, Y(*this, k));
        p += kStreamStaffSize;
    }
    for (int i = 0; i < m_nMeasCount; ++i) {
        PutWord(p, X(*this, i));
        p += 2;
    }
    file->Write(bytes.data(), static_cast<UINT>(bytes.size()));
    return static_cast<int>(bytes.size());
}

int CKVBlock::Load(CFile* file)
{
    if (!file)
        return -1;
    unsigned char head[kStreamHeadSize];
    if (file->Read(head, kStreamHeadSize) != kStreamHeadSize)
        return -1;
    const int staffCount = head[1];
    const short measCount = static_cast<short>(GetWord(head + 2));
    if (measCount < 0)
        return -1;

    // Everything is read and checked before the block changes, so that a
    // failed read leaves it as it was.
    CKVStaffPtrArray* list = m_pSystem ? m_pSystem->m_pStaffArray : nullptr;
    std::vector<CKVStaff*> staves;
    std::vector<WORD> ys;
    for (int k = 0; k < staffCount; ++k) {
        unsigned char entry[kStreamStaffSize];
        if (file->Read(entry, kStreamStaffSize) != kStreamStaffSize)
            return -1;
        if (!list || entry[0] >= list->GetSize())
            return -1;
        staves.push_back(list->GetAt(entry[0]));
        ys.push_back(static_cast<WORD>(static_cast<short>(GetWord(entry + 1))));
    }
    std::vector<WORD> xs;
    if (measCount > 0) {
        std::vector<unsigned char> words(2 * static_cast<size_t>(measCount));
        if (file->Read(words.data(), static_cast<UINT>(words.size())) != words.size())
            return -1;
        for (int i = 0; i < measCount; ++i)
            xs.push_back(GetWord(words.data() + 2 * i));
    }

    m_nMeasCount = measCount;
    m_nFirstMeas = static_cast<short>(static_cast<LONG>(GetDword(head + 4)));
    m_rcBlock.SetRect(static_cast<LONG>(GetDword(head + 12)), static_cast<LONG>(GetDword(head + 16)), static_cast<LONG>(GetDword(head + 20)), static_cast<LONG>(GetDword(head + 24)));
    for (int k = 0; k < staffCount; ++k) {
        m_pStaffArray->Add(staves[static_cast<size_t>(k)]);
        m_arrStaffY.Add(ys[static_cast<size_t>(k)]);
    }
    for (WORD x : xs)
        m_arrMeasX.Add(x);
    // The right edge is not stored: it is the block width.
    if (measCount > 0)
        m_arrMeasX.Add(static_cast<WORD>(m_rcBlock.Width()));
    return static_cast<int>(kStreamHeadSize + kStreamStaffSize * staffCount + 2 * measCount);
}
