// The fixed-metric test face: its numbers and its ink.

#include "support/FontSupport.h"
#include "support/KvTest.h"

#include "FontEngine.h"

#include <cairo.h>

#include <cstdio>
#include <cstring>

namespace {

LOGFONTA TestFont(LONG height, LONG escapement = 0)
{
    LOGFONTA logFont {};
    logFont.lfHeight = height;
    logFont.lfEscapement = escapement;
    std::snprintf(logFont.lfFaceName, LF_FACESIZE, "KvTest");
    return logFont;
}

class TestFaceTest : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        kvtest::InstallTestFonts();
    }
};

TEST_F(TestFaceTest, MetricsFollowFromTheEm)
{
    const auto font = kvfont::Realize(TestFont(-20), -20, 1.0);
    EXPECT_EQ(font->ResolvedFace(), "KvTest");
    EXPECT_EQ(font->TextWidth(u"abc"), 30);
    const TEXTMETRICA& tm = font->Metrics();
    EXPECT_EQ(tm.tmHeight, 20);
    EXPECT_EQ(tm.tmAscent, 16);
    EXPECT_EQ(tm.tmDescent, 4);
    EXPECT_EQ(tm.tmInternalLeading, 0);
    EXPECT_EQ(tm.tmExternalLeading, 0);

    // The cell is the em, so a positive height means the same; 0 is 16 px.
    EXPECT_EQ(kvfont::Realize(TestFont(20), 20, 1.0)->Metrics().tmAscent, 16);
    const TEXTMETRICA zero = kvfont::Realize(TestFont(0), 0, 1.0)->Metrics();
    EXPECT_EQ(zero.tmHeight, 16);
    EXPECT_EQ(zero.tmAscent, 13);
    EXPECT_EQ(zero.tmDescent, 3);

    // The stretch widens, never heightens.
    const auto wide = kvfont::Realize(TestFont(-20), -20, 1.5);
    EXPECT_EQ(wide->Advance(u'a'), 15);
    EXPECT_EQ(wide->Metrics().tmHeight, 20);
}

// An aliased white page to draw on, black ink.
class InkTest : public TestFaceTest {
protected:
    void SetUp() override
    {
        TestFaceTest::SetUp();
        surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
        cr = cairo_create(surface);
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
        cairo_set_source_rgb(cr, 0, 0, 0);
    }

    void TearDown() override
    {
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
        TestFaceTest::TearDown();
    }

    bool Inked(int x, int y)
    {
        cairo_surface_flush(surface);
        const unsigned char* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
        uint32_t pixel;
        std::memcpy(&pixel, row + 4 * x, 4);
        EXPECT_TRUE(pixel == 0xFF000000u || pixel == 0xFFFFFFFFu) << "grey at " << x << "," << y;
        return pixel == 0xFF000000u;
    }

    // Every pixel is inked exactly when `expected` says so.
    template <typename Expected>
    void ExpectInk(Expected expected)
    {
        int wrong = 0;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                if (Inked(x, y) != expected(x, y) && ++wrong <= 5)
                    ADD_FAILURE() << "pixel " << x << "," << y << " should be " << (expected(x, y) ? "ink" : "paper");
            }
        }
        EXPECT_EQ(wrong, 0);
    }

    static constexpr int kWidth = 160;
    static constexpr int kHeight = 80;
    cairo_surface_t* surface = nullptr;
    cairo_t* cr = nullptr;
};

TEST_F(InkTest, EachCharacterButTheSpaceInksItsBoxAboveTheBaseline)
{
    const auto font = kvfont::Realize(TestFont(-20), -20, 1.0);
    font->Render(cr, 85, 50, u"a b");
    ExpectInk([](int x, int y) { return y >= 34 && y < 50 && ((x >= 85 && x < 95) || (x >= 105 && x < 115)); });
}

TEST_F(InkTest, StretchWidensTheBoxes)
{
    const auto font = kvfont::Realize(TestFont(-20), -20, 2.0);
    font->Render(cr, 10, 50, u"ab");
    ExpectInk([](int x, int y) { return y >= 34 && y < 50 && x >= 10 && x < 50; });
}

TEST_F(InkTest, EscapementTurnsTheTextCounterClockwiseAboutItsOrigin)
{
    // At 90 degrees the text runs up the page from (50, 50), its ink to the
    // left of the baseline.
    const auto font = kvfont::Realize(TestFont(-20, 900), -20, 1.0);
    font->Render(cr, 50, 50, u"ab");
    ExpectInk([](int x, int y) { return x >= 34 && x < 50 && y >= 30 && y < 50; });
}

TEST_F(InkTest, UnderlineRunsUnderTheWholeText)
{
    LOGFONTA logFont = TestFont(-20);
    logFont.lfUnderline = 1;
    const auto font = kvfont::Realize(logFont, -20, 1.0);
    EXPECT_EQ(font->Metrics().tmUnderlined, 1);
    font->Render(cr, 10, 50, u"a ");
    for (int x = 10; x < 30; ++x)
        EXPECT_TRUE(Inked(x, 52)) << x;
    EXPECT_FALSE(Inked(30, 52));
    EXPECT_FALSE(Inked(20, 45)) << "the space stays blank above the line";
}

} // namespace
