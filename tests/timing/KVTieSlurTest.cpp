// Ties and slurs: when two notes may be tied, making and toggling ties and
// slurs, their shape, the accidental command on a note and its tie chain,
// handing ties and slurs over when a note goes, and the symbol validity
// check.

#include "support/TimingFixture.h"

#include "document/UndoEntry.h"
#include "model/KVStaff.h"
#include "timing/InsertState.h"
#include "timing/TieSlurDirection.h"

#include <algorithm>
#include <vector>

namespace {

// Treble positions at L = 16.
constexpr short E4 = 0;
constexpr short G4 = -16;
constexpr short A4 = -24;
constexpr short B4 = -32;

class TieSlurTest : public kvtest::TimingTest {
protected:
    kvtest::ScoreShape Shape() override { return {.lineSpacing = 16, .staves = 2, .measures = 3}; }

    void SetUp() override
    {
        TimingTest::SetUp();
        // The music font that goes with L = 16, and its stem length.
        Doc().m_nFontHeight = 64;
        Doc().m_nFontHeight78 = 56;
    }

    void TearDown() override
    {
        TakeRecords();
        TimingTest::TearDown();
    }

    // A note with the key its place gives it.
    CKVMsg* Note(CKVObject* parent, short x, short y, BYTE voice = 1, BYTE accidental = 0)
    {
        CKVMsg* note = score->Note(parent, {.x = x, .y = y, .voice = voice, .accidental = accidental});
        note->MakeMidiMsgFromY(1);
        return note;
    }

    // A slur built straight into the tree, as the builder builds a tie.
    CKVMsg* Slur(CKVMsg* first, CKVMsg* second)
    {
        CKVMsg* slur = score->Tie(first, second);
        slur->m_byKind = MSG_SLUR;
        first->m_wFlag = static_cast<WORD>(first->m_wFlag & ~MSGFLAG_TIE_START);
        second->m_wFlag = static_cast<WORD>(second->m_wFlag & ~MSGFLAG_TIE_END);
        return slur;
    }

    static std::vector<CKVMsg*> Links(CKVMsg* note)
    {
        std::vector<CKVMsg*> links;
        for (short i = 0; i < note->GetMsgNum(); ++i) {
            CKVMsg* child = note->GetMsg(i);
            if (child && (child->m_byKind == MSG_TIE || child->m_byKind == MSG_SLUR))
                links.push_back(child);
        }
        return links;
    }

    static bool Holds(CKVMsg* note, CKVMsg* link)
    {
        const std::vector<CKVMsg*> links = Links(note);
        return std::find(links.begin(), links.end(), link) != links.end();
    }

    static BYTE OwnershipOf(CKVMsg* note, CKVMsg* link)
    {
        for (short i = 0; i < note->GetMsgNum(); ++i) {
            if (note->GetMsg(i) == link)
                return note->m_arrMsgRef.GetAt(i)->byOwner;
        }
        return 0xFF;
    }

    // The records of the open slur list, taken out of it.
    std::vector<SlurRelinkRecord> TakeRecords()
    {
        std::vector<SlurRelinkRecord> records;
        CPtrArray& list = Doc().m_arrSlurBackup;
        for (int i = 0; i < list.GetSize(); ++i) {
            auto* record = static_cast<SlurRelinkRecord*>(list.GetAt(i));
            records.push_back(*record);
            delete record;
        }
        list.RemoveAll();
        return records;
    }
};

// ---------------------------------------------------------------------------
// When two notes may be tied.

TEST_F(TieSlurTest, NeighboursOfOnePitchMayBeTiedWhenNothingStandsBetween)
{
    CKVMeas* m = Meas(0, 0);
    CKVMsg* n1 = Note(m, 0, E4);
    CKVMsg* n2 = Note(m, 64, E4);
    EXPECT_EQ(Doc().IsEnableBindByTie(n1, n2, 0), 1);
    EXPECT_EQ(Doc().IsEnableBindByTie(n2, n1, 0), 1) << "the pair is put in order first";
    // Another voice in between does not count.
    Note(m, 32, G4, 2);
    EXPECT_EQ(Doc().IsEnableBindByTie(n1, n2, 0), 1);
    Note(m, 32, G4, 1);
    EXPECT_EQ(Doc().IsEnableBindByTie(n1, n2, 0), 0);
}

TEST_F(TieSlurTest, NotesAtOnePositionNeverTie)
{
    CKVMeas* m = Meas(0, 0);
    CKVMsg* n1 = Note(m, 0, E4, 1);
    CKVMsg* n2 = Note(m, 0, E4, 2);
    EXPECT_EQ(Doc().IsEnableBindByTie(n1, n2, 1), 0);
}

TEST_F(TieSlurTest, TiesReachOnlyIntoTheNextMeasure)
{
    CKVMsg* last = Note(Meas(0, 0), 192, E4);
    CKVMsg* next = Note(Meas(0, 1), 0, E4);
    CKVMsg* far = Note(Meas(0, 2), 0, E4);
    EXPECT_EQ(Doc().IsEnableBindByTie(last, next, 0), 1);
    EXPECT_EQ(Doc().IsEnableBindByTie(last, far, 0), 0);
    // A later note of the voice in the first measure stands between.
    Note(Meas(0, 0), 224, G4);
    EXPECT_EQ(Doc().IsEnableBindByTie(last, next, 0), 0);
}

TEST_F(TieSlurTest, ASemitoneApartTiesOnlyWithAlign)
{
    CKVMeas* m = Meas(0, 0);
    CKVMsg* a = Note(m, 0, E4);
    CKVMsg* b = Note(m, 64, E4);
    b->SetMidiKey(65);
    EXPECT_EQ(Doc().IsEnableBindByTie(a, b, 0), 0);
    EXPECT_EQ(Doc().IsEnableBindByTie(a, b, 1), 1);
    EXPECT_EQ(b->GetMidiKey(), 65) << "an untied pair keeps its keys";
    b->SetMidiKey(66);
    EXPECT_EQ(Doc().IsEnableBindByTie(a, b, 1), 0);
}

TEST_F(TieSlurTest, AlignMendsATiedPairOnlyWhenTheTieHolds)
{
    CKVMeas* m = Meas(0, 0);
    CKVMsg* a = Note(m, 0, E4);
    CKVMsg* b = Note(m, 64, E4, 1, ACCI_SHARP);
    CKVMsg* c = Note(m, 128, E4, 1, ACCI_SHARP);
    score->Tie(a, b);
    score->Tie(b, c);
    b->SetMidiKey(65);
    c->SetMidiKey(65);

    // Refused: a note stands between, and nothing changes.
    CKVMsg* between = Note(m, 32, G4);
    EXPECT_EQ(Doc().IsEnableBindByTie(a, b, 1), 0);
    EXPECT_EQ(b->GetMidiKey(), 65);
    EXPECT_EQ(b->m_byAccidental, ACCI_SHARP);

    // Accepted: b and the note its tie reaches take a's key and accidental.
    m->DeleteMsg(between, kUnlinkAndFree);
    EXPECT_EQ(Doc().IsEnableBindByTie(a, b, 1), 1);
    EXPECT_EQ(b->GetMidiKey(), 64);
    EXPECT_EQ(b->m_byAccidental, ACCI_NONE);
    EXPECT_EQ(c->GetMidiKey(), 64);
    EXPECT_EQ(c->m_byAccidental, ACCI_NONE);
}

// ---------------------------------------------------------------------------
// Making, toggling and refusing ties.

TEST_F(TieSlurTest, BindNoteByTieMakesOneTieAndTogglesItOff)
{
    Doc().m_CtrlTool.m_crCurrent = 0x00123456;
    CKVMeas* m = Meas(0, 0);
    CKVMsg* a = Note(m, 0, E4);
    CKVMsg* b = Note(m, 64, E4);

    ASSERT_EQ(Doc().BindNoteByTie(a, b, 10, 4, 14, kSetGivenShape, kTieAlways, kTieSideByNote), 1);
    ASSERT_EQ(Links(a).size(), 1u);
    CKVMsg* tie = Links(a).front();
    EXPECT_EQ(tie->m_byKind, MSG_TIE);
    EXPECT_EQ(tie->m_dwWord, a->m_dwMsgId);
    EXPECT_EQ(static_cast<DWORD>(tie->m_lHeight), b->m_dwMsgId);
    EXPECT_EQ(tie->m_pParent, a);
    EXPECT_EQ(OwnershipOf(a, tie), 1);
    EXPECT_EQ(OwnershipOf(b, tie), 0);
    EXPECT_TRUE(a->m_wFlag & MSGFLAG_TIE_START);
    EXPECT_TRUE(b->m_wFlag & MSGFLAG_TIE_END);
    EXPECT_EQ(tie->m_nPosX, 4);
    EXPECT_EQ(tie->m_nPosX2, 12);
    EXPECT_EQ(tie->m_nPosY, 14);
    EXPECT_EQ(tie->m_nPosY2, 14);
    EXPECT_EQ(tie->m_nLayout1, 10);
    EXPECT_EQ(tie->m_nLayout2, 10);
    EXPECT_EQ(tie->m_crColor, 0x00123456u);
    EXPECT_EQ(a->GetTieIndex(1), 0);
    EXPECT_EQ(b->GetTieIndex(0), 0);
    EXPECT_EQ(b->GetTieIndex(1), -1);

    EXPECT_EQ(Doc().BindNoteByTie(a, b, 10, 4, 14, kSetGivenShape, kTieToggles, kTieSideByNote), 1);
    EXPECT_TRUE(Links(a).empty());
    EXPECT_TRUE(Links(b).empty());
    EXPECT_FALSE(a->m_wFlag & MSGFLAG_TIE_START);
    EXPECT_FALSE(b->m_wFlag & MSGFLAG_TIE_END);
}

TEST_F(TieSlurTest, ASemitoneHigherSecondNoteTakesTheFirstKeyWhenTied)
{
    CKVMeas* m = Meas(0, 0);
    CKVMsg* a = Note(m, 0, E4);
    CKVMsg* b = Note(m, 64, E4);
    b->SetMidiKey(65);
    ASSERT_EQ(Doc().BindNoteByTie(a, b, 10, 4, 14, kSetGivenShape, kTieAlways, kTieSideByNote), 1);
    EXPECT_EQ(b->GetMidiKey(), 64);
    EXPECT_EQ(Links(a).front()->m_byKind, MSG_TIE);
}

TEST_F(TieSlurTest, RefusedTiesChangeNothing)
{
    // Bass staff below: a G2 on its bottom line and a treble E4.
    CKVMsg* bass = Note(Meas(1, 0), 192, 0);
    CKVMsg* treble = Note(Meas(0, 1), 0, E4);
    ASSERT_EQ(bass->GetMidiKey(), 43);
    ASSERT_EQ(treble->GetMidiKey(), 64);
    EXPECT_EQ(Doc().BindNoteByTie(bass, treble, 10, 4, 14, kSetGivenShape, kTieAlways, kTieSideByNote), 0);
    EXPECT_EQ(treble->GetMidiKey(), 64);
    EXPECT_TRUE(Links(bass).empty());
    EXPECT_TRUE(Links(treble).empty());

    // A later E4 with a double sharp is not tied and keeps its spelling.
    CKVMeas* m = Meas(0, 0);
    CKVMsg* plain = Note(m, 0, E4);
    CKVMsg* doubleSharp = Note(m, 64, E4, 1, ACCI_DOUBLE_SHARP);
    ASSERT_EQ(doubleSharp->GetMidiKey(), 66);
    EXPECT_EQ(Doc().BindNoteByTie(plain, doubleSharp, 10, 4, 14, kSetGivenShape, kTieAlways, kTieSideByNote), 0);
    EXPECT_EQ(doubleSharp->GetMidiKey(), 66);
    EXPECT_EQ(doubleSharp->m_byAccidental, ACCI_DOUBLE_SHARP);
    EXPECT_TRUE(Links(plain).empty());

    // Other places, and one position.
    CKVMsg* high = Note(m, 128, G4);
    EXPECT_EQ(Doc().BindNoteByTie(plain, high, 10, 4, 14, kSetGivenShape, kTieAlways, kTieSideByNote), 0);
    CKVMsg* sameSpot = Note(m, 0, E4, 2);
    EXPECT_EQ(Doc().BindNoteByTie(plain, sameSpot, 10, 4, 14, kSetGivenShape, kTieAlways, kTieSideByNote), 0);
    EXPECT_FALSE(plain->m_wFlag & MSGFLAG_TIE_START);
}

TEST_F(TieSlurTest, NotesAlreadyTiedBothWaysAreLeftAlone)
{
    CKVMeas* m = Meas(0, 0);
    CKVMsg* before = Note(m, 0, E4);
    CKVMsg* a = Note(m, 64, E4);
    CKVMsg* b = Note(m, 128, E4);
    CKVMsg* after = Note(m, 192, E4);
    CKVMsg* forward = score->Tie(a, after);
    CKVMsg* backward = score->Tie(before, b);
    // They count as joined: the call answers 1 and marks the document
    // modified, and no tie is added or taken away.
    Doc().m_bModified = 0;
    EXPECT_EQ(Doc().BindNoteByTie(a, b, 10, 4, 14, kSetGivenShape, kTieAlways, kTieSideByNote), 1);
    EXPECT_EQ(Doc().m_bModified, 1);
    EXPECT_EQ(Links(a), std::vector<CKVMsg*> {forward});
    EXPECT_EQ(Links(b), std::vector<CKVMsg*> {backward});
    EXPECT_TRUE(after->m_wFlag & MSGFLAG_TIE_END);
    EXPECT_TRUE(before->m_wFlag & MSGFLAG_TIE_START);
}

TEST_F(TieSlurTest, ANewTieReplacesTheOneLeavingTheFirstNote)
{
    CKVMeas* m = Meas(0, 0);
    CKVMsg* a = Note(m, 0, E4);
    CKVMsg* b = Note(m, 64, E4);
    CKVMsg* c = Note(m, 128, E4);
    CKVMsg* old = score->Tie(a, c);
    ASSERT_EQ(Doc().BindNoteByTie(a, b, 10, 4, 14, kSetGivenShape, kTieAlways, kTieSideByNote), 1);
    EXPECT_FALSE(Holds(a, old));
    EXPECT_FALSE(Holds(c, old));
    EXPECT_FALSE(c->m_wFlag & MSGFLAG_TIE_END);
    ASSERT_EQ(Links(a).size(), 1u);
    EXPECT_EQ(static_cast<DWORD>(Links(a).front()->m_lHeight), b->m_dwMsgId);
}

// ---------------------------------------------------------------------------
// Slurs.

TEST_F(TieSlurTest, BindNoteBySlurKeepsOneSlurPerPair)
{
    CKVMeas* m = Meas(0, 0);
    CKVMsg* a = Note(m, 0, E4);
    CKVMsg* b = Note(m, 64, G4);
    ASSERT_EQ(Doc().BindNoteBySlur(b, a, 10, 4, 14, kTieSideByNote), 1);
    ASSERT_EQ(Doc().BindNoteBySlur(a, b, 10, 4, 14, kTieSideByNote), 1);
    ASSERT_EQ(Links(a).size(), 1u);
    CKVMsg* slur = Links(a).front();
    EXPECT_EQ(slur->m_byKind, MSG_SLUR);
    EXPECT_EQ(slur->m_dwWord, a->m_dwMsgId) << "the earlier note starts it";
    EXPECT_EQ(OwnershipOf(a, slur), 1);
    EXPECT_EQ(Links(b), std::vector<CKVMsg*> {slur});
    EXPECT_EQ(OwnershipOf(b, slur), 0);
    EXPECT_EQ(a->GetSlurIndex(slur->m_dwMsgId, 1), 0);
    EXPECT_EQ(a->GetSlurIndex(slur->m_dwMsgId, 0), -1);
    EXPECT_EQ(b->GetSlurIndex(slur->m_dwMsgId, 0), 0);
}

TEST_F(TieSlurTest, SlursStayOnOneStaffAndBetweenTwoPositions)
{
    CKVMsg* upper = Note(Meas(0, 0), 0, E4);
    CKVMsg* lower = Note(Meas(1, 0), 64, E4);
    EXPECT_EQ(Doc().BindNoteBySlur(upper, lower, 10, 4, 14, kTieSideByNote), 0);
    CKVMsg* partner = Note(Meas(0, 0), 0, G4, 2);
    EXPECT_EQ(Doc().BindNoteBySlur(upper, partner, 10, 4, 14, kTieSideByNote), 0);
    EXPECT_TRUE(Links(upper).empty());
}

// ---------------------------------------------------------------------------
// Shapes.

TEST_F(TieSlurTest, AutomaticTieSideFollowsTheMiddleLine)
{
    CKVMeas* m = Meas(0, 0);
    CKVMsg* onMiddle = score->Tie(Note(m, 0, B4), Note(m, 64, B4));
    onMiddle->SlurPosOrder(-4, 14, 10, kSlurSetEndX, 1, 1, kSlurResetMiddle, kTieSideByNote);
    EXPECT_EQ(onMiddle->m_byKind, MSG_TIE);
    EXPECT_EQ(onMiddle->m_nPosY, -14);
    EXPECT_EQ(onMiddle->m_nPosY2, -14);
    EXPECT_EQ(onMiddle->m_nLayout1, -10);
    EXPECT_EQ(onMiddle->m_nLayout2, -10);
    EXPECT_EQ(onMiddle->m_nPosX, 12);
    EXPECT_EQ(onMiddle->m_nPosX2, 4);

    CKVMsg* belowIt = score->Tie(Note(m, 128, A4), Note(m, 192, A4));
    belowIt->SlurPosOrder(-4, 14, 10, kSlurSetEndX, 1, 1, kSlurResetMiddle, kTieSideByNote);
    EXPECT_EQ(belowIt->m_nPosY, 14);
    EXPECT_EQ(belowIt->m_nPosY2, 14);
    EXPECT_EQ(belowIt->m_nLayout1, 10);
    EXPECT_EQ(belowIt->m_nLayout2, 10);
}

TEST_F(TieSlurTest, ShapingSwitchesBetweenTieAndSlurByThePitches)
{
    CKVMeas* m = Meas(0, 0);
    CKVMsg* a = Note(m, 0, E4);
    CKVMsg* b = Note(m, 64, E4);
    CKVMsg* slur = Slur(a, b);
    slur->SlurPosOrder(-4, 14, 10, kSlurSetEndX, 1, 1, kSlurResetMiddle, kTieSideByNote);
    EXPECT_EQ(slur->m_byKind, MSG_TIE);
    EXPECT_TRUE(a->m_wFlag & MSGFLAG_TIE_START);
    EXPECT_TRUE(b->m_wFlag & MSGFLAG_TIE_END);

    CKVMsg* c = Note(m, 128, E4);
    CKVMsg* d = Note(m, 192, G4);
    CKVMsg* tie = score->Tie(c, d);
    tie->SlurPosOrder(-4, 14, 10, kSlurSetEndX, 1, 1, kSlurResetMiddle, kTieSideByNote);
    EXPECT_EQ(tie->m_byKind, MSG_SLUR);
    EXPECT_FALSE(c->m_wFlag & MSGFLAG_TIE_START) << "no tie starts there any more";
    EXPECT_FALSE(d->m_wFlag & MSGFLAG_TIE_END);
}

TEST_F(TieSlurTest, SlurCurvesClearTheNotesOnTheChosenSide)
{
    CKVMeas* m = Meas(0, 0);
    CKVMsg* a = Note(m, 0, E4);
    CKVMsg* b = Note(m, 64, G4);
    a->m_lHeight = -56;
    b->m_lHeight = -56;
    CKVMsg* slur = Slur(a, b);

    // Stems up, automatic: below the heads, clearing the lower head by half
    // a line spacing.
    slur->SlurPosOrder(-4, 14, 10, kSlurSetEndX, 1, 1, kSlurResetMiddle, kTieSideByNote);
    EXPECT_EQ(slur->m_byKind, MSG_SLUR);
    EXPECT_EQ(a->m_nLayout1, -56) << "the stem word follows the stem";
    EXPECT_EQ(slur->m_nPosX, 12);
    EXPECT_EQ(slur->m_nPosX2, 4);
    EXPECT_EQ(slur->m_nPosY, 14);
    EXPECT_EQ(slur->m_nPosY2, 14);
    EXPECT_EQ(slur->m_nLayout1, 20);
    EXPECT_EQ(slur->m_nLayout2, 20);
    EXPECT_EQ(slur->m_pParent, a);

    // Above by the setting: over the stem ends, starting at the stems.
    SetTieSlurDirection(1);
    slur->SlurPosOrder(-4, 14, 10, kSlurSetEndX, 1, 1, kSlurResetMiddle, kTieSideByNote);
    EXPECT_EQ(slur->m_nPosX, 16);
    EXPECT_EQ(slur->m_nPosX2, 16);
    EXPECT_EQ(slur->m_nPosY, -63);
    EXPECT_EQ(slur->m_nPosY2, -63);
    EXPECT_EQ(slur->m_nLayout1, -10);
    EXPECT_EQ(slur->m_nLayout2, -10);

    // Kept vertical positions and heights are put back.
    slur->m_nPosY = 1;
    slur->m_nLayout1 = 2;
    slur->SlurPosOrder(-4, 14, 10, kSlurSetEndX, 0, 0, kSlurResetMiddle, kTieSideByNote);
    EXPECT_EQ(slur->m_nPosY, 1);
    EXPECT_EQ(slur->m_nLayout1, 2);
}

TEST_F(TieSlurTest, ADamagedLineSpacingLeavesTheShapeAlone)
{
    CKVMeas* m = Meas(0, 0);
    CKVMsg* slur = Slur(Note(m, 0, E4), Note(m, 64, G4));
    slur->m_nPosX = 3;
    slur->m_nPosY = 5;
    slur->m_nLayout1 = 7;
    score->SetLineSpacing(0);
    slur->SlurPosOrder(-4, 14, 10, kSlurSetEndX, 1, 1, kSlurResetMiddle, kTieSideByNote);
    EXPECT_EQ(slur->m_byKind, MSG_SLUR);
    EXPECT_EQ(slur->m_nPosX, 3);
    EXPECT_EQ(slur->m_nPosY, 5);
    EXPECT_EQ(slur->m_nLayout1, 7);
}

TEST_F(TieSlurTest, AutoAdjustReachesTiesInsideGroupsAndChords)
{
    CKVMeas* m = Meas(0, 0);
    CKVMsg* group = score->Beam(m, {.x = 0});
    CKVMsg* a = Note(group, 0, A4);
    CKVMsg* chord = score->Chord(m, {.x = 64}, {A4, G4});
    CKVMsg* b = chord->GetMsg(0)->m_nPosY == A4 ? chord->GetMsg(0) : chord->GetMsg(1);
    b->MakeMidiMsgFromY(1);
    CKVMsg* tie = score->Tie(a, b);
    group->AutoAdjustTieSlur();
    EXPECT_EQ(tie->m_nPosX, 12);
    EXPECT_EQ(tie->m_nPosX2, 4);
    EXPECT_EQ(tie->m_nPosY, 14);
    EXPECT_EQ(tie->m_nLayout1, 10);
}

// ---------------------------------------------------------------------------
// Accidentals.

TEST_F(TieSlurTest, SetSymbolTogglesTheAccidentalAndFollowsWithTheKey)
{
    CKVMsg* note = Note(Meas(0, 0), 0, E4);
    ASSERT_EQ(note->GetMidiKey(), 64);
    EXPECT_EQ(note->SetSymbol(ACCI_SHARP, 0, 12), 1);
    EXPECT_EQ(note->m_byAccidental, ACCI_SHARP);
    EXPECT_EQ(note->GetMidiKey(), 65);
    EXPECT_EQ(note->m_nLayout4, 12);

    EXPECT_EQ(note->SetSymbol(ACCI_SHARP, 0, 12), 1);
    EXPECT_EQ(note->m_byAccidental, ACCI_NONE);
    EXPECT_EQ(note->GetMidiKey(), 64);

    EXPECT_EQ(note->SetSymbol(ACCI_FLAT, 3, 12), 1);
    EXPECT_EQ(note->m_byAccidental, ACCI_FLAT | ACCI_SHIFT_LEFT);
    EXPECT_TRUE(note->m_wFlag & MSGFLAG_KEEP_ACCIDENTAL);
    EXPECT_EQ(note->GetMidiKey(), 63);

    CKVMsg* rest = score->Rest(Meas(0, 0), {.x = 128});
    EXPECT_EQ(rest->SetSymbol(ACCI_SHARP, 0, 12), 0);
}

TEST_F(TieSlurTest, TheTieChainIsGatheredFromAnyOfItsNotes)
{
    CKVMeas* m = Meas(0, 0);
    CKVMsg* a = Note(m, 0, E4);
    CKVMsg* b = Note(m, 64, E4);
    CKVMsg* c = Note(Meas(0, 1), 0, E4);
    score->Tie(a, b);
    score->Tie(b, c);
    CPtrArray chain;
    b->GetMsgBindedByTie(chain);
    std::vector<void*> got;
    for (int i = 0; i < chain.GetSize(); ++i)
        got.push_back(chain.GetAt(i));
    std::sort(got.begin(), got.end());
    std::vector<void*> want {a, b, c};
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want);

    CPtrArray none;
    Note(m, 128, G4)->GetMsgBindedByTie(none);
    EXPECT_EQ(none.GetSize(), 0);
}

TEST_F(TieSlurTest, TheAccidentalColumnWidthIsAGapInDrawingUnits)
{
    SetAccColumnWidth(0);
    Doc().SetSymbol(1, POINT {-30000, -30000}, ACCI_SHARP, 0, 3);
    EXPECT_EQ(GetAccColumnWidth(), 12);
}

// ---------------------------------------------------------------------------
// Hand-over when a note is deleted.

TEST_F(TieSlurTest, DeletingTheEndOfATieFreesItsStart)
{
    CKVMeas* m = Meas(0, 0);
    CKVMsg* a = Note(m, 0, E4);
    CKVMsg* b = Note(m, 64, E4);
    CKVMsg* tie = score->Tie(a, b);
    const DWORD tieId = tie->m_dwMsgId;

    Doc().TieSlurMsgDelProc(b);
    m->DeleteMsg(b, kUnlinkAndFree);
    EXPECT_FALSE(a->m_wFlag & MSGFLAG_TIE_START);
    EXPECT_TRUE(Links(a).empty());
    const std::vector<SlurRelinkRecord> records = TakeRecords();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].dwOldRef, tieId);
    EXPECT_EQ(records[0].pMeas, m);
    EXPECT_EQ(records[0].dwFlag, 1u) << "a owned it";
    EXPECT_EQ(records[0].dwFirstStart, a->m_dwMsgId);
    EXPECT_EQ(records[0].dwNewStart, 0u);
    EXPECT_EQ(records[0].dwNewEnd, 0u);
    EXPECT_EQ(records[0].dwNewRef, 0u);
}

TEST_F(TieSlurTest, EveryTieAndSlurOfADeletedNoteIsHandedOver)
{
    CKVMeas* m = Meas(0, 0);
    CKVMsg* a = Note(m, 0, E4);
    CKVMsg* b = Note(m, 64, E4);
    CKVMsg* c = Note(m, 128, E4);
    CKVMsg* d = Note(m, 192, G4);
    CKVMsg* in = score->Tie(a, b);
    CKVMsg* slur = Slur(b, d);
    CKVMsg* out = score->Tie(b, c);
    // The slur first among b's links.
    short at = 0;
    while (b->GetMsg(at) != slur)
        ++at;
    MsgRef* ref = b->m_arrMsgRef.GetAt(at);
    b->m_arrMsgRef.RemoveAt(at);
    b->m_arrMsgRef.InsertAt(0, ref);
    ASSERT_EQ(Links(b).front(), slur);

    Doc().TieSlurMsgDelProc(b);
    EXPECT_FALSE(a->m_wFlag & MSGFLAG_TIE_START);
    EXPECT_FALSE(c->m_wFlag & MSGFLAG_TIE_END);
    EXPECT_FALSE(Holds(a, in));
    EXPECT_FALSE(Holds(c, out));
    EXPECT_FALSE(Holds(d, slur));
    EXPECT_TRUE(Links(b).empty());
    EXPECT_EQ(TakeRecords().size(), 3u);

    // c's key now counts among the accidentals in force.
    m->DeleteMsg(b, kUnlinkAndFree);
    EXPECT_TRUE(Links(c).empty());
    EXPECT_TRUE(Links(d).empty());
}

TEST_F(TieSlurTest, ALinkWithAMissingEndIsDroppedAndTheOthersStillGo)
{
    CKVMeas* m = Meas(0, 0);
    CKVMsg* a = Note(m, 0, E4);
    CKVMsg* b = Note(m, 64, E4);
    CKVMsg* c = Note(m, 128, E4);
    score->Tie(a, b);
    CKVMsg* out = score->Tie(b, c);
    score->MakeStale(a);

    Doc().TieSlurMsgDelProc(b);
    EXPECT_TRUE(Links(b).empty());
    EXPECT_FALSE(Holds(c, out));
    EXPECT_FALSE(c->m_wFlag & MSGFLAG_TIE_END);
    EXPECT_EQ(TakeRecords().size(), 1u);
}

TEST_F(TieSlurTest, NothingIsHandedOverWhenMemoryIsShort)
{
    CKVMeas* m = Meas(0, 0);
    CKVMsg* a = Note(m, 0, E4);
    CKVMsg* b = Note(m, 64, E4);
    CKVMsg* tie = score->Tie(a, b);
    host.freeBytes = 999999;
    Doc().TieSlurMsgDelProc(b);
    EXPECT_TRUE(a->m_wFlag & MSGFLAG_TIE_START);
    EXPECT_TRUE(Holds(a, tie));
    EXPECT_TRUE(Holds(b, tie));
    EXPECT_TRUE(TakeRecords().empty());
    EXPECT_EQ(host.messageBoxes.size(), 1u);
}

// ---------------------------------------------------------------------------
// Symbol checks.

// Asks through a pointer whose symbol may be gone: the call itself must not
// look at the object, so the sanitizer's type check of the call is left out.
__attribute__((no_sanitize("vptr"))) int ValidityThrough(CKVMsg* msg, CKVSystem* system)
{
    return msg->IsValidMsg(system);
}

TEST_F(TieSlurTest, OnlyAPointerTheMapHoldsIsValid)
{
    CKVSystem* system = score->System();
    CKVMsg* live = Note(Meas(0, 0), 0, E4);
    EXPECT_EQ(live->IsValidMsg(system), 1);

    kvtest::ScoreBuilder other;
    CKVMsg* foreign = other.Note(other.Meas(0, 0), {.x = 0});
    EXPECT_EQ(foreign->IsValidMsg(system), 0);

    CKVMsg* gone = Note(Meas(0, 0), 64, E4);
    system->RemoveMsgFromMap(gone->m_dwMsgId);
    EXPECT_EQ(ValidityThrough(gone, system), 0);

    live->m_byKind = 0;
    EXPECT_EQ(live->IsValidMsg(system), 0);
    live->m_byKind = MSG_NOTE;
}

TEST_F(TieSlurTest, TiesLeavingTheirKindOfStaffAreDropped)
{
    CKVSystem* system = score->System();
    ASSERT_GE(system->InsertOssiaStaff(score->Staff(0), 0, 1, CKVSystem::MODE_NORMAL, 5, 100), 0);
    CKVStaff* ossia = system->GetOssiaStaff(0);
    ASSERT_NE(ossia, nullptr);
    CKVMeas* ossiaMeas = ossia->GetMeas(0);
    ASSERT_NE(ossiaMeas, nullptr);
    CKVMsg* normal = Note(Meas(0, 0), 0, E4);
    CKVMsg* onOssia = Note(ossiaMeas, 64, E4);
    CKVMsg* tie = score->Tie(normal, onOssia);

    // The ossia note lets go of it; the tie then takes itself off both.
    onOssia->DeleteInvalidSlurMsg();
    EXPECT_FALSE(Holds(onOssia, tie));
    EXPECT_TRUE(Holds(normal, tie));
    onOssia->TemporaryMsg(tie);
    tie->DeleteInvalidSlurMsg();
    EXPECT_FALSE(Holds(normal, tie));
    EXPECT_FALSE(Holds(onOssia, tie));
    EXPECT_FALSE(normal->m_wFlag & MSGFLAG_TIE_START);

    // Both ends on the normal staff: kept.
    CKVMsg* x = Note(Meas(0, 0), 64, E4);
    CKVMsg* y = Note(Meas(0, 0), 128, E4);
    CKVMsg* kept = score->Tie(x, y);
    x->DeleteInvalidSlurMsg();
    kept->DeleteInvalidSlurMsg();
    EXPECT_TRUE(Holds(x, kept));
    EXPECT_TRUE(Holds(y, kept));
}

} // namespace
