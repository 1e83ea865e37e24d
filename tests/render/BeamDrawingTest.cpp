// Beam groups: the beam layout, the beams drawn on the fine screen grid and
// on a printer, stems cut to the beams, the group's handles, the layout
// without drawing, and groups that files can hold but editing never makes.

#include "support/RenderSupport.h"

#include "document/KVCtrlTool.h"
#include "model/KVCtrlPoint.h"
#include "platform/Recorder.h"
#include "render/BeamGeometry.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Glyph = kvtest::DrawnGlyph;

std::vector<CPoint> Corners(const kvrec::Entry* entry)
{
    return std::vector<CPoint>(entry->logical.begin(), entry->logical.end());
}

class BeamDrawing : public kvtest::RenderTest {
protected:
    kvtest::RenderShape Rendering() const override
    {
        return kvtest::RenderShape {.metrics = kvtest::BoxMetrics({{0xA7, 4}})};
    }
    void SetUp() override
    {
        RenderTest::SetUp();
        m_meas = Builder().Meas(0, 0);
        m_meas->m_nRealWidth = 262;
        m_meas->m_nHeaderWidth = 0;
        View().KVSetOrgXY(0, 100);
        m_gdi = kvrec::LiveObjectCounts();
    }
    void TearDown() override
    {
        EXPECT_EQ(kvrec::LiveObjectCounts(), m_gdi);
        EXPECT_TRUE(kvrec::Warnings().empty()) << kvrec::Warnings().front();
        RenderTest::TearDown();
    }
    // A group at heights -44 over notes of these codes at 16, 48, 80, ...
    // (vertical -16), each with its flags.
    CKVMsg* Group(const std::vector<BYTE>& codes, const std::vector<WORD>& flags = {}, BYTE voice = 1)
    {
        CKVMsg* group = Builder().Beam(m_meas, {.x = 16, .voice = voice});
        group->m_nPosY = -44;
        group->m_nPosY2 = -44;
        group->m_nPosX2 = static_cast<short>(16 + 32 * (codes.size() - 1));
        group->m_crColor = 0x00112233;
        for (size_t i = 0; i < codes.size(); ++i) {
            const WORD flag = i < flags.size() ? flags[i] : 0;
            CKVMsg* note = Builder().Note(
                group, {.x = static_cast<short>(16 + 32 * i), .y = -16, .code = codes[i], .voice = voice, .flags = flag});
            note->m_wHeadType = 1;
            note->m_crColor = 0x00112233;
            m_notes.push_back(note);
        }
        return group;
    }
    // The layout of the group's notes as the drawer lays it out on screen.
    std::vector<BeamSegment> Layout(const std::vector<CKVMsg*>& notes, int percent = 100)
    {
        CBeamGeometry geometry;
        geometry.m_y1 = -44 * percent / 100.0;
        geometry.m_y2 = -44 * percent / 100.0;
        for (CKVMsg* note : notes)
            geometry.AddNote(note);
        BeamDrawParams params;
        params.xScale = 256;
        params.percent = percent;
        geometry.BuildSegments(params);
        std::vector<BeamSegment> segments;
        for (int i = 0; i < geometry.SegmentCount(); ++i)
            segments.push_back(geometry.SegmentAt(i));
        return segments;
    }
    std::vector<int> StemLengths()
    {
        std::vector<int> lengths;
        for (const kvrec::Entry* line : Log().Calls("LineTo"))
            lengths.push_back(line->logical.back().y - line->logical.front().y);
        return lengths;
    }
    std::vector<int> Reaches()
    {
        std::vector<int> reaches;
        for (CKVMsg* note : m_notes)
            reaches.push_back(note->m_nLayout1);
        return reaches;
    }

    CKVMeas* m_meas = nullptr;
    std::vector<CKVMsg*> m_notes;
    kvrec::LiveCounts m_gdi;
};

constexpr BYTE k8 = DUR_EIGHTH;
constexpr BYTE k16 = DUR_16TH;
constexpr BYTE k32 = DUR_32ND;

void ExpectSegment(const BeamSegment& s, int x1, int x2, double y)
{
    EXPECT_EQ(s.x1, x1);
    EXPECT_EQ(s.x2, x2);
    EXPECT_DOUBLE_EQ(s.y1, y);
    EXPECT_DOUBLE_EQ(s.y2, y);
}

TEST_F(BeamDrawing, ThirtySecondsGetTwoLevelsBrokenWhereTheSecondLevelBreaks)
{
    Group({k32, k32, k32, k32}, {0, 0, MSGFLAG_SUBBEAM_BREAK1, 0});
    const std::vector<BeamSegment> segments = Layout(m_notes);
    ASSERT_EQ(segments.size(), 4u);
    ExpectSegment(segments[0], 26, 122, -42.0); // the centre line of the primary beam
    ExpectSegment(segments[1], 26, 122, -36.0);
    ExpectSegment(segments[2], 26, 58, -30.0);
    ExpectSegment(segments[3], 90, 122, -30.0);
}

TEST_F(BeamDrawing, BeamsAreFineGridBandsAndStemsStopAtTheBeamEdge)
{
    CKVMsg* group = Group({k32, k32, k32, k32}, {0, 0, MSGFLAG_SUBBEAM_BREAK1, 0});
    EXPECT_EQ(View().DrawBeam(*group), 1);

    const std::vector<const kvrec::Entry*> bands = Log().Calls("Polygon");
    ASSERT_EQ(bands.size(), 4u);
    const std::vector<std::vector<CPoint>> expected = {
        {{104, 224}, {104, 239}, {487, 239}, {487, 224}},
        {{104, 248}, {104, 263}, {487, 263}, {487, 248}},
        {{104, 272}, {104, 287}, {231, 287}, {231, 272}},
        {{360, 272}, {360, 287}, {487, 287}, {487, 272}},
    };
    for (size_t i = 0; i < bands.size(); ++i) {
        EXPECT_EQ(Corners(bands[i]), expected[i]) << i;
        EXPECT_EQ(CSize(bands[i]->windowExt), CSize(400, 400));
        EXPECT_EQ(bands[i]->penWidth, 0);
        EXPECT_EQ(bands[i]->brushColour, 0x00112233u);
    }
    EXPECT_EQ(Dc().GetWindowExt(), CSize(100, 100));

    std::vector<Glyph> heads;
    for (const Glyph& g : kvtest::DrawnGlyphs(Log()))
        heads.push_back(g);
    EXPECT_EQ(heads, (std::vector<Glyph> {{0xD9, 26, 84}, {0xD9, 58, 84}, {0xD9, 90, 84}, {0xD9, 122, 84}}));
    EXPECT_EQ(Log().Texts().front()->align, static_cast<UINT>(TA_BASELINE | TA_RIGHT));
    EXPECT_EQ(Reaches(), (std::vector<int> {-28, -28, -28, -28}));
    EXPECT_EQ(StemLengths(), (std::vector<int> {-28, -27, -27, -28})); // inner stems a dot short

    ASSERT_GE(group->m_arrCtrlPoint.GetSize(), 3);
    const std::vector<CRect> handles = {{54, -4, 62, 4}, {6, -4, 14, 4}, {102, -4, 110, 4}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(group->m_arrCtrlPoint.GetAt(i)->m_rect, handles[static_cast<size_t>(i)]) << i;
        EXPECT_EQ(group->m_arrCtrlPoint.GetAt(i)->m_wKind, 11);
    }
    EXPECT_EQ(group->m_nPosX, 16);
    EXPECT_EQ(group->m_nPosX2, 112);
    EXPECT_EQ(View().m_bInBeam, 0);
}

TEST_F(BeamDrawing, PartialBeamsPointTowardsTheLongerNeighbourAndBreaksSplitLevels)
{
    struct Case {
        std::vector<BYTE> codes;
        std::vector<WORD> flags;
        size_t level;   // index of the segment looked at
        size_t count;   // segments in all
        int x1, x2;
    };
    const std::vector<Case> cases = {
        {{k16, k32, k8}, {}, 2, 3, 58, 50},
        {{k16, k32, k16}, {}, 2, 3, 58, 66},
        {{k8, k16}, {}, 1, 2, 58, 50},
        {{k16, k32, k16}, {0, MSGFLAG_TAIL, 0}, 2, 3, 58, 50},
        {{k16, k16, k16, k16}, {0, 0, MSGFLAG_SUBBEAM_BREAK, 0}, 1, 3, 26, 58},
    };
    for (const Case& c : cases) {
        m_notes.clear();
        Group(c.codes, c.flags);
        const std::vector<BeamSegment> segments = Layout(m_notes);
        ASSERT_EQ(segments.size(), c.count) << c.codes.size();
        EXPECT_EQ(segments[c.level].x1, c.x1) << int(c.codes[1]);
        EXPECT_EQ(segments[c.level].x2, c.x2) << int(c.codes[1]);
    }

    m_notes.clear();
    EXPECT_EQ(View().DrawBeam(*Group({k16, k32, k8})), 1);
    const std::vector<const kvrec::Entry*> bands = Log().Calls("Polygon");
    ASSERT_EQ(bands.size(), 3u);
    EXPECT_EQ(Corners(bands[2]), (std::vector<CPoint> {{200, 272}, {200, 287}, {231, 287}, {231, 272}}));
}

TEST_F(BeamDrawing, SubBeamsStayOnTheStemSideOfAReducedStaff)
{
    // At 50 percent the line is at -22 and the notes at -15: below it.
    Group({k16, k16});
    for (CKVMsg* note : m_notes)
        note->m_nPosY = -30; // -15 when scaled, still below the line
    const std::vector<BeamSegment> segments = Layout(m_notes, 50);
    ASSERT_EQ(segments.size(), 2u);
    EXPECT_GT(segments[1].y1, segments[0].y1);
}

class PrintedBeam : public BeamDrawing {
protected:
    kvtest::RenderShape Rendering() const override
    {
        return kvtest::RenderShape {.printing = true, .metrics = kvtest::BoxMetrics({{0xA7, 4}})};
    }
};

TEST_F(PrintedBeam, IsDrawnInLogicalUnits)
{
    EXPECT_EQ(View().DrawBeam(*Group({DUR_EIGHTH, DUR_EIGHTH})), 1);
    const std::vector<const kvrec::Entry*> bands = Log().Calls("Polygon");
    ASSERT_EQ(bands.size(), 1u);
    EXPECT_EQ(Corners(bands[0]), (std::vector<CPoint> {{26, 56}, {26, 59}, {57, 59}, {57, 56}}));
    EXPECT_EQ(CSize(bands[0]->windowExt), CSize(100, 100));
}

TEST_F(BeamDrawing, AdjustingLaysOutTheStemsWithoutDrawingAndLeavesTheViewAsItWas)
{
    CKVMsg* group = Group({k32, k32, k32, k32});
    View().m_pDC->SetTextAlign(TA_TOP);
    View().m_nSizePercent = 100;
    const short gap = View().m_nStaffSpace;
    View().AdjustBeam(*group);
    EXPECT_EQ(Reaches(), (std::vector<int> {-28, -28, -28, -28}));
    EXPECT_TRUE(Log().Texts().empty());
    EXPECT_TRUE(Log().Shapes().empty());
    EXPECT_TRUE(Log().Lines().empty());
    EXPECT_EQ(Dc().GetTextAlign(), static_cast<UINT>(TA_TOP));
    EXPECT_EQ(View().m_nStaffSpace, gap);
    EXPECT_EQ(View().m_nSizePercent, 100);
    EXPECT_EQ(View().m_bInBeam, 0);
}

TEST_F(BeamDrawing, LoneMembersHiddenVoicesAndRestsInsideAGroup)
{
    CKVMsg* lone = Group({DUR_EIGHTH});
    m_notes[0]->m_crColor = 0x000000FF;
    EXPECT_EQ(View().DrawBeam(*lone), 1);
    ASSERT_FALSE(Log().Texts().empty());
    EXPECT_EQ(Log().Texts().front()->textColour, 0x00112233u);
    EXPECT_EQ(m_notes[0]->m_crColor, 0x000000FFu);
    EXPECT_TRUE(Log().Calls("Polygon").empty());

    Log().Clear();
    m_notes.clear();
    Doc().m_CtrlTool.m_wE6 = 0x02FF;
    Doc().m_CtrlTool.m_wActiveVoice = 0;
    EXPECT_EQ(View().DrawBeam(*Group({k16, k16}, {}, 2)), 1);
    EXPECT_TRUE(Log().Calls("Polygon").empty());
    EXPECT_TRUE(Log().Texts().empty());

    Log().Clear();
    m_notes.clear();
    Doc().m_CtrlTool.m_wE6 = 0x00FF;
    CKVMsg* group = Group({k16, k16});
    Builder().Rest(group, {.x = 80, .y = -16, .code = DUR_QUARTER});
    EXPECT_EQ(View().DrawBeam(*group), 1);
    const std::vector<const kvrec::Entry*> texts = Log().Texts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.front()->glyphs, std::vector<int> {0xB6});
    const std::vector<const kvrec::Entry*> stems = Log().Calls("LineTo");
    ASSERT_FALSE(stems.empty());
    EXPECT_LT(texts.front()->seq, stems.front()->seq);
}

TEST_F(BeamDrawing, GroupsFromFilesBeyondWhatEditingMakesAreDrawnSafely)
{
    // More notes than the layout's former fixed capacity (positions past
    // the measure's end are what a damaged file can hold).
    std::vector<BYTE> codes(300, k16);
    CKVMsg* big = Builder().Beam(m_meas, {.x = 0});
    big->m_nPosY = big->m_nPosY2 = -44;
    for (int i = 0; i < 300; ++i) {
        CKVMsg* note = Builder().Note(big, {.x = static_cast<short>(i), .y = -16, .code = k16});
        ASSERT_NE(note, nullptr);
        note->m_nLayout1 = 999;
        m_notes.push_back(note);
    }
    ASSERT_EQ(codes.size(), m_notes.size());
    EXPECT_EQ(Layout(m_notes).size(), 2u);
    EXPECT_EQ(View().DrawBeam(*big), 1);
    for (CKVMsg* note : m_notes)
        ASSERT_EQ(note->m_nLayout1, -28);

    // Both end notes at one place: the beam line has no width.
    Log().Clear();
    m_notes.clear();
    CKVMsg* narrow = Group({k16, k16});
    m_notes[1]->m_nPosX = 16;
    narrow->m_nPosY2 = -40;
    EXPECT_EQ(View().DrawBeam(*narrow), 1);
    EXPECT_EQ(Log().Calls("Polygon").size(), 2u);

    // Only rests: drawn, and no beam.
    Log().Clear();
    CKVMsg* rests = Builder().Beam(m_meas, {.x = 160});
    for (short x : {160, 192, 224})
        Builder().Rest(rests, {.x = x, .y = -16, .code = DUR_EIGHTH});
    EXPECT_EQ(View().DrawBeam(*rests), 1);
    EXPECT_EQ(Log().Texts().size(), 3u);
    EXPECT_TRUE(Log().Calls("Polygon").empty());

    // A group holding one handle gets the three it needs.
    m_notes.clear();
    CKVMsg* group = Group({k16, k16});
    while (group->m_arrCtrlPoint.GetSize() > 1) {
        delete group->m_arrCtrlPoint.GetAt(group->m_arrCtrlPoint.GetSize() - 1);
        group->m_arrCtrlPoint.RemoveAt(group->m_arrCtrlPoint.GetSize() - 1);
    }
    if (group->m_arrCtrlPoint.GetSize() == 0)
        group->m_arrCtrlPoint.Add(new CKVCtrlPoint);
    group->m_byCtrlCount = 1;
    EXPECT_EQ(View().DrawBeam(*group), 1);
    EXPECT_EQ(group->m_arrCtrlPoint.GetSize(), 3);
    EXPECT_EQ(group->m_byCtrlCount, 3);
}

} // namespace
