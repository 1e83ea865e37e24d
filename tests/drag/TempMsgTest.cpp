// The drag protocol with a plain box template: what the view sees while
// hovering and dragging, and what the score gets on the drop.

#include "support/DragDriver.h"
#include "support/PngPixels.h"

#include "model/KVMeas.h"
#include "model/KVPage.h"
#include "render/MemoryDC.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using kvtest::Blit;
using kvtest::BoxTemplate;
using BlitList = std::vector<Blit>;

class TempMsgTest : public kvtest::DragFixture {};

TEST_F(TempMsgTest, HoverBlitsOnceAndErasesOnlyWhatItShowed)
{
    BoxTemplate box;
    EXPECT_EQ(box.OnMouseMove({100, 100}, &View(), &Doc(), 100), 1);
    EXPECT_EQ(Blits(), (BlitList {{96, 94, 10, 10}}));
    EXPECT_EQ(box.draws, 2); // measuring pass and image pass
    EXPECT_EQ(box.OnMouseMove({100, 100}, &View(), &Doc(), 100), 1);
    EXPECT_EQ(Blits(), BlitList {});
    box.OnMouseMove({130, 110}, &View(), &Doc(), 100);
    EXPECT_EQ(Blits(), (BlitList {{96, 94, 10, 10}, {126, 104, 10, 10}}));
    EXPECT_EQ(box.draws, 2);

    // A zoom change erases, measures again and shows the new image.
    box.OnMouseMove({140, 120}, &View(), &Doc(), 150);
    EXPECT_EQ(Blits(), (BlitList {{126, 104, 10, 10}, {136, 114, 10, 10}}));
    EXPECT_EQ(box.draws, 4);
    // Back to 100 at the same point: erased, not drawn again until it moves.
    box.OnMouseMove({140, 120}, &View(), &Doc(), 100);
    EXPECT_EQ(Blits(), (BlitList {{136, 114, 10, 10}}));
    EXPECT_EQ(box.draws, 4);

    EXPECT_EQ(box.CalcBoundingRect(nullptr, 0, 0), 1);
    EXPECT_EQ(KvOpenScreenDCs(), 0);
}

TEST_F(TempMsgTest, WithoutADocumentNothingIsDrawnOrStored)
{
    BoxTemplate box;
    const std::string before = Dump();
    EXPECT_EQ(box.OnMouseMove({100, 100}, &View(), nullptr, 100), 1);
    EXPECT_EQ(box.BeginDrag({100, 100}, nullptr, 100, nullptr, 0), -1);
    EXPECT_EQ(box.Drag(&View(), {120, 100}), 1);
    EXPECT_EQ(box.EndDrag({120, 100}), 1);
    EXPECT_EQ(Blits(), BlitList {});
    EXPECT_EQ(box.draws, 0);
    EXPECT_EQ(Dump(), before);
}

TEST_F(TempMsgTest, HoverPixelsComeBackExactly)
{
    auto view = RasterView(400, 300);
    // Fixed pseudo-random pixels.
    uint32_t seed = 12345;
    for (int y = 0; y < 300; y += 1) {
        for (int x = 0; x < 400; x += 4) {
            seed = seed * 1103515245u + 12345u;
            CRect r(x, y, x + 4, y + 1);
            view->FillSolidRect(&r, RGB(seed >> 8 & 0xFF, seed >> 16 & 0xFF, seed >> 24 & 0xFF));
        }
    }
    auto pixel = [&](int x, int y) { return view->GetPixel(x, y); };
    std::vector<COLORREF> start;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x)
            start.push_back(pixel(x, y));

    BoxTemplate box;
    box.OnMouseMove({100, 100}, view.get(), &Doc(), 100);
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 400; ++x) {
            const COLORREF was = start[y * 400 + x];
            const bool inside = x >= 96 && x <= 105 && y >= 94 && y <= 103;
            const COLORREF want = inside ? RGB(255 - GetRValue(was), 255 - GetGValue(was), 255 - GetBValue(was)) : was;
            ASSERT_EQ(pixel(x, y), want) << x << ", " << y;
        }
    }
    box.OnMouseMove({130, 110}, view.get(), &Doc(), 100);
    box.OnMouseMove({140, 120}, view.get(), &Doc(), 150);
    box.OnMouseMove({140, 120}, view.get(), &Doc(), 100);
    box.OnMouseMove({10, 10}, view.get(), &Doc(), 100);
    box.OnMouseMove({10, 10}, view.get(), &Doc(), 120); // erases at (10, 10)
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x)
            ASSERT_EQ(pixel(x, y), start[y * 400 + x]) << x << ", " << y;
}

TEST_F(TempMsgTest, HoverPictureHasTheBoxOnly)
{
    auto view = RasterView(400, 300);
    BoxTemplate box;
    box.OnMouseMove({100, 100}, view.get(), &Doc(), 100);
    const std::string path = (TempDir() / "hover.png").string();
    ASSERT_TRUE(KvWritePng(view->GetSafeHdc(), path.c_str()));
    kvtest::PngPixels png(path);
    ASSERT_TRUE(png.Ok());
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 400; ++x) {
            const bool inside = x >= 96 && x <= 105 && y >= 94 && y <= 103;
            ASSERT_EQ(png.Ink(x, y), inside) << x << ", " << y;
        }
    }
}

TEST_F(TempMsgTest, DragBlitsAndAltCopies)
{
    {
        BoxTemplate box;
        box.OnMouseMove({100, 100}, &View(), &Doc(), 100);
        Blits();
        ASSERT_EQ(box.BeginDrag({100, 100}, &Doc(), 100, nullptr, 0), 1);
        EXPECT_EQ(box.m_byAltState, 0);
        box.Drag(&View(), {120, 100});
        EXPECT_EQ(Blits(), (BlitList {{96, 94, 10, 10}, {116, 94, 10, 10}}));
    }
    {
        host.HoldKey(VK_MENU);
        BoxTemplate box;
        box.OnMouseMove({100, 100}, &View(), &Doc(), 100);
        Blits();
        box.BeginDrag({100, 100}, &Doc(), 100, nullptr, 0);
        EXPECT_EQ(box.m_byAltState, 1);
        host.ReleaseKey(VK_MENU);
        box.Drag(&View(), {120, 100});
        EXPECT_EQ(Blits(), (BlitList {{116, 94, 10, 10}}));
        box.Drag(&View(), {130, 100});
        EXPECT_EQ(Blits(), (BlitList {{116, 94, 10, 10}, {126, 94, 10, 10}}));
        EXPECT_EQ(box.m_byAltState, 2);
    }
    {
        BoxTemplate box;
        box.OnMouseMove({100, 100}, &View(), &Doc(), 100);
        Blits();
        box.BeginDrag({100, 100}, &Doc(), 100, nullptr, 0);
        host.HoldKey(VK_MENU);
        box.Drag(&View(), {120, 100});
        EXPECT_EQ(Blits().size(), 2u);
    }
}

TEST_F(TempMsgTest, CopiesHaveTheirOwnImage)
{
    BoxTemplate box;
    box.OnMouseMove({100, 100}, &View(), &Doc(), 100);
    ASSERT_NE(box.m_pImage, nullptr);
    BoxTemplate copy;
    static_cast<CTempMsg&>(copy) = box;
    EXPECT_EQ(copy.m_pImage, nullptr);
    EXPECT_EQ(copy.m_bMeasured, 0);
    EXPECT_EQ(copy.GetOriginalPoint(), CPoint(100, 100));
    // Both go away without sharing a surface.
}

TEST_F(TempMsgTest, OversizedImageIsRefusedQuietly)
{
    struct Huge : BoxTemplate {
        void DrawDraging(CDC*) override { m_rcBound = CRect(0, 0, 20000, 10); }
    } huge;
    huge.OnMouseMove({100, 100}, &View(), &Doc(), 100);
    EXPECT_EQ(Blits(), BlitList {});
    EXPECT_EQ(huge.m_bMeasured, 1);
}

} // namespace
