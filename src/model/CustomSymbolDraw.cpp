// Drawing a custom symbol's objects: pens, shapes, bands, arrows, wave
// lines, bows, images and texts.
#include "model/CustomSymbol.h"

#include "model/TextHelpers.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr char kMusicFace[] = "ZelvoraB";
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr int kRoundCorner = 20;
constexpr int kFillWhiteText = 16;
constexpr int kMirrorBow = 16;
constexpr int kEndSquare = 2;
constexpr int kEndBand = 3;
constexpr int kRoundedRect = 1;
constexpr int kWaveStyle = 7;

// Selects a pen and a stock brush for the life of the object.
class Tools {
public:
    Tools(CDC& dc, CPen* pen, int stockBrush) : m_dc(dc)
    {
        m_oldPen = pen ? m_dc.SelectObject(pen) : nullptr;
        m_oldBrush = m_dc.SelectStockObject(stockBrush);
    }
    ~Tools()
    {
        if (m_oldBrush)
            m_dc.SelectObject(m_oldBrush);
        if (m_oldPen)
            m_dc.SelectObject(m_oldPen);
    }
    Tools(const Tools&) = delete;
    Tools& operator=(const Tools&) = delete;

private:
    CDC& m_dc;
    CPen* m_oldPen = nullptr;
    CGdiObject* m_oldBrush = nullptr;
};

// The outline drawn by `draw`, filled as a path (not stroked) when `fill`.
template <class Draw>
void FilledOrStroked(CDC& dc, bool fill, Draw draw)
{
    if (!fill) {
        draw();
        return;
    }
    dc.BeginPath();
    draw();
    dc.EndPath();
    dc.FillPath();
}

// The outline recorded in a path and filled when `fill`, then stroked.
template <class Draw>
void FilledThenStroked(CDC& dc, bool fill, Draw draw)
{
    if (fill) {
        dc.BeginPath();
        draw();
        dc.EndPath();
        dc.FillPath();
    }
    draw();
}

// The end point of a segment (start with end 1, else its end) moved 4 w
// across it: to the left of its direction for side 1, to the right for 0.
POINT SidePoint(POINT a, POINT b, int end, int w, int side)
{
    if (a.x == b.x && a.y == b.y)
        return a;
    const double dx = double(b.x) - a.x;
    const double dy = double(b.y) - a.y;
    // In 64 bits: the squared length of a long line passes 32 bits.
    const auto squared = static_cast<int64_t>(dx * dx + dy * dy);
    const double length = std::sqrt(static_cast<double>(squared));
    const double c = dx / length;
    const double s = dy / length;
    const double d = 4.0 * w;
    const POINT p = end == 1 ? a : b;
    if (side == 1)
        return {static_cast<LONG>(p.x - d * s), static_cast<LONG>(p.y + d * c)};
    return {static_cast<LONG>(p.x + d * s), static_cast<LONG>(p.y - d * c)};
}

int IntLength(int64_t dx, int64_t dy)
{
    return static_cast<int>(std::sqrt(static_cast<double>(dx * dx + dy * dy)));
}

// The line drawn as a filled band of the pen width.
void DrawBand(CDC& dc, POINT a, POINT b, int w)
{
    CPen pen(PS_SOLID, 1, kBlack);
    Tools tools(dc, &pen, BLACK_BRUSH);
    const int h = w / 2;
    const int r = w % 2;
    POINT q[4];
    if (std::abs(b.x - a.x) >= std::abs(b.y - a.y)) {
        q[0] = {a.x, a.y - h};
        q[1] = {a.x, a.y + h + r};
        q[2] = {b.x, b.y + h + r};
        q[3] = {b.x, b.y - h};
    } else {
        q[0] = {a.x - h, a.y};
        q[1] = {a.x + h + r, a.y};
        q[2] = {b.x + h + r, b.y};
        q[3] = {b.x - h, b.y};
    }
    dc.BeginPath();
    dc.Polygon(q, 4);
    dc.EndPath();
    dc.FillPath();
}

// Stored points 0, 2, 3, 1: start, both controls, end.
void DrawBezier(CDC& dc, const POINT* p)
{
    const POINT curve[] = {p[0], p[2], p[3], p[1]};
    dc.BeginPath();
    dc.PolyBezier(curve, 4);
    dc.EndPath();
    dc.FillPath();
    dc.PolyBezier(curve, 4);
}

void DrawCurvedBand(CDC& dc, const POINT* p, bool fill, bool erase)
{
    CPen pen(PS_SOLID, erase ? 2 : 1, erase ? kWhite : kBlack);
    Tools tools(dc, &pen, erase ? WHITE_BRUSH : BLACK_BRUSH);
    const POINT curve[] = {p[0], p[2], p[3], p[1], p[5], p[4], p[0]};
    FilledThenStroked(dc, fill, [&] { dc.PolyBezier(curve, 7); });
}

// A Bezier of exactly 4 points or a curved band of exactly 6.
void DrawCurve(CDC& dc, const CCustomSymbolObject& curve, bool fill, bool erase)
{
    const int n = curve.m_arrPoint.GetSize();
    const POINT* p = curve.m_arrPoint.GetData();
    if (curve.m_nKind == CSK_BEZIER && n == 4)
        DrawBezier(dc, p);
    else if (curve.m_nKind == CSK_BAND && n == 6)
        DrawCurvedBand(dc, p, fill, erase);
}

CRect BoxOf(POINT a, POINT b)
{
    CRect box(a.x, a.y, b.x, b.y);
    box.NormalizeRect();
    return box;
}

void DrawBox(CDC& dc, POINT a, POINT b, bool rounded)
{
    const CRect box = BoxOf(a, b);
    if (rounded)
        dc.RoundRect(box.left, box.top, box.right, box.bottom, kRoundCorner, kRoundCorner);
    else
        dc.Rectangle(&box);
}

// Every image that holds data, at its place and scale.
void DrawImages(CDC& dc, CTypedPtrList<CPtrList, CKVBitmapObject*>& images)
{
    for (POSITION pos = images.GetHeadPosition(); pos;) {
        CKVBitmapObject* image = images.GetNext(pos);
        if (image && image->m_pImage)
            image->DrawImage(dc.m_hDC, image->m_nLeft, image->m_nTop, 0, 0);
    }
}

// A line of two or more points: a filled band, a wave line or a plain line.
void DrawLineBody(CDC& dc, CCustomSymbolObject& line, bool band)
{
    const POINT* p = line.m_arrPoint.GetData();
    if (band) {
        DrawBand(dc, p[0], p[1], line.m_nPenWidth);
    } else if (line.m_nLineStyle == kWaveStyle) {
        line.DrawWaterLine(&dc);
    } else {
        dc.MoveTo(p[0]);
        dc.LineTo(p[1]);
    }
}

} // namespace

int CCustomSymbolObject::DrawStroke(CDC* dc, int dotted, int erase, int)
{
    if (!dc)
        return 0;
    const int w = m_nPenWidth;
    // Images and texts draw without the pen; their records carry no style.
    const bool usesPen = m_nKind != CSK_IMAGES && m_nKind != CSK_TEXT;
    CPen pen;
    BOOL made = FALSE;
    if (!usesPen) {
        made = TRUE;
    } else if (erase) {
        made = pen.CreatePen(PS_SOLID, 2 * w, kWhite);
    } else if (dotted) {
        made = pen.CreatePen(PS_DOT, 1, kBlack);
    } else if (m_nLineStyle >= 1 && m_nLineStyle <= 6) {
        // User dashes in units of the width: solid, gaps, dashes, and the
        // dash-dot forms.
        const DWORD d = static_cast<DWORD>(3 * w);
        const DWORD dashes[6][5] = {{d, 0}, {0, d}, {d, d}, {d, d}, {d, 0, d}, {d, 0, d, 0, d}};
        const int counts[6] = {2, 2, 2, 2, 3, 5};
        const UINT cap = m_nEndStyle == kEndSquare ? PS_ENDCAP_SQUARE : PS_ENDCAP_ROUND;
        const LOGBRUSH brush {BS_SOLID, kBlack, 0};
        made = pen.CreatePen(static_cast<int>(PS_GEOMETRIC | PS_USERSTYLE | PS_JOIN_MITER | cap), w, &brush,
                             counts[m_nLineStyle - 1], dashes[m_nLineStyle - 1]);
    } else if (m_nLineStyle == kWaveStyle) {
        made = pen.CreatePen(PS_SOLID, w, kBlack);
    }
    if (!made)
        return 0;

    CDC& d = *dc;
    Tools tools(d, usesPen ? &pen : nullptr, m_nFill ? BLACK_BRUSH : NULL_BRUSH);
    const int n = m_arrPoint.GetSize();
    const POINT* p = m_arrPoint.GetData();
    const bool fill = m_nFill != 0;
    switch (m_nKind) {
    case CSK_FREEHAND:
    case CSK_POLYGON:
        if (n == 0)
            break;
        FilledOrStroked(d, fill, [&] {
            d.MoveTo(p[0]);
            for (int i = m_nKind == CSK_FREEHAND ? 0 : 1; i < n; ++i)
                d.LineTo(p[i]);
            if (m_nClosed == 1) {
                d.MoveTo(p[0]);
                d.LineTo(p[n - 1]);
            }
        });
        break;
    case CSK_LINE:
        if (n < 2)
            break;
        DrawLineBody(d, *this, m_nEndStyle == kEndBand);
        DrawArrow(dc);
        break;
    case CSK_RECTANGLE:
        if (n != 2)
            break;
        FilledOrStroked(d, fill, [&] { DrawBox(d, p[0], p[1], m_nEndStyle == kRoundedRect); });
        break;
    case CSK_ELLIPSE:
        if (n != 2)
            break;
        FilledOrStroked(d, fill, [&] { d.Arc(BoxOf(p[0], p[1]), p[0], p[0]); });
        break;
    case CSK_BEZIER:
    case CSK_BAND:
        DrawCurve(d, *this, fill, erase != 0);
        break;
    case CSK_BOW:
        if (n >= 2)
            DrawBow(dc, CRect(p[0].x, p[0].y, p[1].x, p[1].y), p[0], erase);
        break;
    case CSK_IMAGES:
        DrawImages(d, m_listBitmap);
        break;
    case CSK_TEXT:
        if (m_arrText.GetSize() == 0)
            break;
        d.SetBkMode(TRANSPARENT);
        for (int i = 0; i < m_arrText.GetSize(); ++i) {
            CCustomSymbolTextObject& item = m_arrText[i];
            DrawTextA(dc, static_cast<int>(item.m_dX), static_cast<int>(item.m_dY), item.m_nLength, item.m_pText,
                      &item.m_lf, CRect(), 0, 0, 0);
        }
        break;
    default:
        break;
    }
    return 1;
}

void CCustomSymbolObject::DrawTextA(CDC* dc, int x, int y, int length, unsigned short* text, LOGFONTA* font, CRect,
                                    int, int, short)
{
    if (!dc || !text || !font || length <= 0)
        return;
    LOGFONTA lf = *font;
    lf.lfHeight = -4 * ((std::abs(MulDiv(font->lfHeight, dc->GetDeviceCaps(LOGPIXELSY), 72)) + 2) / 4);
    const bool music = std::strncmp(lf.lfFaceName, kMusicFace, sizeof lf.lfFaceName) == 0;
    if (music)
        lf.lfCharSet = DEFAULT_CHARSET;
    CFont f;
    if (!f.CreateFontIndirect(&lf))
        return;
    CFont* oldFont = dc->SelectObject(&f);
    const COLORREF oldColour = dc->SetTextColor(m_nFill == kFillWhiteText ? kWhite : kBlack);
    const int oldMode = dc->SetBkMode(TRANSPARENT);
    const UINT oldAlign = dc->GetTextAlign();
    std::u16string units(text, text + length);
    if (music && length == 1) {
        const char first = static_cast<char>(text[0] & 0xFF);
        MyDrawTextOut(dc, x, y, &first, 1);
    } else {
        // The music font keeps its symbols 256 above the byte codes, but
        // for 241-249.
        if (music) {
            for (char16_t& u : units) {
                const int low = u & 0xFF;
                if ((u >> 8) == 0 && (low < 241 || low > 249))
                    u = static_cast<char16_t>(u + 256);
            }
        }
        ::TextOutW(dc->m_hDC, x, y, units.c_str(), length);
    }
    dc->SetTextAlign(oldAlign);
    dc->SetBkMode(oldMode);
    dc->SetTextColor(oldColour);
    if (oldFont)
        dc->SelectObject(oldFont);
}

void CCustomSymbolObject::DrawBow(CDC* dc, CRect box, CPoint origin, int erase)
{
    if (!dc)
        return;
    CPen pen(PS_SOLID, erase ? 2 : 1, erase ? kWhite : kBlack);
    Tools tools(*dc, &pen, erase ? WHITE_BRUSH : BLACK_BRUSH);
    const int W = box.right - box.left;
    const int H = box.bottom - box.top;
    std::vector<POINT> points;
    switch (m_nBowForm) {
    case 1:
        points = {{3 * W / 5, 0},      {0, H / 6},         {W, 2 * H / 5},  {0, H / 2},          {W, 3 * H / 5},
                  {0, 5 * H / 6},      {3 * W / 5, H},     {-W / 5, 5 * H / 6}, {4 * W / 5, 3 * H / 5}, {-2, H / 2},
                  {4 * W / 5, 2 * H / 5}, {-W / 5, H / 6}, {3 * W / 5, 0}};
        break;
    case 2:
        points = {{4 * W / 5, 0},          {4 * W / 5, H / 15},      {2 * W / 5, 2 * H / 15},  {0, 2 * H / 15},
                  {0, 2 * H / 15},         {0, 13 * H / 15},         {0, 13 * H / 15},         {2 * W / 5, 13 * H / 15},
                  {4 * W / 5, 14 * H / 15}, {4 * W / 5, H},          {4 * W / 5, 14 * H / 15}, {2 * W / 5, 13 * H / 15},
                  {5, 13 * H / 15},        {5, 13 * H / 15},         {5, 2 * H / 15},          {5, 2 * H / 15},
                  {2 * W / 5, 2 * H / 15}, {4 * W / 5, H / 15},      {4 * W / 5, 0}};
        break;
    case 3:
        points = {{2 * W / 5, 0}, {2 * W / 5, H}, {3 * W / 5, H}, {3 * W / 5, 0}, {2 * W / 5, 0}};
        break;
    default:
        return;
    }
    const bool mirror = box.bottom < box.top || (m_nEndStyle == kMirrorBow && m_nBowForm != 3);
    for (POINT& p : points) {
        if (mirror)
            p.x = W - p.x;
        p.x += origin.x;
        p.y += origin.y;
    }
    const int count = static_cast<int>(points.size());
    if (m_nFill) {
        dc->BeginPath();
        if (m_nBowForm == 3)
            dc->Polygon(points.data(), count);
        else
            dc->PolyBezier(points.data(), count);
        dc->EndPath();
        dc->FillPath();
    }
    if (m_nBowForm == 3)
        dc->Polyline(points.data(), count);
    else
        dc->PolyBezier(points.data(), count);
}

void CCustomSymbolObject::DrawArrow(CDC* dc)
{
    if (!dc || m_arrPoint.GetSize() < 2 || (m_nArrowType != 1 && m_nArrowType != 2))
        return;
    const POINT a = m_arrPoint[0];
    const POINT b = m_arrPoint[1];
    const int64_t dx = int64_t(b.x) - a.x;
    const int64_t dy = int64_t(b.y) - a.y;
    const int h = IntLength(dx, dy) / 2;
    if (h == 0)
        return;
    const int w = m_nPenWidth;
    const POINT s0 = SidePoint(a, b, 1, w, 0);
    const POINT s1 = SidePoint(a, b, 1, w, 1);
    const int e = IntLength(int64_t(s0.x) - s1.x, int64_t(s0.y) - s1.y) / 2;
    const POINT v {static_cast<LONG>(dx * e / h), static_cast<LONG>(dy * e / h)};
    const bool atEnd = m_nArrowEnd == 1;
    const POINT base = atEnd ? b : a;
    const POINT tip = atEnd ? POINT {b.x + v.x, b.y + v.y} : POINT {a.x - v.x, a.y - v.y};
    const POINT barb0 = SidePoint(a, b, atEnd ? 2 : 1, w, 0);
    const POINT barb1 = SidePoint(a, b, atEnd ? 2 : 1, w, 1);

    CPen pen(PS_SOLID, 1, kBlack);
    Tools tools(*dc, &pen, BLACK_BRUSH);
    if (m_nArrowType == 1) {
        dc->MoveTo(tip);
        dc->LineTo(barb0);
        dc->MoveTo(tip);
        dc->LineTo(barb1);
        dc->MoveTo(tip);
        dc->LineTo(base);
    } else {
        dc->BeginPath();
        dc->MoveTo(tip);
        dc->LineTo(barb0);
        dc->LineTo(barb1);
        dc->LineTo(tip);
        dc->EndPath();
        dc->StrokeAndFillPath();
    }
}

void CCustomSymbolObject::DrawWaterLine(CDC* dc)
{
    if (m_nPenWidth < 1)
        m_nPenWidth = 1;
    if (!dc || m_arrPoint.GetSize() < 2)
        return;
    const POINT a = m_arrPoint[0];
    const POINT b = m_arrPoint[1];
    const int64_t dx = int64_t(b.x) - a.x;
    const int64_t dy = int64_t(b.y) - a.y;
    const int64_t step = 2 * int64_t(m_nPenWidth);
    const int64_t length = IntLength(dx, dy);
    if (length == 0)
        return;
    const int64_t n = length / step;
    const POINT left = SidePoint(a, b, 1, m_nPenWidth, 0);
    const POINT right = SidePoint(a, b, 1, m_nPenWidth, 1);
    auto at = [&](POINT p, int64_t k) {
        return POINT {static_cast<LONG>(p.x + dx * step * k / length), static_cast<LONG>(p.y + dy * step * k / length)};
    };
    for (int64_t i = 0; i < n; i += 3) {
        const POINT curve[] = {at(a, i), at(left, i + 1), at(right, i + 2), at(a, i + 3)};
        dc->BeginPath();
        dc->PolyBezier(curve, 4);
        dc->EndPath();
        dc->FillPath();
        dc->PolyBezier(curve, 4);
    }
}

short CCustomSymbolObject::GetTextBaseLine(CDC* dc)
{
    if (!dc)
        return 0;
    int ascent = 0;
    for (int i = 0; i < m_arrText.GetSize(); ++i) {
        CFont font;
        if (!font.CreateFontIndirect(&m_arrText[i].m_lf))
            return 0;
        CFont* old = dc->SelectObject(&font);
        TEXTMETRICA metrics {};
        dc->GetTextMetrics(&metrics);
        if (old)
            dc->SelectObject(old);
        ascent = std::max<int>(ascent, metrics.tmAscent);
    }
    return static_cast<short>(ascent);
}

void CCustomSymbolObject::DrawToMemoryDcForPoint(CDC* dc)
{
    if (!dc)
        return;
    CPen pen;
    if (!pen.CreatePen(PS_SOLID, m_nPenWidth, kBlack))
        return;
    CDC& d = *dc;
    CPen* old = d.SelectObject(&pen);
    const int n = m_arrPoint.GetSize();
    const POINT* p = m_arrPoint.GetData();
    switch (m_nKind) {
    case CSK_FREEHAND:
        if (n > 0) {
            d.MoveTo(p[0]);
            for (int i = 0; i < n; ++i)
                d.LineTo(p[i]);
        }
        break;
    case CSK_LINE:
        if (n < 2)
            break;
        // While drawing in, line style 3 shows the band.
        DrawLineBody(d, *this, m_nLineStyle == kEndBand);
        break;
    case CSK_RECTANGLE:
        if (n == 2)
            DrawBox(d, p[0], p[1], m_nEndStyle == kRoundedRect);
        break;
    case CSK_ELLIPSE:
        if (n == 2)
            d.Ellipse(BoxOf(p[0], p[1]));
        break;
    case CSK_POLYGON:
        if (n > 1 && p[n - 1].x == p[0].x && p[n - 1].y == p[0].y) {
            d.Polygon(p, n);
        } else {
            for (int i = 0; i + 1 < n; ++i) {
                d.MoveTo(p[i]);
                d.LineTo(p[i + 1]);
            }
        }
        break;
    case CSK_BEZIER:
    case CSK_BAND:
        DrawCurve(d, *this, m_nFill != 0, false);
        break;
    case CSK_BOW:
        if (n >= 2)
            DrawBow(dc, CRect(p[0].x, p[0].y, p[1].x, p[1].y), p[0], 0);
        break;
    case CSK_IMAGES:
        DrawImages(d, m_listBitmap);
        break;
    default:
        break;
    }
    if (old)
        d.SelectObject(old);
}
