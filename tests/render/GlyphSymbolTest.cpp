// Symbols made of music glyphs: single glyphs and measure repeats, marks and
// digits, both coda layouts, trill lines, arpeggios, key accidentals and the
// running key; stored words that point past their glyph tables draw nothing.

#include "support/RenderSupport.h"

#include "document/KVCtrlTool.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMsg.h"
#include "platform/Recorder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using Glyph = kvtest::DrawnGlyph;

constexpr BYTE kPageParent = 7;

kvtest::MusicMetrics GlyphMetrics()
{
    return kvtest::BoxMetrics(
        {{0x90, 20}, {0x8F, 16}, {0xA9, 10}, {0x7A, 10}, {0x77, 10}, {0x6B, 24}, {0x26, 16}, {0x8E, 20}});
}

class GlyphSymbols : public kvtest::RenderTest {
protected:
    kvtest::RenderShape Rendering() const override { return {.metrics = GlyphMetrics()}; }
    void SetUp() override
    {
        RenderTest::SetUp();
        Doc().m_FontDatas.AddNewFont(1, "KvTest", 6);
        m_live = kvrec::LiveObjectCounts();
        m_warnings = kvrec::Warnings().size();
        Log().Clear();
    }
    // Every drawer gives back the objects it made and warns of nothing.
    void TearDown() override
    {
        EXPECT_EQ(kvrec::LiveObjectCounts(), m_live);
        EXPECT_EQ(kvrec::Warnings().size(), m_warnings);
        RenderTest::TearDown();
    }

    // A page-level symbol at its words, drawn from the given origin.
    CKVMsg& PageSymbol(BYTE kind, short x, short y, LONG orgX = 0, LONG orgY = 0)
    {
        m_symbols.push_back(std::make_unique<CKVMsg>());
        CKVMsg& msg = *m_symbols.back();
        msg.m_byKind = kind;
        msg.m_byParentKind = kPageParent;
        msg.m_byVoice = 1;
        msg.m_nPosX = x;
        msg.m_nPosY = y;
        View().KVSetOrgXY(orgX, orgY);
        return msg;
    }
    static void AddHandles(CKVMsg& msg, int count, const CRect& rect = CRect(1, 2, 3, 4))
    {
        for (int i = 0; i < count; ++i)
            msg.m_arrCtrlPoint.Add(new CKVCtrlPoint(rect));
        msg.m_byCtrlCount = static_cast<BYTE>(count);
    }
    static void SetHead(CKVMsg& msg, const std::string& bytes)
    {
        msg.SetHead(static_cast<short>(bytes.size()),
                    reinterpret_cast<unsigned char*>(const_cast<char*>(bytes.data())));
    }
    std::vector<Glyph> Drawn() { return kvtest::DrawnGlyphs(Log()); }

private:
    std::vector<std::unique_ptr<CKVMsg>> m_symbols;
    kvrec::LiveCounts m_live;
    size_t m_warnings = 0;
};

TEST_F(GlyphSymbols, EachSingleGlyphKindDrawsItsGlyphInTheVoiceColour)
{
    Doc().m_CtrlTool.m_wActiveVoice = 2; // another voice: the grey of the inactive voices
    const std::vector<std::pair<BYTE, int>> table = {{47, 0x6D}, {48, 0x6C}, {52, 0x6A}, {55, 0x66}, {56, 0x67},
                                                     {57, 0x68}, {58, 0x69}, {60, 0x2F}, {61, 0x2E}, {62, 0x27}};
    for (const auto& [kind, code] : table) {
        Log().Clear();
        CKVMsg& msg = PageSymbol(kind, 30, -20, 100, 200);
        msg.m_crColor = 0x000000FF;
        EXPECT_EQ(View().DrawSingle_Msg(msg), 1);
        EXPECT_EQ(Drawn(), std::vector<Glyph>({{code, 130, 180}})) << int(kind);
        ASSERT_EQ(Log().Texts().size(), 1u);
        EXPECT_EQ(Log().Texts()[0]->textColour, 0x808080u) << int(kind);
    }
    EXPECT_EQ(Dc().GetTextColor(), 0u);

    // Kind 54 has no glyph; pedal lines and small digits come here only by
    // a direct call, and a size word past the digits draws nothing.
    struct Direct {
        BYTE kind;
        WORD size;
        std::vector<Glyph> drawn;
    };
    for (const Direct& d : {Direct {54, 0, {}}, Direct {17, 0, {{0x6B, 130, 180}}},
                            Direct {42, 2, {{0xD3, 130, 180}}}, Direct {42, 7, {}}, Direct {42, 0xFFFF, {}}}) {
        Log().Clear();
        CKVMsg& msg = PageSymbol(d.kind, 30, -20, 100, 200);
        msg.m_wObjWord = d.size;
        EXPECT_EQ(View().DrawSingle_Msg(msg), 1);
        EXPECT_EQ(Drawn(), d.drawn) << int(d.kind) << " " << d.size;
        if (d.drawn.empty()) {
            EXPECT_TRUE(Log().Entries().empty()) << int(d.kind);
        }
    }
}

TEST_F(GlyphSymbols, OneMeasureRepeatIsCentredAndTakesTheWholeRestsPlace)
{
    for (const auto& [value, expected] : {std::pair<WORD, Glyph> {1, {0x90, 130, 200}}, {2, {0x8F, 132, 200}}}) {
        Log().Clear();
        CKVMsg& sign = PageSymbol(MSG_MEASREPEAT, 40, 0, 100, 200);
        sign.m_wDuration = value;
        View().DrawSingle_Msg(sign);
        EXPECT_EQ(Drawn(), std::vector<Glyph>({expected}));
    }

    // In a measure: x from the measure position, y scaled to the staff.
    CKVMeas* meas = Builder().Meas(0, 0);
    meas->m_nLeftX = 0;
    meas->m_nHeaderWidth = 40;
    meas->m_nRealWidth = 200;
    meas->m_nStaffY = 100;
    Doc().m_CtrlTool.m_wDrawOptions = CKVCtrlTool::kWholeRestInEmptyMeas;
    CKVMsg* sign = Builder().Symbol(meas, MSG_MEASREPEAT, 128, 40);
    View().KVSetOrgXY(0, 0);
    View().m_nSizePercent = 75;
    for (WORD value : {1, 2}) {
        sign->m_wDuration = value;
        Log().Clear();
        View().KVDrawMeas(*meas, 0, 0);
        int rests = 0;
        for (const Glyph& g : Drawn())
            rests += std::get<0>(g) == 0xB4;
        EXPECT_EQ(rests, value == 1 ? 0 : 1) << value;
        const Glyph expected = value == 1 ? Glyph {0x90, 40 + 100 - 10, 130} : Glyph {0x8F, 40 + 100 - 8, 130};
        EXPECT_EQ(Drawn().front(), expected) << value;
    }
}

TEST_F(GlyphSymbols, MarksAndDigitsOutsideTheirTablesDrawNothing)
{
    CKVMsg& mark = PageSymbol(MSG_NOTEMARK, 10, 20, 100, 100);
    mark.m_wHeadType = 25;
    EXPECT_EQ(View().DrawMark(mark), 1);
    EXPECT_EQ(Drawn(), std::vector<Glyph>({{0x73, 110, 120}}));
    for (WORD code : {0, 52, 0xFFFF}) {
        Log().Clear();
        mark.m_wHeadType = code;
        EXPECT_EQ(View().DrawMark(mark), 1);
        EXPECT_TRUE(Log().Entries().empty()) << code;
    }

    CKVMsg& digit = PageSymbol(MSG_FONTGLYPH, 10, 20, 100, 100);
    digit.m_wObjWord = 3;
    Log().Clear();
    EXPECT_EQ(View().DrawGerneralFont(digit), 1);
    EXPECT_EQ(Drawn(), std::vector<Glyph>({{0xD3, 110, 120}}));
    for (WORD size : {6, 0xFFFF}) {
        Log().Clear();
        digit.m_wObjWord = size;
        EXPECT_EQ(View().DrawGerneralFont(digit), -1);
        EXPECT_TRUE(Log().Entries().empty()) << size;
    }
}

TEST_F(GlyphSymbols, OlderCodaDrawsItsTextWithinTheHeadThenItsGlyph)
{
    LOGFONT& setting = Doc().m_CtrlTool.m_lfCoda;
    setting.lfHeight = 12;
    const LOGFONT before = setting;
    CKVMsg& coda = PageSymbol(MSG_CODA, 10, 20, 100, 100);
    coda.m_wObjWord = 3;
    coda.m_wDuration = 1;
    SetHead(coda, "Coda");
    EXPECT_EQ(View().DrawCoda(coda), 1);
    const std::vector<const kvrec::Entry*> texts = Log().Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0]->call, "TextOutA");
    EXPECT_EQ(texts[0]->bytes, "Coda");
    EXPECT_EQ(CPoint(texts[0]->logical[0]), CPoint(110, 120));
    EXPECT_EQ(texts[0]->font.lfHeight, -16);
    EXPECT_EQ(Drawn().back(), Glyph(0xFF, 150, 120));
    EXPECT_EQ(std::memcmp(&setting, &before, sizeof before), 0);

    coda.m_wObjWord = 0;
    Log().Clear();
    EXPECT_EQ(View().DrawCoda(coda), -1);
    EXPECT_TRUE(Log().Entries().empty());

    // A code past the table keeps the text; a zero inside the head ends it.
    coda.m_wObjWord = 3;
    coda.m_wDuration = 9;
    Log().Clear();
    View().DrawCoda(coda);
    ASSERT_EQ(Log().Texts().size(), 1u);
    EXPECT_EQ(Log().Texts()[0]->bytes, "Coda");
    SetHead(coda, std::string("Co\0da", 5));
    Log().Clear();
    View().DrawCoda(coda);
    ASSERT_EQ(Log().Texts().size(), 1u);
    EXPECT_EQ(Log().Texts()[0]->bytes, "Co");
}

TEST_F(GlyphSymbols, NewerCodaPlacesGlyphAndTextAndTheirHandles)
{
    auto make = [&](BYTE handles, const std::string& head) -> CKVMsg& {
        CKVMsg& coda = PageSymbol(MSG_CODA, 0, 0, 100, 100);
        coda.m_wHeadType = 1;
        coda.m_wDuration = 0x0201;
        coda.m_nPosX2 = 6;
        AddHandles(coda, 2);
        coda.m_byCtrlCount = handles;
        SetHead(coda, head);
        return coda;
    };
    const std::string record = std::string("\x01\x00\x0C\x00\x01", 5) + "D.S.";
    CKVMsg& coda = make(2, record);
    EXPECT_EQ(View().DrawCoda(coda), 1);
    const std::vector<const kvrec::Entry*> texts = Log().Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(Drawn().front(), Glyph(0x8E, 100, 100));
    EXPECT_EQ(texts[1]->bytes, "D.S.");
    EXPECT_EQ(CPoint(texts[1]->logical[0]), CPoint(126, 100));
    const LOGFONTA& font = texts[1]->font;
    EXPECT_STREQ(font.lfFaceName, "KvTest");
    EXPECT_EQ(font.lfHeight, -16);
    EXPECT_EQ(font.lfWeight, 700);
    EXPECT_EQ(font.lfOutPrecision, 3);
    EXPECT_EQ(font.lfClipPrecision, 2);
    EXPECT_EQ(font.lfQuality, 1);
    EXPECT_EQ(coda.m_arrCtrlPoint[0]->m_rect, CRect(0, -20, 20, 0));
    EXPECT_EQ(coda.m_arrCtrlPoint[1]->m_rect, CRect(26, -16, 58, 0));

    CKVMsg& single = make(1, record);
    View().DrawCoda(single);
    EXPECT_EQ(single.m_arrCtrlPoint[1]->m_rect, CRect(1, 2, 3, 4));

    // A font the table lacks falls back to the default face.
    CKVMsg& unknown = make(2, std::string("\x09\x01\x0C\x00\x00", 5) + "Fine");
    Log().Clear();
    View().DrawCoda(unknown);
    ASSERT_EQ(Log().Texts().size(), 2u);
    EXPECT_STREQ(Log().Texts()[1]->font.lfFaceName, "");

    // Heads shorter than the record hold no text.
    for (size_t length : {3u, 4u}) {
        CKVMsg& shortHead = make(2, record.substr(0, length));
        Log().Clear();
        View().DrawCoda(shortHead);
        EXPECT_EQ(Drawn(), std::vector<Glyph>({{0x8E, 100, 100}})) << length;
        EXPECT_EQ(Log().Texts().size(), 1u) << length;
    }
}

TEST_F(GlyphSymbols, TrillLineRepeatsItsGlyphToTheEndAndAlwaysEnds)
{
    auto draw = [&](DWORD style) -> CKVMsg& {
        CKVMsg& trill = PageSymbol(MSG_TRILL, 0, 16, 100, 200);
        trill.m_nPosX2 = 35;
        trill.m_dwWord = style;
        AddHandles(trill, 2);
        Log().Clear();
        EXPECT_EQ(View().DrawTrills(trill), 1);
        return trill;
    };
    CKVMsg& plain = draw(0);
    EXPECT_EQ(Drawn(),
              std::vector<Glyph>({{0x7A, 100, 216}, {0x7A, 110, 216}, {0x7A, 120, 216}, {0x7A, 130, 216}}));
    EXPECT_EQ(plain.m_arrCtrlPoint[1]->m_rect, CRect(37, -3, 43, 3));
    for (const kvrec::Entry* text : Log().Texts())
        EXPECT_EQ(text->align, UINT(TA_BASELINE));

    Dc().SetTextAlign(TA_TOP | TA_CENTER);
    CKVMsg& wavy = draw(1);
    EXPECT_EQ(Drawn(),
              std::vector<Glyph>({{0x77, 100, 216}, {0x77, 108, 216}, {0x77, 116, 216}, {0x77, 124, 216}}));
    EXPECT_EQ(wavy.m_arrCtrlPoint[1]->m_rect, CRect(29, -3, 35, 3));
    EXPECT_EQ(Log().Texts()[0]->align, UINT(TA_BASELINE));
    EXPECT_EQ(Dc().GetTextAlign(), UINT(TA_TOP | TA_CENTER));

    kvtest::MusicMetrics zero = GlyphMetrics();
    zero[0x7A].advance = 0;
    kvtest::UseMusicTestMetrics(&zero);
    draw(0);
    EXPECT_EQ(Drawn().size(), 35u);
}

TEST_F(GlyphSymbols, ArpeggioStandsOrSlantsAtFourTimesTheResolutionOnScreen)
{
    CKVMsg& roll = PageSymbol(MSG_ARPEGGIO, 0, 0, 100, 100);
    roll.m_nPosX2 = 1; // vertical, though the end is one dot off
    roll.m_nPosY2 = 40;
    EXPECT_EQ(View().DrawRolled_chord(roll), 1);
    EXPECT_EQ(Drawn(),
              std::vector<Glyph>(
                  {{0x7B, 100, 108}, {0x7B, 100, 116}, {0x7B, 100, 124}, {0x7B, 100, 132}, {0x7B, 100, 140}}));
    roll.m_wDuration = 1;
    Log().Clear();
    View().DrawRolled_chord(roll);
    ASSERT_EQ(Log().Texts().size(), 5u);
    EXPECT_EQ(Log().Texts()[0]->font.lfWeight, 900);
    EXPECT_EQ(Log().Texts()[0]->font.lfHeight, -32);

    roll.m_wDuration = 0;
    roll.m_nPosX2 = 40;
    roll.m_nPosY2 = 0;
    Log().Clear();
    View().DrawRolled_chord(roll);
    EXPECT_EQ(Drawn(),
              std::vector<Glyph>(
                  {{0x7B, 432, 400}, {0x7B, 464, 400}, {0x7B, 496, 400}, {0x7B, 528, 400}, {0x7B, 560, 400}}));
    const kvrec::Entry& level = *Log().Texts()[0];
    EXPECT_EQ(level.font.lfEscapement, 900);
    EXPECT_EQ(level.font.lfOrientation, 900);
    EXPECT_EQ(level.font.lfWeight, 400);
    EXPECT_EQ(level.font.lfHeight, -128);
    EXPECT_EQ(level.windowExt.cx, 400);
    EXPECT_EQ(Dc().GetWindowExt(), CSize(100, 100));

    roll.m_nPosX2 = 30;
    roll.m_nPosY2 = 40;
    Log().Clear();
    View().DrawRolled_chord(roll);
    EXPECT_EQ(Log().Texts()[0]->font.lfEscapement, 368);
    EXPECT_EQ(Drawn(), std::vector<Glyph>({{0x7B, 419, 425},
                                           {0x7B, 438, 450},
                                           {0x7B, 457, 475},
                                           {0x7B, 476, 500},
                                           {0x7B, 495, 525},
                                           {0x7B, 514, 550}}));
    EXPECT_EQ(Dc().GetTextColor(), 0u);
}

class GlyphSymbolsPrinted : public GlyphSymbols {
protected:
    kvtest::RenderShape Rendering() const override { return {.printing = true, .metrics = GlyphMetrics()}; }
};

TEST_F(GlyphSymbolsPrinted, ArpeggioIsDrawnAtTheDevicesOwnResolutionAndAlwaysEnds)
{
    CKVMsg& roll = PageSymbol(MSG_ARPEGGIO, 0, 0, 100, 100);
    roll.m_nPosX2 = 40;
    EXPECT_EQ(View().DrawRolled_chord(roll), 1);
    EXPECT_EQ(Drawn(),
              std::vector<Glyph>(
                  {{0x7B, 108, 100}, {0x7B, 116, 100}, {0x7B, 124, 100}, {0x7B, 132, 100}, {0x7B, 140, 100}}));
    EXPECT_EQ(Log().Texts()[0]->font.lfHeight, -32);
    EXPECT_TRUE(Log().Calls("SetWindowExtEx").empty());

    // A gap too small for a whole step still moves one dot at a time.
    View().m_nStaffSpace = 1;
    roll.m_nPosY2 = 40;
    Log().Clear();
    View().DrawRolled_chord(roll);
    EXPECT_EQ(Drawn().size(), 41u);
}

TEST_F(GlyphSymbols, KeyAccidentalDrawsItsParenthesesAndUnknownCodesNothing)
{
    CKVMsg& sharp = PageSymbol(MSG_KEYSIGN, 50, 60);
    sharp.m_wDuration = 1;
    sharp.m_byReplace = 1;
    EXPECT_EQ(View().DrawKeysign(sharp), 1);
    EXPECT_EQ(Drawn(), std::vector<Glyph>({{0xA9, 50, 60}, {0x28, 36, 68}, {0x29, 64, 68}}));
    EXPECT_EQ(Log().Texts()[1]->call, "TextOutA");
    for (WORD code : {0, 7}) {
        sharp.m_wDuration = code;
        Log().Clear();
        EXPECT_EQ(View().DrawKeysign(sharp), 1);
        EXPECT_TRUE(Log().Entries().empty()) << code;
    }
}

TEST_F(GlyphSymbols, NaturalCancelsTheLastAccidentalOnlyOnItsPlace)
{
    CKVMsg& natural = PageSymbol(MSG_KEYSIGN, 0, -36);
    natural.m_wDuration = 3;
    struct Case {
        BYTE clef;
        BYTE kind;
        short count;
        short y;
        short after;
    };
    // Treble sharps stand at -8 -5 -9 ...: the third on -9 half spaces.
    for (const Case c : {Case {1, 1, 3, -36, 2}, Case {1, 1, 3, -20, 3}, Case {1, 1, 0, -36, 0},
                         Case {1, 1, 8, -36, 8}, Case {9, 1, 3, -36, 3}, Case {1, 0, 3, -36, 3}}) {
        View().m_byKeyClef = c.clef;
        View().m_byKeyKind = c.kind;
        View().m_nKeyCount = c.count;
        natural.m_nPosY = c.y;
        EXPECT_EQ(View().ChangeKeySign(natural), 1);
        EXPECT_EQ(View().m_nKeyCount, c.after) << int(c.clef) << " " << c.count << " " << c.y;
    }
    EXPECT_TRUE(Log().Entries().empty());
}

} // namespace

namespace {

class GlyphPicture : public GlyphSymbols {
protected:
    kvtest::RenderShape Rendering() const override { return {.metrics = std::nullopt, .open = false}; }
};

// The slanted arpeggio is the one glyph symbol drawn in a turned font on a
// magnified mapping: its ink must follow the slant, not stand upright at
// the start point or land four times too far out.
TEST_F(GlyphPicture, GlyphSymbolsOnAStaffLookRight)
{
    auto dc = kvtest::MakeRasterDC(300, 200, KvRasterKind::Screen);
    Doc().m_CtrlTool.m_dwResolutionX = Doc().m_CtrlTool.m_dwResolutionY = 96;
    Doc().m_bSpacingApplied = 1;
    ASSERT_EQ(View().KVOpen(dc.get(), &Doc(), 0, 0), 1);
    View().KVSetExpandTimes(100, 100);
    for (int line = 0; line < 5; ++line) {
        dc->MoveTo(10, 100 - 8 * line);
        dc->LineTo(290, 100 - 8 * line);
    }
    struct Placed {
        BYTE kind;
        short x, y, x2, y2;
        WORD duration;
        DWORD style;
        BYTE parenthesised;
    };
    for (const Placed& p :
         {Placed {MSG_ARPEGGIO, 30, -60, 30, 40, 0, 0, 0}, Placed {MSG_ARPEGGIO, 90, -40, 1, 40, 0, 0, 0},
          Placed {MSG_TRILL, 120, -56, 60, 0, 0, 1, 0}, Placed {MSG_KEYSIGN, 210, -20, 0, 0, 1, 0, 1},
          Placed {MSG_MEASREPEAT, 260, -16, 0, 0, 1, 0, 0}}) {
        CKVMsg& msg = PageSymbol(p.kind, p.x, p.y, 0, 100);
        msg.m_nPosX2 = p.x2;
        msg.m_nPosY2 = p.y2;
        msg.m_wDuration = p.duration;
        msg.m_dwWord = p.style;
        msg.m_byReplace = p.parenthesised;
        View().KVDrawMsg(msg, 0);
    }
    View().KVClose();
    EXPECT_FALSE(kvtest::WritePicture(*dc, "glyph-symbols.png").empty());

    // Ink of the slant along its path from (30, 40) to (60, 80), off the
    // staff lines' rows, and none left of it above the staff.
    int along = 0;
    for (int y = 45; y <= 80; ++y) {
        if ((y - 100) % 8 == 0)
            continue;
        const int cx = 30 + (y - 40) * 30 / 40;
        for (int x = cx - 8; x <= cx + 8; ++x)
            along += (dc->GetPixel(x, y) & 0x00FFFFFF) != 0x00FFFFFF;
    }
    EXPECT_GT(along, 40);
    EXPECT_EQ(kvtest::CountInk(*dc, RECT {0, 0, 300, 200}).outside, 0);
    EXPECT_EQ(kvtest::CountInk(*dc, RECT {0, 0, 20, 60}).inside, 0);
}

} // namespace
