// The off-screen surface: its size and mapping on a scaled target, the
// exclusive-nor blit that inverts exactly what was drawn black, and the
// second blit (or the destructor) that takes it off again.

#include "support/Drawing.h"
#include "support/KvTest.h"
#include "support/RenderSupport.h"

#include "Kvorel.h"

#include <cairo.h>

namespace {

constexpr int kWidth = 200;
constexpr int kHeight = 100;

class MemorySurface : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        m_target = kvtest::MakeRasterDC(kWidth, kHeight);
        FillWithNoise();
        m_target->SetMapMode(MM_ANISOTROPIC);
        m_target->SetWindowExt(100, 100);
        m_target->SetViewportExt(150, 150);
        m_original = Pixels();
    }

    // Fixed pseudo-random bytes, put on through a 24-bit image.
    void FillWithNoise()
    {
        std::vector<BYTE> block(40 + kWidth * 3 * kHeight);
        const BYTE header[16] = {40, 0, 0, 0, kWidth, 0, 0, 0, kHeight, 0, 0, 0, 1, 0, 24, 0};
        std::copy(std::begin(header), std::end(header), block.begin());
        uint32_t state = 12345;
        for (size_t i = 40; i < block.size(); ++i) {
            state = state * 1103515245u + 12345u;
            block[i] = BYTE(state >> 16);
        }
        CDC memory;
        memory.CreateCompatibleDC(m_target.get());
        CBitmap bitmap;
        bitmap.CreateCompatibleBitmap(m_target.get(), kWidth, kHeight);
        ::SetDIBits(*m_target, bitmap, 0, kHeight, block.data() + 40,
                    reinterpret_cast<const BITMAPINFO*>(block.data()), DIB_RGB_COLORS);
        CBitmap* old = memory.SelectObject(&bitmap);
        m_target->BitBlt(0, 0, kWidth, kHeight, &memory, 0, 0, SRCCOPY);
        memory.SelectObject(old);
    }

    std::vector<COLORREF> Pixels()
    {
        CPoint org = m_target->SetViewportOrg(0, 0);
        m_target->SetMapMode(MM_TEXT);
        std::vector<COLORREF> pixels;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                pixels.push_back(m_target->GetPixel(x, y));
        m_target->SetMapMode(MM_ANISOTROPIC);
        m_target->SetWindowExt(100, 100);
        m_target->SetViewportExt(150, 150);
        m_target->SetViewportOrg(org);
        return pixels;
    }

    std::unique_ptr<kvtest::TestDC> m_target;
    std::vector<COLORREF> m_original;
};

bool InBlackSquare(int x, int y)
{
    return x >= 30 && x <= 44 && y >= 39 && y <= 53;
}

COLORREF Inverted(COLORREF c)
{
    return RGB(255 - GetRValue(c), 255 - GetGValue(c), 255 - GetBValue(c));
}

TEST_F(MemorySurface, BlackInvertsTheTargetAndASecondBlitRestoresIt)
{
    CRect rect(10, 20, 50, 40);
    CMemoryDC surface(m_target.get(), rect, 0, 1);
    BITMAP info {};
    ASSERT_TRUE(surface.m_bitmap.GetBitmap(&info));
    EXPECT_EQ(info.bmWidth, 60);
    EXPECT_EQ(info.bmHeight, 30);
    EXPECT_EQ(surface.m_pDrawDC->GetViewportOrg(), CPoint(-15, -30));
    EXPECT_EQ(surface.m_pDrawDC->GetPixel(10, 20), RGB(255, 255, 255));
    EXPECT_EQ(surface.m_pDrawDC->GetPixel(49, 39), RGB(255, 255, 255));

    surface.m_pDrawDC->FillSolidRect(20, 26, 10, 10, RGB(0, 0, 0));
    surface.MemCopyBits(m_target.get(), 10, 20, 0);

    const std::string path = kvtest::WritePicture(*m_target, "xnor.png");
    ASSERT_FALSE(path.empty());
    cairo_surface_t* png = cairo_image_surface_create_from_png(path.c_str());
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    const unsigned char* data = cairo_image_surface_get_data(png);
    const int stride = cairo_image_surface_get_stride(png);
    int changed = 0, wrong = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const uint32_t argb = *reinterpret_cast<const uint32_t*>(data + y * stride + x * 4);
            const COLORREF seen = RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
            const COLORREF before = m_original[size_t(y) * kWidth + x];
            const COLORREF expected = InBlackSquare(x, y) ? Inverted(before) : before;
            changed += seen != before;
            wrong += seen != expected;
        }
    cairo_surface_destroy(png);
    EXPECT_EQ(changed, 225);
    EXPECT_EQ(wrong, 0);

    surface.MemCopyBits(m_target.get(), 10, 20, 0);
    EXPECT_EQ(Pixels(), m_original);
    surface.MemCopyBits(m_target.get(), 10, 20, 0);
    // The destructor takes the image off once more.
}

TEST_F(MemorySurface, TheDestructorTakesAnInPlaceImageOff)
{
    {
        CRect rect(10, 20, 50, 40);
        CMemoryDC surface(m_target.get(), rect, 0, 1);
        surface.m_pDrawDC->FillSolidRect(20, 26, 10, 10, RGB(0, 0, 0));
        surface.MemCopyBits(m_target.get(), 10, 20, 0);
        EXPECT_NE(Pixels(), m_original);
    }
    EXPECT_EQ(Pixels(), m_original);
}

TEST_F(MemorySurface, EachAxisKeepsItsOwnScale)
{
    m_target->SetViewportExt(150, 200);
    CRect rect(10, 20, 50, 40);
    CMemoryDC surface(m_target.get(), rect, 0, 0);
    BITMAP info {};
    ASSERT_TRUE(surface.m_bitmap.GetBitmap(&info));
    EXPECT_EQ(info.bmWidth, 60);
    EXPECT_EQ(info.bmHeight, 40);
    EXPECT_EQ(surface.m_pDrawDC->GetViewportOrg(), CPoint(-15, -40));
}

TEST_F(MemorySurface, AnEmptyRectangleMakesNothingAndBlitsNothing)
{
    auto dest = kvtest::MakeRecordingDC();
    CRect empty(10, 10, 10, 30);
    CMemoryDC surface(dest.get(), empty, 0, 1);
    EXPECT_EQ(surface.m_bCreated, 0);
    surface.MemCopyBits(dest.get(), 0, 0, 0);
    EXPECT_TRUE(dest->Log().Calls("BitBlt").empty());
}

TEST_F(MemorySurface, TheFastCopyGoesThroughTheWorkDC)
{
    auto dest = kvtest::MakeRecordingDC(300, 200);
    auto work = kvtest::MakeRecordingDC(300, 200);
    CRect rect(10, 20, 50, 40);
    CMemoryDC surface;
    surface.CreateMemDC(m_target.get(), rect, 0);
    surface.FastMemTransCopy(dest.get(), 7, 8, work.get(), 0);
    const auto onWork = work->Log().Calls("BitBlt");
    const auto onDest = dest->Log().Calls("BitBlt");
    ASSERT_EQ(onWork.size(), 1u);
    EXPECT_EQ(onWork[0]->rop3, ROP_DSXN);
    EXPECT_EQ(onWork[0]->destRect.left, 7);
    EXPECT_EQ(onWork[0]->destRect.top, 8);
    ASSERT_EQ(onDest.size(), 1u);
    EXPECT_EQ(onDest[0]->rop3, DWORD(SRCCOPY));
    EXPECT_EQ(onDest[0]->destRect.left, -20);
    EXPECT_EQ(onDest[0]->destRect.top, 30);
}

} // namespace
