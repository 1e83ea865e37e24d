// The three-point shapes: hairpins opening about their closed end, the
// zigzags with their staff-space hooks, and page slurs drawn as two quarter
// arcs, with the words each leaves in the score.

#include "support/ShapeDrag.h"

#include "drag/TempShapes.h"
#include "model/KVStaff.h"

#include <gtest/gtest.h>

namespace {

using kvtest::ShapeWords;
using kvtest::WordsOf;
using Points = std::vector<CPoint>;

class TempCurveMsgsTest : public kvtest::ShapeDragFixture {
protected:
    static int Extra(const CKVMsg& msg) { return static_cast<short>(msg.m_wObjWord); }
    static int Data(const CKVMsg& msg) { return static_cast<LONG>(msg.m_dwWord); }

    // Hairpin H in measure 1: closed end at (20, -30), open ends 100 to the
    // right at -10 and +10.
    CKVMsg* Hairpin()
    {
        CKVMsg* h = score->Symbol(Meas(1), MSG_HAIRPIN, 20, -30);
        h->m_nPosY2 = 10;
        h->m_wObjWord = 100;
        h->m_dwWord = static_cast<DWORD>(-10);
        return h;
    }
};

TEST_F(TempCurveMsgsTest, NewHairpinOpensEvenlyAndStoresItsEnds)
{
    AddEmptyPage();
    Doc().m_CtrlTool.m_nCurLineWidth = 5;
    CTempDeCreMsg pin;
    DrawNew(pin, {100, 100}, {200, 90});
    EXPECT_EQ(pin.m_ptThird, CPoint(200, 110));
    // A 1-point pen whatever the line width.
    EXPECT_EQ(LastPoints("Polyline"), (Points {{200, 90}, {100, 100}, {200, 110}}));
    EXPECT_EQ(Calls("Polyline").back()->penWidth, 1);
    EXPECT_EQ(Calls("Polyline").back()->penStyle, UINT(PS_SOLID));
    CKVMsg* stored = LastOnPage();
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(WordsOf(*stored), (ShapeWords {MSG_HAIRPIN, 50, 40, 0, 10}));
    EXPECT_EQ(Extra(*stored), 100);
    EXPECT_EQ(Data(*stored), -10);

    // Below the closed end the open ends change places.
    CTempDeCreMsg down;
    DrawNew(down, {100, 100}, {200, 115});
    stored = LastOnPage();
    EXPECT_EQ(stored->m_nPosY2, 15);
    EXPECT_EQ(Data(*stored), -15);
}

TEST_F(TempCurveMsgsTest, MovedHairpinReadsItsOffsetsBack)
{
    CKVMsg* h = Hairpin();
    score->Staff(0)->m_wObjWord = 80;
    {
        // A body move that goes nowhere gives the same words back.
        CTempDeCreMsg t;
        Move(t, h, 3, {420, 200}, {420, 200});
        CKVMsg* moved = LastIn(Meas(1));
        ASSERT_NE(moved, nullptr);
        EXPECT_EQ(WordsOf(*moved), (ShapeWords {MSG_HAIRPIN, 20, -30, 0, 10}));
        EXPECT_EQ(Extra(*moved), 100);
        EXPECT_EQ(Data(*moved), -10);
        h = moved;
    }
    score->Staff(0)->m_wObjWord = 100;
    {
        // One open end up by 6: the other goes down by 6.
        CTempDeCreMsg t;
        PointCursorAt(h);
        ASSERT_EQ(t.BeginDrag({470, 184}, &Doc(), 100, h, 1), 1);
        EXPECT_EQ(t.m_ptSecond, CPoint(470, 184));
        EXPECT_EQ(t.m_ptThird, CPoint(470, 204));
        t.Drag(&View(), {480, 178});
        t.EndDrag({480, 178});
        CKVMsg* moved = LastIn(Meas(1));
        EXPECT_EQ(moved->m_nPosY2, 16);
        EXPECT_EQ(Extra(*moved), 110);
        EXPECT_EQ(Data(*moved), -16);
        EXPECT_EQ(Meas(1)->GetMsgNum(), 1);
    }
}

TEST_F(TempCurveMsgsTest, HairpinWithoutWidthIsNotStored)
{
    CKVMsg* h = Hairpin();
    const std::string before = Dump();
    const int steps = UndoSteps();
    CTempDeCreMsg fresh;
    DrawNew(fresh, {100, 100}, {100, 150});
    EXPECT_EQ(Dump(), before);
    EXPECT_EQ(UndoSteps(), steps);

    // Both open ends pulled onto the closed end: the hairpin stays.
    CTempDeCreMsg t;
    Move(t, h, 1, {470, 184}, {370, 184});
    EXPECT_EQ(Dump(), before);
    EXPECT_EQ(UndoSteps(), steps);
}

TEST_F(TempCurveMsgsTest, ZigzagsHookOneStaffSpace)
{
    AddEmptyPage();
    Doc().m_CtrlTool.m_nCurLineWidth = 4;
    {
        CTempInversNMsg n;
        DrawNew(n, {100, 100}, {150, 130}, false);
        EXPECT_EQ(LastPoints("Polyline"), (Points {{100, 84}, {100, 100}, {150, 130}, {150, 146}}));
        EXPECT_EQ(Calls("Polyline").back()->penWidth, 1);
        EXPECT_EQ(Calls("Polyline").back()->penStyle, UINT(PS_SOLID));
        ClearLog();
        n.Drag(&View(), {100, 100});
        EXPECT_EQ(Calls("Polyline").size(), 1u); // only the old outline is taken away
    }
    {
        CTempInversMMsg m;
        DrawNew(m, {100, 100}, {200, 120}, false);
        EXPECT_EQ(LastPoints("Polyline"),
                  (Points {{100, 104}, {100, 120}, {134, 120}, {150, 104}, {166, 120}, {200, 120}, {200, 104}}));
        EXPECT_EQ(Calls("Polyline").back()->penWidth, 1);
        m.EndDrag({200, 120});
        CKVMsg* stored = LastOnPage();
        ASSERT_NE(stored, nullptr);
        EXPECT_EQ(WordsOf(*stored), (ShapeWords {MSG_ZIGZAG_M, 50, 60, 50, 100}));

        // Narrower than two staff spaces: the height is half the width.
        CTempInversMMsg narrow;
        DrawNew(narrow, {100, 100}, {120, 120}, false);
        EXPECT_EQ(LastPoints("Polyline"),
                  (Points {{100, 110}, {100, 120}, {100, 120}, {110, 110}, {120, 120}, {120, 120}, {120, 110}}));

        // Its end pulled in: the peak keeps a staff space from the end.
        CTempInversMMsg t;
        Move(t, stored, 1, {200, 120}, {140, 130});
        EXPECT_EQ(WordsOf(*LastOnPage()), (ShapeWords {MSG_ZIGZAG_M, 50, 70, 24, 40}));
    }
}

TEST_F(TempCurveMsgsTest, PageSlurIsTwoQuarterArcs)
{
    AddEmptyPage();
    CTempPageSlurMsg slur;
    DrawNew(slur, {100, 200}, {300, 180}, false);
    EXPECT_EQ(slur.m_ptSecond, CPoint(200, 170)); // midway, 10 above the higher end
    const auto arcs = Calls("Arc");
    ASSERT_GE(arcs.size(), 2u);
    EXPECT_EQ(PointsOf(*arcs[arcs.size() - 2]), (Points {{100, 170}, {300, 230}, {200, 170}, {100, 200}}));
    EXPECT_EQ(PointsOf(*arcs.back()), (Points {{100, 170}, {300, 190}, {300, 180}, {200, 170}}));
    EXPECT_EQ(arcs.back()->penStyle, UINT(PS_DOT));
    EXPECT_EQ(arcs.back()->rop2, R2_NOTXORPEN);
    slur.EndDrag({300, 180});
    CKVMsg* stored = LastOnPage();
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(WordsOf(*stored), (ShapeWords {MSG_PAGESLUR, 50, 140, 200, -20}));
    EXPECT_EQ(Extra(*stored), 100);
    EXPECT_EQ(Data(*stored), -30);
    EXPECT_EQ(stored->m_wDuration, 1); // the line width in force

    // The apex level with the start: that half is a straight line.
    CTempPageSlurMsg t;
    ClearLog();
    Move(t, stored, 2, {200, 170}, {200, 200});
    const auto lines = Calls("Polyline");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(PointsOf(*lines.back()), (Points {{100, 200}, {200, 200}}));
    EXPECT_EQ(Data(*LastOnPage()), 0);

    // Straight down: nothing to draw, and the end goes one to the side.
    CTempPageSlurMsg upright;
    ClearLog();
    DrawNew(upright, {100, 200}, {100, 230});
    EXPECT_TRUE(Calls("Arc").empty());
    EXPECT_TRUE(Calls("Polyline").empty());
    stored = LastOnPage();
    EXPECT_EQ(stored->m_nPosX2, 1);
    EXPECT_EQ(stored->m_nPosY2, 30);
    EXPECT_EQ(Extra(*stored), 0);
    EXPECT_EQ(Data(*stored), -10);
}

} // namespace
