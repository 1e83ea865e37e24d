// The three-point shape templates: the hairpin, the M zigzag and the page
// slur, each with a grab point of its own.

#include "drag/TempShapes.h"

#include "document/KVDoc.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace {

// The stored extra word (a signed offset) and data word.
int ExtraWord(const CKVMsg& msg)
{
    return static_cast<short>(msg.m_wObjWord);
}

int DataWord(const CKVMsg& msg)
{
    return static_cast<LONG>(msg.m_dwWord);
}

void SetExtraWord(CKVMsg* msg, int value)
{
    msg->m_wObjWord = static_cast<WORD>(static_cast<short>(value));
}

void SetDataWord(CKVMsg* msg, int value)
{
    msg->m_dwWord = static_cast<DWORD>(static_cast<LONG>(value));
}

// One quarter of a page slur from `from` to `to`, counter-clockwise in its
// box; a straight line when the two ends are level or the arc cannot be
// drawn.
void QuarterArc(CDC* dc, CRect box, CPoint from, CPoint to)
{
    box.NormalizeRect();
    if (from.y != to.y && dc->Arc(&box, from, to))
        return;
    const POINT points[] = {from, to};
    dc->Polyline(points, 2);
}

} // namespace

// --- Hairpin ------------------------------------------------------------------------

CTempDeCreMsg& CTempDeCreMsg::operator=(const CTempDeCreMsg& source)
{
    CKVMsg::operator=(source);
    CTempMsg::operator=(source);
    m_ptGrab = source.m_ptGrab;
    return *this;
}

void CTempDeCreMsg::InitDragingParameter(CPoint pt)
{
    if (m_pMovedMsg) {
        const CKVMsg& moved = *m_pMovedMsg;
        m_byKind = moved.m_byKind;
        m_ptPos = StartMoved(*this);
        m_ptSecond = Offset(m_ptPos, ExtraWord(moved), DataWord(moved));
        m_ptThird = Offset(m_ptPos, ExtraWord(moved), moved.m_nPosY2);
    } else {
        m_byKind = MSG_HAIRPIN;
        StartNew(pt);
        m_ptThird = pt;
    }
    m_ptGrab = pt;
}

void CTempDeCreMsg::UpdateDragingParameter(CPoint pt)
{
    if (!m_pMovedMsg) {
        // Opens evenly about the horizontal through the closed end.
        m_ptSecond = pt;
        m_ptThird = CPoint(pt.x, 2 * m_ptPos.y - pt.y);
        return;
    }
    // An open end follows the mouse and the other mirrors its rise.
    auto openEnd = [pt](CPoint& moving, CPoint& other) {
        other.y -= pt.y - moving.y;
        other.x = pt.x;
        moving = pt;
    };
    switch (m_nHandle) {
    case 0: m_ptPos = pt; break;
    case 1: openEnd(m_ptSecond, m_ptThird); break;
    case 2: openEnd(m_ptThird, m_ptSecond); break;
    case 3: MoveBody(pt, m_ptGrab, {&m_ptPos, &m_ptSecond, &m_ptThird}); break;
    default: break;
    }
}

void CTempDeCreMsg::DrawDraging(CDC* dc)
{
    if (!dc)
        return;
    RubberBand band(dc, CTempMsg::m_crColor, RubberBand::Solid, FeedbackWidth(dc, 1));
    const POINT points[] = {m_ptSecond, m_ptPos, m_ptThird};
    dc->Polyline(points, 3);
}

void CTempDeCreMsg::MakeMsg(CPoint, CKVMsg* msg, CKVMeas*& meas)
{
    // A hairpin without width is no hairpin: nothing is stored.
    if (m_ptPos.x == m_ptSecond.x)
        return;
    CPoint p0 = m_ptPos;
    CPoint p1 = m_ptSecond;
    CPoint p2 = m_ptThird;
    if (p1.y > p2.y)
        std::swap(p1, p2);
    meas = PlaceShape(p0, p1, p2);
    FillPlaced(msg, MSG_HAIRPIN, meas, p0, CPoint(p0.x, p2.y), true);
    SetExtraWord(msg, p1.x - p0.x);
    SetDataWord(msg, StaffWord(meas, p1.y - p0.y));
}

// --- M zigzag --------------------------------------------------------------------------

CTempInversMMsg& CTempInversMMsg::operator=(const CTempInversMMsg& source)
{
    CKVMsg::operator=(source);
    CTempMsg::operator=(source);
    m_ptGrab = source.m_ptGrab;
    return *this;
}

void CTempInversMMsg::Initialize()
{
    m_byKind = MSG_ZIGZAG_M;
}

void CTempInversMMsg::InitDragingParameter(CPoint pt)
{
    if (m_pMovedMsg) {
        m_ptPos = StartMoved(*this);
        m_ptSecond = CPoint(m_ptPos.x + m_pMovedMsg->m_nPosX2, m_ptPos.y);
        m_ptThird = CPoint(m_ptPos.x + m_pMovedMsg->m_nPosY2, m_ptPos.y);
    } else {
        StartNew(pt);
        m_ptThird = pt;
    }
    m_ptGrab = pt;
    m_lHeight = 1;
}

void CTempInversMMsg::UpdateDragingParameter(CPoint pt)
{
    if (!m_pMovedMsg) {
        m_ptPos.y = pt.y;
        m_ptSecond.x = (m_ptPos.x + pt.x) / 2;
        m_ptThird.x = pt.x;
        return;
    }
    if (m_nHandle == 0) {
        MoveBody(pt, m_ptGrab, {&m_ptPos, &m_ptSecond, &m_ptThird});
        return;
    }
    if (m_nHandle == 1)
        m_ptThird.x = pt.x;
    else
        m_ptSecond.x = pt.x;
    m_ptPos.y = pt.y;
    // The peak keeps one staff space from both ends.
    const int h = MulDiv(m_pDoc ? m_pDoc->m_nStaffSpace : 0, CursorStaffPercent(), 100);
    const int lo = std::min(m_ptPos.x, m_ptThird.x);
    const int hi = std::max(m_ptPos.x, m_ptThird.x);
    m_ptSecond.x = std::min(std::max(m_ptSecond.x, lo + h), hi - h);
}

void CTempInversMMsg::DrawDraging(CDC* dc)
{
    if (!dc)
        return;
    int h = MulDiv(m_pDoc ? m_pDoc->m_nStaffSpace : 0, CursorStaffPercent(), 100);
    const int span = std::abs(m_ptThird.x - m_ptPos.x);
    if (span < 2 * h)
        h = span / 2;
    const int y = m_ptPos.y;
    const int peak = m_ptSecond.x;
    const POINT points[] = {{m_ptPos.x, y - h}, {m_ptPos.x, y},   {peak - h, y},         {peak, y - h},
                            {peak + h, y},      {m_ptThird.x, y}, {m_ptThird.x, y - h}};
    RubberBand band(dc, CTempMsg::m_crColor, RubberBand::Solid, FeedbackWidth(dc, m_lHeight));
    dc->Polyline(points, 7);
}

void CTempInversMMsg::MakeMsg(CPoint, CKVMsg* msg, CKVMeas*& meas)
{
    CPoint p0 = m_ptPos;
    CPoint p2 = m_ptThird;
    if (p0.x > p2.x)
        std::swap(p0.x, p2.x);
    const int peak = m_ptSecond.x - p0.x;
    const int end = p2.x - p0.x;
    CPoint unused = p0;
    meas = PlacePoints(p0, unused);
    FillPlaced(msg, m_byKind, meas, p0, p0, false);
    msg->m_nPosX2 = static_cast<short>(peak);
    msg->m_nPosY2 = static_cast<short>(end);
}

// --- Page slur -------------------------------------------------------------------------

CTempPageSlurMsg& CTempPageSlurMsg::operator=(const CTempPageSlurMsg& source)
{
    CKVMsg::operator=(source);
    CTempMsg::operator=(source);
    m_ptGrab = source.m_ptGrab;
    return *this;
}

void CTempPageSlurMsg::Initialize()
{
    m_byKind = MSG_PAGESLUR;
}

void CTempPageSlurMsg::InitDragingParameter(CPoint pt)
{
    if (m_pMovedMsg) {
        const CKVMsg& moved = *m_pMovedMsg;
        m_ptPos = StartMoved(*this);
        m_ptSecond = Offset(m_ptPos, ExtraWord(moved), DataWord(moved));
        m_ptThird = Offset(m_ptPos, moved.m_nPosX2, moved.m_nPosY2);
        m_wDuration = moved.m_wDuration;
    } else {
        // The thickness lives in the value word, not in the line width.
        m_ptPos = m_ptSecond = m_ptThird = pt;
        if (m_pCtrlTool) {
            CTempMsg::m_crColor = m_pCtrlTool->m_crCurrent;
            m_wDuration = static_cast<WORD>(m_pCtrlTool->m_nCurLineWidth);
        }
    }
    m_ptGrab = pt;
}

void CTempPageSlurMsg::UpdateDragingParameter(CPoint pt)
{
    if (!m_pMovedMsg) {
        // The apex midway, 10 above the higher end.
        m_ptThird = pt;
        m_ptSecond = CPoint((m_ptPos.x + pt.x) / 2, std::min(m_ptPos.y, pt.y) - 10);
        return;
    }
    switch (m_nHandle) {
    case 0: m_ptPos = pt; break;
    case 1: m_ptThird = pt; break;
    case 2: m_ptSecond = pt; break;
    case 3: MoveBody(pt, m_ptGrab, {&m_ptPos, &m_ptSecond, &m_ptThird}); break;
    default: break;
    }
}

void CTempPageSlurMsg::DrawDraging(CDC* dc)
{
    const CPoint p0 = m_ptPos;
    const CPoint p1 = m_ptSecond;
    const CPoint p2 = m_ptThird;
    if (!dc || (p0.x == p1.x && p1.x == p2.x))
        return;
    RubberBand band(dc, CTempMsg::m_crColor, RubberBand::Dotted);
    // Each half is a quarter of an ellipse centred level with its end,
    // below or above the apex; arcs run counter-clockwise.
    const CRect first(p0.x, p1.y, 2 * p1.x - p0.x, 2 * p0.y - p1.y);
    if (p0.y <= p1.y)
        p0.x > p1.x ? QuarterArc(dc, first, p1, p0) : QuarterArc(dc, first, p0, p1);
    else
        p0.x > p1.x ? QuarterArc(dc, first, p0, p1) : QuarterArc(dc, first, p1, p0);
    const CRect second(p2.x, p1.y, 2 * p1.x - p2.x, 2 * p2.y - p1.y);
    if (p1.y <= p2.y)
        p1.x > p2.x ? QuarterArc(dc, second, p1, p2) : QuarterArc(dc, second, p2, p1);
    else
        p1.x > p2.x ? QuarterArc(dc, second, p2, p1) : QuarterArc(dc, second, p1, p2);
}

void CTempPageSlurMsg::MakeMsg(CPoint, CKVMsg* msg, CKVMeas*& meas)
{
    CPoint p0 = m_ptPos;
    CPoint p1 = m_ptSecond;
    CPoint p2 = m_ptThird;
    if (p0.x > p2.x)
        std::swap(p0, p2);
    // The ends never share an x, nor the apex and the end.
    if (p0.x == p2.x)
        p2.x = p1.x <= p2.x ? p0.x + 1 : p0.x - 1;
    if (p1.x == p2.x)
        p2.x = p0.x >= p2.x ? p1.x - 1 : p1.x + 1;
    meas = PlaceShape(p0, p2, p1);
    FillPlaced(msg, m_byKind, meas, p0, p2, true);
    SetExtraWord(msg, p1.x - p0.x);
    SetDataWord(msg, StaffWord(meas, p1.y - p0.y));
    msg->m_wDuration = m_wDuration;
}
