// Chord dot columns, displaced head handles, accidental columns, the member
// order of beam groups and tuplet re-placement marks.

#include "model/ImportState.h"
#include "model/KVCtrlPoint.h"
#include "timing/InsertState.h"
#include "support/TimingFixture.h"

#include <vector>

namespace {

class ChordLayoutTest : public kvtest::TimingTest {
protected:
    kvtest::ScoreShape Shape() override { return {.lineSpacing = 16, .staves = 1, .measures = 1}; }

    // A chord at x 0 with one note per vertical position (given lowest
    // first) and the stem height given.
    CKVMsg* MakeChord(const std::vector<short>& ys, LONG height, BYTE dots = 0)
    {
        CKVMsg* chord = score->Chord(Meas(), {.x = 0, .code = DUR_QUARTER, .dots = dots}, ys);
        chord->m_lHeight = height;
        for (CKVMsg* note : Notes(chord))
            note->m_lHeight = height;
        return chord;
    }

    static std::vector<CKVMsg*> Notes(CKVMsg* chord)
    {
        std::vector<CKVMsg*> notes;
        for (short i = 0; i < chord->GetMsgNum(); ++i) {
            CKVMsg* child = chord->GetMsg(i);
            if (child && child->m_byKind == MSG_NOTE)
                notes.push_back(child);
        }
        return notes;
    }

    static CKVMsg* NoteAt(CKVMsg* chord, short y)
    {
        for (CKVMsg* note : Notes(chord)) {
            if (note->m_nPosY == y)
                return note;
        }
        return nullptr;
    }

    // Puts accidentals on the notes at the given positions.
    static void Sharpen(CKVMsg* chord, const std::vector<short>& ys)
    {
        for (short y : ys)
            NoteAt(chord, y)->m_byAccidental = ACCI_SHARP;
    }

    static bool DotMoved(CKVMsg* note) { return (note->m_wFlag & MSGFLAG_DOT_COLUMN2) != 0; }
};

// Line spacing 16: C4 16, D4 8, E4 0, G4 -16, A4 -24, B4 -32.
constexpr short C4 = 16, D4 = 8, E4 = 0, G4 = -16, A4 = -24, B4 = -32;

TEST_F(ChordLayoutTest, DotsOfACloseChordMoveAwayFromTheSecondColumn)
{
    CKVMsg* up = MakeChord({C4, D4, E4}, -56, 1);
    // A flag left over from an earlier layout must go.
    NoteAt(up, D4)->m_wFlag |= MSGFLAG_DOT_COLUMN2;
    up->ChordDotOrder();
    EXPECT_TRUE(DotMoved(NoteAt(up, C4)));
    EXPECT_FALSE(DotMoved(NoteAt(up, D4)));
    EXPECT_TRUE(DotMoved(NoteAt(up, E4)));

    up->m_lHeight = 56;
    up->ChordDotOrder();
    EXPECT_FALSE(DotMoved(NoteAt(up, C4)));
    EXPECT_TRUE(DotMoved(NoteAt(up, D4)));
    EXPECT_FALSE(DotMoved(NoteAt(up, E4)));
}

TEST_F(ChordLayoutTest, DotsStayWithoutDisplacedHeadsOrWithoutDots)
{
    // A third apart: one column, so no dot moves with the stem up.
    CKVMsg* open = MakeChord({C4, E4, G4}, -56, 1);
    open->ChordDotOrder();
    for (CKVMsg* note : Notes(open))
        EXPECT_FALSE(DotMoved(note));

    // An undotted chord is left alone.
    CKVMsg* plain = score->Chord(Meas(), {.x = 128}, {C4, D4});
    NoteAt(plain, C4)->m_wFlag |= MSGFLAG_DOT_COLUMN2;
    plain->ChordDotOrder();
    EXPECT_TRUE(DotMoved(NoteAt(plain, C4)));
}

TEST_F(ChordLayoutTest, DisplacedHeadHandlesMoveByALineSpacing)
{
    for (LONG height : {-56, 56}) {
        SCOPED_TRACE(height);
        CKVMsg* chord = MakeChord({C4, D4, E4}, height);
        for (CKVMsg* note : Notes(chord))
            note->m_arrCtrlPoint.GetAt(0)->m_rect = CRect(3, -5, 23, 5);
        chord->ChordCtrlPointMove();
        const CRect moved = *NoteAt(chord, D4)->m_arrCtrlPoint.GetAt(0);
        EXPECT_EQ(moved.left, height < 0 ? 16 : -16);
        for (short y : {C4, E4}) {
            const CRect kept = *NoteAt(chord, y)->m_arrCtrlPoint.GetAt(0);
            EXPECT_EQ(kept, CRect(3, -5, 23, 5));
        }
        Meas()->RemoveAllMsg();
    }
}

TEST_F(ChordLayoutTest, AccidentalsASeventhApartShareAColumn)
{
    SetAccColumnWidth(4);
    for (LONG height : {-56, 56}) {
        SCOPED_TRACE(height);
        CKVMsg* chord = MakeChord({C4, B4}, height);
        Sharpen(chord, {C4, B4});
        chord->ChordKeyOrder();
        EXPECT_EQ(NoteAt(chord, C4)->m_nLayout4, 4);
        EXPECT_EQ(NoteAt(chord, B4)->m_nLayout4, 4);
        Meas()->RemoveAllMsg();
    }
}

TEST_F(ChordLayoutTest, AccidentalsASixthApartTakeTwoColumnsTopFirst)
{
    // g = MulDiv(16, 2, 3) = 11, so the second column stands at 4 + 4 + 11.
    SetAccColumnWidth(4);
    for (LONG height : {-56, 56}) {
        SCOPED_TRACE(height);
        CKVMsg* chord = MakeChord({C4, A4}, height);
        Sharpen(chord, {C4, A4});
        chord->ChordKeyOrder();
        EXPECT_EQ(NoteAt(chord, A4)->m_nLayout4, 4);
        EXPECT_EQ(NoteAt(chord, C4)->m_nLayout4, 19);
        Meas()->RemoveAllMsg();
    }
}

TEST_F(ChordLayoutTest, ThreeAccidentalsStemUpPutTheInnerOneFarthest)
{
    SetAccColumnWidth(4);
    CKVMsg* chord = MakeChord({C4, E4, G4}, -56);
    Sharpen(chord, {C4, E4, G4});
    chord->ChordKeyOrder();
    EXPECT_EQ(NoteAt(chord, G4)->m_nLayout4, 4);
    EXPECT_EQ(NoteAt(chord, C4)->m_nLayout4, 19);
    EXPECT_EQ(NoteAt(chord, E4)->m_nLayout4, 34);
}

TEST_F(ChordLayoutTest, AccidentalsOfASecondAndThePairMarkOfTheStemDownSide)
{
    SetAccColumnWidth(4);
    // A second, both with accidentals: the upper one first, one gap out,
    // then the lower one in the next column, on either stem side.
    for (LONG height : {-56, 56}) {
        SCOPED_TRACE(height);
        CKVMsg* chord = MakeChord({C4, D4}, height);
        Sharpen(chord, {C4, D4});
        chord->ChordKeyOrder();
        EXPECT_EQ(NoteAt(chord, D4)->m_nLayout4, 15);
        EXPECT_EQ(NoteAt(chord, C4)->m_nLayout4, 19);
        Meas()->RemoveAllMsg();
    }
    // Stem down, only the upper note of a second has one: it clears the
    // neighbouring head by a gap.
    CKVMsg* pair = MakeChord({C4, D4}, 56);
    Sharpen(pair, {D4});
    pair->ChordKeyOrder();
    EXPECT_EQ(NoteAt(pair, D4)->m_nLayout4, 15);
    // Without a head beside it the accidental stands in the first column.
    CKVMsg* lone = score->Chord(Meas(), {.x = 128}, {C4, G4});
    lone->m_lHeight = 56;
    Sharpen(lone, {G4});
    NoteAt(lone, C4)->m_nLayout4 = 7;
    lone->ChordKeyOrder();
    EXPECT_EQ(NoteAt(lone, G4)->m_nLayout4, 4);
    // Notes without an accidental keep their gap.
    EXPECT_EQ(NoteAt(lone, C4)->m_nLayout4, 7);
}

TEST_F(ChordLayoutTest, AccidentalsOfAClusterFollowTheHeadColumns)
{
    SetAccColumnWidth(4);
    // Stem up: C4 and E4 in the main column, D4 displaced. The outer main
    // pair comes first, the displaced D4 last and one gap further out.
    CKVMsg* up = MakeChord({C4, D4, E4}, -56);
    Sharpen(up, {C4, D4, E4});
    up->ChordKeyOrder();
    EXPECT_EQ(NoteAt(up, E4)->m_nLayout4, 4);
    EXPECT_EQ(NoteAt(up, C4)->m_nLayout4, 19);
    EXPECT_EQ(NoteAt(up, D4)->m_nLayout4, 45);

    // Stem down: walked from E4, D4 is the near head; the far heads E4 and
    // C4 sit a gap out, D4 takes the third column.
    Meas()->RemoveAllMsg();
    CKVMsg* down = MakeChord({C4, D4, E4}, 56);
    Sharpen(down, {C4, D4, E4});
    down->ChordKeyOrder();
    EXPECT_EQ(NoteAt(down, E4)->m_nLayout4, 15);
    EXPECT_EQ(NoteAt(down, C4)->m_nLayout4, 30);
    EXPECT_EQ(NoteAt(down, D4)->m_nLayout4, 34);
}

TEST_F(ChordLayoutTest, AccidentalColumnsSortTheNotesFirstAndRestWhileImporting)
{
    SetAccColumnWidth(4);
    CKVMsg* chord = score->Chord(Meas(), {.x = 0}, {C4});
    chord->m_lHeight = -56;
    // Appended above the bottom note without sorting.
    CKVMsg* top = new CKVMsg;
    top->m_byKind = MSG_NOTE;
    top->m_nPosY = A4;
    chord->InsertMsg(0, top, kHolderOwns, kParentHere);
    Sharpen(chord, {C4, A4});
    for (CKVMsg* note : Notes(chord))
        note->m_nLayout4 = 7;

    bImportConverting = 1;
    chord->ChordKeyOrder();
    EXPECT_EQ(chord->GetMsg(0)->m_nPosY, C4);
    EXPECT_EQ(NoteAt(chord, A4)->m_nLayout4, 7);
    EXPECT_EQ(NoteAt(chord, C4)->m_nLayout4, 7);

    bImportConverting = 0;
    chord->ChordKeyOrder();
    EXPECT_EQ(NoteAt(chord, A4)->m_nLayout4, 4);
    EXPECT_EQ(NoteAt(chord, C4)->m_nLayout4, 19);
}

TEST_F(ChordLayoutTest, BeamMembersAreOrderedByPosition)
{
    CKVMsg* group = score->Beam(Meas(), {.x = 64});
    auto append = [&](BYTE kind, short x) {
        CKVMsg* msg = new CKVMsg;
        msg->m_byKind = kind;
        msg->m_nPosX = x;
        msg->m_wDuration = DUR_EIGHTH;
        msg->m_byVoice = 1;
        group->InsertMsg(group->GetMsgNum(), msg, kHolderOwns, kParentHere);
        msg->CalcPlayTime();
        return msg;
    };
    append(MSG_NOTE, 64);
    append(MSG_NOTE, 0);
    CKVMsg* rest = append(MSG_REST, 32);
    append(MSG_NOTE, 96);

    group->BeamXsort(0);
    std::vector<short> xs;
    std::vector<short> starts;
    for (short i = 0; i < group->GetMsgNum(); ++i) {
        xs.push_back(group->GetMsg(i)->m_nPosX);
        starts.push_back(group->GetMsg(i)->m_nStartTime);
    }
    EXPECT_EQ(xs, (std::vector<short> {0, 32, 64, 96}));
    EXPECT_EQ(group->GetMsg(1), rest);
    EXPECT_EQ(group->m_nPosX, 0);
    EXPECT_EQ(group->m_nPosX2, 96);
    // The start times follow the new order.
    EXPECT_EQ(starts, (std::vector<short> {0, 120, 240, 360}));
}

TEST_F(ChordLayoutTest, BeamOrderKeepsEqualPositionsAndOtherChildrenInPlace)
{
    CKVMsg* group = score->Beam(Meas(), {.x = 0});
    auto append = [&](BYTE kind, short x, short y) {
        CKVMsg* msg = new CKVMsg;
        msg->m_byKind = kind;
        msg->m_nPosX = x;
        msg->m_nPosY = y;
        msg->m_wDuration = DUR_EIGHTH;
        msg->m_byVoice = 1;
        group->InsertMsg(group->GetMsgNum(), msg, kHolderOwns, kParentHere);
        return msg;
    };
    CKVMsg* late = append(MSG_NOTE, 64, 0);
    CKVMsg* mark = append(MSG_NOTEMARK, 0, 0);
    CKVMsg* a = append(MSG_NOTE, 0, 8);
    CKVMsg* b = append(MSG_CHORD, 0, -8);
    group->BeamXsort(0);
    EXPECT_EQ(group->GetMsg(0), a);
    EXPECT_EQ(group->GetMsg(1), mark);
    EXPECT_EQ(group->GetMsg(2), b);
    EXPECT_EQ(group->GetMsg(3), late);

    // Anything but a group with members is left alone.
    CKVMsg* empty = score->Beam(Meas(), {.x = 200});
    empty->BeamXsort(0);
    EXPECT_EQ(empty->m_nPosX, 200);
    EXPECT_EQ(empty->m_nPosX2, 0);
}

TEST_F(ChordLayoutTest, TupletsReachedFromAGroupAreMarkedForPlacement)
{
    CKVMsg* group = score->Beam(Meas(), {.x = 0});
    CKVMsg* first = score->Note(group, {.x = 0, .code = DUR_EIGHTH, .tuplet = 0x0203});
    CKVMsg* chord = score->Chord(group, {.x = 32, .code = DUR_EIGHTH, .tuplet = 0x0203}, {0, -16});
    CKVMsg* tuplet = score->Symbol(first, MSG_TUPLET, 0);
    CKVMsg* inChord = score->Symbol(chord->GetMsg(0), MSG_TUPLET, 0);
    CKVMsg* slur = score->Symbol(first, MSG_SLUR, 0);
    ASSERT_TRUE(tuplet && inChord && slur);

    group->TupletPosOrderOfNote();
    EXPECT_EQ(tuplet->m_byReplace, 1);
    EXPECT_EQ(inChord->m_byReplace, 1);
    EXPECT_EQ(slur->m_byReplace, 0);

    // A tuplet asked directly marks itself.
    tuplet->m_byReplace = 0;
    tuplet->TupletPosOrderOfNote();
    EXPECT_EQ(tuplet->m_byReplace, 1);
}

} // namespace
