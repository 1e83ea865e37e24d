// Symbols entering and leaving the score through the document: step entry
// at the caret, mouse entry, entry by number, adding and deleting.

#include "model/KVBackupPtrArray.h"
#include "harmony/ChordSymbol.h"
#include "model/KVBlock.h"
#include "model/KVPage.h"
#include "support/UndoSupport.h"
#include "model/MidiFileRead.h"
#include "timing/TieLinks.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class KVDocInsertTest : public kvtest::PagedScoreTest {
protected:
    CKVMeas* Live(int staff, int meas) { return score->Meas(staff, meas); }
    std::unique_ptr<CKVMsg> Quarter(short x)
    {
        return std::make_unique<CKVMsg>(Doc().m_pCurMeas, POINT {x, -12}, MSG_NOTE, 1, DUR_QUARTER, 1, 0, 0, 0, 0, 0);
    }
    CKVMsg* Step(int* moved)
    {
        auto tmpl = Quarter(Doc().m_nCaretPos);
        return Doc().InsertNoteMsgInCurrentMeas(tmpl.get(), 0, 1, 0, 0, 1, moved);
    }
    static int Count(CKVObject& node, BYTE kind)
    {
        int n = 0;
        for (short i = 0; i < node.GetMsgNum(); ++i)
            n += node.GetMsg(i) && node.GetMsg(i)->m_byKind == kind;
        return n;
    }
};

TEST_F(KVDocInsertTest, StepEntryAdvancesTheCaretAndUndoes)
{
    CKVDoc& doc = Doc();
    Live(0, 0)->m_dwSpacingMode = 1;
    int moved = -7;
    for (short caret : {64, 128, 192}) {
        ASSERT_NE(Step(&moved), nullptr);
        EXPECT_EQ(doc.m_nCaretPos, caret);
    }
    ASSERT_NE(Step(&moved), nullptr);
    EXPECT_EQ(moved, 1);
    EXPECT_EQ(doc.m_nCaretMeasNum, 2);
    EXPECT_EQ(doc.m_nCaretPos, 0);
    EXPECT_EQ(doc.m_ptCaret, CPoint(282, 174));
    CKVMeas* meas = Live(0, 0);
    ASSERT_EQ(Count(*meas, MSG_NOTE), 4);
    for (short i = 0; i < 4; ++i) {
        EXPECT_EQ(meas->GetMsg(i)->m_nPosX, 64 * i);
        EXPECT_EQ(meas->GetMsg(i)->GetDoReMiFromPosY(meas->m_byInitClef, 0, 1), 71);
    }
    for (int i = 0; i < 4; ++i)
        doc.MultiUndoStart();
    EXPECT_EQ(Count(*Live(0, 0), MSG_NOTE), 0);
    for (int i = 0; i < 4; ++i)
        doc.MultiRedoStart();
    EXPECT_EQ(Count(*Live(0, 0), MSG_NOTE), 4);
}

TEST_F(KVDocInsertTest, StepEntryAtTheEndOfAPage)
{
    CKVDoc& doc = Doc();
    doc.AddMeas(8, 0);
    doc.MakeAddPage(8, 1);
    for (int jump : {0, 1}) {
        CKVCtrlTool::m_fAutoPageJump = jump;
        doc.JumpToMeas(15);
        doc.m_pCurMeas->m_dwSpacingMode = 1;
        int moved = -7;
        for (int i = 0; i < 4; ++i)
            Step(&moved);
        if (jump) {
            EXPECT_EQ(moved, 2);
            EXPECT_EQ(doc.m_nCurPage, 1);
        } else {
            EXPECT_EQ(doc.m_nCaretMeasNum, 15);
            EXPECT_EQ(doc.m_nCaretPos, 256);
        }
        doc.JumpToPage(0);
        for (int i = 0; i < 4; ++i)
            doc.MultiUndoStart();
    }
    CKVCtrlTool::m_fAutoPageJump = 1;
}

TEST_F(KVDocInsertTest, StepEntryLinksGraceNotesAndChecksMemory)
{
    CKVDoc& doc = Doc();
    doc.m_pCurMeas->m_dwSpacingMode = 1;
    CKVMsg* grace = score->Grace(doc.m_pCurMeas, {.x = 0, .y = -12});
    auto tmpl = Quarter(0);
    tmpl->m_arrAttachedId.Add(grace->m_dwMsgId);
    CKVMsg* note = doc.InsertNoteMsgInCurrentMeas(tmpl.get(), 0, 1, 0, 0, 1, nullptr);
    ASSERT_NE(note, nullptr);
    CKVMsg* liveGrace = score->System()->GetMsgFromMap(grace->m_dwMsgId);
    ASSERT_NE(liveGrace, nullptr);
    EXPECT_EQ(liveGrace->m_pMainNote, note);
    ASSERT_EQ(note->m_arrAttachedId.GetSize(), 1);

    host.freeBytes = 999999;
    auto again = Quarter(64);
    EXPECT_EQ(doc.InsertNoteMsgInCurrentMeas(again.get(), 0, 1, 0, 0, 1, nullptr), nullptr);
    EXPECT_FALSE(host.messageBoxes.empty());
    host.freeBytes.reset();

    // A staff space below 4 gives no zero divisor.
    doc.m_nStaffSpace = 2;
    auto small = Quarter(128);
    small->m_nLayout4 = 5;
    EXPECT_NE(doc.InsertNoteMsgInCurrentMeas(small.get(), 0, 1, 0, 0, 1, nullptr), nullptr);
    EXPECT_EQ(nNoteMarkRightPos, 5);
}

TEST_F(KVDocInsertTest, MouseEntry)
{
    CKVDoc& doc = Doc();
    CKVMsg* note = doc.InsertNewNoteMsg({279, 87}, 1, 1, 3, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->m_pParent, Live(0, 1));
    EXPECT_EQ(note->m_nPosX, 127);
    EXPECT_EQ(note->m_nPosY, -12);
    EXPECT_EQ(note->m_nStartTime, 0);
    EXPECT_EQ(doc.m_nCurMeas, 1);
    EXPECT_EQ(doc.m_nCaretMeasNum, 2);
    EXPECT_EQ(doc.m_nCaretPos, 191);
    doc.MultiUndoStart();
    EXPECT_EQ(Count(*Live(0, 1), MSG_NOTE), 0);

    const BOOL modified = doc.m_bModified;
    EXPECT_EQ(doc.InsertNewNoteMsg({541, 87}, 1, 1, 3, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0), nullptr);
    EXPECT_EQ(doc.m_bModified, modified);

    // Without half spaces y is taken as found.
    doc.JumpToPage(0);
    doc.m_nStaffSpace = 1;
    EXPECT_NE(doc.InsertNewNoteMsg({279, 86}, 1, 1, 3, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0), nullptr);
}

TEST_F(KVDocInsertTest, EntryByNumber)
{
    CKVDoc& doc = Doc();
    int moved = -7;
    auto tmpl = Quarter(0);
    ASSERT_NE(doc.InsertNewNoteMsg(0, 2, tmpl.get(), 0, 0, 0, 0, &moved, 0), nullptr);
    EXPECT_EQ(doc.m_nCaretPos, 64);

    CKVMsg* rest = score->Symbol(Live(0, 3), MSG_MULTIREST, 0);
    rest->m_wObjWord = 4;
    auto again = Quarter(0);
    EXPECT_EQ(doc.InsertNewNoteMsg(0, 3, again.get(), 0, 0, 0, 0, &moved, 0), nullptr);
    // A MIDI file's notes pass the test; the measure decides.
    doc.InsertNewNoteMsg(0, 3, again.get(), 0, 0, 0, 0, &moved, 1);
    EXPECT_EQ(GetMidiFileRead(), 1);
    SetMidiFileRead(0);

    // No length: the caret stays. No pointer for the result: still entered.
    Live(0, 4)->m_nLength = 0;
    doc.m_nCaretPos = 33;
    auto third = Quarter(0);
    doc.InsertNewNoteMsg(0, 4, third.get(), 0, 0, 0, 0, &moved, 0);
    EXPECT_EQ(doc.m_nCaretPos, 33);
    for (short x : {0, 64, 128, 192}) {
        auto t = Quarter(x);
        EXPECT_NE(doc.InsertNewNoteMsg(0, 5, t.get(), 0, 0, 0, 0, nullptr, 0), nullptr);
    }
}

TEST_F(KVDocInsertTest, AddingSymbols)
{
    CKVDoc& doc = Doc();
    score->Symbol(Live(0, 1), MSG_TEMPO, 0);
    score->Symbol(Live(1, 1), MSG_TEMPO, 0);
    doc.ResetBackup();
    CKVMsg tempo;
    tempo.m_byKind = MSG_TEMPO;
    tempo.m_nPosX = 10;
    CKVMsg* added = doc.AddMsg(Live(1, 1), &tempo, 1, 0);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(tempo.m_dwMsgId, added->m_dwMsgId);
    EXPECT_EQ(Count(*Live(0, 1), MSG_TEMPO), 0);
    ASSERT_EQ(Count(*Live(1, 1), MSG_TEMPO), 1);
    EXPECT_EQ(Live(1, 1)->GetMsg(0), added);
    doc.MultiUndoStart();
    EXPECT_EQ(Count(*Live(0, 1), MSG_TEMPO), 1);
    EXPECT_EQ(Count(*Live(1, 1), MSG_TEMPO), 1);
    EXPECT_NE(Live(1, 1)->GetMsg(0), added);

    CKVMsg midi;
    midi.m_byKind = MSG_MIDI;
    midi.m_nPosX = 64;
    EXPECT_EQ(doc.AddMsg(Live(0, 2), &midi, 1, 0)->m_nStartTime, 240);

    CKVMsg repeat;
    repeat.m_byKind = MSG_MEASREPEAT;
    repeat.m_wDuration = 3;
    CKVMsg* first = doc.AddMsg(Live(0, 3), &repeat, 1, 1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->m_nPosX, 256);
    EXPECT_EQ(first->m_nPosY, -6);
    EXPECT_EQ(repeat.m_nPosX, 256);
    doc.AddMsg(Live(0, 3), &repeat, 1, 1);
    EXPECT_EQ(Count(*Live(0, 3), MSG_MEASREPEAT), 1);
    repeat.m_wDuration = 1;
    EXPECT_EQ(doc.AddMsg(Live(0, 3), &repeat, 1, 1)->m_nPosX, 127);

    CKVMsg chordName;
    chordName.m_byKind = MSG_CHORDSYMBOL;
    EXPECT_NE(dynamic_cast<CChordSymbol*>(doc.AddMsg(Live(0, 4), &chordName, 1, 0)), nullptr);
}

TEST_F(KVDocInsertTest, ChordSymbolKeepsItsOwnChordPart)
{
    CChordSymbol chord;
    chord.m_byKind = MSG_CHORDSYMBOL;
    chord.m_nRoot = 5;
    chord.m_nBass = 3;
    chord.m_Surfix.SetRealName("m7");
    chord.m_FretBoard.m_FretInfo.m_nBaseFret = 4;
    chord.m_bShowFret = TRUE;
    chord.m_pRhythm = new CRhythm;
    chord.m_pRhythm->m_RtmInfo.m_strPatName = "8 beat";
    auto* added = dynamic_cast<CChordSymbol*>(Doc().AddMsg(Live(0, 1), &chord, 1, 0));
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->m_nRoot, 5);
    EXPECT_EQ(added->m_nBass, 3);
    EXPECT_EQ(added->m_Surfix.GetRealName(), CString("m7"));
    EXPECT_EQ(added->m_FretBoard.m_FretInfo.m_nBaseFret, 4);
    EXPECT_EQ(added->m_bShowFret, TRUE);
    // Its own rhythm: the template's goes with the template.
    ASSERT_NE(added->m_pRhythm, nullptr);
    EXPECT_NE(added->m_pRhythm, chord.m_pRhythm);
    EXPECT_EQ(added->m_pRhythm->m_RtmInfo.m_strPatName, CString("8 beat"));
}

class KVDocDeleteTest : public KVDocInsertTest {
protected:
    void SetUp() override
    {
        KVDocInsertTest::SetUp();
        Doc().m_bBackupRecord = 0;
    }
};

TEST_F(KVDocDeleteTest, ChordsAndGroupsGiveUpTheirMembers)
{
    CKVDoc& doc = Doc();
    CKVMeas* meas = Live(0, 0);
    CKVMsg* chord = score->Chord(meas, {.x = 0}, {-12, -18});
    CKVMsg* b4 = chord->GetMsg(0);
    CKVMsg* d5 = chord->GetMsg(1);
    score->Symbol(b4, MSG_LYRIC, 0);
    doc.m_pLastMember = chord;
    doc.DeleteMsg(b4, 1);
    EXPECT_EQ(tielink::IndexOfChild(*meas, chord), -1);
    EXPECT_GE(tielink::IndexOfChild(*meas, d5), 0);
    EXPECT_EQ(Count(*d5, MSG_LYRIC), 1);

    // Deleting the only note of a chord deletes the chord.
    CKVMsg* single = score->Chord(Live(0, 1), {.x = 0}, {-12});
    doc.m_pLastMember = single;
    doc.DeleteMsg(single->GetMsg(0), 1);
    EXPECT_EQ(Count(*Live(0, 1), MSG_CHORD), 0);

    CKVMeas* m2 = Live(0, 2);
    CKVMsg* group = score->Beam(m2, {.x = 0});
    score->Rest(group, {.x = 0, .code = DUR_EIGHTH});
    CKVMsg* e1 = score->Note(group, {.x = 32, .y = -12, .code = DUR_EIGHTH});
    CKVMsg* e2 = score->Note(group, {.x = 64, .y = -12, .code = DUR_EIGHTH});
    CKVMsg* e3 = score->Note(group, {.x = 96, .y = -12, .code = DUR_EIGHTH});
    doc.m_pLastGroup = group;
    doc.m_pLastMember = nullptr;
    doc.DeleteMsg(e2, 1);
    EXPECT_EQ(Count(*m2, MSG_REST), 1);
    EXPECT_EQ(group->GetMsgNum(), 2);
    doc.DeleteMsg(e3, 1);
    EXPECT_EQ(Count(*m2, MSG_BEAM), 0);
    EXPECT_GE(tielink::IndexOfChild(*m2, e1), 0);
}

TEST_F(KVDocDeleteTest, TiesTupletsTremolosAndPageTexts)
{
    CKVDoc& doc = Doc();
    CKVMsg* a = score->Note(Live(0, 0), {.x = 192, .y = -12});
    CKVMsg* b = score->Note(Live(0, 1), {.x = 0, .y = -12});
    CKVMsg* tie = score->Tie(a, b);
    doc.DeleteMsg(tie, 1);
    EXPECT_EQ(a->m_wFlag & MSGFLAG_TIE_START, 0);
    EXPECT_EQ(b->m_wFlag & MSGFLAG_TIE_END, 0);
    EXPECT_EQ(tielink::IndexOfChild(*a, tie), -1);
    EXPECT_EQ(tielink::IndexOfChild(*b, tie), -1);

    // The end note is gone: the tie still leaves the start note.
    tie = score->Tie(a, b);
    score->MakeStale(b);
    doc.DeleteMsg(tie, 1);
    EXPECT_EQ(tielink::IndexOfChild(*a, tie), -1);
    EXPECT_EQ(a->m_wFlag & MSGFLAG_TIE_START, 0);

    CKVMsg* text = score->Symbol(Live(0, 2), MSG_FREETEXT, 10);
    doc.DeleteMsg(text, 1);
    EXPECT_EQ(Count(*Live(0, 2), MSG_FREETEXT), 0);

    CKVMsg page;
    page.m_byKind = MSG_FREETEXT;
    CKVMsg* onPage = doc.AddMsg(doc.GetPage(0), &page, 0, 0);
    const short before = doc.GetPage(0)->GetMsgNum();
    doc.DeleteMsg(onPage, 1);
    EXPECT_EQ(doc.GetPage(0)->GetMsgNum(), before - 1);
}

TEST_F(KVDocDeleteTest, SwitchTieSlurFollowsThePitch)
{
    CKVMsg* a = score->Note(Live(0, 0), {.x = 192, .y = -12});
    CKVMsg* b = score->Note(Live(0, 1), {.x = 0, .y = -12});
    CKVMsg* tie = score->Tie(a, b);
    auto setKey = [](CKVMsg* note, BYTE key) {
        MidiNoteHead head = kvtest::ScoreBuilder::GetMidiHead(note);
        head.byKey = key;
        kvtest::ScoreBuilder::SetMidiHead(note, head);
    };
    setKey(a, 71);
    setKey(b, 72);
    Live(0, 1)->SwitchTieSlur();
    EXPECT_EQ(tie->m_byKind, MSG_SLUR);
    EXPECT_EQ(a->m_wFlag & MSGFLAG_TIE_START, 0);
    EXPECT_EQ(b->m_wFlag & MSGFLAG_TIE_END, 0);
    setKey(b, 71);
    Live(0, 1)->SwitchTieSlur();
    EXPECT_EQ(tie->m_byKind, MSG_TIE);
    EXPECT_NE(a->m_wFlag & MSGFLAG_TIE_START, 0);
    EXPECT_NE(b->m_wFlag & MSGFLAG_TIE_END, 0);
}

// A note that starts a tie and a slur to a later measure: a deletion in the
// slur's measure judges the slur again, and the note's tie keeps its flag.
TEST_F(KVDocDeleteTest, ASlurJudgedAgainLeavesTheFlagOfTheNotesOtherTie)
{
    CKVMsg* a = score->Note(Live(0, 0), {.x = 0, .y = -12});
    CKVMsg* b = score->Note(Live(0, 0), {.x = 96, .y = -12});
    CKVMsg* c = score->Note(Live(0, 2), {.x = 0, .y = -20});
    CKVMsg* d = score->Note(Live(0, 2), {.x = 96, .y = -12});
    CKVMsg* tie = score->Tie(a, b);
    CKVMsg* slur = score->Tie(a, c);
    slur->m_byKind = MSG_SLUR;
    c->m_wFlag = static_cast<WORD>(c->m_wFlag & ~MSGFLAG_TIE_END);
    ASSERT_NE(a->m_wFlag & MSGFLAG_TIE_START, 0);

    Doc().DeleteMsg(d, 1);
    EXPECT_EQ(slur->m_byKind, MSG_SLUR);
    EXPECT_EQ(tie->m_byKind, MSG_TIE);
    EXPECT_NE(a->m_wFlag & MSGFLAG_TIE_START, 0);
    EXPECT_NE(b->m_wFlag & MSGFLAG_TIE_END, 0);
    EXPECT_EQ(c->m_wFlag & MSGFLAG_TIE_END, 0);
}

} // namespace
