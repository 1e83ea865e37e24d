// The box shape templates: the ellipse, the rectangle and the rounded
// rectangle, each drawn hollow in the box of its two points.

#include "drag/TempShapes.h"

#include <algorithm>
#include <utility>

namespace {

CRect Box(CPoint a, CPoint b)
{
    CRect box(a, b);
    box.NormalizeRect();
    return box;
}

// The box, and whether a pen of `width` pixels draws it: not while it is
// narrower or lower than twice the pen.
bool Drawable(CPoint a, CPoint b, int width, CRect& box)
{
    box = Box(a, b);
    return box.Width() >= 2 * width && box.Height() >= 2 * width;
}

} // namespace

// --- Ellipse ---------------------------------------------------------------------

void CTempEllipseMsg::InitDragingParameter(CPoint pt)
{
    m_byKind = m_pMovedMsg ? m_pMovedMsg->m_byKind : static_cast<BYTE>(MSG_ELLIPSE);
    // The left edge is the second point's, with the first at the far corner.
    if (StartTwoPoints(pt) && m_nHandle == 1)
        std::swap(m_ptPos, m_ptSecond);
}

void CTempEllipseMsg::UpdateDragingParameter(CPoint pt)
{
    if (!m_pMovedMsg) {
        m_ptSecond = pt;
        return;
    }
    switch (m_nHandle) {
    case 0: m_ptPos.y = pt.y; break;
    case 1:
    case 3: m_ptSecond.x = pt.x; break;
    case 2: m_ptSecond.y = pt.y; break;
    case 4: MoveBody(pt, m_ptThird, {&m_ptPos, &m_ptSecond}); break;
    default: break;
    }
}

void CTempEllipseMsg::DrawDraging(CDC* dc)
{
    if (!dc)
        return;
    const int w = FeedbackWidth(dc, m_lHeight);
    CRect box;
    if (!Drawable(m_ptPos, m_ptSecond, w, box))
        return;
    RubberBand band(dc, CTempMsg::m_crColor, RubberBand::Solid, w);
    auto hollow = SelectedBrush::NullBrush(dc);
    dc->Ellipse(&box);
}

void CTempEllipseMsg::MakeMsg(CPoint, CKVMsg* msg, CKVMeas*& meas)
{
    CPoint p0 = m_ptPos;
    CPoint p1 = m_ptSecond;
    if (p0.x > p1.x)
        std::swap(p0, p1);
    meas = PlacePoints(p0, p1);
    FillPlaced(msg, MSG_ELLIPSE, meas, p0, p1, true);
}

// --- Rectangle ---------------------------------------------------------------------

void CTempRectMsg::Initialize()
{
    m_byKind = MSG_RECTANGLE;
}

void CTempRectMsg::InitDragingParameter(CPoint pt)
{
    if (!StartTwoPoints(pt))
        return;
    // The grabbed corner becomes the second point, the opposite one the
    // first; the top left corner is the first point itself.
    const CRect box = Box(m_ptPos, m_ptSecond);
    switch (m_nHandle) {
    case 0:
        m_ptPos = box.TopLeft();
        m_ptSecond = box.BottomRight();
        break;
    case 1:
        m_ptSecond = CPoint(box.left, box.bottom);
        m_ptPos = CPoint(box.right, box.top);
        break;
    case 2:
        m_ptSecond = box.BottomRight();
        m_ptPos = box.TopLeft();
        break;
    case 3:
        m_ptSecond = CPoint(box.right, box.top);
        m_ptPos = CPoint(box.left, box.bottom);
        break;
    default: break;
    }
}

void CTempRectMsg::UpdateDragingParameter(CPoint pt)
{
    if (!m_pMovedMsg) {
        m_ptSecond = pt;
        return;
    }
    switch (m_nHandle) {
    case 0: m_ptPos = pt; break;
    case 1:
    case 2:
    case 3: m_ptSecond = pt; break;
    case 4: MoveBody(pt, m_ptThird, {&m_ptPos, &m_ptSecond}); break;
    default: break;
    }
}

bool CTempRectMsg::ShownBox(int width, CRect& box) const
{
    return Drawable(m_ptPos, m_ptSecond, width, box);
}

void CTempRectMsg::DrawDraging(CDC* dc)
{
    if (!dc)
        return;
    const int w = FeedbackWidth(dc, m_lHeight);
    CRect box;
    if (!ShownBox(w, box))
        return;
    RubberBand band(dc, CTempMsg::m_crColor, RubberBand::Solid, w);
    auto hollow = SelectedBrush::NullBrush(dc);
    dc->Rectangle(&box);
}

void CTempRectMsg::MakeMsg(CPoint, CKVMsg* msg, CKVMeas*& meas)
{
    const CRect box = Box(m_ptPos, m_ptSecond);
    CPoint p0 = box.TopLeft();
    CPoint p1 = box.BottomRight();
    meas = PlacePoints(p0, p1);
    FillPlaced(msg, m_byKind, meas, p0, p1, true);
}

// --- Rounded rectangle ------------------------------------------------------------

void CTempRoundRectMsg::Initialize()
{
    m_byKind = MSG_ROUNDRECT;
}

void CTempRoundRectMsg::DrawDraging(CDC* dc)
{
    if (!dc)
        return;
    const int w = FeedbackWidth(dc, m_lHeight);
    CRect box;
    if (!ShownBox(w, box))
        return;
    const int corner = std::min(box.Width(), box.Height()) / 4;
    RubberBand band(dc, CTempMsg::m_crColor, RubberBand::Solid, w);
    auto hollow = SelectedBrush::NullBrush(dc);
    dc->RoundRect(&box, CPoint(corner, corner));
}
