// The clef, bar-line and note-mark images: the glyph each look draws, where
// it stands, and the rectangle of its image.

#include "support/DragDriver.h"

#include "drag/TempMarkMsgs.h"
#include "model/GlyphTables.h"
#include "model/KVStaff.h"

#include <gtest/gtest.h>

namespace {

class TempMarkMsgsTest : public kvtest::DragFixture {
protected:
    // Binds the template and draws it once at pos on the recording view.
    void DrawAt(CTempMsg& t, CPoint pos)
    {
        ASSERT_EQ(t.BeginDrag(pos, &Doc(), 100, nullptr, 0), 1);
        t.m_ptPos = pos;
        t.DrawDraging(&View());
    }
    std::vector<kvrec::GlyphHit> Glyphs() { return View().Log().Glyphs(); }
    std::vector<const kvrec::Entry*> Texts() { return View().Log().Texts(); }
};

TEST_F(TempMarkMsgsTest, ClefsDrawBothGlyphsAndRaiseTheCClefs)
{
    CTempMsgAlongMeas clef;
    EXPECT_EQ(clef.m_byKind, 131);
    clef.m_wHeadType = 6; // clef code 7: a glyph and its small 8
    DrawAt(clef, {200, 300});
    const STMARK rec = ClefTB[7];
    std::vector<int> want {rec.byCode};
    if (rec.byCode2)
        want.push_back(rec.byCode2);
    std::vector<int> got;
    for (const auto& g : Glyphs())
        got.push_back(g.code);
    EXPECT_EQ(got, want);
    EXPECT_EQ(CPoint(Glyphs().front().logical), CPoint(200, 300));
    EXPECT_EQ(clef.m_bMeasured, 1);
    EXPECT_EQ(clef.m_rcBound.right - clef.m_rcBound.left, 13 + ((clef.m_rcBound.right - 5) * 2));

    CTempMsgAlongMeas alto;
    alto.m_wHeadType = 3;
    DrawAt(alto, {100, 300});
    EXPECT_EQ(Glyphs().back().logical.y, 300 - 16);
}

TEST_F(TempMarkMsgsTest, TablatureLettersFollowTheLineCount)
{
    score->Staff(0)->m_byLineCount = 6;
    CTempMsgAlongMeas tab;
    tab.m_wHeadType = 8;
    DrawAt(tab, {100, 300});
    const auto texts = Texts();
    ASSERT_EQ(texts.size(), 3u);
    // H = 5 L = 80: letters from 300 - 82 down in steps of 26.
    EXPECT_EQ(texts[0]->logical.at(0).y, 218);
    EXPECT_EQ(texts[1]->logical.at(0).y, 244);
    EXPECT_EQ(texts[2]->logical.at(0).y, 270);
    EXPECT_EQ(tab.m_rcBound.top, -80);
    EXPECT_EQ(tab.m_rcBound.bottom, 40);
}

TEST_F(TempMarkMsgsTest, BarLinesAndRepeats)
{
    CTempMsgAlongMeas bar;
    bar.m_byKind = 132;
    bar.m_wHeadType = 4;
    DrawAt(bar, {100, 300});
    if (codeBarLine[0][5] == 0) {
        EXPECT_TRUE(Glyphs().empty());
        EXPECT_EQ(bar.m_rcBound, CRect(-8, 0, 5, 0));
    }
    CTempMsgAlongMeas repeat;
    repeat.m_byKind = 132;
    repeat.m_wHeadType = 6;
    DrawAt(repeat, {100, 300});
    ASSERT_FALSE(Glyphs().empty());
    EXPECT_EQ(Glyphs().back().code, codeMeasRepeat);
    // Four right of the rectangle's left edge, one staff space up.
    EXPECT_EQ(CPoint(Glyphs().back().logical), CPoint(104, 284));
}

TEST_F(TempMarkMsgsTest, GlyphOfEachAlongTheMeasureLook)
{
    struct Look {
        BYTE kind;
        WORD sub;
        std::vector<int> codes;
        int dx;  // from the rectangle's left edge
        int y;
    };
    const std::vector<Look> looks {
        {131, 0, {0x26}, 0, 300},        {131, 4, {0x26, 0x87}, 0, 300}, {131, 3, {0x25}, 0, 284},
        {132, 0, {0x3E}, 4, 300},        {132, 1, {0x42}, 4, 300},       {132, 2, {0x45}, 4, 300},
        {132, 3, {0x43}, 4, 300},        {132, 4, {}, 4, 300},           {132, 5, {0x90}, 4, 284},
        {132, 6, {0x8F}, 4, 284},        {132, 7, {0x40}, 4, 300},       {132, 8, {0x44}, 4, 300},
    };
    for (const Look& look : looks) {
        SCOPED_TRACE(testing::Message() << int(look.kind) << " " << look.sub);
        CTempMsgAlongMeas t;
        t.m_byKind = look.kind;
        t.m_wHeadType = look.sub;
        DrawAt(t, {200, 300});
        View().Log().Clear();
        // Drawn again with its rectangle set.
        t.DrawDraging(&View());
        const int x0 = 200 + t.m_rcBound.left;
        const auto glyphs = Glyphs();
        std::vector<int> codes;
        for (const auto& g : glyphs)
            codes.push_back(g.code);
        EXPECT_EQ(codes, look.codes);
        if (!glyphs.empty()) {
            EXPECT_EQ(CPoint(glyphs[0].logical), CPoint(x0 + look.dx, look.y));
        }
        if (look.kind == 131 && look.sub == 4 && glyphs.size() == 2) {
            EXPECT_EQ(CPoint(glyphs[1].logical), CPoint(x0 + 8, 208));
        }
        if (look.kind == 132 && look.sub == 4) {
            EXPECT_EQ(t.m_rcBound, CRect(-8, 0, 5, 0));
        }
    }
}

TEST_F(TempMarkMsgsTest, GlyphOfEachNoteAndMeasureMark)
{
    const std::vector<std::pair<WORD, int>> marks {{2, 0x6C},  {3, 0x6B},  {4, 0x66},  {7, 0x69}, {8, 0x6A},
                                                   {9, 0x6D},  {10, 0x2F}, {11, 0x2E}, {14, 0x27}, {12, 0}};
    for (const auto& [sub, code] : marks) {
        CTempMsgBelongNoteMeas t;
        t.m_byKind = 134;
        t.m_wHeadType = sub;
        DrawAt(t, {200, 300});
        const auto glyphs = Glyphs();
        View().Log().Clear();
        if (code == 0) {
            EXPECT_TRUE(glyphs.empty()) << sub;
        } else {
            ASSERT_EQ(glyphs.size(), 1u) << sub;
            EXPECT_EQ(glyphs[0].code, code) << sub;
        }
    }
    for (const auto& [sub, code] : std::vector<std::pair<WORD, int>> {{0, 0x8C}, {1, 0x8D}}) {
        CTempMsgBelongNoteMeas t;
        t.m_byKind = 136;
        t.m_wHeadType = sub;
        DrawAt(t, {200, 300});
        const auto glyphs = Glyphs();
        View().Log().Clear();
        ASSERT_EQ(glyphs.size(), 1u) << sub;
        EXPECT_EQ(glyphs[0].code, code) << sub;
    }
    CTempMsgBelongNoteMeas thumb;
    thumb.m_byKind = 137;
    thumb.m_wHeadType = 0;
    DrawAt(thumb, {200, 300});
    const auto texts = Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->bytes, "p");
    EXPECT_NE(texts[0]->font.lfItalic, 0);
}

TEST_F(TempMarkMsgsTest, MarkFollowsThePointerLessTheHitOffset)
{
    Doc().m_ptPointed = POINT {3, 7};
    CTempMsgBelongNoteMeas mark;
    ASSERT_EQ(mark.BeginDrag({200, 300}, &Doc(), 100, nullptr, 0), 1);
    EXPECT_EQ(mark.GetOriginalPoint(), CPoint(200, 293));
    mark.Drag(&View(), {210, 320});
    EXPECT_EQ(mark.GetOriginalPoint(), CPoint(210, 313));
    View().Log().Clear();
    mark.DrawDraging(&View());
    for (const kvrec::Entry* e : Texts())
        EXPECT_EQ(e->rop2, 10);
    EXPECT_EQ(View().GetROP2(), R2_COPYPEN);
}

TEST_F(TempMarkMsgsTest, WithoutStavesNothingIsDrawn)
{
    CKVDoc empty;
    CTempMsgAlongMeas clef;
    clef.m_rcBound = CRect(1, 2, 3, 4);
    ASSERT_EQ(clef.BeginDrag({0, 0}, &empty, 100, nullptr, 0), 1);
    clef.DrawDraging(&View());
    EXPECT_TRUE(View().Log().Entries().empty() || Glyphs().empty());
    EXPECT_EQ(clef.m_rcBound, CRect(1, 2, 3, 4));
    EXPECT_EQ(clef.m_bMeasured, 0);
}

TEST_F(TempMarkMsgsTest, SubKindsOutsideTheTablesDrawNothing)
{
    for (BYTE kind : {BYTE(131), BYTE(133), BYTE(134), BYTE(135)}) {
        for (WORD sub : {WORD(60), WORD(0xFFFF), WORD(0x8000)}) {
            if (kind == 131) {
                CTempMsgAlongMeas t;
                t.m_wHeadType = sub;
                DrawAt(t, {100, 300});
            } else {
                CTempMsgBelongNoteMeas t;
                t.m_byKind = kind;
                t.m_wHeadType = sub;
                DrawAt(t, {100, 300});
            }
        }
    }
    EXPECT_TRUE(Glyphs().empty());
}

TEST_F(TempMarkMsgsTest, LookOfAScoreMessageAndBack)
{
    CTempMsgBelongNoteMeas mark;
    EXPECT_EQ(mark.m_wSavedKind, 133);
    mark.m_byKind = 135;
    mark.m_wHeadType = 2;
    CKVMsg noteMark;
    noteMark.m_byKind = MSG_NOTEMARK;
    noteMark.m_wHeadType = 5;
    mark.m_bMeasured = 1;
    mark.Initialize(&noteMark);
    EXPECT_EQ(mark.m_byKind, 133);
    EXPECT_EQ(mark.m_wHeadType, 4);
    EXPECT_EQ(mark.m_bMeasured, 0);
    DrawAt(mark, {100, 300});
    ASSERT_EQ(Glyphs().size(), 1u);
    EXPECT_EQ(Glyphs()[0].code, MarkTB[5].byCode);
    mark.Restore();
    EXPECT_EQ(mark.m_byKind, 135);
    EXPECT_EQ(mark.m_wHeadType, 2);

    // A kind without a look keeps the current one but still saves it.
    CKVMsg slide;
    slide.m_byKind = MSG_SLIDE3;
    mark.Initialize(&slide);
    EXPECT_EQ(mark.m_byKind, 134);
    EXPECT_EQ(mark.m_wHeadType, 6);
    CKVMsg note;
    note.m_byKind = MSG_NOTE;
    mark.m_bMeasured = 1;
    mark.Initialize(&note);
    EXPECT_EQ(mark.m_byKind, 134);
    EXPECT_EQ(mark.m_wSavedKind, 134);
    EXPECT_EQ(mark.m_wSavedSubKind, 6);
    EXPECT_EQ(mark.m_bMeasured, 0);

    CTempMsgBelongNoteMeas copy;
    copy = mark;
    EXPECT_EQ(copy.m_wSavedSubKind, 6);
    EXPECT_EQ(copy.m_pImage, nullptr);
}

TEST_F(TempMarkMsgsTest, MarksDrawWithTheInvertingPenAndFollowTheHitOffset)
{
    Doc().m_ptPointed = POINT {0, 12};
    CTempMsgBelongNoteMeas mark;
    mark.m_byKind = 134;
    mark.m_wHeadType = 9;
    ASSERT_EQ(mark.BeginDrag({200, 300}, &Doc(), 100, nullptr, 0), 1);
    EXPECT_EQ(mark.GetOriginalPoint(), CPoint(200, 288));
    EXPECT_EQ(mark.m_ptSecond, CPoint(200, 300));
    mark.UpdateDragingParameter({250, 320});
    EXPECT_EQ(mark.GetOriginalPoint(), CPoint(250, 308));
    const int rop = View().GetROP2();
    mark.DrawDraging(&View());
    ASSERT_EQ(Glyphs().size(), 1u);
    EXPECT_EQ(Glyphs()[0].code, codeBreath);
    const auto texts = Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->rop2, R2_NOTXORPEN);
    EXPECT_EQ(View().GetROP2(), rop);
}

TEST_F(TempMarkMsgsTest, FingeringsInItalics)
{
    CTempMsgBelongNoteMeas finger;
    finger.m_byKind = 137;
    finger.m_wHeadType = 12;
    DrawAt(finger, {100, 300});
    const auto texts = Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->bytes, "5");
    EXPECT_NE(texts[0]->font.lfItalic, 0);
}

} // namespace
