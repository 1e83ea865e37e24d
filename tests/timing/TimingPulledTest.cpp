// Services the timing code leans on: staff-size scaling, the order inside
// chords and groups, and ties that cross a bar line.

#include "support/TimingFixture.h"

using kvtest::TimingTest;

namespace {

using ServicesTest = TimingTest;

TEST_F(ServicesTest, VerticalDistancesScaleWithTheStaff)
{
    CKVMeas* m = Meas();
    CKVMsg* note = score->Note(m, {.x = 0});
    CKVMsg* chord = score->Chord(m, {.x = 64}, {0, -16});
    CKVMsg* member = chord->GetMsg(0);
    CKVStaff* staff = score->Staff(0);

    staff->m_wObjWord = 50;
    EXPECT_EQ(note->ConvertYbyZoom(16), 8);
    EXPECT_EQ(note->InvertYbyZoom(8), 16);
    EXPECT_EQ(member->ConvertYbyZoom(-16), -8);

    staff->m_wObjWord = 150;
    EXPECT_EQ(note->ConvertYbyZoom(16), 24);
    EXPECT_EQ(note->InvertYbyZoom(24), 16);

    // A size word of 0, or one that reads as negative, leaves y as it is.
    for (WORD size : {WORD(0), WORD(0xFFFF), WORD(0x8000)}) {
        staff->m_wObjWord = size;
        EXPECT_EQ(note->ConvertYbyZoom(16), 16) << size;
        EXPECT_EQ(note->InvertYbyZoom(16), 16) << size;
    }

    // Without a staff to read there is nothing to scale by.
    CKVMsg loose;
    EXPECT_EQ(loose.ConvertYbyZoom(16), 16);
    EXPECT_EQ(loose.InvertYbyZoom(16), 16);
}

TEST_F(ServicesTest, MembersAreSortedInsideContainers)
{
    CKVMsg* chord = score->Chord(Meas(), {.x = 64}, {0, -16});
    CKVMsg middle;
    middle.m_byKind = MSG_NOTE;
    middle.m_nPosX = 64;
    middle.m_nPosY = -8;
    EXPECT_EQ(chord->GetSortedIndex(&middle), 1);
    middle.m_nPosY = 8;
    EXPECT_EQ(chord->GetSortedIndex(&middle), 0);
    middle.m_nPosY = -40;
    EXPECT_EQ(chord->GetSortedIndex(&middle), 2);

    // A second note at a member's place is refused.
    middle.m_nPosY = -16;
    EXPECT_EQ(chord->GetSortedIndex(&middle), -1);
    CKVMsg* twin = new CKVMsg;
    twin->m_byKind = MSG_NOTE;
    twin->m_nPosX = 64;
    twin->m_nPosY = 0;
    EXPECT_EQ(chord->AddMsg(twin, kHolderOwns, kParentHere), -1);
    delete twin;
    EXPECT_EQ(chord->GetMsgNum(), 2);

    // Marks go after every member; later members go before the marks.
    CKVMsg* mark = score->Symbol(chord, MSG_NOTEMARK, 0, -60);
    EXPECT_EQ(chord->GetMsg(2), mark);
    CKVMsg* top = score->Note(chord, {.x = 64, .y = -32});
    EXPECT_EQ(chord->GetMsg(2), top);
    EXPECT_EQ(chord->GetMsg(3), mark);

    // In a group, position first.
    CKVMsg* group = score->Beam(Meas(), {.x = 0});
    CKVMsg* b = score->Note(group, {.x = 40, .code = DUR_EIGHTH});
    CKVMsg* a = score->Note(group, {.x = 10, .code = DUR_EIGHTH});
    EXPECT_EQ(group->GetMsg(0), a);
    EXPECT_EQ(group->GetMsg(1), b);
    EXPECT_EQ(a->m_pParent, group);
}

TEST_F(ServicesTest, TieEndsInAnotherMeasure)
{
    CKVMsg* from = score->Note(Meas(0, 0), {.x = 240, .y = -8});
    CKVMsg* to = score->Note(Meas(0, 1), {.x = 0, .y = -8});
    score->Tie(from, to);
    EXPECT_EQ(to->IsTieEndNoteInDiffMeas(), 1);
    EXPECT_EQ(from->IsTieEndNoteInDiffMeas(), 1);

    // The tied-from note carries an accidental of its own.
    from->m_byAccidental = ACCI_SHARP;
    EXPECT_EQ(to->IsTieEndNoteInDiffMeas(), 0);
    from->m_byAccidental = 6;
    EXPECT_EQ(to->IsTieEndNoteInDiffMeas(), 1);

    // Within one measure, and through a chord.
    CKVMsg* a = score->Note(Meas(0, 0), {.x = 0, .y = -8});
    CKVMsg* chord = score->Chord(Meas(0, 0), {.x = 64}, {-8, -24});
    score->Tie(a, chord->GetMsg(0));
    EXPECT_EQ(chord->GetMsg(0)->IsTieEndNoteInDiffMeas(), 0);

    CKVMsg* c = score->Note(Meas(0, 0), {.x = 200, .y = -32});
    CKVMsg* d = score->Note(Meas(0, 1), {.x = 20, .y = -32});
    score->Tie(c, d);
    score->MakeStale(c);
    EXPECT_EQ(d->IsTieEndNoteInDiffMeas(), 0);
    EXPECT_EQ(score->Note(Meas(), {.x = 100})->IsTieEndNoteInDiffMeas(), 0);
}

} // namespace
