#include "Rect.h"

#include <algorithm>
#include <cstdint>
#include <utility>

BOOL SetRect(LPRECT rect, int left, int top, int right, int bottom)
{
    if (!rect)
        return FALSE;
    *rect = RECT{left, top, right, bottom};
    return TRUE;
}

BOOL SetRectEmpty(LPRECT rect)
{
    return SetRect(rect, 0, 0, 0, 0);
}

BOOL IsRectEmpty(LPCRECT rect)
{
    return !rect || rect->right <= rect->left || rect->bottom <= rect->top;
}

BOOL UnionRect(LPRECT result, LPCRECT a, LPCRECT b)
{
    if (!result || !a || !b)
        return FALSE;
    const bool emptyA = IsRectEmpty(a);
    const bool emptyB = IsRectEmpty(b);
    if (emptyA && emptyB) {
        SetRectEmpty(result);
        return FALSE;
    }
    // Work on copies: the result may be one of the operands.
    RECT out;
    if (emptyA)
        out = *b;
    else if (emptyB)
        out = *a;
    else
        out = RECT{std::min(a->left, b->left), std::min(a->top, b->top),
                   std::max(a->right, b->right), std::max(a->bottom, b->bottom)};
    *result = out;
    return TRUE;
}

BOOL IntersectRect(LPRECT result, LPCRECT a, LPCRECT b)
{
    if (!result || !a || !b)
        return FALSE;
    const RECT out{std::max(a->left, b->left), std::max(a->top, b->top),
                   std::min(a->right, b->right), std::min(a->bottom, b->bottom)};
    if (IsRectEmpty(a) || IsRectEmpty(b) || IsRectEmpty(&out)) {
        SetRectEmpty(result);
        return FALSE;
    }
    *result = out;
    return TRUE;
}

BOOL OffsetRect(LPRECT rect, int dx, int dy)
{
    if (!rect)
        return FALSE;
    rect->left += dx;
    rect->right += dx;
    rect->top += dy;
    rect->bottom += dy;
    return TRUE;
}

BOOL InflateRect(LPRECT rect, int dx, int dy)
{
    if (!rect)
        return FALSE;
    rect->left -= dx;
    rect->right += dx;
    rect->top -= dy;
    rect->bottom += dy;
    return TRUE;
}

BOOL PtInRect(LPCRECT rect, POINT point)
{
    return rect && point.x >= rect->left && point.x < rect->right && point.y >= rect->top && point.y < rect->bottom;
}

BOOL EqualRect(LPCRECT a, LPCRECT b)
{
    return a && b && a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}

CPoint CRect::CenterPoint() const
{
    // The sums may exceed 32 bits although the midpoints never do.
    return CPoint(static_cast<int>((static_cast<int64_t>(left) + right) / 2),
                  static_cast<int>((static_cast<int64_t>(top) + bottom) / 2));
}

void CRect::InflateRect(int l, int t, int r, int b)
{
    left -= l;
    top -= t;
    right += r;
    bottom += b;
}

void CRect::NormalizeRect()
{
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
}
