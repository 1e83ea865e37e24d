// Texts, lyrics, tempo marks, dynamics and MIDI events in a drawing pass:
// what reaches the device, where, and what the stored symbol keeps.

#include "support/SymbolDrawing.h"

#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "model/KVDrawnMsgs.h"
#include "model/KVMeas.h"
#include "model/KVStaff.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;
using kvtest::PointsOf;
using Points = std::vector<std::pair<int, int>>;

void SetHead(CKVObject& node, const Bytes& bytes)
{
    node.SetHead(static_cast<short>(bytes.size()), const_cast<BYTE*>(bytes.data()));
}

// A lyric head: font 0, 12 points, black, then the syllable in UTF-16.
Bytes LyricHead(const std::u16string& text)
{
    Bytes head(16, 0);
    head[4] = 12;
    head[12] = static_cast<BYTE>(text.size());
    for (char16_t unit : text) {
        head.push_back(static_cast<BYTE>(unit));
        head.push_back(static_cast<BYTE>(unit >> 8));
    }
    return head;
}

class Dynamics : public kvtest::SymbolDrawingTest {
protected:
    CKVMsg msg;
};

TEST_F(Dynamics, TheCodeNamesTheGlyphAndCodesOutsideTheTableDrawNothing)
{
    struct Case {
        WORD code;
        std::u16string units; // empty: nothing drawn
    };
    const Case cases[] = {{3, u"\u00F2"}, {1, u"\u01F0"}, {0, u""}, {20, u""}, {0xFFFF, u""}};
    for (const Case& c : cases) {
        PagePlace(msg, MSG_DYNAMIC, CPoint(10, 20), CPoint(0, 0));
        msg.m_wDuration = c.code;
        Log().Clear();
        EXPECT_EQ(View().DrawDynamic(msg), 1);
        const auto texts = Log().Texts();
        if (c.units.empty()) {
            EXPECT_TRUE(texts.empty()) << c.code;
            continue;
        }
        ASSERT_EQ(texts.size(), 1u) << c.code;
        EXPECT_EQ(texts[0]->call, "TextOutW");
        EXPECT_EQ(texts[0]->units, c.units);
        EXPECT_EQ(PointsOf(*texts[0]), (Points {{10, 20}}));
    }
}

class MidiEvents : public kvtest::SymbolDrawingTest {
protected:
    // A MIDI event on the page at origin (100, 200) with words (10, y).
    CKVMsg& Event(DWORD packed, short y = -48)
    {
        PagePlace(msg, MSG_MIDI, CPoint(10, y), CPoint(0, 0), CPoint(100, 200));
        msg.m_wDuration = 1;
        msg.m_dwWord = packed;
        return msg;
    }
    std::vector<std::array<int, 4>> Lines()
    {
        std::vector<std::array<int, 4>> out;
        for (const kvrec::Entry* e : Log().Calls("LineTo"))
            out.push_back({e->logical[0].x, e->logical[0].y, e->logical[1].x, e->logical[1].y});
        return out;
    }
    CKVMsg msg;
};

TEST_F(MidiEvents, ProgramsAndControllersAreAnnotatedWithAPointerToTheStaff)
{
    EXPECT_EQ(View().DrawMidiShortMsg(Event(0xC0)), 1);
    auto texts = Log().Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->bytes, "(Program 1)");
    EXPECT_EQ(texts[0]->requestedFace, "Times");
    EXPECT_EQ(texts[0]->font.lfHeight, -13);
    EXPECT_EQ(texts[0]->textColour, RGB(0, 0, 0));
    EXPECT_EQ(PointsOf(*texts[0]), (Points {{110, 152}}));
    EXPECT_EQ(Lines(), (std::vector<std::array<int, 4>> {
                           {110, 152, 110, 168}, {107, 165, 110, 168}, {113, 165, 110, 168}}));
    EXPECT_EQ(Log().Calls("LineTo")[0]->penColour, RGB(128, 128, 128));
    const CRect handle = Handle(msg, 0);
    EXPECT_EQ(handle.left, -3);
    EXPECT_EQ(handle.bottom, 3);
    EXPECT_LT(handle.top, -3 - 8);
    EXPECT_GT(handle.right, 3 + 8);

    Log().Clear();
    View().DrawMidiShortMsg(Event(0x6407B3, 16));
    texts = Log().Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->bytes, "(Controller8, Value100)");
    EXPECT_EQ(Lines().at(0), (std::array<int, 4> {110, 216, 110, 200}));

    Log().Clear();
    View().DrawMidiShortMsg(Event(0xC0, 0));
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(Log().Texts().size(), 1u);
}

TEST_F(MidiEvents, NothingIsShownWhenSwitchedOffOrWithoutADuration)
{
    CKVCtrlTool::m_bShowMidiEvent = 0;
    View().DrawMidiShortMsg(Event(0xC0));
    CKVCtrlTool::m_bShowMidiEvent = 1;
    Event(0xC0).m_wDuration = 0;
    View().DrawMidiShortMsg(msg);
    EXPECT_TRUE(Log().Entries().empty());
}

class PrintedMidiEvents : public kvtest::PrintedSymbolDrawingTest {};

TEST_F(PrintedMidiEvents, AreNeverPrinted)
{
    CKVMsg msg;
    PagePlace(msg, MSG_MIDI, CPoint(10, -48), CPoint(0, 0));
    msg.m_wDuration = 1;
    EXPECT_EQ(View().DrawMidiShortMsg(msg), 1);
    EXPECT_TRUE(Log().Entries().empty());
}

class Texts : public kvtest::SymbolDrawingTest {
protected:
    CKVMsg msg;
};

TEST_F(Texts, AFreeTextDrawsItsRunsAndOnlyItsFirstHandleLearnsTheSize)
{
    PagePlace(msg, MSG_FREETEXT, CPoint(30, 40), CPoint(200, 100));
    EXPECT_EQ(View().DrawMultiText(msg), 1);
    EXPECT_TRUE(Log().Entries().empty());

    // Size 12, then one run of UTF-16 text with its 8-byte marker.
    Bytes head = {4, 12, 0, 6, 18, 0};
    for (char c : std::string("Hello"))
        head.insert(head.end(), {static_cast<BYTE>(c), 0});
    head.resize(head.size() + 8, 0);
    SetHead(msg, head);
    ASSERT_GT(msg.m_arrCtrlPoint.GetSize(), 0);
    msg.m_arrCtrlPoint.GetAt(0)->m_rect = CRect(2, 3, 2, 3);
    CKVMsg before;
    before = msg;
    EXPECT_EQ(View().DrawMultiText(msg), 0);
    const auto texts = Log().Texts();
    ASSERT_FALSE(texts.empty());
    std::u16string drawn;
    for (const kvrec::Entry* e : texts)
        drawn += e->units;
    EXPECT_EQ(drawn, u"Hello");

    // The size the text's own drawing gives, measured the same way.
    CKVTextMsg probe;
    probe = before;
    CRect rect(30, 40, 230, 140);
    const CSize size = probe.DrawMsg(&Dc(), &rect, &Doc().m_CtrlTool, &Doc().m_FontDatas, 100, 0, 0);
    EXPECT_EQ(Handle(msg, 0), CRect(2, 3, 2 + size.cx, 3 + size.cy));
    EXPECT_EQ(msg.m_nPosX2, before.m_nPosX2);
    EXPECT_EQ(msg.m_nPosY2, before.m_nPosY2);
    EXPECT_EQ(msg.m_nLayout1, before.m_nLayout1);
    EXPECT_EQ(msg.m_nLayout4, before.m_nLayout4);
}

TEST_F(Texts, ALyricStandsOnItsMeasuresLineAndHiddenOrMissingLinesDrawNothing)
{
    CKVMeas* meas = Builder().Meas(0, 0);
    SetHead(*meas, Bytes {40, 0, 0x00, 0x80}); // line 0 at 40, line 1 hidden
    View().m_pCurMeas = meas;
    View().KVSetOrgXY(100, 300);
    nNoteHeadWidth = 10;
    CKVMsg* lyric = Builder().Symbol(meas, MSG_LYRIC, 20, 0);
    SetHead(*lyric, LyricHead(u"la"));

    for (short line : {1, 2, -1}) {
        lyric->m_nPosY = line;
        EXPECT_EQ(View().DrawTextMsg(*lyric), 1);
        EXPECT_TRUE(Log().Entries().empty()) << line;
    }

    lyric->m_nPosY = 0;
    View().DrawTextMsg(*lyric);
    const auto texts = Log().Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->units, u"la");
    EXPECT_EQ(PointsOf(*texts[0]), (Points {{100 + 20 + 5, 300 + 40}}));
    // What the lyric's drawing records reaches the stored symbol.
    EXPECT_EQ(lyric->m_nPosX2, 125);
    EXPECT_EQ(lyric->m_nPosY2, 340);

    // A measure without a head.
    Log().Clear();
    meas->SetHead(0, nullptr);
    View().DrawTextMsg(*lyric);
    EXPECT_TRUE(Log().Entries().empty());
}

TEST_F(Texts, ATempoMarkKeepsItsSizeOnASmallStaff)
{
    PagePlace(msg, MSG_TEMPO, CPoint(30, 40), CPoint(0, 0));
    auto drawn = [&](short percent) {
        View().m_nSizePercent = percent;
        Log().Clear();
        View().DrawMetronome(msg);
        std::vector<std::pair<std::string, LONG>> out;
        for (const kvrec::Entry* e : Log().Texts())
            out.emplace_back(e->bytes + std::string(e->units.begin(), e->units.end()), e->font.lfHeight);
        return out;
    };
    const auto full = drawn(100);
    ASSERT_FALSE(full.empty());
    EXPECT_EQ(drawn(75), full);
    View().m_nSizePercent = 100;
}

} // namespace
