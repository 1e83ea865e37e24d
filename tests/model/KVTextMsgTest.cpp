// Free texts laying out and drawing their tagged runs: alignment, frames,
// field codes, the format carried between texts, damaged heads, and a
// picture of the result.

#include "support/Drawing.h"
#include "support/FontSupport.h"
#include "support/SymbolFixtures.h"

#include "model/FontDatas.h"
#include "model/KVDrawnMsgs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;

Bytes operator+(Bytes a, const Bytes& b)
{
    for (BYTE byte : b)
        a.push_back(byte);
    return a;
}

// A UTF-16 run with its 8-byte marker.
Bytes WideRun(const std::u16string& text)
{
    Bytes run;
    for (char16_t unit : text) {
        run.push_back(static_cast<BYTE>(unit));
        run.push_back(static_cast<BYTE>(unit >> 8));
    }
    run.resize(run.size() + 8, 0);
    const size_t n = run.size();
    return Bytes {6, static_cast<BYTE>(n), static_cast<BYTE>(n >> 8)} + run;
}

Bytes AnsiRun(const std::string& text)
{
    Bytes run = {6, static_cast<BYTE>(text.size()), 0};
    for (char c : text)
        run.push_back(static_cast<BYTE>(c));
    return run;
}

const Bytes kCentred = {1, 1, 0};
const Bytes kLeft = {1, 0xFE, 0xFF};
const Bytes kFont0 = {2, 0, 0};
const Bytes kSize12 = {4, 12, 0};
const Bytes kParagraph = {10};

class TextMsgTest : public kvtest::TextFaceTest {
protected:
    CSize Draw(const Bytes& head, WORD frame = 0, int page = 1, CDC* target = nullptr)
    {
        CKVTextMsg text;
        text.m_byKind = MSG_FREETEXT;
        text.m_wHeadType = frame;
        text.SetHead(static_cast<short>(head.size()), const_cast<BYTE*>(head.data()));
        lastRect = CRect(100, 100, 400, 300);
        return text.DrawMsg(target ? target : dc.get(), &lastRect, nullptr, &fonts, 100, page, 0);
    }

    CRect lastRect;
};

const Bytes kTwoLines = kCentred + kFont0 + kSize12 + WideRun(u"AB") + kParagraph + WideRun(u"CDEF");

TEST_F(TextMsgTest, CentredLinesStackInTheMargins)
{
    EXPECT_EQ(Draw(kTwoLines), CSize(166, 65));
    // The extent counts from the rectangle as the text leaves it.
    EXPECT_EQ(lastRect, CRect(100, 99, 400, 299));
    const auto texts = Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0]->units, u"AB");
    EXPECT_EQ(CPoint(texts[0]->logical[0]), CPoint(242, 122));
    EXPECT_EQ(texts[1]->units, u"CDEF");
    EXPECT_EQ(CPoint(texts[1]->logical[0]), CPoint(234, 151));
    EXPECT_EQ(texts[0]->font.lfHeight, -16);
    EXPECT_EQ(texts[1]->font.lfHeight, -16);
}

TEST_F(TextMsgTest, FrameStylesInsetOrOutset)
{
    Draw(kTwoLines, 0x0001);
    auto frames = dc->Log().Calls("Rectangle");
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(CPoint(frames[0]->logical[0]), CPoint(103, 102));
    EXPECT_EQ(CPoint(frames[0]->logical[1]), CPoint(397, 296));

    dc->Log().Clear();
    Draw(kTwoLines, 0x0101);
    frames = dc->Log().Calls("Rectangle");
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(CPoint(frames[0]->logical[0]), CPoint(97, 96));
    EXPECT_EQ(CPoint(frames[0]->logical[1]), CPoint(403, 302));
    EXPECT_EQ(CPoint(Texts()[0]->logical[0]), CPoint(242, 115));
}

TEST_F(TextMsgTest, FieldCodesAreMeasuredExpanded)
{
    const Bytes page = kLeft + kFont0 + kSize12 + AnsiRun("Page #P");
    EXPECT_EQ(Draw(page, 0, 2).cx, 55);
    EXPECT_EQ(Draw(page, 0, 10).cx, 63);

    using namespace std::chrono;
    KvSetFixedClock(KvFixedClock {sys_days {year {2024} / 3 / 5} + hours {7} + minutes {9}});
    EXPECT_EQ(Draw(kLeft + kFont0 + kSize12 + AnsiRun("#T")).cx, 31);
    EXPECT_EQ(Draw(kLeft + kFont0 + kSize12 + AnsiRun("#D")).cx, 71);

    CString text("p#p t#t d#d #");
    CKVTextMsg::AnalizeText(text, 4);
    EXPECT_STREQ(text, "p4 t7:9 d2024/3/5 #");
}

TEST_F(TextMsgTest, FormatCarriesIntoTheNextText)
{
    Draw(kFont0 + Bytes {4, 24, 0});
    EXPECT_TRUE(Texts().empty());
    Draw(WideRun(u"X"));
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(Texts()[0]->font.lfHeight, -32);
}

TEST_F(TextMsgTest, DamagedHeadsEndTheWalk)
{
    // A run whose length runs past the head, and a size tag cut short.
    Draw(kFont0 + kSize12 + WideRun(u"AB") + Bytes {6, 0x40, 0, 'x'});
    Draw(kFont0 + WideRun(u"AB") + Bytes {4});
    Draw(Bytes {6, 0x10});
    Draw(Bytes {6});
    // An odd run keeps its whole units.
    Draw(kFont0 + kSize12 + AnsiRun("ABCDE"));
    ASSERT_FALSE(Texts().empty());
    EXPECT_EQ(Texts().back()->units.size(), 2u);

    // Size 0 is drawn at 13 points, as it was laid out.
    dc->Log().Clear();
    Draw(kFont0 + Bytes {4, 0, 0} + WideRun(u"AB"));
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(Texts()[0]->font.lfHeight, -17);
}

TEST_F(TextMsgTest, HiddenTextDrawsNothing)
{
    CKVTextMsg text;
    text.m_byKind = MSG_FREETEXT;
    text.m_wObjWord = 1;
    text.SetHead(static_cast<short>(kTwoLines.size()), const_cast<BYTE*>(kTwoLines.data()));
    CRect rect(100, 100, 400, 300);
    EXPECT_EQ(text.DrawMsg(dc.get(), &rect, nullptr, &fonts, 100, 1, 0), CSize(0, 0));
    EXPECT_TRUE(Texts().empty());
}

TEST_F(TextMsgTest, PictureInkStaysInsideTheReturnedExtent)
{
    auto raster = kvtest::MakeRasterDC(400, 300);
    const CSize extent = Draw(kTwoLines, 0, 1, raster.get());
    const std::filesystem::path png = TempDir() / "free-text.png";
    ASSERT_TRUE(KvWritePng(raster->m_hDC, png.string().c_str()));
    EXPECT_TRUE(std::filesystem::exists(png));

    CRect ink(400, 300, 0, 0);
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 400; ++x) {
            if (raster->GetPixel(x, y) != RGB(255, 255, 255)) {
                ink.left = std::min<LONG>(ink.left, x);
                ink.top = std::min<LONG>(ink.top, y);
                ink.right = std::max<LONG>(ink.right, x + 1);
                ink.bottom = std::max<LONG>(ink.bottom, y + 1);
            }
        }
    }
    EXPECT_EQ(ink, CRect(234, 122, 266, 164));
    // The box starts at the rectangle moved up by one.
    EXPECT_EQ(ink.right, 100 + extent.cx);
    EXPECT_EQ(ink.bottom, 99 + extent.cy);
}

} // namespace
