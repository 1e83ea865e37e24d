// The outlines of the exact hit-test of lines and shapes, one drawer per kind.

#include "model/HitShapes.h"

#include "model/CustomSymbol.h"
#include "model/KVMsg.h"

#include <algorithm>
#include <cstdlib>

namespace hitshape {
namespace {

// Part indices that an outline hit reports.
constexpr int kPartStart = 0;
constexpr int kPartLine = 2;
constexpr int kPartHairpin = 3;
constexpr int kPartShape = 4;
constexpr int kPartSlurMiddle = 2;
constexpr int kPartSlurSide = 3;
constexpr int kNoPart = -1;

// How far from the middle point of a page slur the middle part reaches.
constexpr int kSlurMiddleReach = 100;

// The thinnest pen of the test, so that a thin line can still be grabbed.
constexpr int kMinPen = 5;

// The drawn bounding rectangle in the test's coordinates.
struct Box {
    int left, top, right, bottom;
};

Box DrawnBox(const CKVMsg& msg, POINT origin)
{
    return {msg.m_nLayout4 - origin.x, msg.m_nLayout1 - origin.y, msg.m_nLayout3 - origin.x,
            msg.m_nLayout2 - origin.y};
}

// The pen width: the height field in points at the device's resolution,
// `per` dots per point-inch (72 for most kinds, 144 for the thin ones).
int PenWidth(CDC& dc, const CKVMsg& msg, int per)
{
    const int dpi = dc.GetDeviceCaps(LOGPIXELSY);
    return std::max(kMinPen, MulDiv(msg.m_lHeight, dpi, per));
}

// Draws with a black pen of `width` and no fill for the life of the object.
class OutlinePen {
public:
    OutlinePen(CDC& dc, int width) : m_dc(dc), m_pen(PS_SOLID, width, RGB(0, 0, 0))
    {
        m_oldPen = m_dc.SelectObject(&m_pen);
        m_oldBrush = m_dc.SelectStockObject(NULL_BRUSH);
    }
    ~OutlinePen()
    {
        if (m_oldBrush)
            m_dc.SelectObject(m_oldBrush);
        if (m_oldPen)
            m_dc.SelectObject(m_oldPen);
    }
    OutlinePen(const OutlinePen&) = delete;
    OutlinePen& operator=(const OutlinePen&) = delete;

private:
    CDC& m_dc;
    CPen m_pen;
    CPen* m_oldPen = nullptr;
    CGdiObject* m_oldBrush = nullptr;
};

// Ellipse, rectangle and rounded rectangle: too small for their pen, or the
// point outside them, cannot be hit.
int ClosedShape(CDC& dc, CKVMsg& msg, POINT origin)
{
    const Box b = DrawnBox(msg, origin);
    const int thick = static_cast<int>(msg.m_lHeight);
    const int width = std::abs(b.right - b.left);
    const int height = std::abs(b.bottom - b.top);
    if (width < 2 * thick || height < 2 * thick)
        return kNoPart;
    if (0 < std::min(b.left, b.right) || 0 > std::max(b.left, b.right) || 0 < std::min(b.top, b.bottom) ||
        0 > std::max(b.top, b.bottom))
        return kNoPart;
    OutlinePen pen(dc, PenWidth(dc, msg, 72));
    switch (msg.m_byKind) {
    case MSG_ELLIPSE:
        dc.Ellipse(b.left, b.top, b.right, b.bottom);
        break;
    case MSG_RECTANGLE:
        dc.Rectangle(b.left, b.top, b.right, b.bottom);
        break;
    default: {
        const int corner = std::min(width, height) / 4;
        dc.RoundRect(b.left, b.top, b.right, b.bottom, corner, corner);
        break;
    }
    }
    return kPartShape;
}

int Polyline(CDC& dc, CKVMsg& msg, const POINT* points, int count, int per, int part)
{
    OutlinePen pen(dc, PenWidth(dc, msg, per));
    dc.Polyline(points, count);
    return part;
}

// The "M" shape: both ends, a peak between them, on a base line.
int ZigzagM(CDC& dc, CKVMsg& msg, POINT origin)
{
    const int s = std::min(msg.m_nLayout4, msg.m_nLayout2) - origin.x;
    const int e = std::max(msg.m_nLayout4, msg.m_nLayout2) - origin.x;
    const int p = msg.m_nLayout3 - origin.x;
    const int base = msg.m_nLayout1 - origin.y;
    const int h = static_cast<short>(msg.m_wObjWord);
    if (e - s < 2 || h < 1)
        return kNoPart;
    const POINT points[] = {{s, base - h}, {s, base}, {p - h, base}, {p, base - h}, {p + h, base}, {e, base}, {e, base - h}};
    return Polyline(dc, msg, points, 7, 72, kPartStart);
}

// One curve through a page slur's three points, as two Bezier halves that
// meet smoothly at the middle point.
void SlurCurve(CDC& dc, POINT a, POINT m, POINT e)
{
    const int tx = (e.x - a.x) / 6;
    const int ty = (e.y - a.y) / 6;
    const POINT points[] = {a,
                            {a.x + (m.x - a.x) / 3, a.y + (m.y - a.y) / 3},
                            {m.x - tx, m.y - ty},
                            m,
                            {m.x + tx, m.y + ty},
                            {e.x + (m.x - e.x) / 3, e.y + (m.y - e.y) / 3},
                            e};
    dc.PolyBezier(points, 7);
}

// The page slur: anchor, middle point (anchor + the two object words) and
// end (anchor + the second position), in page coordinates.
int PageSlur(CDC& dc, CKVMsg& msg, POINT origin)
{
    const POINT a {msg.m_nPosX - origin.x, msg.m_nPosY - origin.y};
    const POINT m {a.x + static_cast<short>(msg.m_wObjWord), a.y + static_cast<short>(msg.m_dwWord)};
    const POINT e {a.x + msg.m_nPosX2, a.y + msg.m_nPosY2};
    const bool inFirst = std::min(a.x, m.x) <= 0 && 0 <= std::max(a.x, m.x);
    const bool inSecond = std::min(m.x, e.x) <= 0 && 0 <= std::max(m.x, e.x);
    if (!inFirst && !inSecond)
        return kNoPart;
    const int rows = std::max(kMinPen, static_cast<int>(msg.m_wDuration));
    {
        OutlinePen pen(dc, 1);
        for (int k = 0; k < rows; ++k)
            SlurCurve(dc, {a.x, a.y + k}, {m.x, m.y + k}, {e.x, e.y + k});
    }
    const int reach = std::max(4, MulDiv(msg.m_wDuration, dc.GetDeviceCaps(LOGPIXELSX), 72));
    const bool middle = std::abs(m.x) <= kSlurMiddleReach && m.y <= 0 && 0 <= m.y + reach;
    return middle ? kPartSlurMiddle : kPartSlurSide;
}

// The custom symbol: its strokes and texts as drawn, placed at the drawn
// rectangle's corner, with strokes at least as wide as the thinnest pen.
// Nothing when its block cannot be read.
int CustomSymbol(CDC& dc, CKVMsg& msg, POINT origin)
{
    if (!msg.m_pHead || msg.m_wHeadLen <= 0)
        return kNoPart;
    CCustomSymbol symbol;
    if (!symbol.ReadBlock(msg.m_pHead, msg.m_wHeadLen, true))
        return kNoPart;
    const Box b = DrawnBox(msg, origin);
    for (int i = 0; i < symbol.m_listObject.GetSize(); ++i) {
        CCustomSymbolObject* object = symbol.m_listObject.GetAt(i);
        if (!object || object->m_nKind == CSK_IMAGES)
            continue;
        object->OffsetStroke({b.left, b.top});
        object->OffsetText(FirstItemShift(*object));
        object->m_nPenWidth = std::max(kMinPen, object->m_nPenWidth);
        object->DrawStroke(&dc, 0, 0, 0);
    }
    return kPartShape;
}

} // namespace

bool HasOutline(int kind)
{
    switch (kind) {
    case MSG_HAIRPIN:
    case MSG_LINE:
    case MSG_ELLIPSE:
    case MSG_RECTANGLE:
    case MSG_ROUNDRECT:
    case MSG_ZIGZAG_N:
    case MSG_ZIGZAG_M:
    case MSG_PAGESLUR:
    case MSG_CURVE:
    case MSG_BEZIER:
    case MSG_CUSTOM:
        return true;
    default:
        return false;
    }
}

int DrawOutline(CDC& dc, CKVMsg& msg, POINT origin)
{
    const Box b = DrawnBox(msg, origin);
    switch (msg.m_byKind) {
    case MSG_CURVE: {
        const POINT points[] = {{b.left, b.top}, {b.right, b.top}, {b.right, b.bottom}};
        return Polyline(dc, msg, points, 3, 72, kPartStart);
    }
    case MSG_ELLIPSE:
    case MSG_RECTANGLE:
    case MSG_ROUNDRECT:
        return ClosedShape(dc, msg, origin);
    case MSG_ZIGZAG_N: {
        const int h = static_cast<short>(msg.m_wObjWord);
        const POINT points[] = {{b.left, b.top - h}, {b.left, b.top}, {b.right, b.bottom}, {b.right, b.bottom + h}};
        return Polyline(dc, msg, points, 4, 144, kPartLine);
    }
    case MSG_ZIGZAG_M:
        return ZigzagM(dc, msg, origin);
    case MSG_LINE: {
        const POINT points[] = {{b.left, b.top}, {b.right, b.bottom}};
        return Polyline(dc, msg, points, 2, 72, kPartLine);
    }
    case MSG_HAIRPIN: {
        const POINT points[] = {{b.right, b.top}, {b.left, msg.m_nPosX2 - origin.y}, {b.right, b.bottom}};
        return Polyline(dc, msg, points, 3, 144, kPartHairpin);
    }
    case MSG_PAGESLUR:
        return PageSlur(dc, msg, origin);
    case MSG_CUSTOM:
        return CustomSymbol(dc, msg, origin);
    default: // the Bezier line is found by its handles only
        return kNoPart;
    }
}

} // namespace hitshape
