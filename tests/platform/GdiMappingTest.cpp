#include "support/Drawing.h"
#include "support/KvTest.h"

namespace {

using kvtest::MakeRecordingDC;

class GdiMappingTest : public kvtest::KvTest {};

TEST_F(GdiMappingTest, LineToRecordsDevicePointsThroughOriginsAndExtents)
{
    auto dc = MakeRecordingDC();
    dc->SetMapMode(MM_ANISOTROPIC);
    dc->SetWindowOrg(10, 0);
    dc->SetWindowExt(100, 100);
    dc->SetViewportOrg(5, 5);
    dc->SetViewportExt(200, 150);
    dc->MoveTo(10, 0);
    ASSERT_TRUE(dc->LineTo(20, 10));

    const auto lines = dc->Log().Lines();
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_EQ(lines[0]->device.size(), 2u);
    EXPECT_EQ(lines[0]->device[0], CPoint(5, 5));
    EXPECT_EQ(lines[0]->device[1], CPoint(25, 20));
    EXPECT_EQ(lines[0]->logical[1], CPoint(20, 10));
}

TEST_F(GdiMappingTest, MappingRoundsAsMulDivDoesBothWays)
{
    auto dc = MakeRecordingDC();
    dc->SetMapMode(MM_ANISOTROPIC);
    dc->SetWindowExt(3, 3);
    dc->SetViewportExt(2, 2);
    POINT points[2] = {{1, 1}, {-1, -1}};
    dc->LPtoDP(points, 2);
    EXPECT_EQ(points[0], CPoint(1, 1));
    EXPECT_EQ(points[1], CPoint(-1, -1));

    // Sizes and rectangles ignore origins and keep signs.
    dc->SetWindowOrg(50, 50);
    CSize size(30, -30);
    dc->LPtoDP(&size);
    EXPECT_EQ(size, CSize(20, -20));
    dc->DPtoLP(&size);
    EXPECT_EQ(size, CSize(30, -30));
    CRect rect(50, 50, 53, 56);
    dc->LPtoDP(&rect);
    EXPECT_EQ(rect, CRect(0, 0, 2, 4));
}

TEST_F(GdiMappingTest, TextModeIgnoresExtentsAndZeroExtentsFail)
{
    auto dc = MakeRecordingDC();
    EXPECT_EQ(dc->GetMapMode(), MM_TEXT);
    dc->SetWindowExt(100, 100);
    dc->SetViewportExt(300, 300);
    EXPECT_EQ(dc->GetWindowExt(), CSize(1, 1));
    EXPECT_EQ(dc->GetViewportExt(), CSize(1, 1));
    POINT p {7, 9};
    dc->LPtoDP(&p);
    EXPECT_EQ(p, CPoint(7, 9));

    EXPECT_FALSE(SetWindowExtEx(dc->m_hDC, 0, 5, nullptr));
    dc->SetMapMode(MM_ANISOTROPIC);
    dc->SetWindowExt(100, 100);
    EXPECT_FALSE(SetWindowExtEx(dc->m_hDC, 0, 5, nullptr));
    EXPECT_FALSE(SetViewportExtEx(dc->m_hDC, 5, 0, nullptr));
    EXPECT_EQ(dc->GetWindowExt(), CSize(100, 100));
    EXPECT_EQ(dc->GetViewportExt(), CSize(1, 1));

    // Back to MM_TEXT: 1:1 again.
    dc->SetMapMode(MM_TEXT);
    EXPECT_EQ(dc->GetWindowExt(), CSize(1, 1));
    // Unsupported modes are refused.
    EXPECT_EQ(dc->SetMapMode(MM_LOMETRIC), 0);
    EXPECT_EQ(dc->GetMapMode(), MM_TEXT);
}

TEST_F(GdiMappingTest, CreatePointFontFollowsTheDcZoom)
{
    CFont screenFont;
    ASSERT_TRUE(screenFont.CreatePointFont(120, "DejaVu Sans", nullptr));
    LOGFONTA font {};
    screenFont.GetLogFont(&font);
    EXPECT_EQ(font.lfHeight, -16);
    EXPECT_STREQ(font.lfFaceName, "DejaVu Sans");
    EXPECT_EQ(KvOpenScreenDCs(), 0);

    auto dc = MakeRecordingDC();
    dc->SetMapMode(MM_ANISOTROPIC);
    dc->SetWindowExt(100, 100);
    dc->SetViewportExt(200, 200);
    dc->SetWindowOrg(30, 40); // origins cancel out
    CFont zoomed;
    ASSERT_TRUE(zoomed.CreatePointFont(120, "DejaVu Sans", dc.get()));
    zoomed.GetLogFont(&font);
    EXPECT_EQ(font.lfHeight, -8);
}

TEST_F(GdiMappingTest, ClipBoxIsTheSurfaceInLogicalUnits)
{
    auto dc = MakeRecordingDC(400, 300);
    dc->SetMapMode(MM_ANISOTROPIC);
    dc->SetWindowExt(1, 1);
    dc->SetViewportExt(2, 2);
    CRect clip;
    EXPECT_EQ(dc->GetClipBox(&clip), SIMPLEREGION);
    EXPECT_EQ(clip, CRect(0, 0, 200, 150));
}

} // namespace
