// Staff lines on the screen and in print, dashed lines, and the connectors
// at the left of a system: brackets, double brackets and braces, with the
// room they take and where their groups end.

#include "support/SystemDrawing.h"

#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "platform/Backends.h"
#include "platform/Recorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

using kvtest::DeviceGlyphs;
using kvtest::DrawnGlyph;

constexpr COLORREF kRed = 0x000000FF;
constexpr COLORREF kBlue = 0x00FF0000;

// The device y ranges (or x ranges) of the log's lines.
using Span = std::pair<int, int>;

std::vector<Span> LineSpans(kvrec::Recorder& log, bool alongY)
{
    std::vector<Span> spans;
    for (const kvrec::Entry* line : log.Lines()) {
        const POINT a = line->device[0];
        const POINT b = line->device[1];
        spans.emplace_back(alongY ? a.y : a.x, alongY ? b.y : b.x);
    }
    return spans;
}

// The y of each horizontal line of the log, checking that each one runs
// from x 20 to x 600.
std::vector<int> RowsFrom20To600(kvrec::Recorder& log)
{
    std::vector<int> ys;
    for (const kvrec::Entry* line : log.Lines()) {
        EXPECT_EQ(line->device[0].x, 20);
        EXPECT_EQ(line->device[1].x, 600);
        EXPECT_EQ(line->device[0].y, line->device[1].y);
        ys.push_back(line->device[0].y);
    }
    return ys;
}

class StaffLines : public kvtest::SystemDrawingTest {};
class PrintedStaffLines : public kvtest::PrintedSystemDrawingTest {};

TEST_F(StaffLines, ScreenStavesArePenLinesOfTheirKindAndSize)
{
    struct Case {
        BYTE kind;
        BYTE lines;
        WORD percent;
        std::vector<int> ys;
    };
    for (const Case& c : {Case {1, 5, 100, {68, 76, 84, 92, 100}}, Case {1, 3, 100, {84, 92, 100}},
                          Case {3, 5, 100, {84}}, Case {1, 5, 75, {76, 82, 88, 94, 100}},
                          Case {5, 6, 100, {60, 68, 76, 84, 92, 100}}}) {
        Log().Clear();
        EXPECT_EQ(View().Draw5Line(20, 600, 100, kBlue, c.kind, 16, c.percent, c.lines), 1);
        EXPECT_EQ(RowsFrom20To600(Log()), c.ys) << int(c.kind) << " " << c.percent;
        for (const kvrec::Entry* line : Log().Lines()) {
            EXPECT_EQ(line->penWidth, 0);
            EXPECT_EQ(line->penColour, kBlue);
        }
    }
}

TEST_F(StaffLines, DashedStaffEndsExactlyAtItsRightEnd)
{
    View().Draw5Line(20, 600, 100, 0, 4, 16, 100, 5);
    const std::vector<Span> xs = LineSpans(Log(), false);
    ASSERT_EQ(xs.size(), 97u);
    EXPECT_EQ(xs[0], Span(20, 24));
    EXPECT_EQ(xs[1], Span(26, 30));
    EXPECT_EQ(xs[95], Span(590, 594));
    EXPECT_EQ(xs[96], Span(596, 600));
    for (const kvrec::Entry* line : Log().Lines())
        EXPECT_EQ(line->device[0].y, 84);

    // Shorter than one dash: one line.
    Log().Clear();
    View().Draw5Line(20, 23, 100, 0, 4, 16, 100, 5);
    EXPECT_EQ(LineSpans(Log(), false), (std::vector<Span> {{20, 23}}));
}

TEST_F(PrintedStaffLines, PrintedStaffIsARowOfStaffGlyphsFlushWithBothEnds)
{
    View().Draw5Line(20, 600, 100, kBlue, 1, 16, 100, 3);
    const std::vector<kvrec::GlyphHit> hits = Log().Glyphs();
    ASSERT_EQ(hits.size(), 65u);
    for (size_t i = 0; i < hits.size(); ++i) {
        EXPECT_EQ(hits[i].code, 0x3D);
        EXPECT_EQ(hits[i].device.x, i + 1 < hits.size() ? 20 + 9 * static_cast<int>(i) : 590);
        EXPECT_EQ(hits[i].device.y, 100);
        EXPECT_EQ(hits[i].colour, kBlue);
    }
    EXPECT_TRUE(Log().Lines().empty());
    EXPECT_EQ(Dc().GetTextColor(), 0u);

    Log().Clear();
    View().Draw5Line(20, 600, 100, 0, 5, 16, 100, 5);
    EXPECT_EQ(RowsFrom20To600(Log()), (std::vector<int> {68, 76, 84, 92, 100}));
    EXPECT_TRUE(Log().Glyphs().empty());

    Log().Clear();
    View().Draw5Line(20, 600, 100, 0, 3, 16, 100, 5);
    ASSERT_FALSE(Log().Glyphs().empty());
    EXPECT_EQ(DeviceGlyphs(Log()).front(), DrawnGlyph(0x3C, 20, 84));

    // The dashed staff is dashed in print too, two unscaled gaps up.
    Log().Clear();
    View().Draw5Line(20, 600, 100, 0, 4, 16, 75, 5);
    EXPECT_EQ(Log().Lines().size(), 97u);
    EXPECT_EQ(Log().Lines().front()->device[0].y, 84);
}

TEST_F(PrintedStaffLines, SmallerStaffIsPrintedWithAFontOfItsOwn)
{
    View().Draw5Line(20, 600, 100, 0, 1, 16, 75, 5);
    const std::vector<const kvrec::Entry*> texts = Log().Texts();
    ASSERT_FALSE(texts.empty());
    for (const kvrec::Entry* text : texts)
        EXPECT_EQ(text->font.lfHeight, -24);
    // The fixture's tear-down checks that the font was deleted again.
}

TEST_F(PrintedStaffLines, FaceWithoutTheStaffGlyphFallsBackToPenLines)
{
    kvtest::MusicMetrics metrics = kvtest::SystemMetrics();
    metrics[0x3D].advance = 0;
    kvtest::UseMusicTestMetrics(&metrics);
    EXPECT_EQ(View().Draw5Line(20, 600, 100, 0, 1, 16, 100, 5), 1);
    EXPECT_EQ(RowsFrom20To600(Log()), (std::vector<int> {68, 76, 84, 92, 100}));
    EXPECT_TRUE(Log().Glyphs().empty());
}

TEST_F(StaffLines, DashedLinesRunAlongTheLongerAxisAtQuarterDots)
{
    View().DrawThickDash(100, 200, 100, 168, 0, 1);
    EXPECT_EQ(LineSpans(Log(), true),
              (std::vector<Span> {{168, 172}, {174, 178}, {180, 184}, {186, 190}, {192, 196}, {198, 200}}));
    for (const kvrec::Entry* line : Log().Lines()) {
        EXPECT_EQ(line->windowExt.cx, 400);
        EXPECT_EQ(line->device[0].x, 100);
    }
    EXPECT_EQ(Dc().GetWindowExt(), CSize(100, 100));
    EXPECT_EQ(Dc().GetViewportExt(), CSize(100, 100));

    Log().Clear();
    View().DrawThickDash(100, 100, 100, 100, 0, 1);
    EXPECT_TRUE(Log().Entries().empty());

    View().DrawThickDash(0, 0, 40, 40, 0, 1);
    const std::vector<const kvrec::Entry*> lines = Log().Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(CPoint(lines[0]->device[0]), CPoint(0, 0));
    EXPECT_EQ(CPoint(lines[0]->device[1]), CPoint(4, 4));
    EXPECT_EQ(CPoint(lines[1]->device[0]), CPoint(6, 6));
    EXPECT_EQ(CPoint(lines.back()->device[1]), CPoint(40, 40));
}

TEST_F(PrintedStaffLines, PrintedDashesKeepTheExtents)
{
    View().DrawThickDash(100, 200, 100, 168, 0, 1);
    EXPECT_EQ(LineSpans(Log(), true),
              (std::vector<Span> {{168, 172}, {174, 178}, {180, 184}, {186, 190}, {192, 196}, {198, 200}}));
    for (const kvrec::Entry* line : Log().Lines())
        EXPECT_EQ(line->windowExt.cx, 100);
    EXPECT_TRUE(Log().Calls("SetWindowExtEx").empty());
}

TEST_F(StaffLines, BracketPiecesOverlapAndShortBracketsShrink)
{
    View().DrawBracket(56, 68, 100, kRed);
    EXPECT_EQ(DeviceGlyphs(Log()), (std::vector<DrawnGlyph> {
                                       {0x3F, 56, 100}, {0x3F, 56, 100}, {0x46, 56, 68}, {0x47, 56, 100}}));
    for (const kvrec::GlyphHit& hit : Log().Glyphs())
        EXPECT_EQ(hit.colour, kRed);
    EXPECT_EQ(Dc().GetTextColor(), 0u);

    Log().Clear();
    View().DrawBracket(56, 68, 260, 0);
    std::vector<int> ys;
    for (const auto& [code, x, y] : DeviceGlyphs(Log()))
        if (code == 0x3F)
            ys.push_back(y);
    EXPECT_EQ(ys, (std::vector<int> {100, 131, 162, 193, 224, 255, 260}));

    Log().Clear();
    View().DrawBracket(56, 90, 106, 0);
    EXPECT_EQ(DeviceGlyphs(Log()), (std::vector<DrawnGlyph> {
                                       {0x3F, 56, 106}, {0x3F, 56, 106}, {0x46, 56, 90}, {0x47, 56, 106}}));
    EXPECT_EQ(Log().Texts().front()->font.lfHeight, -16);

    // A one-dot span still advances; an upside-down one draws nothing.
    Log().Clear();
    View().DrawBracket(56, 68, 69, 0);
    EXPECT_EQ(DeviceGlyphs(Log()),
              (std::vector<DrawnGlyph> {{0x3F, 56, 69}, {0x3F, 56, 69}, {0x46, 56, 68}, {0x47, 56, 69}}));
    Log().Clear();
    EXPECT_EQ(View().DrawBracket(56, 68, 63, 0), 1);
    EXPECT_TRUE(Log().Entries().empty());
}

TEST_F(StaffLines, DoubleBracketOnTheScreenIsAnOpenFrame)
{
    View().DrawDoubleBracket(50, 68, 180, kRed);
    const std::vector<const kvrec::Entry*> lines = Log().Lines();
    ASSERT_EQ(lines.size(), 3u);
    const std::vector<std::pair<CPoint, CPoint>> expected = {
        {{66, 68}, {50, 68}}, {{50, 68}, {50, 180}}, {{50, 180}, {66, 180}}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(CPoint(lines[i]->device[0]), expected[i].first);
        EXPECT_EQ(CPoint(lines[i]->device[1]), expected[i].second);
        EXPECT_EQ(lines[i]->penColour, kRed);
    }
}

TEST_F(PrintedStaffLines, PrintedDoubleBracketIsDrawnWithGlyphs)
{
    View().DrawDoubleBracket(50, 68, 180, 0);
    const std::vector<DrawnGlyph> glyphs = DeviceGlyphs(Log());
    ASSERT_GE(glyphs.size(), 3u);
    EXPECT_EQ(glyphs[glyphs.size() - 2], DrawnGlyph(0xCB, 50, 68));
    EXPECT_EQ(glyphs.back(), DrawnGlyph(0xCB, 50, 180));
    for (size_t i = 0; i + 2 < glyphs.size(); ++i)
        EXPECT_EQ(std::get<0>(glyphs[i]), 0x3E);
    EXPECT_TRUE(Log().Lines().empty());

    // A short one keeps the full-size glyphs, and an empty span draws none.
    Log().Clear();
    View().DrawDoubleBracket(50, 90, 91, 0);
    EXPECT_EQ(Log().Texts().front()->font.lfHeight, -32);
    Log().Clear();
    View().DrawDoubleBracket(50, 90, 90, 0);
    EXPECT_TRUE(Log().Entries().empty());
}

class Brace : public kvtest::SystemDrawingTest {
protected:
    void ExpectBrace(const char* what)
    {
        const std::vector<const kvrec::Entry*> calls =
            CallsOf({"BeginPath", "PolyBezier", "EndPath", "FillPath"});
        const std::vector<std::string> order = {"BeginPath", "PolyBezier", "EndPath", "FillPath", "PolyBezier"};
        ASSERT_EQ(calls.size(), 10u) << what;
        const std::vector<std::vector<CPoint>> halves = {
            {{100, 68}, {71, 87}, {116, 122}, {86, 149}, {112, 132}, {65, 91}, {100, 68}},
            {{86, 149}, {116, 177}, {71, 212}, {100, 231}, {65, 208}, {112, 167}, {86, 149}}};
        for (size_t i = 0; i < calls.size(); ++i) {
            EXPECT_EQ(calls[i]->call, order[i % 5]) << what << " " << i;
            EXPECT_EQ(calls[i]->brushStyle, UINT(BS_SOLID));
            EXPECT_EQ(calls[i]->brushColour, kRed);
            EXPECT_EQ(calls[i]->penWidth, 0);
            EXPECT_EQ(calls[i]->penColour, kRed);
            if (calls[i]->call == "PolyBezier") {
                EXPECT_EQ(std::vector<CPoint>(calls[i]->device.begin(), calls[i]->device.end()), halves[i / 5])
                    << what << " " << i;
            }
        }
    }
};

TEST_F(Brace, BraceIsTwoFilledBezierHalvesScaledToItsHeight)
{
    EXPECT_EQ(View().DrawBrace(100, 68, 231, kRed), 1);
    ExpectBrace("stored shape");

    // A shape word W0 of 0 would divide by zero: the default shape is used.
    Log().Clear();
    CKVCtrlTool& tool = Doc().m_CtrlTool;
    tool.m_wBrace1 = 0;
    tool.m_wL9 = 7;
    View().DrawBrace(100, 68, 231, kRed);
    ExpectBrace("W0 of 0");
}

// A block at (40, 60) of the fixture's three staves, with the pass origin
// at that corner as block drawing sets it.
class Connectors : public kvtest::SystemDrawingTest {
protected:
    kvtest::ScoreShape Shape() override { return {.lineSpacing = 8, .staves = 3}; }
    void SetUp() override
    {
        SystemDrawingTest::SetUp();
        m_block.m_rcBlock = CRect(40, 60, 640, 300);
        for (int i = 0; i < 3; ++i) {
            m_block.AddStaff(Builder().Staff(i));
            m_block.m_arrStaffY.SetAt(i, static_cast<WORD>(40 + 80 * i));
        }
        m_block.m_arrMeasX.Add(30);
        m_block.m_arrMeasX.Add(600);
        View().KVSetOrgXY(40, 60);
    }
    void Group(int first, int last, BYTE bit)
    {
        Builder().Staff(first)->m_byGroupBracket[0] |= bit;
        Builder().Staff(last)->m_byGroupBracket[1] |= bit;
    }
    // The brace's right edge, top and bottom, from its recorded halves.
    std::vector<CPoint> BraceEnds()
    {
        const std::vector<const kvrec::Entry*> curves = Log().Calls("PolyBezier");
        if (curves.size() < 3)
            return {};
        return {curves[0]->device[0], curves[2]->device[3]};
    }
    CKVBlock m_block;
};

TEST_F(Connectors, BraceStandsHalfAGapLeftOfTheFirstBoundary)
{
    Group(0, 1, 4);
    EXPECT_EQ(View().DrawConnect(m_block, 0), 4);
    Log().Clear();
    EXPECT_EQ(View().DrawConnect(m_block, 1), 1);
    EXPECT_EQ(BraceEnds(), (std::vector<CPoint> {{66, 68}, {66, 180}}));
}

TEST_F(Connectors, BraceInsideAnOpenBracketMakesRoomForBoth)
{
    Group(0, 2, 2);
    Group(1, 2, 4);
    Doc().m_CtrlTool.m_dwD[0] = kBlue;
    EXPECT_EQ(View().DrawConnect(m_block, 0), 18);
    Log().Clear();
    View().DrawConnect(m_block, 1);
    EXPECT_EQ(BraceEnds(), (std::vector<CPoint> {{52, 148}, {52, 260}}));
    const std::vector<DrawnGlyph> glyphs = DeviceGlyphs(Log());
    ASSERT_GE(glyphs.size(), 2u);
    EXPECT_EQ(glyphs[glyphs.size() - 2], DrawnGlyph(0x46, 56, 68));
    EXPECT_EQ(glyphs.back(), DrawnGlyph(0x47, 56, 260));
    // Each connector takes the colour of its first staff.
    EXPECT_EQ(Log().Glyphs().front().colour, kBlue);
    EXPECT_EQ(Log().Calls("PolyBezier").front()->penColour, 0u);
}

TEST_F(Connectors, UngroupedStavesDrawNothing)
{
    EXPECT_EQ(View().DrawConnect(m_block, 0), 0);
    EXPECT_EQ(View().DrawConnect(m_block, 1), 1);
    EXPECT_TRUE(Log().Entries().empty()) << Log().Dump();
}

TEST_F(Connectors, OneLineFirstStaffStartsItsGroupTwoGapsUp)
{
    Group(0, 1, 2);
    Builder().Staff(0)->m_byStaffKind = 3;
    View().DrawConnect(m_block, 1);
    const std::vector<DrawnGlyph> glyphs = DeviceGlyphs(Log());
    ASSERT_GE(glyphs.size(), 2u);
    EXPECT_EQ(glyphs[glyphs.size() - 2], DrawnGlyph(0x46, 56, 84));
}

TEST_F(Connectors, ConnectorsGiveUpWhenTheirWorkArrayCannotBeMade)
{
    Group(0, 1, 4);
    KvFailAllocationAfter(1);
    EXPECT_EQ(View().DrawConnect(m_block, 1), -1);
    EXPECT_TRUE(Log().Entries().empty());
}

TEST_F(Connectors, GroupsEndAtTheLastStaffAnEndFlagOrAGapInTheSystem)
{
    CKVDoc& doc = Doc();
    EXPECT_EQ(doc.IsConnectStaffEnd(m_block, 2, 0), 1);
    EXPECT_EQ(doc.IsConnectStaffEnd(m_block, 0, 2), 0);
    Builder().Staff(0)->m_byGroupBracket[1] = 2;
    EXPECT_EQ(doc.IsConnectStaffEnd(m_block, 0, 2), 1);
    EXPECT_EQ(doc.IsConnectStaffEnd(m_block, 0, 4), 0);
    Builder().Staff(0)->m_byGroupBracket[1] = 0;

    // A block that shows system staves 0 and 2: the hidden staff 1 carries
    // the group on only with a middle (or end) bit.
    CKVBlock sparse;
    sparse.AddStaff(Builder().Staff(0));
    sparse.AddStaff(Builder().Staff(2));
    Builder().Staff(0)->m_byGroupBracket[0] = 2;
    EXPECT_EQ(doc.IsConnectStaffEnd(sparse, 0, 2), 1);
    Builder().Staff(1)->m_byGroupBracket[2] = 2;
    EXPECT_EQ(doc.IsConnectStaffEnd(sparse, 0, 2), 0);
    Builder().Staff(1)->m_byGroupBracket[0] = 2;
    EXPECT_EQ(doc.IsConnectStaffEnd(sparse, 0, 2), 1);

    // An ossia block looks at its next staff only.
    sparse.m_byKind = CKVBlock::KIND_OSSIA;
    EXPECT_EQ(doc.IsConnectStaffEnd(sparse, 0, 2), 1);
    Builder().Staff(2)->m_byGroupBracket[2] = 2;
    EXPECT_EQ(doc.IsConnectStaffEnd(sparse, 0, 2), 0);
}

} // namespace

class ManyStaves : public kvtest::SystemDrawingTest {
protected:
    kvtest::ScoreShape Shape() override { return {.lineSpacing = 8, .staves = 66}; }
};

TEST_F(ManyStaves, StaffPastTheColourTableIsBlack)
{
    CKVBlock block;
    for (int i = 0; i < 66; ++i)
        block.AddStaff(Builder().Staff(i));
    block.m_arrMeasX.Add(30);
    CKVCtrlTool& tool = Doc().m_CtrlTool;
    tool.m_dwD[63] = kBlue;
    tool.m_dwW1 = kRed; // the word after the table
    Builder().Staff(63)->m_byGroupBracket[0] = 2;
    Builder().Staff(63)->m_byGroupBracket[1] = 2;
    Builder().Staff(64)->m_byGroupBracket[0] = 2;
    Builder().Staff(65)->m_byGroupBracket[1] = 2;
    View().DrawConnect(block, 1);
    std::vector<COLORREF> colours;
    for (const kvrec::GlyphHit& hit : Log().Glyphs())
        if (hit.code == 0x46)
            colours.push_back(hit.colour);
    EXPECT_EQ(colours, (std::vector<COLORREF> {kBlue, 0}));
}

// Three staves with a bracket over all of them and a brace over the lower
// two, and bar lines of every kind, drawn with the real music stand-in.
class StaffPicture : public kvtest::RenderTest {
protected:
    kvtest::ScoreShape Shape() override { return {.lineSpacing = 8, .staves = 3}; }
    kvtest::RenderShape Rendering() const override { return {.metrics = std::nullopt, .open = false}; }
};

TEST_F(StaffPicture, ConnectorsStaffLinesAndBarLinesLookRight)
{
    auto dc = kvtest::MakeRasterDC(700, 300, KvRasterKind::Page);
    KvSetRecording(dc->m_hDC, true);
    Doc().m_CtrlTool.m_dwResolutionX = Doc().m_CtrlTool.m_dwResolutionY = 96;
    Doc().m_bSpacingApplied = 1;
    Doc().m_CtrlTool.m_dwD[1] = kBlue;
    ASSERT_EQ(View().KVOpen(dc.get(), &Doc(), 0, 0), 1);
    View().KVSetExpandTimes(100, 100);
    View().KVSetOrgXY(40, 20);

    CKVBlock block;
    for (int i = 0; i < 3; ++i) {
        block.AddStaff(Builder().Staff(i));
        block.m_arrStaffY.SetAt(i, static_cast<WORD>(60 + 80 * i));
    }
    block.m_arrMeasX.Add(40);
    Builder().Staff(0)->m_byGroupBracket[0] = 2;
    Builder().Staff(2)->m_byGroupBracket[1] = 2 | 4;
    Builder().Staff(1)->m_byGroupBracket[0] = 4;
    EXPECT_EQ(View().DrawConnect(block, 1), 1);
    const BYTE bars[][2] = {{2, 2}, {4, 3}, {16, 6}, {1, 4}};
    for (int i = 0; i < 3; ++i) {
        const WORD y = block.m_arrStaffY.GetAt(i);
        View().Draw5Line(40, 620, y, i == 1 ? kBlue : 0, 1, 16, 100, 5);
        CKVMeas* meas = Builder().Meas(i, 0);
        meas->m_nStaffY = static_cast<short>(y);
        View().m_crBarLine = i == 1 ? kBlue : 0;
        // Staves 1 and 2 join staff 0's bar lines: the group top is one dot
        // above staff 0's bottom line.
        View().m_lBarClipTop = i == 0 ? -1 : 20 + 60 - 1;
        for (int c = 0; c < 4; ++c) {
            meas->m_nLeftX = static_cast<short>(40 + 145 * c);
            meas->m_byStartBar = bars[c][0];
            meas->m_byEndBar = bars[c][1];
            View().DrawBarLine(*meas, 100, static_cast<short>(40 + 145 * (c + 1)), c == 0 ? 1 : 0);
        }
    }
    View().KVClose();

    // The bracket's hooks reach about a gap beyond the outer staff lines.
    const kvtest::InkCount ink = kvtest::CountInk(*dc, RECT {20, 30, 665, 255});
    EXPECT_GT(ink.inside, 0);
    EXPECT_EQ(ink.outside, 0);
    // The brace lies left of the bracket, in its first staff's blue.
    int braceInk = 0;
    for (int y = 130; y < 230; ++y) {
        for (int x = 40; x < 70; ++x) {
            const COLORREF c = dc->GetPixel(x, y);
            braceInk += GetBValue(c) - std::max(GetRValue(c), GetGValue(c)) >= 64;
        }
    }
    EXPECT_GT(braceInk, 100);
    EXPECT_FALSE(kvtest::WritePicture(*dc, "staff-connectors.png").empty());
}
