// The note, rest and number image: which glyphs it draws, where, and the
// rectangle its image gets.

#include "support/DragDriver.h"
#include "support/PngPixels.h"

#include "drag/TempNoteMsg.h"
#include "document/KVCtrlTool.h"
#include "model/GlyphTables.h"
#include "model/TextHelpers.h"

#include <gtest/gtest.h>

namespace {

class TempNoteMsgTest : public kvtest::DragFixture {
protected:
    // Glyph codes the measuring pass drew on the view, in order.
    std::vector<int> Codes()
    {
        std::vector<int> codes;
        for (const kvrec::GlyphHit& g : View().Log().Glyphs())
            codes.push_back(g.code);
        return codes;
    }
    // A glyph's size in the template's font at height h.
    CSize Extent(BYTE code, int h)
    {
        LOGFONT lf {};
        GetDefaultLogFont(lf, static_cast<short>(h * 10), "ZelvoraB", 0, &View());
        ZelvoraLogFontProc(lf, &View());
        CFont font;
        font.CreateFontIndirect(&lf);
        CFont* old = View().SelectObject(&font);
        SIZE size {0, 0};
        const char c = static_cast<char>(code);
        MyGetTextExtent(&View(), &c, 1, &size);
        View().SelectObject(old);
        font.DeleteObject();
        return CSize(size.cx, size.cy);
    }
    void Hover(CTempNoteMsg& t) { t.OnMouseMove({200, 200}, &View(), &Doc(), 100); }
};

TEST_F(TempNoteMsgTest, NotesDrawHeadStemAndFlagByDuration)
{
    CTempNoteMsg quarter;
    EXPECT_EQ(quarter.m_byKind, 128);
    EXPECT_EQ(quarter.m_wHeadType, 1);
    quarter.m_wDuration = DUR_QUARTER;
    Hover(quarter);
    EXPECT_EQ(Codes(), (std::vector<int> {codeStdHead[3], codeUpBar}));
    const CSize head = Extent(codeStdHead[3], 48);
    const CSize stem = Extent(codeUpBar, 48);
    EXPECT_EQ(quarter.GetBoundingRect(),
              CRect(-(head.cx >> 1) - 1, -(stem.cy + (head.cx >> 1) + 1), 2 * head.cx + 2, (head.cx >> 1) + 1));
    // The measuring pass draws far off the view.
    EXPECT_EQ(CPoint(View().Log().Glyphs().front().logical), CPoint(-1000, -1000));
}

TEST_F(TempNoteMsgTest, EighthGetsAFlagWholeNoStem)
{
    CTempNoteMsg eighth;
    eighth.m_wDuration = DUR_EIGHTH;
    Hover(eighth);
    EXPECT_EQ(Codes(), (std::vector<int> {codeStdHead[4], codeUpBar, codeUpTail[4]}));
}

TEST_F(TempNoteMsgTest, WholeNoteHasNoStem)
{
    CTempNoteMsg whole;
    whole.m_wDuration = DUR_WHOLE;
    Hover(whole);
    EXPECT_EQ(Codes(), (std::vector<int> {codeStdHead[1]}));
}

TEST_F(TempNoteMsgTest, HalfRestUsesTheWholeRestGlyph)
{
    CTempNoteMsg rest(3);
    rest.m_wDuration = DUR_HALF;
    Hover(rest);
    EXPECT_EQ(Codes(), (std::vector<int> {0xB4}));
}

TEST_F(TempNoteMsgTest, DotsAndGraceMarks)
{
    CKVCtrlTool::m_dwEditStatus = 0x30;
    CTempNoteMsg grace;
    grace.m_wDuration = DUR_EIGHTH | (2 << 8);
    Hover(grace);
    EXPECT_EQ(Codes(), (std::vector<int> {codeStdHead[4], codeUpBar, codeUpTail[4], codeGraceAdd[2], codeDot,
                                          codeDot}));
    const auto glyphs = View().Log().Glyphs();
    ASSERT_EQ(glyphs.size(), 6u);
    // Two dots one staff space apart; the rectangle counts both.
    EXPECT_EQ(glyphs[5].logical.x - glyphs[4].logical.x, 16);
    const int h = MulDiv(48, 75, 100);
    const CSize head = Extent(codeStdHead[4], h);
    EXPECT_EQ(grace.GetBoundingRect().right,
              Extent(codeUpTail[4], h).cx + 2 * head.cx + 2 * Extent(codeDot, h).cx + 2);
}

TEST_F(TempNoteMsgTest, NumbersGetTheirOwnBox)
{
    for (WORD type : {WORD(103), WORD(112), WORD(200)}) {
        CTempNoteMsg number;
        number.m_wHeadType = type;
        Hover(number);
        const auto texts = View().Log().Texts();
        ASSERT_FALSE(texts.empty());
        const std::string want = type == 103 ? "3" : type == 112 ? "12" : ":0";
        const std::u16string& units = texts.back()->units;
        EXPECT_EQ(std::string(units.begin(), units.end()), want);
        EXPECT_FALSE(::IsRectEmpty(&number.m_rcBound));
    }
    EXPECT_EQ(KvOpenScreenDCs(), 0);
}

TEST_F(TempNoteMsgTest, UnknownDurationsDrawNothing)
{
    CTempNoteMsg note;
    note.m_wDuration = 11;
    Hover(note);
    CTempNoteMsg odd;
    odd.m_wDuration = 0xC8;
    odd.m_wHeadType = 9;
    Hover(odd);
    CTempNoteMsg rest(3);
    rest.m_wDuration = 40;
    Hover(rest);
    for (int code : Codes())
        EXPECT_NE(code, 0);
}

TEST_F(TempNoteMsgTest, GlyphsAtThePositionAndTheStateAroundThem)
{
    // Draws t once at (200, 300) and gives its glyphs.
    auto draw = [&](CTempNoteMsg& t) {
        t.BeginDrag({200, 300}, &Doc(), 100, nullptr, 0);
        t.m_ptPos = CPoint(200, 300);
        View().Log().Clear();
        t.DrawDraging(&View());
        return View().Log().Glyphs();
    };
    auto codes = [](const std::vector<kvrec::GlyphHit>& glyphs) {
        std::vector<int> all;
        for (const auto& g : glyphs)
            all.push_back(g.code);
        return all;
    };

    const COLORREF colour = View().GetTextColor();
    const UINT align = View().GetTextAlign();
    CTempNoteMsg quarter;
    quarter.m_wDuration = 3;
    const auto glyphs = draw(quarter);
    EXPECT_EQ(codes(glyphs), (std::vector<int> {0xD9, 0xCC}));
    for (const auto& g : glyphs)
        EXPECT_EQ(CPoint(g.logical), CPoint(200, 300));
    for (const kvrec::Entry* e : View().Log().Texts()) {
        EXPECT_EQ(e->font.lfHeight, -64);
        EXPECT_EQ(e->textColour, 0xFF0000u);
        EXPECT_EQ(e->align, 24u);
    }
    EXPECT_EQ(View().GetTextColor(), colour);
    EXPECT_EQ(View().GetTextAlign(), align);

    const std::vector<std::pair<WORD, int>> heads {{2, 0xDD}, {3, 0xDC}, {4, 0xE4}, {5, 0xE5}};
    for (const auto& [type, code] : heads) {
        CTempNoteMsg t;
        t.m_wHeadType = type;
        t.m_wDuration = 3;
        EXPECT_EQ(codes(draw(t)), (std::vector<int> {code, 0xCC})) << type;
    }
    CTempNoteMsg stemOnly;
    stemOnly.m_wHeadType = 6;
    stemOnly.m_wDuration = 3;
    EXPECT_EQ(codes(draw(stemOnly)), std::vector<int> {0xCC});
    CTempNoteMsg whole;
    whole.m_wDuration = 1;
    EXPECT_EQ(codes(draw(whole)), std::vector<int> {0xD7});
    for (WORD d : {WORD(2), WORD(1)}) {
        CTempNoteMsg rest(3);
        rest.m_wDuration = d;
        EXPECT_EQ(codes(draw(rest)), std::vector<int> {0xB4}) << d;
    }
}

TEST_F(TempNoteMsgTest, DotsAndGraceSlashPlaces)
{
    auto draw = [&](CTempNoteMsg& t) {
        t.BeginDrag({200, 300}, &Doc(), 100, nullptr, 0);
        t.m_ptPos = CPoint(200, 300);
        View().Log().Clear();
        t.DrawDraging(&View());
        return View().Log().Glyphs();
    };
    const int w = Extent(0xD9, 48).cx;
    CTempNoteMsg dotted;
    dotted.m_wDuration = 0x0104;
    auto glyphs = draw(dotted);
    std::vector<CPoint> flags, dots;
    for (const auto& g : glyphs) {
        if (g.code == 0xBF)
            flags.emplace_back(g.logical);
        if (g.code == 0xA7)
            dots.emplace_back(g.logical);
    }
    EXPECT_EQ(flags, std::vector<CPoint> {CPoint(200, 300)});
    EXPECT_EQ(dots, std::vector<CPoint> {CPoint(200 + MulDiv(w, 3, 2), 300 - (w >> 1))});

    CTempNoteMsg twoDots;
    twoDots.m_wDuration = 0x0204;
    dots.clear();
    for (const auto& g : draw(twoDots)) {
        if (g.code == 0xA7)
            dots.emplace_back(g.logical);
    }
    ASSERT_EQ(dots.size(), 2u);
    EXPECT_EQ(dots[1], dots[0] + CPoint(16, 0));

    CKVCtrlTool::m_dwEditStatus = 0x20;
    CTempNoteMsg slashed;
    slashed.m_wDuration = 4;
    glyphs = draw(slashed);
    const int small = Extent(0xD9, 36).cx;
    bool found = false;
    for (const auto& g : glyphs)
        found |= g.code == 0xBD && CPoint(g.logical) == CPoint(200 - (small >> 1), 300);
    EXPECT_TRUE(found);
}

TEST_F(TempNoteMsgTest, InkStaysInsideTheRectangle)
{
    auto view = RasterView(400, 300);
    CTempNoteMsg quarter;
    quarter.m_wDuration = DUR_QUARTER | (1 << 8);
    quarter.OnMouseMove({200, 200}, view.get(), &Doc(), 100);
    CRect box = quarter.GetBoundingRect();
    box.OffsetRect(200, 200);
    int ink = 0;
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 400; ++x) {
            if (view->GetPixel(x, y) == RGB(255, 255, 255))
                continue;
            ++ink;
            ASSERT_TRUE(::PtInRect(&box, POINT {x, y})) << x << ", " << y;
        }
    }
    EXPECT_GT(ink, 20);
}

} // namespace
