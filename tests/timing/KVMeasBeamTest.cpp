// Automatic beaming: beat groups of fixed, custom and composite meters,
// rests at the edges of a group, tuplets, beaming a range regardless of the
// meter, grace-note runs, chords by position, the tidying of a group, and
// damaged meters and tick units that must not hang or divide by zero.

#include "support/TimingFixture.h"

#include "model/MidiFileRead.h"
#include "platform/ProcessState.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

namespace {

class BeamTest : public kvtest::TimingTest {
protected:
    kvtest::ScoreShape Shape() override { return {.lineSpacing = 16, .staves = 1, .measures = 1}; }

    void SetUp() override
    {
        TimingTest::SetUp();
        // The music font that goes with L = 16, and its stem length.
        score->Doc().m_nFontHeight = 64;
        score->Doc().m_nFontHeight78 = 56;
    }

    CKVMeas* Setup(short beats, short beatUnit)
    {
        return score->Setup(Meas(), {.beats = beats, .beatUnit = beatUnit});
    }

    // The measure's direct children, as kinds, in order.
    static std::vector<int> Kinds(CKVMeas* m)
    {
        std::vector<int> kinds;
        for (short i = 0; i < m->GetMsgNum(); ++i) {
            if (CKVMsg* msg = m->GetMsg(i))
                kinds.push_back(msg->m_byKind);
        }
        return kinds;
    }

    static bool IsChild(CKVObject* parent, CKVMsg* msg)
    {
        for (short i = 0; i < parent->GetMsgNum(); ++i) {
            if (parent->GetMsg(i) == msg)
                return true;
        }
        return false;
    }

    static std::vector<CKVMsg*> Groups(CKVMeas* m)
    {
        std::vector<CKVMsg*> groups;
        for (short i = 0; i < m->GetMsgNum(); ++i) {
            CKVMsg* msg = m->GetMsg(i);
            if (msg && msg->m_byKind == MSG_BEAM)
                groups.push_back(msg);
        }
        return groups;
    }

    static std::vector<int> GroupSizes(CKVMeas* m)
    {
        std::vector<int> sizes;
        for (CKVMsg* group : Groups(m))
            sizes.push_back(group->GetMsgNum());
        return sizes;
    }

    // Places notes in a row and gives them their start times.
    std::vector<CKVMsg*> Beamed(CKVMeas* m, int count, BYTE code, WORD tuplet = 0)
    {
        std::vector<CKVMsg*> notes = Row(m, count, code, tuplet, 0, 16);
        m->UpdateStartTime(1, 0, 0, kPerformedStartStays);
        return notes;
    }
};

TEST_F(BeamTest, FourFourBeamsEighthsInFours)
{
    CKVMeas* m = Setup(4, 4);
    std::vector<CKVMsg*> notes = Beamed(m, 8, DUR_EIGHTH);
    m->AutoBindByBeam(1, kPlaceByTime);
    ASSERT_EQ(GroupSizes(m), (std::vector<int> {4, 4}));
    EXPECT_EQ(Groups(m)[0]->GetStartTime(), 0);
    EXPECT_EQ(Groups(m)[1]->GetStartTime(), 480);
    for (CKVMsg* note : notes)
        EXPECT_TRUE(note->m_wFlag & MSGFLAG_BEAM_MEMBER) << note->m_nPosX;
    EXPECT_EQ(Kinds(m), (std::vector<int> {MSG_BEAM, MSG_BEAM}));
}

TEST_F(BeamTest, FourFourBeamsInPairsWhileAMidiFileIsRead)
{
    CKVMeas* m = Setup(4, 4);
    Beamed(m, 8, DUR_EIGHTH);
    SetMidiFileRead(1);
    m->AutoBindByBeam(1, kPlaceByTime);
    EXPECT_EQ(GroupSizes(m), (std::vector<int> {2, 2, 2, 2}));
    ResetProcessState();
    EXPECT_EQ(GetMidiFileRead(), 0);
}

TEST_F(BeamTest, AQuarterSplitsTheBeatGroup)
{
    CKVMeas* m = Setup(4, 4);
    score->Note(m, {.x = 0, .code = DUR_EIGHTH});
    score->Note(m, {.x = 16, .code = DUR_EIGHTH});
    CKVMsg* quarter = score->Note(m, {.x = 32, .code = DUR_QUARTER});
    Row(m, 4, DUR_EIGHTH, 0, 64, 16);
    m->UpdateStartTime(1, 0, 0, kPerformedStartStays);
    m->AutoBindByBeam(1, kPlaceByTime);
    EXPECT_EQ(Kinds(m), (std::vector<int> {MSG_BEAM, MSG_NOTE, MSG_BEAM}));
    EXPECT_EQ(GroupSizes(m), (std::vector<int> {2, 4}));
    EXPECT_EQ(m->GetMsg(1), quarter);
}

TEST_F(BeamTest, ThreeFourAndSixEight)
{
    struct Case {
        short beats;
        short unit;
        int count;
        BYTE code;
        std::vector<int> sizes;
    };
    for (const Case& c : {Case {3, 4, 6, DUR_EIGHTH, {2, 2, 2}}, Case {3, 4, 12, DUR_16TH, {4, 4, 4}},
                          Case {6, 8, 6, DUR_EIGHTH, {3, 3}}, Case {6, 8, 12, DUR_16TH, {6, 6}}}) {
        CKVMeas* m = Setup(c.beats, c.unit);
        m->RemoveAllMsg();
        Beamed(m, c.count, c.code);
        m->AutoBindByBeam(1, kPlaceByTime);
        EXPECT_EQ(GroupSizes(m), c.sizes) << c.beats << "/" << c.unit << " code " << int(c.code);
    }
}

TEST_F(BeamTest, CustomMeters)
{
    CKVMeas* m = Setup(5, 4);
    EXPECT_EQ(m->AutoBeamGetDur(1, 0), 480);
    EXPECT_EQ(m->AutoBeamGetDur(1, 960), 240);
    EXPECT_EQ(m->AutoBeamGetDur(1, 500), 460);
    Beamed(m, 10, DUR_EIGHTH);
    m->AutoBindByBeam(1, kPlaceByTime);
    EXPECT_EQ(GroupSizes(m), (std::vector<int> {4, 4, 2}));

    m = Setup(7, 8);
    m->RemoveAllMsg();
    Beamed(m, 7, DUR_EIGHTH);
    m->AutoBindByBeam(1, kPlaceByTime);
    EXPECT_EQ(GroupSizes(m), (std::vector<int> {4, 3}));

    m = Setup(5, 8);
    m->RemoveAllMsg();
    std::vector<CKVMsg*> notes = Beamed(m, 5, DUR_EIGHTH);
    m->AutoBindByBeam(1, kPlaceByTime);
    EXPECT_EQ(GroupSizes(m), (std::vector<int> {4}));
    EXPECT_EQ(Kinds(m), (std::vector<int> {MSG_BEAM, MSG_NOTE}));
    EXPECT_EQ(m->GetMsg(1), notes.back());
    EXPECT_FALSE(notes.back()->m_wFlag & MSGFLAG_BEAM_MEMBER);
}

TEST_F(BeamTest, CompositeMeterBeamsEachPartWhenThePartsFillTheMeasure)
{
    CKVMeas* m = Setup(7, 8);
    const char num[9] = {'3', 0, 0, '2', 0, 0, '2', 0, 0};
    const char den[9] = {'8', 0, 0, '8', 0, 0, '8', 0, 0};
    std::memcpy(m->m_szTimeNumText, num, sizeof num);
    std::memcpy(m->m_szTimeDenText, den, sizeof den);
    Beamed(m, 7, DUR_EIGHTH);
    m->AutoBindByBeam(1, kPlaceByTime);
    EXPECT_EQ(GroupSizes(m), (std::vector<int> {3, 2, 2}));

    // Read as fields this text is 3, 2, 0 over 8, 0, 0: only 3/8, which is
    // not the measure, so the ordinary rule holds.
    m->RemoveAllMsg();
    std::memset(m->m_szTimeNumText, 0, sizeof m->m_szTimeNumText);
    std::memset(m->m_szTimeDenText, 0, sizeof m->m_szTimeDenText);
    std::strcpy(m->m_szTimeNumText, "3+2+2");
    std::strcpy(m->m_szTimeDenText, "8");
    Beamed(m, 7, DUR_EIGHTH);
    m->AutoBindByBeam(1, kPlaceByTime);
    EXPECT_EQ(GroupSizes(m), (std::vector<int> {4, 3}));
}

TEST_F(BeamTest, RestsAtTheEdgesStayOutsideTheBeam)
{
    CKVMeas* m = Setup(4, 4);
    CKVMsg* lead = score->Rest(m, {.x = 0, .code = DUR_EIGHTH});
    Row(m, 6, DUR_EIGHTH, 0, 16, 16);
    CKVMsg* tail = score->Rest(m, {.x = 112, .code = DUR_EIGHTH});
    m->UpdateStartTime(1, 0, 0, kPerformedStartStays);
    m->AutoBindByBeam(1, kPlaceByTime);
    EXPECT_EQ(GroupSizes(m), (std::vector<int> {3, 3}));
    EXPECT_TRUE(IsChild(m, lead));
    EXPECT_TRUE(IsChild(m, tail));
    EXPECT_EQ(Kinds(m), (std::vector<int> {MSG_REST, MSG_BEAM, MSG_BEAM, MSG_REST}));
}

TEST_F(BeamTest, AQuarterBetweenTwoEighthsLeavesBothAlone)
{
    CKVMeas* m = Setup(4, 4);
    score->Note(m, {.x = 0, .code = DUR_EIGHTH});
    score->Note(m, {.x = 16, .code = DUR_QUARTER});
    score->Note(m, {.x = 48, .code = DUR_EIGHTH});
    Row(m, 4, DUR_EIGHTH, 0, 128, 16);
    m->UpdateStartTime(1, 0, 0, kPerformedStartStays);
    ASSERT_EQ(m->GetMsg(2)->m_nStartTime, 360);
    m->AutoBindByBeam(1, kPlaceByTime);
    EXPECT_EQ(Kinds(m), (std::vector<int> {MSG_NOTE, MSG_NOTE, MSG_NOTE, MSG_BEAM}));
    for (short i = 0; i < 3; ++i)
        EXPECT_FALSE(m->GetMsg(i)->m_wFlag & MSGFLAG_BEAM_MEMBER);
}

TEST_F(BeamTest, TupletsNeverShareAGroupWithPlainNotes)
{
    CKVMeas* m = Setup(4, 4);
    std::vector<CKVMsg*> triplet = Row(m, 3, DUR_EIGHTH, 0x0203, 0, 16);
    Row(m, 6, DUR_EIGHTH, 0, 48, 16);
    m->UpdateStartTime(1, 0, 0, kPerformedStartStays);
    m->AutoBindByBeam(1, kPlaceByTime);
    ASSERT_EQ(GroupSizes(m), (std::vector<int> {3, 2, 4}));
    CKVMsg* first = Groups(m)[0];
    for (CKVMsg* note : triplet)
        EXPECT_EQ(first->GetSortedIndex(note), -1) << "the triplet's notes are the first group";

    m = Setup(2, 4);
    m->RemoveAllMsg();
    Beamed(m, 6, DUR_EIGHTH, 0x0203);
    m->AutoBindByBeam(1, kPlaceByTime);
    EXPECT_EQ(GroupSizes(m), (std::vector<int> {3, 3}));
}

TEST_F(BeamTest, TupletsOfANewGroupAreMarkedForPlacing)
{
    CKVMeas* m = Setup(2, 4);
    std::vector<CKVMsg*> notes = Beamed(m, 3, DUR_EIGHTH, 0x0203);
    CKVMsg* tuplet = score->Symbol(notes[0], MSG_TUPLET, 0);
    ASSERT_NE(tuplet, nullptr);
    tuplet->m_byReplace = 0;
    m->AutoBindByBeam(1, kPlaceByTime);
    ASSERT_EQ(GroupSizes(m), (std::vector<int> {3}));
    EXPECT_EQ(tuplet->m_byReplace, 1);
}

TEST_F(BeamTest, AGroupAlreadyThereIsTakenOverAndExtended)
{
    CKVMeas* m = Setup(4, 4);
    CKVMsg* group = score->Beam(m, {.x = 0});
    Row(group, 2, DUR_EIGHTH, 0, 0, 16);
    Row(m, 6, DUR_EIGHTH, 0, 32, 16);
    m->UpdateStartTime(1, 0, 0, kPerformedStartStays);
    m->AutoBindByBeam(1, kPlaceByTime);
    ASSERT_EQ(GroupSizes(m), (std::vector<int> {4, 4}));
    EXPECT_EQ(Groups(m)[0], group);
    EXPECT_EQ(score->System()->GetMsgFromMap(group->m_dwMsgId), group);
}

TEST_F(BeamTest, RangeFormsBeamOnlyBetweenTheirPositions)
{
    CKVMeas* m = Setup(4, 4);
    Beamed(m, 8, DUR_EIGHTH);
    m->AutoBindByBeam(1, 64, 112, 0, kPlaceByTime);
    EXPECT_EQ(Kinds(m), (std::vector<int> {MSG_NOTE, MSG_NOTE, MSG_NOTE, MSG_NOTE, MSG_BEAM}));
    ASSERT_EQ(GroupSizes(m), (std::vector<int> {4}));
    EXPECT_EQ(Groups(m)[0]->GetStartTime(), 480);

    // Breaking a group of eight and beaming the range again gives the
    // meter's groups.
    m->RemoveAllMsg();
    CKVMsg* group = score->Beam(m, {.x = 0});
    Row(group, 8, DUR_EIGHTH, 0, 0, 16);
    m->UpdateStartTime(1, 0, 0, kPerformedStartStays);
    m->BindByBeam(1, 0, 255, kPlaceByTime, 0);
    EXPECT_EQ(GroupSizes(m), (std::vector<int> {4, 4}));
}

TEST_F(BeamTest, BindGroupByBeamIgnoresTheMeter)
{
    CKVMeas* m = Setup(4, 4);
    Beamed(m, 8, DUR_EIGHTH);
    CKVMsg* result = m->BindGroupByBeam(1, 0, 255, kStemDefault);
    ASSERT_EQ(GroupSizes(m), (std::vector<int> {8}));
    EXPECT_EQ(result, Groups(m).front());

    m->RemoveAllMsg();
    Row(m, 4, DUR_EIGHTH, 0, 0, 16);
    CKVMsg* quarter = score->Note(m, {.x = 64, .code = DUR_QUARTER});
    Row(m, 2, DUR_EIGHTH, 0, 96, 16);
    m->UpdateStartTime(1, 0, 0, kPerformedStartStays);
    m->BindGroupByBeam(1, 0, 255, kStemDefault);
    EXPECT_EQ(Kinds(m), (std::vector<int> {MSG_BEAM, MSG_NOTE, MSG_BEAM}));
    EXPECT_EQ(GroupSizes(m), (std::vector<int> {4, 2}));
    EXPECT_EQ(m->GetMsg(1), quarter);
}

TEST_F(BeamTest, BindGroupByBeamKeepsOtherVoicesAndOutsideNotesApart)
{
    CKVMeas* m = Setup(4, 4);
    Row(m, 4, DUR_EIGHTH, 0, 0, 32);
    Row(m, 2, DUR_EIGHTH, 0, 8, 32, 2);
    m->UpdateStartTime(0, 0, 0, kPerformedStartStays);
    m->BindGroupByBeam(1, 0, 64, kStemDefault);
    ASSERT_EQ(GroupSizes(m), (std::vector<int> {3}));
    for (short i = 0; i < m->GetMsgNum(); ++i) {
        CKVMsg* msg = m->GetMsg(i);
        if (msg->m_byKind == MSG_NOTE) {
            EXPECT_TRUE(msg->m_byVoice == 2 || msg->m_nPosX == 96) << msg->m_nPosX;
        }
    }
}

TEST_F(BeamTest, GraceRunsGetOneBeamAndTheAutomaticStem)
{
    CKVMeas* m = Setup(4, 4);
    CKVMsg* g1 = score->Grace(m, {.x = 0, .y = -40, .code = DUR_EIGHTH});
    CKVMsg* g2 = score->Grace(m, {.x = 8, .y = -48, .code = DUR_EIGHTH});
    CKVMsg* main = score->Note(m, {.x = 32, .code = DUR_QUARTER});
    m->UpdateStartTime(1, 0, 0, kPerformedStartStays);
    ASSERT_EQ(g1->m_lHeight, -28);
    m->AutoBindGraceNoteByBeam(1);
    ASSERT_EQ(GroupSizes(m), (std::vector<int> {2}));
    CKVMsg* group = Groups(m)[0];
    EXPECT_EQ(group->GetMsg(0), g1);
    EXPECT_EQ(group->GetMsg(1), g2);
    EXPECT_TRUE(IsChild(m, main));
    // Above the middle line the automatic stem points down: 56 at L = 16.
    EXPECT_EQ(g1->m_lHeight, 56);
    EXPECT_EQ(g2->m_lHeight, 56);
}

TEST_F(BeamTest, AutoBindByChordJoinsNotesThatShareAPosition)
{
    CKVMeas* m = Setup(4, 4);
    score->Note(m, {.x = 0, .y = 0});
    score->Note(m, {.x = 0, .y = -16});
    score->Note(m, {.x = 0, .y = 16});
    CKVMsg* single = score->Note(m, {.x = 64, .y = 8});
    m->AutoBindByChord(1);
    ASSERT_EQ(Kinds(m), (std::vector<int> {MSG_CHORD, MSG_NOTE}));
    CKVMsg* chord = m->GetMsg(0);
    ASSERT_EQ(chord->GetMsgNum(), 3);
    EXPECT_EQ(chord->GetMsg(0)->m_nPosY, 16);
    EXPECT_EQ(chord->GetMsg(1)->m_nPosY, 0);
    EXPECT_EQ(chord->GetMsg(2)->m_nPosY, -16);
    EXPECT_EQ(m->GetMsg(1), single);
    EXPECT_EQ(chord->m_nStartTime, 0);
    EXPECT_EQ(single->m_nStartTime, 240);
}

TEST_F(BeamTest, BeamOrderPutsEdgeRestsBackAndDissolvesASingleNote)
{
    CKVMeas* m = Setup(4, 4);
    CKVMsg* group = score->Beam(m, {.x = 0});
    CKVMsg* r1 = score->Rest(group, {.x = 0, .code = DUR_EIGHTH});
    score->Note(group, {.x = 16, .code = DUR_EIGHTH});
    CKVMsg* r2 = score->Rest(group, {.x = 32, .code = DUR_EIGHTH});
    score->Note(group, {.x = 48, .code = DUR_EIGHTH});
    CKVMsg* r3 = score->Rest(group, {.x = 64, .code = DUR_EIGHTH});
    EXPECT_EQ(group->BeamOrder(), 3);
    EXPECT_TRUE(IsChild(m, r1));
    EXPECT_TRUE(IsChild(m, r3));
    EXPECT_TRUE(IsChild(group, r2)) << "a rest inside the beam stays";

    // A group of one note and rests keeps nothing; the note takes the
    // voice's stem direction (voice 2: up).
    m->RemoveAllMsg();
    group = score->Beam(m, {.x = 0, .voice = 2});
    CKVMsg* note = score->Note(group, {.x = 0, .y = -40, .code = DUR_EIGHTH, .voice = 2});
    score->Rest(group, {.x = 16, .code = DUR_EIGHTH, .voice = 2});
    note->m_lHeight = 28;
    EXPECT_EQ(group->BeamOrder(), 0);
    EXPECT_EQ(group->GetMsgNum(), 0);
    EXPECT_TRUE(IsChild(m, note));
    EXPECT_LT(note->m_lHeight, 0);

    // Only a group that stands in a measure is tidied.
    EXPECT_EQ(note->BeamOrder(), -1);
    CKVMsg* inner = score->Beam(note, {.x = 0});
    EXPECT_EQ(inner->BeamOrder(), -1);
}

TEST_F(BeamTest, GetNoteKindLooksIntoGroupsAndChordsAndSkipsRestsAndGraces)
{
    CKVMeas* m = Setup(4, 4);
    score->Rest(m, {.x = 0, .code = DUR_EIGHTH});
    score->Grace(m, {.x = 8, .code = DUR_32ND});
    CKVMsg* group = score->Beam(m, {.x = 16});
    score->Chord(group, {.x = 16, .code = DUR_16TH}, {0, -16});
    score->Note(group, {.x = 24, .code = DUR_16TH});
    score->Note(m, {.x = 40, .code = DUR_EIGHTH, .voice = 2});
    m->UpdateStartTime(0, 0, 0, kPerformedStartStays);
    EXPECT_EQ(m->GetNoteKind(1, 0, 480), DUR_16TH);
    EXPECT_EQ(m->GetNoteKind(1, 0, 120), -1);
    EXPECT_EQ(m->GetNoteKind(2, 0, 960), DUR_EIGHTH);
    EXPECT_EQ(m->GetNoteKind(3, 0, 960), -1);
}

TEST_F(BeamTest, AZeroLengthMeasureMakesNoGroup)
{
    CKVMeas* m = Setup(4, 4);
    Beamed(m, 8, DUR_EIGHTH);
    m->m_nTimeNum = 0;
    m->CalcWholeCount();
    ASSERT_EQ(m->m_nLength, 0);
    m->AutoBindByBeam(1, kPlaceByTime);
    m->AutoBindByBeam(1, 0, 255, 0, kPlaceByTime);
    EXPECT_EQ(m->BindByBeam(1, 0, 480, kPlaceByTime), nullptr);
    EXPECT_TRUE(Groups(m).empty());
    EXPECT_EQ(m->GetMsgNum(), 8);
}

// A damaged tick unit or meter must end; a watchdog fails the test instead
// of letting it hang.
TEST_F(BeamTest, DamagedTickUnitsAndMetersEnd)
{
    std::atomic<bool> done {false};
    std::thread watchdog([&done] {
        for (int i = 0; i < 100 && !done; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (!done) {
            std::fputs("beaming did not end within 10 s\n", stderr);
            std::abort();
        }
    });

    CKVMeas* m = Setup(4, 4);
    score->System()->m_dwTicksPerQuarter = 2;
    m->CalcWholeCount();
    Beamed(m, 8, DUR_EIGHTH);
    EXPECT_EQ(m->AutoBeamGetDur(0, 0), 0);
    m->AutoBindByBeam(1, kPlaceByTime);
    m->AutoBindByBeam(1, 0, 255, 0, kPlaceByTime);
    EXPECT_TRUE(Groups(m).empty());

    // A negative beat count from a damaged file gives a negative group.
    score->System()->m_dwTicksPerQuarter = 240;
    m->m_nTimeNum = -5;
    m->m_nTimeDen = 8;
    m->m_nLength = 600;
    EXPECT_EQ(m->AutoBeamGetDur(1, 0), 0);
    m->AutoBindByBeam(1, kPlaceByTime);
    EXPECT_TRUE(Groups(m).empty());

    done = true;
    watchdog.join();
}

} // namespace
