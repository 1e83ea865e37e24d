// Taking symbols out of a measure and its containers, the nearest note to
// either side of a position, flags put on the notes at a position, and the
// lists of notes drawn on a neighbouring staff.

#include "support/TimingFixture.h"

#include <vector>

using kvtest::TimingTest;

namespace {

class MeasEditTest : public TimingTest {
protected:
    kvtest::ScoreShape Shape() override { return {.lineSpacing = 16, .staves = 1, .measures = 2}; }

    static bool Holds(CKVObject& node, CKVMsg* msg)
    {
        for (short i = 0; i < node.GetMsgNum(); ++i) {
            if (node.GetMsg(i) == msg)
                return true;
        }
        return false;
    }

    static int Count(const CDWordArray& list, DWORD id)
    {
        int n = 0;
        for (int i = 0; i < list.GetSize(); ++i)
            n += list.GetAt(i) == id ? 1 : 0;
        return n;
    }
};

TEST_F(MeasEditTest, DeletingTheLastNoteTakesItsContainersWithIt)
{
    CKVMeas* m = Meas();
    CKVMsg* kept = score->Note(m, {.x = 0});
    CKVMsg* group = score->Beam(m, {.x = 64, .code = DUR_EIGHTH});
    CKVMsg* chord = score->Chord(group, {.x = 64, .code = DUR_EIGHTH}, {0});
    CKVMsg* note = chord->GetMsg(0);
    const DWORD noteId = note->m_dwMsgId;

    // A note of another measure is not found.
    CKVMsg* elsewhere = score->Note(Meas(0, 1), {.x = 64});
    EXPECT_EQ(m->DeleteMsg(elsewhere, kUnlinkAndFree), 0);
    EXPECT_EQ(m->GetMsgNum(), 2);

    EXPECT_EQ(m->DeleteMsg(note, kUnlinkAndFree), 1);
    EXPECT_EQ(m->GetMsgNum(), 1);
    EXPECT_TRUE(Holds(*m, kept));
    EXPECT_EQ(chord->GetMsgNum(), 0);
    EXPECT_EQ(group->GetMsgNum(), 0);
    // The owned symbols are recorded for deletion, the note first.
    const CDWordArray& deleted = score->Doc().m_arrDeleteMsgId;
    ASSERT_EQ(deleted.GetSize(), 3);
    EXPECT_EQ(deleted.GetAt(0), noteId);
    EXPECT_EQ(deleted.GetAt(1), chord->m_dwMsgId);
    EXPECT_EQ(deleted.GetAt(2), group->m_dwMsgId);

    // Once gone it is not found again.
    EXPECT_EQ(m->DeleteMsg(note, kUnlinkAndFree), 0);
    EXPECT_EQ(m->DeleteMsg(nullptr, kUnlinkAndFree), 0);
}

TEST_F(MeasEditTest, UnlinkingKeepsTheSymbolAndTheOtherMembers)
{
    CKVMeas* m = Meas();
    CKVMsg* chord = score->Chord(m, {.x = 64}, {0, -16});
    CKVMsg* low = chord->GetMsg(0);
    CKVMsg* high = chord->GetMsg(1);
    CKVMsg* direct = score->Note(m, {.x = 128});

    EXPECT_EQ(m->DeleteMsg(low, kUnlinkOnly), 1);
    EXPECT_FALSE(Holds(*chord, low));
    EXPECT_TRUE(Holds(*chord, high));
    EXPECT_TRUE(Holds(*m, chord));
    EXPECT_EQ(score->System()->GetMsgFromMap(low->m_dwMsgId), low);

    EXPECT_EQ(m->DeleteMsg(direct, kUnlinkOnly), 1);
    EXPECT_FALSE(Holds(*m, direct));
    EXPECT_EQ(score->System()->GetMsgFromMap(direct->m_dwMsgId), direct);
    EXPECT_EQ(score->Doc().m_arrDeleteMsgId.GetSize(), 0);

    // A chord emptied by an unlink still leaves, and is recorded for
    // deletion, while the unlinked note is not.
    EXPECT_EQ(m->DeleteMsg(high, kUnlinkOnly), 1);
    EXPECT_FALSE(Holds(*m, chord));
    ASSERT_EQ(score->Doc().m_arrDeleteMsgId.GetSize(), 1);
    EXPECT_EQ(score->Doc().m_arrDeleteMsgId.GetAt(0), chord->m_dwMsgId);

}

TEST_F(MeasEditTest, DeletingPassesOverStaleReferences)
{
    CKVMeas* m = Meas();
    CKVMsg* gone = score->Note(m, {.x = 0});
    CKVMsg* chord = score->Chord(m, {.x = 64}, {0, -16});
    CKVMsg* high = chord->GetMsg(1);
    score->MakeStale(gone);
    score->MakeStale(chord->GetMsg(0));

    // The chord keeps no live member once its high note is out: it goes too.
    EXPECT_EQ(m->DeleteMsg(high, kUnlinkAndFree), 1);
    for (short i = 0; i < m->GetMsgNum(); ++i)
        EXPECT_NE(m->GetMsg(i), chord);
}

TEST_F(MeasEditTest, RemoveAtOutsideTheListDoesNothing)
{
    CKVMeas* m = Meas();
    CKVMsg* chord = score->Chord(m, {.x = 64}, {0});
    m->RemoveAt(-1);
    m->RemoveAt(1);
    chord->RemoveAt(1);
    EXPECT_EQ(m->GetMsgNum(), 1);
    EXPECT_EQ(chord->GetMsgNum(), 1);
}

class NearestTest : public MeasEditTest {
protected:
    void SetUp() override
    {
        MeasEditTest::SetUp();
        m = Meas();
        first = score->Note(m, {.x = 0});
        rest = score->Rest(m, {.x = 32});
        second = score->Note(m, {.x = 64});
        chord = score->Chord(m, {.x = 128}, {0, -16});
    }

    CKVMeas* m = nullptr;
    CKVMsg* first = nullptr;
    CKVMsg* rest = nullptr;
    CKVMsg* second = nullptr;
    CKVMsg* chord = nullptr;
};

TEST_F(NearestTest, NearestNotesEitherSide)
{
    CKVMsg* last = chord->GetMsg(static_cast<short>(chord->GetMsgNum() - 1));
    EXPECT_EQ(m->GetNearestRightOfX(1, 65, kNotesAndRests, kChordsWhole), last);
    EXPECT_EQ(m->GetNearestLeftOfX(1, 64, kNotesOnly, kChordsWhole), first);
    EXPECT_EQ(m->GetNearestLeftOfX(1, 64, kNotesAndRests, kChordsWhole), rest);

    // At x counts as right of it, never as left.
    EXPECT_EQ(m->GetNearestRightOfX(1, 64, kNotesAndRests, kChordsWhole), second);
    EXPECT_EQ(m->GetNearestRightOfX(1, 1, kNotesAndRests, kChordsWhole), rest);
    EXPECT_EQ(m->GetNearestRightOfX(1, 1, kNotesOnly, kChordsWhole), second);
    EXPECT_EQ(m->GetNearestLeftOfX(1, 0, kNotesAndRests, kChordsWhole), nullptr);
    EXPECT_EQ(m->GetNearestRightOfX(1, 129, kNotesAndRests, kChordsWhole), nullptr);
    EXPECT_EQ(m->GetNearestLeftOfX(1, 256, kNotesAndRests, kChordsWhole), last);

    // With chords taken apart the members themselves are candidates.
    CKVMsg* member = m->GetNearestRightOfX(1, 65, kNotesAndRests, kChordNotesSingly);
    ASSERT_NE(member, nullptr);
    EXPECT_EQ(member->m_pParent, chord);
}

TEST_F(NearestTest, OtherVoicesAndGroupsCount)
{
    CKVMsg* other = score->Note(m, {.x = 100, .voice = 2});
    CKVMsg* group = score->Beam(m, {.x = 192, .code = DUR_EIGHTH});
    CKVMsg* member = score->Note(group, {.x = 192, .code = DUR_EIGHTH});
    score->Note(group, {.x = 224, .code = DUR_EIGHTH});

    EXPECT_EQ(m->GetNearestRightOfX(1, 65, kNotesAndRests, kChordsWhole), chord->GetMsg(1));
    EXPECT_EQ(m->GetNearestRightOfX(0, 65, kNotesAndRests, kChordsWhole), other);
    EXPECT_EQ(m->GetNearestRightOfX(2, 101, kNotesAndRests, kChordsWhole), nullptr);
    EXPECT_EQ(m->GetNearestRightOfX(1, 129, kNotesOnly, kChordsWhole), member);
}

TEST_F(NearestTest, TheWalkInProgressIsKept)
{
    m->ResetGetNextMsg(kChordsWhole, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
    std::vector<DWORD> before;
    for (int i = 0; i < m->m_arrWalk.GetSize(); ++i)
        before.push_back(m->m_arrWalk.GetAt(i));
    short cursor = 1;
    EXPECT_EQ(m->GetNextMsg(cursor), rest);

    m->GetNearestRightOfX(1, 65, kNotesAndRests, kChordNotesSingly);
    m->GetNearestLeftOfX(0, 200, kNotesOnly, kChordNotesSingly);
    std::vector<DWORD> after;
    for (int i = 0; i < m->m_arrWalk.GetSize(); ++i)
        after.push_back(m->m_arrWalk.GetAt(i));
    EXPECT_EQ(after, before);
    EXPECT_EQ(m->GetNextMsg(cursor), second);
}

TEST_F(MeasEditTest, FlagsGoOnTheNotesOfTheVoiceAtX)
{
    CKVMeas* m = Meas();
    CKVMsg* direct = score->Note(m, {.x = 64, .y = -40});
    CKVMsg* group = score->Beam(m, {.x = 64, .code = DUR_EIGHTH});
    CKVMsg* chord = score->Chord(group, {.x = 64, .code = DUR_EIGHTH}, {0, -16});
    CKVMsg* beside = score->Note(m, {.x = 128});
    CKVMsg* otherVoice = score->Note(m, {.x = 64, .y = -8, .voice = 2});
    CKVMsg* rest = score->Rest(m, {.x = 64, .voice = 1});

    m->SetFlag2Note(64, 1, MSGFLAG_TREMOLO_START);
    EXPECT_EQ(direct->m_wFlag, MSGFLAG_TREMOLO_START);
    EXPECT_EQ(chord->GetMsg(0)->m_wFlag, MSGFLAG_TREMOLO_START);
    EXPECT_EQ(chord->GetMsg(1)->m_wFlag, MSGFLAG_TREMOLO_START);
    EXPECT_EQ(chord->m_wFlag, 0);
    EXPECT_EQ(group->m_wFlag, 0);
    EXPECT_EQ(beside->m_wFlag, 0);
    EXPECT_EQ(otherVoice->m_wFlag, 0);
    EXPECT_EQ(rest->m_wFlag, 0);

    m->SetFlag2Note(64, 0, MSGFLAG_TREMOLO_END);
    EXPECT_EQ(direct->m_wFlag, MSGFLAG_TREMOLO_START | MSGFLAG_TREMOLO_END);
    EXPECT_EQ(otherVoice->m_wFlag, MSGFLAG_TREMOLO_END);
    EXPECT_EQ(beside->m_wFlag, 0);
}

TEST_F(MeasEditTest, CrossStaffNotesAreListedOnce)
{
    CKVMeas* m = Meas();
    CKVMsg* up = score->Note(m, {.x = 0, .flags = MSGFLAG_STAFF_UP});
    CKVMsg* down = score->Note(m, {.x = 64, .flags = MSGFLAG_STAFF_DOWN});
    CKVMsg* plain = score->Note(m, {.x = 128});
    CKVMsg* chord = score->Chord(m, {.x = 192, .flags = MSGFLAG_STAFF_UP}, {0, -16});
    chord->GetMsg(0)->m_wFlag = MSGFLAG_STAFF_UP;
    chord->GetMsg(1)->m_wFlag = MSGFLAG_STAFF_UP;

    m->AddUpDownMsgArray(up);
    m->AddUpDownMsgArray(up);
    m->AddUpDownMsgArray(down);
    m->AddUpDownMsgArray(plain);
    m->AddUpDownMsgArray(chord);
    m->AddUpDownMsgArray(nullptr);

    EXPECT_EQ(Count(m->m_arrUpMsg, up->m_dwMsgId), 1);
    EXPECT_EQ(Count(m->m_arrDownMsg, down->m_dwMsgId), 1);
    EXPECT_EQ(Count(m->m_arrUpMsg, plain->m_dwMsgId) + Count(m->m_arrDownMsg, plain->m_dwMsgId), 0);
    // A chord is listed by its notes.
    EXPECT_EQ(Count(m->m_arrUpMsg, chord->m_dwMsgId), 0);
    EXPECT_EQ(Count(m->m_arrUpMsg, chord->GetMsg(0)->m_dwMsgId), 1);
    EXPECT_EQ(Count(m->m_arrUpMsg, chord->GetMsg(1)->m_dwMsgId), 1);
    EXPECT_EQ(m->m_arrUpMsg.GetSize(), 3);
    EXPECT_EQ(m->m_arrDownMsg.GetSize(), 1);

    // Listed in one list, it is not added to the other.
    down->m_wFlag = MSGFLAG_STAFF_UP;
    m->AddUpDownMsgArray(down);
    EXPECT_EQ(m->m_arrUpMsg.GetSize(), 3);
}

} // namespace
