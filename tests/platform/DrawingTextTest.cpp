// Text through device contexts: the font engine, the music-font stand-in and
// the raster operations working together as drawers use them.

#include "support/Drawing.h"
#include "support/FontSupport.h"
#include "support/KvTest.h"

#include "Fonts.h"
#include "MusicFont.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

using kvtest::MakeRasterDC;
using kvtest::MakeRecordingDC;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);

LOGFONTA Font(const char* face, LONG height, BYTE charset = ANSI_CHARSET)
{
    LOGFONTA logFont {};
    logFont.lfHeight = height;
    logFont.lfWeight = FW_NORMAL;
    logFont.lfCharSet = charset;
    std::snprintf(logFont.lfFaceName, LF_FACESIZE, "%s", face);
    return logFont;
}

// A font selected into a DC for the life of the object.
class Selected {
public:
    Selected(CDC& dc, const LOGFONTA& logFont)
        : m_dc(dc)
    {
        m_font.CreateFontIndirect(&logFont);
        m_old = m_dc.SelectObject(&m_font);
    }
    ~Selected() { m_dc.SelectObject(m_old); }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

private:
    CDC& m_dc;
    CFont m_font;
    CFont* m_old = nullptr;
};

// The box of a raster DC's non-white pixels (right and bottom exclusive);
// empty when there are none.
CRect InkBox(const CDC& dc, int width, int height)
{
    CRect box(0, 0, 0, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (dc.GetPixel(x, y) == kWhite)
                continue;
            if (::IsRectEmpty(&box))
                box = CRect(x, y, x + 1, y + 1);
            box.left = std::min<LONG>(box.left, x);
            box.top = std::min<LONG>(box.top, y);
            box.right = std::max<LONG>(box.right, x + 1);
            box.bottom = std::max<LONG>(box.bottom, y + 1);
        }
    }
    return box;
}

// Every pixel inside `box` is `inside`, every other one white.
void ExpectPaint(const CDC& dc, int width, int height, const CRect& box, COLORREF inside)
{
    int wrong = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const COLORREF expected = ::PtInRect(&box, CPoint(x, y)) ? inside : kWhite;
            const COLORREF actual = dc.GetPixel(x, y);
            if (actual != expected && ++wrong <= 5)
                ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << actual << ", not " << expected;
        }
    }
    EXPECT_EQ(wrong, 0);
}

// The one-glyph unit of a music code: 0x100 + code, or the code itself in
// the range that stays unraised.
char16_t WideUnit(int code)
{
    return static_cast<char16_t>(code >= 0xF1 && code <= 0xF9 ? code : 0x100 + code);
}

class DrawingTextTest : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        kvtest::InstallTestFonts();
        ASSERT_EQ(AddFontResourceA("ZelvoraB.TTF"), 1);
    }
    void TearDown() override
    {
        RemoveFontResourceA("ZelvoraB.TTF");
        KvTest::TearDown();
    }
};

TEST_F(DrawingTextTest, MusicFontFoldsWideUnitsAndBytesOntoGlyphCodes)
{
    auto dc = MakeRecordingDC();
    Selected music(*dc, Font("ZelvoraB", -32, SYMBOL_CHARSET));
    const char16_t barline = 0x0145;
    const char16_t dynamic = 0x00F3;
    const char16_t letter = 0x0041;
    ASSERT_TRUE(TextOutW(dc->m_hDC, 10, 100, &barline, 1));
    ASSERT_TRUE(TextOutW(dc->m_hDC, 60, 100, &dynamic, 1));
    ASSERT_TRUE(dc->TextOut(110, 100, "12", 2));
    ASSERT_TRUE(TextOutW(dc->m_hDC, 160, 100, &letter, 1));

    const auto texts = dc->Log().Texts();
    ASSERT_EQ(texts.size(), 4u) << dc->Log().Dump();
    EXPECT_EQ(texts[0]->glyphs, std::vector<int> {0x45});
    EXPECT_EQ(texts[1]->glyphs, std::vector<int> {0xF3});
    EXPECT_EQ(texts[2]->call, "TextOutA");
    EXPECT_EQ(texts[2]->bytes, "12");
    EXPECT_EQ(texts[2]->glyphs, (std::vector<int> {0x31, 0x32}));
    EXPECT_EQ(texts[3]->glyphs, std::vector<int> {-1});
    EXPECT_TRUE(texts[3]->glyphHits.empty());

    const auto glyphs = dc->Log().Glyphs();
    ASSERT_EQ(glyphs.size(), 4u);
    EXPECT_EQ(glyphs[0].code, 0x45);
    EXPECT_EQ(glyphs[1].code, 0xF3);
    EXPECT_EQ(glyphs[2].code, 0x31);
    EXPECT_EQ(glyphs[3].code, 0x32);
    // The bytes sit one after the other on the baseline.
    SIZE one {};
    ASSERT_TRUE(GetTextExtentPoint32A(dc->m_hDC, "1", 1, &one));
    EXPECT_GT(one.cx, 0);
    EXPECT_EQ(glyphs[3].device.x - glyphs[2].device.x, one.cx);
    EXPECT_EQ(glyphs[3].device.y, glyphs[2].device.y);

    // A bare unit that folds nowhere has no width and no ink.
    SIZE extent {};
    ASSERT_TRUE(GetTextExtentPoint32W(dc->m_hDC, &letter, 1, &extent));
    EXPECT_EQ(extent.cx, 0);
    auto page = MakeRasterDC(100, 100);
    Selected onPage(*page, Font("ZelvoraB", -32, SYMBOL_CHARSET));
    ASSERT_TRUE(TextOutW(page->m_hDC, 50, 50, &letter, 1));
    EXPECT_TRUE(::IsRectEmpty(InkBox(*page, 100, 100)));
    ASSERT_TRUE(TextOutW(page->m_hDC, 50, 50, &barline, 1));
    EXPECT_FALSE(::IsRectEmpty(InkBox(*page, 100, 100)));
}

TEST_F(DrawingTextTest, TextFacesKeepTheirWideUnits)
{
    auto dc = MakeRecordingDC();
    Selected text(*dc, Font("KvTest", -20));
    const char16_t unit = 0x0145;
    ASSERT_TRUE(TextOutW(dc->m_hDC, 10, 10, &unit, 1));
    const auto texts = dc->Log().Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->resolvedFace, "KvTest");
    EXPECT_EQ(texts[0]->units, std::u16string(1, unit));
    EXPECT_TRUE(texts[0]->glyphs.empty());
    EXPECT_TRUE(dc->Log().Glyphs().empty());
}

TEST_F(DrawingTextTest, EveryMappedByteMeasuresAsItsWideUnit)
{
    auto dc = MakeRecordingDC();
    Selected music(*dc, Font("ZelvoraB", -32, SYMBOL_CHARSET));
    const std::vector<int> codes = kvmusic::MappedCodes();
    ASSERT_FALSE(codes.empty());
    for (int code : codes) {
        const char byte = static_cast<char>(code);
        const char16_t unit = WideUnit(code);
        SIZE narrow {};
        SIZE wide {};
        ASSERT_TRUE(GetTextExtentPoint32A(dc->m_hDC, &byte, 1, &narrow));
        ASSERT_TRUE(GetTextExtentPoint32W(dc->m_hDC, &unit, 1, &wide));
        EXPECT_EQ(CSize(narrow), CSize(wide)) << std::hex << code;
    }
}

TEST_F(DrawingTextTest, MusicTestMetricsMeasureInLogicalUnits)
{
    const std::map<int, kvmusic::TestMetric> table = {{0xD9, {10, 16, 16}}};
    kvtest::UseMusicTestMetrics(&table);
    const char16_t head = 0x01D9;
    auto dc = MakeRecordingDC();
    SIZE extent {};
    {
        Selected music(*dc, Font("ZelvoraB", -32, SYMBOL_CHARSET));
        ASSERT_TRUE(GetTextExtentPoint32W(dc->m_hDC, &head, 1, &extent));
        EXPECT_EQ(CSize(extent), CSize(10, 80));
    }
    {
        Selected music(*dc, Font("ZelvoraB", -16, SYMBOL_CHARSET));
        ASSERT_TRUE(GetTextExtentPoint32W(dc->m_hDC, &head, 1, &extent));
        EXPECT_EQ(CSize(extent), CSize(5, 40));
    }
    // Doubled by the mapping, the font is realised at twice the size and
    // measured back in logical units.
    kvtest::SetScale(*dc, 100, 200);
    Selected music(*dc, Font("ZelvoraB", -32, SYMBOL_CHARSET));
    ASSERT_TRUE(GetTextExtentPoint32W(dc->m_hDC, &head, 1, &extent));
    EXPECT_EQ(CSize(extent), CSize(10, 80));
    TEXTMETRICA tm {};
    ASSERT_TRUE(dc->GetTextMetrics(&tm));
    EXPECT_EQ(tm.tmHeight, 80);
    EXPECT_EQ(tm.tmAscent, 48);
}

TEST_F(DrawingTextTest, TestFaceMeasuresAndInksItsCellsAtTheReferencePoint)
{
    auto dc = MakeRasterDC(200, 100);
    Selected text(*dc, Font("KvTest", -20));
    EXPECT_EQ(dc->GetTextExtent("abc", 3), CSize(30, 20));
    TEXTMETRICA tm {};
    ASSERT_TRUE(dc->GetTextMetrics(&tm));
    EXPECT_EQ(tm.tmAscent, 16);
    EXPECT_EQ(tm.tmDescent, 4);

    struct Case {
        UINT align;
        CRect ink; // columns 85-114 are [85, 115)
    };
    const Case cases[] = {
        {TA_BASELINE | TA_CENTER, CRect(85, 34, 115, 50)},
        {TA_TOP | TA_CENTER, CRect(85, 50, 115, 66)},
        {TA_BOTTOM | TA_CENTER, CRect(85, 30, 115, 46)},
        {TA_BASELINE | TA_RIGHT, CRect(70, 34, 100, 50)},
        {TA_BASELINE | TA_LEFT, CRect(100, 34, 130, 50)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "alignment " << c.align);
        dc->FillSolidRect(0, 0, 200, 100, kWhite);
        dc->SetTextAlign(c.align);
        dc->SetTextColor(kBlack);
        ASSERT_TRUE(dc->TextOut(100, 50, "abc", 3));
        ExpectPaint(*dc, 200, 100, c.ink, kBlack);
    }
}

// A memory DC holding "A" of the test face, drawn black on white the way
// coloured output prepares its glyphs: its ink is [10, 20) x [14, 30).
struct GlyphSource {
    CDC memory;
    CBitmap bitmap;
    CBitmap* oldBitmap = nullptr;

    explicit GlyphSource(CDC* reference)
    {
        memory.CreateCompatibleDC(reference);
        bitmap.CreateCompatibleBitmap(reference, 40, 40);
        oldBitmap = memory.SelectObject(&bitmap);
        memory.FillSolidRect(0, 0, 40, 40, kWhite);
        Selected text(memory, Font("KvTest", -20));
        memory.SetBkMode(TRANSPARENT);
        memory.SetTextColor(kBlack);
        memory.SetTextAlign(TA_BASELINE | TA_LEFT);
        memory.TextOut(10, 30, "A", 1);
    }
    ~GlyphSource() { memory.SelectObject(oldBitmap); }
};

TEST_F(DrawingTextTest, ColouredGlyphIsExactlyTheBrushColourOnAWhitePage)
{
    for (KvRasterKind kind : {KvRasterKind::Screen, KvRasterKind::Page}) {
        SCOPED_TRACE(kind == KvRasterKind::Screen ? "screen-like page" : "page output");
        auto page = MakeRasterDC(100, 100, kind);
        GlyphSource glyph(page.get());
        CBrush red(kRed);
        CBrush* old = page->SelectObject(&red);
        ASSERT_TRUE(page->BitBlt(50, 50, 40, 40, &glyph.memory, 0, 0, ROP_DPSOXN));
        page->SelectObject(old);
        EXPECT_EQ(page->GetPixel(60, 64), COLORREF(0x000000FF));
        ExpectPaint(*page, 100, 100, CRect(60, 64, 70, 80), kRed);
    }
}

TEST_F(DrawingTextTest, TextIgnoresRop2)
{
    auto page = MakeRasterDC(60, 60);
    page->FillSolidRect(0, 0, 60, 60, RGB(40, 160, 220));
    Selected text(*page, Font("KvTest", -20));
    page->SetBkMode(TRANSPARENT);
    page->SetTextAlign(TA_TOP | TA_LEFT);
    page->SetTextColor(kRed);
    for (int rop2 : {R2_NOTXORPEN, R2_NOP, R2_XORPEN, R2_NOT}) {
        page->SetROP2(rop2);
        // Drawn twice: a combining mode would undo or change the first.
        for (int pass = 0; pass < 2; ++pass) {
            ASSERT_TRUE(page->TextOut(10, 10, "A", 1));
            for (int y = 0; y < 60; ++y) {
                for (int x = 0; x < 60; ++x) {
                    const bool ink = x >= 10 && x < 20 && y >= 10 && y < 26;
                    ASSERT_EQ(page->GetPixel(x, y), ink ? kRed : RGB(40, 160, 220))
                        << "ROP2 " << rop2 << " pass " << pass << " at " << x << "," << y;
                }
            }
        }
    }

    // Vector targets skip XNOR pens as screen feedback, but text still draws.
    auto log = MakeRecordingDC();
    Selected logged(*log, Font("KvTest", -20));
    log->SetROP2(R2_NOTXORPEN);
    ASSERT_TRUE(log->TextOut(10, 10, "A", 1));
    EXPECT_EQ(log->Log().Texts().size(), 1u);
    EXPECT_TRUE(kvrec::Warnings().empty());
}

TEST_F(DrawingTextTest, BytesDecodeByTheFontsCharacterSet)
{
    auto dc = MakeRecordingDC();
    {
        Selected western(*dc, Font("KvTest", -20, ANSI_CHARSET));
        ASSERT_TRUE(dc->TextOut(10, 10, "\xE9", 1));
    }
    {
        Selected korean(*dc, Font("KvTest", -20, HANGUL_CHARSET));
        ASSERT_TRUE(dc->TextOut(10, 40, "\xB0\xA1", 2));
        // Two bytes, one character.
        EXPECT_EQ(dc->GetTextExtent("\xB0\xA1", 2), CSize(10, 20));
    }
    const auto texts = dc->Log().Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0]->bytes, "\xE9");
    EXPECT_EQ(texts[0]->units, u"\u00E9");
    EXPECT_EQ(texts[0]->font.lfCharSet, ANSI_CHARSET);
    EXPECT_EQ(texts[1]->bytes, "\xB0\xA1");
    EXPECT_EQ(texts[1]->units, u"\uAC00");
    EXPECT_EQ(texts[1]->font.lfCharSet, HANGUL_CHARSET);
}

} // namespace
