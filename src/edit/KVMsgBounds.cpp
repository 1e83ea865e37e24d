// Where a symbol lies: its start time, the rectangle it covers with what
// hangs on it, and its point on the page.

#include "model/KVMsg.h"

#include "model/KVBlock.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMeas.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "platform/LittleEndian.h"

#include <algorithm>

void CKVMsg::SetStartTime(short ticks)
{
    m_nStartTime = ticks;
}

namespace {

constexpr unsigned char kWithAttached = 2;
constexpr unsigned char kWithHandles = 255;
constexpr short kNoLyricLine = -32768;

CRect Around(POINT p, int d)
{
    return CRect(p.x - d, p.y - d, p.x + d, p.y + d);
}

// An empty rectangle adds nothing.
void Unite(CRect& into, const CRect& r)
{
    const CRect held = into;
    into.UnionRect(&held, &r);
}

bool IsTimed(BYTE kind)
{
    return kind == MSG_NOTE || kind == MSG_REST || kind == MSG_MULTIREST;
}

// The x a symbol stands at in its measure, scaled to the measure's width.
short RealX(CKVMsg& msg, CKVMeas* meas)
{
    return meas ? meas->MeasXToAbsX(msg.m_nPosX, msg.m_byKind) : msg.m_nPosX;
}

} // namespace

CRect CKVMsg::GetRectBounding(CKVMeas* meas, short x, short y, unsigned char mode)
{
    CRect bounds(0, 0, 0, 0);
    POINT anchor {x + RealX(*this, meas), y + m_nPosY};
    const bool withAttached = mode == kWithAttached || mode == kWithHandles;

    if (IsTimed(m_byKind)) {
        if (mode == 0) {
            bounds = Around(anchor, 5);
        } else {
            // From the mark gap left of the anchor to the second point, over
            // the stem's height.
            CRect r(anchor.x - m_nLayout4, anchor.y, anchor.x + m_nPosX2, anchor.y + m_lHeight);
            r.NormalizeRect();
            r.InflateRect(12, 12);
            bounds = r;
        }
    } else if (m_byKind == MSG_TUPLET) {
        CKVSystem* system = m_pSystem;
        CKVMsg* first = system ? system->GetMsgFromMap(m_dwWord) : nullptr;
        CKVMsg* last = system ? system->GetMsgFromMap(static_cast<DWORD>(m_lHeight)) : nullptr;
        if (first && last) {
            const POINT a {x + RealX(*first, meas), y + m_nPosY};
            const POINT b {x + RealX(*last, meas), y + m_nPosY2};
            Unite(bounds, Around(a, 10));
            Unite(bounds, Around(b, 10));
            Unite(bounds, Around(POINT {(a.x + b.x) / 2, (a.y + b.y) / 2}, 10));
        }
    } else if (m_byKind == MSG_BEAM) {
        const int left = meas ? meas->MeasXToAbsX(m_nPosX, m_byKind) : m_nPosX;
        const int right = meas ? meas->MeasXToAbsX(m_nPosX2, m_byKind) : m_nPosX2;
        CRect r(x + left, y + m_nPosY, x + right, y + m_nPosY2);
        r.NormalizeRect();
        r.InflateRect(5, 5);
        bounds = r;
    } else if (m_byKind != MSG_CHORD && (mode & 0xFF) == kWithHandles && m_arrCtrlPoint.GetSize() > 0) {
        // The handles, moved so that the first one sits at the anchor.
        POINT at {x + (meas ? RealX(*this, meas) : m_nPosX), y + (m_byKind == MSG_LYRIC ? m_nPosY2 : m_nPosY)};
        CKVCtrlPoint* firstHandle = m_arrCtrlPoint.GetAt(0);
        const POINT origin = firstHandle ? firstHandle->m_rect.TopLeft() : POINT {0, 0};
        for (int i = 0; i < m_arrCtrlPoint.GetSize(); ++i) {
            if (CKVCtrlPoint* handle = m_arrCtrlPoint.GetAt(i)) {
                CRect r = handle->m_rect;
                r.OffsetRect(at.x - origin.x, at.y - origin.y);
                Unite(bounds, r);
            }
        }
    }

    // What hangs on the symbol: every member of a chord or beam group, and
    // the attached symbols when asked for.
    const bool container = m_byKind == MSG_CHORD || m_byKind == MSG_BEAM;
    if (!container && !withAttached)
        return bounds;
    for (short i = 0; i < GetMsgNum(); ++i) {
        CKVMsg* child = GetMsg(i);
        if (!child)
            continue;
        if (m_byKind == MSG_CHORD && child->m_byKind != MSG_NOTE)
            continue;
        const MsgRef* ref = m_arrMsgRef.GetAt(i);
        if ((child->m_byKind == MSG_TIE || child->m_byKind == MSG_SLUR) && !(ref && ref->byOwner))
            continue;
        if (child->m_byKind == MSG_TUPLET && child->m_dwWord != m_dwMsgId)
            continue;
        // Members stand in the measure as their container does; attached
        // symbols lie relative to the anchor.
        const CRect r = container ? child->GetRectBounding(meas, x, y, mode)
                                  : child->GetRectBounding(nullptr, static_cast<short>(anchor.x),
                                                           static_cast<short>(anchor.y), mode);
        Unite(bounds, r);
    }
    return bounds;
}

CPoint CKVMsg::GetPositionOnPage(CKVPage* page, CKVBlock** block, CKVMeas** meas)
{
    if (!page)
        return CPoint(0, 0);
    const CPoint origin(page->m_rcPrint.left, page->m_rcPrint.top);
    if (m_byParentKind == CKVPage::PARENT_KIND_PAGE || !m_pParent)
        return CPoint(origin.x + m_nPosX, origin.y + m_nPosY);
    if (m_byParentKind == OBJ_MEAS) {
        CKVMeas* holder = static_cast<CKVMeas*>(m_pParent);
        CKVBlock* shown = page->GetBlockOfMeas(holder, nullptr);
        if (block)
            *block = shown;
        if (meas)
            *meas = holder;
        CPoint at = origin;
        if (shown)
            at += CPoint(shown->m_rcBlock.left, shown->m_rcBlock.top);
        at += CPoint(holder->m_nLeftX + holder->MeasXToAbsX(m_nPosX, m_byKind), holder->m_nStaffY + m_nPosY);
        return at;
    }
    // Attached to another symbol: the parent's point plus the offset.
    CKVMsg* parent = static_cast<CKVMsg*>(m_pParent);
    CKVMeas* holder = nullptr;
    CPoint at = parent->GetPositionOnPage(page, block, &holder);
    if (meas)
        *meas = holder;
    short dy = m_nPosY;
    if (m_byKind == MSG_LYRIC) {
        // The lyric's vertical field is its line; the line's y is the
        // measure's, when the measure's table has that line.
        dy = m_nPosY2;
        unsigned char* table = nullptr;
        const int length = holder ? holder->GetHead(&table) : 0;
        const int entry = 2 * m_nPosY;
        if (table && m_nPosY >= 0 && entry + 2 <= length) {
            const short lineY = static_cast<short>(GetWord(table + entry));
            if (lineY != kNoLyricLine)
                dy = lineY;
        }
    }
    at += CPoint(m_nPosX, dy);
    return at;
}
