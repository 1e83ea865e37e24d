// Shape lines and the shape profile, fret diagrams and chord names on a
// recording DC, the chord symbol's handles and its copies.

#include "document/KVCtrlTool.h"
#include "harmony/ChordRtBsInfo.h"
#include "document/KVDoc.h"
#include "harmony/ChordSymbol.h"
#include "model/KVSystem.h"
#include "model/KVCtrlPoint.h"
#include "model/TextHelpers.h"
#include "support/FontSupport.h"
#include "support/Drawing.h"
#include "support/KvTest.h"
#include "support/ScoreBuilder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

std::string Str(const CString& text)
{
    return std::string(text.View());
}

std::vector<int> Codes(const CChordSurfix& surfix)
{
    std::vector<int> codes;
    for (int i = 0; i < surfix.m_Info.GetSize(); ++i)
        codes.push_back(surfix.m_Info.GetAt(i));
    return codes;
}

CFretInfo CShape()
{
    CFretInfo shape;
    const BYTE frets[6] = {255, 3, 2, 0, 1, 0};
    std::memcpy(shape.m_byFret, frets, 6);
    return shape;
}

bool SameShape(const CFretInfo& a, const CFretInfo& b)
{
    return std::memcmp(a.m_byFret, b.m_byFret, 6) == 0 && std::memcmp(a.m_byBarre, b.m_byBarre, 8) == 0 &&
           a.m_nBaseFret == b.m_nBaseFret;
}

class ChordDrawingTest : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        kvtest::InstallTestFonts();
        kvtest::RouteTextToTestFace();
        AddFontResourceA("ZelvoraB.TTF");
        static const std::map<int, kvmusic::TestMetric> table = {
            {0x28, {16, 16, 16}}, {0x29, {16, 16, 16}}, {0xA9, {16, 16, 16}},
            {0xAA, {16, 16, 16}}, {0x97, {64, 16, 16}}, {0x98, {64, 16, 16}}};
        kvtest::UseMusicTestMetrics(&table);
        m_dc = kvtest::MakeRecordingDC(800, 600, 72);
        m_dc->SetTextAlign(TA_TOP);
        for (const auto& [name, codes] : std::vector<std::pair<const char*, const char*>> {
                 {"(major)", "43"}, {"m~7", "343"}, {"7", "433"}, {"7~(b9,#11)", "433"}}) {
            auto* surfix = new CChordSurfix;
            surfix->SetRealName(name);
            surfix->InfoFromString(codes);
            procChordSurfix.AddSurfix(surfix);
        }
        m_profile = CString((TempDir() / "FretShape.ini").string().c_str());
    }

    struct Drawn {
        std::string text; // the bytes, or "#XX" for a music glyph
        CPoint at;
        LONG height;
    };
    std::vector<Drawn> Parts() const
    {
        std::vector<Drawn> parts;
        for (const kvrec::Entry* e : m_dc->Log().Texts()) {
            char code[8];
            std::snprintf(code, sizeof code, "#%02X", e->glyphs.empty() ? 0 : e->glyphs[0]);
            parts.push_back({e->glyphs.empty() ? e->bytes : code, CPoint(e->logical[0]), e->font.lfHeight});
        }
        return parts;
    }
    const kvrec::Entry* Find(const std::string& text) const
    {
        const auto parts = Parts();
        for (size_t i = 0; i < parts.size(); ++i)
            if (parts[i].text == text)
                return m_dc->Log().Texts()[i];
        return nullptr;
    }
    void ExpectParts(const std::vector<std::tuple<std::string, int, int, int>>& expected) const
    {
        const auto parts = Parts();
        ASSERT_EQ(parts.size(), expected.size());
        for (size_t i = 0; i < parts.size(); ++i) {
            const auto& [text, x, y, height] = expected[i];
            EXPECT_EQ(parts[i].text, text) << i;
            EXPECT_EQ(parts[i].at, CPoint(x, y)) << text;
            if (height != 0) {
                EXPECT_EQ(parts[i].height, height) << text;
            }
        }
    }

    std::unique_ptr<kvtest::TestDC> m_dc;
    CString m_profile;
};

// ---- Shapes ----

TEST_F(ChordDrawingTest, ShapeLinesAndStringPitches)
{
    CString line;
    CFretInfo empty;
    EXPECT_EQ(empty.FretInfoToLineString(line), 0);
    EXPECT_EQ(Str(line), "000000,00000000,0");

    CFretInfo shape = CShape();
    EXPECT_EQ(shape.FretInfoToLineString(line), 1);
    EXPECT_EQ(Str(line), "154232,00000000,0");
    CFretInfo back;
    EXPECT_EQ(back.LineStringToFretInfo(line), 1);
    EXPECT_TRUE(SameShape(back, shape));
    std::vector<int> keys;
    for (int s = 0; s < 6; ++s)
        keys.push_back(shape.GetMidiKeyOfString(s));
    EXPECT_EQ(keys, (std::vector<int> {-1, 12, 16, 19, 24, 28}));
    EXPECT_EQ(shape.GetMidiKeyOfString(6), -1);
    EXPECT_EQ(shape.GetMidiKeyOfString(-1), -1);

    shape.m_byBarre[0][0] = 5;
    shape.m_nBaseFret = 4;
    shape.FretInfoToLineString(line);
    EXPECT_EQ(Str(line), "154232,50000000,4");
    shape.m_byFret[5] = 3;
    EXPECT_EQ(shape.GetMidiKeyOfString(5), 35);
    shape.m_byFret[5] = 5;
    EXPECT_EQ(shape.GetMidiKeyOfString(5), -1);

    // Parts that are missing leave what they would have set.
    CFretInfo part;
    EXPECT_EQ(part.LineStringToFretInfo("15"), 0);
    EXPECT_EQ(part.m_byFret[0], 255);
    EXPECT_EQ(part.m_byFret[1], 3);
    EXPECT_EQ(part.m_byFret[2], 254);
    EXPECT_EQ(part.LineStringToFretInfo("154232,50"), 0);
    EXPECT_EQ(part.m_byBarre[0][0], 5);
    EXPECT_EQ(part.m_byBarre[0][1], 0);
    EXPECT_EQ(part.m_byBarre[1][0], 0);
    EXPECT_EQ(part.LineStringToFretInfo("154232,50,"), 0);
    EXPECT_EQ(part.m_nBaseFret, 0);
}

TEST_F(ChordDrawingTest, ShapeProfileSectionsAndKeys)
{
    CFretInfo shape = CShape();
    CString major("(major)");
    ASSERT_EQ(shape.WriteInfoToProfile(0, 0, major, m_profile), 1);
    EXPECT_EQ(ReadFile(std::string(m_profile.View())), "[~0(major)]\r\nC=154232,00000000,0\r\n");

    struct Case { const char* surfix; short root; short bass; const char* section; const char* key; };
    const Case cases[] = {
        {"m7", 0, 0, "~0m7", "C"},     {"M7", 0, 0, "~8M7", "C"},     {"Maj7", 0, 0, "~8Maj7", "C"},
        {"m7", 1, 0, "~0m7", "C#"},    {"m7", 2, 0, "~0m7", "C#"},    {"m7", 0, 7, "~0m7", "C/E"},
        {"m7", 3, 4, "~0m7", "D"},     {"m 7", 0, 0, "~0m7", "C"},    {"(Major)", 0, 0, "~0(major)", "C"},
    };
    short base = 0;
    for (const Case& c : cases) {
        CFretInfo written = CShape();
        written.m_nBaseFret = ++base;
        CString surfix(c.surfix);
        ASSERT_EQ(written.WriteInfoToProfile(c.root, c.bass, surfix, m_profile), 1) << c.surfix;
        char value[32] = {};
        GetPrivateProfileStringA(c.section, c.key, "", value, sizeof value, m_profile);
        CString expected;
        written.FretInfoToLineString(expected);
        EXPECT_EQ(std::string(value), Str(expected)) << c.surfix << " " << c.key;
        CFretInfo read;
        EXPECT_EQ(read.ReadInfoFromProfile(c.root, c.bass, surfix, m_profile), 1);
        EXPECT_TRUE(SameShape(read, written)) << c.surfix << " " << c.key;
    }
    // Sections that differ in case stay apart.
    CString m7("m7"), bigM7("M7");
    CFretInfo minor, majorSeventh;
    minor.ReadInfoFromProfile(0, 0, m7, m_profile);
    majorSeventh.ReadInfoFromProfile(0, 0, bigM7, m_profile);
    EXPECT_EQ(minor.m_nBaseFret, 8); // the "m 7" row wrote last
    EXPECT_EQ(majorSeventh.m_nBaseFret, 2);

    // The empty shape removes the key; a missing key reads the empty shape.
    CFretInfo none;
    ASSERT_EQ(none.WriteInfoToProfile(0, 0, m7, m_profile), 1);
    CFretInfo read = CShape();
    EXPECT_EQ(read.ReadInfoFromProfile(0, 0, m7, m_profile), 0);
    EXPECT_TRUE(read.IsFretEmpty());

    // A blank suffix, or a root without a name, neither reads nor writes.
    const std::string before = ReadFile(std::string(m_profile.View()));
    CString blank("  ");
    EXPECT_EQ(shape.WriteInfoToProfile(0, 0, blank, m_profile), 0);
    EXPECT_EQ(shape.WriteInfoToProfile(22, 0, m7, m_profile), 0);
    EXPECT_EQ(ReadFile(std::string(m_profile.View())), before);
    CFretInfo kept = CShape();
    EXPECT_EQ(kept.ReadInfoFromProfile(0, 0, blank, m_profile), 0);
    EXPECT_TRUE(SameShape(kept, CShape()));
}

// ---- Fret diagrams ----

TEST_F(ChordDrawingTest, FretDiagramGlyphsLabelAndExtent)
{
    CFretBoard board;
    board.m_FretInfo = CShape();
    board.m_crColor = 0x0000FF;
    m_dc->SetTextColor(0x00FF00);
    m_dc->SetBkMode(OPAQUE);
    const kvrec::LiveCounts live = kvrec::LiveObjectCounts();

    EXPECT_EQ(board.Draw(m_dc.get(), 100, 100, 200), CRect(0, 0, 50, 64));
    ExpectParts({{"#97", 100, 260, 0}, {"#99", 100, 260, 0}, {"#9B", 108, 248, 0}, {"#9B", 116, 236, 0},
                 {"#9A", 125, 260, 0}, {"#9B", 133, 224, 0}, {"#9A", 141, 260, 0}});
    for (const kvrec::Entry* e : m_dc->Log().Texts()) {
        EXPECT_EQ(e->textColour, COLORREF(0x0000FF));
        EXPECT_EQ(e->align, UINT(TA_BASELINE));
        EXPECT_EQ(e->font.lfHeight, -24);
    }
    EXPECT_EQ(m_dc->GetTextAlign(), UINT(TA_TOP));
    EXPECT_EQ(m_dc->GetTextColor(), COLORREF(0x00FF00));
    EXPECT_EQ(m_dc->GetBkMode(), OPAQUE);
    EXPECT_EQ(kvrec::LiveObjectCounts(), live);

    // From a base fret on: the plain grid, its label and the barres.
    board.m_FretInfo.SetFretEmpty();
    board.m_FretInfo.m_nBaseFret = 4;
    board.m_FretInfo.m_byBarre[0][0] = 5;
    m_dc->Log().Clear();
    EXPECT_EQ(board.Draw(m_dc.get(), 100, 100, 200), CRect(0, 0, 62, 64));
    ExpectParts({{"#98", 100, 260, 0}, {"5fr.", 150, 224, -6}, {"#A0", 100, 262, 0}});

    for (const auto& [base, label] : {std::pair {12, "13fr."}, std::pair {13, ""}}) {
        board.m_FretInfo.m_nBaseFret = static_cast<short>(base);
        m_dc->Log().Clear();
        board.Draw(m_dc.get(), 100, 0, 0);
        const auto parts = Parts();
        ASSERT_GE(parts.size(), 2u);
        EXPECT_EQ(parts[1].text, *label ? std::string(label) : std::string("#A0"));
    }
    EXPECT_EQ(kvrec::LiveObjectCounts(), live);
}

// ---- Chord names ----

TEST_F(ChordDrawingTest, ChordNameLayoutWithTensionsAndBass)
{
    CChordSymbol chord;
    chord.m_byParentKind = 7;
    chord.m_nBass = 3;
    chord.m_Surfix.SetRealName("7~(b9,#11)");
    const kvrec::LiveCounts live = kvrec::LiveObjectCounts();
    EXPECT_EQ(chord.DrawFrame(m_dc.get(), nullptr, 200, 100, 300), CRect(0, -35, 128, 10));
    ExpectParts({{"C", 100, 300, -24}, {"7", 112, 304, -20}, {"#28", 112, 285, -52}, {"#AA", 138, 283, -20},
                 {"9", 148, 289, -16}, {"#A9", 138, 271, -20}, {"11", 148, 277, -16}, {"#29", 164, 285, -52},
                 {"/D", 190, 300, -24}, {"#AA", 214, 288, -28}});
    EXPECT_EQ(Find("#28")->font.lfWeight, FW_LIGHT);
    EXPECT_EQ(Find("C")->font.lfWeight, FW_BOLD);
    EXPECT_EQ(m_dc->GetTextAlign(), UINT(TA_TOP));
    EXPECT_EQ(kvrec::LiveObjectCounts(), live);

    // D flat alone; no bass, no slash.
    CChordSymbol flat;
    flat.m_byParentKind = 7;
    flat.m_nRoot = 2;
    m_dc->Log().Clear();
    EXPECT_EQ(flat.DrawFrame(m_dc.get(), nullptr, 100, 100, 200), CRect(0, -12, 13, 5));
    ExpectParts({{"D", 100, 200, -12}, {"#AA", 106, 194, -14}});
    EXPECT_EQ(Find("#AA")->units, std::u16string(1, char16_t(0x1AA)));

    // Numbers outside the spelling table draw neither part.
    flat.m_nRoot = 22;
    flat.m_nBass = 23;
    m_dc->Log().Clear();
    flat.DrawFrame(m_dc.get(), nullptr, 100, 100, 200);
    EXPECT_TRUE(Parts().empty());
}

TEST_F(ChordDrawingTest, ChordNameTakesFaceSizeAndStyleFromALogFont)
{
    CChordSymbol chord;
    chord.m_byParentKind = 7;
    chord.m_Surfix.SetRealName("~(9)");
    LOGFONT lf {};
    lf.lfHeight = 15;
    lf.lfWeight = 700;
    lf.lfItalic = TRUE;
    std::strcpy(lf.lfFaceName, "Liberation Serif");
    chord.DrawFrame(m_dc.get(), &lf, 100, 100, 200);
    const kvrec::Entry* root = Find("C");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->requestedFace, "Liberation Serif");
    EXPECT_EQ(root->font.lfHeight, -15);
    EXPECT_EQ(root->font.lfWeight, 700);
    EXPECT_TRUE(root->font.lfItalic);
    for (const char* bracket : {"#28", "#29"}) {
        const kvrec::Entry* e = Find(bracket);
        ASSERT_NE(e, nullptr) << bracket;
        EXPECT_EQ(e->requestedFace, "ZelvoraB");
        EXPECT_EQ(e->font.lfHeight, -16);
        EXPECT_EQ(e->font.lfWeight, 700);
        EXPECT_FALSE(e->font.lfItalic);
    }
    const kvrec::Entry* digit = Find("9");
    ASSERT_NE(digit, nullptr);
    EXPECT_EQ(digit->requestedFace, "Liberation Serif");
    EXPECT_EQ(digit->font.lfHeight, -10);
    EXPECT_EQ(digit->font.lfWeight, 700);
    EXPECT_TRUE(digit->font.lfItalic);
}

// ---- The symbol ----

TEST_F(ChordDrawingTest, DrawFillsHandlesAndRemembersItsOrigin)
{
    CChordSymbol chord;
    chord.m_byParentKind = 7;
    chord.m_crColor = 0xFF0000;
    chord.m_bShowName = FALSE;
    chord.m_bShowFret = TRUE;
    chord.m_FretBoard.m_nPosX = 10;
    chord.m_FretBoard.m_nPosY = -30;
    chord.m_pRhythm = new CRhythm;
    chord.m_pRhythm->m_RtmInfo.m_strPatName = "Rock";
    chord.m_pRhythm->m_nPosX = 5;
    chord.m_pRhythm->m_nPosY = -50;
    LOGFONT lf {};
    lf.lfHeight = 12;
    m_dc->SetTextColor(0x00FF00);
    m_dc->SetBkMode(OPAQUE);

    EXPECT_EQ(chord.Draw(m_dc.get(), &lf, 100, 100, 200), CRect(5, -50, 60, 34));
    const auto parts = Parts();
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].text, "#97");
    EXPECT_EQ(parts[0].at, CPoint(110, 230));
    EXPECT_EQ(parts[1].text, "Rock");
    EXPECT_EQ(parts[1].at, CPoint(105, 150));
    ASSERT_EQ(chord.m_arrCtrlPoint.GetSize(), 3);
    EXPECT_EQ(chord.m_arrCtrlPoint[0]->m_rect, CRect(0, 0, 0, 0));
    EXPECT_EQ(chord.m_arrCtrlPoint[1]->m_rect, CRect(10, -30, 60, 34));
    EXPECT_EQ(chord.m_arrCtrlPoint[2]->m_rect, CRect(5, -50, 25, -40));
    EXPECT_EQ(chord.m_nDrawnX, 100);
    EXPECT_EQ(chord.m_nDrawnY, 200);
    EXPECT_EQ(m_dc->GetTextColor(), COLORREF(0x00FF00));
    EXPECT_EQ(m_dc->GetBkMode(), OPAQUE);

    // The name takes the symbol's colour.
    chord.m_bShowName = TRUE;
    m_dc->Log().Clear();
    chord.Draw(m_dc.get(), &lf, 100, 100, 200);
    EXPECT_EQ(Find("C")->textColour, COLORREF(0xFF0000));
}

TEST_F(ChordDrawingTest, RhythmShowsInADocumentOnlyWhenAFlagAsksForIt)
{
    kvtest::ScoreBuilder score(kvtest::ScoreShape {});
    CKVDoc* doc = &score.Doc();
    CKVSystem system;
    system.m_pDoc = doc;
    CChordSymbol chord;
    chord.m_byParentKind = 7;
    chord.m_pSystem = &system;
    chord.m_bShowName = FALSE;
    chord.m_pRhythm = new CRhythm;
    chord.m_pRhythm->m_RtmInfo.m_strPatName = "Rock";
    CKVCtrlTool::m_bShowRhythm = FALSE;
    doc->m_bShowRhythm = FALSE;
    chord.Draw(m_dc.get(), nullptr, 100, 0, 0);
    EXPECT_TRUE(Parts().empty());
    EXPECT_EQ(chord.m_arrCtrlPoint[2]->m_rect, CRect(0, 0, 0, 0));
    doc->m_bShowRhythm = TRUE;
    chord.Draw(m_dc.get(), nullptr, 100, 0, 0);
    EXPECT_EQ(Parts().size(), 1u);
    CKVCtrlTool::m_bShowRhythm = TRUE;
    EXPECT_NE(chord.m_arrCtrlPoint[2]->m_rect, CRect(0, 0, 0, 0));
    chord.m_pSystem = nullptr;
}

TEST_F(ChordDrawingTest, CopiesColourAndTheDictionaryLink)
{
    CChordSymbol source;
    source.m_nRoot = 3;
    source.m_nBass = 8;
    source.m_Surfix.SetRealName("m7");
    source.m_bShowName = TRUE;
    source.m_bShowFret = TRUE;
    source.m_crColor = 0x00FF00;
    source.m_pRhythm = new CRhythm;
    source.m_pRhythm->m_RtmInfo.m_strPatName = "Rock";
    source.m_nDrawnX = 100;
    source.m_nDrawnY = 200;
    source.m_nPosX = 40;
    source.m_nPosY = -60;
    source.m_FretBoard.m_FretInfo = CShape();

    CChordSymbol target;
    target.m_crColor = 0x123456;
    target.m_byVoice = 3;
    target.m_dwMsgId = 77;
    target.Initialize(&source);
    EXPECT_EQ(target.m_nRoot, 3);
    EXPECT_EQ(target.m_nBass, 8);
    EXPECT_EQ(Str(target.m_Surfix.GetRealName()), "m7");
    EXPECT_TRUE(target.m_bShowName && target.m_bShowFret);
    EXPECT_TRUE(SameShape(target.m_FretBoard.m_FretInfo, CShape()));
    EXPECT_EQ(target.m_FretBoard.m_crColor, COLORREF(0x00FF00));
    ASSERT_NE(target.m_pRhythm, nullptr);
    EXPECT_NE(target.m_pRhythm, source.m_pRhythm);
    EXPECT_EQ(Str(target.m_pRhythm->m_RtmInfo.m_strPatName), "Rock");
    EXPECT_EQ(target.m_nDrawnX, 100);
    EXPECT_EQ(target.m_nDrawnY, 200);
    EXPECT_EQ(target.m_nPosX, 40);
    EXPECT_EQ(target.m_nPosY, -60);
    EXPECT_EQ(target.m_crColor, COLORREF(0x123456));
    EXPECT_EQ(target.m_byVoice, 3);
    EXPECT_EQ(target.m_dwMsgId, 77);

    target.SetColor(0x0000FF);
    EXPECT_EQ(target.m_crColor, COLORREF(0x0000FF));
    EXPECT_EQ(target.m_FretBoard.m_crColor, COLORREF(0x0000FF));

    struct Case { const char* name; const char* codes; const char* full; std::vector<int> expected; };
    const Case cases[] = {
        {"", "", "(major)", {4, 3}},
        {"m 7", "", "m~7", {3, 4, 3}},
        {"m~7", "9", "m~7", {3, 4, 3}},
        {"xyz", "12", "xyz", {1, 2}},
    };
    for (const Case& c : cases) {
        CChordSymbol chord;
        chord.m_Surfix.SetRealName(c.name);
        chord.m_Surfix.InfoFromString(c.codes);
        chord.CorrectSufixInfo();
        EXPECT_EQ(Str(chord.m_Surfix.GetRealName()), c.full) << c.name;
        EXPECT_EQ(Codes(chord.m_Surfix), c.expected) << c.name;
    }
}

} // namespace
