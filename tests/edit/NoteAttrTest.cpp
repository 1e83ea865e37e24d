// The note commands on the selection: stem direction, display attributes,
// plain form, pitch, duration, spelling, the note/rest toggle, staff
// positions and nudges, and the queries the host asks before them.

#include "edit/EditFrame.h"
#include "edit/PasteState.h"
#include "model/DrumTable.h"
#include "model/KVBlock.h"
#include "support/DrumKit.h"
#include "support/ScoreIntegrity.h"
#include "support/SelectionSupport.h"
#include "support/UndoSupport.h"

#include <gtest/gtest.h>

namespace {

using kvtest::CanonicalDump;
using kvtest::ExpectRoundTrip;
using kvtest::HostStep;

class NoteAttrTest : public kvtest::SelectionTest {
protected:
    // The live symbol at `index` of a measure (commands work on clones).
    CKVMsg* Live(int staff, int meas, int index) { return Doc().GetMeasure(meas, staff, 0)->GetMsg(static_cast<short>(index)); }

    CKVMsg* KeyedNote(int staff, int meas, short x, short y, BYTE voice = 1)
    {
        CKVMsg* note = score->Note(Meas(staff, meas), {.x = x, .y = y, .voice = voice});
        note->MakeMsgCtrlPoint();
        note->MakeMidiMsgFromY(1);
        return note;
    }

    short Step() { return static_cast<short>(Doc().m_nStaffSpace / 2); }

    // The membership flags a measure walk gives chord and group members,
    // which the commands' own walks would otherwise add on the way.
    void Settle()
    {
        for (int staff = 0; staff < 2; ++staff) {
            for (int m = 0; m < 9; ++m)
                Meas(staff, m)->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
        }
    }
};

TEST_F(NoteAttrTest, DirectionZeroIsTheVoiceDefault)
{
    KeyedNote(0, 0, 0, 0);
    SelectMeas(0, 0);
    Doc().ChangeNoteDirection(1, 3);
    const std::string three = CanonicalDump(Doc());
    Doc().MultiUndoStart();
    Doc().ChangeNoteDirection(1, 0);
    EXPECT_EQ(CanonicalDump(Doc()), three);
    ExpectRoundTrip(Doc(), [&] { Doc().ChangeNoteDirection(1, 1); });
}

TEST_F(NoteAttrTest, WholeScoreVoiceChangeReachesMembersOnEveryStaff)
{
    AddOssiaBlock(3);
    CKVMeas* ossia = score->System()->GetOssiaStaff(0)->GetMeas(0);
    std::vector<CKVMeas*> measures {Meas(0, 0), Meas(1, 4), ossia};
    for (CKVMeas* m : measures) {
        score->Note(m, {.x = 0, .y = -8, .voice = 2});
        score->Rest(m, {.x = 32, .voice = 2});
        CKVMsg* group = score->Beam(m, {.x = 64, .code = DUR_EIGHTH, .voice = 2});
        score->Note(group, {.x = 64, .y = -8, .code = DUR_EIGHTH, .voice = 2});
        score->Note(group, {.x = 96, .y = -8, .code = DUR_EIGHTH, .voice = 2});
        score->Note(m, {.x = 128, .voice = 2, .flags = MSGFLAG_TREMOLO_START});
        score->Note(m, {.x = 160, .voice = 2, .flags = MSGFLAG_TREMOLO_END});
        score->Symbol(m, MSG_TREMOLO, 128, 0, 2)->m_nPosX2 = 160;
        score->Chord(m, {.x = 192, .voice = 2}, {0, -16});
    }
    score->Note(Meas(0, 1), {.x = 0, .voice = 1});
    Doc().m_CtrlTool.m_crVoice[3] = 0x0000FF;

    // Without recording the whole-score backup fails and nothing changes.
    Doc().SelectAllPages();
    Doc().m_bBackupRecord = 0;
    Doc().m_bModified = 0;
    const std::string before = CanonicalDump(Doc());
    Doc().ChangeVoice(2, 3);
    EXPECT_EQ(CanonicalDump(Doc()), before);
    EXPECT_EQ(Doc().m_bModified, 0);
    Doc().m_bBackupRecord = 1;

    Doc().m_rcRedraw.SetRect(10, 20, 30, 40);
    ExpectRoundTrip(Doc(), [&] { Doc().ChangeVoice(2, 3); });
    EXPECT_EQ(CRect(Doc().m_rcRedraw), CRect(10, 20, 30, 40));
    int changed = 0;
    CKVMeas* other = Doc().GetMeasure(1, 0, 0);
    CEditFrame::ForEachLiveMsg(Doc(), CEditFrame::Members::Included, [&](CKVMeas& meas, CKVMsg& msg) {
        if (msg.m_byKind != MSG_NOTE && msg.m_byKind != MSG_REST && msg.m_byKind != MSG_BEAM &&
            msg.m_byKind != MSG_TREMOLO && msg.m_byKind != MSG_CHORD)
            return;
        if (&meas == other) {
            EXPECT_EQ(msg.m_byVoice, 1);
            return;
        }
        EXPECT_EQ(msg.m_byVoice, 3) << int(msg.m_byKind);
        EXPECT_EQ(msg.m_crColor, 0x0000FFu) << int(msg.m_byKind);
        ++changed;
    });
    // Per measure: note, rest, group with two notes, tremolo with its two
    // notes, chord with two notes.
    EXPECT_EQ(changed, 3 * 11);
    EXPECT_EQ(Doc().m_bModified, 1);
}

TEST_F(NoteAttrTest, SelectedVoiceChangeLeavesOtherVoicesAndMeasures)
{
    CKVMsg* group = score->Beam(Meas(0, 0), {.x = 0, .code = DUR_EIGHTH});
    score->Note(group, {.x = 0, .y = -8, .code = DUR_EIGHTH});
    score->Note(group, {.x = 32, .y = -8, .code = DUR_EIGHTH});
    KeyedNote(0, 0, 64, 0, 2);
    KeyedNote(0, 1, 0, 0, 1);
    Doc().m_CtrlTool.m_crVoice[4] = 0x00FF00;
    SelectMeas(0, 0);
    ExpectRoundTrip(Doc(), [&] { Doc().ChangeVoice(1, 4); });
    CKVMsg* liveGroup = Live(0, 0, 0);
    ASSERT_EQ(liveGroup->m_byKind, MSG_BEAM);
    EXPECT_EQ(liveGroup->m_byVoice, 4);
    for (short i = 0; i < liveGroup->GetMsgNum(); ++i) {
        EXPECT_EQ(liveGroup->GetMsg(i)->m_byVoice, 4);
        EXPECT_EQ(liveGroup->GetMsg(i)->m_crColor, 0x00FF00u);
    }
    EXPECT_EQ(Live(0, 0, 1)->m_byVoice, 2);
    EXPECT_EQ(Live(0, 1, 0)->m_byVoice, 1);
}

TEST_F(NoteAttrTest, AttributesOfNotesAndRests)
{
    CKVMsg* note = KeyedNote(0, 0, 0, 0);
    note->m_dwWord = 0xABCD0000u;
    score->Rest(Meas(0, 0), {.x = 64});
    SelectMeas(0, 0);

    Doc().ChangeNoteAttr(0, 0x10, 0, 0, 0, 0, 2, 0);
    EXPECT_EQ(Live(0, 0, 1)->m_wHeadType, 2);

    Doc().ChangeNoteAttr(0, 0x100, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(Live(0, 0, 0)->m_wSize, 0);
    EXPECT_EQ(Live(0, 0, 1)->m_wSize, 0);

    ExpectRoundTrip(Doc(), [&] { Doc().ChangeNoteAttr(0, 0x04, 0, 0, 1, 0, 0, 0x1234); });
    EXPECT_EQ(Live(0, 0, 0)->m_dwWord, 0xABCD1234u);
}

TEST_F(NoteAttrTest, PlainFormDissolvesTheGroup)
{
    CKVMsg* group = score->Beam(Meas(0, 0), {.x = 0, .code = DUR_EIGHTH});
    group->m_nPosX2 = 32;
    score->Note(group, {.x = 0, .y = -8, .code = DUR_EIGHTH})->m_lHeight = -20;
    score->Note(group, {.x = 32, .y = -8, .code = DUR_EIGHTH})->m_lHeight = -20;
    SelectMeas(0, 0);
    Settle();
    const std::string before = CanonicalDump(Doc());
    Doc().ChangeToRaw(0);
    CKVMeas* live = Doc().GetMeasure(0, 0, 0);
    ASSERT_EQ(live->GetMsgNum(), 2);
    for (short i = 0; i < 2; ++i) {
        EXPECT_EQ(live->GetMsg(i)->m_byKind, MSG_NOTE);
        EXPECT_EQ(live->GetMsg(i)->m_lHeight, 0);
    }
    Doc().MultiUndoStart();
    EXPECT_EQ(CanonicalDump(Doc()), before);
}

TEST_F(NoteAttrTest, TransposesEachNoteOnceInItsMeasure)
{
    KeyedNote(0, 0, 0, 0);
    KeyedNote(0, 1, 0, static_cast<short>(-2 * Step()));
    const int first = Live(0, 0, 0)->GetMidiKey();
    const int second = Live(0, 1, 0)->GetMidiKey();
    SelectMeas(0, 0);
    SelectMeas(0, 1);
    SelectRect(Around(HitOf(Live(0, 0, 0))));
    ExpectRoundTrip(Doc(), [&] { Doc().ChangePitchSelNote(0, 1, 3, 1, 0); });
    EXPECT_EQ(Live(0, 0, 0)->GetMidiKey(), first + 2);
    EXPECT_EQ(Live(0, 1, 0)->GetMidiKey(), second + 2);

    Doc().SelectAllPages();
    Doc().m_bModified = 0;
    const std::string before = CanonicalDump(Doc());
    Doc().ChangePitchSelNote(0, 1, 3, 1, 0);
    EXPECT_EQ(CanonicalDump(Doc()), before);
    EXPECT_EQ(Doc().m_bModified, 1);
}

TEST_F(NoteAttrTest, OctaveRoom)
{
    short up = 0;
    short down = 0;
    EXPECT_EQ(Doc().GetEnableOctaveOnSelNote(0, &up, &down), -1);
    EXPECT_EQ(up, 9);
    EXPECT_EQ(down, 9);
    KeyedNote(0, 0, 0, 0)->SetMidiKey(40);
    KeyedNote(0, 0, 64, 0)->SetMidiKey(100);
    SelectMeas(0, 0);
    EXPECT_EQ(Doc().GetEnableOctaveOnSelNote(0, &up, &down), 1);
    EXPECT_EQ(up, 2);
    EXPECT_EQ(down, 3);
}

TEST_F(NoteAttrTest, DurationDissolvesTheBeamFirst)
{
    CKVMsg* group = score->Beam(Meas(0, 0), {.x = 0, .code = DUR_EIGHTH});
    group->m_nPosX2 = 32;
    score->Note(group, {.x = 0, .y = -8, .code = DUR_EIGHTH});
    score->Note(group, {.x = 32, .y = -8, .code = DUR_EIGHTH});
    SelectMeas(0, 0);
    Settle();
    int result = 0;
    ExpectRoundTrip(Doc(), [&] { result = Doc().ChangeDurationSelNote(0, 3, 1, 0, 50, 0); });
    EXPECT_EQ(result, 1);
    CKVMeas* live = Doc().GetMeasure(0, 0, 0);
    ASSERT_EQ(live->GetMsgNum(), 2);
    for (short i = 0; i < 2; ++i) {
        EXPECT_EQ(live->GetMsg(i)->m_byKind, MSG_NOTE);
        EXPECT_EQ(live->GetMsg(i)->m_wDuration & 0xFF, DUR_QUARTER);
        EXPECT_EQ(live->GetMsg(i)->m_nPlayTime, 240);
    }
}

TEST_F(NoteAttrTest, MemoryShortNudgeAndDurationReturnZero)
{
    KeyedNote(0, 0, 0, 0);
    SelectMeas(0, 0);
    Doc().m_bModified = 0;
    const std::string before = CanonicalDump(Doc());
    host.freeBytes = 999999;
    host.ScriptAnswer(IDNO);
    EXPECT_EQ(Doc().ChangeDurationSelNote(0, 2, 1, 0, -1, 0), 0);
    host.ScriptAnswer(IDNO);
    EXPECT_EQ(Doc().DetailMsgMove(0, 2), 0);
    EXPECT_EQ(host.messageBoxes.size(), 2u);
    EXPECT_EQ(CanonicalDump(Doc()), before);
    EXPECT_EQ(Doc().m_bModified, 0);
}

TEST_F(NoteAttrTest, NoteRestToggleOfATiedChord)
{
    CKVMsg* chord = score->Chord(Meas(0, 0), {.x = 0}, {0, -16, -32});
    std::vector<CKVMsg*> partners;
    for (short i = 0; i < chord->GetMsgNum(); ++i) {
        CKVMsg* partner = KeyedNote(0, 1, static_cast<short>(64 * i), chord->GetMsg(i)->m_nPosY);
        score->Tie(chord->GetMsg(i), partner);
        partners.push_back(partner);
    }
    const DWORD chordId = chord->m_dwMsgId;
    SelectMeas(0, 0);
    Settle();
    ExpectRoundTrip(Doc(), [&] { Doc().ChangeSelNoteToRest(0); });
    CKVMsg* rest = Live(0, 0, 0);
    ASSERT_EQ(rest->m_byKind, MSG_REST);
    EXPECT_EQ(rest->m_nPosY2, 0);
    for (short i = 0; i < 3; ++i) {
        CKVMsg* partner = Live(0, 1, i);
        EXPECT_EQ(partner->m_wFlag & MSGFLAG_TIE_END, 0);
        EXPECT_EQ(partner->GetMsgNum(), 0);
    }
    (void)chordId;

    Doc().ChangeSelNoteToRest(0);
    CKVMsg* back = Live(0, 0, 0);
    ASSERT_EQ(back->m_byKind, MSG_NOTE);
    EXPECT_EQ(back->m_nPosY, 0);

    // Back to the tied chord: the ties that undo re-links save and load as
    // they were.
    Doc().MultiUndoStart();
    Doc().MultiUndoStart();
    ASSERT_EQ(Live(0, 0, 0)->m_byKind, MSG_CHORD);
    ExpectRoundTrip(Doc(), [&] { Doc().ChangeSelNoteToRest(0); }, HostStep::None, kvtest::Compare::Stored);
}

TEST_F(NoteAttrTest, StaffPositionOfTheLeftmostSymbol)
{
    EXPECT_EQ(Doc().ChangeSelNoteOfY(1, -8, 0), nullptr);
    score->Rest(Meas(0, 0), {.x = 32});
    KeyedNote(0, 0, 64, 0);
    SelectMeas(0, 0);
    const DWORD restId = Live(0, 0, 0)->m_dwMsgId;
    CKVMsg* made = nullptr;
    ExpectRoundTrip(
        Doc(), [&] { made = Doc().ChangeSelNoteOfY(1, static_cast<short>(-2 * Step()), 0); },
        HostStep::OpenAndBackUp);
    ASSERT_NE(made, nullptr);
    Doc().MultiUndoStart();
    Doc().MultiRedoStart();
    CKVMsg* live = Live(0, 0, 0);
    EXPECT_EQ(live->m_byKind, MSG_NOTE);
    EXPECT_EQ(live->m_nPosY, -2 * Step());
    EXPECT_EQ(live->m_wHeadType, 1);
    EXPECT_EQ(live->m_wSize, MSG_SIZE_NORMAL);
    EXPECT_NE(live->m_dwMsgId, 0u);
    (void)restId;
}

TEST_F(NoteAttrTest, ReplacingATiedChordFreesItsPartners)
{
    CKVMsg* chord = score->Chord(Meas(0, 0), {.x = 0}, {0, -16});
    CKVMsg* partner = KeyedNote(0, 1, 0, 0);
    score->Tie(chord->GetMsg(0), partner);
    ASSERT_NE(partner->m_wFlag & MSGFLAG_TIE_END, 0);
    SelectMeas(0, 0);
    Settle();
    CKVMsg* made = nullptr;
    // Undo gives the partner in the next measure its tie back.
    ExpectRoundTrip(Doc(), [&] { made = Doc().ChangeSelNoteOfY(1, -8, 0); }, HostStep::OpenAndBackUp);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(Live(0, 1, 0)->m_wFlag & MSGFLAG_TIE_END, 0);
    EXPECT_EQ(Live(0, 1, 0)->GetMsgNum(), 0);
}

TEST_F(NoteAttrTest, SideNudgeMovesOnceUnderOverlappingRecords)
{
    KeyedNote(0, 0, 64, 0);
    CKVMsg* group = score->Beam(Meas(0, 0), {.x = 128, .code = DUR_EIGHTH});
    score->Note(group, {.x = 128, .y = -8, .code = DUR_EIGHTH});
    SelectMeas(0, 0);
    SelectRect(Around(HitOf(Live(0, 0, 0))));
    Settle();
    int result = 0;
    ExpectRoundTrip(Doc(), [&] { result = Doc().DetailMsgMove(0, 2); });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Live(0, 0, 0)->m_nPosX, 65);
    EXPECT_EQ(Live(0, 0, 1)->m_nPosX, 128);
}

// A grace note starts where it stands, so a nudge moves its start with it,
// as a reader timing the saved score gives it.
TEST_F(NoteAttrTest, ANudgedGraceNoteStartsWhereItNowStands)
{
    score->Grace(Meas(0, 0), {.x = 64, .y = -8, .code = DUR_EIGHTH});
    SelectMeas(0, 0);
    score->Settle();
    const std::vector<std::string> problems = kvtest::CheckedStep(Doc(), [&] { Doc().DetailMsgMove(0, 2); });
    EXPECT_TRUE(problems.empty()) << kvtest::Joined(problems);
}

TEST_F(NoteAttrTest, UpDownNudgeOnANormalStaff)
{
    KeyedNote(0, 0, 0, 0)->SetMidiKey(60);
    KeyedNote(0, 0, 64, 0, 2)->SetMidiKey(127);
    BYTE stems[8] = {0, 2, 0, 0, 0, 0, 0, 0};
    void* table = SetNoteTailTieUpDown(stems);
    EXPECT_EQ(SetNoteTailTieUpDown(nullptr), table);
    EXPECT_EQ(PasteStemDirection(2), 2);
    SelectMeas(0, 0);
    ExpectRoundTrip(Doc(), [&] { Doc().DetailMsgMoveUpDown(0, 3); }, HostStep::OpenAndBackUp);
    EXPECT_EQ(Live(0, 0, 0)->GetMidiKey(), 61);
    EXPECT_EQ(Live(0, 0, 1)->GetMidiKey(), 127);

    Doc().ResetBackup();
    Doc().SelMeasBackup(1);
    Doc().DetailMsgMoveUpDown(1, 4);
    Doc().ResetBackup();
    Doc().SelMeasBackup(1);
    Doc().DetailMsgMoveUpDown(1, 4);
    EXPECT_EQ(Live(0, 0, 0)->GetMidiKey(), 59);
    EXPECT_EQ(Live(0, 0, 0)->m_byAccidental, 0);
}

TEST_F(NoteAttrTest, UpDownNudgeOnADrumStaffTakesTheRowsHead)
{
    kvtest::DrumKitFields fields;
    fields.defaultHeads[11] = 3;
    fields.defaultHeads[12] = 0;
    std::vector<BYTE> kit = kvtest::MakeDrumKitEntry("Standard", fields);
    CPtrArray table;
    table.Add(kit.data());
    SetDrumTable(&table);
    CKVStaff* staff = score->Staff(0);
    WriteDrumKitHead(*staff, 0, DrumKitAt(0));
    staff->m_byStaffKind = CKVStaff::KIND_DRUM;
    // One row is half a staff space: row 12 is one row above the bottom line.
    const short row = Step();
    CKVMsg* note = score->Note(Meas(0, 0), {.x = 0, .y = static_cast<short>(-row)});
    note->m_wHeadType = 1;
    note->MakeMsgCtrlPoint();
    SelectMeas(0, 0);
    ExpectRoundTrip(Doc(), [&] { Doc().DetailMsgMoveUpDown(0, 3); }, HostStep::OpenAndBackUp);
    EXPECT_EQ(Live(0, 0, 0)->m_nPosY, -2 * row);
    EXPECT_EQ(Live(0, 0, 0)->m_wHeadType, 4);
    SetDrumTable(nullptr);
}

TEST_F(NoteAttrTest, UpNudgeOfATiedNoteMakesTheTieASlur)
{
    CKVMsg* first = KeyedNote(0, 0, 0, 0);
    CKVMsg* second = KeyedNote(0, 0, 128, 0);
    ASSERT_EQ(first->GetMidiKey(), 64);
    score->Tie(first, second);
    SelectRect(Around(HitOf(second)));
    ExpectRoundTrip(
        Doc(), [&] { Doc().DetailMsgMoveUpDown(0, 3); }, HostStep::OpenAndBackUp, kvtest::Compare::Stored);
    CKVMsg* a = Live(0, 0, 0);
    CKVMsg* b = Live(0, 0, 1);
    EXPECT_EQ(a->GetMidiKey(), 64);
    EXPECT_EQ(b->GetMidiKey(), 65);
    EXPECT_NE(b->m_nPosY, a->m_nPosY);
    EXPECT_EQ(a->m_wFlag & MSGFLAG_TIE_START, 0);
    EXPECT_EQ(b->m_wFlag & MSGFLAG_TIE_END, 0);
    ASSERT_EQ(a->GetMsgNum(), 1);
    EXPECT_EQ(a->GetMsg(0)->m_byKind, MSG_SLUR);
    ASSERT_EQ(b->GetMsgNum(), 1);
    EXPECT_EQ(b->GetMsg(0)->m_byKind, MSG_SLUR);
}

// The tie's first note lies in a measure the selection does not reach; the
// nudge turns the tie into a slur there too, and undo must bring it back.
TEST_F(NoteAttrTest, UpNudgeOfATieEndUndoesItsPartnerInTheMeasureBefore)
{
    CKVMsg* first = KeyedNote(0, 0, 0, 0);
    CKVMsg* second = KeyedNote(0, 1, 0, 0);
    score->Tie(first, second);
    ASSERT_NE(first->m_wFlag & MSGFLAG_TIE_START, 0);
    SelectMeas(0, 1);
    ExpectRoundTrip(Doc(), [&] { Doc().DetailMsgMoveUpDown(0, 3); }, HostStep::OpenAndBackUp);
    EXPECT_EQ(Live(0, 1, 0)->GetMidiKey(), 65);
    EXPECT_EQ(Live(0, 0, 0)->m_wFlag & MSGFLAG_TIE_START, 0);
    // The same through the nudge command, which opens its own step.
    Doc().MultiUndoStart();
    ASSERT_NE(Live(0, 0, 0)->m_wFlag & MSGFLAG_TIE_START, 0);
    ExpectRoundTrip(Doc(), [&] { Doc().DetailMsgMove(0, 3); });
    EXPECT_EQ(Live(0, 0, 0)->m_wFlag & MSGFLAG_TIE_START, 0);
}

TEST_F(NoteAttrTest, UpDownNudgeTakesTheStemOfEachNotesOwnVoice)
{
    KeyedNote(0, 0, 0, 0, 1)->SetMidiKey(60);
    KeyedNote(0, 0, 64, 0, 2)->SetMidiKey(60);
    BYTE stems[8] = {1, 2, 0, 0, 0, 0, 0, 0};
    SetNoteTailTieUpDown(stems);
    SelectMeas(0, 0);
    Doc().ResetBackup();
    Doc().SelMeasBackup(1);
    EXPECT_EQ(Doc().DetailMsgMoveUpDown(0, 3), 1);
    const LONG first = Live(0, 0, 0)->m_lHeight;
    const LONG second = Live(0, 0, 1)->m_lHeight;
    EXPECT_NE(first, 0);
    EXPECT_NE(second, 0);
    EXPECT_NE(first < 0, second < 0);
}

TEST_F(NoteAttrTest, TablatureStepStaysOnTheStaff)
{
    CKVStaff* staff = score->Staff(0);
    staff->m_byStaffKind = CKVStaff::KIND_FREE_LINE;
    staff->m_byLineCount = 5;
    const short space = Doc().m_nStaffSpace;
    CKVMsg* bottom = score->Note(Meas(0, 0), {.x = 0, .y = 0});
    CKVMsg* top = score->Note(Meas(0, 0), {.x = 64, .y = static_cast<short>(-4 * space)});
    CKVMsg* between = score->Note(Meas(0, 0), {.x = 128, .y = static_cast<short>(-space * 3 / 4)});
    Doc().SetTabNoteParamsAfterMove(bottom, 0);
    Doc().SetTabNoteParamsAfterMove(top, 1);
    Doc().SetTabNoteParamsAfterMove(between, 1);
    EXPECT_EQ(bottom->m_nPosY, 0);
    EXPECT_EQ(top->m_nPosY, -4 * space);
    EXPECT_EQ(between->m_nPosY, -space * 3 / 4 - space / 2);

    Doc().m_nStaffSpace = 1;
    Doc().SetTabNoteParamsAfterMove(between, 1);
    EXPECT_EQ(between->m_nPosY, -space * 3 / 4 - space / 2);
    Doc().m_nStaffSpace = space;
}

TEST_F(NoteAttrTest, TieOrderChangesOnlyThePairItself)
{
    CKVMsg* a = KeyedNote(0, 0, 0, 0);
    CKVMsg* b = KeyedNote(0, 0, 64, 0);
    CKVMsg* c = KeyedNote(0, 0, 128, static_cast<short>(-4 * Step()));
    score->Tie(a, b);
    CKVMsg* slur = score->Tie(b, c);
    slur->m_byKind = MSG_SLUR;
    CKVMsg* twin = slur->GetAnotherTieMsg(1);
    ASSERT_NE(twin, nullptr);
    twin->m_byKind = MSG_SLUR;
    b->m_wFlag = static_cast<WORD>(b->m_wFlag & ~MSGFLAG_TIE_START);
    c->m_wFlag = static_cast<WORD>(c->m_wFlag & ~MSGFLAG_TIE_END);
    a->TieMsgOrder(1, nullptr);
    EXPECT_EQ(slur->m_byKind, MSG_SLUR);
    EXPECT_EQ(twin->m_byKind, MSG_SLUR);
    EXPECT_EQ(c->m_wFlag & MSGFLAG_TIE_END, 0);
    EXPECT_EQ(b->m_wFlag & MSGFLAG_TIE_END, MSGFLAG_TIE_END);
}

TEST_F(NoteAttrTest, AccidentalRespelling)
{
    CKVMsg* note = KeyedNote(0, 0, 0, 0);
    note->SetMidiKey(61);
    note->OtherSetParamFromMidiKey(0);
    const short flatY = note->m_nPosY;
    SelectMeas(0, 0);
    Doc().ChangeAccidentalSharp(0);
    EXPECT_EQ(Live(0, 0, 0)->m_nPosY, flatY);
    ExpectRoundTrip(Doc(), [&] { Doc().ChangeAccidentalFlat(0); });
    EXPECT_EQ(Live(0, 0, 0)->GetMidiKey(), 61);
    EXPECT_EQ(Live(0, 0, 0)->m_nPosY, flatY + Step());
}

TEST_F(NoteAttrTest, OctaveLineReachAndChordSymbolHeight)
{
    CKVBlock* block = Block(0);
    ASSERT_GE(block->m_nMeasCount, 3);
    CKVMsg* line = score->Symbol(Meas(0, 0), MSG_OCTAVE, 0);
    const int s = block->m_arrMeasX.GetAt(0) + Meas(0, 0)->MeasXToAbsX(0, MSG_OCTAVE);
    const int inThird = (block->m_arrMeasX.GetAt(2) + block->m_arrMeasX.GetAt(3)) / 2;
    line->m_nPosX2 = static_cast<short>(inThird - s);
    short endX = 0;
    EXPECT_EQ(Doc().GetMeasActedBy8va(line, endX), block->m_nFirstMeas + 2);
    EXPECT_EQ(endX, Meas(0, 2)->AbsXToMeasX(static_cast<short>(inThird - block->m_arrMeasX.GetAt(2))));

    line->m_nPosX2 = 30000;
    EXPECT_EQ(Doc().GetMeasActedBy8va(line, endX), block->m_nMeasCount);
    EXPECT_EQ(endX, 255);
    line->m_byKind = MSG_LINE;
    EXPECT_EQ(Doc().GetMeasActedBy8va(line, endX), -1);

    EXPECT_EQ(Doc().GetChordPos(nullptr, Meas(0, 0)), -1);
    ASSERT_GT(block->m_arrStaffEntry.GetSize(), 0);
    BlockStaffEntry* entry = block->m_arrStaffEntry.GetAt(0);
    entry->wValue = 20;
    entry->pStaff->m_wObjWord = 75;
    Doc().m_nStaffSpace = 8;
    EXPECT_EQ(Doc().GetChordPos(block, entry->pStaff->GetMeas(block->m_nFirstMeas)), -44);
}

} // namespace
