// The measure header drawers: clefs, clef changes, key signatures with their
// naturals, and time signatures, with the widths they give the layout.

#include "support/SystemDrawing.h"

#include "platform/Recorder.h"
#include "render/ViewGeometry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Glyph = kvtest::DrawnGlyph;
using Glyphs = std::vector<Glyph>;

// The system-drawing fixture (its metrics and header spacing settings) on
// a score of two measures, with the origin 100 dots down.
class MeasureHeader : public kvtest::SystemDrawingTest {
protected:
    kvtest::ScoreShape Shape() override { return {.lineSpacing = 8, .measures = 2}; }
    void SetUp() override
    {
        SystemDrawingTest::SetUp();
        m_meas = Builder().Meas(0, 0);
        m_meas->m_nLeftX = 0;
        View().KVSetOrgXY(0, 100);
    }
    Glyphs Drawn() { return kvtest::DrawnGlyphs(Log()); }
    // The texts drawn as bytes, with their logical points.
    std::vector<std::tuple<std::string, int, int>> Texts()
    {
        std::vector<std::tuple<std::string, int, int>> out;
        for (const kvrec::Entry* e : Log().Calls("TextOutA"))
            out.emplace_back(e->bytes, e->logical[0].x, e->logical[0].y);
        return out;
    }
    CKVStaff& Staff() { return *Builder().Staff(0); }

    CKVMeas* m_meas = nullptr;
};

TEST_F(MeasureHeader, EffectivePercentKeepsTheScaledGapWholeAndPositive)
{
    for (const auto& [percent, effective] : {std::pair {100, 100}, {75, 75}, {70, 75}, {60, 62}, {6, 1}})
        EXPECT_EQ(viewgeom::EffectivePercent(8, percent), effective) << percent;

    // A staff at 75 percent gets a music font of 180 tenths of a point for
    // its clef, and the header routines give it back.
    Staff().m_wObjWord = 75;
    m_meas->m_byInitClef = 1;
    View().DrawMeasClef(*m_meas);
    ASSERT_EQ(Log().Texts().size(), 1u);
    EXPECT_EQ(Log().Texts()[0]->font.lfHeight, -24);
    Log().Clear();
    m_meas->m_byKeyType = 1;
    m_meas->m_byKeyCount = 1;
    BYTE kind = 0;
    short count = 0;
    int before = 0;
    View().DrawMeasKeySignA(m_meas, &kind, &count, 0, 1, before);
    ASSERT_EQ(Log().Texts().size(), 1u);
    EXPECT_EQ(Log().Texts()[0]->font.lfHeight, -24);
}

TEST_F(MeasureHeader, ClefsOfTheFirstColumn)
{
    struct Case {
        BYTE clef;
        Glyphs glyphs;
    };
    for (const Case& c : {Case {1, {{0x26, 4, 100}}}, Case {2, {{0x24, 4, 100}}}, Case {3, {{0x25, 4, 100}}},
                          Case {4, {{0x25, 4, 92}}}, Case {8, {{0x23, 8, 92}}},
                          Case {5, {{0x26, 4, 100}, {0x87, 12, 54}}}, Case {6, {{0x26, 4, 100}, {0x87, 10, 123}}},
                          Case {7, {{0x24, 4, 100}, {0x87, 10, 100}}}}) {
        BYTE state = 0;
        m_meas->m_nLeftX = 99;
        m_meas->m_byInitClef = c.clef;
        Log().Clear();
        EXPECT_EQ(View().DrawMeasClefA(m_meas, &state, 0, 1), c.clef == 8 ? 20 : 28) << int(c.clef);
        EXPECT_EQ(Drawn(), c.glyphs) << int(c.clef);
        EXPECT_EQ(state, c.clef);
        EXPECT_EQ(m_meas->m_nLeftX, 0);
    }

    // One-line staves and clefs without a glyph draw nothing.
    for (const auto& [kind, clef] : {std::pair<BYTE, BYTE> {3, 1}, {4, 1}, {1, 0}, {1, 10}, {1, 200}}) {
        Staff().m_byStaffKind = kind;
        m_meas->m_byInitClef = clef;
        Log().Clear();
        EXPECT_EQ(View().DrawMeasClef(*m_meas), 0) << int(kind) << " " << int(clef);
        EXPECT_TRUE(Log().Texts().empty());
    }

    // A six-line tablature staff spells TAB over its lines.
    Staff().m_byStaffKind = 5;
    Staff().m_byLineCount = 6;
    m_meas->m_byInitClef = 9;
    Log().Clear();
    EXPECT_EQ(View().DrawMeasClef(*m_meas), 28);
    using Text = std::tuple<std::string, int, int>;
    EXPECT_EQ(Texts(), (std::vector<Text> {{"T", 16, 73}, {"A", 16, 86}, {"B", 16, 99}}));
    for (const kvrec::Entry* e : Log().Calls("TextOutA")) {
        EXPECT_EQ(e->align, UINT(30));
        EXPECT_EQ(e->font.lfHeight, -17);
        EXPECT_EQ(e->requestedFace, "Times New Roman");
    }
    EXPECT_EQ(Dc().GetTextAlign(), UINT(TA_BASELINE));
}

TEST_F(MeasureHeader, ClefChanges)
{
    CKVCtrlTool& tool = Doc().m_CtrlTool;
    m_meas->m_nHeaderWidth = 0;
    m_meas->m_nRealWidth = 200;

    // At the measure's start, moved by the clef shift and drawn small.
    CKVMsg* bass = Builder().ClefChange(m_meas, 0, 2);
    bass->m_byMark1 = 1;
    bass->m_crColor = 0x00123456;
    tool.m_wClefChangeShift = 4;
    EXPECT_EQ(View().DrawClef(*bass), 18);
    ASSERT_EQ(Log().Texts().size(), 1u);
    EXPECT_EQ(Drawn(), (Glyphs {{0x24, 8, 94}}));
    EXPECT_EQ(Log().Texts()[0]->font.lfHeight, -24);
    EXPECT_EQ(Log().Texts()[0]->textColour, COLORREF(0x00123456));
    EXPECT_EQ(Dc().GetTextColor(), COLORREF(0));

    // Later column: the measure header finds it.
    Log().Clear();
    BYTE state = 0;
    EXPECT_EQ(View().DrawMeasClefA(m_meas, &state, 40, 0), 18);
    EXPECT_EQ(Drawn(), (Glyphs {{0x24, 8, 94}}));
    EXPECT_EQ(m_meas->m_nLeftX, 0);

    // Inside the measure, on the position scale.
    struct Case {
        WORD clef;
        Glyphs glyphs;
    };
    for (const Case& c : {Case {5, {{0x26, 100, 96}, {0x87, 106, 61}}}, Case {4, {{0x25, 100, 88}}},
                          Case {8, {{0x23, 100, 87}}}}) {
        CKVMsg* change = Builder().ClefChange(m_meas, 128, static_cast<BYTE>(c.clef));
        Log().Clear();
        View().DrawClef(*change);
        EXPECT_EQ(Drawn(), c.glyphs) << c.clef;
    }
    CKVMsg* none = Builder().ClefChange(m_meas, 64, 10);
    Log().Clear();
    EXPECT_EQ(View().DrawClef(*none), -1);
    EXPECT_TRUE(Log().Entries().empty());
}

class KeySignature : public MeasureHeader {
protected:
    void SetUp() override
    {
        MeasureHeader::SetUp();
        View().KVSetOrgXY(200, 100);
    }
    // Draws the measure's key after a previous key, in the middle of a
    // system unless said otherwise; gives the width.
    short Draw(BYTE kind, BYTE count, BYTE prevKind, short prevCount, int atStart = 0)
    {
        m_meas->m_byKeyType = kind;
        m_meas->m_byKeyCount = count;
        m_kind = prevKind;
        m_count = prevCount;
        Log().Clear();
        return View().DrawMeasKeySignA(m_meas, &m_kind, &m_count, 0, atStart, m_before);
    }
    BYTE m_kind = 0;
    short m_count = 0;
    int m_before = -1;
};

TEST_F(KeySignature, NaturalsOfAChangeStandWhereThePlacementSays)
{
    CKVCtrlTool& tool = Doc().m_CtrlTool;
    // Four sharps to two: the dropped ones cancelled before the bar line,
    // the fourth one's natural nearest to it.
    EXPECT_EQ(Draw(1, 2, 1, 4), 28);
    EXPECT_EQ(Drawn(), (Glyphs {{0xAB, 180, 76}, {0xAB, 170, 64}, {0xA9, 208, 68}, {0xA9, 218, 80}}));
    EXPECT_EQ(m_before, 20);
    EXPECT_EQ(std::pair(m_kind, m_count), std::pair(BYTE(1), short(2)));

    tool.m_byH4 = 1;
    EXPECT_EQ(Draw(1, 2, 2, 3), 58);
    EXPECT_EQ(Drawn(), (Glyphs {{0xAB, 208, 84}, {0xAB, 218, 72}, {0xAB, 228, 88}, {0xA9, 238, 68}, {0xA9, 248, 80}}));
    EXPECT_EQ(m_before, 0);

    // Placement 2 cancels only in the courtesy column.
    tool.m_byH4 = 2;
    EXPECT_EQ(Draw(0, 0, 1, 2), 0);
    EXPECT_TRUE(Log().Texts().empty());
    View().m_bCourtesyColumn = 1;
    EXPECT_EQ(Draw(0, 0, 1, 2), 28);
    EXPECT_EQ(Drawn(), (Glyphs {{0xAB, 208, 68}, {0xAB, 218, 80}}));
    EXPECT_EQ(std::pair(m_kind, m_count), std::pair(BYTE(0), short(0)));
}

TEST_F(KeySignature, WhenTheKeyIsShown)
{
    // An unchanged key shows nothing, unless the measure asks for it.
    EXPECT_EQ(Draw(1, 2, 1, 2), 0);
    EXPECT_TRUE(Log().Texts().empty());
    m_meas->m_byOptions = CKVMeas::OPT_KEY_SHOWN | CKVMeas::OPT_KEY_HIDDEN;
    EXPECT_EQ(Draw(1, 2, 1, 2), 28);
    EXPECT_EQ(Drawn().size(), 2u);

    // A system starts with the whole key and no naturals.
    m_meas->m_byOptions = 15;
    EXPECT_EQ(Draw(1, 4, 2, 5, 1), 48);
    EXPECT_EQ(Drawn(), (Glyphs {{0xA9, 208, 68}, {0xA9, 218, 80}, {0xA9, 228, 64}, {0xA9, 238, 76}}));
    EXPECT_EQ(m_before, 0);

    // Hidden: nothing drawn, the key still remembered.
    m_meas->m_byOptions = CKVMeas::OPT_KEY_HIDDEN;
    EXPECT_EQ(Draw(2, 3, 1, 1), 0);
    EXPECT_TRUE(Log().Texts().empty());
    EXPECT_EQ(std::pair(m_kind, m_count), std::pair(BYTE(2), short(3)));
}

TEST_F(KeySignature, KeysOutsideThePositionTableAreSafe)
{
    m_meas->m_byInitClef = 9;
    EXPECT_EQ(Draw(1, 2, 0, 0, 1), 28);
    EXPECT_EQ(Drawn(), (Glyphs {{0xA9, 208, 68}, {0xA9, 218, 80}}));

    // Clef 12 and kind 3 draw no key and remember none.
    m_meas->m_byInitClef = 12;
    EXPECT_EQ(Draw(1, 2, 1, 4), 0);
    EXPECT_TRUE(Log().Texts().empty());
    EXPECT_EQ(std::pair(m_kind, m_count), std::pair(BYTE(0), short(0)));
    m_meas->m_byInitClef = 1;
    EXPECT_EQ(Draw(3, 2, 0, 0, 1), 0);
    EXPECT_TRUE(Log().Texts().empty());
    EXPECT_EQ(std::pair(m_kind, m_count), std::pair(BYTE(0), short(0)));

    // Counts beyond seven draw seven, and a previous count beyond seven
    // cancels seven.
    EXPECT_EQ(Draw(2, 9, 0, 0, 1), 78);
    EXPECT_EQ(Drawn().size(), 7u);
    EXPECT_EQ(m_count, 7);
    Doc().m_CtrlTool.m_byH4 = 1;
    EXPECT_EQ(Draw(1, 0, 2, 40), 78);
    EXPECT_EQ(Drawn().size(), 7u);
}

class TimeSignature : public MeasureHeader {
protected:
    void Set(BYTE style, short num, short den)
    {
        m_meas->m_byTimeStyle = style;
        m_meas->m_nTimeNum = num;
        m_meas->m_nTimeDen = den;
        Log().Clear();
    }
    static void Put(char* array, int offset, const char* text) { std::memcpy(array + offset, text, std::strlen(text)); }
};

TEST_F(TimeSignature, FormsAndParts)
{
    using Text = std::tuple<std::string, int, int>;
    Set(0, 3, 4);
    EXPECT_EQ(View().DrawTimeSig(*m_meas), 18);
    EXPECT_EQ(Texts(), (std::vector<Text> {{"3", 13, 84}, {"4", 13, 100}}));
    for (const kvrec::Entry* e : Log().Texts())
        EXPECT_EQ(e->align, UINT(30));
    EXPECT_EQ(Dc().GetTextAlign(), UINT(TA_BASELINE));

    Set(1, 4, 4);
    EXPECT_EQ(View().DrawTimeSig(*m_meas), 18);
    EXPECT_EQ(Drawn(), (Glyphs {{0x3B, 13, 92}}));
    Set(2, 2, 2);
    EXPECT_EQ(View().DrawTimeSig(*m_meas), 18);
    EXPECT_EQ(Drawn(), (Glyphs {{0x3A, 13, 92}}));
    Set(1, 3, 4);
    EXPECT_EQ(View().DrawTimeSig(*m_meas), 8);

    Set(3, 7, 8);
    Put(m_meas->m_szTimeNumText, 0, "2+2+3");
    EXPECT_EQ(View().DrawTimeSig(*m_meas), 58);
    EXPECT_EQ(Texts(), (std::vector<Text> {{"2+2+3", 33, 84}, {"8", 33, 100}}));

    // A second part in parentheses.
    std::memset(m_meas->m_szTimeNumText, 0, 16);
    Put(m_meas->m_szTimeNumText, 6, "6");
    Put(m_meas->m_szTimeDenText, 6, "8");
    Set(0x80, 3, 4);
    EXPECT_EQ(View().DrawTimeSig(*m_meas), 68);
    const Glyphs drawn = Drawn();
    ASSERT_EQ(drawn.size(), 6u);
    EXPECT_EQ(drawn[2], Glyph(0x28, 32, 98));
    EXPECT_EQ(drawn[3], Glyph(0x36, 47, 84));
    EXPECT_EQ(drawn[5], Glyph(0x29, 62, 98));
    EXPECT_EQ(Log().Texts()[2]->font.lfHeight, -64);
    EXPECT_EQ(Log().Texts()[3]->font.lfHeight, -32);
    EXPECT_EQ(View().GetTimeSignWidth(*m_meas), 60);

    // Plus signs take a quarter gap on each side when drawn only.
    Put(m_meas->m_szTimeNumText, 6, "3");
    Put(m_meas->m_szTimeNumText, 9, "2");
    Put(m_meas->m_szTimeDenText, 9, "8");
    Put(m_meas->m_szTimeNumText, 12, "3");
    Put(m_meas->m_szTimeDenText, 12, "8");
    Set(0, 3, 4);
    const int lead = 8;
    EXPECT_EQ(View().GetTimeSignWidth(*m_meas), View().DrawTimeSig(*m_meas) - lead - 8);
    EXPECT_EQ(std::get<0>(Texts()[4]), "+");
}

TEST_F(TimeSignature, TextsAreReadWithinTheirSlots)
{
    // Nine bytes without a NUL in the composite numerator: six are drawn and
    // measured, the rest belongs to the second part.
    Set(3, 7, 8);
    m_meas->m_byTimeStyle = 3 | 0x20;
    std::memcpy(m_meas->m_szTimeNumText, "123456789", 9);
    const short drawn = View().DrawTimeSig(*m_meas);
    ASSERT_FALSE(Texts().empty());
    EXPECT_EQ(std::get<0>(Texts()[0]), "123456");
    EXPECT_EQ(drawn, 8 + 60);
    EXPECT_EQ(View().GetTimeSignWidth(*m_meas), 60);

    // Full arrays without any NUL stay inside their 16 bytes.
    std::memset(m_meas->m_szTimeNumText, '1', 16);
    std::memset(m_meas->m_szTimeDenText, '2', 16);
    Set(3, 7, 8);
    View().DrawTimeSig(*m_meas);
    std::vector<std::string> texts;
    for (const auto& t : Texts())
        texts.push_back(std::get<0>(t));
    EXPECT_EQ(texts, (std::vector<std::string> {"111111", "8", "111", "222", "+", "111", "222", "+", "111", "222"}));
}

TEST_F(TimeSignature, WhichMeasuresShowIt)
{
    CKVMeas* second = Builder().Meas(0, 1);
    for (CKVMeas* m : {m_meas, second}) {
        m->m_byTimeStyle = 0;
        m->m_nTimeNum = 3;
        m->m_nTimeDen = 4;
    }
    // The first measure of a staff always shows it; an equal one after it
    // does not, unless it asks for it.
    EXPECT_EQ(View().DrawMeasTimeSignA(m_meas, 0, 0, 16), 18);
    EXPECT_EQ(m_meas->m_nLeftX, 16);
    EXPECT_EQ(View().DrawMeasTimeSignA(second, 0, 1, 0), 0);
    EXPECT_EQ(View().m_nCurTimeNum, 3);
    second->m_byOptions = CKVMeas::OPT_TIME_SHOWN | CKVMeas::OPT_TIME_HIDDEN;
    EXPECT_EQ(View().DrawMeasTimeSignA(second, 0, 1, 0), 18);
    second->m_byOptions = 15;
    second->m_nTimeNum = 6;
    EXPECT_EQ(View().DrawMeasTimeSignA(second, 0, 1, 0), 18);
    second->m_nTimeNum = 3;
    std::memcpy(second->m_szTimeNumText + 6, "6", 1);
    std::memcpy(second->m_szTimeDenText + 6, "8", 1);
    EXPECT_GT(View().DrawMeasTimeSignA(second, 0, 1, 0), 18);

    // Hidden: never drawn, no width.
    m_meas->m_byOptions = CKVMeas::OPT_TIME_HIDDEN;
    Log().Clear();
    EXPECT_EQ(View().DrawMeasTimeSignA(m_meas, 0, 0, 0), 0);
    EXPECT_EQ(View().GetTimeSignWidth(*m_meas), 0);
    EXPECT_TRUE(Log().Texts().empty());
}

} // namespace
