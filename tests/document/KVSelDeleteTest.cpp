// Deleting what a selection covers: notes by their hit point, with their
// ties, MIDI events and tuplet hand-over; parts of notes by their handles;
// groups and chords that lose members; clefs and codas that stay; whole
// measures, staves and voices; one undo step; refusal when memory is short.

#include "support/CanonicalDump.h"
#include "support/NoteEntry.h"
#include "support/SelectionSupport.h"

#include <gtest/gtest.h>

namespace {

class SelDeleteTest : public kvtest::SelectionTest {
protected:
    CKVMeas* Live(int staff, int meas) { return Doc().GetMeasure(meas, staff, 0); }

    static int Count(CKVObject& node, BYTE kind)
    {
        int n = 0;
        tickmath::ForEachChild(node, [&](CKVMsg* child, short) {
            n += child->m_byKind == kind;
            return false;
        });
        return n;
    }

    // A lyric on line 0 of a note, its handle a 10-unit square, the measure's
    // head placing line 0 `lineY` below the staff line.
    CKVMsg* Lyric(CKVMsg* note, short lineY)
    {
        CKVMeas* meas = tickmath::MeasureOf(note);
        unsigned char head[2] = {static_cast<unsigned char>(lineY), static_cast<unsigned char>(lineY >> 8)};
        meas->SetHead(2, head);
        CKVMsg* lyric = score->Symbol(note, MSG_LYRIC, 0, 0);
        if (lyric->m_arrCtrlPoint.GetSize() == 0)
            lyric->m_arrCtrlPoint.Add(new CKVCtrlPoint);
        lyric->m_arrCtrlPoint.GetAt(0)->m_rect = CRect(0, 0, 10, 10);
        return lyric;
    }

    // n1 at the measure's start tied to n2 at its half, and a MIDI event
    // between them; gives n1.
    CKVMsg* TiedPairWithEvent(CKVMeas* m)
    {
        CKVMsg* n1 = kvtest::EnterNote(m, {.start = 0, .y = -12});
        CKVMsg* n2 = kvtest::EnterNote(m, {.start = 480, .y = -12});
        EXPECT_TRUE(n1 && n2);
        if (!n1 || !n2)
            return nullptr;
        EXPECT_EQ(Doc().BindNoteByTie(n1, n2, 10, 4, 14, kSetGivenShape, kTieAlways, kTieSideByNote), 1);
        score->Symbol(m, MSG_MIDI, 32);
        return n1;
    }

    // Deletes and checks that one undo brings the dump back and one redo
    // the result.
    void DeleteAndUndo(int voice)
    {
        const std::string before = kvtest::CanonicalDump(Doc());
        ASSERT_EQ(Doc().DeleteMsgOnSelRect(voice), 1);
        const std::string after = kvtest::CanonicalDump(Doc());
        EXPECT_NE(before, after);
        Doc().MultiUndoStart();
        EXPECT_EQ(kvtest::CanonicalDump(Doc()), before);
        Doc().MultiRedoStart();
        EXPECT_EQ(kvtest::CanonicalDump(Doc()), after);
    }
};

TEST_F(SelDeleteTest, NoteOnTheRightEdgeGoesWithItsTieAndMidiEvents)
{
    CKVMeas* m = Meas(0, 1);
    CKVMsg* n1 = TiedPairWithEvent(m);
    ASSERT_NE(n1, nullptr);
    score->Symbol(m, MSG_MIDI, 160);
    SelectRect(EndingAt(HitOf(n1)));
    // (The undo of a tie inside one measure is checked where measure backups
    // are; here only what the delete leaves.)
    ASSERT_EQ(Doc().DeleteMsgOnSelRect(0), 1);

    CKVMeas* live = Live(0, 1);
    ASSERT_EQ(Count(*live, MSG_NOTE), 1);
    CKVMsg* kept = live->GetMsg(0)->m_byKind == MSG_NOTE ? live->GetMsg(0) : live->GetMsg(1);
    EXPECT_EQ(kept->m_nPosX, 64);
    EXPECT_EQ(kept->m_wFlag & (MSGFLAG_TIE_START | MSGFLAG_TIE_END), 0);
    EXPECT_EQ(Count(*kept, MSG_TIE), 0);
    // Only the event between the deleted note and the next one goes.
    EXPECT_EQ(Count(*live, MSG_MIDI), 1);
}

TEST_F(SelDeleteTest, OssiaBlocksTakeTheRightEdgeAsStored)
{
    CKVBlock* ossia = AddOssiaBlock(2);
    CKVMeas* m = ossia->GetStaff(0)->GetMeas(0);
    CKVMsg* note = score->Note(m, {.x = 64, .y = -12});
    const POINT hit = HitOf(note);
    SelectRect(EndingAt(hit));
    ASSERT_EQ(Doc().DeleteMsgOnSelRect(0), 1);
    EXPECT_EQ(Count(*ossia->GetStaff(0)->GetMeas(0), MSG_NOTE), 1);
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    SelectRect(Around(hit));
    ASSERT_EQ(Doc().DeleteMsgOnSelRect(0), 1);
    EXPECT_EQ(Count(*ossia->GetStaff(0)->GetMeas(0), MSG_NOTE), 0);
}

TEST_F(SelDeleteTest, OssiaMeasureGoesOnWithItsLiveCopy)
{
    CKVBlock* ossia = AddOssiaBlock(2);
    CKVMeas* m = ossia->GetStaff(0)->GetMeas(0);
    CKVMsg* dynamic = score->Symbol(m, MSG_DYNAMIC, 32, 10);
    dynamic->m_arrCtrlPoint.GetAt(0)->m_rect = CRect(0, -10, 20, 0);
    score->Note(m, {.x = 96, .y = -12});
    CRect area = ossia->m_rcBlock;
    area.InflateRect(0, 40);
    SelectRect(area);
    DeleteAndUndo(0);
    CKVMeas* live = ossia->GetStaff(0)->GetMeas(0);
    EXPECT_EQ(Count(*live, MSG_DYNAMIC), 0);
    EXPECT_EQ(Count(*live, MSG_NOTE), 0);
}

TEST_F(SelDeleteTest, PartsMeetingTheRectangleGoAndTheirNoteStays)
{
    CKVMeas* m = Meas(0, 0);
    CKVMsg* n3 = score->Note(m, {.x = 192, .y = -12});
    Lyric(n3, 40);
    CKVBlock* block = Block(0);
    POINT anchor {0, 0};
    ASSERT_TRUE(selhit::AnchorOnPage(*block, 0, 0, *m, *n3, anchor));
    const int lyricTop = block->m_rcBlock.top + static_cast<short>(block->m_arrStaffY.GetAt(0)) + 40;
    SelectRect(RECT {anchor.x + 2, lyricTop + 2, anchor.x + 6, lyricTop + 6});
    DeleteAndUndo(0);
    ASSERT_EQ(Count(*Live(0, 0), MSG_NOTE), 1);
    EXPECT_EQ(Count(*Live(0, 0)->GetMsg(0), MSG_LYRIC), 0);
}

TEST_F(SelDeleteTest, ClefsAndCodasStayInsideTheRectangle)
{
    CKVMeas* m = Meas(0, 0);
    score->Note(m, {.x = 0, .y = -12});
    score->ClefChange(m, 128, 2);
    score->Symbol(m, MSG_CODA, 160, -30);
    CKVMsg* dynamic = score->Symbol(m, MSG_DYNAMIC, 100, 10);
    dynamic->m_arrCtrlPoint.GetAt(0)->m_rect = CRect(0, -10, 20, 0);
    SelectMeas(0, 0);
    DeleteAndUndo(0);
    CKVMeas* live = Live(0, 0);
    EXPECT_EQ(Count(*live, MSG_NOTE), 0);
    EXPECT_EQ(Count(*live, MSG_DYNAMIC), 0);
    EXPECT_EQ(Count(*live, MSG_CLEF), 1);
    EXPECT_EQ(Count(*live, MSG_CODA), 1);
    EXPECT_EQ(Doc().m_nCaretPos, 0);
}

TEST_F(SelDeleteTest, GroupsLoseHitMembersAndDissolve)
{
    CKVMeas* m = Meas(0, 0);
    CKVMsg* group = score->Beam(m, {.x = 0, .code = DUR_EIGHTH});
    std::vector<CKVMsg*> notes;
    for (short x : {0, 32, 64, 96})
        notes.push_back(score->Note(group, {.x = x, .y = -12, .code = DUR_EIGHTH}));
    for (int i = 1; i < 4; ++i)
        SelectRect(Around(HitOf(notes[i])));
    ASSERT_EQ(Doc().DeleteMsgOnSelRect(0), 1);
    CKVMeas* live = Live(0, 0);
    EXPECT_EQ(Count(*live, MSG_BEAM), 0);
    ASSERT_EQ(Count(*live, MSG_NOTE), 1);
    EXPECT_EQ(live->GetMsg(0)->m_nPosX, 0);

    // Rest, note, note, rest with both notes hit: the rests go back.
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    CKVMeas* m2 = Meas(0, 1);
    CKVMsg* g2 = score->Beam(m2, {.x = 0, .code = DUR_EIGHTH});
    score->Rest(g2, {.x = 0, .code = DUR_EIGHTH});
    CKVMsg* a = score->Note(g2, {.x = 32, .y = -12, .code = DUR_EIGHTH});
    CKVMsg* b = score->Note(g2, {.x = 64, .y = -12, .code = DUR_EIGHTH});
    score->Rest(g2, {.x = 96, .code = DUR_EIGHTH});
    SelectRect(Around(HitOf(a)));
    SelectRect(Around(HitOf(b)));
    ASSERT_EQ(Doc().DeleteMsgOnSelRect(0), 1);
    CKVMeas* live2 = Live(0, 1);
    EXPECT_EQ(Count(*live2, MSG_BEAM), 0);
    EXPECT_EQ(Count(*live2, MSG_REST), 2);
    EXPECT_EQ(Count(*live2, MSG_NOTE), 0);
}

TEST_F(SelDeleteTest, ChordsKeepTheirUnhitNotes)
{
    CKVMeas* m = Meas(0, 0);
    CKVMsg* chord = score->Chord(m, {.x = 64}, {0, -12, -24});
    SelectRect(Around(HitOf(chord->GetMsg(1))));
    ASSERT_EQ(Doc().DeleteMsgOnSelRect(0), 1);
    CKVMeas* live = Live(0, 0);
    ASSERT_EQ(Count(*live, MSG_CHORD), 1);
    CKVMsg* kept = live->GetMsg(0);
    EXPECT_EQ(Count(*kept, MSG_NOTE), 2);

    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    SelectMeas(0, 0);
    ASSERT_EQ(Doc().DeleteMsgOnSelRect(0), 1);
    EXPECT_EQ(Live(0, 0)->GetMsgNum(), 0);
}

TEST_F(SelDeleteTest, DeletedFirstNoteHandsItsTupletOn)
{
    CKVMeas* m = Meas(0, 0);
    std::vector<CKVMsg*> notes;
    for (short start : {0, 80, 160})
        notes.push_back(kvtest::EnterNote(m, {.start = start, .y = -12, .code = DUR_EIGHTH, .tuplet = 0x0203}));
    ASSERT_NE(notes[2], nullptr);
    SelectRect(Around(HitOf(notes[0])));
    ASSERT_EQ(Doc().DeleteMsgOnSelRect(0), 1);

    // The first note left in the measure now holds the tuplet and starts it.
    CKVMeas* live = Live(0, 0);
    live->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
    short cursor = 0;
    CKVMsg* second = live->GetNextMsg(cursor);
    ASSERT_NE(second, nullptr);
    CKVMsg* tuplet = nullptr;
    int owned = 0;
    for (short i = 0; i < second->GetMsgNum(); ++i) {
        CKVMsg* child = second->GetMsg(i);
        if (child && child->m_byKind == MSG_TUPLET) {
            tuplet = child;
            owned += second->m_arrMsgRef.GetAt(i)->byOwner;
        }
    }
    ASSERT_NE(tuplet, nullptr);
    EXPECT_EQ(owned, 1);
    EXPECT_EQ(tuplet->m_dwWord, second->m_dwMsgId);
}

TEST_F(SelDeleteTest, PageTextsInTheRectangleGoInTheSameStep)
{
    // Two texts on page 0, with a 40 x 20 handle at their position.
    auto pageText = [this](short x, short y) {
        CKVMsg* text = new CKVMsg;
        text->Initialize(nullptr, OBJ_MSG);
        text->m_byKind = MSG_FREETEXT;
        text->m_byVoice = 1;
        text->m_pPage = Page(0);
        text->m_byParentKind = CKVPage::PARENT_KIND_PAGE;
        text->m_nPosX = x;
        text->m_nPosY = y;
        text->m_arrCtrlPoint.Add(new CKVCtrlPoint);
        text->m_arrCtrlPoint.GetAt(0)->m_rect = CRect(0, 0, 40, 20);
        Page(0)->AddMsg(text);
    };
    pageText(100, 600);
    pageText(300, 600);
    CKVMsg* note = score->Note(Meas(0, 0), {.x = 64, .y = -12});
    const POINT hit = HitOf(note);
    // One rectangle over the first text and the note.
    SelectRect(RECT {std::min<LONG>(hit.x, 90) - 2, hit.y - 2, 150, 610});
    DeleteAndUndo(0);
    ASSERT_EQ(Doc().GetPage(0)->GetMsgNum(), 1);
    EXPECT_EQ(Doc().GetPage(0)->GetMsg(0)->m_nPosX, 300);
    EXPECT_EQ(Count(*Live(0, 0), MSG_NOTE), 0);
}

TEST_F(SelDeleteTest, StavesAndVoices)
{
    CKVMeas* m = Meas(1, 0);
    score->Note(m, {.x = 0, .y = -12, .voice = 1});
    score->Note(m, {.x = 64, .y = -30, .voice = 2});
    score->Rest(m, {.x = 128, .voice = 2});
    score->Note(Meas(1, 5), {.x = 0, .y = -12, .voice = 1});
    score->Note(Meas(1, 5), {.x = 64, .y = -30, .voice = 2});

    SelectMeas(1, 0);
    ASSERT_EQ(Doc().DeleteMsgOnSelRect(2), 1);
    EXPECT_EQ(Count(*Live(1, 0), MSG_NOTE), 1);
    EXPECT_EQ(Count(*Live(1, 0), MSG_REST), 0);
    EXPECT_EQ(Live(1, 0)->GetMsg(0)->m_byVoice, 1);

    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    SelectStaff(1);
    DeleteAndUndo(2);
    EXPECT_EQ(Count(*Live(1, 5), MSG_NOTE), 1);
    EXPECT_EQ(Count(*Live(1, 0), MSG_NOTE), 1);
    ASSERT_EQ(Doc().DeleteMsgOnSelRect(0), 1);
    EXPECT_EQ(Live(1, 5)->GetMsgNum(), 0);
    EXPECT_EQ(Live(1, 0)->GetMsgNum(), 0);
}

TEST_F(SelDeleteTest, ShortMemoryDeletesNothing)
{
    score->Note(Meas(0, 0), {.x = 0, .y = -12});
    SelectMeas(0, 0);
    const std::string before = kvtest::CanonicalDump(Doc());
    host.freeBytes = 999999;
    EXPECT_EQ(Doc().DeleteMsgOnSelRect(0), 0);
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), before);
}

// The whole measure of the first test in one rectangle: the note on the edge,
// its tie and MIDI event, a lyric and the clef change and coda next to them.
// One undo brings all of it back and one redo deletes it again.
TEST_F(SelDeleteTest, MixedMeasureDeleteIsOneUndoStep)
{
    CKVMeas* m = Meas(0, 1);
    CKVMsg* n1 = TiedPairWithEvent(m);
    ASSERT_NE(n1, nullptr);
    score->ClefChange(m, 200, 2);
    score->Symbol(m, MSG_CODA, 220, -30);
    SelectRect(EndingAt(HitOf(n1)));
    DeleteAndUndo(0);
    CKVMeas* live = Live(0, 1);
    EXPECT_EQ(Count(*live, MSG_NOTE), 1);
    EXPECT_EQ(Count(*live, MSG_MIDI), 0);
    EXPECT_EQ(Count(*live, MSG_CLEF), 1);
    EXPECT_EQ(Count(*live, MSG_CODA), 1);
}

// Hitting every note of a chord takes the chord; a measure record takes its
// rests and texts too.
TEST_F(SelDeleteTest, WholeChordsAndMeasureRestsAndTextsGo)
{
    CKVMsg* chord = score->Chord(Meas(0, 0), {.x = 64}, {0, -12, -24});
    for (short i = 0; i < 3; ++i)
        SelectRect(Around(HitOf(chord->GetMsg(i))));
    ASSERT_EQ(Doc().DeleteMsgOnSelRect(0), 1);
    EXPECT_EQ(Count(*Live(0, 0), MSG_CHORD), 0);
    EXPECT_EQ(Count(*Live(0, 0), MSG_NOTE), 0);

    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    CKVMeas* m = Meas(1, 2);
    score->Rest(m, {.x = 0});
    score->Note(m, {.x = 64, .y = -12});
    CKVMsg* text = score->Symbol(m, MSG_FREETEXT, 100, -30);
    if (text->m_arrCtrlPoint.GetSize() == 0)
        text->m_arrCtrlPoint.Add(new CKVCtrlPoint);
    text->m_arrCtrlPoint.GetAt(0)->m_rect = CRect(0, -10, 40, 0);
    score->ClefChange(m, 128, 2);
    score->Symbol(m, MSG_CODA, 160, -30);
    SelectMeas(1, 2);
    DeleteAndUndo(0);
    CKVMeas* live = Live(1, 2);
    EXPECT_EQ(Count(*live, MSG_REST), 0);
    EXPECT_EQ(Count(*live, MSG_NOTE), 0);
    EXPECT_EQ(Count(*live, MSG_FREETEXT), 0);
    EXPECT_EQ(Count(*live, MSG_CLEF), 1);
    EXPECT_EQ(Count(*live, MSG_CODA), 1);
}

} // namespace

TEST_F(SelDeleteTest, TiesAndSlursIntoUnselectedMeasuresUndoWithTheDelete)
{
    // A tie from the selected note into the next measure and a slur into it
    // from the measure before: both far ends lie outside the selection.
    CKVMeas* before = Meas(0, 0);
    CKVMeas* m = Meas(0, 1);
    CKVMeas* after = Meas(0, 2);
    CKVMsg* from = kvtest::EnterNote(before, {.start = 0, .y = -8});
    CKVMsg* n = kvtest::EnterNote(m, {.start = 1440, .y = -12});
    CKVMsg* to = kvtest::EnterNote(after, {.start = 0, .y = -12});
    ASSERT_TRUE(from && n && to);
    ASSERT_EQ(Doc().BindNoteByTie(n, to, 10, 4, 14, kSetGivenShape, kTieAlways, kTieSideByNote), 1);
    ASSERT_EQ(Doc().BindNoteBySlur(from, n, 10, 4, 14, 0), 1);
    ASSERT_NE(to->m_wFlag & MSGFLAG_TIE_END, 0);
    SelectRect(Around(HitOf(n)));
    DeleteAndUndo(0);
    EXPECT_EQ(Count(*Live(0, 1), MSG_NOTE), 0);
    EXPECT_EQ(Live(0, 2)->GetMsg(0)->m_wFlag & MSGFLAG_TIE_END, 0);
    Doc().MultiUndoStart();
    EXPECT_NE(Live(0, 2)->GetMsg(0)->m_wFlag & MSGFLAG_TIE_END, 0);
    EXPECT_EQ(Count(*Live(0, 1), MSG_NOTE), 1);
}

TEST_F(SelDeleteTest, SlurBecomingATieIntoTheNextMeasureUndoesThere)
{
    // The slur leaps over the selected note; once that goes, its ends hold
    // the same pitch with nothing between and it becomes a tie, which marks
    // the note in the next measure.
    CKVMeas* m = Meas(0, 1);
    CKVMsg* a = kvtest::EnterNote(m, {.start = 960, .y = -12});
    CKVMsg* between = kvtest::EnterNote(m, {.start = 1440, .y = -8});
    CKVMsg* c = kvtest::EnterNote(Meas(0, 2), {.start = 0, .y = -12});
    ASSERT_TRUE(a && between && c);
    ASSERT_EQ(Doc().BindNoteBySlur(a, c, 10, 4, 14, 0), 1);
    ASSERT_EQ(c->m_wFlag & MSGFLAG_TIE_END, 0);
    SelectRect(Around(HitOf(between)));
    DeleteAndUndo(0);
    EXPECT_NE(Live(0, 2)->GetMsg(0)->m_wFlag & MSGFLAG_TIE_END, 0);
    Doc().MultiUndoStart();
    EXPECT_EQ(Live(0, 2)->GetMsg(0)->m_wFlag & MSGFLAG_TIE_END, 0);
}
