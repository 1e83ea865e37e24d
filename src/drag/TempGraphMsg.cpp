// The rubber-band move and what the shape templates share: the feedback pen,
// the start of a moved shape and the placement of its points.

#include "drag/TempGraphMsg.h"

#include "document/KVDoc.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"

short CTempGraphMsg::Drag(CDC* dc, CPoint pt)
{
    if (m_pMovedMsg && m_pMovedMsg->m_byKind == MSG_CUSTOM)
        return CTempMsg::Drag(dc, pt);
    if (!m_pDoc || !dc)
        return 1;
    // On a copy the symbol at its old place stays visible.
    if (m_byAltState == 1)
        m_byAltState = 2;
    else
        DrawDraging(dc);
    UpdateDragingParameter(pt);
    DrawDraging(dc);
    return 1;
}

int CTempGraphMsg::FeedbackWidth(CDC* dc, LONG points)
{
    const int w = MulDiv(points, dc->GetDeviceCaps(LOGPIXELSY), 72);
    return w < 0 ? 0 : w;
}

CTempGraphMsg::RubberBand::RubberBand(CDC* dc, COLORREF colour, Style style, int width)
    : m_dc(dc), m_oldRop(dc->SetROP2(R2_NOTXORPEN)),
      m_pen(dc, style == Solid && width > 0 ? PS_SOLID : PS_DOT, style == Solid ? width : 0, colour)
{
}

CTempGraphMsg::RubberBand::~RubberBand()
{
    m_dc->SetROP2(m_oldRop);
}

CPoint CTempGraphMsg::StartMoved(CKVMsg& model)
{
    CKVMsg& moved = *m_pMovedMsg;
    m_crColor = moved.m_crColor;
    model.m_lHeight = moved.m_lHeight;
    return StartPoint(moved);
}

CPoint CTempGraphMsg::Offset(CPoint from, int dx, int dy)
{
    return CPoint(from.x + dx, from.y + MulDiv(dy, CursorStaffPercent(), 100));
}

void CTempGraphMsg::MoveBody(CPoint pt, CPoint& grab, std::initializer_list<CPoint*> points)
{
    const CPoint d(pt.x - grab.x, pt.y - grab.y);
    for (CPoint* p : points)
        *p += d;
    grab = pt;
}

CKVMeas* CTempGraphMsg::PlaceShape(CPoint& p0, CPoint& p1, CPoint& p2)
{
    const CPoint before = p0;
    CKVMeas* meas = PlacePoints(p0, p1);
    p2 -= CPoint(before.x - p0.x, before.y - p0.y);
    return meas;
}

int CTempGraphMsg::StaffWord(CKVMeas* meas, int value)
{
    if (!meas)
        return value;
    const WORD percent = meas->m_pParent ? meas->m_pParent->m_wObjWord : 100;
    return MulDiv(value, 100, percent == 0 ? 100 : percent);
}
