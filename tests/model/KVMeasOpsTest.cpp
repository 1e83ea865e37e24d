// Measure-level edits of symbols: neighbour positions, stems of voices, tie
// curvature in chords, tremolo flags, split points, chord symbols hung on
// notes and notes moved to a neighbouring staff.

#include "harmony/ChordSymbol.h"
#include "support/KvTest.h"
#include "support/ScoreBuilder.h"
#include "support/ScoreTest.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

class KVMeasOpsTest : public kvtest::ScoreTest {
protected:
    void SetUp() override
    {
        ScoreTest::SetUp();
        meas = score->Meas(0, 0);
    }

    kvtest::ScoreShape Shape() override { return {.lineSpacing = 16, .staves = 1, .measures = 2}; }

    std::vector<CKVMsg*> Quarters(std::vector<short> xs, BYTE voice = 1)
    {
        std::vector<CKVMsg*> notes;
        for (short x : xs)
            notes.push_back(score->Note(meas, {.x = x, .voice = voice}));
        return notes;
    }

    static bool Holds(CKVObject& node, CKVMsg* msg)
    {
        for (short i = 0; i < node.GetMsgNum(); ++i) {
            if (node.GetMsg(i) == msg)
                return true;
        }
        return false;
    }

    CKVMsg* AddChordSymbol(CKVObject* parent, short x)
    {
        auto* symbol = new CChordSymbol;
        symbol->m_nPosX = x;
        if (parent->m_byObjKind == OBJ_MEAS)
            EXPECT_EQ(static_cast<CKVMeas*>(parent)->AddMsg(symbol, kHolderOwns), 1);
        else
            parent->AddMsg(symbol, kHolderOwns, kParentHere);
        return symbol;
    }

    CKVMeas* meas = nullptr;
};

TEST_F(KVMeasOpsTest, EmptyMeasureNeighboursAreABeatAway)
{
    EXPECT_EQ(meas->GetMsgOfLeftPos(10), -1);
    EXPECT_EQ(meas->GetMsgOfLeftPos(64), 0);
    EXPECT_EQ(meas->GetMsgOfLeftPos(100), 36);
    EXPECT_EQ(meas->GetMsgOfRightPos(100), 164);
    EXPECT_EQ(meas->GetMsgOfRightPos(191), 255);
    EXPECT_EQ(meas->GetMsgOfRightPos(192), -1);
    EXPECT_EQ(meas->GetMsgOfRightPos(200), -1);

    score->Setup(meas, {.beats = 3, .beatUnit = 4});
    EXPECT_EQ(meas->GetMsgOfLeftPos(100), 15);
}

TEST_F(KVMeasOpsTest, NeighboursWithoutANumeratorAreNone)
{
    for (short numerator : {0, -2}) {
        meas->m_nTimeNum = numerator;
        EXPECT_EQ(meas->GetMsgOfLeftPos(100), -1) << numerator;
        EXPECT_EQ(meas->GetMsgOfRightPos(100), -1) << numerator;
    }
}

TEST_F(KVMeasOpsTest, NeighboursAreTheNearestSymbols)
{
    Quarters({32, 128});
    score->Chord(meas, {.x = 160}, {0, -16});
    score->Symbol(meas, MSG_FREETEXT, 80);
    EXPECT_EQ(meas->GetMsgOfLeftPos(100), 32);
    EXPECT_EQ(meas->GetMsgOfLeftPos(200), 160);
    EXPECT_EQ(meas->GetMsgOfRightPos(40), 128);
    EXPECT_EQ(meas->GetMsgOfRightPos(128), 128);
    EXPECT_EQ(meas->GetMsgOfRightPos(150), 160);
    // Past the last symbol the beat step answers.
    EXPECT_EQ(meas->GetMsgOfRightPos(170), 234);
}

TEST_F(KVMeasOpsTest, OverlappingVoicesAlternateStems)
{
    CKVMsg* one = score->Note(meas, {.x = 64, .y = 0, .voice = 1});
    CKVMsg* two = score->Note(meas, {.x = 64, .y = 0, .voice = 2});
    meas->AutoUpDownNoteDir();
    EXPECT_LT(one->m_lHeight, 0);
    EXPECT_GT(two->m_lHeight, 0);

    // The higher note comes first and gets the stem up.
    two->m_nPosY = -16;
    meas->AutoUpDownNoteDir();
    EXPECT_LT(two->m_lHeight, 0);
    EXPECT_GT(one->m_lHeight, 0);
}

TEST_F(KVMeasOpsTest, ChangeNoteDirTurnsTheVoiceFromAPosition)
{
    std::vector<CKVMsg*> notes = Quarters({0, 64, 128});
    CKVMsg* other = score->Note(meas, {.x = 128, .voice = 2});
    meas->ChangeNoteDir(1, kStemDown, 64);
    EXPECT_LT(notes[0]->m_lHeight, 0);
    EXPECT_GT(notes[1]->m_lHeight, 0);
    EXPECT_GT(notes[2]->m_lHeight, 0);
    EXPECT_LT(other->m_lHeight, 0);
}

TEST_F(KVMeasOpsTest, SetNoteDirSetsTheSignAtOnePosition)
{
    CKVMsg* note = score->Note(meas, {.x = 64});
    CKVMsg* chord = score->Chord(meas, {.x = 128}, {0, -16});
    CKVMsg* other = score->Note(meas, {.x = 64, .voice = 2});
    note->m_lHeight = -56;

    meas->SetNoteDir(1, 64, 0);
    EXPECT_EQ(note->m_lHeight, 56);
    EXPECT_EQ(other->m_lHeight, -28);
    meas->SetNoteDir(1, 64, 1);
    EXPECT_EQ(note->m_lHeight, -56);

    meas->SetNoteDir(0, 128, 0);
    EXPECT_EQ(chord->GetMsg(0)->m_lHeight, 28);
    EXPECT_EQ(chord->GetMsg(1)->m_lHeight, 28);
}

TEST_F(KVMeasOpsTest, TiesInAChordCurveApart)
{
    CKVMsg* first = score->Chord(meas, {.x = 0}, {16, 0, -16});
    CKVMsg* second = score->Chord(meas, {.x = 64}, {16, 0, -16});
    std::vector<CKVMsg*> ties;
    for (short i = 0; i < 3; ++i) {
        CKVMsg* tie = score->Tie(first->GetMsg(i), second->GetMsg(i));
        tie->m_nLayout1 = 6;
        tie->m_nLayout2 = 6;
        tie->m_nPosY = 0;
        ties.push_back(tie);
    }
    // The walk marks the chord members, which is what makes them count.
    meas->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
    meas->TieDirUpdate(0, 4);

    // Members run from the lowest note up.
    EXPECT_EQ(ties[0]->m_nPosY, 0);
    EXPECT_EQ(ties[0]->m_nLayout1, 6);
    EXPECT_EQ(ties[0]->m_nLayout2, 6);
    for (int i : {1, 2}) {
        EXPECT_EQ(ties[i]->m_nPosY, -4) << i;
        EXPECT_EQ(ties[i]->m_nLayout1, -6) << i;
        EXPECT_EQ(ties[i]->m_nLayout2, -6) << i;
    }

    // A tie that curves upwards in the lower half goes down to the offset.
    ties[0]->m_nLayout1 = -6;
    meas->TieDirUpdate(1, 4);
    EXPECT_EQ(ties[0]->m_nPosY, 4);
    EXPECT_EQ(ties[0]->m_nLayout1, 6);
    // Another voice's chords are not touched.
    ties[0]->m_nLayout1 = -6;
    meas->TieDirUpdate(2, 4);
    EXPECT_EQ(ties[0]->m_nLayout1, -6);
}

TEST_F(KVMeasOpsTest, TremoloFlagsMarkBothEnds)
{
    std::vector<CKVMsg*> notes = Quarters({0, 64, 128});
    notes[0]->m_wFlag = MSGFLAG_TREMOLO_END;
    meas->SetTremolo(1, 0, 64);
    EXPECT_EQ(notes[0]->m_wFlag, MSGFLAG_TREMOLO_START);
    EXPECT_EQ(notes[1]->m_wFlag, MSGFLAG_TREMOLO_END);
    EXPECT_EQ(notes[2]->m_wFlag, 0);

    meas->RemoveTremolo(1, 64, 0);
    EXPECT_EQ(notes[0]->m_wFlag, 0);
    EXPECT_EQ(notes[1]->m_wFlag, 0);

    // One note at both ends keeps the end flag only.
    meas->SetTremolo(1, 128, 128);
    EXPECT_EQ(notes[2]->m_wFlag, MSGFLAG_TREMOLO_END);
    // Another voice is not touched.
    meas->RemoveTremolo(2, 0, 256);
    EXPECT_EQ(notes[2]->m_wFlag, MSGFLAG_TREMOLO_END);
}

TEST_F(KVMeasOpsTest, UpdateTremoloDropsBrokenPairs)
{
    std::vector<CKVMsg*> notes = Quarters({0, 64, 128, 192});
    meas->SetTremolo(1, 0, 64);
    CKVMsg* kept = score->Symbol(meas, MSG_TREMOLO, 0);
    kept->m_nPosX2 = 64;

    // A pair whose symbol is gone loses its flags.
    meas->SetTremolo(1, 128, 192);

    meas->UpdateTremolo();
    EXPECT_TRUE(Holds(*meas, kept));
    EXPECT_EQ(notes[0]->m_wFlag, MSGFLAG_TREMOLO_START);
    EXPECT_EQ(notes[1]->m_wFlag, MSGFLAG_TREMOLO_END);
    EXPECT_EQ(notes[2]->m_wFlag, 0);
    EXPECT_EQ(notes[3]->m_wFlag, 0);

    // A symbol that does not run rightwards goes, and so do its flags.
    kept->m_nPosX2 = 0;
    meas->UpdateTremolo();
    EXPECT_FALSE(Holds(*meas, kept));
    EXPECT_EQ(notes[0]->m_wFlag & (MSGFLAG_TREMOLO_START | MSGFLAG_TREMOLO_END), 0);
}

TEST_F(KVMeasOpsTest, SplitPointModesScaleEitherSide)
{
    const std::vector<short> expected[] = {{0, 32, 64, 160}, {0, 32, 64, 192}, {0, 64, 64, 160}};
    const std::vector<short> start = {0, 64, 128, 192};
    std::vector<CKVMsg*> notes = Quarters(start);
    for (short mode = 1; mode <= 3; ++mode) {
        for (size_t i = 0; i < notes.size(); ++i)
            notes[i]->m_nPosX = start[i];
        meas->SetPakPosByNote(mode, 128, 64, 0);
        std::vector<short> positions;
        for (CKVMsg* note : notes)
            positions.push_back(note->m_nPosX);
        EXPECT_EQ(positions, expected[mode - 1]) << mode;
    }

    // Moving the split point back right runs the other way round.
    for (size_t i = 0; i < notes.size(); ++i)
        notes[i]->m_nPosX = start[i];
    meas->SetPakPosByNote(1, 64, 128, 0);
    std::vector<short> positions;
    for (CKVMsg* note : notes)
        positions.push_back(note->m_nPosX);
    EXPECT_EQ(positions, (std::vector<short> {0, 128, 171, 213}));
}

TEST_F(KVMeasOpsTest, SplitPointMovesChordMembersAndGroupEnds)
{
    CKVMsg* chord = score->Chord(meas, {.x = 192}, {0, -16});
    CKVMsg* group = score->Beam(meas, {.x = 64, .voice = 2});
    score->Note(group, {.x = 64, .code = DUR_EIGHTH, .voice = 2});
    score->Note(group, {.x = 128, .code = DUR_EIGHTH, .voice = 2});
    group->m_nPosX2 = 128;

    meas->SetPakPosByNote(1, 128, 64, 0);
    EXPECT_EQ(chord->m_nPosX, 160);
    EXPECT_EQ(chord->GetMsg(0)->m_nPosX, 160);
    EXPECT_EQ(chord->GetMsg(1)->m_nPosX, 160);
    EXPECT_EQ(group->m_nPosX, 32);
    EXPECT_EQ(group->m_nPosX2, 64);
}

TEST_F(KVMeasOpsTest, SplitPointAtAnEdgeLeavesTheFarSideAlone)
{
    CKVMsg* header = score->Note(meas, {.x = -20});
    CKVMsg* inside = score->Note(meas, {.x = 128});
    meas->SetPakPosByNote(1, 0, 64, 0);
    EXPECT_EQ(header->m_nPosX, -20);
    EXPECT_EQ(inside->m_nPosX, 64 + 96);

    CKVMsg* past = score->Note(meas, {.x = 300, .voice = 2});
    meas->SetPakPosByNote(1, 256, 128, 0);
    EXPECT_EQ(past->m_nPosX, 300);
}

TEST_F(KVMeasOpsTest, SplitPointCarriesTremoloEnds)
{
    std::vector<CKVMsg*> notes = Quarters({128, 192});
    meas->SetTremolo(1, 128, 192);
    CKVMsg* tremolo = score->Symbol(meas, MSG_TREMOLO, 128);
    tremolo->m_nPosX2 = 192;
    meas->SetPakPosByNote(1, 128, 64, 0);
    EXPECT_EQ(tremolo->m_nPosX, 64);
    EXPECT_EQ(tremolo->m_nPosX2, 160);
}

TEST_F(KVMeasOpsTest, ChordSymbolsHangOnTheNearestFreeNote)
{
    std::vector<CKVMsg*> notes = Quarters({0, 128});
    CKVMsg* a = AddChordSymbol(meas, 100);
    CKVMsg* b = AddChordSymbol(meas, 120);
    CKVMsg* c = AddChordSymbol(meas, 130);

    meas->BelongChordSymbolToNote();
    EXPECT_TRUE(Holds(*notes[1], a));
    EXPECT_EQ(a->m_pParent, notes[1]);
    EXPECT_EQ(a->m_nPosX, 0);
    EXPECT_FALSE(Holds(*meas, a));
    EXPECT_TRUE(Holds(*notes[0], b));
    EXPECT_FALSE(Holds(*meas, b));
    EXPECT_TRUE(Holds(*meas, c));
    EXPECT_EQ(c->m_nPosX, 130);
}

class KVMeasCrossStaffTest : public KVMeasOpsTest {
protected:
    kvtest::ScoreShape Shape() override { return {.lineSpacing = 16, .staves = 2, .measures = 1}; }
};

TEST_F(KVMeasCrossStaffTest, MovedNoteBelongsToTheStaffAbove)
{
    CKVMeas* upper = score->Meas(0, 0);
    CKVMeas* lower = score->Meas(1, 0);
    upper->m_nStaffY = 100;
    lower->m_nStaffY = 200;
    CKVMsg* note = score->Note(lower, {.x = 64, .y = 0});
    CKVMsg* stays = score->Note(lower, {.x = 128, .y = 0});

    // The flag follows the staves whatever `up` says.
    lower->NoteBelongToUpDownStaffForCrossBeam(1, 1, 0, 64, upper);
    EXPECT_EQ(note->m_nPosY2, 0);
    EXPECT_EQ(note->m_nPosY, 100);
    EXPECT_EQ(note->m_pParent, upper);
    EXPECT_TRUE(Holds(*upper, note));
    EXPECT_FALSE(Holds(*lower, note));
    EXPECT_TRUE(Holds(*lower, stays));
    EXPECT_EQ(note->m_wFlag & (MSGFLAG_STAFF_UP | MSGFLAG_STAFF_DOWN), MSGFLAG_STAFF_DOWN);
    ASSERT_EQ(upper->m_arrDownMsg.GetSize(), 1);
    EXPECT_EQ(upper->m_arrDownMsg.GetAt(0), note->m_dwMsgId);
    EXPECT_EQ(upper->m_arrUpMsg.GetSize(), 0);

    lower->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkCrossStaff, kWalkTimedOnly);
    bool listed = false;
    for (int i = 0; i < lower->m_arrWalk.GetSize(); ++i)
        listed = listed || lower->m_arrWalk.GetAt(i) == note->m_dwMsgId;
    EXPECT_TRUE(listed);
}

TEST_F(KVMeasCrossStaffTest, NoteMovedDownGetsTheUpFlag)
{
    CKVMeas* upper = score->Meas(0, 0);
    CKVMeas* lower = score->Meas(1, 0);
    upper->m_nStaffY = 100;
    lower->m_nStaffY = 200;
    CKVMsg* note = score->Note(upper, {.x = 64, .y = -8});
    upper->NoteBelongToUpDownStaffForCrossBeam(1, 1, 64, 64, lower);
    EXPECT_EQ(note->m_nPosY2, -8);
    EXPECT_EQ(note->m_nPosY, -108);
    EXPECT_EQ(note->m_pParent, lower);
    EXPECT_EQ(note->m_wFlag & (MSGFLAG_STAFF_UP | MSGFLAG_STAFF_DOWN), MSGFLAG_STAFF_UP);
}

} // namespace
