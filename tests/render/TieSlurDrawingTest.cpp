// Ties, slurs, page slurs and bent lines: the quarter-dot strokes of their
// two quarter ellipses, the halves of a tie split over two systems, the
// handles and coordinates they leave in the symbol for hit-testing and
// dragging, and a picture of a tie beside a rest.

#include "support/PngPixels.h"
#include "support/SymbolDrawing.h"

#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVCtrlPoint.h"
#include "model/KVSystem.h"
#include "platform/Backends.h"
#include "platform/Recorder.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using kvtest::PointsOf;
using Points = std::vector<std::pair<int, int>>;
// An arc call as its rectangle, then its start and end points.
using ArcCall = std::array<int, 8>;

constexpr COLORREF kRed = 0x0000FF;
constexpr COLORREF kGreen = RGB(10, 120, 30);

std::vector<ArcCall> Arcs(kvrec::Recorder& log)
{
    std::vector<ArcCall> arcs;
    for (const kvrec::Entry* e : log.Calls("Arc")) {
        const auto& p = e->logical;
        arcs.push_back({p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y, p[3].x, p[3].y});
    }
    return arcs;
}

std::array<int, 4> WrittenBack(const CKVMsg& msg)
{
    return {msg.m_nLayout4, msg.m_nLayout1, msg.m_nLayout3, msg.m_nLayout2};
}

// A curve symbol with four empty handles, the shape every test starts from:
// first point (8, 4), second (-8, 4), apex heights 16, in the given colour.
void ShapeCurve(CKVMsg& msg, BYTE kind, COLORREF colour = kGreen)
{
    msg.m_byKind = kind;
    msg.m_byVoice = 1;
    msg.m_crColor = colour;
    msg.m_nPosX = 8;
    msg.m_nPosY = 4;
    msg.m_nPosX2 = -8;
    msg.m_nPosY2 = 4;
    msg.m_nLayout1 = 16;
    msg.m_nLayout2 = 16;
    msg.m_nLayout3 = 0;
    msg.m_nLayout4 = 0;
    msg.m_wDuration = 0;
    ASSERT_TRUE(GrowHandles(msg, 4));
}

class CurveDrawing : public kvtest::SymbolDrawingTest {
protected:
    kvtest::ScoreShape Shape() override { return {.lineSpacing = 8, .measures = 3}; }
    void SetUp() override
    {
        SymbolDrawingTest::SetUp();
        CKVCtrlTool& tool = Doc().m_CtrlTool;
        tool.m_nK4 = 2; // t = 1 at g = 8
        tool.m_wE6 = 0x00FF;
        tool.m_wActiveVoice = 0;
        CKVCtrlTool::m_fControlVisible = 0;
        ShapeCurve(tie, MSG_TIE);
        tie.m_wHeadType = 1;
    }
    CKVMsg tie;
};

TEST_F(CurveDrawing, TieIsTwoQuarterEllipsesStrokedAtQuarterDotsBelowItsEnds)
{
    EXPECT_EQ(View().DrawTie(tie, 100, 200, 180, 10, 10), 1);
    EXPECT_EQ(Arcs(Log()), (std::vector<ArcCall> {{420, 777, 700, 839, 420, 808, 560, 839},
                                                  {420, 777, 700, 839, 560, 839, 700, 808},
                                                  {420, 778, 700, 838, 420, 808, 560, 838},
                                                  {420, 778, 700, 838, 560, 838, 700, 808}}));
    for (const kvrec::Entry* arc : Log().Calls("Arc")) {
        EXPECT_EQ(arc->windowExt.cx, 400);
        EXPECT_EQ(arc->penStyle, static_cast<UINT>(PS_SOLID));
        EXPECT_EQ(arc->penWidth, 1);
        EXPECT_EQ(arc->penColour, kGreen);
    }
    EXPECT_EQ(Dc().GetWindowExt(), CSize(100, 100));
    EXPECT_EQ(Dc().GetViewportExt(), CSize(100, 100));

    // The ends and the apex, for dragging.
    const std::pair<CRect, WORD> handles[] = {{CRect(102, 199, 108, 205), CKVCtrlPoint::kMoveWhole},
                                              {CRect(137, 207, 143, 213), CKVCtrlPoint::kReshapeAlt},
                                              {CRect(172, 199, 178, 205), CKVCtrlPoint::kReshape}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Handle(tie, i), handles[i].first) << i;
        EXPECT_EQ(tie.m_arrCtrlPoint.GetAt(i)->m_wKind, handles[i].second) << i;
    }
}

TEST_F(CurveDrawing, ThicknessAndPenFollowTheSettingAndTheKindOfCurve)
{
    // A centred tie starts its strokes half the thickness below the apex.
    tie.m_wDuration = 1;
    View().DrawTie(tie, 100, 200, 180, 10, 10);
    EXPECT_EQ(Arcs(Log()).front()[3], 841);
    tie.m_wDuration = 0;

    CKVMsg slur;
    ShapeCurve(slur, MSG_SLUR);
    CKVMsg page;
    PagePlace(page, MSG_PAGESLUR, CPoint(10, 20), CPoint(80, 0), CPoint(100, 100));
    page.m_wObjWord = 30;
    page.m_dwWord = static_cast<WORD>(-20);
    const auto drawTie = [&] { View().DrawTie(tie, 100, 200, 180, 10, 10); };
    const auto drawSlur = [&] { View().DrawSlur(slur, 1, 100, 200, 180, 220, 10, 10); };
    const auto drawPageSlur = [&] { View().DrawSlur(page, 0, -1, -1, -1, -1, 0, 0); };
    struct Case {
        const char* what;
        short setting;
        std::function<void()> draw;
        UINT style;
    };
    const Case cases[] = {
        {"a tie of thickness 0 is a solid hairline", 0, drawTie, PS_SOLID},
        {"a bound slur of thickness 0 is dotted", 0, drawSlur, PS_DOT},
        {"a bound slur thinner than a dot is solid", 1, drawSlur, PS_SOLID},
        {"a page slur of 0 points is dotted", 2, drawPageSlur, PS_DOT},
    };
    for (const Case& c : cases) {
        Doc().m_CtrlTool.m_nK4 = c.setting;
        Log().Clear();
        c.draw();
        const auto arcs = Log().Calls("Arc");
        ASSERT_EQ(arcs.size(), 4u) << c.what; // two strokes
        EXPECT_EQ(arcs.front()->penStyle, c.style) << c.what;
    }
}

TEST_F(CurveDrawing, CurvesWithoutWidthDrawNothing)
{
    EXPECT_EQ(View().DrawTie(tie, 95, 200, 105, 10, 10), -1);
    CKVMsg slur;
    ShapeCurve(slur, MSG_SLUR);
    EXPECT_EQ(View().DrawSlur(slur, 1, 95, 200, 105, 240, 10, 10), -1);
    EXPECT_TRUE(Log().Calls("Arc").empty());
    EXPECT_TRUE(Log().Calls("LineTo").empty());
}

TEST_F(CurveDrawing, BoundSlurLeansToItsEndsAndMayShiftItsApex)
{
    CKVMsg slur;
    ShapeCurve(slur, MSG_SLUR);
    slur.m_nLayout4 = -16; // the apex one gap to the left
    slur.m_nLayout1 = -32; // two gaps above the middle of the ends
    EXPECT_EQ(View().DrawSlur(slur, 1, 100, 200, 180, 216, 10, 10), 1);
    // Ends (105, 202) and (175, 218), apex (132, 194).
    const std::vector<ArcCall> arcs = Arcs(Log());
    ASSERT_EQ(arcs.size(), 4u);
    EXPECT_EQ(arcs[0], (ArcCall {420, 775, 636, 841, 528, 775, 420, 808}));
    EXPECT_EQ(arcs[1], (ArcCall {356, 775, 700, 969, 700, 872, 528, 775}));
    EXPECT_EQ(slur.m_nLayout3, 70);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(slur.m_arrCtrlPoint.GetAt(i)->m_wKind, CKVCtrlPoint::kMoveWhole) << i;
    EXPECT_EQ(Handle(slur, 1), CRect(129, 191, 135, 197));
    EXPECT_EQ(Handle(slur, 2), CRect(172, 215, 178, 221));
}

TEST_F(CurveDrawing, PageSlurTakesItsPointsFromItselfAndWritesItsStartBack)
{
    CKVMsg page;
    ShapeCurve(page, MSG_PAGESLUR);
    PagePlace(page, MSG_PAGESLUR, CPoint(10, 20), CPoint(80, 0), CPoint(100, 100));
    page.m_wObjWord = 30;
    page.m_dwWord = static_cast<WORD>(-20);
    page.m_wDuration = 1; // 1 pt: t = 1, centred on the apex
    EXPECT_EQ(View().DrawSlur(page, 0, -1, -1, -1, -1, 0, 0), 1);
    EXPECT_EQ(Arcs(Log()), (std::vector<ArcCall> {{440, 401, 680, 559, 560, 401, 440, 480},
                                                  {360, 401, 760, 559, 760, 480, 560, 401},
                                                  {440, 400, 680, 560, 560, 400, 440, 480},
                                                  {360, 400, 760, 560, 760, 480, 560, 400}}));
    EXPECT_EQ(page.m_nLayout4, 110);
    EXPECT_EQ(page.m_nLayout1, 120);
    EXPECT_EQ(page.m_nLayout3, 80);
}

TEST_F(CurveDrawing, DamagedThicknessIsKeptToOneInch)
{
    CKVMsg page;
    PagePlace(page, MSG_PAGESLUR, CPoint(10, 20), CPoint(80, 0), CPoint(100, 100));
    page.m_wObjWord = 30;
    page.m_dwWord = static_cast<WORD>(-200); // high enough that no stroke meets the ends' height
    page.m_wDuration = 60000;
    View().DrawSlur(page, 0, -1, -1, -1, -1, 0, 0);
    EXPECT_EQ(Log().Calls("Arc").size(), 4u * 96u);
    EXPECT_EQ(page.m_wDuration, 60000);

    tie.m_wHeadType = 1;
    Doc().m_CtrlTool.m_nK4 = 16;
    View().m_nStaffSpace = 2000; // a gap no staff has: 2000 dots thick
    Log().Clear();
    View().DrawTie(tie, 100, 200, 180, 10, 10);
    EXPECT_EQ(Log().Calls("Arc").size(), 4u * 96u);
}

class PrintedCurve : public kvtest::PrintedSymbolDrawingTest {};

TEST_F(PrintedCurve, PrintedTieIsStrokedAtQuarterDotsToo)
{
    Doc().m_CtrlTool.m_nK4 = 2;
    CKVMsg tie;
    ShapeCurve(tie, MSG_TIE);
    tie.m_wHeadType = 1;
    EXPECT_EQ(View().DrawTie(tie, 100, 200, 180, 10, 10), 1);
    const std::vector<ArcCall> arcs = Arcs(Log());
    ASSERT_EQ(arcs.size(), 4u);
    EXPECT_EQ(arcs[2][1], 778); // the second stroke a quarter dot higher
    EXPECT_EQ(Log().Calls("Arc").front()->windowExt.cx, 400);
    EXPECT_EQ(Dc().GetWindowExt(), CSize(100, 100));
}

// A tie from a note at the end of one system to a note at the start of the
// next: each note draws its half with the block state its system leaves.
class SplitTie : public CurveDrawing {
protected:
    void SetUp() override
    {
        CurveDrawing::SetUp();
        m_start = Builder().Note(Builder().Meas(0, 1), {.x = 200, .y = -8});
        m_end = Builder().Note(Builder().Meas(0, 2), {.x = 0, .y = -8});
        m_tie = Builder().Tie(m_start, m_end);
        ShapeCurve(*m_tie, MSG_TIE);
        View().m_lBlockLeft = 40;
    }
    // The first system ends with measure 1, 400 from the block's left.
    void FirstSystem()
    {
        View().m_lFirstMeas = 0;
        View().m_lLastMeas = 1;
        Builder().Meas(0, 1)->m_rcMeas.right = 400;
    }
    // The next system starts with measure 2, at 30 in its block.
    void NextSystem()
    {
        View().m_lFirstMeas = 2;
        View().m_lLastMeas = 2;
        Builder().Meas(0, 2)->m_nLeftX = 30;
    }
    CKVMsg* m_start = nullptr;
    CKVMsg* m_end = nullptr;
    CKVMsg* m_tie = nullptr;
};

TEST_F(SplitTie, FirstHalfRunsToTheSystemEnd)
{
    FirstSystem();
    View().KVSetOrgXY(300, 200);
    const CRect untouched = Handle(*m_tie, 2);
    EXPECT_EQ(View().DrawTieSlur(*m_tie, 1), 1);
    const std::vector<ArcCall> arcs = Arcs(Log());
    ASSERT_EQ(arcs.size(), 4u);
    EXPECT_EQ(arcs[0][4], 1220); // from x 305
    EXPECT_EQ(arcs[0][6], 1488); // apex x 372
    EXPECT_EQ(arcs[1][6], 1760); // to x 440
    EXPECT_EQ(Handle(*m_tie, 0), CRect(302, 199, 308, 205));
    EXPECT_EQ(Handle(*m_tie, 1), CRect(369, 207, 375, 213));
    EXPECT_EQ(Handle(*m_tie, 2), untouched);
    EXPECT_EQ(m_tie->m_byCtrlCount, 4);
    EXPECT_EQ(m_tie->m_wHeadType, 0);

    // Drawn from the end note in the same system, nothing is drawn.
    Log().Clear();
    EXPECT_EQ(View().DrawTieSlur(*m_tie, 0), 1);
    EXPECT_TRUE(Log().Calls("Arc").empty());
}

TEST_F(SplitTie, SecondHalfComesFromTheSystemStartAndNeverStartsPastItsEnd)
{
    NextSystem();
    View().KVSetOrgXY(96, 520);
    EXPECT_EQ(View().DrawTieSlur(*m_tie, 0), 1);
    const std::vector<ArcCall> arcs = Arcs(Log());
    ASSERT_EQ(arcs.size(), 4u);
    EXPECT_EQ(arcs[0], (ArcCall {280, 2057, 360, 2119, 280, 2088, 320, 2119})); // x 70 to 91 at y 522
    EXPECT_EQ(arcs[1][6], 364);
    EXPECT_EQ(Handle(*m_tie, 2), CRect(88, 519, 94, 525));
    EXPECT_EQ(Handle(*m_tie, 3), CRect(77, 527, 83, 533));
    EXPECT_EQ(m_tie->m_arrCtrlPoint.GetAt(2)->m_wKind, CKVCtrlPoint::kMoveWhole);
    EXPECT_EQ(m_tie->m_arrCtrlPoint.GetAt(3)->m_wKind, CKVCtrlPoint::kReshapeAlt);
    EXPECT_EQ(m_tie->m_byCtrlCount, 4);
    EXPECT_EQ(m_tie->m_wHeadType, 0);

    // An end note at 76 ends at 71: starting at 70 would leave no curve, so
    // the half starts two gaps further left.
    Log().Clear();
    View().KVSetOrgXY(76, 520);
    View().DrawTieSlur(*m_tie, 0);
    EXPECT_EQ(Arcs(Log()).at(0)[4], 54 * 4);
}

TEST_F(SplitTie, TieWhoseNotesAreGoneOrNotNotesIsReported)
{
    FirstSystem();
    CKVMsg* rest = Builder().Rest(Builder().Meas(0, 2), {.x = 100});
    struct Case {
        const char* what;
        DWORD startId;
        DWORD endId;
    };
    const Case cases[] = {
        {"end note not in the map", m_start->m_dwMsgId, 0xFFFF0},
        {"start note not in the map", 0xFFFF0, m_end->m_dwMsgId},
        {"end is a rest", m_start->m_dwMsgId, rest->m_dwMsgId},
    };
    for (const Case& c : cases) {
        m_tie->m_dwWord = c.startId;
        m_tie->m_lHeight = static_cast<LONG>(c.endId);
        EXPECT_EQ(View().DrawTieSlur(*m_tie, 1), -1) << c.what;
    }
    // A note that names a measure which does not list it is not valid.
    m_tie->m_dwWord = m_start->m_dwMsgId;
    m_tie->m_lHeight = static_cast<LONG>(m_end->m_dwMsgId);
    CKVObject* parent = m_end->m_pParent;
    m_end->m_pParent = Builder().Meas(0, 0);
    EXPECT_EQ(View().DrawTieSlur(*m_tie, 1), -1);
    m_end->m_pParent = parent;
    EXPECT_TRUE(Log().Calls("Arc").empty());
}

// Bent lines at origin (40, 60) from the words (10, 20) with the corner
// (20, 10) away.
class BentLine : public kvtest::SymbolDrawingTest {
protected:
    void SetUp() override
    {
        SymbolDrawingTest::SetUp();
        PagePlace(line, MSG_CURVE, CPoint(10, 20), CPoint(20, 10), CPoint(40, 60));
        line.m_crColor = kGreen;
    }
    Points Segments()
    {
        Points ends;
        for (const kvrec::Entry* e : Log().Calls("LineTo"))
            for (const POINT& p : e->logical)
                ends.emplace_back(p.x, p.y);
        return ends;
    }
    CKVMsg line;
};

TEST_F(BentLine, WidthZeroIsADashedHairlineAcrossThenDown)
{
    EXPECT_EQ(View().DrawCurvedLine(line), 1);
    EXPECT_EQ(Segments(), (Points {{50, 80}, {54, 80}, {56, 80}, {60, 80}, {62, 80}, {66, 80}, {68, 80}, {70, 80},
                                   {70, 80}, {70, 84}, {70, 86}, {70, 90}}));
    for (const kvrec::Entry* e : Log().Calls("LineTo")) {
        EXPECT_EQ(e->penWidth, 1);
        EXPECT_EQ(e->penStyle, static_cast<UINT>(PS_SOLID));
        EXPECT_EQ(e->penColour, kGreen);
    }
    EXPECT_EQ(WrittenBack(line), (std::array<int, 4> {50, 80, 70, 90}));

    // A leg shorter than one dash is one short dash; a leg of no length is
    // none. The legs run from the smaller end whichever way they point.
    line.m_nPosX2 = -3;
    line.m_nPosY2 = 0;
    Log().Clear();
    View().DrawCurvedLine(line);
    EXPECT_EQ(Segments(), (Points {{47, 80}, {50, 80}}));
}

TEST_F(BentLine, WidthInPointsIsOneSolidPolyline)
{
    line.m_lHeight = 2;
    EXPECT_EQ(View().DrawCurvedLine(line), 1);
    EXPECT_EQ(Segments(), (Points {{50, 80}, {70, 80}, {70, 80}, {70, 90}}));
    for (const kvrec::Entry* e : Log().Calls("LineTo"))
        EXPECT_EQ(e->penWidth, 3);
}

TEST_F(BentLine, BezierLineIsKeptButNotDrawn)
{
    CKVMsg bezier;
    PagePlace(bezier, MSG_BEZIER, CPoint(10, 20), CPoint(20, 10), CPoint(40, 60));
    EXPECT_EQ(View().DrawBezierLine(bezier), 1);
    EXPECT_TRUE(Log().Entries().empty());
}

// A rest and a tie on a screen-kind raster DC, written as a PNG, read back
// and checked on its pixels.
class TiePicture : public kvtest::RenderTest {
protected:
    kvtest::RenderShape Rendering() const override
    {
        return {.metrics = kvtest::BoxMetrics({{0xB6, 10}, {0xB8, 12}, {0xA7, 4}}), .open = false};
    }
};

TEST_F(TiePicture, TieHangsBelowItsEndsBesideTheRest)
{
    auto dc = kvtest::MakeRasterDC(200, 240, KvRasterKind::Screen);
    Doc().m_CtrlTool.m_dwResolutionX = Doc().m_CtrlTool.m_dwResolutionY = 96;
    Doc().m_bSpacingApplied = 1;
    Doc().m_CtrlTool.m_nK4 = 2;
    Doc().m_CtrlTool.m_wE6 = 0x00FF;
    const kvrec::LiveCounts live = kvrec::LiveObjectCounts();
    ASSERT_EQ(View().KVOpen(dc.get(), &Doc(), 0, 0), 1);
    View().KVSetExpandTimes(100, 100);

    CKVMsg rest;
    kvtest::PlaceOnPage(rest, MSG_REST, CPoint(60, 80), CPoint(0, 0));
    rest.m_wDuration = DUR_QUARTER;
    rest.m_byVoice = 1;
    rest.m_crColor = kRed;
    View().KVSetOrgXY(0, 0);
    EXPECT_EQ(View().DrawRest(rest, 1), 1);
    CKVMsg tie;
    ShapeCurve(tie, MSG_TIE, RGB(0, 0, 0));
    tie.m_wHeadType = 1;
    EXPECT_EQ(View().DrawTie(tie, 100, 200, 180, 10, 10), 1);
    View().KVClose();
    EXPECT_EQ(kvrec::LiveObjectCounts(), live);
    EXPECT_TRUE(kvrec::Warnings().empty());

    const std::string path = kvtest::WritePicture(*dc, "rests-ties.png");
    ASSERT_FALSE(path.empty());
    const kvtest::PngPixels png(path);
    ASSERT_TRUE(png.Ok());
    int restInk = 0;
    bool below = false;
    for (int y = 0; y < png.Height(); ++y) {
        for (int x = 0; x < png.Width(); ++x) {
            if (!png.Ink(x, y))
                continue;
            const bool inRest = x >= 60 && x <= 69 && y >= 64 && y <= 95;
            const bool inTie = x >= 104 && x <= 176 && y >= 200 && y <= 212;
            ASSERT_TRUE(inRest || inTie) << "ink at " << x << ", " << y;
            if (inRest) {
                ++restInk;
                EXPECT_EQ(png.Rgb(x, y), 0xFF0000u) << x << ", " << y; // pure red as 0xRRGGBB
            }
            below = below || (x == 140 && y >= 208 && y <= 210);
        }
    }
    EXPECT_EQ(restInk, 320);
    EXPECT_TRUE(below) << "the middle of the tie does not hang below its ends";
}

// A one-staff block of three measures: a whole rest in the first, a tie from
// the second to the third.
class TieInBlock : public CurveDrawing {};

TEST_F(TieInBlock, BlockDrawsTheRestAndTheWholeTieFromItsStartNote)
{
    CKVMeas* first = Builder().Meas(0, 0);
    Builder().Rest(first, {.x = 0, .code = DUR_WHOLE});
    CKVMsg* a = Builder().Note(Builder().Meas(0, 1), {.x = 128, .y = -16});
    CKVMsg* b = Builder().Note(Builder().Meas(0, 2), {.x = 64, .y = -16});
    CKVMsg* link = Builder().Tie(a, b);
    ShapeCurve(*link, MSG_TIE);
    CKVBlock block;
    block.m_pSystem = Builder().System();
    block.m_pStaffArray->Add(Builder().Staff(0));
    block.m_arrStaffY.Add(40);
    for (int x : {30, 230, 400, 600})
        block.m_arrMeasX.Add(static_cast<WORD>(x));
    block.m_rcBlock = CRect(40, 60, 640, 140);
    block.m_nMeasCount = 3;

    ASSERT_EQ(View().KVDrawBlock(block), 1);
    bool wholeRest = false;
    for (const kvtest::DrawnGlyph& g : kvtest::DrawnGlyphs(Log()))
        wholeRest = wholeRest || std::get<0>(g) == 0xB4;
    EXPECT_TRUE(wholeRest);
    // Drawn once, from the start note: t = 1 gives two strokes of two arcs.
    const std::vector<ArcCall> arcs = Arcs(Log());
    ASSERT_EQ(arcs.size(), 4u);
    EXPECT_EQ(link->m_byCtrlCount, 3);
    EXPECT_EQ(link->m_wHeadType, 0);
    // From the start head to the end head, both in the block.
    const int x1 = arcs[0][4] / 4;
    const int x2 = arcs[1][6] / 4;
    EXPECT_GT(x1, 40 + 230);
    EXPECT_LT(x1, 40 + 400);
    EXPECT_GT(x2, 40 + 400);
    EXPECT_LT(x2, 40 + 600);
}

} // namespace
