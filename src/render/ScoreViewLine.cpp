// Lines, hairpins, octave and pedal lines, zigzags and shapes.

#include "render/ScoreView.h"

#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/MeasPlace.h"
#include "platform/ShortCast.h"
#include "render/DashedRun.h"
#include "render/FineResolution.h"
#include "render/GdiSelection.h"
#include "model/GlyphTables.h"
#include "render/SymbolPlace.h"

#include <algorithm>
#include <array>
#include <cstdlib>

using symbolplace::HandleSquare;
using symbolplace::ParentMeas;
using symbolplace::SetHandle;
using symbolplace::SymbolPoint;
using symbolplace::WriteBackBox;

namespace {

constexpr WORD kGlyphStart = 0;  // head type of an octave or pedal line that starts with its glyph
constexpr int kPointsPerInch = 72;
constexpr int kHalfPointsPerInch = 144;
constexpr int kWidestLine = 0x7FFF;

// A pen of `width` units; one thinner than a unit would vanish on the
// device, so it is drawn dotted at the device's finest width instead.
SelectedPen PenOrDotted(CDC* dc, int width, COLORREF colour)
{
    if (width < 1)
        return SelectedPen(dc, PS_DOT, 0, colour);
    return SelectedPen(dc, PS_SOLID, width, colour);
}

// Half a point, the hairline of hairpins, zigzags and dashed runs.
int HairlineWidth(int dpi)
{
    return MulDiv(1, dpi, kHalfPointsPerInch);
}

// The outline width of a shape symbol in units: the low 16 bits of its
// height field hold it in points.
int OutlinePoints(const CKVMsg& msg)
{
    return static_cast<WORD>(msg.m_lHeight & 0xFFFF);
}

} // namespace

short CScoreView::DrawMsgLine(CKVMsg& msg)
{
    if (!m_bOpened)
        return 1;
    CKVMeas* meas = ParentMeas(msg);
    int s = m_nSizePercent;
    if (meas) {
        if (const CKVStaff* staff = measplace::StaffOf(*meas))
            s = staff->m_wObjWord;
    }
    const int x1 = m_lOrgX + (meas ? meas->GetRealPosX(&msg) : msg.m_nPosX);
    const int y1 = m_lOrgY + MulDiv(msg.m_nPosY, s, 100);
    const int x2 = x1 + msg.m_nPosX2;
    const int y2 = y1 + MulDiv(msg.m_nPosY2, s, 100);
    WriteBackBox(msg, x1, y1, x2, y2);

    if (msg.m_lHeight == 0) {
        // Width 0 is the dashed line.
        constexpr int kThinnest = 1;
        DrawThickDash(x1, y1, x2, y2, msg.m_crColor, kThinnest);
        return 0;
    }
    // A stored width beyond any page is drawn as wide as 16-bit coordinates
    // reach, so that the band's corners stay computable.
    const int w = std::clamp(MulDiv(msg.m_lHeight, m_nDpiY, kPointsPerInch), 1, kWidestLine);
    const FineResolution fine(m_pDC, m_bPrinting != 0);
    const int m = fine.Factor();
    const CPoint a(x1 * m, y1 * m);
    const CPoint b(x2 * m, y2 * m);
    if (w == 1) {
        const SelectedPen pen(m_pDC, PS_SOLID, m, msg.m_crColor);
        m_pDC->MoveTo(a);
        m_pDC->LineTo(b);
        return 1;
    }
    // A band W wide, centred on the line, whose ends are cut across the
    // nearer axis: vertically for a line flatter than 45 degrees.
    const int W = w * m;
    const int lo = -W / 2;
    const int hi = lo + W;
    std::array<POINT, 4> band;
    if (std::abs(b.y - a.y) < std::abs(b.x - a.x))
        band = {{{a.x, a.y + lo}, {a.x, a.y + hi}, {b.x, b.y + hi}, {b.x, b.y + lo}}};
    else
        band = {{{a.x + lo, a.y}, {a.x + hi, a.y}, {b.x + hi, b.y}, {b.x + lo, b.y}}};
    const SelectedPen pen(m_pDC, PS_SOLID, 0, msg.m_crColor);
    const SelectedBrush brush(m_pDC, msg.m_crColor);
    m_pDC->Polygon(band.data(), static_cast<int>(band.size()));
    return 1;
}

short CScoreView::DrawCDCrescendo(CKVMsg& msg)
{
    if (!m_bOpened)
        return 1;
    const CPoint apex = SymbolPoint(*this, msg, true);
    const int openX = apex.x + static_cast<short>(msg.m_wObjWord);
    const int openY1 = apex.y + MulDiv(static_cast<LONG>(msg.m_dwWord), m_nSizePercent, 100);
    const int openY2 = apex.y + MulDiv(msg.m_nPosY2, m_nSizePercent, 100);
    {
        const SelectedPen pen = PenOrDotted(m_pDC, HairlineWidth(m_nDpiY), msg.m_crColor);
        m_pDC->MoveTo(openX, openY1);
        m_pDC->LineTo(apex);
        m_pDC->LineTo(openX, openY2);
    }
    WriteBackBox(msg, apex.x, openY1, openX, openY2);
    // The hairpin's hit shape reads the apex y from here.
    msg.m_nPosX2 = TruncateToShort(apex.y);
    return 1;
}

short CScoreView::DrawN(CKVMsg& msg)
{
    if (!m_bOpened)
        return 1;
    const int gap = m_nStaffSpace;
    const CPoint start = SymbolPoint(*this, msg, true);
    const CPoint end(start.x + msg.m_nPosX2, start.y + MulDiv(msg.m_nPosY2, m_nSizePercent, 100));
    const std::array<POINT, 4> shape = {{{start.x, start.y - gap}, start, end, {end.x, end.y + gap}}};
    {
        const SelectedPen pen = PenOrDotted(m_pDC, HairlineWidth(m_nDpiY), msg.m_crColor);
        m_pDC->Polyline(shape.data(), static_cast<int>(shape.size()));
    }
    WriteBackBox(msg, start.x, start.y, end.x, end.y);
    msg.m_wObjWord = static_cast<WORD>(gap);
    return 1;
}

short CScoreView::DrawInversM(CKVMsg& msg)
{
    if (!m_bOpened)
        return 1;
    const int gap = m_nStaffSpace;
    if (gap < 1)
        return -1;
    // The shape needs a gap to its peak and two to its end; a narrower one
    // is widened, and the widened offsets stay in the symbol.
    msg.m_nPosX2 = std::max<short>(msg.m_nPosX2, TruncateToShort(gap));
    msg.m_nPosY2 = std::max<short>(msg.m_nPosY2, TruncateToShort(2 * gap));
    const CPoint at = SymbolPoint(*this, msg, true);
    const int x0 = at.x;
    const int y = at.y;
    const int peak = x0 + msg.m_nPosX2;
    const int endX = x0 + msg.m_nPosY2;
    const int lo = std::min(x0, endX);
    const int hi = std::max(x0, endX);
    if (hi - lo < 2)
        return -1;
    const std::array<POINT, 7> shape = {
        {{lo, y - gap}, {lo, y}, {peak - gap, y}, {peak, y - gap}, {peak + gap, y}, {hi, y}, {hi, y - gap}}};
    {
        const SelectedPen pen = PenOrDotted(m_pDC, HairlineWidth(m_nDpiY), msg.m_crColor);
        const SelectedBrush brush(m_pDC, msg.m_crColor);
        m_pDC->Polyline(shape.data(), static_cast<int>(shape.size()));
    }
    WriteBackBox(msg, lo, y, peak, hi);
    msg.m_wObjWord = static_cast<WORD>(gap);
    return 1;
}

short CScoreView::DrawVabPedal(CKVMsg& msg)
{
    if (!m_bOpened)
        return 1;
    CKVMeas* meas = ParentMeas(msg);
    const int startX = m_lOrgX + (meas ? meas->MeasXToAbsX(msg.m_nPosX, msg.m_byKind) : msg.m_nPosX);
    const int startY = m_lOrgY + MulDiv(msg.m_nPosY, m_nSizePercent, 100);
    int x = startX;
    int y = startY;
    // An entry the table lacks starts the line without a glyph.
    const char glyph = msg.m_wHeadType == kGlyphStart ? static_cast<char>(GlyphAt(codePedal, msg.m_wDuration)) : 0;
    int w = 0;
    if (glyph) {
        {
            const COLORREF old = m_pDC->SetTextColor(msg.m_crColor);
            DrawTextOut(x, y, &glyph, 1, 0);
            m_pDC->SetTextColor(old);
        }
        w = GetTextExtent(glyph).cx;
        x += w + m_nStaffSpace / 2;
        y -= w / 3;
        SetHandle(msg, 0, CRect(0, -2 * w / 3, w, 0));
    } else {
        SetHandle(msg, 0, HandleSquare(0, 0));
    }
    const int endX = x + msg.m_nPosX2 - w;
    const int endY = y + MulDiv(msg.m_nPosY2, m_nSizePercent, 100);
    if (x >= endX)
        return 1;
    {
        const SelectedPen pen(m_pDC, PS_SOLID, HairlineWidth(m_nDpiY), msg.m_crColor);
        const int dash = dashedrun::DashLength(m_nStaffSpace);
        dashedrun::ForEachDash(x, endX, dash, [&](int from, int to) {
            m_pDC->MoveTo(from, y);
            m_pDC->LineTo(to, y);
        });
        dashedrun::ForEachDash(std::min(y, endY), std::max(y, endY), dash, [&](int from, int to) {
            m_pDC->MoveTo(endX, from);
            m_pDC->LineTo(endX, to);
        });
    }
    SetHandle(msg, 1, HandleSquare(endX - startX, y - startY));
    SetHandle(msg, 2, HandleSquare(endX - startX, endY - startY));
    return 1;
}

namespace {

enum class ShapeKind { Ellipse, Rectangle, RoundRectangle };

// The box of a shape symbol from its point to its point plus its second
// point, normalised; its y offsets are scaled by the size percent, those of
// a rectangle only in a measure.
CRect ShapeBox(const CScoreView& view, CKVMsg& msg)
{
    const bool scaleY = msg.m_byKind != MSG_RECTANGLE || ParentMeas(msg);
    const CPoint at = SymbolPoint(view, msg, scaleY);
    const int dy = scaleY ? MulDiv(msg.m_nPosY2, view.m_nSizePercent, 100) : msg.m_nPosY2;
    CRect box(at.x, at.y, at.x + msg.m_nPosX2, at.y + dy);
    box.NormalizeRect();
    return box;
}

// The three hollow shapes: 1, or -1 when the outline is wider than half
// the shape.
short DrawShape(CScoreView& view, CKVMsg& msg, ShapeKind shape)
{
    if (!view.m_bOpened)
        return 1;
    CDC* dc = view.m_pDC;
    const CRect box = ShapeBox(view, msg);
    const int points = OutlinePoints(msg);
    if (2 * points > box.Width() || 2 * points > box.Height())
        return -1;
    {
        const SelectedPen pen = PenOrDotted(dc, MulDiv(points, view.m_nDpiY, kPointsPerInch), msg.m_crColor);
        const SelectedBrush hollow = SelectedBrush::NullBrush(dc);
        switch (shape) {
        case ShapeKind::Ellipse: dc->Ellipse(box); break;
        case ShapeKind::Rectangle: dc->Rectangle(box); break;
        case ShapeKind::RoundRectangle: {
            const int corner = std::min(box.Width(), box.Height()) / 4;
            dc->RoundRect(box.left, box.top, box.right, box.bottom, corner, corner);
            break;
        }
        }
    }
    if (shape == ShapeKind::RoundRectangle) {
        const CPoint at = SymbolPoint(view, msg, true);
        view.DrawCtrlRectOfMsg(&msg, at.x, at.y);
    }
    WriteBackBox(msg, box.left, box.top, box.right, box.bottom);
    return 1;
}

} // namespace

short CScoreView::DrawEllipse(CKVMsg& msg)
{
    return DrawShape(*this, msg, ShapeKind::Ellipse);
}

short CScoreView::DrawRectangle(CKVMsg& msg)
{
    return DrawShape(*this, msg, ShapeKind::Rectangle);
}

short CScoreView::DrawRoundRectangle(CKVMsg& msg)
{
    return DrawShape(*this, msg, ShapeKind::RoundRectangle);
}

int CScoreView::DrawRectangle(int l, int t, int r, int b)
{
    if (!m_bOpened)
        return 1;
    const FineResolution fine(m_pDC, m_bPrinting != 0);
    const int m = fine.Factor();
    const int left = std::min(l, r) * m;
    const int right = std::max(std::max(l, r) * m, left + 1);
    const int top = std::min(t, b) * m;
    const int bottom = std::max(t, b) * m;
    if (right - left < 2) {
        // Too narrow to fill: a line in the caller's pen, so that it keeps
        // the caller's colour.
        m_pDC->MoveTo(left, top);
        m_pDC->LineTo(left, bottom);
    } else {
        m_pDC->Rectangle(left, top, right, bottom);
    }
    return 1;
}
