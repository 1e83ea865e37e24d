// Joining a new note to what stands at its spot in the measure, making
// chords and beam groups, and taking them apart again.

#include "support/TimingFixture.h"

#include "timing/InsertState.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using kvtest::NoteShape;

class MeasChordTest : public kvtest::TimingTest {
protected:
    kvtest::ScoreShape Shape() override { return {.lineSpacing = 16, .staves = 1, .measures = 1}; }

    CKVSystem* System() { return score->System(); }

    // A note made as note entry makes it, not yet in the measure.
    CKVMsg* NewNote(short x, short y, BYTE code = DUR_QUARTER, int grace = 0)
    {
        return new CKVMsg(Meas(), POINT {x, y}, MSG_NOTE, 0, code, 1, 0, -28, 0, 0, grace);
    }

    static std::vector<BYTE> Kinds(CKVObject* node)
    {
        std::vector<BYTE> kinds;
        for (short i = 0; i < node->GetMsgNum(); ++i)
            kinds.push_back(node->GetMsg(i)->m_byKind);
        return kinds;
    }

    static std::vector<short> Xs(CKVObject* node)
    {
        std::vector<short> xs;
        for (short i = 0; i < node->GetMsgNum(); ++i)
            xs.push_back(node->GetMsg(i)->m_nPosX);
        return xs;
    }

    static std::vector<short> Ys(CKVObject* node)
    {
        std::vector<short> ys;
        for (short i = 0; i < node->GetMsgNum(); ++i)
            ys.push_back(node->GetMsg(i)->m_nPosY);
        return ys;
    }

    std::vector<CKVMsg*> Groups()
    {
        std::vector<CKVMsg*> groups;
        for (short i = 0; i < Meas()->GetMsgNum(); ++i) {
            if (Meas()->GetMsg(i)->m_byKind == MSG_BEAM)
                groups.push_back(Meas()->GetMsg(i));
        }
        return groups;
    }

    static bool Holds(CKVObject* node, CKVMsg* msg)
    {
        for (short i = 0; i < node->GetMsgNum(); ++i) {
            if (node->GetMsg(i) == msg)
                return true;
        }
        return false;
    }

    // A beam group of eighths at the positions, with its ends set.
    CKVMsg* Group(const std::vector<short>& xs, BYTE voice = 1, WORD flags = 0)
    {
        CKVMsg* group = score->Beam(Meas(), {.x = xs.front(), .voice = voice, .flags = flags});
        for (short x : xs)
            score->Note(group, {.x = x, .code = DUR_EIGHTH, .voice = voice, .flags = flags});
        group->m_nPosX2 = xs.back();
        group->CalcPlayTime();
        return group;
    }

    short IndexOf(CKVMsg* msg)
    {
        for (short i = 0; i < Meas()->GetMsgNum(); ++i) {
            if (Meas()->GetMsg(i) == msg)
                return i;
        }
        return -1;
    }
};

using Bytes = std::vector<BYTE>;
using Shorts = std::vector<short>;

// --- Constructors and containers ---------------------------------------------

TEST_F(MeasChordTest, PointConstructorFillsANoteOrRest)
{
    CKVMsg note(Meas(), POINT {40, -8}, MSG_NOTE, 2, static_cast<WORD>(0x0100 | DUR_32ND), 3, 0x123, -28, 0x0302, 7,
                1);
    EXPECT_EQ(note.m_pParent, Meas());
    EXPECT_EQ(note.m_pSystem, System());
    EXPECT_EQ(note.m_wDuration, DUR_32ND);
    EXPECT_EQ(note.m_byDots, 1);
    // A 32nd's stem is longer by 4.
    EXPECT_EQ(note.m_lHeight, -24);
    EXPECT_EQ((Shorts {note.m_nLayout1, note.m_nLayout2, note.m_nLayout3, note.m_nLayout4}), (Shorts {0, 3, 4, 0}));
    // A grace note with a slash.
    EXPECT_EQ(note.m_wSize, 12);
    EXPECT_EQ(note.m_wFlag, MSGFLAG_GRACE);
    EXPECT_EQ(note.m_byMark1, 79);

    CKVMsg rest(Meas(), POINT {0, 0}, MSG_REST, 0, DUR_QUARTER, 1, 0, -28, 0x0203, 0, 0);
    EXPECT_EQ(rest.m_lHeight, 0);
    EXPECT_EQ(rest.m_nPlayTime, 160); // a triplet quarter
}

TEST_F(MeasChordTest, ContainersAreMadeOnlyFromNotesAndChords)
{
    CKVMsg* note = score->Note(Meas(), {.x = 0, .y = -8, .code = DUR_EIGHTH, .tuplet = 0x0203,
                                        .flags = MSGFLAG_SUBBEAM_BREAK});
    CKVMsg* chord = note->CreateChord();
    ASSERT_NE(chord, nullptr);
    EXPECT_EQ(chord->m_byKind, MSG_CHORD);
    EXPECT_EQ(chord->m_wObjWord, 0x0203);
    EXPECT_EQ(chord->GetMsg(0), note);
    EXPECT_EQ(chord->CreateChord(), chord);

    CKVMsg* group = chord->CreateBeam();
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->m_byKind, MSG_BEAM);
    EXPECT_EQ(group->GetMsg(0), chord);
    EXPECT_EQ(group->CreateBeam(), group);

    CKVMsg* rest = score->Rest(Meas(), {.x = 128});
    EXPECT_EQ(rest->CreateChord(), nullptr);
    EXPECT_EQ(rest->CreateBeam(), nullptr);

    // Put the note back into the measure before the containers go.
    group->RemoveAt(0);
    chord->RemoveAt(0);
    delete group;
    delete chord;
    EXPECT_EQ(System()->GetMsgFromMap(note->m_dwMsgId), note);
}

TEST_F(MeasChordTest, ChordRefusesASecondNoteAtOnePitchAndSharesItsTremolo)
{
    CKVMsg* chord = score->Chord(Meas(), {.x = 64, .code = DUR_HALF}, {0, -16});
    chord->GetMsg(0)->m_wFlag = MSGFLAG_TREMOLO_START;
    chord->m_nStartTime = 480;

    CKVMsg* same = NewNote(70, -16);
    EXPECT_EQ(chord->AddMsgToChord(same), -2);
    delete same;

    CKVMsg* added = NewNote(70, -32, DUR_EIGHTH);
    added->m_wFlag = MSGFLAG_TREMOLO_END;
    EXPECT_EQ(chord->AddMsgToChord(added), 2);
    EXPECT_EQ(added->m_nPosX, 64);
    EXPECT_EQ(added->m_wDuration, DUR_HALF);
    EXPECT_EQ(added->m_nPlayTime, 480);
    EXPECT_EQ(added->m_nStartTime, 480);
    EXPECT_EQ(added->m_wFlag & (MSGFLAG_TREMOLO_START | MSGFLAG_TREMOLO_END), MSGFLAG_TREMOLO_START);
    EXPECT_EQ(Ys(chord), (Shorts {0, -16, -32}));
}

TEST_F(MeasChordTest, VerticalExtentOfGroupsAndChords)
{
    CKVMsg* group = Group({0, 64});
    group->GetMsg(0)->m_nPosY = -8;
    score->Chord(group, {.x = 128, .code = DUR_EIGHTH}, {24, -40});
    short top = 0;
    short bottom = 0;
    group->GetUpDownPos(&top, &bottom);
    EXPECT_EQ(top, -40);
    EXPECT_EQ(bottom, 24);

    CKVMsg* note = score->Note(Meas(), {.x = 200, .y = -12});
    note->GetUpDownPos(&top, &bottom);
    EXPECT_EQ(top, -12);
    EXPECT_EQ(bottom, -12);
}

// --- Joining at the spot ---------------------------------------------------

TEST_F(MeasChordTest, NoteOnANoteOfThatPitchIsRefused)
{
    score->Note(Meas(), {.x = 64, .y = -8});
    CKVMsg* msg = NewNote(70, -8);
    short index = 5;
    EXPECT_EQ(Meas()->ProcInRect(msg, index, 1), 1);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(Meas()->GetMsgNum(), 1);
    delete msg;
}

TEST_F(MeasChordTest, NoteOnANoteOfAnotherPitchMakesAChord)
{
    CKVMsg* note = score->Note(Meas(), {.x = 64, .y = -8});
    CKVMsg* msg = NewNote(64, 0);
    short index = 5;
    EXPECT_EQ(Meas()->ProcInRect(msg, index, 1), 1);
    EXPECT_EQ(index, 0);
    ASSERT_EQ(Kinds(Meas()), Bytes {MSG_CHORD});
    CKVMsg* chord = Meas()->GetMsg(0);
    EXPECT_EQ(chord->GetMsg(0), msg); // the lower note first
    EXPECT_EQ(chord->GetMsg(1), note);
    EXPECT_EQ(Doc().m_pLastMember, chord);
    EXPECT_EQ(Doc().m_pLastGroup, nullptr);

    // A third note joins the chord that now stands there.
    CKVMsg* third = NewNote(64, -24);
    EXPECT_EQ(Meas()->ProcInRect(third, index, 1), 1);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(Ys(chord), (Shorts {0, -8, -24}));
    EXPECT_EQ(Doc().m_pLastMember, chord);
}

TEST_F(MeasChordTest, NoteReplacesARestAndARestStandsBeside)
{
    score->Rest(Meas(), {.x = 64});
    CKVMsg* msg = NewNote(64, -8);
    short index = 5;
    EXPECT_EQ(Meas()->ProcInRect(msg, index, 1), 0);
    EXPECT_EQ(Meas()->GetMsgNum(), 0);
    delete msg;

    score->Note(Meas(), {.x = 128});
    CKVMsg rest(Meas(), POINT {128, 0}, MSG_REST, 0, DUR_QUARTER, 1, 0, 0, 0, 0, 0);
    EXPECT_EQ(Meas()->ProcInRect(&rest, index, 1), 0);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(Meas()->GetMsgNum(), 1);
}

TEST_F(MeasChordTest, OneLineStaffMakesNoChords)
{
    score->Staff(0)->m_byStaffKind = CKVStaff::KIND_ONE_LINE;
    score->Note(Meas(), {.x = 64, .y = -16});
    CKVMsg* msg = NewNote(64, 0);
    short index = 5;
    EXPECT_EQ(Meas()->ProcInRect(msg, index, 1), 1);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(Kinds(Meas()), Bytes {MSG_NOTE});
    delete msg;
}

TEST_F(MeasChordTest, GraceNotesJoinOnlyGraceNotes)
{
    score->Note(Meas(), {.x = 64, .y = -8});
    CKVMsg* grace = NewNote(64, 0, DUR_EIGHTH, 2);
    short index = 5;
    EXPECT_EQ(Meas()->ProcInRect(grace, index, 1), 0);
    EXPECT_EQ(Kinds(Meas()), Bytes {MSG_NOTE});

    score->Grace(Meas(), {.x = 128, .y = -8, .code = DUR_EIGHTH});
    CKVMsg* main = NewNote(128, 0);
    EXPECT_EQ(Meas()->ProcInRect(main, index, 1), 0);
    EXPECT_EQ(Meas()->ProcInRect(grace, index, 1), 0);
    grace->m_nPosX = 128;
    EXPECT_EQ(Meas()->ProcInRect(grace, index, 1), 1);
    EXPECT_EQ(Kinds(Meas()), (Bytes {MSG_NOTE, MSG_CHORD}));
    delete main;
}

TEST_F(MeasChordTest, NoteInsideAGroupJoinsOnlyWithPermission)
{
    CKVMsg* group = Group({0, 64});
    short index = 5;

    SetJoinPermission(0);
    CKVMsg* refused = NewNote(32, -8, DUR_EIGHTH);
    EXPECT_EQ(Meas()->ProcInRect(refused, index, 1), 0);
    EXPECT_EQ(group->GetMsgNum(), 2);
    EXPECT_EQ(refused->m_dwMsgId, 0u);
    delete refused;

    SetJoinPermission(1);
    CKVMsg* joined = NewNote(32, -8, DUR_EIGHTH);
    EXPECT_EQ(Meas()->ProcInRect(joined, index, 0), 0) << "groups may be passed over";
    EXPECT_EQ(Meas()->ProcInRect(joined, index, 1), 1);
    EXPECT_EQ(Xs(group), (Shorts {0, 32, 64}));
    EXPECT_EQ(Doc().m_pLastGroup, group);
    EXPECT_EQ(group->m_nPlayTime, 360);
}

TEST_F(MeasChordTest, NoteOnAGroupMemberMakesAChordInTheGroup)
{
    CKVMsg* group = Group({0, 64});
    CKVMsg* msg = NewNote(64, -24, DUR_EIGHTH);
    short index = 5;
    EXPECT_EQ(Meas()->ProcInRect(msg, index, 1), 1);
    EXPECT_EQ(Kinds(group), (Bytes {MSG_NOTE, MSG_CHORD}));
    CKVMsg* chord = group->GetMsg(1);
    EXPECT_EQ(Ys(chord), (Shorts {0, -24}));
    EXPECT_EQ(Doc().m_pLastGroup, group);
    EXPECT_EQ(Doc().m_pLastMember, chord);

    // The same pitch again is a duplicate; a rest in the group takes nothing.
    CKVMsg* again = NewNote(64, -24, DUR_EIGHTH);
    EXPECT_EQ(Meas()->ProcInRect(again, index, 1), 1);
    EXPECT_EQ(index, -1);
    delete again;
    score->Rest(group, {.x = 128, .code = DUR_EIGHTH});
    group->m_nPosX2 = 128;
    CKVMsg* onRest = NewNote(128, -8, DUR_EIGHTH);
    EXPECT_EQ(group->AddMsgToBeam(onRest), -1);
    delete onRest;
}

TEST_F(MeasChordTest, SecondDrumStaffKeepsLoneNotesOffTheMiddle)
{
    score->Staff(0)->m_byStaffKind = CKVStaff::KIND_DRUM_SECOND;
    short index = 5;
    CKVMsg* high = NewNote(64, -48);
    EXPECT_EQ(Meas()->ProcInRect(high, index, 1), 0);
    EXPECT_EQ(high->m_nPosY, -40);
    CKVMsg* low = NewNote(64, 0);
    EXPECT_EQ(Meas()->ProcInRect(low, index, 1), 0);
    EXPECT_EQ(low->m_nPosY, -24);
    delete high;
    delete low;
}

// --- Dissolving and splitting --------------------------------------------------

TEST_F(MeasChordTest, BreakingARangeInsideAGroupBeamsBothSides)
{
    // Re-beaming the parts goes through the measure's beaming.
    Group({0, 32, 64, 96, 128, 160, 192, 224});
    EXPECT_EQ(Meas()->DisAssembleBeam(1, 96, 160, kBreakGraceBeams), 1);
    EXPECT_EQ(Kinds(Meas()), (Bytes {MSG_BEAM, MSG_NOTE, MSG_NOTE, MSG_NOTE, MSG_BEAM}));
    const std::vector<CKVMsg*> groups = Groups();
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(Xs(groups[0]), (Shorts {0, 32, 64}));
    EXPECT_EQ(Xs(groups[1]), (Shorts {192, 224}));
    EXPECT_EQ(Xs(Meas()), (Shorts {0, 96, 128, 160, 192}));
}

TEST_F(MeasChordTest, BreakingARangeThatCoversAGroupDissolvesIt)
{
    Group({0, 64});
    CKVMsg* other = Group({128, 192}, 2);
    CKVMsg* grace = Group({200, 210}, 1, MSGFLAG_GRACE);

    EXPECT_EQ(Meas()->DisAssembleBeam(1, 250, 100, kKeepGraceBeams), 0) << "nothing of voice 1 in range";
    EXPECT_EQ(Meas()->DisAssembleBeam(1, 255, 0, kKeepGraceBeams), 1);
    EXPECT_EQ(Kinds(Meas()), (Bytes {MSG_NOTE, MSG_NOTE, MSG_BEAM, MSG_BEAM}));
    EXPECT_TRUE(Holds(Meas(), other));
    EXPECT_TRUE(Holds(Meas(), grace));

    EXPECT_EQ(Meas()->DisAssembleGraceNoteBeam(1, 0, 255), 1);
    EXPECT_FALSE(Holds(Meas(), grace));
    EXPECT_TRUE(Holds(Meas(), other));
}

TEST_F(MeasChordTest, DissolvingAChordLeavesItsNotesLowerFirst)
{
    score->Note(Meas(), {.x = 0});
    CKVMsg* chord = score->Chord(Meas(), {.x = 64}, {16, 0, -16});
    score->Note(Meas(), {.x = 128});
    const DWORD id = chord->m_dwMsgId;
    Meas()->DisAssembleBeam(static_cast<short>(1));
    EXPECT_EQ(Xs(Meas()), (Shorts {0, 64, 64, 64, 128}));
    EXPECT_EQ(Ys(Meas()), (Shorts {0, 16, 0, -16, 0}));
    EXPECT_EQ(System()->GetMsgFromMap(id), nullptr);
    for (short i = 0; i < Meas()->GetMsgNum(); ++i)
        EXPECT_EQ(Meas()->GetMsg(i)->m_pParent, Meas());
}

TEST_F(MeasChordTest, DissolvingByVoiceAndByRange)
{
    score->Chord(Meas(), {.x = 0}, {0, -16});
    score->Chord(Meas(), {.x = 128}, {0, -16});
    score->Chord(Meas(), {.x = 192, .voice = 2}, {0, -16});
    Group({64, 96}, 2);

    EXPECT_EQ(Meas()->DisAssembleChord(1, 100, 200), 1);
    EXPECT_EQ(Kinds(Meas()), (Bytes {MSG_CHORD, MSG_BEAM, MSG_NOTE, MSG_NOTE, MSG_CHORD}));
    EXPECT_EQ(Meas()->DisAssembleChord(1, 100, 200), 0);

    Meas()->DisAssembleChord(static_cast<BYTE>(2));
    Meas()->DisAssembleBeam(static_cast<BYTE>(2));
    EXPECT_EQ(Kinds(Meas()), (Bytes {MSG_CHORD, MSG_NOTE, MSG_NOTE, MSG_NOTE, MSG_NOTE, MSG_NOTE, MSG_NOTE}));
    Meas()->DisAssembleChord(static_cast<BYTE>(0));
    EXPECT_EQ(Meas()->GetMsgNum(), 8);
}

TEST_F(MeasChordTest, SplittingLeftGivesAnUnlinkedGroup)
{
    CKVMsg* old = Group({0, 64, 128, 192});
    const DWORD oldId = old->m_dwMsgId;
    const int deletedBefore = Doc().m_arrDeleteMsgId.GetSize();
    // The cut lies one line spacing left of the pointer: 128.
    CKVMsg* left = Meas()->DisAssembleBeamLeft(0, 144);
    ASSERT_NE(left, nullptr);
    EXPECT_EQ(left->m_byKind, MSG_BEAM);
    EXPECT_EQ(Xs(left), (Shorts {0, 64, 128}));
    EXPECT_FALSE(Holds(Meas(), left));
    EXPECT_EQ(Kinds(Meas()), Bytes {MSG_NOTE});
    EXPECT_EQ(Xs(Meas()), Shorts {192});
    EXPECT_FALSE(Holds(Meas(), old));
    ASSERT_EQ(Doc().m_arrDeleteMsgId.GetSize(), deletedBefore + 1);
    EXPECT_EQ(Doc().m_arrDeleteMsgId.GetAt(deletedBefore), oldId);

    // The caller links it, and the measure is whole again.
    EXPECT_EQ(Meas()->AddMsg(left, kHolderOwns), 1);
    EXPECT_EQ(Kinds(Meas()), (Bytes {MSG_BEAM, MSG_NOTE}));
    EXPECT_EQ(Xs(Meas()->GetMsg(0)), (Shorts {0, 64, 128}));
}

TEST_F(MeasChordTest, SplittingOffOneMemberGivesTheNoteAlone)
{
    Group({0, 64, 128, 192});
    CKVMsg* first = Meas()->DisAssembleBeamLeft(0, 72);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->m_byKind, MSG_NOTE);
    EXPECT_EQ(first->m_nPosX, 0);
    EXPECT_FALSE(Holds(Meas(), first));
    EXPECT_EQ(Xs(Meas()), (Shorts {64, 128, 192}));
    delete first;

    Meas()->DisAssembleBeam(static_cast<BYTE>(1));
    ASSERT_TRUE(Groups().empty());
    CKVMsg* group = Group({0, 64, 128, 192});
    CKVMsg* last = Meas()->DisAssembleBeamRight(IndexOf(group), 128);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->m_byKind, MSG_NOTE);
    EXPECT_EQ(last->m_nPosX, 192);
    EXPECT_FALSE(Holds(Meas(), last));
    EXPECT_EQ(Xs(Meas()), (Shorts {0, 64, 64, 128, 128, 192}));
    EXPECT_EQ(Meas()->AddMsg(last, kHolderOwns), 1);

    // Only a beam group splits.
    EXPECT_EQ(Meas()->DisAssembleBeamLeft(0, 200), nullptr);
    EXPECT_EQ(Meas()->DisAssembleBeamRight(99, 200), nullptr);
}

// --- The document's last group and member ------------------------------------

TEST_F(MeasChordTest, DeletingTheLastGroupOrChordClearsTheDocumentsFields)
{
    Group({0, 64});
    short index = 0;
    ASSERT_EQ(Meas()->ProcInRect(NewNote(32, -8, DUR_EIGHTH), index, 1), 1);
    ASSERT_NE(Doc().m_pLastGroup, nullptr);
    Meas()->DisAssembleBeam(static_cast<BYTE>(1));
    EXPECT_EQ(Doc().m_pLastGroup, nullptr);

    score->Note(Meas(), {.x = 200});
    ASSERT_EQ(Meas()->ProcInRect(NewNote(200, -16), index, 1), 1);
    ASSERT_NE(Doc().m_pLastMember, nullptr);
    Meas()->DisAssembleChord(static_cast<BYTE>(1));
    EXPECT_EQ(Doc().m_pLastMember, nullptr);
}

TEST_F(MeasChordTest, DissolvingTheGroupKeepsTheChordItHolds)
{
    Group({0, 64});
    short index = 0;
    ASSERT_EQ(Meas()->ProcInRect(NewNote(64, -16, DUR_EIGHTH), index, 1), 1);
    CKVMsg* chord = Doc().m_pLastMember;
    ASSERT_NE(chord, nullptr);
    Meas()->DisAssembleBeam(static_cast<BYTE>(1));
    EXPECT_EQ(Doc().m_pLastGroup, nullptr);
    EXPECT_EQ(Doc().m_pLastMember, chord);
    EXPECT_TRUE(Holds(Meas(), chord));
}

// --- Queries ---------------------------------------------------------------------

TEST_F(MeasChordTest, SortedIndexAndLeftNeighbour)
{
    score->Note(Meas(), {.x = 0});
    score->Rest(Meas(), {.x = 64});
    score->Note(Meas(), {.x = 128, .y = -8});
    score->Note(Meas(), {.x = 192, .voice = 2});
    CKVMsg probe(Meas(), POINT {128, 0}, MSG_NOTE, 0, DUR_QUARTER, 1, 0, -28, 0, 0, 0);
    EXPECT_EQ(Meas()->GetSortedIndex(&probe), 2);
    probe.m_nPosY = -16;
    EXPECT_EQ(Meas()->GetSortedIndex(&probe), 3);
    probe.m_nPosX = 300;
    EXPECT_EQ(Meas()->GetSortedIndex(&probe), 4);

    // Walking left: the note at 128 lies right of a probe at 100; the rest
    // at 64 stops the walk.
    probe.m_nPosX = 100;
    EXPECT_EQ(Meas()->GetLeftNoteIndex(4, &probe), 2);
    EXPECT_EQ(Meas()->GetLeftNoteIndex(2, &probe), -1);
    EXPECT_EQ(Meas()->GetLeftNoteIndex(0, &probe), -1);
}

} // namespace
