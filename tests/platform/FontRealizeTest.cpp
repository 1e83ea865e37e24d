// Face matching, metrics of real fonts, decoding of TextOutA bytes and the
// realised music font.

#include "support/FontSupport.h"
#include "support/KvTest.h"

#include "FontEngine.h"
#include "Fonts.h"
#include "MusicFont.h"

#include <cairo.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

LOGFONTA Font(const char* face, LONG height = -20, BYTE charset = ANSI_CHARSET, LONG weight = FW_NORMAL)
{
    LOGFONTA logFont {};
    logFont.lfHeight = height;
    logFont.lfWeight = weight;
    logFont.lfCharSet = charset;
    std::snprintf(logFont.lfFaceName, LF_FACESIZE, "%s", face);
    return logFont;
}

std::string Resolve(const char* face)
{
    return kvfont::Realize(Font(face), -20, 1.0)->ResolvedFace();
}

class FontMatchTest : public kvtest::KvTest {};

TEST_F(FontMatchTest, WindowsFacesResolveToMetricCompatibleFonts)
{
    EXPECT_EQ(Resolve("Times New Roman"), "Liberation Serif");
    EXPECT_EQ(Resolve("times new roman"), "Liberation Serif");
    EXPECT_EQ(Resolve("Arial"), "Liberation Sans");
    EXPECT_EQ(Resolve(""), "DejaVu Sans");
    EXPECT_EQ(Resolve("Liberation Serif"), "Liberation Serif");
    EXPECT_FALSE(Resolve("Times").empty());

    const auto font = kvfont::Realize(Font("Times New Roman"), -20, 1.0);
    EXPECT_EQ(font->RequestedFace(), "Times New Roman");
    EXPECT_FALSE(font->IsMusic());
    EXPECT_TRUE(font->MusicCodes(u"ab").empty());
}

TEST_F(FontMatchTest, TestFaceOnlyWhenInstalledAndRoutingTakesEveryTextFace)
{
    EXPECT_NE(Resolve("KvTest"), "KvTest");
    kvtest::InstallTestFonts();
    EXPECT_EQ(Resolve("kvtest"), "KvTest");
    EXPECT_EQ(Resolve("Liberation Serif"), "Liberation Serif");

    kvtest::RouteTextToTestFace();
    EXPECT_EQ(Resolve("Liberation Serif"), "KvTest");
    EXPECT_EQ(Resolve(""), "KvTest");
    ASSERT_EQ(AddFontResourceA("ZelvoraB.TTF"), 1);
    EXPECT_EQ(Resolve("ZelvoraB"), "ZelvoraB");

    ResetProcessState();
    EXPECT_EQ(Resolve("Liberation Serif"), "Liberation Serif");
    EXPECT_NE(Resolve("ZelvoraB"), "ZelvoraB");
}

TEST_F(FontMatchTest, RealFontMetricsHoldTogether)
{
    for (const char* face : {"Liberation Serif", "DejaVu Sans"}) {
        SCOPED_TRACE(face);
        const TEXTMETRICA em = kvfont::Realize(Font(face), -40, 1.0)->Metrics();
        EXPECT_EQ(em.tmHeight, em.tmAscent + em.tmDescent);
        EXPECT_EQ(em.tmHeight - em.tmInternalLeading, 40);
        EXPECT_GT(em.tmAscent, 0);
        EXPECT_GE(em.tmExternalLeading, 0);
        EXPECT_EQ(em.tmCharSet, ANSI_CHARSET);

        // A positive height is the cell.
        const TEXTMETRICA cell = kvfont::Realize(Font(face), 40, 1.0)->Metrics();
        EXPECT_EQ(cell.tmHeight, 40);
        EXPECT_EQ(cell.tmAscent + cell.tmDescent, 40);

        // 0 stands for an em of 16 pixels.
        const TEXTMETRICA zero = kvfont::Realize(Font(face), 0, 1.0)->Metrics();
        EXPECT_EQ(zero.tmHeight - zero.tmInternalLeading, 16);
    }
}

TEST_F(FontMatchTest, AdvancesAreWholePixelsStretchedAndUnkerned)
{
    const auto plain = kvfont::Realize(Font("Liberation Serif"), -40, 1.0);
    const auto wide = kvfont::Realize(Font("Liberation Serif"), -40, 2.0);
    // "AV" kerns in the font; GDI text extents do not.
    EXPECT_EQ(plain->TextWidth(u"AV"), plain->Advance(u'A') + plain->Advance(u'V'));
    EXPECT_GT(plain->Advance(u'M'), 0);
    EXPECT_NEAR(wide->Advance(u'M'), 2 * plain->Advance(u'M'), 1);
    EXPECT_EQ(wide->Metrics().tmHeight, plain->Metrics().tmHeight);
}

TEST_F(FontMatchTest, AbsurdHeightsAndStretchesStayBounded)
{
    const auto huge = kvfont::Realize(Font("DejaVu Sans"), INT32_MIN, 1.0);
    EXPECT_GT(huge->Metrics().tmHeight, 0);
    kvtest::InstallTestFonts();
    const auto test = kvfont::Realize(Font("KvTest"), -20, -3.0);
    EXPECT_EQ(test->Advance(u'a'), 10) << "a stretch that is no stretch counts as 1";
    EXPECT_EQ(kvfont::Realize(Font("KvTest"), INT32_MIN, 1.0)->Metrics().tmHeight, 100000);
}

class TextDecodingTest : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        kvtest::InstallTestFonts();
    }

    std::u16string Decode(BYTE charset, const std::string& bytes)
    {
        const auto font = kvfont::Realize(Font("KvTest", -20, charset), -20, 1.0);
        return font->DecodeBytes(bytes.data(), int(bytes.size()));
    }
};

TEST_F(TextDecodingTest, BytesDecodeByTheCharsetsCodePage)
{
    EXPECT_EQ(Decode(ANSI_CHARSET, "\xE9"), u"\u00E9");
    EXPECT_EQ(Decode(ANSI_CHARSET, "\x80"), u"\u20AC");
    EXPECT_EQ(Decode(HANGUL_CHARSET, "\xB0\xA1"), u"\uAC00");
    EXPECT_EQ(Decode(RUSSIAN_CHARSET, "\xC0"), u"\u0410");
    EXPECT_EQ(Decode(GREEK_CHARSET, "\xC1"), u"\u0391");
    EXPECT_EQ(Decode(SHIFTJIS_CHARSET, "\x82\xA0"), u"\u3042");
    EXPECT_EQ(Decode(SYMBOL_CHARSET, "\x80\xE9"), u"\u0080\u00E9");
}

TEST_F(TextDecodingTest, DefaultCharsetFollowsTheAnsiCodePage)
{
    EXPECT_EQ(Decode(DEFAULT_CHARSET, "\xC0"), u"\u00C0");
    ASSERT_TRUE(SetAnsiCodePage(1251));
    EXPECT_EQ(Decode(DEFAULT_CHARSET, "\xC0"), u"\u0410");
    EXPECT_EQ(kvfont::Realize(Font("KvTest", -20, DEFAULT_CHARSET), -20, 1.0)->Metrics().tmCharSet, RUSSIAN_CHARSET);
}

TEST_F(TextDecodingTest, BadRunsDecodeToNothing)
{
    const auto font = kvfont::Realize(Font("KvTest"), -20, 1.0);
    EXPECT_TRUE(font->DecodeBytes(nullptr, 3).empty());
    EXPECT_TRUE(font->DecodeBytes("abc", -1).empty());
    EXPECT_TRUE(font->DecodeBytes("abc", 0).empty());
}

class RealizedMusicFont : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        ASSERT_EQ(AddFontResourceA("ZelvoraB.TTF"), 1);
        font = kvfont::Realize(Font("ZelvoraB", -32, SYMBOL_CHARSET), -32, 1.0);
    }

    std::shared_ptr<const kvfont::RealizedFont> font;
};

TEST_F(RealizedMusicFont, CellIsOneAndAHalfEmUpAndOneEmDown)
{
    ASSERT_TRUE(font->IsMusic());
    EXPECT_EQ(font->ResolvedFace(), "ZelvoraB");
    const TEXTMETRICA& tm = font->Metrics();
    EXPECT_EQ(tm.tmAscent, 48);
    EXPECT_EQ(tm.tmDescent, 32);
    EXPECT_EQ(tm.tmHeight, 80);
    EXPECT_EQ(tm.tmInternalLeading, 48);
    EXPECT_EQ(tm.tmCharSet, SYMBOL_CHARSET);

    // A positive height is the cell: 80 px is an em of 32.
    EXPECT_EQ(kvfont::Realize(Font("ZelvoraB", 80), 80, 1.0)->Metrics().tmAscent, 48);
}

TEST_F(RealizedMusicFont, BytesAndWideUnitsFoldAlike)
{
    const std::u16string bytes = font->DecodeBytes("12", 2);
    EXPECT_EQ(font->MusicCodes(bytes), (std::vector<int> {0x31, 0x32}));
    // Wide units below 0x100 fold nowhere, but for the one-glyph range.
    EXPECT_EQ(font->MusicCodes(u"\u0145\u00F3\u0041"), (std::vector<int> {0x45, 0xF3, -1}));
    EXPECT_EQ(font->Advance(u'\u0041'), 0);
    EXPECT_EQ(font->DecodeBytes("\xF3", 1), u"\u00F3");

    for (int code : {0x31, 0x45, 0xD9}) {
        const char byte = char(code);
        const std::u16string unit(1, char16_t(0x100 + code));
        EXPECT_EQ(font->TextWidth(font->DecodeBytes(&byte, 1)), font->TextWidth(unit)) << code;
    }
}

TEST_F(RealizedMusicFont, RemovingTheRegistrationChangesTheMatch)
{
    ASSERT_TRUE(RemoveFontResourceA("ZelvoraB.TTF"));
    EXPECT_FALSE(kvfont::Realize(Font("ZelvoraB", -32), -32, 1.0)->IsMusic());
}

// A copy of DejaVu Sans registered alone has only its regular face, so bold
// and italic must be made from it.
class SyntheticStyleTest : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        kvtest::UseFixedFontList({});
        const std::string file = kvtest::InstalledFontFile("DejaVu Sans");
        ASSERT_FALSE(file.empty());
        std::filesystem::copy_file(file, TempDir() / "Plain.ttf");
        ASSERT_EQ(AddFontResourceA("Plain.ttf"), 1);
    }

    // Dark pixels of "HHH" at em 40, per half of the cell (top, bottom), and
    // the mean column of each half's ink.
    struct Ink {
        int count = 0;
        double topMean = 0;
        double bottomMean = 0;
    };

    Ink Draw(LONG weight, bool italic)
    {
        LOGFONTA logFont = Font("DejaVu Sans", -40, ANSI_CHARSET, weight);
        logFont.lfItalic = italic ? 1 : 0;
        const auto font = kvfont::Realize(logFont, -40, 1.0);
        EXPECT_EQ(font->ResolvedFace(), "DejaVu Sans");
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 200, 60);
        cairo_t* cr = cairo_create(surface);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
        cairo_set_source_rgb(cr, 0, 0, 0);
        font->Render(cr, 20, 45, u"HHH");
        cairo_surface_flush(surface);
        Ink ink;
        double top[2] = {0, 0};
        double bottom[2] = {0, 0};
        for (int y = 0; y < 60; ++y) {
            const unsigned char* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
            for (int x = 0; x < 200; ++x) {
                if (row[4 * x + 1] >= 128) // green channel: light
                    continue;
                ++ink.count;
                double* half = y < 30 ? top : bottom;
                half[0] += x;
                half[1] += 1;
            }
        }
        ink.topMean = top[1] > 0 ? top[0] / top[1] : 0;
        ink.bottomMean = bottom[1] > 0 ? bottom[0] / bottom[1] : 0;
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
        return ink;
    }
};

TEST_F(SyntheticStyleTest, MissingBoldAndItalicFacesAreSynthesised)
{
    const Ink regular = Draw(FW_NORMAL, false);
    const Ink bold = Draw(FW_BOLD, false);
    const Ink italic = Draw(FW_NORMAL, true);
    ASSERT_GT(regular.count, 100);
    EXPECT_GT(bold.count, regular.count * 11 / 10);
    // Slanted: the top of the letters leans right of their foot.
    EXPECT_NEAR(regular.topMean, regular.bottomMean, 1.0);
    EXPECT_GT(italic.topMean - italic.bottomMean, 2.0);

    EXPECT_EQ(kvfont::Realize(Font("DejaVu Sans", -40, ANSI_CHARSET, FW_BOLD), -40, 1.0)->Metrics().tmWeight, FW_BOLD);
    // The advances stay those of the face.
    EXPECT_EQ(kvfont::Realize(Font("DejaVu Sans", -40, ANSI_CHARSET, FW_BOLD), -40, 1.0)->Advance(u'H'),
        kvfont::Realize(Font("DejaVu Sans", -40), -40, 1.0)->Advance(u'H'));
}

} // namespace
