// Tuplet numbers and brackets drawn from their end note, and tremolo strokes
// between two notes, on the recording device with box metrics (every glyph
// 10 wide).

#include "support/RenderSupport.h"

#include "model/KVCtrlPoint.h"
#include "model/KVSystem.h"
#include "platform/Recorder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using Glyph = kvtest::DrawnGlyph;
using Segment = std::pair<CPoint, CPoint>;

class MeasureSymbols : public kvtest::RenderTest {
protected:
    kvtest::RenderShape Rendering() const override { return kvtest::RenderShape {.metrics = kvtest::BoxMetrics({})}; }
    void SetUp() override
    {
        RenderTest::SetUp();
        m_meas = Builder().Meas(0, 0);
        m_meas->m_nRealWidth = 262;
        m_meas->m_nHeaderWidth = 0;
        m_gdi = kvrec::LiveObjectCounts();
    }
    void TearDown() override
    {
        EXPECT_EQ(kvrec::LiveObjectCounts(), m_gdi);
        EXPECT_TRUE(kvrec::Warnings().empty()) << kvrec::Warnings().front();
        RenderTest::TearDown();
    }
    std::vector<Segment> Lines()
    {
        std::vector<Segment> lines;
        for (const kvrec::Entry* line : Log().Calls("LineTo"))
            lines.emplace_back(line->logical.front(), line->logical.back());
        return lines;
    }
    CKVMeas* m_meas = nullptr;
    kvrec::LiveCounts m_gdi;
};

class TupletDrawing : public MeasureSymbols {
protected:
    void SetUp() override
    {
        MeasureSymbols::SetUp();
        m_start = Builder().Note(m_meas, {.x = 16, .y = -16, .code = DUR_EIGHTH, .tuplet = 0x0203});
        Builder().Note(m_meas, {.x = 48, .y = -16, .code = DUR_EIGHTH, .tuplet = 0x0203});
        m_end = Builder().Note(m_meas, {.x = 80, .y = -16, .code = DUR_EIGHTH, .tuplet = 0x0203});
        m_start->m_nLayout1 = m_end->m_nLayout1 = -28;
        m_tuplet = Builder().Symbol(m_end, MSG_TUPLET, -4, -10);
        m_tuplet->m_nPosX2 = 14;
        m_tuplet->m_nPosY2 = -10;
        m_tuplet->m_nLayout1 = 4; // number y offset
        m_tuplet->m_nLayout2 = 6; // hook
        m_tuplet->m_nLayout4 = 0; // number x offset
        m_tuplet->m_dwWord = m_start->m_dwMsgId;
        m_tuplet->m_lHeight = static_cast<LONG>(m_end->m_dwMsgId);
        m_tuplet->m_wObjWord = 0x0203;
        m_tuplet->m_wFlag = 2;
        m_tuplet->m_byReplace = 0;
        m_tuplet->m_crColor = 0x000000FF;
        View().KVSetOrgXY(200, 84);
    }
    // Every arc drawn, as the angle it sweeps counter-clockwise on screen.
    std::vector<double> ArcSweeps()
    {
        std::vector<double> sweeps;
        for (const kvrec::Entry* arc : Log().Calls("Arc")) {
            const double cx = (arc->logical[0].x + arc->logical[1].x) / 2.0;
            const double cy = (arc->logical[0].y + arc->logical[1].y) / 2.0;
            auto angle = [&](POINT p) { return std::atan2(cy - p.y, p.x - cx) * 180 / M_PI; };
            const double sweep = std::fmod(angle(arc->logical[3]) - angle(arc->logical[2]) + 720.0, 360.0);
            sweeps.push_back(sweep);
        }
        return sweeps;
    }
    CKVMsg* m_start = nullptr;
    CKVMsg* m_end = nullptr;
    CKVMsg* m_tuplet = nullptr;
};

TEST_F(TupletDrawing, BrokenBracketLeavesRoomForTheNumberAndFollowsTheSlope)
{
    EXPECT_EQ(View().DrawMeasTuplet(*m_tuplet), 1);
    EXPECT_EQ(Lines(), (std::vector<Segment> {{{131, 46}, {131, 52}},
                                              {{131, 52}, {163, 52}},
                                              {{181, 52}, {214, 52}},
                                              {{214, 52}, {214, 46}}}));
    for (const kvrec::Entry* line : Log().Calls("LineTo")) {
        EXPECT_EQ(line->penWidth, 1);
        EXPECT_EQ(line->penColour, 0x000000FFu);
    }
    EXPECT_EQ(kvtest::DrawnGlyphs(Log()), (std::vector<Glyph> {{0x82, 167, 50}}));
    EXPECT_EQ(Log().Texts().front()->align, static_cast<UINT>(TA_BASELINE));

    ASSERT_EQ(m_tuplet->m_arrCtrlPoint.GetSize(), 4);
    EXPECT_EQ(m_tuplet->m_byCtrlCount, 4);
    EXPECT_EQ(m_tuplet->m_arrCtrlPoint.GetAt(0)->m_wKind, 11);
    const std::vector<CRect> handles = {{38, -35, 44, -25}, {-3, -31, 3, -25}, {38, -25, 44, -19}, {80, -31, 86, -25}};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(m_tuplet->m_arrCtrlPoint.GetAt(i)->m_rect, handles[static_cast<size_t>(i)]) << i;

    Log().Clear();
    m_tuplet->m_nPosY2 = -2;
    View().DrawMeasTuplet(*m_tuplet);
    const std::vector<Segment> sloped = Lines();
    ASSERT_EQ(sloped.size(), 4u);
    EXPECT_EQ(sloped[1].second, CPoint(163, 55));
    EXPECT_EQ(sloped[2].first, CPoint(181, 57));
}

TEST_F(TupletDrawing, CurvedBracketsDrawTheQuarterOnTheHooksSide)
{
    m_tuplet->m_wFlag = 1;
    View().DrawMeasTuplet(*m_tuplet);
    const std::vector<const kvrec::Entry*> arcs = Log().Calls("Arc");
    ASSERT_EQ(arcs.size(), 2u);
    EXPECT_EQ(CRect(arcs[0]->logical[0].x, arcs[0]->logical[0].y, arcs[0]->logical[1].x, arcs[0]->logical[1].y),
              CRect(131, 40, 213, 52));
    EXPECT_EQ(CRect(arcs[1]->logical[0].x, arcs[1]->logical[0].y, arcs[1]->logical[1].x, arcs[1]->logical[1].y),
              CRect(130, 40, 214, 52));
    for (double sweep : ArcSweeps())
        EXPECT_NEAR(sweep, 90.0, 1.0);
    for (const kvrec::Entry* arc : arcs) // both below the ends
        EXPECT_GE(std::max(arc->logical[2].y, arc->logical[3].y), 52);

    Log().Clear();
    m_tuplet->m_nLayout2 = -6;
    View().DrawMeasTuplet(*m_tuplet);
    ASSERT_EQ(Log().Calls("Arc").size(), 2u);
    for (const kvrec::Entry* arc : Log().Calls("Arc"))
        EXPECT_LE(std::min(arc->logical[2].y, arc->logical[3].y), 40);
    for (double sweep : ArcSweeps())
        EXPECT_NEAR(sweep, 90.0, 1.0);
}

TEST_F(TupletDrawing, StylesRatiosSingleNotesAndMissingNotes)
{
    m_tuplet->m_wFlag = 4;
    View().DrawMeasTuplet(*m_tuplet);
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(kvtest::DrawnGlyphs(Log()).size(), 1u);

    Log().Clear();
    m_tuplet->m_wFlag = 5;
    const CRect kept = m_tuplet->m_arrCtrlPoint.GetAt(0)->m_rect;
    EXPECT_EQ(View().DrawMeasTuplet(*m_tuplet), 1);
    EXPECT_TRUE(Log().Texts().empty());
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(m_tuplet->m_arrCtrlPoint.GetAt(0)->m_rect, kept);

    Log().Clear();
    m_tuplet->m_wFlag = 4 | 0x0100;
    View().DrawMeasTuplet(*m_tuplet);
    EXPECT_EQ(kvtest::DrawnGlyphs(Log()), (std::vector<Glyph> {{0x82, 157, 50}, {0x7E, 167, 50}, {0x81, 177, 50}}));

    Log().Clear();
    m_tuplet->m_wFlag = 2;
    m_tuplet->m_dwWord = m_end->m_dwMsgId;
    m_tuplet->m_nPosX2 = 0;
    EXPECT_EQ(View().DrawMeasTuplet(*m_tuplet), 1);
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(kvtest::DrawnGlyphs(Log()).size(), 1u);
    EXPECT_EQ(m_tuplet->m_nPosX2, 10);
    EXPECT_EQ(m_tuplet->m_byCtrlCount, 1);
    EXPECT_EQ(m_tuplet->m_arrCtrlPoint.GetAt(0)->m_wKind, 6);

    Log().Clear();
    m_tuplet->m_dwWord = Builder().MakeStale(m_start);
    EXPECT_EQ(View().DrawMeasTuplet(*m_tuplet), -1);
    EXPECT_TRUE(Log().Entries().empty());
}

TEST_F(TupletDrawing, TupletWithTooFewHandlesGetsFour)
{
    while (m_tuplet->m_arrCtrlPoint.GetSize() > 2) {
        const int last = m_tuplet->m_arrCtrlPoint.GetSize() - 1;
        delete m_tuplet->m_arrCtrlPoint.GetAt(last);
        m_tuplet->m_arrCtrlPoint.RemoveAt(last);
    }
    while (m_tuplet->m_arrCtrlPoint.GetSize() < 2)
        m_tuplet->m_arrCtrlPoint.Add(new CKVCtrlPoint);
    EXPECT_EQ(View().DrawMeasTuplet(*m_tuplet), 1);
    EXPECT_EQ(m_tuplet->m_arrCtrlPoint.GetSize(), 4);
    EXPECT_EQ(m_tuplet->m_arrCtrlPoint.GetAt(3)->m_rect, CRect(80, -31, 86, -25));
}

class TremoloDrawing : public MeasureSymbols {
protected:
    void SetUp() override
    {
        MeasureSymbols::SetUp();
        View().KVSetOrgXY(0, 100);
    }
    CKVMsg* Tremolo(BYTE code, short secondX = 160)
    {
        m_first = Builder().Note(m_meas, {.x = 32, .y = -16, .code = code});
        m_second = Builder().Note(m_meas, {.x = secondX, .y = -16, .code = code});
        for (CKVMsg* note : {m_first, m_second})
            note->m_wHeadType = 1;
        CKVMsg* tremolo = Builder().Symbol(m_meas, MSG_TREMOLO, 32, -44);
        tremolo->m_nPosX2 = secondX;
        tremolo->m_nPosY2 = -44;
        tremolo->m_wHeadType = 3; // strokes
        return tremolo;
    }
    std::vector<std::vector<CPoint>> Strokes()
    {
        std::vector<std::vector<CPoint>> strokes;
        for (const kvrec::Entry* band : Log().Calls("Polygon"))
            strokes.emplace_back(band->logical.begin(), band->logical.end());
        return strokes;
    }
    static std::vector<CPoint> Band(int left, int right, int top)
    {
        return {{left, top}, {left, top + 16}, {right, top + 16}, {right, top}};
    }
    CKVMsg* m_first = nullptr;
    CKVMsg* m_second = nullptr;
};

TEST_F(TremoloDrawing, QuarterNotesGetInsetStrokesAndTheirOwnStems)
{
    CKVMsg* tremolo = Tremolo(DUR_QUARTER);
    View().DrawTremolo(*tremolo);
    EXPECT_EQ(Strokes(), (std::vector<std::vector<CPoint>> {Band(200, 648, 224), Band(200, 648, 248),
                                                           Band(200, 648, 272)}));
    const std::vector<Segment> stems = Lines();
    ASSERT_EQ(stems.size(), 2u);
    const int stemX[2] = {42, 170};
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_NEAR(stems[i].first.x, stemX[i], 1);
        EXPECT_EQ(std::min(stems[i].first.y, stems[i].second.y), 56);
        EXPECT_EQ(std::max(stems[i].first.y, stems[i].second.y), 84);
    }
    ASSERT_GE(tremolo->m_arrCtrlPoint.GetSize(), 3);
    EXPECT_EQ(tremolo->m_arrCtrlPoint.GetAt(1)->m_rect.left, 18);
    EXPECT_EQ(tremolo->m_arrCtrlPoint.GetAt(2)->m_rect.right, 130);
}

TEST_F(TremoloDrawing, ShortValuesJoinTheStemsWithFullBeamsAndCloseNotesGetShorterIndents)
{
    CKVMsg* tremolo = Tremolo(DUR_16TH);
    View().DrawTremolo(*tremolo);
    EXPECT_EQ(Strokes(), (std::vector<std::vector<CPoint>> {Band(168, 680, 224), Band(200, 648, 248),
                                                           Band(200, 648, 272)}));
    EXPECT_EQ(tremolo->m_arrCtrlPoint.GetAt(1)->m_rect.left, 10);
    EXPECT_EQ(tremolo->m_arrCtrlPoint.GetAt(2)->m_rect.right, 138);

    // 18 dots apart once the right head moved: indent 5.
    Log().Clear();
    m_meas->RemoveAllMsg();
    CKVMsg* close = Tremolo(DUR_QUARTER, 50);
    View().DrawTremolo(*close);
    const std::vector<std::vector<CPoint>> strokes = Strokes();
    ASSERT_EQ(strokes.size(), 3u);
    EXPECT_EQ(strokes[0][0].x, (42 + 5) * 4);
    EXPECT_EQ(strokes[0][2].x, (60 - 5) * 4);

    // Without its second note nothing is drawn.
    Log().Clear();
    close->m_nPosX2 = 250;
    View().DrawTremolo(*close);
    EXPECT_TRUE(Log().Entries().empty());
}

} // namespace
