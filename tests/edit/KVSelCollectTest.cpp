// The selection collection: which symbols the records cover and in which
// order their ids are listed, the right edge of rectangles, stale symbols
// kept by undo, and the first selected note, rest or group of a voice.

#include "support/SelectionSupport.h"

#include <gtest/gtest.h>

namespace {

using kvtest::NoteShape;

class SelCollectTest : public kvtest::SelectionTest {};

TEST_F(SelCollectTest, NothingSelectedCollectsNothing)
{
    EXPECT_EQ(Doc().GetSelMsgCount(), -1);
    EXPECT_TRUE(Collected().empty());
    EXPECT_EQ(Doc().GetSelMsgCount(0), 0);
    EXPECT_EQ(Doc().GetSelNote(0, 0), nullptr);
}

TEST_F(SelCollectTest, GroupAndChordIdsPrecedeTheirFirstHitMember)
{
    CKVMeas* m = Meas(0, 1);
    CKVMsg* group = score->Beam(m, {.x = 64, .code = DUR_EIGHTH});
    CKVMsg* c1 = score->Chord(group, {.x = 64, .code = DUR_EIGHTH}, {0, -12});
    CKVMsg* c2 = score->Chord(group, {.x = 96, .code = DUR_EIGHTH}, {-6, -18});
    CKVMsg* n1 = c1->GetMsg(1);
    CKVMsg* n2 = c2->GetMsg(0);
    SelectRect(Around(HitOf(n1)));
    SelectRect(Around(HitOf(n2)));

    ASSERT_EQ(Doc().GetSelMsgCount(), 6);
    // Each record walks on its own: group, chord, note for each.
    EXPECT_EQ(Collected(), (std::vector<DWORD> {group->m_dwMsgId, c1->m_dwMsgId, n1->m_dwMsgId, group->m_dwMsgId,
                                                 c2->m_dwMsgId, n2->m_dwMsgId}));

    // One record over both notes lists the group once.
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    const POINT a = HitOf(n1);
    const POINT b = HitOf(n2);
    RECT both {a.x - 2, std::min(a.y, b.y) - 2, b.x + 3, std::min(a.y, b.y) + 2};
    // Keep only the upper note of each chord inside.
    both.bottom = std::max(a.y, b.y) + 1;
    SelectRect(both);
    EXPECT_FALSE(n1->m_wFlag & MSGFLAG_CHORD_MEMBER);
    const int all = Doc().GetSelMsgCount();
    ASSERT_GE(all, 5);
    const std::vector<DWORD> ids = Collected();
    EXPECT_EQ(ids.front(), group->m_dwMsgId);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), group->m_dwMsgId), 1);

    // The one-record form marks the chord notes it takes.
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    SelectRect(Around(HitOf(n1)));
    SelectRect(Around(HitOf(n2)));
    EXPECT_EQ(Doc().GetSelMsgCount(1), 3);
    EXPECT_EQ(Collected(), (std::vector<DWORD> {group->m_dwMsgId, c2->m_dwMsgId, n2->m_dwMsgId}));
    EXPECT_TRUE(n2->m_wFlag & MSGFLAG_CHORD_MEMBER);
    EXPECT_FALSE(n1->m_wFlag & MSGFLAG_CHORD_MEMBER);
    EXPECT_EQ(Doc().GetSelMsgCount(2), 0);
    EXPECT_EQ(Doc().GetSelMsgCount(-1), 0);
}

// One rectangle over one note of each chord of a group: the group, then
// each chord before its note, and the one-record form marks just those
// notes as taken from a chord.
TEST_F(SelCollectTest, OneRectangleOverTwoChordsOfAGroup)
{
    CKVMeas* m = Meas(0, 1);
    CKVMsg* group = score->Beam(m, {.x = 64, .code = DUR_EIGHTH});
    CKVMsg* c1 = score->Chord(group, {.x = 64, .code = DUR_EIGHTH}, {0, -24});
    CKVMsg* c2 = score->Chord(group, {.x = 96, .code = DUR_EIGHTH}, {0, -24});
    CKVMsg* n1 = c1->GetMsg(0);
    CKVMsg* n2 = c2->GetMsg(0);
    const POINT a = HitOf(n1);
    const POINT b = HitOf(n2);
    ASSERT_EQ(a.y, b.y);
    SelectRect(RECT {a.x - 2, a.y - 2, b.x + 3, b.y + 3});

    ASSERT_EQ(Doc().GetSelMsgCount(), 5);
    EXPECT_EQ(Collected(), (std::vector<DWORD> {group->m_dwMsgId, c1->m_dwMsgId, n1->m_dwMsgId, c2->m_dwMsgId,
                                                 n2->m_dwMsgId}));
    EXPECT_EQ(Doc().GetSelMsgCount(0), 5);
    for (CKVMsg* note : {n1, n2})
        EXPECT_TRUE(note->m_wFlag & MSGFLAG_CHORD_MEMBER);
    for (CKVMsg* note : {c1->GetMsg(1), c2->GetMsg(1)})
        EXPECT_FALSE(note->m_wFlag & MSGFLAG_CHORD_MEMBER);
}

TEST_F(SelCollectTest, RightEdgeCountsOnlyForAllRecordsInNormalBlocks)
{
    CKVMsg* note = score->Note(Meas(0, 0), {.x = 64, .y = -12});
    SelectRect(EndingAt(HitOf(note)));
    EXPECT_EQ(Doc().GetSelMsgCount(), 1);
    EXPECT_EQ(Doc().GetSelNote(0, 0), note);
    EXPECT_EQ(Doc().GetSelMsgCount(0), -1);

    // The same rectangle over a note of an ossia block takes nothing.
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    CKVBlock* ossia = AddOssiaBlock(2);
    CKVMsg* above = score->Note(ossia->GetStaff(0)->GetMeas(0), {.x = 64, .y = -12});
    SelectRect(EndingAt(HitOf(above)));
    EXPECT_EQ(Doc().GetSelMsgCount(), -1);
    // Inside the rectangle it is taken.
    SelectRect(Around(HitOf(above)));
    EXPECT_EQ(Doc().GetSelMsgCount(), 1);
    EXPECT_EQ(Doc().GetSelNote(0, 0), above);
}

TEST_F(SelCollectTest, OtherSymbolsNeedAHandleAndTheAllRecordsForm)
{
    CKVMeas* m = Meas(1, 0);
    CKVMsg* text = score->Symbol(m, MSG_FREETEXT, 100, -20);
    CKVMsg* dynamic = score->Symbol(m, MSG_DYNAMIC, 100, -20);
    for (int i = 0; i < text->m_arrCtrlPoint.GetSize(); ++i)
        delete text->m_arrCtrlPoint.GetAt(i);
    text->m_arrCtrlPoint.RemoveAll();
    SelectMeas(1, 0);
    ASSERT_EQ(Doc().GetSelMsgCount(), 1);
    EXPECT_EQ(Doc().GetSelNote(0, 0), dynamic);
    EXPECT_EQ(Doc().GetSelMsgCount(0), -1);
}

TEST_F(SelCollectTest, EveryPageListsTheMapAndSkipsUndoCopies)
{
    CKVMsg* note = score->Note(Meas(0, 0), {.x = 64, .y = -12});
    CKVSystem* master = score->System();
    master->m_arrMsgMap.SetSize(10);
    Doc().m_bSelectAllPages = 1;
    ASSERT_EQ(Doc().GetSelMsgCount(), 10);
    EXPECT_EQ(Doc().GetSelNote(0, 0), nullptr);
    EXPECT_EQ(Doc().GetSelNote(static_cast<int>(note->m_dwMsgId), 0), note);
    EXPECT_EQ(Doc().GetSelNote(10, 0), nullptr);
    EXPECT_EQ(Doc().GetSelNote(1, 1), nullptr);

    Doc().ResetBackup();
    ASSERT_TRUE(Meas(0, 0)->ObjectBackup(kBackupRecorded, kBackupAlone));
    CKVMsg* live = Meas(0, 0)->GetCurBackupObj()->GetNewPtr2(note);
    ASSERT_NE(live, note);
    const int count = Doc().GetSelMsgCount();
    std::vector<CKVMsg*> found;
    for (int i = 0; i < count; ++i) {
        if (CKVMsg* msg = Doc().GetSelNote(i, 0))
            found.push_back(msg);
    }
    EXPECT_EQ(std::count(found.begin(), found.end(), note), 0);
    EXPECT_EQ(std::count(found.begin(), found.end(), live), 1);
}

TEST_F(SelCollectTest, FindersTakeTheFirstOfTheirKindAndVoice)
{
    CKVMsg* rest = score->Rest(Meas(0, 0), {.x = 0, .voice = 1});
    CKVMsg* group = score->Beam(Meas(0, 0), {.x = 128, .code = DUR_EIGHTH, .voice = 2});
    CKVMsg* note = score->Note(group, {.x = 128, .y = -12, .code = DUR_EIGHTH, .voice = 2});
    score->Note(group, {.x = 160, .y = -12, .code = DUR_EIGHTH, .voice = 2});
    SelectMeas(0, 0);

    CKVMsg* found = nullptr;
    EXPECT_EQ(Doc().IsRestOnSel(0, 2, &found), 0);
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(Doc().IsRestOnSel(0, 1, &found), 1);
    EXPECT_EQ(found, rest);
    EXPECT_EQ(Doc().IsRestOnSel(0, 0, &found), 1);
    EXPECT_EQ(Doc().IsNoteOnSel(0, 2, &found), 1);
    EXPECT_EQ(found, note);
    EXPECT_EQ(Doc().IsNoteOnSel(0, 1, &found), 0);
    EXPECT_EQ(Doc().IsBeamOnSel(0, 0, &found), 1);
    EXPECT_EQ(found, group);
    found = nullptr;
    EXPECT_EQ(Doc().IsBeamOnSel(1, 0, &found), 0);
    EXPECT_EQ(Doc().IsBeamOnSel(-1, 0, &found), 0);
    EXPECT_EQ(found, nullptr);
}

TEST_F(SelCollectTest, MeasureAndStaffLookups)
{
    EXPECT_EQ(Doc().GetMeasure(8, 1, 0), Meas(1, 8));
    EXPECT_EQ(Doc().GetMeasure(9, 1, 0), nullptr);
    EXPECT_EQ(Doc().GetMeasure(-1, 0, 0), nullptr);
    EXPECT_EQ(Doc().GetMeasure(0, 2, 0), nullptr);
    EXPECT_EQ(Doc().GetMeasure(0, -1, 0), nullptr);
    EXPECT_EQ(Doc().GetMeasure(0, 0, 1), nullptr);
    EXPECT_EQ(Doc().GetMeasure(0, 0, -1), nullptr);
}

} // namespace
