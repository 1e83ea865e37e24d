// Chord names and fret diagrams of older scores: the parts of a name at their
// places and sizes, heads too short for what their words promise, and the
// diagram's glyphs on their strings and rows.

#include "support/RenderSupport.h"

#include "model/KVCtrlPoint.h"
#include "model/KVMsg.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class OldChords : public kvtest::RenderTest {
protected:
    kvtest::RenderShape Rendering() const override
    {
        return kvtest::RenderShape {.metrics = kvtest::AdvanceMetrics({{0xA9, 8}, {0x98, 88}})};
    }
    void SetUp() override
    {
        RenderTest::SetUp();
        kvtest::RouteTextToTestFace();
        Doc().m_CtrlTool.m_lfChord.lfHeight = 15;
        Doc().m_CtrlTool.m_lfChord.lfWeight = 400;
    }

    // A page-level chord name at (100, 200): root C, accidental 1, bass G.
    void Prepare(CKVMsg& msg, BYTE kind, const std::string& head)
    {
        msg.m_byKind = kind;
        msg.m_byParentKind = 7;
        msg.m_nPosX = 0;
        msg.m_nPosY = 0;
        msg.MakeMsgCtrlPoint();
        msg.SetHead(static_cast<short>(head.size()), reinterpret_cast<unsigned char*>(const_cast<char*>(head.data())));
        View().KVSetOrgXY(100, 200);
    }

    struct Drawn {
        std::string text; // the bytes, or "#XX" for a glyph
        CPoint at;
        LONG height;
    };
    std::vector<Drawn> Parts()
    {
        std::vector<Drawn> parts;
        for (const kvrec::Entry* e : Log().Texts()) {
            char code[8];
            std::snprintf(code, sizeof code, "#%02X", e->glyphs.empty() ? 0 : e->glyphs[0]);
            parts.push_back({e->call == "TextOutA" ? e->bytes : code, CPoint(e->logical[0]), e->font.lfHeight});
        }
        return parts;
    }
};

void ExpectParts(const std::vector<std::tuple<std::string, int, int, int>>& expected, const auto& parts)
{
    ASSERT_EQ(parts.size(), expected.size());
    for (size_t i = 0; i < parts.size(); ++i) {
        const auto& [text, x, y, height] = expected[i];
        EXPECT_EQ(parts[i].text, text) << i;
        if (x >= 0) {
            EXPECT_EQ(parts[i].at, CPoint(x, y)) << text;
        }
        EXPECT_EQ(parts[i].height, height) << text;
    }
}

TEST_F(OldChords, ANameDrawsRootAccidentalSuffixAndBassInTurn)
{
    CKVMsg msg;
    Prepare(msg, 23, std::string("m7") + char(4));
    msg.m_wObjWord = 1;
    msg.m_dwWord = 2;
    EXPECT_EQ(View().DrawChordText(msg), 57);
    ExpectParts({{"C", 100, 200, -20}, {"#A9", 111, 189, -28}, {"m7", 119, 200, -16}, {"/G", 136, 200, -20}},
                Parts());
    const CRect handle = msg.m_arrCtrlPoint[0]->m_rect;
    EXPECT_EQ(handle.left, 0);
    EXPECT_EQ(handle.right, 57);
    EXPECT_EQ(handle.bottom, 0);
    EXPECT_EQ(Doc().m_CtrlTool.m_lfChord.lfHeight, 15);
    EXPECT_EQ(Doc().m_CtrlTool.m_lfChord.lfWeight, 400);
    EXPECT_EQ(Log().Texts()[0]->font.lfWeight, 900);
}

TEST_F(OldChords, WordsAndHeadsOutOfRangeDropOnlyTheirPart)
{
    struct Case { const char* what; std::string head; WORD root; WORD accidental; short bass; short runs; DWORD length;
                  std::vector<std::string> drawn; short width; };
    const Case cases[] = {
        {"no bass", "m7\4", 0, 1, -1, 0, 2, {"C", "#A9", "m7"}, -1},
        {"suffix longer than the head", "m7\4", 0, 1, 0, 0, 200, {"C", "#A9"}, 20},
        {"bad root, accidental and bass letter", "m7\10", 7, 4, 0, 0, 2, {"m7"}, -1},
        {"a run cut short", std::string("m\4b9"), 0, 0, 0, 1, 1, {"C", "m"}, -1},
    };
    for (const Case& c : cases) {
        Log().Clear();
        CKVMsg msg;
        Prepare(msg, 23, c.head);
        msg.m_wDuration = c.root;
        msg.m_wObjWord = c.accidental;
        msg.m_nPosX2 = c.bass;
        msg.m_nPosY2 = c.runs;
        msg.m_dwWord = c.length;
        const short width = View().DrawChordText(msg);
        std::vector<std::string> drawn;
        for (const Drawn& d : Parts())
            drawn.push_back(d.text);
        EXPECT_EQ(drawn, c.drawn) << c.what;
        if (c.width >= 0) {
            EXPECT_EQ(width, c.width) << c.what;
        }
    }
}

TEST_F(OldChords, AFlatRunIsASignGlyphAndTheRestOfTheRun)
{
    CKVMsg msg;
    Prepare(msg, 23, std::string("m") + char(2) + "b9" + char(4));
    msg.m_nPosY2 = 1;
    msg.m_dwWord = 1;
    View().DrawChordText(msg);
    const std::vector<Drawn> parts = Parts();
    ASSERT_EQ(parts.size(), 7u); // C ( ) m sign 9 /G
    EXPECT_EQ(parts[4].text, "#AA");
    EXPECT_EQ(parts[4].height, -19);
    EXPECT_EQ(parts[5].text, "9");
    EXPECT_EQ(parts[5].height, -12);
}

class FretDiagrams : public OldChords {
protected:
    // Kind 22 at words (10, -60): x0 110, y0 180.
    std::vector<Drawn> Diagram(WORD duration, WORD marks, std::string frets, DWORD nameLength = 0,
                               int showBoard = 1)
    {
        Log().Clear();
        CKVMsg msg;
        frets.resize(8, '\0');
        Prepare(msg, 22, frets);
        msg.m_nPosX = 10;
        msg.m_nPosY = -60;
        msg.m_wDuration = duration;
        msg.m_wObjWord = marks;
        msg.m_dwWord = nameLength;
        msg.m_crColor = 0x123456;
        EXPECT_EQ(View().DrawFretboard(msg, showBoard), 1);
        EXPECT_EQ(msg.m_nPosX, 10);
        EXPECT_EQ(msg.m_nPosY, -60);
        for (const kvrec::Entry* e : Log().Texts()) {
            EXPECT_EQ(e->textColour, COLORREF(0x123456));
            EXPECT_EQ(e->align, UINT(TA_BASELINE));
        }
        return Parts();
    }
};

TEST_F(FretDiagrams, GlyphsSitOnTheirStringsAndRows)
{
    ExpectParts({{"#97", 110, 180, -40}}, Diagram(0x0000, 0, ""));
    ExpectParts({{"#98", 110, 180, -40}, {"#A2", 110, 180, -40}}, Diagram(0x0200, 0, ""));
    ExpectParts({{"#97", -1, 0, -40}, {"#9E", 130, 180, -40}}, Diagram(0x0041, 0, ""));
    ExpectParts({{"#97", -1, 0, -40}, {"#9E", 150, 194, -40}}, Diagram(0, 0, std::string(5, '\0') + "\x52"));
    ExpectParts({{"#97", -1, 0, -40}, {"#99", 110, 180, -40}, {"#9A", 210, 180, -40}}, Diagram(0, 0x0803, ""));
    ExpectParts({{"#97", -1, 0, -40}, {"#9B", 150, 166, -40}}, Diagram(0, 0, std::string("\0\x04", 2)));
    EXPECT_TRUE(Diagram(0, 0, "", 0, 0).empty());
    // A name longer than the head leaves the board alone.
    ExpectParts({{"#97", 110, 180, -40}}, Diagram(0, 0, "", 50));
}

TEST_F(FretDiagrams, TheNameIsDrawnFromItsParsedCopy)
{
    Log().Clear();
    CKVMsg msg;
    Prepare(msg, 22, std::string("Am7/G") + std::string(8, '\0'));
    msg.m_dwWord = 5;
    View().DrawFretboard(msg, 0);
    std::string drawn;
    for (const Drawn& d : Parts())
        drawn += d.text;
    EXPECT_EQ(drawn, "Am7/G");
    EXPECT_GT(msg.m_arrCtrlPoint[0]->m_rect.right, 0);
}

} // namespace

namespace {

class FretPicture : public kvtest::RenderTest {
protected:
    kvtest::RenderShape Rendering() const override { return kvtest::RenderShape {.metrics = std::nullopt, .open = false}; }
};

TEST_F(FretPicture, EveryInkedPixelBelongsToADrawnPart)
{
    auto page = kvtest::MakeRasterDC(600, 600, KvRasterKind::Page);
    KvSetRecording(*page, true);
    kvtest::RouteTextToTestFace(false);
    Doc().m_CtrlTool.m_lfChord.lfHeight = 15;
    Doc().m_bSpacingApplied = 1;
    ASSERT_EQ(View().KVOpen(page.get(), &Doc(), 0, 0), 1);
    View().KVSetExpandTimes(300, 300);
    View().KVSetOrgXY(40, 120);
    CKVMsg msg;
    msg.m_byKind = 22;
    msg.m_byParentKind = 7;
    msg.MakeMsgCtrlPoint();
    std::string head = std::string("Am7/G") + std::string("\x01\x04\x00\x00" "\x00\x52\x00\x00", 8);
    msg.SetHead(static_cast<short>(head.size()), reinterpret_cast<unsigned char*>(head.data()));
    msg.m_dwWord = 5;
    msg.m_wDuration = 0x0241;
    msg.m_wObjWord = 0x0803;
    View().DrawFretboard(msg, 1);
    View().KVClose();

    ASSERT_FALSE(kvtest::WritePicture(*page, "fretboard.png").empty());
    std::vector<RECT> windows;
    for (const kvrec::Entry* e : KvRecorder(*page)->Texts()) {
        const int em = std::abs(static_cast<int>(e->font.lfHeight)) * 3;
        const int half = em * std::max<int>(1, static_cast<int>(e->bytes.size()));
        const POINT p = e->device[0];
        windows.push_back(RECT {p.x - half, p.y - 3 * em / 2, p.x + half, p.y + 3 * em / 2});
    }
    ASSERT_FALSE(windows.empty());
    int ink = 0, stray = 0;
    std::vector<int> inked(windows.size(), 0);
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 600; ++x) {
            if (page->GetPixel(x, y) == RGB(255, 255, 255))
                continue;
            ++ink;
            bool inside = false;
            for (size_t i = 0; i < windows.size(); ++i)
                if (x >= windows[i].left && x < windows[i].right && y >= windows[i].top && y < windows[i].bottom)
                    inside = true, ++inked[i];
            stray += !inside;
        }
    EXPECT_GT(ink, 0);
    EXPECT_EQ(stray, 0);
    for (size_t i = 0; i < windows.size(); ++i)
        EXPECT_GT(inked[i], 0) << "part " << i << " left no ink";
}

} // namespace
