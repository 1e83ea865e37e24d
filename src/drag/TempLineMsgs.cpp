// The straight shape templates: the line, the curved and octave lines, the
// N zigzag, the rolled-chord line and the trill line.

#include "drag/TempShapes.h"

#include "document/KVDoc.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace {

void Line(CDC* dc, CPoint from, CPoint to)
{
    const POINT points[] = {from, to};
    dc->Polyline(points, 2);
}

// Where the moving end of a line goes for the mouse at pt, the other end
// staying at `fixed`: with Shift down it snaps to the horizontal below
// about 30 degrees, to the vertical above about 60, and to 45 degrees in
// between (37/64 is about the tangent of 30 degrees).
CPoint KeptAgainst(CPoint pt, CPoint fixed)
{
    if (::GetKeyState(VK_SHIFT) >= 0)
        return pt;
    const int dx = std::abs(fixed.x - pt.x);
    const int dy = std::abs(fixed.y - pt.y);
    if (dx == 0 || dy == 0)
        return pt;
    if (dy * 64 < dx * 37)
        return CPoint(pt.x, fixed.y);
    if (dx * 64 < dy * 37)
        return CPoint(fixed.x, pt.y);
    return CPoint(pt.x > fixed.x ? fixed.x + dx : fixed.x - dx, pt.y <= fixed.y ? fixed.y - dx : fixed.y + dx);
}

} // namespace

bool CTempShapeMsg::StartTwoPoints(CPoint pt)
{
    m_ptThird = pt;
    if (!m_pMovedMsg) {
        StartNew(pt);
        return false;
    }
    m_ptPos = StartMoved(*this);
    m_ptSecond = Offset(m_ptPos, m_pMovedMsg->m_nPosX2, m_pMovedMsg->m_nPosY2);
    return true;
}

// --- Line -------------------------------------------------------------------

void CTempLineMsg::InitDragingParameter(CPoint pt)
{
    m_byKind = m_pMovedMsg ? m_pMovedMsg->m_byKind : static_cast<BYTE>(MSG_LINE);
    StartTwoPoints(pt);
}

void CTempLineMsg::UpdateDragingParameter(CPoint pt)
{
    if (m_pMovedMsg && m_nHandle == 2)
        MoveBody(pt, m_ptThird, {&m_ptPos, &m_ptSecond});
    else if (m_pMovedMsg && m_nHandle == 0)
        m_ptPos = KeptAgainst(pt, m_ptSecond);
    else
        m_ptSecond = KeptAgainst(pt, m_ptPos);
}

void CTempLineMsg::DrawDraging(CDC* dc)
{
    if (!dc)
        return;
    const int w = FeedbackWidth(dc, m_lHeight);
    if (w < 2) {
        RubberBand band(dc, CTempMsg::m_crColor, RubberBand::Solid, w);
        Line(dc, m_ptPos, m_ptSecond);
        return;
    }
    // A band w wide, with ends across the line's longer direction.
    const CPoint p0 = m_ptPos;
    const CPoint p1 = m_ptSecond;
    const int half = w / 2;
    POINT corners[4];
    if (std::abs(p1.x - p0.x) > std::abs(p0.y - p1.y)) {
        corners[0] = {p0.x, p0.y - half};
        corners[1] = {p0.x, p0.y - half + w};
        corners[2] = {p1.x, p1.y - half + w};
        corners[3] = {p1.x, p1.y - half};
    } else {
        corners[0] = {p0.x - half, p0.y};
        corners[1] = {p0.x - half + w, p0.y};
        corners[2] = {p1.x - half + w, p1.y};
        corners[3] = {p1.x - half, p1.y};
    }
    RubberBand band(dc, CTempMsg::m_crColor, RubberBand::Solid, 1);
    SelectedBrush brush(dc, CTempMsg::m_crColor);
    dc->Polygon(corners, 4);
}

void CTempLineMsg::MakeMsg(CPoint, CKVMsg* msg, CKVMeas*& meas)
{
    CPoint p0 = m_ptPos;
    CPoint p1 = m_ptSecond;
    if (p0.x > p1.x)
        std::swap(p0, p1);
    meas = PlacePoints(p0, p1);
    FillPlaced(msg, MSG_LINE, meas, p0, p1, true);
}

// --- Curved and octave lines ------------------------------------------------------

void CTempCurvedLineMsg::Initialize()
{
    m_byKind = MSG_CURVE;
}

void CTempCurvedLineMsg::InitDragingParameter(CPoint pt)
{
    StartTwoPoints(pt);
}

void CTempCurvedLineMsg::UpdateDragingParameter(CPoint pt)
{
    if (!m_pMovedMsg) {
        m_ptSecond = pt;
        return;
    }
    switch (m_nHandle) {
    case 0: MoveBody(pt, m_ptThird, {&m_ptPos, &m_ptSecond}); break;
    case 1: m_ptSecond.x = pt.x; break;
    case 2: m_ptSecond = pt; break;
    default: break;
    }
}

void CTempCurvedLineMsg::DrawDraging(CDC* dc)
{
    if (!dc)
        return;
    const bool octave = m_dwWord >= 1 && m_dwWord <= 4;
    const int w = octave ? 0 : FeedbackWidth(dc, m_lHeight);
    RubberBand band(dc, CTempMsg::m_crColor, octave ? RubberBand::Dotted : RubberBand::Solid, w);
    const POINT points[] = {m_ptPos, {m_ptSecond.x, m_ptPos.y}, m_ptSecond};
    dc->Polyline(points, 3);
}

void CTempCurvedLineMsg::MakeMsg(CPoint, CKVMsg* msg, CKVMeas*& meas)
{
    // Styles 1 to 4 are octave lines: the form of their start (type word)
    // and their glyph (value word).
    struct Octave {
        WORD type;
        WORD value;
    };
    static constexpr Octave kOctaves[] = {{0, 1}, {0, 2}, {1, 1}, {1, 2}};
    CPoint p0 = m_ptPos;
    CPoint p1 = m_ptSecond;
    const DWORD style = m_dwWord;
    const bool octave = style >= 1 && style <= 4;
    if (style == 1 || style == 2)
        p0.y += (m_pDoc ? m_pDoc->m_nStaffSpace : 0) / 2;
    meas = PlacePoints(p0, p1);
    FillPlaced(msg, octave ? MSG_OCTAVE : MSG_CURVE, meas, p0, p1, true);
    if (octave) {
        msg->m_wHeadType = kOctaves[style - 1].type;
        msg->m_wDuration = kOctaves[style - 1].value;
    }
}

// --- N zigzag -----------------------------------------------------------------------

void CTempInversNMsg::Initialize()
{
    m_byKind = MSG_ZIGZAG_N;
}

void CTempInversNMsg::InitDragingParameter(CPoint pt)
{
    StartTwoPoints(pt);
    m_lHeight = 1;
}

void CTempInversNMsg::UpdateDragingParameter(CPoint pt)
{
    if (!m_pMovedMsg) {
        m_ptSecond = pt;
        return;
    }
    switch (m_nHandle) {
    case 0: m_ptPos = pt; break;
    case 1: m_ptSecond = pt; break;
    case 2: MoveBody(pt, m_ptThird, {&m_ptPos, &m_ptSecond}); break;
    default: break;
    }
}

void CTempInversNMsg::DrawDraging(CDC* dc)
{
    if (!dc || m_ptPos == m_ptSecond)
        return;
    const int L = m_pDoc ? m_pDoc->m_nStaffSpace : 0;
    RubberBand band(dc, CTempMsg::m_crColor, RubberBand::Solid, FeedbackWidth(dc, m_lHeight));
    const POINT points[] = {{m_ptPos.x, m_ptPos.y - L}, m_ptPos, m_ptSecond, {m_ptSecond.x, m_ptSecond.y + L}};
    dc->Polyline(points, 4);
}

void CTempInversNMsg::MakeMsg(CPoint, CKVMsg* msg, CKVMeas*& meas)
{
    CPoint p0 = m_ptPos;
    CPoint p1 = m_ptSecond;
    meas = PlacePoints(p0, p1);
    FillPlaced(msg, m_byKind, meas, p0, p1, true);
}

// --- Rolled chord ------------------------------------------------------------------

void CTempRollChordMsg::InitDragingParameter(CPoint pt)
{
    m_byKind = m_pMovedMsg ? m_pMovedMsg->m_byKind : static_cast<BYTE>(MSG_ARPEGGIO);
    StartTwoPoints(pt);
}

void CTempRollChordMsg::UpdateDragingParameter(CPoint pt)
{
    if (m_pMovedMsg && m_nHandle == 0) {
        // The top end goes to the mouse and the rest follows it.
        const CPoint d(pt.x - m_ptPos.x, pt.y - m_ptPos.y);
        m_ptPos = pt;
        m_ptSecond += d;
        m_ptThird += d;
        return;
    }
    m_ptSecond = pt;
}

void CTempRollChordMsg::DrawDraging(CDC* dc)
{
    if (!dc)
        return;
    m_ptSecond.x = m_ptPos.x;
    RubberBand band(dc, CTempMsg::m_crColor, RubberBand::Dotted);
    Line(dc, m_ptPos, m_ptSecond);
}

void CTempRollChordMsg::MakeMsg(CPoint, CKVMsg* msg, CKVMeas*& meas)
{
    CPoint p0 = m_ptPos;
    CPoint p1(m_ptPos.x, m_ptSecond.y);
    meas = PlacePoints(p0, p1);
    FillPlaced(msg, m_byKind, meas, p0, p1, true);
    msg->m_wDuration = m_wDuration;
}

// --- Trill line ----------------------------------------------------------------------

void CTempTrillsMsg::Initialize()
{
    m_byKind = MSG_TRILL;
}

void CTempTrillsMsg::InitDragingParameter(CPoint pt)
{
    if (m_pMovedMsg) {
        m_ptPos = StartMoved(*this);
        m_ptSecond = Offset(m_ptPos, m_pMovedMsg->m_nPosX2, 0);
    } else {
        StartNew(pt);
    }
    m_ptThird = pt;
}

void CTempTrillsMsg::UpdateDragingParameter(CPoint pt)
{
    if (!m_pMovedMsg) {
        if (pt.x > m_ptPos.x)
            m_ptSecond.x = pt.x;
        return;
    }
    switch (m_nHandle) {
    case 0:
        m_ptPos = pt;
        m_ptSecond.y = pt.y;
        if (m_ptPos.x > m_ptSecond.x)
            m_ptPos.x = m_ptSecond.x;
        break;
    case 1:
        m_ptSecond = pt;
        m_ptPos.y = pt.y;
        if (m_ptPos.x > m_ptSecond.x)
            m_ptSecond.x = m_ptPos.x;
        break;
    case 2: MoveBody(pt, m_ptThird, {&m_ptPos, &m_ptSecond}); break;
    default: break;
    }
}

void CTempTrillsMsg::DrawDraging(CDC* dc)
{
    if (!dc)
        return;
    RubberBand band(dc, CTempMsg::m_crColor, RubberBand::Dotted);
    Line(dc, m_ptPos, m_ptSecond);
}

void CTempTrillsMsg::MakeMsg(CPoint, CKVMsg* msg, CKVMeas*& meas)
{
    CPoint p0(std::min(m_ptPos.x, m_ptSecond.x), std::min(m_ptPos.y, m_ptSecond.y));
    CPoint p1(std::max(m_ptPos.x, m_ptSecond.x), std::max(m_ptPos.y, m_ptSecond.y));
    meas = PlacePoints(p0, p1);
    FillPlaced(msg, m_byKind, meas, p0, p1, true);
    msg->m_nPosY2 = 0;
    msg->m_wDuration = 0;
    msg->m_dwWord = m_dwWord;
}
