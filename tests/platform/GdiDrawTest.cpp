#include "support/Drawing.h"
#include "support/KvTest.h"

#include <vector>

namespace {

using kvtest::MakeRasterDC;
using kvtest::MakeRecordingDC;

class GdiDrawTest : public kvtest::KvTest {};

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// Rows (or columns) of a raster DC that hold any non-white pixel.
std::vector<int> InkedRows(CDC& dc, int width, int height)
{
    std::vector<int> rows;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (dc.GetPixel(x, y) != kWhite) {
                rows.push_back(y);
                break;
            }
    return rows;
}

TEST_F(GdiDrawTest, StretchBltRepeatsSourcePixels)
{
    // 2 x 1 image: red, blue (32-bit rows are B, G, R, x).
    const BYTE bits[] = {0, 0, 255, 0, 255, 0, 0, 0};
    CBitmap image;
    ASSERT_TRUE(image.CreateBitmap(2, 1, 1, 32, bits));
    CDC source;
    ASSERT_TRUE(source.CreateCompatibleDC(nullptr));
    CBitmap* old = source.SelectObject(&image);
    ASSERT_NE(old, nullptr);

    auto page = MakeRasterDC(8, 8);
    ASSERT_TRUE(page->StretchBlt(0, 0, 4, 2, &source, 0, 0, 2, 1, SRCCOPY));
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(page->GetPixel(0, y), RGB(255, 0, 0));
        EXPECT_EQ(page->GetPixel(1, y), RGB(255, 0, 0));
        EXPECT_EQ(page->GetPixel(2, y), RGB(0, 0, 255));
        EXPECT_EQ(page->GetPixel(3, y), RGB(0, 0, 255));
    }
    EXPECT_EQ(page->GetPixel(4, 0), kWhite);
    EXPECT_EQ(page->GetPixel(0, 2), kWhite);
    source.SelectObject(old);
}

TEST_F(GdiDrawTest, BlitFromAnUnpreparedMemoryDcReadsOnlyItsOnePixel)
{
    CDC unprepared;
    ASSERT_TRUE(unprepared.CreateCompatibleDC(nullptr));
    auto page = MakeRasterDC(30, 30);
    EXPECT_TRUE(page->BitBlt(5, 5, 20, 20, &unprepared, 0, 0, SRCCOPY));
    EXPECT_EQ(page->GetPixel(5, 5), kBlack); // the starting bitmap is black
    EXPECT_EQ(page->GetPixel(6, 5), kWhite);
    EXPECT_EQ(page->GetPixel(24, 24), kWhite);
    EXPECT_TRUE(page->BitBlt(0, 0, 20, 20, &unprepared, -10, -10, ROP_DPSOXN));
    EXPECT_EQ(page->GetPixel(0, 0), kWhite);

    auto log = MakeRecordingDC();
    EXPECT_TRUE(log->BitBlt(0, 0, 500, 500, &unprepared, 0, 0, ROP_DPSOXN));
    ASSERT_EQ(log->Log().Calls("BitBlt").size(), 1u);
    EXPECT_TRUE(log->Log().Glyphs().empty());
}

TEST_F(GdiDrawTest, OnePixelMonochromeBitmapTakesALineThroughIt)
{
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateBitmap(1, 1, 1, 1, nullptr));
    CBitmap* old = dc.SelectObject(&bitmap);
    dc.FillSolidRect(0, 0, 1, 1, kWhite);
    EXPECT_EQ(dc.GetPixel(0, 0), kWhite);
    dc.MoveTo(0, 3);
    dc.LineTo(5, 3);
    EXPECT_EQ(dc.GetPixel(0, 0), kWhite);
    dc.MoveTo(-5, 0);
    dc.LineTo(5, 0);
    EXPECT_EQ(dc.GetPixel(0, 0), kBlack);
    // Outside the bitmap there are no pixels.
    EXPECT_EQ(dc.GetPixel(1, 0), CLR_INVALID);
    EXPECT_EQ(dc.GetPixel(-1, 0), CLR_INVALID);
    dc.SelectObject(old);
}

TEST_F(GdiDrawTest, ThinPenUnderZoomDrawsOneDevicePixelRow)
{
    auto dc = MakeRasterDC(80, 40);
    kvtest::SetScale(*dc, 100, 400);
    CPen pen(PS_SOLID, 0, kBlack);
    dc->SelectObject(&pen);
    dc->MoveTo(1, 2);
    dc->LineTo(15, 2);
    dc->SetMapMode(MM_TEXT);
    EXPECT_EQ(InkedRows(*dc, 80, 40), std::vector<int> {8});
    // Device columns 4 to 59: the end pixel is left out.
    EXPECT_EQ(dc->GetPixel(3, 8), kWhite);
    EXPECT_EQ(dc->GetPixel(4, 8), kBlack);
    EXPECT_EQ(dc->GetPixel(59, 8), kBlack);
    EXPECT_EQ(dc->GetPixel(60, 8), kWhite);
    dc->SelectStockObject(BLACK_PEN);
}

TEST_F(GdiDrawTest, ZeroLengthDashesWithRoundCapsDrawSeparateDots)
{
    auto dc = MakeRasterDC(200, 40);
    const DWORD w = 6;
    const DWORD dashes[] = {0, 3 * w};
    LOGBRUSH brush {BS_SOLID, kBlack, 0};
    CPen pen(PS_GEOMETRIC | PS_USERSTYLE | PS_ENDCAP_ROUND, w, &brush, 2, dashes);
    ASSERT_NE(pen.m_hObject, nullptr);
    dc->SelectObject(&pen);
    dc->MoveTo(10, 20);
    dc->LineTo(190, 20);
    // Along the line, ink comes in runs about one pen wide with gaps between.
    int runs = 0;
    int longest = 0;
    int run = 0;
    for (int x = 0; x < 200; ++x) {
        if (dc->GetPixel(x, 20) != kWhite) {
            ++run;
        } else if (run > 0) {
            ++runs;
            longest = std::max(longest, run);
            run = 0;
        }
    }
    EXPECT_GE(runs, 8);
    EXPECT_LE(longest, int(w) + 1);
    dc->SelectStockObject(BLACK_PEN);
}

TEST_F(GdiDrawTest, PenStylesDashesAndCapsAreLogged)
{
    auto dc = MakeRecordingDC();
    CPen dotted(PS_DOT, 1, RGB(0, 0, 255));
    dc->SelectObject(&dotted);
    dc->MoveTo(0, 0);
    dc->LineTo(10, 0);
    const DWORD dashes[] = {0, 9};
    LOGBRUSH brush {BS_SOLID, RGB(255, 0, 0), 0};
    CPen user(PS_GEOMETRIC | PS_USERSTYLE | PS_ENDCAP_ROUND | PS_JOIN_BEVEL, 3, &brush, 2, dashes);
    dc->SelectObject(&user);
    dc->LineTo(20, 0);
    dc->SelectStockObject(BLACK_PEN);

    const auto lines = dc->Log().Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0]->penStyle, PS_DOT);
    EXPECT_EQ(lines[0]->penColour, RGB(0, 0, 255));
    EXPECT_EQ(lines[1]->penStyle, PS_USERSTYLE);
    EXPECT_EQ(lines[1]->penType, PS_GEOMETRIC);
    EXPECT_EQ(lines[1]->penWidth, 3);
    EXPECT_EQ(lines[1]->penDashes, (std::vector<DWORD> {0, 9}));
    EXPECT_EQ(lines[1]->penCap, PS_ENDCAP_ROUND);
    EXPECT_EQ(lines[1]->penJoin, PS_JOIN_BEVEL);

    // Bad dash arrays make no pen.
    EXPECT_EQ(ExtCreatePen(PS_GEOMETRIC | PS_USERSTYLE, 3, &brush, 0, dashes), nullptr);
    EXPECT_EQ(ExtCreatePen(PS_GEOMETRIC | PS_USERSTYLE, 3, &brush, 17, dashes), nullptr);
    EXPECT_EQ(ExtCreatePen(PS_GEOMETRIC | PS_SOLID, 3, &brush, 2, dashes), nullptr);
}

TEST_F(GdiDrawTest, ArcWithEqualRadialsIsAWholeEllipse)
{
    auto dc = MakeRasterDC(60, 60);
    ASSERT_TRUE(dc->Arc(10, 10, 51, 41, 60, 25, 60, 25));
    // Ink on every side: left, right, top and bottom.
    EXPECT_EQ(dc->GetPixel(10, 25), kBlack);
    EXPECT_EQ(dc->GetPixel(50, 25), kBlack);
    EXPECT_EQ(dc->GetPixel(30, 10), kBlack);
    EXPECT_EQ(dc->GetPixel(30, 40), kBlack);
    EXPECT_EQ(dc->GetPixel(30, 25), kWhite);

    // A half arc from the right radial to the left one goes over the top.
    auto half = MakeRasterDC(60, 60);
    ASSERT_TRUE(half->Arc(10, 10, 51, 41, 60, 25, 0, 25));
    EXPECT_EQ(half->GetPixel(30, 10), kBlack);
    EXPECT_EQ(half->GetPixel(30, 40), kWhite);

    auto log = MakeRecordingDC();
    EXPECT_FALSE(log->Arc(10, 10, 50, 10, 0, 0, 0, 0));
    EXPECT_FALSE(log->Arc(10, 10, 10, 50, 0, 0, 0, 0));
    ASSERT_EQ(log->Log().Shapes().size(), 2u);
    EXPECT_FALSE(log->Log().Shapes()[0]->result);
}

TEST_F(GdiDrawTest, ShapesKeepExclusiveRightAndBottomEdges)
{
    auto dc = MakeRasterDC(40, 40);
    CBrush brush(RGB(255, 0, 0));
    dc->SelectObject(&brush);
    dc->Rectangle(5, 5, 15, 12);
    EXPECT_EQ(dc->GetPixel(5, 5), kBlack);
    EXPECT_EQ(dc->GetPixel(14, 11), kBlack);
    EXPECT_EQ(dc->GetPixel(15, 11), kWhite);
    EXPECT_EQ(dc->GetPixel(14, 12), kWhite);
    EXPECT_EQ(dc->GetPixel(10, 8), RGB(255, 0, 0));
    dc->FillRect(CRect(20, 20, 30, 25), &brush);
    EXPECT_EQ(dc->GetPixel(29, 24), RGB(255, 0, 0));
    EXPECT_EQ(dc->GetPixel(30, 24), kWhite);
    EXPECT_EQ(dc->GetPixel(29, 25), kWhite);
    dc->SelectStockObject(WHITE_BRUSH);
}

TEST_F(GdiDrawTest, BadCountsDrawNothing)
{
    auto dc = MakeRecordingDC();
    const POINT points[7] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}};
    EXPECT_FALSE(dc->PolyBezier(points, 3));
    EXPECT_FALSE(dc->PolyBezier(points, 5));
    EXPECT_FALSE(dc->PolyBezier(points, -1));
    EXPECT_TRUE(dc->PolyBezier(points, 7));
    EXPECT_FALSE(dc->Polyline(points, 1));
    EXPECT_FALSE(dc->Polygon(points, -3));
    EXPECT_FALSE(dc->TextOut(0, 0, "abc", -1));
    EXPECT_FALSE(dc->TextOut(0, 0, "abc", 1 << 20));
    EXPECT_FALSE(TextOutW(dc->m_hDC, 0, 0, u"abc", -2));
    SIZE size {};
    EXPECT_FALSE(GetTextExtentPoint32A(dc->m_hDC, "abc", -1, &size));
    EXPECT_EQ(dc->Log().Shapes().size(), 1u);
    EXPECT_TRUE(dc->Log().Texts().empty());
}

TEST_F(GdiDrawTest, PathsCollectShapesUntilFilledOrStroked)
{
    auto dc = MakeRasterDC(40, 40);
    KvSetRecording(dc->m_hDC, true);
    CBrush brush(RGB(0, 0, 255));
    dc->SelectObject(&brush);
    EXPECT_FALSE(dc->FillPath()); // no path yet
    dc->BeginPath();
    dc->MoveTo(5, 5);
    dc->LineTo(30, 5);
    dc->LineTo(30, 30);
    dc->LineTo(5, 30);
    EXPECT_EQ(dc->GetPixel(6, 5), kWhite); // nothing drawn inside the bracket
    dc->EndPath();
    EXPECT_TRUE(dc->FillPath());
    EXPECT_EQ(dc->GetPixel(20, 20), RGB(0, 0, 255));
    EXPECT_FALSE(dc->StrokePath()); // the path is used up
    const auto lines = dc->Log().Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(lines[0]->inPath);
    ASSERT_EQ(dc->Log().Calls("FillPath").size(), 1u);
    EXPECT_FALSE(dc->Log().Calls("FillPath")[0]->inPath);
    dc->SelectStockObject(WHITE_BRUSH);
}

TEST_F(GdiDrawTest, NotXorPenDrawnTwiceRestoresThePage)
{
    auto dc = MakeRasterDC(30, 30);
    dc->FillSolidRect(0, 0, 30, 30, RGB(10, 200, 90));
    dc->SetROP2(R2_NOTXORPEN);
    CPen pen(PS_SOLID, 3, RGB(200, 30, 60));
    dc->SelectObject(&pen);
    dc->MoveTo(2, 2);
    dc->LineTo(25, 20);
    EXPECT_NE(dc->GetPixel(13, 11), RGB(10, 200, 90));
    dc->MoveTo(2, 2);
    dc->LineTo(25, 20);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x)
            ASSERT_EQ(dc->GetPixel(x, y), RGB(10, 200, 90)) << x << "," << y;
    dc->SelectStockObject(BLACK_PEN);
}

} // namespace
