// Lyrics, staff names, dynamics and tempo marks drawing themselves: what
// they draw, where, and what they leave for hit-testing.

#include "support/Drawing.h"
#include "support/FontSupport.h"
#include "support/SymbolFixtures.h"
#include "support/ScoreBuilder.h"

#include "model/KVCtrlPoint.h"
#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "model/KVDrawnMsgs.h"
#include "model/KVMeas.h"
#include "model/TextHelpers.h"
#include "model/FontDatas.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using kvrec::Entry;

std::vector<BYTE> LyricHead(short font, short size, COLORREF colour, const std::u16string& text, int total = -1)
{
    std::vector<BYTE> head(16, 0);
    head[0] = static_cast<BYTE>(font);
    head[1] = static_cast<BYTE>(font >> 8);
    head[4] = static_cast<BYTE>(size);
    head[5] = static_cast<BYTE>(size >> 8);
    for (int i = 0; i < 4; ++i)
        head[8 + i] = static_cast<BYTE>(colour >> (8 * i));
    head[12] = static_cast<BYTE>(text.size());
    for (char16_t unit : text) {
        head.push_back(static_cast<BYTE>(unit));
        head.push_back(static_cast<BYTE>(unit >> 8));
    }
    if (total >= 0)
        head.resize(static_cast<size_t>(total));
    return head;
}

void SetHead(CKVMsg& msg, std::vector<BYTE> bytes)
{
    msg.SetHead(static_cast<short>(bytes.size()), bytes.data());
}

class DrawnMsgsTest : public kvtest::TextFaceTest {
protected:
    CKVCtrlTool tool;
};

TEST_F(DrawnMsgsTest, LyricDrawsCentredAndLeavesItsExtent)
{
    CKVLyricMsg lyric;
    lyric.m_byKind = MSG_LYRIC;
    lyric.m_arrCtrlPoint.Add(new CKVCtrlPoint);
    SetHead(lyric, LyricHead(0, 24, 0x0000FF, u"la"));
    const UINT align = dc->GetTextAlign();
    const COLORREF colour = dc->GetTextColor();
    const int fontsBefore = kvrec::LiveObjectCounts().fonts;

    CRect rect(300, 400, 500, 500);
    const CSize size = lyric.DrawMsg(dc.get(), &rect, &tool, &fonts, 100, 0);
    ASSERT_EQ(Texts().size(), 1u);
    const Entry& text = *Texts()[0];
    EXPECT_EQ(text.call, "TextOutW");
    EXPECT_EQ(text.units, u"la");
    EXPECT_EQ(CPoint(text.logical[0]), CPoint(300, 400));
    EXPECT_EQ(text.align, 6u);
    EXPECT_EQ(text.textColour, 0x0000FFu);
    EXPECT_EQ(text.font.lfHeight, -32);
    EXPECT_EQ(size, CSize(32, 32));
    EXPECT_EQ(lyric.m_nPosX2, 300);
    EXPECT_EQ(lyric.m_nPosY2, 400);
    EXPECT_EQ(CRect(lyric.m_arrCtrlPoint.GetAt(0)->m_rect), CRect(-16, 0, 16, 32));
    EXPECT_EQ(CRect(lyric.m_nLayout4, lyric.m_nLayout1, lyric.m_nLayout3, lyric.m_nLayout2), CRect(-16, 0, 16, 32));
    EXPECT_EQ(dc->GetTextAlign(), align);
    EXPECT_EQ(dc->GetTextColor(), colour);
    EXPECT_EQ(kvrec::LiveObjectCounts().fonts, fontsBefore);
}

TEST_F(DrawnMsgsTest, LyricSizeFaceAndColourRules)
{
    CRect rect(300, 400, 500, 500);
    CKVLyricMsg lyric;
    lyric.m_byKind = MSG_LYRIC;

    SetHead(lyric, LyricHead(0, 0, 0, u"la"));
    lyric.DrawMsg(dc.get(), &rect, &tool, &fonts, 100, 0);
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(Texts()[0]->font.lfHeight, -17);

    host.SetString(25132, "Kv Replacement");
    CFontDatas system;
    system.AddNewFont(0, "SYSTEM", 6);
    SetHead(lyric, LyricHead(0, 12, 0, u"la"));
    lyric.DrawMsg(dc.get(), &rect, &tool, &system, 100, 0);
    ASSERT_EQ(Texts().size(), 2u);
    EXPECT_EQ(Texts()[1]->requestedFace, "Kv Replacement");

    // A font number the table lacks leaves the face empty.
    SetHead(lyric, LyricHead(7, 12, 0, u"la"));
    lyric.DrawMsg(dc.get(), &rect, &tool, &system, 100, 0);
    ASSERT_EQ(Texts().size(), 3u);
    EXPECT_EQ(Texts()[2]->requestedFace, "");

    // Under a note of another voice than the active one.
    CKVMsg note;
    note.m_byKind = MSG_NOTE;
    note.m_byVoice = 2;
    lyric.m_pParent = &note;
    tool.m_wActiveVoice = 1;
    lyric.DrawMsg(dc.get(), &rect, &tool, &fonts, 100, 0);
    ASSERT_EQ(Texts().size(), 4u);
    EXPECT_EQ(Texts()[3]->textColour, 0x808080u);
    lyric.m_pParent = nullptr;

    // A head cut short draws nothing.
    SetHead(lyric, LyricHead(0, 12, 0, u"la", 10));
    EXPECT_EQ(lyric.DrawMsg(dc.get(), &rect, &tool, &fonts, 100, 0), CSize(0, 0));
    EXPECT_EQ(Texts().size(), 4u);
    // A syllable without terminator stops at the head's end.
    std::vector<BYTE> odd = LyricHead(0, 12, 0, u"lal");
    odd.pop_back();
    SetHead(lyric, odd);
    lyric.DrawMsg(dc.get(), &rect, &tool, &fonts, 100, 0);
    ASSERT_EQ(Texts().size(), 5u);
    EXPECT_EQ(Texts()[4]->units, u"la");
}

TEST_F(DrawnMsgsTest, StaffNameEndsOnItsAnchor)
{
    CKVStaffNameMsg name;
    name.m_byKind = MSG_STAFFNAME;
    SetHead(name, {'V', 'n'});
    tool.m_lfStaffName.lfHeight = 24;
    tool.m_dwW5 = 0x00FF00;
    CRect rect(100, 200, 300, 300);
    EXPECT_EQ(name.DrawMsg(dc.get(), &rect, &tool, &fonts, 100, 1), CSize(32, 32));
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(CPoint(Texts()[0]->logical[0]), CPoint(68, 184));
    EXPECT_EQ(Texts()[0]->textColour, 0x00FF00u);
    EXPECT_EQ(tool.m_lfStaffName.lfHeight, 24);
}

class MusicMetricsTest : public DrawnMsgsTest {
protected:
    void SetUp() override
    {
        DrawnMsgsTest::SetUp();
        AddFontResourceA("ZelvoraB.TTF");
        // Advances in 32nds of the em: at the 16-pixel em of 12 points the
        // note and the minus advance 16, the parentheses 8.
        static const std::map<int, kvmusic::TestMetric> table = {
            {0x89, {32, 16, 16}}, {0x2C, {32, 16, 16}}, {0x28, {16, 16, 16}}, {0x29, {16, 16, 16}},
            {0xF2, {40, 16, 16}}, {0xD6, {20, 16, 16}}};
        kvtest::UseMusicTestMetrics(&table);
    }
    static std::vector<kvrec::GlyphHit> Glyphs(const kvtest::TestDC& dc) { return dc.Log().Glyphs(); }
};

TEST_F(MusicMetricsTest, DynamicsDrawsItsGlyphOrNothing)
{
    LOGFONT music {};
    GetDefaultLogFont(music, 120, "ZelvoraB", 0, dc.get());
    ZelvoraLogFontProc(music, dc.get());
    CFont font;
    ASSERT_TRUE(font.CreateFontIndirect(&music));
    CFont* old = dc->SelectObject(&font);

    CKVDynamicMsg dynamic;
    dynamic.m_byKind = MSG_DYNAMIC;
    dynamic.m_crColor = RGB(1, 2, 3);
    dynamic.m_wDuration = 3;
    const CSize size = dynamic.DrawMsg(dc.get(), 50, 60);
    ASSERT_EQ(Texts().size(), 1u);
    const Entry& drawn = *Texts()[0];
    EXPECT_EQ(drawn.glyphs, std::vector<int> {0xF2});
    EXPECT_EQ(CPoint(drawn.logical[0]), CPoint(50, 60));
    EXPECT_EQ(drawn.textColour, RGB(1, 2, 3));
    EXPECT_EQ(dynamic.m_nLayout4, 50);
    EXPECT_EQ(dynamic.m_nLayout1, 60);
    const char code = static_cast<char>(0xF2);
    SIZE measured {};
    MyGetTextExtent(dc.get(), &code, 1, &measured);
    EXPECT_EQ(size, CSize(measured));

    dynamic.m_wDuration = 25;
    dynamic.m_nLayout4 = 7;
    EXPECT_EQ(dynamic.DrawMsg(dc.get(), 50, 60), CSize(0, 0));
    EXPECT_EQ(Glyphs(*dc).size(), 1u);
    EXPECT_EQ(dynamic.m_nLayout4, 7);
    dc->SelectObject(old);
}

TEST_F(MusicMetricsTest, TempoMarkOfTheFirstStyle)
{
    tool.m_lfTempo.lfHeight = 12;
    CKVMetronomMsg tempo;
    tempo.m_byKind = MSG_TEMPO;
    tempo.m_wHeadType = 3;
    tempo.m_wDuration = 9;
    tempo.m_dwWord = 120;
    tempo.m_byReplace = 1;
    tempo.MakeMsgCtrlPoint();
    CRect rect(100, 200, 400, 300);
    EXPECT_EQ(tempo.DrawMsg(dc.get(), &rect, &tool, &fonts, 100, 0), CSize(80, 93));

    std::vector<std::pair<int, CPoint>> seen;
    for (const auto& glyph : Glyphs(*dc))
        seen.emplace_back(glyph.code, CPoint(glyph.logical));
    const std::vector<std::pair<int, CPoint>> want = {
        {0x28, CPoint(99, 203)}, {0x89, CPoint(100, 200)}, {0x2C, CPoint(132, 200)}, {0x2C, CPoint(132, 170)}, {0x29, CPoint(178, 200)}};
    EXPECT_EQ(seen, want);
    const Entry* number = nullptr;
    for (const Entry* text : Texts()) {
        if (text->bytes == "120")
            number = text;
    }
    ASSERT_NE(number, nullptr);
    EXPECT_EQ(CPoint(number->logical[0]), CPoint(153, 203));
    EXPECT_EQ(CRect(tempo.m_arrCtrlPoint.GetAt(0)->m_rect), CRect(-3, -90, 77, 3));

    dc->Log().Clear();
    tempo.m_wHeadType = 9;
    EXPECT_EQ(tempo.DrawMsg(dc.get(), &rect, &tool, &fonts, 100, 0), CSize(0, 0));
    EXPECT_TRUE(dc->Log().Texts().empty());
}

TEST_F(MusicMetricsTest, TempoMarkOfTheSecondStylePlacesItsTextOnce)
{
    kvtest::ScoreBuilder score({.lineSpacing = 6});
    CKVMsg* stored = score.Symbol(score.Meas(0, 0), MSG_TEMPO, 0);
    stored->m_wFlag = 1;
    stored->m_wHeadType = 3;
    stored->m_wDuration = 9;
    std::vector<BYTE> head = {0, 0, 12, 0, 0, 0, 0, 12, 0, 0};
    for (char c : std::string("Allegro"))
        head.push_back(static_cast<BYTE>(c));
    SetHead(*stored, head);

    CRect rect(100, 200, 400, 300);
    CKVMetronomMsg tempo;
    tempo = *stored;
    tempo.DrawMsg(dc.get(), &rect, &tool, &fonts, 100, 0);
    EXPECT_EQ(tempo.m_wObjWord, 1);
    EXPECT_EQ(tempo.m_nPosX2, 59);
    EXPECT_EQ(tempo.m_nPosY2, 0);
    ASSERT_FALSE(Texts().empty());
    EXPECT_EQ(Texts()[0]->bytes, "Allegro");
    EXPECT_EQ(CPoint(Texts()[0]->logical[0]), CPoint(100, 200));
    ASSERT_FALSE(Glyphs(*dc).empty());
    EXPECT_EQ(Glyphs(*dc)[0].code, 0x89);
    EXPECT_EQ(CPoint(Glyphs(*dc)[0].logical), CPoint(159, 197));

    dc->Log().Clear();
    tempo.m_nPosX2 = 80;
    tempo.DrawMsg(dc.get(), &rect, &tool, &fonts, 100, 0);
    EXPECT_EQ(tempo.m_nPosX2, 80);
    ASSERT_FALSE(Glyphs(*dc).empty());
    EXPECT_EQ(CPoint(Glyphs(*dc)[0].logical), CPoint(180, 197));

    // A head shorter than the number's triple draws nothing.
    SetHead(tempo, {0, 0, 12});
    EXPECT_EQ(tempo.DrawMsg(dc.get(), &rect, &tool, &fonts, 100, 0), CSize(0, 0));
}

} // namespace
