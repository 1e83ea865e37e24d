#include "Platform.h"

#include <gtest/gtest.h>

namespace {

void ExpectRect(const RECT& rect, LONG left, LONG top, LONG right, LONG bottom)
{
    EXPECT_EQ(rect.left, left);
    EXPECT_EQ(rect.top, top);
    EXPECT_EQ(rect.right, right);
    EXPECT_EQ(rect.bottom, bottom);
}

TEST(Geometry, IntersectRectOfTouchingOrDisjointRectanglesIsEmpty)
{
    const RECT a{0, 0, 10, 10};
    const RECT b{10, 0, 20, 10};
    RECT out{7, 7, 7, 7};
    EXPECT_FALSE(IntersectRect(&out, &a, &b));
    ExpectRect(out, 0, 0, 0, 0);

    const RECT far{30, 30, 40, 40};
    out = RECT{7, 7, 7, 7};
    EXPECT_FALSE(IntersectRect(&out, &a, &far));
    ExpectRect(out, 0, 0, 0, 0);

    // An empty operand has no common part even when it lies inside.
    const RECT line{2, 2, 8, 2};
    EXPECT_FALSE(IntersectRect(&out, &a, &line));
}

TEST(Geometry, IntersectRectOfOverlappingRectanglesMayWriteOverAnOperand)
{
    RECT a{0, 0, 10, 10};
    const RECT b{5, -5, 15, 5};
    EXPECT_TRUE(IntersectRect(&a, &a, &b));
    ExpectRect(a, 5, 0, 10, 5);
}

TEST(Geometry, UnionRectIgnoresEmptyOperands)
{
    const RECT empty{3, 3, 3, 9};
    const RECT r{1, 1, 5, 5};
    RECT out{};
    EXPECT_TRUE(UnionRect(&out, &empty, &r));
    ExpectRect(out, 1, 1, 5, 5);
    EXPECT_TRUE(UnionRect(&out, &r, &empty));
    ExpectRect(out, 1, 1, 5, 5);

    const RECT inverted{9, 9, 2, 2};
    out = RECT{7, 7, 7, 7};
    EXPECT_FALSE(UnionRect(&out, &empty, &inverted));
    ExpectRect(out, 0, 0, 0, 0);

    RECT a{0, 0, 2, 2};
    const RECT b{5, -1, 6, 1};
    EXPECT_TRUE(UnionRect(&a, &a, &b));
    ExpectRect(a, 0, -1, 6, 2);
}

TEST(Geometry, PtInRectIncludesLeftAndTopOnly)
{
    const RECT r{0, 0, 10, 10};
    EXPECT_FALSE(PtInRect(&r, POINT{10, 5}));
    EXPECT_FALSE(PtInRect(&r, POINT{5, 10}));
    EXPECT_TRUE(PtInRect(&r, POINT{9, 9}));
    EXPECT_TRUE(PtInRect(&r, POINT{0, 0}));
    EXPECT_FALSE(PtInRect(&r, POINT{-1, 0}));
}

TEST(Geometry, EmptinessAndEqualityFollowTheFields)
{
    const RECT zeroWidth{4, 0, 4, 10};
    const RECT inverted{5, 5, 0, 0};
    const RECT unit{0, 0, 1, 1};
    EXPECT_TRUE(IsRectEmpty(&zeroWidth));
    EXPECT_TRUE(IsRectEmpty(&inverted));
    EXPECT_FALSE(IsRectEmpty(&unit));

    // Two empty rectangles at different places are different rectangles.
    const RECT otherEmpty{0, 0, 0, 0};
    EXPECT_FALSE(EqualRect(&zeroWidth, &otherEmpty));
    EXPECT_TRUE(EqualRect(&unit, &unit));
}

TEST(Geometry, CRectNormalizeAndInflate)
{
    CRect r(10, 10, 0, 0);
    r.NormalizeRect();
    ExpectRect(r, 0, 0, 10, 10);

    CRect small(5, 5, 6, 6);
    small.InflateRect(2, 1);
    ExpectRect(small, 3, 4, 8, 7);
    small.DeflateRect(2, 1);
    ExpectRect(small, 5, 5, 6, 6);

    CRect sides(10, 10, 20, 20);
    sides.InflateRect(1, 2, 3, 4);
    ExpectRect(sides, 9, 8, 23, 24);
    sides.DeflateRect(1, 2, 3, 4);
    ExpectRect(sides, 10, 10, 20, 20);
    sides.InflateRect(CSize(1, 1));
    ExpectRect(sides, 9, 9, 21, 21);
}

TEST(Geometry, CRectMeasuresAndMoves)
{
    CRect r(CPoint(-4, 2), CSize(10, 6));
    EXPECT_EQ(r.Width(), 10);
    EXPECT_EQ(r.Height(), 6);
    EXPECT_EQ(r.TopLeft(), CPoint(-4, 2));
    EXPECT_EQ(r.BottomRight(), CPoint(6, 8));
    EXPECT_EQ(r.CenterPoint(), CPoint(1, 5));

    r += CPoint(1, 1);
    ExpectRect(r, -3, 3, 7, 9);
    r -= CPoint(3, 3);
    ExpectRect(r, -6, 0, 4, 6);
    r.OffsetRect(CSize(6, 0));
    ExpectRect(r, 0, 0, 10, 6);

    // The centre of a rectangle near the limits does not overflow.
    const CRect huge(0x7FFFFFF0, 0, 0x7FFFFFFE, 2);
    EXPECT_EQ(huge.CenterPoint().x, 0x7FFFFFF7);
}

TEST(Geometry, CRectUnionIntersectionAndComparison)
{
    CRect r(0, 0, 10, 10);
    r |= CRect(5, 5, 20, 12);
    EXPECT_EQ(r, CRect(0, 0, 20, 12));
    r &= CRect(15, -5, 30, 5);
    EXPECT_EQ(r, CRect(15, 0, 20, 5));
    r &= CRect(100, 100, 110, 110);
    EXPECT_EQ(r, CRect(0, 0, 0, 0));
    EXPECT_NE(r, CRect(1, 0, 0, 0));

    CRect u;
    const RECT a{0, 0, 1, 1};
    const RECT b{3, 3, 4, 4};
    EXPECT_TRUE(u.UnionRect(&a, &b));
    EXPECT_EQ(u, CRect(0, 0, 4, 4));
    EXPECT_FALSE(u.IntersectRect(&a, &b));

    // CRect passes where the free functions take a RECT pointer.
    EXPECT_TRUE(PtInRect(CRect(0, 0, 4, 4), POINT{3, 3}));
    CRect s;
    SetRect(s, 1, 2, 3, 4);
    ExpectRect(s, 1, 2, 3, 4);
}

TEST(Geometry, PointAndSizeArithmetic)
{
    CPoint p(3, 4);
    const CSize s(1, 2);
    EXPECT_EQ(p + s, CPoint(4, 6));
    // The distance between two points is a size.
    EXPECT_EQ(p - CPoint(1, 1), CSize(2, 3));
    EXPECT_EQ(-p, CPoint(-3, -4));
    p -= s;
    EXPECT_EQ(p, CPoint(2, 2));
    EXPECT_NE(p, CPoint(2, 3));
    EXPECT_EQ(CSize(5, 6) - CSize(1, 1), CSize(4, 5));
}

} // namespace
