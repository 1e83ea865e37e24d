#include "support/Drawing.h"
#include "support/KvTest.h"

namespace {

using kvtest::MakeRasterDC;
using kvtest::MakeRecordingDC;

class GdiObjectTest : public kvtest::KvTest {};

TEST_F(GdiObjectTest, DeletingAStockObjectIsATrueNoOp)
{
    HGDIOBJ black = GetStockObject(BLACK_BRUSH);
    ASSERT_NE(black, nullptr);
    EXPECT_TRUE(DeleteObject(black));
    EXPECT_EQ(GetStockObject(BLACK_BRUSH), black);
    auto dc = MakeRasterDC(10, 10);
    CRect rect(0, 0, 4, 4);
    FillRect(dc->m_hDC, &rect, static_cast<HBRUSH>(black));
    EXPECT_EQ(dc->GetPixel(1, 1), RGB(0, 0, 0));
    EXPECT_TRUE(kvrec::Warnings().empty());

    LOGBRUSH log {};
    ASSERT_EQ(GetObjectA(GetStockObject(NULL_BRUSH), sizeof log, &log), int(sizeof log));
    EXPECT_EQ(log.lbStyle, BS_NULL);
    EXPECT_EQ(GetStockObject(9), nullptr);
    EXPECT_EQ(GetStockObject(-1), nullptr);
    LOGFONTA font {};
    ASSERT_EQ(GetObjectA(GetStockObject(SYSTEM_FONT), sizeof font, &font), int(sizeof font));
    EXPECT_STREQ(font.lfFaceName, "DejaVu Sans");
}

TEST_F(GdiObjectTest, DeletingASelectedObjectFailsWithOneWarning)
{
    auto dc = MakeRecordingDC();
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
    HGDIOBJ old = SelectObject(dc->m_hDC, pen);
    EXPECT_FALSE(DeleteObject(pen));
    EXPECT_EQ(kvrec::Warnings().size(), 1u);
    // The pen is still there and still draws.
    dc->MoveTo(0, 0);
    dc->LineTo(5, 5);
    EXPECT_EQ(dc->Log().Lines().back()->penColour, RGB(1, 2, 3));
    SelectObject(dc->m_hDC, old);
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_FALSE(DeleteObject(pen)); // a stale handle is refused
    EXPECT_EQ(SelectObject(dc->m_hDC, pen), nullptr);
    EXPECT_EQ(kvrec::Warnings().size(), 1u);
}

TEST_F(GdiObjectTest, FontLifeCycleLeavesLiveCountsUnchanged)
{
    auto dc = MakeRecordingDC();
    const kvrec::LiveCounts before = kvrec::LiveObjectCounts();
    {
        CFont font;
        LOGFONTA log {};
        log.lfHeight = -20;
        ASSERT_TRUE(font.CreateFontIndirect(&log));
        EXPECT_EQ(kvrec::LiveObjectCounts().fonts, before.fonts + 1);
        CFont* old = dc->SelectObject(&font);
        dc->SelectObject(old);
        EXPECT_TRUE(font.DeleteObject());
    }
    {
        CPen pen(PS_SOLID, 1, RGB(0, 0, 0));
        CBrush brush(RGB(1, 1, 1));
        CBitmap bitmap;
        bitmap.CreateBitmap(2, 2, 1, 1, nullptr);
        EXPECT_EQ(kvrec::LiveObjectCounts().pens, before.pens + 1);
        EXPECT_EQ(kvrec::LiveObjectCounts().brushes, before.brushes + 1);
        EXPECT_EQ(kvrec::LiveObjectCounts().bitmaps, before.bitmaps + 1);
    } // wrappers delete their objects
    EXPECT_EQ(kvrec::LiveObjectCounts(), before);
    // A memory DC's own starting bitmap is not a live object of the caller's.
    CDC memory;
    memory.CreateCompatibleDC(nullptr);
    EXPECT_EQ(kvrec::LiveObjectCounts(), before);
}

TEST_F(GdiObjectTest, BitmapSizesOutsideTheLimitsGiveNull)
{
    EXPECT_EQ(CreateBitmap(0, 5, 1, 1, nullptr), nullptr);
    EXPECT_EQ(CreateBitmap(5, -1, 1, 32, nullptr), nullptr);
    EXPECT_EQ(CreateBitmap(16385, 1, 1, 32, nullptr), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, 16384, 16384), nullptr); // 1 GiB
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, -3, 3), nullptr);
    BITMAPINFOHEADER header {};
    header.biSize = sizeof header;
    header.biWidth = 100000;
    header.biHeight = 2;
    header.biPlanes = 1;
    header.biBitCount = 24;
    EXPECT_EQ(CreateDIBitmap(nullptr, &header, 0, nullptr, nullptr, DIB_RGB_COLORS), nullptr);
    header.biWidth = 3;
    header.biHeight = -2; // top-down
    HBITMAP small = CreateDIBitmap(nullptr, &header, 0, nullptr, nullptr, DIB_RGB_COLORS);
    BITMAP info {};
    ASSERT_EQ(GetObjectA(small, sizeof info, &info), int(sizeof info));
    EXPECT_EQ(info.bmHeight, 2);
    DeleteObject(small);
    HBITMAP fine = CreateBitmap(16384, 1, 1, 32, nullptr);
    EXPECT_NE(fine, nullptr);
    DeleteObject(fine);
}

TEST_F(GdiObjectTest, CompatibleBitmapOfAFreshMemoryDcIsMonochrome)
{
    CDC memory;
    ASSERT_TRUE(memory.CreateCompatibleDC(nullptr));
    CBitmap mono;
    ASSERT_TRUE(mono.CreateCompatibleBitmap(&memory, 8, 8));
    BITMAP info {};
    mono.GetBitmap(&info);
    EXPECT_EQ(info.bmBitsPixel, 1);
    EXPECT_EQ(info.bmWidthBytes, 2);

    auto screen = MakeRasterDC(10, 10);
    CBitmap colour;
    ASSERT_TRUE(colour.CreateCompatibleBitmap(screen.get(), 8, 8));
    colour.GetBitmap(&info);
    EXPECT_EQ(info.bmBitsPixel, 32);
    CBitmap* old = memory.SelectObject(&colour);
    CBitmap again;
    ASSERT_TRUE(again.CreateCompatibleBitmap(&memory, 8, 8));
    again.GetBitmap(&info);
    EXPECT_EQ(info.bmBitsPixel, 32);

    // A bitmap sits in one DC at a time.
    CDC other;
    other.CreateCompatibleDC(nullptr);
    EXPECT_EQ(other.SelectObject(&colour), nullptr);
    memory.SelectObject(old);
    CBitmap* otherOld = other.SelectObject(&colour);
    ASSERT_NE(otherOld, nullptr);
    other.SelectObject(otherOld);
}

TEST_F(GdiObjectTest, ColoursDrawnIntoMonochromeBitmapsBecomeBlackOrWhite)
{
    CDC memory;
    memory.CreateCompatibleDC(nullptr);
    CBitmap mono;
    mono.CreateBitmap(4, 4, 1, 1, nullptr);
    CBitmap* old = memory.SelectObject(&mono);
    memory.FillSolidRect(0, 0, 4, 2, RGB(200, 200, 200));
    memory.FillSolidRect(0, 2, 4, 2, RGB(100, 100, 100));
    EXPECT_EQ(memory.GetPixel(0, 0), RGB(255, 255, 255));
    EXPECT_EQ(memory.GetPixel(0, 3), RGB(0, 0, 0));
    memory.SelectObject(old);
}

TEST_F(GdiObjectTest, PalettesAreDataOnly)
{
    auto dc = MakeRecordingDC();
    struct {
        WORD version;
        WORD count;
        PALETTEENTRY entries[3];
    } data {0x300, 3, {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}}};
    CPalette palette;
    ASSERT_TRUE(palette.CreatePalette(reinterpret_cast<const LOGPALETTE*>(&data)));
    WORD count = 0;
    EXPECT_EQ(palette.GetObject(sizeof count, &count), 2);
    EXPECT_EQ(count, 3);
    CPalette* old = dc->SelectPalette(&palette, FALSE);
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(old->m_hObject, GetStockObject(DEFAULT_PALETTE));
    EXPECT_EQ(dc->RealizePalette(), 0u);
    EXPECT_EQ(dc->SelectPalette(old, FALSE), &palette);
    EXPECT_EQ(SelectObject(dc->m_hDC, palette.m_hObject), nullptr);
}

TEST_F(GdiObjectTest, WrappersOfUnattachedHandlesAreTemporary)
{
    HPEN raw = CreatePen(PS_SOLID, 2, RGB(5, 5, 5));
    CPen* wrapper = CPen::FromHandle(raw);
    ASSERT_NE(wrapper, nullptr);
    EXPECT_EQ(wrapper->m_hObject, raw);
    EXPECT_EQ(CPen::FromHandle(raw), wrapper);
    LOGPEN log {};
    wrapper->GetLogPen(&log);
    EXPECT_EQ(log.lopnWidth.x, 2);
    EXPECT_EQ(CGdiObject::FromHandle(raw), wrapper);
    EXPECT_TRUE(DeleteObject(raw));
    EXPECT_EQ(CPen::FromHandle(nullptr), nullptr);
    EXPECT_EQ(GetObjectType(raw), 0u);
}

} // namespace
