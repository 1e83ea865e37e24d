// The straight shapes as rubber bands: where the line's moving end snaps,
// the pens and the band of a thick line, how a line is stored and scaled,
// and the rolled-chord, trill and curved lines.

#include "support/ShapeDrag.h"

#include "drag/TempShapes.h"
#include "model/KVStaff.h"

#include <gtest/gtest.h>

namespace {

using kvtest::ShapeWords;
using kvtest::WordsOf;
using Points = std::vector<CPoint>;

class TempLineMsgsTest : public kvtest::ShapeDragFixture {};

TEST_F(TempLineMsgsTest, ShiftSnapsTheMovingEndAgainstTheFixedOne)
{
    struct Case {
        CPoint mouse;
        CPoint end;
    };
    const Case cases[] = {
        {{200, 150}, {200, 100}}, // flatter than 30 degrees: horizontal
        {{150, 200}, {100, 200}}, // steeper than 60: vertical
        {{200, 180}, {200, 200}}, // between: 45 degrees, the rise equal to the run
        {{40, 30}, {40, 40}},     // up and to the left
        {{100, 150}, {100, 150}}, // straight down: as it is
    };
    host.HoldKey(VK_SHIFT);
    CTempLineMsg line;
    ASSERT_EQ(line.BeginDrag({100, 100}, &Doc(), 100, nullptr, 0), 1);
    for (const Case& c : cases) {
        line.Drag(&View(), c.mouse);
        EXPECT_EQ(line.m_ptSecond, c.end) << c.mouse.x << ", " << c.mouse.y;
        EXPECT_EQ(line.m_ptPos, CPoint(100, 100));
    }
    host.ReleaseKey(VK_SHIFT);
    line.Drag(&View(), {200, 180});
    EXPECT_EQ(line.m_ptSecond, CPoint(200, 180));

    // The first end snaps against the second: 40 up over 70 across is under
    // 37/64, so the line stays horizontal.
    AddEmptyPage();
    CKVMsg* stored = OnPage(MSG_LINE, 100, 200, 100, 0);
    ASSERT_NE(stored, nullptr);
    host.HoldKey(VK_SHIFT);
    CTempLineMsg moving;
    Move(moving, stored, 0, {150, 260}, {180, 300});
    ASSERT_NE(LastOnPage(), nullptr);
    EXPECT_EQ(WordsOf(*LastOnPage()), (ShapeWords {MSG_LINE, 130, 200, 70, 0}));
    EXPECT_EQ(Doc().GetCurrentPage()->m_arrMsg.GetSize(), 1);
}

TEST_F(TempLineMsgsTest, ThinLinesUseTheirPenAndThickOnesABand)
{
    struct Case {
        LONG width;
        UINT style;
        LONG penWidth;
    };
    for (const Case c : {Case {0, PS_DOT, 0}, Case {1, PS_SOLID, 1}}) {
        CTempLineMsg line;
        line.m_lHeight = c.width;
        line.CTempMsg::m_crColor = RGB(200, 0, 0);
        line.m_ptPos = {10, 20};
        line.m_ptSecond = {110, 30};
        ClearLog();
        line.DrawDraging(&View());
        const auto lines = View().Log().Lines();
        ASSERT_EQ(lines.size(), 1u) << c.width;
        EXPECT_EQ(PointsOf(*lines[0]), (Points {{10, 20}, {110, 30}}));
        EXPECT_EQ(lines[0]->penStyle, c.style);
        EXPECT_EQ(lines[0]->penWidth, c.penWidth);
        EXPECT_EQ(lines[0]->penColour, RGB(200, 0, 0));
        EXPECT_EQ(lines[0]->rop2, R2_NOTXORPEN);
    }

    // Width 3 points is 4 pixels: a band with ends across the longer
    // direction, centred on the line.
    CTempLineMsg thick;
    thick.m_lHeight = 3;
    thick.CTempMsg::m_crColor = RGB(0, 0, 200);
    thick.m_ptPos = {10, 20};
    for (const auto& [end, corners] : {std::pair {CPoint(110, 30), Points {{10, 18}, {10, 22}, {110, 32}, {110, 28}}},
                                       std::pair {CPoint(15, 120), Points {{8, 20}, {12, 20}, {17, 120}, {13, 120}}}}) {
        thick.m_ptSecond = end;
        ClearLog();
        thick.DrawDraging(&View());
        const auto polygons = Calls("Polygon");
        ASSERT_EQ(polygons.size(), 1u);
        EXPECT_EQ(PointsOf(*polygons[0]), corners);
        EXPECT_EQ(polygons[0]->brushStyle, UINT(BS_SOLID));
        EXPECT_EQ(polygons[0]->brushColour, RGB(0, 0, 200));
        EXPECT_EQ(polygons[0]->penStyle, UINT(PS_SOLID));
        EXPECT_EQ(polygons[0]->penWidth, 1);
        EXPECT_EQ(polygons[0]->rop2, R2_NOTXORPEN);
    }
}

TEST_F(TempLineMsgsTest, LineIsStoredLeftToRightAtTheStaffSize)
{
    Doc().m_CtrlTool.m_nCurLineWidth = 2;
    {
        // On the laid-out page: measure 0, whose header takes 44.
        CTempLineMsg line;
        DrawNew(line, {300, 200}, {200, 220});
        ASSERT_EQ(Meas(0)->GetMsgNum(), 1);
        EXPECT_EQ(WordsOf(*LastIn(Meas(0))), (ShapeWords {MSG_LINE, 106, -4, 100, -20}));
        Undo();
    }
    {
        score->Staff(0)->m_wObjWord = 80;
        CTempLineMsg line;
        DrawNew(line, {300, 200}, {200, 220});
        EXPECT_EQ(WordsOf(*LastIn(Meas(0))), (ShapeWords {MSG_LINE, 106, -5, 100, -25}));
        Undo();
        score->Staff(0)->m_wObjWord = 100;
    }
    {
        AddEmptyPage();
        const std::string before = Dump();
        CTempLineMsg line;
        DrawNew(line, {300, 200}, {200, 220});
        CKVMsg* stored = LastOnPage();
        ASSERT_NE(stored, nullptr);
        EXPECT_EQ(WordsOf(*stored), (ShapeWords {MSG_LINE, 150, 160, 100, -20}));
        EXPECT_EQ(stored->m_lHeight, 2);
        EXPECT_GT(stored->m_arrCtrlPoint.GetSize(), 0);
        const std::string after = Dump();
        Undo();
        EXPECT_EQ(Dump(), before);
        Redo();
        EXPECT_EQ(Dump(), after);
    }
}

TEST_F(TempLineMsgsTest, MovedLineKeepsItsWordsAtTheStaffSize)
{
    score->Staff(0)->m_wObjWord = 80;
    CKVMsg* line = score->Symbol(Meas(1), MSG_LINE, 20, -30);
    line->m_nPosX2 = 100;
    line->m_nPosY2 = -20;
    line->m_lHeight = 5;
    line->m_crColor = RGB(1, 2, 3);
    PointCursorAt(line);
    const std::string before = Dump();

    CTempLineMsg t;
    ASSERT_EQ(t.BeginDrag({420, 192}, &Doc(), 100, line, 2), 1);
    EXPECT_EQ(t.m_ptPos, CPoint(370, 200));
    EXPECT_EQ(t.m_ptSecond, CPoint(470, 184));
    EXPECT_EQ(t.m_lHeight, 5);
    EXPECT_EQ(t.CTempMsg::m_crColor, RGB(1, 2, 3));
    t.Drag(&View(), {430, 196});
    t.EndDrag({430, 196});
    ASSERT_EQ(Meas(1)->GetMsgNum(), 1);
    CKVMsg* moved = LastIn(Meas(1));
    EXPECT_EQ(WordsOf(*moved), (ShapeWords {MSG_LINE, 30, -25, 100, -20}));
    EXPECT_EQ(moved->m_lHeight, 5);
    const std::string after = Dump();
    Undo();
    EXPECT_EQ(Dump(), before);
    Redo();
    EXPECT_EQ(Dump(), after);
}

TEST_F(TempLineMsgsTest, RolledChordTrillAndCurvedLine)
{
    AddEmptyPage();
    {
        CTempRollChordMsg roll;
        DrawNew(roll, {100, 100}, {130, 180});
        EXPECT_EQ(LastPoints("Polyline"), (Points {{100, 100}, {100, 180}}));
        EXPECT_EQ(Calls("Polyline").back()->penStyle, UINT(PS_DOT));
        CKVMsg* stored = LastOnPage();
        ASSERT_NE(stored, nullptr);
        EXPECT_EQ(WordsOf(*stored), (ShapeWords {MSG_ARPEGGIO, 50, 40, 0, 80}));
        EXPECT_EQ(stored->m_wDuration, 0);
    }
    {
        // A trill does not run left of its start.
        CTempTrillsMsg trill;
        trill.m_dwWord = 2;
        ASSERT_EQ(trill.BeginDrag({100, 100}, &Doc(), 100, nullptr, 0), 1);
        trill.Drag(&View(), {60, 120});
        EXPECT_EQ(trill.m_ptSecond, CPoint(100, 100));
        trill.Drag(&View(), {180, 130});
        EXPECT_EQ(trill.m_ptSecond, CPoint(180, 100));
        trill.EndDrag({180, 130});
        CKVMsg* stored = LastOnPage();
        EXPECT_EQ(WordsOf(*stored), (ShapeWords {MSG_TRILL, 50, 40, 80, 0}));
        EXPECT_EQ(stored->m_wDuration, 0);
        EXPECT_EQ(stored->m_dwWord, 2u);
    }
    // The curved line's style picks what is stored; styles 1 and 2 start
    // half a staff space lower.
    struct Case {
        DWORD style;
        UINT pen;
        ShapeWords words;
        WORD type;
        WORD value;
    };
    const Case cases[] = {
        {0, PS_SOLID, {MSG_CURVE, 50, 40, 100, 50}, 0, 0},
        {1, PS_DOT, {MSG_OCTAVE, 50, 48, 100, 42}, 0, 1},
        {4, PS_DOT, {MSG_OCTAVE, 50, 40, 100, 50}, 1, 2},
        {5, PS_SOLID, {MSG_CURVE, 50, 40, 100, 50}, 0, 0},
    };
    for (const Case& c : cases) {
        CTempCurvedLineMsg curve;
        EXPECT_EQ(curve.m_byKind, MSG_CURVE);
        curve.m_dwWord = c.style;
        ClearLog();
        DrawNew(curve, {100, 100}, {200, 150});
        EXPECT_EQ(LastPoints("Polyline"), (Points {{100, 100}, {200, 100}, {200, 150}})) << c.style;
        EXPECT_EQ(Calls("Polyline").back()->penStyle, c.pen) << c.style;
        CKVMsg* stored = LastOnPage();
        EXPECT_EQ(WordsOf(*stored), c.words) << c.style;
        EXPECT_EQ(stored->m_wHeadType, c.type) << c.style;
        EXPECT_EQ(stored->m_wDuration, c.value) << c.style;
    }
}

} // namespace
