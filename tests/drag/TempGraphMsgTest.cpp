// The rubber band on real pixels: each outline drawn twice leaves the view
// as it was, an Alt copy keeps the original's outline, and the picture of a
// dragged line holds that line only.

#include "support/ShapeDrag.h"
#include "support/PngPixels.h"
#include "support/RenderSupport.h"

#include "drag/TempShapes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>

namespace {

class TempGraphMsgTest : public kvtest::ShapeDragFixture {};

TEST_F(TempGraphMsgTest, OutlinesDrawnTwiceLeaveThePixelsAsTheyWere)
{
    Doc().m_CtrlTool.m_nCurLineWidth = 3;
    const std::function<std::unique_ptr<CTempMsg>()> makers[] = {
        [] { return std::make_unique<CTempLineMsg>(); },
        [] { return std::make_unique<CTempPageSlurMsg>(); },
        [] { return std::make_unique<CTempEllipseMsg>(); },
    };
    for (const auto& make : makers) {
        auto view = RasterView(400, 300);
        uint32_t seed = 777;
        for (int y = 0; y < 300; ++y) {
            for (int x = 0; x < 400; x += 4) {
                seed = seed * 1103515245u + 12345u;
                CRect r(x, y, x + 4, y + 1);
                view->FillSolidRect(&r, RGB(seed >> 8 & 0xFF, seed >> 16 & 0xFF, seed >> 24 & 0xFF));
            }
        }
        std::vector<COLORREF> start;
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 400; ++x)
                start.push_back(view->GetPixel(x, y));

        auto t = make();
        ASSERT_EQ(t->BeginDrag({20, 30}, &Doc(), 100, nullptr, 0), 1);
        t->DrawDraging(view.get()); // what the host shows at the press
        t->Drag(view.get(), {180, 60});
        t->Drag(view.get(), {200, 200});
        int changed = 0;
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 400; ++x)
                changed += view->GetPixel(x, y) != start[y * 400 + x];
        EXPECT_GT(changed, 100);
        t->DrawDraging(view.get());
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 400; ++x)
                ASSERT_EQ(view->GetPixel(x, y), start[y * 400 + x]) << x << ", " << y;
        EXPECT_EQ(view->GetROP2(), R2_COPYPEN);
    }
}

TEST_F(TempGraphMsgTest, AltCopyKeepsTheOriginalOutline)
{
    CKVMsg* line = score->Symbol(Meas(1), MSG_LINE, 20, -30);
    line->m_nPosX2 = 100;
    PointCursorAt(line);
    host.HoldKey(VK_MENU);
    CTempLineMsg t;
    ASSERT_EQ(t.BeginDrag({370, 194}, &Doc(), 100, line, 2), 1);
    host.ReleaseKey(VK_MENU);
    t.Drag(&View(), {380, 200});
    EXPECT_EQ(Calls("Polyline").size(), 1u);
    ClearLog();
    t.Drag(&View(), {390, 200});
    EXPECT_EQ(Calls("Polyline").size(), 2u);
    t.EndDrag({390, 200});
    EXPECT_EQ(Meas(1)->GetMsgNum(), 2);
}

TEST_F(TempGraphMsgTest, BandPictureHoldsTheLineOnly)
{
    auto view = RasterView(400, 300);
    CTempLineMsg line;
    ASSERT_EQ(line.BeginDrag({20, 30}, &Doc(), 100, nullptr, 0), 1);
    line.Drag(view.get(), {180, 30});
    const std::string path = kvtest::WritePicture(*view, "band.png");
    ASSERT_FALSE(path.empty());
    kvtest::PngPixels png(path);
    ASSERT_TRUE(png.Ok());
    int black = 0;
    for (int y = 0; y < png.Height(); ++y) {
        for (int x = 0; x < png.Width(); ++x) {
            if (png.Rgb(x, y) != 0)
                continue;
            ++black;
            EXPECT_TRUE(y >= 29 && y <= 31 && x >= 19 && x <= 181) << x << ", " << y;
        }
    }
    EXPECT_GE(black, 150);
}

} // namespace
