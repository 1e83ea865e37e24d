#pragma once
// Geometry: the Win32 rectangle functions and the CPoint, CSize and CRect
// wrappers over POINT, SIZE and RECT.
//
// Rectangles follow the Win32 rules: right and bottom are exclusive, and a
// rectangle is empty when right <= left or bottom <= top. No function
// normalises a rectangle unless it says so.

#include "WinTypes.h"

BOOL SetRect(LPRECT rect, int left, int top, int right, int bottom);
BOOL SetRectEmpty(LPRECT rect);
// TRUE for a null pointer as well.
BOOL IsRectEmpty(LPCRECT rect);
// The smallest rectangle holding both; an empty operand is ignored. FALSE,
// with (0, 0, 0, 0), when both are empty. The result may alias an operand.
BOOL UnionRect(LPRECT result, LPCRECT a, LPCRECT b);
// The common part. FALSE, with (0, 0, 0, 0), when it is empty, which
// includes rectangles that only touch. The result may alias an operand.
BOOL IntersectRect(LPRECT result, LPCRECT a, LPCRECT b);
BOOL OffsetRect(LPRECT rect, int dx, int dy);
// Moves left and right apart by dx each, top and bottom by dy each.
BOOL InflateRect(LPRECT rect, int dx, int dy);
// Left and top are inside, right and bottom outside.
BOOL PtInRect(LPCRECT rect, POINT point);
// Field by field: two empty rectangles at different places differ.
BOOL EqualRect(LPCRECT a, LPCRECT b);

class CSize;

class CPoint : public POINT {
public:
    CPoint() : POINT{0, 0} {}
    CPoint(int x0, int y0) : POINT{x0, y0} {}
    CPoint(const POINT& point) : POINT(point) {}
    explicit CPoint(const SIZE& size) : POINT{size.cx, size.cy} {}

    CPoint& operator+=(const SIZE& size) { x += size.cx; y += size.cy; return *this; }
    CPoint& operator-=(const SIZE& size) { x -= size.cx; y -= size.cy; return *this; }
    CPoint& operator+=(const POINT& point) { x += point.x; y += point.y; return *this; }
    CPoint& operator-=(const POINT& point) { x -= point.x; y -= point.y; return *this; }

    CPoint operator+(const SIZE& size) const { return CPoint(x + size.cx, y + size.cy); }
    CPoint operator-(const SIZE& size) const { return CPoint(x - size.cx, y - size.cy); }
    CPoint operator+(const POINT& point) const { return CPoint(x + point.x, y + point.y); }
    // The distance between two points is a size.
    CSize operator-(const POINT& point) const;
    CPoint operator-() const { return CPoint(-x, -y); }

    // Friends over the plain structures, so that CPoint == POINT, POINT ==
    // CPoint and CPoint == CPoint all pick one candidate.
    friend bool operator==(const POINT& a, const POINT& b) { return a.x == b.x && a.y == b.y; }
    friend bool operator!=(const POINT& a, const POINT& b) { return a.x != b.x || a.y != b.y; }
};

class CSize : public SIZE {
public:
    CSize() : SIZE{0, 0} {}
    CSize(int cx0, int cy0) : SIZE{cx0, cy0} {}
    CSize(const SIZE& size) : SIZE(size) {}
    explicit CSize(const POINT& point) : SIZE{point.x, point.y} {}

    CSize& operator+=(const SIZE& size) { cx += size.cx; cy += size.cy; return *this; }
    CSize& operator-=(const SIZE& size) { cx -= size.cx; cy -= size.cy; return *this; }

    CSize operator+(const SIZE& size) const { return CSize(cx + size.cx, cy + size.cy); }
    CSize operator-(const SIZE& size) const { return CSize(cx - size.cx, cy - size.cy); }
    CSize operator-() const { return CSize(-cx, -cy); }

    friend bool operator==(const SIZE& a, const SIZE& b) { return a.cx == b.cx && a.cy == b.cy; }
    friend bool operator!=(const SIZE& a, const SIZE& b) { return a.cx != b.cx || a.cy != b.cy; }
};

inline CSize CPoint::operator-(const POINT& point) const
{
    return CSize(x - point.x, y - point.y);
}

class CRect : public RECT {
public:
    CRect() : RECT{0, 0, 0, 0} {}
    CRect(int l, int t, int r, int b) : RECT{l, t, r, b} {}
    CRect(const RECT& rect) : RECT(rect) {}
    CRect(LPCRECT rect) : RECT(*rect) {}
    CRect(const POINT& topLeft, const SIZE& size)
        : RECT{topLeft.x, topLeft.y, topLeft.x + size.cx, topLeft.y + size.cy} {}
    CRect(const POINT& topLeft, const POINT& bottomRight)
        : RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y} {}

    operator LPRECT() { return this; }
    operator LPCRECT() const { return this; }

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    CPoint TopLeft() const { return CPoint(left, top); }
    CPoint BottomRight() const { return CPoint(right, bottom); }
    CPoint CenterPoint() const;

    // In place, as the functions of the same names do for a rectangle that
    // is there: handles are set by the hundred thousand on a read.
    void SetRect(int l, int t, int r, int b)
    {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }
    void SetRectEmpty() { SetRect(0, 0, 0, 0); }

    void OffsetRect(int dx, int dy)
    {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }
    void OffsetRect(const POINT& point) { ::OffsetRect(this, point.x, point.y); }
    void OffsetRect(const SIZE& size) { ::OffsetRect(this, size.cx, size.cy); }

    void InflateRect(int dx, int dy) { ::InflateRect(this, dx, dy); }
    void InflateRect(const SIZE& size) { ::InflateRect(this, size.cx, size.cy); }
    // Moves each side outwards by its own amount.
    void InflateRect(int l, int t, int r, int b);
    void DeflateRect(int dx, int dy) { ::InflateRect(this, -dx, -dy); }
    void DeflateRect(const SIZE& size) { ::InflateRect(this, -size.cx, -size.cy); }
    void DeflateRect(int l, int t, int r, int b) { InflateRect(-l, -t, -r, -b); }

    // Swaps the sides where left > right or top > bottom.
    void NormalizeRect();

    BOOL UnionRect(LPCRECT a, LPCRECT b) { return ::UnionRect(this, a, b); }
    BOOL IntersectRect(LPCRECT a, LPCRECT b) { return ::IntersectRect(this, a, b); }

    friend bool operator==(const RECT& a, const RECT& b) { return ::EqualRect(&a, &b) != FALSE; }
    friend bool operator!=(const RECT& a, const RECT& b) { return !::EqualRect(&a, &b); }
    CRect& operator+=(const POINT& point) { OffsetRect(point); return *this; }
    CRect& operator-=(const POINT& point) { OffsetRect(-point.x, -point.y); return *this; }
    CRect& operator|=(const RECT& rect) { ::UnionRect(this, this, &rect); return *this; }
    CRect& operator&=(const RECT& rect) { ::IntersectRect(this, this, &rect); return *this; }
};
