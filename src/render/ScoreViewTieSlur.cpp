// Ties, slurs, page slurs, bent lines and the arc they are drawn with.

#include "render/ScoreView.h"

#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "model/TickMath.h"
#include "render/DashedRun.h"
#include "render/FineResolution.h"
#include "render/GdiSelection.h"
#include "render/SymbolPlace.h"

#include <algorithm>

using symbolplace::HandleSquare;
using symbolplace::WriteBackBox;

namespace {

// The drawing form a bound tie or slur holds in its head-type word while
// DrawTieSlur runs: the whole curve, the half that runs to the end of the
// system, or the half that comes from the start of the next one.
enum TieForm : WORD {
    kFormNone = 0,
    kFormWhole = 1,
    kFormToSystemEnd = 2,
    kFormFromSystemStart = 3,
};

constexpr int kWholeHandles = 3;
constexpr int kSplitHandles = 4;
constexpr int kPointsPerInch = 72;
constexpr int kHalfPointsPerInch = 144;
constexpr int kWidestLine = 0x7FFF;
constexpr int kHeadHandle = 0;

// A curve's ends and apex: (x1, y1) and (x2, y2) are the ends, (xm, yc)
// the apex where the two quarter ellipses meet.
struct Curve {
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
    int xm = 0;
    int yc = 0;

    bool HasNoWidth() const { return x1 == xm && xm == x2; }
};

// A curve offset stored in sixteenths of `unit` (a head width or a staff
// space), at the size percent of the staff.
int Offset(int value, int percent, int unit)
{
    return MulDiv(value, percent * unit, 1600);
}

// The tie setting in sixteenths of a staff space, as dots at the gap.
int SettingThickness(int setting, int gap)
{
    return (setting * gap) >> 4;
}

// A thickness from a stored word is kept to one inch, so that a damaged
// value cannot ask for tens of thousands of strokes.
int CappedThickness(int t, int dpi)
{
    return std::min(t, std::max(1, dpi));
}

void SetCurveHandle(CKVMsg& msg, int index, WORD kind, int x, int y)
{
    if (CKVCtrlPoint* handle = HandleAt(msg, index)) {
        handle->m_rect = HandleSquare(x, y);
        handle->m_wKind = kind;
    }
}

// The head handle of a note: where its head lies relative to its point.
CRect HeadHandle(CKVMsg& note)
{
    const CKVCtrlPoint* head = HandleAt(note, kHeadHandle);
    return head ? head->m_rect : CRect(0, 0, 0, 0);
}

CKVMeas* StaffMeasure(CKVMsg& note, LONG index)
{
    CKVMeas* meas = tickmath::MeasureOf(&note);
    CKVStaff* staff = meas ? measplace::StaffOf(*meas) : nullptr;
    return staff ? staff->GetMeas(index) : nullptr;
}

// One quarter ellipse between an end of the curve and its apex, centred
// level with the end below or above the apex; an end at the apex's height
// is joined by a straight line. The device draws arcs counter-clockwise, so
// `endFirst` says which point the arc starts from.
void QuarterArc(CScoreView& view, int x, int y, int xm, int yc, bool endFirst)
{
    if (y == yc) {
        view.m_pDC->MoveTo(x, y);
        view.m_pDC->LineTo(xm, yc);
        return;
    }
    CRect r(x, yc, 2 * xm - x, 2 * y - yc);
    r.NormalizeRect();
    if (endFirst)
        view.DrawArc(r.left, r.top, r.right, r.bottom, x, y, xm, yc);
    else
        view.DrawArc(r.left, r.top, r.right, r.bottom, xm, yc, x, y);
}

// One stroke: the left quarter ellipse between (x1, y1) and the apex and
// the right one between the apex and (x2, y2), each drawn counter-clockwise
// from the point that the side of the apex its end lies on gives.
void StrokeCurve(CScoreView& view, const Curve& c)
{
    QuarterArc(view, c.x1, c.y1, c.xm, c.yc, (c.yc < c.y1) != (c.x1 < c.xm));
    QuarterArc(view, c.x2, c.y2, c.xm, c.yc, (c.yc < c.y2) == (c.x2 > c.xm));
}

// The curve stroked 2t times at quarter dots, each stroke a quarter dot
// higher than the one before: t / 2 dots thick at the apex and thin at the
// ends. A non-zero duration word centres the strokes on the apex instead of
// growing them above it. Ties are drawn at quarter dots on every device,
// because their thickness is counted in quarter-dot strokes.
void StrokeCurveFinely(CScoreView& view, CKVMsg& msg, const Curve& c, int t, int penStyle)
{
    const FineResolution fine(view.m_pDC, false);
    const int f = fine.Factor();
    const int n = 2 * t;
    const SelectedPen pen(view.m_pDC, penStyle, 1, view.GetColorByVoice(msg));
    Curve fineCurve {c.x1 * f, c.y1 * f, c.x2 * f, c.y2 * f, c.xm * f, c.yc * f};
    if (msg.m_wDuration != 0)
        fineCurve.yc += n;
    for (int i = 0; i < n; ++i) {
        --fineCurve.yc;
        StrokeCurve(view, fineCurve);
    }
}

} // namespace

// Which part of the curve the note being drawn owns depends on where the
// other note stands: before the block (the second half), after it (the
// first half), or in it (the whole curve, drawn from the start note only).
short CScoreView::DrawTieSlur(CKVMsg& tie, int fromStart)
{
    if (!m_bOpened)
        return 1;
    CKVSystem* system = tie.m_pSystem;
    CKVMsg* start = system ? system->GetMsgFromMap(tie.m_dwWord) : nullptr;
    CKVMsg* end = system ? system->GetMsgFromMap(static_cast<DWORD>(tie.m_lHeight)) : nullptr;
    if (!start || !end)
        return -1;
    CKVMsg& other = fromStart ? *end : *start;
    if (other.m_byKind != MSG_NOTE || !start->IsValidNote() || !end->IsValidNote())
        return -1;
    tie.m_wHeadType = kFormNone;
    const LONG index = other.GetMeasIndex();
    if (index < 0)
        return -1;

    if (index < m_lFirstMeas) {
        if (const CKVMeas* first = StaffMeasure(fromStart ? *start : *end, m_lFirstMeas)) {
            tie.m_wHeadType = kFormFromSystemStart;
            tie.m_byCtrlCount = kSplitHandles;
            DrawTie(tie, m_lBlockLeft + first->m_nLeftX, m_lOrgY, m_lOrgX, 0, m_pDoc->GetHeadWidth(end));
        }
    } else if (index > m_lLastMeas) {
        if (const CKVMeas* last = StaffMeasure(fromStart ? *start : *end, m_lLastMeas)) {
            tie.m_wHeadType = kFormToSystemEnd;
            tie.m_byCtrlCount = kSplitHandles;
            DrawTie(tie, m_lOrgX, m_lOrgY, m_lBlockLeft + last->m_rcMeas.right, m_pDoc->GetHeadWidth(start), 0);
        }
    } else if (fromStart) {
        CKVMeas* endMeas = tickmath::MeasureOf(end);
        const CRect endHead = HeadHandle(*end);
        const int x2 = m_lBlockLeft + endMeas->m_nLeftX + endMeas->MeasXToAbsX(end->m_nPosX, end->m_byKind) +
                       endHead.left;
        const int y2 = m_lMeasOrgY + MulDiv(end->m_nPosY, m_nSizePercent, 100) + endHead.CenterPoint().y;
        const int x1 = m_lOrgX;
        const int y1 = m_lOrgY + HeadHandle(*start).CenterPoint().y;
        tie.m_wHeadType = kFormWhole;
        tie.m_byCtrlCount = kWholeHandles;
        const int w1 = m_pDoc->GetHeadWidth(start);
        const int w2 = m_pDoc->GetHeadWidth(end);
        if (tie.m_byKind == MSG_TIE)
            DrawTie(tie, x1, y1, x2, w1, w2);
        else
            DrawSlur(tie, 1, x1, y1, x2, y2, w1, w2);
    }
    tie.m_wHeadType = kFormNone;
    return 1;
}

short CScoreView::DrawTie(CKVMsg& tie, int x1, int y, int x2, int w1, int w2)
{
    if (!m_bOpened)
        return 1;
    const int g = m_nStaffSpace;
    const int p = m_nSizePercent;
    const WORD form = tie.m_wHeadType;
    int yc = 0;
    if (form == kFormFromSystemStart) {
        x2 += Offset(tie.m_nPosX2, p, w2);
        y += Offset(tie.m_nPosY2, p, g);
        yc = y + Offset(tie.m_nLayout2, p, g);
        // A half so short that it would start right of its end, or nearly
        // so, reaches two gaps into the system's start instead.
        if (x1 >= x2 - g / 2)
            x1 -= 2 * g;
    } else {
        x1 += Offset(tie.m_nPosX, p, w1);
        y += Offset(tie.m_nPosY, p, g);
        yc = y + Offset(tie.m_nLayout1, p, g);
        if (form != kFormToSystemEnd)
            x2 += Offset(tie.m_nPosX2, p, w2);
    }
    const Curve curve {x1, y, x2, y, (x1 + x2) / 2, yc};

    if (form == kFormFromSystemStart) {
        SetCurveHandle(tie, 2, CKVCtrlPoint::kMoveWhole, curve.x2, y);
        SetCurveHandle(tie, 3, CKVCtrlPoint::kReshapeAlt, curve.xm, yc);
    } else {
        SetCurveHandle(tie, 0, CKVCtrlPoint::kMoveWhole, curve.x1, y);
        SetCurveHandle(tie, 1, CKVCtrlPoint::kReshapeAlt, curve.xm, yc);
        if (form != kFormToSystemEnd)
            SetCurveHandle(tie, 2, CKVCtrlPoint::kReshape, curve.x2, y);
    }
    if (curve.HasNoWidth())
        return -1;

    const int t = CappedThickness(std::max(1, SettingThickness(m_pCtrlTool->TieSlurThickness(), g)), m_nDpiY);
    StrokeCurveFinely(*this, tie, curve, t, PS_SOLID);
    DrawCtrlRectOfMsg(&tie, 0, 0);
    return 1;
}

short CScoreView::DrawSlur(CKVMsg& slur, int bound, int x1, int y1, int x2, int y2, int w1, int w2)
{
    if (!m_bOpened)
        return 1;
    Curve curve;
    int t = 0;
    if (bound == 0) {
        // A page slur holds its own points: the end and the apex relative
        // to its start, and its thickness in points.
        CKVMeas* meas = symbolplace::ParentMeas(slur);
        curve.x1 = m_lOrgX + (meas ? meas->GetRealPosX(&slur) : slur.m_nPosX);
        curve.y1 = m_lOrgY + slur.m_nPosY;
        curve.x2 = curve.x1 + slur.m_nPosX2;
        curve.y2 = curve.y1 + slur.m_nPosY2;
        curve.xm = curve.x1 + static_cast<short>(slur.m_wObjWord);
        curve.yc = curve.y1 + static_cast<short>(LOWORD(slur.m_dwWord));
        t = CappedThickness(MulDiv(slur.m_wDuration, m_nDpiY, kPointsPerInch), m_nDpiY);
        slur.m_nLayout4 = TruncateToShort(curve.x1);
        slur.m_nLayout1 = TruncateToShort(curve.y1);
    } else {
        const int g = m_nStaffSpace;
        const int p = m_nSizePercent;
        curve.x1 = x1 + Offset(slur.m_nPosX, p, w1);
        curve.y1 = y1 + Offset(slur.m_nPosY, p, g);
        curve.x2 = x2 + Offset(slur.m_nPosX2, p, w2);
        curve.y2 = y2 + Offset(slur.m_nPosY2, p, g);
        curve.xm = (curve.x1 + curve.x2) / 2 + Offset(slur.m_nLayout4, p, g);
        curve.yc = (curve.y1 + curve.y2) / 2 + Offset(slur.m_nLayout1, p, g);
        const int setting = m_pCtrlTool->TieSlurThickness();
        t = SettingThickness(setting, g);
        if (t == 0 && setting != 0)
            t = 1;
        t = CappedThickness(t, m_nDpiY);
        SetCurveHandle(slur, 0, CKVCtrlPoint::kMoveWhole, curve.x1, curve.y1);
        SetCurveHandle(slur, 1, CKVCtrlPoint::kMoveWhole, curve.xm, curve.yc);
        SetCurveHandle(slur, 2, CKVCtrlPoint::kMoveWhole, curve.x2, curve.y2);
    }
    // Without a thickness the slur is a dotted hairline.
    int penStyle = PS_SOLID;
    if (t <= 0) {
        t = 1;
        penStyle = PS_DOT;
    }
    if (curve.HasNoWidth())
        return -1;
    slur.m_nLayout3 = TruncateToShort(curve.x2 - curve.x1);

    StrokeCurveFinely(*this, slur, curve, t, penStyle);
    if (bound == 0)
        DrawCtrlRectOfMsg(&slur, curve.x1, curve.y1);
    else
        DrawCtrlRectOfMsg(&slur, 0, 0);
    return 1;
}

void CScoreView::DrawArc(LONG l, LONG t, LONG r, LONG b, LONG xs, LONG ys, LONG xe, LONG ye)
{
    if (!m_bOpened || l == r)
        return;
    // A flat ellipse, or one the device cannot draw, is its chord.
    if (t == b || !m_pDC->Arc(l, t, r, b, xs, ys, xe, ye)) {
        m_pDC->MoveTo(xs, ys);
        m_pDC->LineTo(xe, ye);
    }
}

// A line from the start across to the corner and down (or up) to the end:
// solid at its width in points, or at width 0 a dashed hairline.
short CScoreView::DrawCurvedLine(CKVMsg& msg)
{
    if (!m_bOpened)
        return 1;
    const CPoint start = symbolplace::SymbolPoint(*this, msg);
    const int cornerX = start.x + msg.m_nPosX2;
    const int endY = start.y + MulDiv(msg.m_nPosY2, m_nSizePercent, 100);
    const int w = std::clamp(MulDiv(msg.m_lHeight, m_nDpiY, kPointsPerInch), 0, kWidestLine);
    if (w > 0) {
        const SelectedPen pen(m_pDC, PS_SOLID, w, msg.m_crColor);
        m_pDC->MoveTo(start.x, start.y);
        m_pDC->LineTo(cornerX, start.y);
        m_pDC->LineTo(cornerX, endY);
    } else {
        const SelectedPen pen(m_pDC, PS_SOLID, MulDiv(1, m_nDpiY, kHalfPointsPerInch), msg.m_crColor);
        const int dash = dashedrun::DashLength(m_nStaffSpace);
        if (start.x != cornerX)
            dashedrun::ForEachDash(std::min<int>(start.x, cornerX), std::max<int>(start.x, cornerX), dash,
                                   [&](int a, int b) {
                                       m_pDC->MoveTo(a, start.y);
                                       m_pDC->LineTo(b, start.y);
                                   });
        if (start.y != endY)
            dashedrun::ForEachDash(std::min<int>(start.y, endY), std::max<int>(start.y, endY), dash,
                                   [&](int a, int b) {
                                       m_pDC->MoveTo(cornerX, a);
                                       m_pDC->LineTo(cornerX, b);
                                   });
    }
    WriteBackBox(msg, start.x, start.y, cornerX, endY);
    return 1;
}

// A Bezier line is kept in the score but not drawn.
short CScoreView::DrawBezierLine(CKVMsg&)
{
    return 1;
}
