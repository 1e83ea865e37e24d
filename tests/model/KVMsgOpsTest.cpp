// Operations on one symbol and its members: accessors, durations, gate
// ratios, tied lengths, stems, chord queries, note marks, tremolo pairs,
// beam ends, tie twins and the older text forms.

#include "support/KvTest.h"
#include "support/ScoreBuilder.h"
#include "support/ScoreTest.h"

#include "document/KVDoc.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using kvtest::ScoreBuilder;

class MsgOpsTest : public kvtest::ScoreTest {
protected:
    kvtest::ScoreShape Shape() override { return {.lineSpacing = 16, .staves = 1, .measures = 1}; }

    void SetUp() override
    {
        ScoreTest::SetUp();
        score->Doc().m_nFontHeight = 64;
        score->Doc().m_nFontHeight78 = 56;
        meas = score->Meas(0, 0);
    }

    // A note with a MIDI head of the given key and gate.
    CKVMsg* Sounding(CKVObject* parent, const kvtest::NoteShape& shape, BYTE key, DWORD gate)
    {
        CKVMsg* note = score->Note(parent, shape);
        MidiNoteHead head;
        head.byKey = key;
        head.dwGateTime = gate;
        ScoreBuilder::SetMidiHead(note, head);
        return note;
    }

    static DWORD Gate(CKVMsg* note) { return ScoreBuilder::GetMidiHead(note).dwGateTime; }

    std::vector<CKVMsg*> Members(CKVMsg* group)
    {
        std::vector<CKVMsg*> members;
        for (short i = 0; i < group->GetMsgNum(); ++i)
            members.push_back(group->GetMsg(i));
        return members;
    }

    CKVMeas* meas = nullptr;
};

// --- Accessors --------------------------------------------------------------

TEST_F(MsgOpsTest, AccidentalGapCountsInQuartersOfTheStaffSpace)
{
    score->SetLineSpacing(18);
    CKVMsg* note = score->Note(meas, {});
    note->SetTemporarySymbolGap(3);
    EXPECT_EQ(note->GetTemporarySymbolGap(), 12);
    CKVMsg* rest = score->Rest(meas, {.x = 64});
    EXPECT_EQ(rest->GetTemporarySymbolGap(), -1);
}

TEST_F(MsgOpsTest, HeadSevenIsStoredAsTwentySixOnNotesAndChordMembers)
{
    CKVMsg* note = score->Note(meas, {});
    note->SetNoteHeadType(7);
    EXPECT_EQ(note->GetNoteHeadType(), 26);

    CKVMsg* chord = score->Chord(meas, {.x = 64}, {0, -16});
    chord->SetNoteHeadType(7);
    for (CKVMsg* member : Members(chord))
        EXPECT_EQ(member->m_wHeadType, 26);
    EXPECT_EQ(chord->GetNoteHeadType(), -1);
}

TEST_F(MsgOpsTest, StaleMembersArePassedOver)
{
    CKVMsg* chord = score->Chord(meas, {}, {0, -16, -32});
    CKVMsg* middle = chord->GetMsg(1);
    score->MakeStale(middle);
    chord->SetNoteHeadType(3);
    chord->ChangeToRaw(1);
    chord->SetTail(1);
    int live = 0;
    for (short i = 0; i < chord->GetMsgNum();) {
        CKVMsg* member = chord->GetMsg(i);
        if (!member)
            continue; // the lookup dropped the stale reference
        ++i;
        EXPECT_EQ(member->m_wHeadType, 1);
        EXPECT_EQ(member->m_wFlag & MSGFLAG_TAIL, MSGFLAG_TAIL);
        ++live;
    }
    EXPECT_EQ(live, 2);
}

TEST_F(MsgOpsTest, AttributeMaskKeepsTheStoredDirection)
{
    CKVMsg* note = score->Note(meas, {});
    note->m_lHeight = -56;
    note->ChangeNoteAttr(kAttrHeight | kAttrHeadType | kAttrSetTail, 40, 0, 5, 0, 0);
    EXPECT_EQ(note->GetNoteHeight(), -40);
    EXPECT_EQ(note->m_wHeadType, 5);
    EXPECT_EQ(note->m_wFlag & MSGFLAG_TAIL, MSGFLAG_TAIL);

    note->m_lHeight = 30;
    note->ChangeNoteAttr(kAttrHeight | kAttrClearTail, -12, 0, 0, 0, 0);
    EXPECT_EQ(note->m_lHeight, 12);
    EXPECT_EQ(note->m_wFlag & MSGFLAG_TAIL, 0);
}

TEST_F(MsgOpsTest, AttributeMaskReachesOnlyTheKindsItServes)
{
    CKVMsg* rest = score->Rest(meas, {.code = DUR_QUARTER});
    rest->ChangeNoteAttr(kAttrHeight | kAttrHeadType | kAttrThickness | kAttrRestType | kAttrSetTail, 40, 0, 5, 9,
                         DUR_HALF);
    EXPECT_EQ(rest->GetRestType(), DUR_HALF);
    EXPECT_EQ(rest->m_wHeadType, 0);
    EXPECT_EQ(rest->m_wFlag & MSGFLAG_TAIL, 0);

    CKVMsg* group = score->Beam(meas, {.x = 64});
    CKVMsg* member = score->Note(group, {.x = 64, .code = DUR_EIGHTH});
    group->ChangeNoteAttr(kAttrThickness | kAttrSetTail, 0, 0, 0, 3, 0);
    EXPECT_EQ(group->GetToilThick(), 3);
    EXPECT_EQ(group->m_wFlag & MSGFLAG_TAIL, 0);
    EXPECT_EQ(member->m_wFlag & MSGFLAG_TAIL, 0); // the mask sets tails on notes and chords only
    group->SetTail(1);
    EXPECT_EQ(group->m_wFlag & MSGFLAG_TAIL, 0);
    EXPECT_EQ(member->m_wFlag & MSGFLAG_TAIL, MSGFLAG_TAIL);
}

TEST_F(MsgOpsTest, ChangeToRawFlattensChordMembers)
{
    CKVMsg* chord = score->Chord(meas, {}, {0, -16});
    for (CKVMsg* member : Members(chord))
        member->m_wHeadType = 4;
    chord->ChangeToRaw(1);
    for (CKVMsg* member : Members(chord)) {
        EXPECT_EQ(member->m_lHeight, 0);
        EXPECT_EQ(member->m_wHeadType, 1);
    }
}

TEST_F(MsgOpsTest, TupletTypeTakesTheHighHalfOfTheWord)
{
    CKVMsg* note = score->Note(meas, {});
    note->m_dwWord = 0x00001234;
    note->SetTupletType(0x0203);
    EXPECT_EQ(note->m_dwWord, 0x02031234u);
}

TEST_F(MsgOpsTest, MemorySizeCountsFixedBytesReferencesAndHeads)
{
    CKVMsg* note = score->Note(meas, {});
    CKVMsg* next = score->Note(meas, {.x = 64});
    ScoreBuilder::SetMidiHead(note, MidiNoteHead());
    score->Tie(note, next);
    DWORD total = 0;
    note->GetMemorySize(total);
    EXPECT_EQ(total, 368u);
}

TEST_F(MsgOpsTest, TremoloNoteByItsFlags)
{
    CKVMsg* note = score->Note(meas, {.flags = MSGFLAG_TREMOLO_END});
    EXPECT_EQ(note->IsTremoloNote(), 1);
    note->m_wFlag = 0;
    EXPECT_EQ(note->IsTremoloNote(), 0);
}

// --- Durations ----------------------------------------------------------------

TEST_F(MsgOpsTest, DurationChangeRetimesTheVoice)
{
    CKVMsg* first = Sounding(meas, {.x = 0}, 64, 240);
    CKVMsg* second = Sounding(meas, {.x = 64}, 64, 240);
    EXPECT_EQ(first->ChangeDurationSelNote(DUR_QUARTER, 1, 1, 50), 1);
    EXPECT_EQ(first->m_nPlayTime, 360);
    EXPECT_EQ(Gate(first), 180u);
    EXPECT_EQ(second->m_nStartTime, 360);
}

TEST_F(MsgOpsTest, NegativeCodeOnlyRecomputes)
{
    CKVMsg* note = Sounding(meas, {.code = DUR_QUARTER, .dots = 0}, 64, 17);
    note->m_nPlayTime = 0;
    EXPECT_EQ(note->ChangeDurationSelNote(-1, 0, 0, -1), 1);
    EXPECT_EQ(note->m_wDuration, DUR_QUARTER);
    EXPECT_EQ(note->m_byDots, 0);
    EXPECT_EQ(note->m_nPlayTime, 240);
    EXPECT_EQ(Gate(note), 240u);
}

TEST_F(MsgOpsTest, DurationChangeOfRestsAndChords)
{
    CKVMsg* rest = score->Rest(meas, {.code = DUR_QUARTER});
    EXPECT_EQ(rest->ChangeDurationSelNote(DUR_HALF, 1, 0, -1), 1);
    EXPECT_EQ(rest->m_nPlayTime, 480);

    CKVMsg* chord = score->Chord(meas, {.x = 128}, {0, -16});
    EXPECT_EQ(chord->ChangeDurationSelNote(DUR_EIGHTH, 1, 1, -1), 0);
    for (CKVMsg* member : Members(chord)) {
        EXPECT_EQ(member->m_wDuration, DUR_EIGHTH);
        EXPECT_EQ(member->m_byDots, 1);
        EXPECT_EQ(member->m_nPlayTime, 180);
    }
}

// --- Gate ratio -----------------------------------------------------------------

TEST_F(MsgOpsTest, PlayTimeChangeKeepsTheGateRatio)
{
    CKVMsg* note = Sounding(meas, {}, 64, 216);
    ASSERT_EQ(note->m_nPlayTime, 240);
    note->m_wObjWord = 0x0203;
    note->SetPlayTime();
    EXPECT_EQ(note->m_nPlayTime, 160);
    EXPECT_EQ(Gate(note), 144u);
}

TEST_F(MsgOpsTest, PlayTimeChangeWithoutAnOldPlayTimeKeepsTheGate)
{
    CKVMsg* note = Sounding(meas, {}, 64, 216);
    note->m_nPlayTime = 0;
    note->SetPlayTime();
    EXPECT_EQ(note->m_nPlayTime, 240);
    EXPECT_EQ(Gate(note), 216u);
}

TEST_F(MsgOpsTest, ChordPassesItsTupletAndDotsOn)
{
    CKVMsg* chord = score->Chord(meas, {}, {0, -16});
    for (CKVMsg* member : Members(chord)) {
        MidiNoteHead head;
        head.dwGateTime = 240;
        ScoreBuilder::SetMidiHead(member, head);
    }
    chord->m_wObjWord = 0x0203;
    chord->m_byDots = 0;
    chord->SetPlayTime();
    for (CKVMsg* member : Members(chord)) {
        EXPECT_EQ(member->m_wObjWord, 0x0203);
        EXPECT_EQ(member->m_nPlayTime, 160);
        EXPECT_EQ(Gate(member), 160u);
    }
}

// --- Real duration ----------------------------------------------------------------

TEST_F(MsgOpsTest, TiedNotesAddTheirGates)
{
    CKVMsg* a = Sounding(meas, {.x = 0, .flags = MSGFLAG_TIE_START}, 64, 240);
    CKVMsg* b = Sounding(meas, {.x = 64}, 64, 240);
    EXPECT_EQ(a->GetRealNoteDur(), 480u);
    b->m_wFlag = MSGFLAG_TIE_START;
    Sounding(meas, {.x = 128}, 64, 240);
    EXPECT_EQ(a->GetRealNoteDur(), 720u);
    EXPECT_EQ(Sounding(meas, {.x = 200}, 60, 100)->GetRealNoteDur(), 100u);
}

TEST_F(MsgOpsTest, MissingContinuationLastsToTheMeasureEnd)
{
    CKVMsg* a = Sounding(meas, {.x = 192, .flags = MSGFLAG_TIE_START}, 64, 240);
    a->m_nPerformStart = 720;
    Sounding(meas, {.x = 220}, 65, 240); // another key does not continue it
    EXPECT_EQ(a->GetRealNoteDur(), 240u);
}

TEST_F(MsgOpsTest, ContinuationInsideABeamGroupIsFound)
{
    CKVMsg* a = Sounding(meas, {.x = 0, .flags = MSGFLAG_TIE_START}, 64, 240);
    CKVMsg* group = score->Beam(meas, {.x = 64});
    Sounding(group, {.x = 64, .code = DUR_EIGHTH}, 64, 240);
    Sounding(group, {.x = 96, .code = DUR_EIGHTH}, 67, 120);
    EXPECT_EQ(a->GetRealNoteDur(), 480u);
}

// --- Stems ------------------------------------------------------------------------

TEST_F(MsgOpsTest, AutomaticStemByPosition)
{
    const short ys[] = {0, -64, 32, -112};
    const LONG heights[] = {-56, 56, -64, 80};
    for (int i = 0; i < 4; ++i) {
        CKVMsg* note = score->Note(meas, {.x = static_cast<short>(i * 64), .y = ys[i]});
        note->ChangeNoteDirection(kStemDefault, kKeepGraceStems);
        EXPECT_EQ(note->m_lHeight, heights[i]) << "y " << ys[i];
    }
}

TEST_F(MsgOpsTest, ForcedStemDirections)
{
    CKVMsg* up = score->Note(meas, {.x = 0, .y = -64});
    up->ChangeNoteDirection(kStemUp, kKeepGraceStems);
    EXPECT_EQ(up->m_lHeight, -56);
    CKVMsg* down = score->Note(meas, {.x = 64, .y = 32});
    down->ChangeNoteDirection(kStemDown, kKeepGraceStems);
    EXPECT_EQ(down->m_lHeight, 56);
}

TEST_F(MsgOpsTest, StavesOfOnePlaceDecideByPositionOrGoUp)
{
    score->Staff(0)->m_byStaffKind = CKVStaff::KIND_DRUM_SECOND;
    CKVMsg* low = score->Note(meas, {.x = 0, .y = -16});
    CKVMsg* high = score->Note(meas, {.x = 64, .y = -48});
    low->ChangeNoteDirection(kStemDefault, kKeepGraceStems);
    high->ChangeNoteDirection(kStemDefault, kKeepGraceStems);
    EXPECT_GT(low->m_lHeight, 0);
    EXPECT_LT(high->m_lHeight, 0);

    score->Staff(0)->m_byStaffKind = CKVStaff::KIND_ONE_LINE;
    low->ChangeNoteDirection(kStemDefault, kKeepGraceStems);
    EXPECT_LT(low->m_lHeight, 0);
}

TEST_F(MsgOpsTest, GraceNotesNeedForce)
{
    CKVMsg* grace = score->Grace(meas, {.y = -64});
    grace->m_lHeight = -28;
    grace->ChangeNoteDirection(kStemDefault, kKeepGraceStems);
    EXPECT_EQ(grace->m_lHeight, -28);
    grace->ChangeNoteDirection(kStemDefault, kTurnGraceStems);
    EXPECT_EQ(grace->m_lHeight, 56);
}

TEST_F(MsgOpsTest, LayoutWordFollowsAChangedDirection)
{
    CKVMsg* note = score->Note(meas, {.y = -64});
    note->m_lHeight = -56;
    note->m_nLayout1 = -56;
    CKVMsg* mark = score->Symbol(note, MSG_NOTEMARK, 0, 10);
    note->ChangeNoteDirection(kStemDefault, kKeepGraceStems);
    EXPECT_EQ(note->m_lHeight, 56);
    EXPECT_EQ(note->m_nLayout1, 56);
    EXPECT_EQ(mark->m_nPosY, -10);

    note->m_nLayout1 = 7;
    note->ChangeNoteDirection(kStemDown, kKeepGraceStems); // same sign: nothing else moves
    EXPECT_EQ(note->m_nLayout1, 7);
    EXPECT_EQ(mark->m_nPosY, -10);
}

TEST_F(MsgOpsTest, ChordFollowsTheMemberFarthestFromTheMiddle)
{
    CKVMsg* g = score->Chord(meas, {.x = 0}, {-16, -72});
    g->ChangeNoteDirection(kStemDefault, kKeepGraceStems);
    EXPECT_EQ(g->m_lHeight, 56);
    EXPECT_EQ(g->m_nPosY, -72);
    for (CKVMsg* member : Members(g))
        EXPECT_GT(member->m_lHeight, 0);

    CKVMsg* e = score->Chord(meas, {.x = 128}, {0, -56});
    e->ChangeNoteDirection(kStemDefault, kKeepGraceStems);
    EXPECT_EQ(e->m_lHeight, -56);
    EXPECT_EQ(e->m_nPosY, 0);
    for (CKVMsg* member : Members(e))
        EXPECT_LT(member->m_lHeight, 0);
}

// --- Neighbours -----------------------------------------------------------------

TEST_F(MsgOpsTest, NeighbourPositionsOfNotesAndGroups)
{
    CKVMsg* note = score->Note(meas, {.x = 40});
    EXPECT_EQ(note->GetMsgOfRightPos(40), 40);
    EXPECT_EQ(note->GetMsgOfLeftPos(40), -1);

    CKVMsg* group = score->Beam(meas, {.x = 64});
    score->Note(group, {.x = 64, .code = DUR_EIGHTH});
    score->Note(group, {.x = 96, .code = DUR_EIGHTH});
    EXPECT_EQ(group->GetMsgOfRightPos(70), 96);
    EXPECT_EQ(group->GetMsgOfLeftPos(96), 64);
    EXPECT_EQ(group->GetMsgOfRightPos(97), -1);
}

// --- Chord queries --------------------------------------------------------------

TEST_F(MsgOpsTest, ReverseNoteWithinHalfASpace)
{
    EXPECT_EQ(score->Chord(meas, {.x = 0}, {16, 8})->ChordHasReverseNote(), 1);   // C4 + D4
    EXPECT_EQ(score->Chord(meas, {.x = 64}, {16, 0})->ChordHasReverseNote(), 0);  // C4 + E4
}

TEST_F(MsgOpsTest, ChordIsFoundInTheMeasureAndInABeamGroup)
{
    CKVMsg* chord = score->Chord(meas, {.x = 0}, {0, -16});
    EXPECT_EQ(chord->GetMsg(1)->GetChord(), chord);
    CKVMsg* group = score->Beam(meas, {.x = 64});
    CKVMsg* inner = score->Chord(group, {.x = 64, .code = DUR_EIGHTH}, {0, -32});
    EXPECT_EQ(inner->GetMsg(0)->GetChord(), inner);
    EXPECT_EQ(score->Note(meas, {.x = 200})->GetChord(), nullptr);
}

TEST_F(MsgOpsTest, LyricLinesOfAChord)
{
    CKVMsg* chord = score->Chord(meas, {}, {0, -16});
    CKVMsg* lyric = score->Symbol(chord->GetMsg(0), MSG_LYRIC, 0, 2);
    unsigned char record[16] = {};
    record[12] = 1;
    lyric->SetHead(16, record);
    EXPECT_EQ(chord->IsNoneLyricChord(2), 0);
    EXPECT_EQ(chord->IsNoneLyricChord(1), 1);
    // A short record has no byte 12.
    lyric->SetHead(10, record);
    EXPECT_EQ(chord->IsNoneLyricChord(2), 1);
}

TEST_F(MsgOpsTest, ValidNoteIsReachedByTheWalk)
{
    CKVMsg* chord = score->Chord(meas, {}, {0, -16});
    EXPECT_EQ(chord->GetMsg(1)->IsValidNote(), 1);
    CKVMsg* loose = new CKVMsg;
    loose->m_byKind = MSG_NOTE;
    EXPECT_EQ(loose->IsValidNote(), 0);
    delete loose;
}

TEST_F(MsgOpsTest, ChordOfRestsBecomesARest)
{
    CKVMsg* chord = score->Chord(meas, {.x = 64, .y = -16}, {});
    score->Rest(chord, {.x = 64, .y = -16, .code = DUR_HALF});
    score->Rest(chord, {.x = 64, .y = -40, .code = DUR_QUARTER});
    chord->m_nPosY = -16;
    chord->UpdateChord();
    EXPECT_EQ(chord->m_byKind, MSG_REST);
    EXPECT_EQ(chord->m_wDuration, DUR_HALF);
    // Placed from the bottom line: a half rest inside the staff hangs at the
    // middle line.
    EXPECT_EQ(chord->m_nPosY, -32);
    EXPECT_EQ(chord->GetMsgNum(), 0);
}

TEST_F(MsgOpsTest, LeadingRestOfABeamGroupGoesBackToTheMeasure)
{
    CKVMsg* group = score->Beam(meas, {.x = 0});
    CKVMsg* rest = score->Rest(group, {.x = 0, .code = DUR_EIGHTH});
    CKVMsg* note = score->Note(group, {.x = 32, .code = DUR_EIGHTH});
    group->UpdateChord();
    ASSERT_EQ(group->GetMsgNum(), 1);
    EXPECT_EQ(group->GetMsg(0), note);
    EXPECT_EQ(rest->m_pParent, meas);
    bool listed = false;
    for (short i = 0; i < meas->GetMsgNum(); ++i)
        listed = listed || meas->GetMsg(i) == rest;
    EXPECT_TRUE(listed);
}

// --- Note marks ---------------------------------------------------------------------

class NoteMarkTest : public MsgOpsTest {
protected:
    void SetUp() override
    {
        MsgOpsTest::SetUp();
        for (SIZE& size : score->Doc().m_sizeMark)
            size = {10, 8};
        note = score->Note(meas, {.y = 0});
        note->m_lHeight = -56;
        note->m_nLayout1 = -56;
    }

    CKVMsg* Mark(CKVMsg* owner, WORD number, short y)
    {
        CKVMsg* mark = score->Symbol(owner, MSG_NOTEMARK, 0, y);
        mark->m_wHeadType = number;
        return mark;
    }

    CKVMsg* note = nullptr;
};

TEST_F(NoteMarkTest, MarkBelowIsCentredByItsRowWidth)
{
    const WORD numbers[] = {5, 7, 13, 14, 40, 11};
    const short xs[] = {3, 4, 4, 7, 2, 3};
    for (int i = 0; i < 6; ++i) {
        CKVMsg* owner = score->Note(meas, {.x = static_cast<short>(20 * i + 20), .y = 0});
        owner->m_nLayout1 = -56;
        CKVMsg* mark = Mark(owner, numbers[i], 10);
        owner->ReArrangeNoteMarkPos(mark);
        EXPECT_EQ(mark->m_nPosX, xs[i]) << "mark " << numbers[i];
    }
}

TEST_F(NoteMarkTest, MarkAboveAStemUpNote)
{
    CKVMsg* mark = Mark(note, 5, -10);
    note->ReArrangeNoteMarkPos(mark);
    EXPECT_EQ(mark->m_nPosX, 11);
}

TEST_F(NoteMarkTest, MarkOnAWholeNoteIsCentredOverTheHead)
{
    note->m_wDuration = DUR_WHOLE;
    CKVMsg* mark = Mark(note, 5, 10);
    note->ReArrangeNoteMarkPos(mark);
    EXPECT_EQ(mark->m_nPosX, 8);
}

TEST_F(NoteMarkTest, MarksBelowStack)
{
    CKVMsg* first = Mark(note, 14, 10);
    CKVMsg* second = Mark(note, 16, 12);
    note->ReArrangeNoteMarkPos(first);
    EXPECT_EQ(first->m_nPosY, 28);
    EXPECT_EQ(second->m_nPosY, 62);
}

TEST_F(NoteMarkTest, MarkNumberOutsideTheTableHasNoGlyph)
{
    CKVMsg* mark = Mark(note, 60, 10);
    note->ReArrangeNoteMarkPos(mark);
    EXPECT_EQ(mark->m_nPosX, 8); // (16 - 0) / 2
    EXPECT_EQ(mark->m_nPosY, 28); // 16 + 2, then off the line by S/2 + 2
}

TEST_F(NoteMarkTest, FlipAndNudge)
{
    CKVMsg* mark = Mark(note, 5, 10);
    note->UpdateNoteMarkPos();
    EXPECT_EQ(mark->m_nPosY, -10);

    CKVMsg* other = Mark(note, 5, -4);
    note->NoteMarkUpDown(1, mark);
    EXPECT_EQ(mark->m_nPosY, -12);
    EXPECT_EQ(other->m_nPosY, -6);

    mark->m_nPosY = 4;
    other->m_nPosY = 0;
    note->NoteMarkUpDown(1, mark);
    EXPECT_EQ(mark->m_nPosY, 6);
    EXPECT_EQ(other->m_nPosY, 2);
    note->NoteMarkUpDown(0, mark);
    EXPECT_EQ(mark->m_nPosY, 8);
}

TEST_F(NoteMarkTest, SlidesFollowTheStem)
{
    score->Doc().m_sizeSingle[3] = {12, 20};
    CKVMsg* slide = score->Symbol(note, MSG_SLIDE2, 5, 5);
    note->UpdateNoteMarkPos();
    EXPECT_EQ(slide->m_nPosX, 8);
    EXPECT_EQ(slide->m_nPosY, (-56 + 20) / 2);
    note->m_wDuration = DUR_WHOLE;
    note->UpdateNoteMarkPos();
    EXPECT_EQ(slide->m_nPosX, 0);
    EXPECT_EQ(slide->m_nPosY, -(10 + 8));
}

// --- Tremolos ----------------------------------------------------------------------

TEST_F(MsgOpsTest, TremoloNeedsAShortEnoughPair)
{
    CKVMsg* half = score->Note(meas, {.x = 0, .code = DUR_HALF});
    CKVMsg* quarter = score->Note(meas, {.x = 128, .code = DUR_QUARTER});
    half->BindByTremolo(2);
    EXPECT_EQ(half->m_wFlag, 0);
    EXPECT_EQ(quarter->m_wFlag, 0);
    EXPECT_EQ(meas->GetMsgNum(), 2);
}

TEST_F(MsgOpsTest, TremoloBindsTwoQuarters)
{
    CKVMsg* a = score->Note(meas, {.x = 0});
    CKVMsg* b = score->Note(meas, {.x = 64});
    a->BindByTremolo(1);
    EXPECT_EQ(a->m_wFlag & 0x3000, 0x1000);
    EXPECT_EQ(b->m_wFlag & 0x3000, 0x2000);
    CKVMsg* tremolo = a->GetTremolo();
    ASSERT_NE(tremolo, nullptr);
    EXPECT_EQ(tremolo->m_byKind, MSG_TREMOLO);
    EXPECT_EQ(tremolo->m_wHeadType, 1);
    EXPECT_EQ(tremolo->m_nPosX, 0);
    EXPECT_EQ(tremolo->m_nPosX2, 64);
    EXPECT_EQ(b->GetTremolo(), tremolo);
}

TEST_F(MsgOpsTest, TremoloEndsFollowTheStems)
{
    CKVMsg* a = score->Note(meas, {.x = 0, .y = 0});
    CKVMsg* b = score->Note(meas, {.x = 64, .y = -16});
    CKVMsg* tremolo = score->Symbol(meas, MSG_TREMOLO, 0);
    a->m_lHeight = b->m_lHeight = -56;
    tremolo->SetTremoloPosY2Default(a, b);
    EXPECT_EQ(tremolo->m_nPosY, -56);
    EXPECT_EQ(tremolo->m_nPosY2, -72);
    a->m_lHeight = b->m_lHeight = 56;
    tremolo->SetTremoloPosY2Default(a, b);
    EXPECT_EQ(tremolo->m_nPosY, 56);
    EXPECT_EQ(tremolo->m_nPosY2, 40);
    // Halves and longer have no stems to reach.
    a->m_wDuration = b->m_wDuration = DUR_HALF;
    tremolo->SetTremoloPosY2Default(a, b);
    EXPECT_EQ(tremolo->m_nPosY, 0);
    EXPECT_EQ(tremolo->m_nPosY2, -16);
}

TEST_F(MsgOpsTest, RemovingATremoloClearsBothNotes)
{
    CKVMsg* a = score->Note(meas, {.x = 0, .flags = MSGFLAG_TREMOLO_START});
    CKVMsg* b = score->Note(meas, {.x = 64, .flags = MSGFLAG_TREMOLO_END});
    CKVMsg* tremolo = score->Symbol(meas, MSG_TREMOLO, 0);
    tremolo->m_nPosX2 = 64;
    ASSERT_EQ(a->GetTremolo(), tremolo);
    a->RemoveTremolo();
    EXPECT_EQ(a->m_wFlag & 0x3000, 0);
    EXPECT_EQ(b->m_wFlag & 0x3000, 0);
    EXPECT_EQ(a->GetTremolo(), nullptr);
}

TEST_F(MsgOpsTest, TremoloNoteWithoutItsSymbolLosesItsFlags)
{
    CKVMsg* a = score->Note(meas, {.x = 0, .flags = MSGFLAG_TREMOLO_START | MSGFLAG_TREMOLO_END});
    a->RemoveTremolo();
    EXPECT_EQ(a->m_wFlag, 0);
}

// --- Beam ends -----------------------------------------------------------------------

class BeamEndTest : public MsgOpsTest {
protected:
    void SetUp() override
    {
        MsgOpsTest::SetUp();
        meas->m_nHeaderWidth = 0;
        meas->m_nRealWidth = 256;
        group = score->Beam(meas, {.x = 0});
        score->Note(group, {.x = 0, .code = DUR_EIGHTH});
        score->Note(group, {.x = 100, .code = DUR_EIGHTH});
        group->m_nPosX2 = 100;
        group->m_nPosY = 0;
        group->m_nPosY2 = -20;
        group->m_dwWord = 4;
    }

    CKVMsg* group = nullptr;
};

TEST_F(BeamEndTest, ExtensionsRiseAlongTheSlope)
{
    EXPECT_EQ(group->GetBeamOffsetXLeft(), 4);
    EXPECT_EQ(group->GetBeamOffsetXRight(), 0);
    EXPECT_EQ(group->GetBeamOffsetYLeft(), 1);
    EXPECT_EQ(group->GetBeamOffsetYRight(), 0);
}

TEST_F(BeamEndTest, LeftExtensionStopsAtZero)
{
    group->SetBeamOffsetLeft(-10, 0);
    EXPECT_EQ(group->GetBeamOffsetXLeft(), 0);
    EXPECT_EQ(group->m_nPosY, 1);
    EXPECT_EQ(group->m_nPosY2, -20);
}

TEST_F(BeamEndTest, ExtensionsStayInOneByte)
{
    group->SetBeamOffsetRight(300, 0);
    EXPECT_EQ(group->GetBeamOffsetXRight(), 255);
    EXPECT_EQ(group->GetBeamOffsetXLeft(), 4);
    group->SetBeamOffsetLeft(400, 0);
    EXPECT_EQ(group->GetBeamOffsetXLeft(), 255);
    group->ResetBeamOffset();
    EXPECT_EQ(group->m_dwWord, 0u);
}

TEST_F(BeamEndTest, OtherKindsHaveNoEnds)
{
    CKVMsg* note = score->Note(meas, {.x = 200});
    note->m_dwWord = 0x0304;
    EXPECT_EQ(note->GetBeamOffsetXLeft(), 0);
    EXPECT_EQ(note->GetBeamOffsetYLeft(), 0);
    note->SetBeamOffsetLeft(5, 5);
    EXPECT_EQ(note->m_dwWord, 0x0304u);
}

// --- Ties -------------------------------------------------------------------------------

TEST_F(MsgOpsTest, TieTwinIsHeldByTheOtherNote)
{
    CKVMsg* a = score->Note(meas, {.x = 0});
    CKVMsg* b = score->Note(meas, {.x = 64});
    CKVMsg* tie = score->Tie(a, b);
    EXPECT_EQ(tie->GetAnotherTieMsg(1), tie);
    EXPECT_EQ(tie->GetAnotherTieMsg(0), tie);
    score->MakeStale(b);
    EXPECT_EQ(tie->GetAnotherTieMsg(1), nullptr);
    EXPECT_EQ(a->GetAnotherTieMsg(1), nullptr);
}

// --- Text forms ---------------------------------------------------------------------------

std::string HeadOf(CKVMsg* msg)
{
    unsigned char* bytes = nullptr;
    const short length = msg->GetHead(&bytes);
    return bytes ? std::string(reinterpret_cast<char*>(bytes), static_cast<size_t>(length)) : std::string();
}

TEST_F(MsgOpsTest, ChordNameWithBass)
{
    CKVMsg* msg = score->Note(meas, {});
    EXPECT_EQ(msg->TextToKVMsg("Bb7/F"), 1);
    EXPECT_EQ(msg->m_byKind, MSG_OLDCHORDNAME);
    EXPECT_EQ(msg->m_wDuration, 6);
    EXPECT_EQ(msg->m_wObjWord, 2);
    EXPECT_EQ(msg->m_dwWord, 1u);
    EXPECT_EQ(msg->m_nPosY2, 0);
    EXPECT_EQ(msg->m_nPosX2, 0);
    EXPECT_EQ(HeadOf(msg), std::string("7\x03", 2));
}

TEST_F(MsgOpsTest, ChordNameWithTensionsGetsAHeadOfItsOwnLength)
{
    CKVMsg* msg = score->Note(meas, {});
    // The note's longer MIDI head gives way to the name's.
    ASSERT_EQ(msg->GetHead(nullptr), MidiNoteHead::Size);
    EXPECT_EQ(msg->TextToKVMsg("C7(b9,#11)/E"), 1);
    EXPECT_EQ(msg->m_nPosY2, 2);
    EXPECT_EQ(HeadOf(msg), std::string("7\x02" "b9\x03#11\x02", 9));
}

TEST_F(MsgOpsTest, ChordNameRootsAndMissingBass)
{
    CKVMsg* msg = score->Note(meas, {});
    EXPECT_EQ(msg->TextToKVMsg("am7"), 1);
    EXPECT_EQ(msg->m_wDuration, 5);
    EXPECT_EQ(HeadOf(msg).substr(0, 2), "m7");

    EXPECT_EQ(msg->TextToKVMsg("C"), 1);
    EXPECT_EQ(static_cast<WORD>(msg->m_nPosX2), 65535);
    EXPECT_EQ(HeadOf(msg), std::string("\0", 1));

    EXPECT_EQ(msg->TextToKVMsg("F#/x"), 1); // not a bass letter: all is the chord
    EXPECT_EQ(msg->m_wObjWord, 1);
    EXPECT_EQ(static_cast<WORD>(msg->m_nPosX2), 65535);
    EXPECT_EQ(HeadOf(msg), std::string("/x\0", 3));

    EXPECT_EQ(msg->TextToKVMsg(""), 0);
}

TEST_F(MsgOpsTest, FretTextNameIsAtMostFortyTwoBytes)
{
    CKVMsg* msg = score->Note(meas, {});
    tagFRETDATA fret;
    fret.dwInfo = 0x00050003;
    for (int i = 0; i < 8; ++i)
        fret.byFret[i] = static_cast<BYTE>(i + 1);
    std::memset(fret.szName, 'n', sizeof(fret.szName));
    fret.byNameLen = 60;
    msg->FretDataToMsg(fret);
    EXPECT_EQ(msg->m_byKind, MSG_OLDFRET);
    EXPECT_EQ(msg->m_wDuration, 3);
    EXPECT_EQ(msg->m_wObjWord, 5);
    EXPECT_EQ(msg->m_dwWord, 42u);
    EXPECT_EQ(msg->GetHead(nullptr), 50);
    EXPECT_EQ(HeadOf(msg).substr(42), std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8));

    fret.byNameLen = 0;
    msg->FretDataToMsg(fret);
    EXPECT_EQ(msg->m_dwWord, 0u);
    EXPECT_EQ(HeadOf(msg), std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8));
}

TEST_F(MsgOpsTest, TextInfoWalksTheTags)
{
    CKVMsg* text = score->Symbol(meas, MSG_FREETEXT, 0);
    const unsigned char tags[] = {6, 3, 0, 'a', 'b', 'c', 4, 12, 0, 6, 2, 0, 'd', 'e', 4, 10, 0};
    text->SetHead(sizeof(tags), const_cast<unsigned char*>(tags));
    CString out = "old";
    EXPECT_EQ(text->GetTextInfo(out), 12);
    EXPECT_STREQ(static_cast<const char*>(out), "abcde");

    // A text run claiming more bytes than the head holds ends the walk.
    const unsigned char cut[] = {6, 2, 0, 'x', 'y', 4, 3, 0, 6, 40, 0, 'z'};
    text->SetHead(sizeof(cut), const_cast<unsigned char*>(cut));
    EXPECT_EQ(text->GetTextInfo(out), 3);
    EXPECT_STREQ(static_cast<const char*>(out), "xy");

    CKVMsg* note = score->Note(meas, {});
    EXPECT_EQ(note->GetTextInfo(out), -1);
}

} // namespace
