// Time slots of a measure column, the room each onset needs, the natural and
// mathematical widths, and grace notes placed before their main notes.

#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVSystem.h"
#include "support/TimingFixture.h"
#include "timing/SpacingState.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class SpacingTest : public kvtest::TimingTest {
protected:
    kvtest::ScoreShape Shape() override { return {.lineSpacing = 8, .staves = 2, .measures = 2}; }

    CKVSystem& System() { return *score->System(); }

    // Start times from the order of the symbols, as editing leaves them.
    static void Retime(CKVMeas* meas)
    {
        for (BYTE v = 1; v <= CKVMeas::VOICES; ++v)
            meas->UpdateStartTime(v, 1, 0, 0);
    }

    static std::vector<int> Positions(const std::vector<CKVMsg*>& msgs)
    {
        std::vector<int> xs;
        for (CKVMsg* msg : msgs)
            xs.push_back(msg->m_nPosX);
        return xs;
    }

    static std::vector<int> SlotPlaces()
    {
        std::vector<int> xs;
        for (const SpacingSlot& slot : spacing::spacingSlotList)
            xs.push_back(slot.x);
        return xs;
    }

    static std::pair<int, int> Room(CKVMsg* msg)
    {
        WORD left = 0;
        WORD right = 0;
        msg->GetNoteLeftWidth(left, right);
        return {left, right};
    }
};

TEST_F(SpacingTest, DurationKindsFollowTheQuarter)
{
    struct Case {
        int ticks;
        int kind;
    };
    for (Case c : {Case {240, 3}, {7, 8}, {6, 0}, {1920, 0}, {960, 1}, {480, 2}, {120, 4}, {-5, 0}})
        EXPECT_EQ(System().GetNoteKind(c.ticks), c.kind) << c.ticks;
}

TEST_F(SpacingTest, RoomAroundAnOnset)
{
    CKVMeas* m = Meas();
    EXPECT_EQ(Room(score->Rest(m, {.x = 0})), std::make_pair(0, 8));
    EXPECT_EQ(Room(score->Note(m, {.x = 10})), std::make_pair(0, 12));
    EXPECT_EQ(Room(score->Note(m, {.x = 20, .code = DUR_EIGHTH})), std::make_pair(0, 20));
    CKVMsg* group = score->Beam(m, {.x = 30});
    EXPECT_EQ(Room(score->Note(group, {.x = 30, .code = DUR_EIGHTH})), std::make_pair(0, 12));
    CKVMsg* sharp = score->Note(m, {.x = 40, .accidental = ACCI_SHARP});
    ASSERT_EQ(sharp->m_nLayout4, 3);
    EXPECT_EQ(Room(sharp), std::make_pair(11, 12));
    // With dots the right side stops at the dot.
    EXPECT_EQ(Room(score->Note(m, {.x = 50, .code = DUR_EIGHTH, .dots = 1})), std::make_pair(0, 4));

    CKVMsg* main = score->Note(m, {.x = 60});
    CKVMsg* grace = score->Grace(m, {.x = 55, .code = DUR_EIGHTH});
    main->m_arrAttachedId.Add(grace->m_dwMsgId);
    main->m_arrAttachedId.Add(score->MakeStale(score->Grace(m, {.x = 56})));
    EXPECT_EQ(Room(main), std::make_pair(32, 12));

    CKVMsg* chord = score->Chord(m, {.x = 70, .code = DUR_EIGHTH}, {0, -8});
    CKVMsg* member = chord->GetMsg(1);
    member->m_byAccidental = ACCI_FLAT;
    EXPECT_EQ(Room(chord), std::make_pair(11, 20));
    EXPECT_EQ(Room(score->ClefChange(m, 80, 2)), std::make_pair(0, 0));
}

TEST_F(SpacingTest, NaturalWidthOfOneStaff)
{
    System().m_pDoc->m_pCurMeas = Meas(0, 1);
    CKVMeas* m = Meas(0, 0);
    // Empty columns get four beats of room.
    EXPECT_EQ(System().GetGoodMeasWidthInNatural(0, 1), 160);
    EXPECT_EQ(System().GetGoodMeasWidthInNatural(2, 1), 0);
    EXPECT_EQ(System().GetGoodMeasWidthInNatural(-1, 1), 0);

    const std::vector<CKVMsg*> quarters = Row(m, 4, DUR_QUARTER, 0, 0, 64);
    Retime(m);
    // The column's width and header come from its last staff, empty here.
    m->m_nRealWidth = Meas(1, 0)->m_nRealWidth = 200;
    EXPECT_EQ(System().GetGoodMeasWidthInNatural(0, 1), 200);
    EXPECT_EQ(SlotPlaces(), (std::vector<int> {0, 64, 128, 192}));
    for (CKVMsg* q : quarters)
        q->m_nPosX = 5;
    m->SetNotePosByStartTime();
    EXPECT_EQ(Positions(quarters), (std::vector<int> {0, 64, 128, 192}));
    Meas(1, 0)->m_nHeaderWidth = 30;
    EXPECT_EQ(System().GetGoodMeasWidthInNatural(0, 1), 230);
}

TEST_F(SpacingTest, TheBusierStaffSuppliesTheSlots)
{
    System().m_pDoc->m_pCurMeas = Meas(0, 1);
    const std::vector<CKVMsg*> quarters = Row(Meas(0, 0), 4, DUR_QUARTER, 0, 0, 64);
    const std::vector<CKVMsg*> eighths = Row(Meas(1, 0), 8, DUR_EIGHTH, 0, 0, 32);
    Retime(Meas(0, 0));
    Retime(Meas(1, 0));
    Meas(0, 0)->m_nRealWidth = 200;
    Meas(1, 0)->m_nRealWidth = 200;
    EXPECT_EQ(System().GetGoodMeasWidthInNatural(0, 1), 344);
    EXPECT_EQ(spacing::spacingBeatWeights, (std::vector<WORD> {2, 2, 2, 2}));
    EXPECT_EQ(SlotPlaces(), (std::vector<int> {0, 31, 62, 92, 123, 154, 185, 215}));
    Meas(0, 0)->SetNotePosByStartTime();
    Meas(1, 0)->SetNotePosByStartTime();
    EXPECT_EQ(Positions(eighths), (std::vector<int> {0, 31, 62, 92, 123, 154, 185, 215}));
    EXPECT_EQ(Positions(quarters), (std::vector<int> {0, 62, 123, 185}));
}

TEST_F(SpacingTest, ATupletSpreadsTheWeightOfItsFirstBeat)
{
    System().m_pDoc->m_pCurMeas = Meas(0, 1);
    Row(Meas(0, 0), 3, DUR_HALF, 0x0203, 0, 80);
    Retime(Meas(0, 0));
    Meas(0, 0)->m_nRealWidth = 200;
    ASSERT_EQ(Meas(0, 0)->GetMsg(1)->m_nStartTime, 320);
    System().GetGoodMeasWidthInNatural(0, 1);
    EXPECT_EQ(spacing::spacingBeatWeights, (std::vector<WORD> {1, 1, 1, 1}));

    // The same lengths without the tuplet word carry into beats 1 and 2.
    for (short i = 0; i < 3; ++i)
        Meas(0, 0)->GetMsg(i)->m_wObjWord = 0;
    spacing::ResetSpacingState();
    Meas(0, 0)->GetNotePosByStartTime();
    EXPECT_EQ(spacing::spacingBeatWeights, (std::vector<WORD> {1, 2, 2, 1}));
}

TEST_F(SpacingTest, AnOnsetBetweenSlotsIsInterpolated)
{
    System().m_pDoc->m_pCurMeas = Meas(0, 1);
    CKVMeas* top = Meas(0, 0);
    CKVMeas* bottom = Meas(1, 0);
    Row(top, 2, DUR_EIGHTH, 0, 0, 32);
    Row(top, 3, DUR_QUARTER, 0, 64, 64);
    score->Note(bottom, {.x = 0, .code = DUR_EIGHTH, .dots = 1});
    CKVMsg* sixteenth = score->Note(bottom, {.x = 48, .code = DUR_16TH});
    Retime(top);
    Retime(bottom);
    ASSERT_EQ(sixteenth->m_nStartTime, 180);
    top->m_nRealWidth = bottom->m_nRealWidth = 200;
    System().GetGoodMeasWidthInNatural(0, 1);
    EXPECT_EQ(spacing::spacingBeatWeights[0], 2);
    std::vector<DWORD> starts;
    for (const SpacingSlot& slot : spacing::spacingSlotList)
        starts.push_back(slot.start);
    ASSERT_EQ(starts, (std::vector<DWORD> {0, 120, 240, 480, 720}));
    const int x120 = spacing::spacingSlotList[1].x;
    const int x240 = spacing::spacingSlotList[2].x;
    bottom->SetNotePosByStartTime();
    const int expected = x120 + MulDiv(60, x240 - x120, 120);
    ASSERT_EQ(spacing::spacingSlotList.size(), 6u);
    EXPECT_EQ(spacing::spacingSlotList[2].start, 180u);
    EXPECT_EQ(spacing::spacingSlotList[2].x, expected);
    EXPECT_EQ(sixteenth->m_nPosX, expected);
}

TEST_F(SpacingTest, MathematicalWidthGivesTheShortestGapThreeLines)
{
    System().m_pDoc->m_pCurMeas = Meas(0, 1);
    struct Case {
        int count;
        BYTE code;
        int width;
    };
    for (Case c : {Case {4, DUR_QUARTER, 96}, {8, DUR_EIGHTH, 192}, {16, DUR_16TH, 384}}) {
        CKVMeas* m = Meas(0, 0);
        while (m->GetMsgNum() > 0)
            m->DeleteMsg(m->GetMsg(0), kUnlinkAndFree);
        Row(m, c.count, c.code, 0, 0, static_cast<short>(256 / c.count));
        Retime(m);
        EXPECT_EQ(System().GetGoodMeasWidthInMath(0, 1), c.width) << c.count;
    }
    EXPECT_EQ(System().GetGoodMeasWidthInMath(1, 1), 0);
    EXPECT_EQ(System().GetGoodMeasWidthInMath(5, 1), 0);
}

TEST_F(SpacingTest, OnsetsAtOneTimeStillGiveAWidth)
{
    // Notes without play time stand at one start: the shortest gap is 0.
    System().m_pDoc->m_pCurMeas = Meas(0, 1);
    CKVMeas* m = Meas(0, 0);
    score->Note(m, {.x = 0, .code = 12});
    score->Note(m, {.x = 10, .code = 12});
    Retime(m);
    const short width = System().GetGoodMeasWidthInMath(0, 1);
    EXPECT_GT(width, 0);
    EXPECT_LE(width, 32767);
}

TEST_F(SpacingTest, DegenerateColumnsDoNotDivideByZero)
{
    System().m_pDoc->m_pCurMeas = Meas(0, 1);
    CKVMeas* m = Meas(0, 0);
    Row(m, 4, DUR_QUARTER, 0, 0, 64);
    Retime(m);
    m->m_nRealWidth = 200;
    m->m_nTimeNum = 0;
    EXPECT_GT(System().GetGoodMeasWidthInNatural(0, 1), 0);
    EXPECT_GT(System().GetGoodMeasWidthInMath(0, 1), 0);
    m->m_nTimeNum = 4;
    m->m_nLength = 3;
    EXPECT_GT(System().GetGoodMeasWidthInNatural(0, 1), 0);
    // A measure with no real width and none in its column to stand in.
    m->m_nLength = 960;
    m->m_nRealWidth = -4;
    Meas(1, 0)->m_nRealWidth = -4;
    EXPECT_EQ(System().GetGoodMeasWidthInNatural(0, 1), -1);
}

TEST_F(SpacingTest, SingleStaffColumnsFollowTheCurrentMeasure)
{
    Row(Meas(1, 0), 2, DUR_HALF, 0, 0, 128);
    Retime(Meas(1, 0));
    Meas(1, 0)->m_nRealWidth = 200;
    System().m_pDoc->m_pCurMeas = nullptr;
    EXPECT_EQ(System().GetGoodMeasWidthInNatural(0, 0), 0);
    EXPECT_EQ(System().GetGoodMeasWidthInMath(0, 0), 0);
    System().m_pDoc->m_pCurMeas = Meas(1, 1);
    EXPECT_EQ(System().GetGoodMeasWidthInNatural(0, 0), 160);
    EXPECT_EQ(spacing::spacingSlotList.size(), 2u);
    System().m_pDoc->m_pCurMeas = Meas(0, 1);
    EXPECT_EQ(System().GetGoodMeasWidthInNatural(0, 0), 160);
    EXPECT_TRUE(spacing::spacingSlotList.empty());
}

TEST_F(SpacingTest, GraceNotesStandBeforeTheirMainNote)
{
    struct Case {
        short main;
        short previousEnd;
        std::vector<int> places;
    };
    for (const Case& c : {Case {64, 0, {0, 32}}, Case {24, 0, {-8, 4}}}) {
        CKVMeas* m = Meas(0, 0);
        CKVMsg* main = score->Note(m, {.x = c.main});
        std::vector<CKVMsg*> graces {score->Grace(m, {.x = 1}), score->Grace(m, {.x = 2})};
        for (CKVMsg* g : graces)
            main->m_arrAttachedId.Add(g->m_dwMsgId);
        m->SetGraceNotePosByStartTime(main, c.previousEnd);
        EXPECT_EQ(Positions(graces), c.places) << c.main;
        for (CKVMsg* g : graces)
            score->MakeStale(g);
        score->MakeStale(main);
    }
    // A clef change among them stands halfway between the start and the
    // main note.
    CKVMeas* m = Meas(0, 1);
    CKVMsg* main = score->Note(m, {.x = 128});
    CKVMsg* clef = score->ClefChange(m, 5, 2);
    main->m_arrAttachedId.Add(clef->m_dwMsgId);
    m->SetGraceNotePosByStartTime(main, 0);
    EXPECT_EQ(clef->m_nPosX, (-8 - 32 + 128) / 2);
}

} // namespace
