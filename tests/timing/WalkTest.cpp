// The measure's walk list: flattening of chords and beam groups, flag
// upkeep, removal of empty groups, misplaced children and stale ids, and
// the notes drawn in from the neighbouring staves.

#include "support/TimingFixture.h"

#include <algorithm>

using kvtest::ScoreShape;
using kvtest::TimingTest;

namespace {

class WalkTest : public TimingTest {
protected:
    std::vector<CKVMsg*> Walk(CKVMeas* meas)
    {
        std::vector<CKVMsg*> out;
        short cursor = 0;
        while (CKVMsg* msg = meas->GetNextMsg(cursor))
            out.push_back(msg);
        return out;
    }

    static bool Contains(const CDWordArray& ids, DWORD id)
    {
        for (int i = 0; i < ids.GetSize(); ++i) {
            if (ids.GetAt(i) == id)
                return true;
        }
        return false;
    }
};

TEST_F(WalkTest, GroupsAndChordsAreFlattened)
{
    CKVMeas* m = Meas();
    CKVMsg* group = score->Beam(m, {.x = 0});
    CKVMsg* first = score->Note(group, {.x = 0, .code = DUR_EIGHTH});
    CKVMsg* chord = score->Chord(group, {.x = 32, .code = DUR_EIGHTH}, {0, -16, -32});
    CKVMsg* last = score->Note(group, {.x = 64, .code = DUR_EIGHTH});
    // A note of the measure itself carrying stale membership flags.
    CKVMsg* alone = score->Note(m, {.x = 128, .flags = MSGFLAG_BEAM_MEMBER | MSGFLAG_CHORD_MEMBER});

    EXPECT_EQ(m->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkCrossStaff, kWalkTimedOnly), 6);
    const std::vector<CKVMsg*> walk = Walk(m);
    ASSERT_EQ(walk.size(), 6u);
    for (CKVMsg* msg : walk)
        EXPECT_EQ(msg->m_byKind, MSG_NOTE);
    for (CKVMsg* msg : {first, last, alone, chord->GetMsg(0), chord->GetMsg(1), chord->GetMsg(2)})
        EXPECT_NE(std::find(walk.begin(), walk.end(), msg), walk.end());
    // The chord's notes share its place: they keep their order, lowest
    // first.
    const auto at = std::find(walk.begin(), walk.end(), chord->GetMsg(0));
    ASSERT_LE(at + 3, walk.end());
    EXPECT_EQ(at[1], chord->GetMsg(1));
    EXPECT_EQ(at[2], chord->GetMsg(2));
    EXPECT_EQ(walk.back(), alone);
    EXPECT_EQ(pSortSystem, score->System());

    EXPECT_TRUE(first->m_wFlag & MSGFLAG_BEAM_MEMBER);
    EXPECT_TRUE(last->m_wFlag & MSGFLAG_BEAM_MEMBER);
    EXPECT_TRUE(chord->m_wFlag & MSGFLAG_BEAM_MEMBER);
    EXPECT_FALSE(first->m_wFlag & MSGFLAG_CHORD_MEMBER);
    for (short i = 0; i < chord->GetMsgNum(); ++i) {
        EXPECT_TRUE(chord->GetMsg(i)->m_wFlag & MSGFLAG_CHORD_MEMBER);
        EXPECT_FALSE(chord->GetMsg(i)->m_wFlag & MSGFLAG_BEAM_MEMBER);
    }
    EXPECT_EQ(alone->m_wFlag, 0);

    // Chords whole: the chord is one entry, its notes are not listed.
    EXPECT_EQ(m->ResetGetNextMsg(kChordsWhole, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly), 4);
    EXPECT_EQ(Walk(m), (std::vector<CKVMsg*> {first, chord, last, alone}));

    // keepAll lists the containers too.
    EXPECT_EQ(m->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkOwnStaff, kWalkKeepAll), 8);
    const std::vector<CKVMsg*> all = Walk(m);
    EXPECT_NE(std::find(all.begin(), all.end(), group), all.end());
    EXPECT_NE(std::find(all.begin(), all.end(), chord), all.end());
}

TEST_F(WalkTest, OtherKindsAndAttachedSymbols)
{
    CKVMeas* m = Meas();
    CKVMsg* note = score->Note(m, {.x = 64});
    CKVMsg* mark = score->Symbol(note, MSG_NOTEMARK, 64, -40);
    CKVMsg* clef = score->ClefChange(m, 32, 2);
    CKVMsg* text = score->Symbol(m, MSG_TEXT, 10);
    CKVMsg* slur = score->Symbol(note, MSG_SLUR, 64);

    EXPECT_EQ(m->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkCrossStaff, kWalkTimedOnly), 3);
    EXPECT_EQ(Walk(m), (std::vector<CKVMsg*> {clef, mark, note}));

    // keepAll lists every kind, the text and the slur included.
    EXPECT_EQ(m->ResetGetNextMsg(kChordNotesSingly, kWalkTreeOrder, kWalkOwnStaff, kWalkKeepAll), 5);
    EXPECT_TRUE(Contains(m->m_arrWalk, text->m_dwMsgId));
    EXPECT_TRUE(Contains(m->m_arrWalk, slur->m_dwMsgId));
}

TEST_F(WalkTest, EmptyBeamGroupsLeaveTheMeasureUnlessAllAreKept)
{
    CKVMeas* m = Meas();
    score->Note(m, {.x = 0});
    CKVMsg* group = score->Beam(m, {.x = 64});
    const DWORD id = group->m_dwMsgId;
    ASSERT_EQ(m->GetMsgNum(), 2);

    EXPECT_EQ(m->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkCrossStaff, kWalkKeepAll), 2);
    EXPECT_EQ(m->GetMsgNum(), 2);

    EXPECT_EQ(m->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkCrossStaff, kWalkTimedOnly), 1);
    EXPECT_EQ(m->GetMsgNum(), 1);
    // It went the way of every removed owned symbol: to the deleted list,
    // still in the map.
    EXPECT_TRUE(Contains(score->Doc().m_arrDeleteMsgId, id));
    EXPECT_EQ(score->System()->GetMsgFromMap(id), group);
}

TEST_F(WalkTest, MisplacedChildrenAreUnlinked)
{
    CKVMeas* m = Meas();
    CKVMsg* note = score->Note(m, {.x = 0});
    CKVMsg* under = score->Note(note, {.x = 0, .y = -16});
    CKVMsg* chord = score->Chord(m, {.x = 64}, {0, -16});
    CKVMsg* inner = score->Chord(chord, {.x = 64, .y = -40}, {-40});
    CKVMsg* group = score->Beam(m, {.x = 128});
    score->Note(group, {.x = 128, .code = DUR_EIGHTH});
    CKVMsg* nested = score->Beam(group, {.x = 140});
    ASSERT_EQ(note->GetMsgNum(), 1);
    ASSERT_EQ(chord->GetMsgNum(), 3);
    ASSERT_EQ(group->GetMsgNum(), 2);

    // keepAll visits them where they are.
    m->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkOwnStaff, kWalkKeepAll);
    EXPECT_TRUE(Contains(m->m_arrWalk, under->m_dwMsgId));
    EXPECT_EQ(note->GetMsgNum(), 1);

    m->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
    EXPECT_EQ(note->GetMsgNum(), 0);
    EXPECT_EQ(chord->GetMsgNum(), 2);
    EXPECT_EQ(group->GetMsgNum(), 1);
    EXPECT_FALSE(Contains(m->m_arrWalk, under->m_dwMsgId));
    // Only unlinked: still in the map, not on the deleted list.
    for (CKVMsg* msg : {under, inner, nested}) {
        EXPECT_EQ(score->System()->GetMsgFromMap(msg->m_dwMsgId), msg);
        EXPECT_FALSE(Contains(score->Doc().m_arrDeleteMsgId, msg->m_dwMsgId));
    }
    // The document no longer owns them through a reference.
    for (CKVMsg* msg : {under, inner, nested})
        score->System()->RemoveMsgFromMap(msg->m_dwMsgId);
}

TEST_F(WalkTest, StaleIdsAreDroppedOrEndTheWalk)
{
    CKVMeas* m = Meas();
    CKVMsg* a = score->Note(m, {.x = 0});
    CKVMsg* b = score->Note(m, {.x = 64});
    CKVMsg* c = score->Note(m, {.x = 128});
    ASSERT_EQ(m->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkCrossStaff, kWalkTimedOnly), 3);
    score->MakeStale(b);

    short cursor = 0;
    EXPECT_EQ(m->GetNextMsg(cursor), a);
    EXPECT_EQ(m->GetNextMsg(cursor), nullptr);
    EXPECT_EQ(cursor, 2);
    EXPECT_EQ(m->GetNextMsg(cursor), c);
    EXPECT_EQ(m->GetNextMsg(cursor), nullptr);
    EXPECT_EQ(cursor, 3);
    cursor = -1;
    EXPECT_EQ(m->GetNextMsg(cursor), nullptr);

    // The rebuild drops the stale reference from the measure, and stale
    // members from containers.
    EXPECT_EQ(m->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkCrossStaff, kWalkTimedOnly), 2);
    EXPECT_EQ(m->GetMsgNum(), 2);
    CKVMsg* chord = score->Chord(m, {.x = 200}, {0, -16, -32});
    score->MakeStale(chord->GetMsg(1));
    EXPECT_EQ(m->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkCrossStaff, kWalkTimedOnly), 4);
    EXPECT_EQ(chord->GetMsgNum(), 2);

    CKVMeas empty;
    cursor = 0;
    EXPECT_EQ(empty.GetNextMsg(cursor), nullptr);
    EXPECT_EQ(empty.ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkCrossStaff, kWalkTimedOnly), 0);
}

TEST_F(WalkTest, RemainNoteRestKeepsNotesRestsAndChords)
{
    CKVMeas* m = Meas();
    CKVMsg* note = score->Note(m, {.x = 0});
    score->Symbol(note, MSG_NOTEMARK, 0, -40);
    CKVMsg* rest = score->Rest(m, {.x = 64});
    CKVMsg* chord = score->Chord(m, {.x = 128}, {0, -16});
    score->ClefChange(m, 100, 2);
    score->Symbol(m, MSG_TIMED_EVENT, 30);
    score->Symbol(m, MSG_KEYSIGN, 150);
    CKVMsg* gone = score->Note(m, {.x = 250});
    ASSERT_EQ(m->ResetGetNextMsg(kChordsWhole, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly), 8);
    score->MakeStale(gone);

    m->RemainNoteRest();
    EXPECT_EQ(m->m_arrWalk.GetSize(), 3);
    EXPECT_EQ(Walk(m), (std::vector<CKVMsg*> {note, rest, chord}));
}

class CrossStaffWalkTest : public WalkTest {
protected:
    ScoreShape Shape() override { return ScoreShape {.lineSpacing = 8, .staves = 2, .measures = 2}; }
};

TEST_F(CrossStaffWalkTest, NeighbourMeasures)
{
    EXPECT_EQ(Meas(0, 1)->GetDownMeas(), Meas(1, 1));
    EXPECT_EQ(Meas(1, 1)->GetUpMeas(), Meas(0, 1));
    EXPECT_EQ(Meas(0, 1)->GetUpMeas(), nullptr);
    EXPECT_EQ(Meas(1, 1)->GetDownMeas(), nullptr);

    CKVMeas loose;
    EXPECT_EQ(loose.GetUpMeas(), nullptr);
    EXPECT_EQ(loose.GetDownMeas(), nullptr);
}

TEST_F(CrossStaffWalkTest, NotesAreWalkedWhereTheyAreDrawn)
{
    CKVMeas* upper = Meas(0, 0);
    CKVMeas* lower = Meas(1, 0);
    CKVMsg* own = score->Note(upper, {.x = 0});
    CKVMsg* down = score->Note(upper, {.x = 64, .flags = MSGFLAG_STAFF_DOWN});
    CKVMsg* rest = score->Rest(upper, {.x = 128, .flags = MSGFLAG_STAFF_DOWN});
    CKVMsg* gone = score->Note(upper, {.x = 192, .flags = MSGFLAG_STAFF_DOWN});
    CKVMsg* below = score->Note(lower, {.x = 32});
    CKVMsg* up = score->Note(lower, {.x = 96, .flags = MSGFLAG_STAFF_UP});
    upper->m_arrDownMsg.Add(down->m_dwMsgId);
    upper->m_arrDownMsg.Add(gone->m_dwMsgId);
    lower->m_arrUpMsg.Add(up->m_dwMsgId);
    score->MakeStale(gone);

    lower->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkCrossStaff, kWalkTimedOnly);
    EXPECT_EQ(Walk(lower), (std::vector<CKVMsg*> {below, down}));
    EXPECT_EQ(upper->m_arrDownMsg.GetSize(), 1);

    upper->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkCrossStaff, kWalkTimedOnly);
    EXPECT_EQ(Walk(upper), (std::vector<CKVMsg*> {own, up, rest}));

    // Without withCrossStaff each measure walks its own notes.
    upper->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
    EXPECT_EQ(Walk(upper), (std::vector<CKVMsg*> {own, down, rest}));
}

TEST_F(CrossStaffWalkTest, OssiaStavesGetNoCrossStaffNotes)
{
    CKVSystem* system = score->System();
    ASSERT_GE(system->InsertOssiaStaff(score->Staff(0), 0, 1, CKVSystem::MODE_NORMAL, 5, 100), 0);
    CKVStaff* ossia = system->GetOssiaStaff(0);
    ASSERT_NE(ossia, nullptr);
    CKVMeas* meas = ossia->GetMeas(0);
    ASSERT_NE(meas, nullptr);
    EXPECT_EQ(meas->GetUpMeas(), nullptr);
    EXPECT_EQ(meas->GetDownMeas(), nullptr);

    CKVMsg* down = score->Note(Meas(0, 0), {.x = 64, .flags = MSGFLAG_STAFF_DOWN});
    Meas(0, 0)->m_arrDownMsg.Add(down->m_dwMsgId);
    Meas(1, 0)->m_arrUpMsg.Add(down->m_dwMsgId);
    EXPECT_EQ(meas->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkCrossStaff, kWalkTimedOnly), 0);
}

} // namespace
