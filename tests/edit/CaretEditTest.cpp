// The carets: where a beat stands in a measure, the play caret that follows
// playback, deleting at the entry caret, inserting a prepared symbol, and
// the page size the host sizes its view by.

#include "document/KVFileInfo.h"
#include "model/KVBlock.h"
#include "model/KVPage.h"
#include "support/SelectionSupport.h"
#include "support/UndoSupport.h"

#include <gtest/gtest.h>

namespace {

using kvtest::CanonicalDump;
using kvtest::ExpectRoundTrip;

class CaretEditTest : public kvtest::SelectionTest {
protected:
    CKVMsg* Timed(CKVMsg* msg, short start)
    {
        msg->m_nStartTime = start;
        return msg;
    }

    // Three beamed eighths of voice 1 at x 0, 32 and 64 in measure 0 of
    // staff 0, the cursor on that measure and the paste x at `pasteX`.
    CKVMsg* Beamed(std::initializer_list<short> xs, short pasteX, BYTE lastKind = MSG_NOTE)
    {
        CKVMsg* group = score->Beam(Meas(0, 0), {.x = 0, .code = DUR_EIGHTH});
        size_t i = 0;
        for (short x : xs) {
            const bool last = ++i == xs.size();
            if (last && lastKind == MSG_REST)
                score->Rest(group, {.x = x, .code = DUR_EIGHTH});
            else
                score->Note(group, {.x = x, .y = -8, .code = DUR_EIGHTH});
        }
        score->Settle();
        Doc().JumpToMeas(1);
        Doc().m_nCaretPos = pasteX;
        return group;
    }

    CKVMeas* LiveMeas(int staff, int meas) { return Doc().GetMeasure(meas, staff, 0); }
};

TEST_F(CaretEditTest, BeatFindsTheOnsetOrWhatSoundsAcrossIt)
{
    CKVMeas* m = Meas(0, 0);
    Timed(score->Note(m, {.x = 0, .y = -8}), 0);
    CKVMsg* half = Timed(score->Note(m, {.x = 64, .y = -8, .code = DUR_HALF}), 240);
    Timed(score->Note(m, {.x = 192, .y = -8}), 720);
    ASSERT_EQ(half->m_nPlayTime, 480);
    ASSERT_EQ(m->m_nLength, 960);
    const short expected[] = {0, 64, 64, 192};
    for (int beat = 0; beat < 4; ++beat)
        EXPECT_EQ(Doc().GetBeatCaretPos(beat, 4, 0), expected[beat]) << "beat " << beat;
    // An empty measure divides it evenly; no beats to divide by gives 0.
    EXPECT_EQ(Doc().GetBeatCaretPos(3, 4, 1), 192);
    EXPECT_EQ(Doc().GetBeatCaretPos(3, 0, 1), 0);
    // A measure without length is skipped rather than divided by.
    Meas(0, 1)->m_nLength = 0;
    Timed(score->Note(Meas(0, 1), {.x = 100, .y = -8}), 0);
    EXPECT_EQ(Doc().GetBeatCaretPos(0, 4, 1), 0);
    // The leftmost onset over the staves wins, a group by its member.
    CKVMsg* group = score->Beam(Meas(1, 2), {.x = 40, .code = DUR_EIGHTH});
    Timed(score->Note(group, {.x = 40, .code = DUR_EIGHTH}), 0);
    Timed(score->Note(group, {.x = 60, .code = DUR_EIGHTH}), 120);
    Timed(score->Note(Meas(0, 2), {.x = 70}), 240);
    EXPECT_EQ(Doc().GetBeatCaretPos(0, 4, 2), 40);
    EXPECT_EQ(Doc().GetBeatCaretPos(1, 4, 2), 70);
}

TEST_F(CaretEditTest, PlayCaretJumpsOnlyWhenTheMeasureChanges)
{
    CPoint pt(-1, -1);
    const int height = Doc().GetPlayCaretPos(2, 4, 1, pt);
    EXPECT_EQ(Doc().m_nCaretMeasNum, 3);
    EXPECT_EQ(Doc().m_nCaretPos, 64);
    EXPECT_EQ(Doc().m_nPlayCaretMeasNum, 3);
    EXPECT_EQ(CPoint(Doc().m_ptCaret), pt);
    EXPECT_EQ(Doc().m_pCurBlock, Block(0));
    EXPECT_EQ(Doc().m_nCurStaff, 1);
    EXPECT_GT(height, 0);

    // The host moved the cursor; the same measure does not take it back.
    Doc().m_nCurBlock = 1;
    Doc().m_pCurBlock = Block(1);
    CKVStaff* first = score->Staff(0);
    first->m_wObjWord = 150;
    const int taller = Doc().GetPlayCaretPos(2, 4, 2, pt);
    EXPECT_EQ(Doc().m_pCurBlock, Block(1));
    EXPECT_EQ(Doc().m_nCaretPos, 128);
    EXPECT_EQ(taller - height, MulDiv(4 * Doc().m_nStaffSpace, 50, 100));

    Doc().m_pCurBlock = nullptr;
    EXPECT_EQ(Doc().GetPlayCaretPos(2, 4, 3, pt), 0);
}

TEST_F(CaretEditTest, DeletingAMiddleMemberKeepsTheGroupAndRedrawsTheMeasure)
{
    Beamed({0, 32, 64}, 30);
    ExpectRoundTrip(Doc(), [&] { EXPECT_EQ(Doc().DeleteMsgOnCaret(1, 0, 0, 0), 1); });
    CKVMeas* live = LiveMeas(0, 0);
    ASSERT_EQ(live->GetMsgNum(), 1);
    CKVMsg* group = live->GetMsg(0);
    ASSERT_EQ(group->m_byKind, MSG_BEAM);
    EXPECT_EQ(group->GetMsgNum(), 2);
    EXPECT_EQ(Doc().m_bModified, 1);

    const int s = Doc().m_nStaffSpace;
    CRect expected = live->GetRealMeasRect(0);
    expected.OffsetRect(Block(0)->m_rcBlock.left + Page(0)->m_rcPrint.left,
                        Block(0)->m_rcBlock.top + Page(0)->m_rcPrint.top);
    expected.InflateRect(2 * s, 4);
    RECT redraw {};
    Doc().GetInvalidateRect(&redraw);
    EXPECT_EQ(CRect(redraw), expected);
}

TEST_F(CaretEditTest, GroupsLeftTooSmallAreTakenApart)
{
    // Two members, one deleted: a single note remains.
    Beamed({0, 32}, 30);
    EXPECT_EQ(Doc().DeleteMsgOnCaret(1, 0, 0, 0), 1);
    CKVMeas* live = LiveMeas(0, 0);
    ASSERT_EQ(live->GetMsgNum(), 1);
    EXPECT_EQ(live->GetMsg(0)->m_byKind, MSG_NOTE);
    EXPECT_EQ(live->GetMsg(0)->m_wFlag & MSGFLAG_BEAM_MEMBER, 0);
}

TEST_F(CaretEditTest, ARestLeftAtTheGroupsEndStandsAlone)
{
    Beamed({0, 32, 64, 96}, 64, MSG_REST);
    EXPECT_EQ(Doc().DeleteMsgOnCaret(1, 0, 0, 0), 1);
    CKVMeas* live = LiveMeas(0, 0);
    ASSERT_EQ(live->GetMsgNum(), 2);
    EXPECT_EQ(live->GetMsg(0)->m_byKind, MSG_BEAM);
    EXPECT_EQ(live->GetMsg(0)->GetMsgNum(), 2);
    EXPECT_EQ(live->GetMsg(1)->m_byKind, MSG_REST);
}

TEST_F(CaretEditTest, NothingAtTheCaretOrShortMemoryChangesNothing)
{
    Beamed({0, 32, 64}, 100);
    const std::string before = CanonicalDump(Doc());
    EXPECT_EQ(Doc().DeleteMsgOnCaret(1, 0, 0, 0), 0);
    Doc().m_nCaretPos = 30;
    EXPECT_EQ(Doc().DeleteMsgOnCaret(0, 0, 0, 0), 0);
    EXPECT_EQ(Doc().DeleteMsgOnCaret(2, 0, 0, 0), 0);
    host.freeBytes = 999999;
    host.ScriptAnswer(IDNO);
    EXPECT_EQ(Doc().DeleteMsgOnCaret(1, 0, 0, 0), -1);
    EXPECT_EQ(CanonicalDump(Doc()), before);
    Doc().m_pCurMeas = nullptr;
    EXPECT_EQ(Doc().DeleteMsgOnCaret(1, 0, 0, 0), 0);
}

TEST_F(CaretEditTest, DeletingATiedNoteUndoesTheFarEndToo)
{
    CKVMsg* left = score->Note(Meas(0, 0), {.x = 200, .y = -8});
    CKVMsg* right = score->Note(Meas(0, 1), {.x = 0, .y = -8});
    score->Tie(left, right);
    score->Settle();
    Doc().JumpToMeas(1);
    Doc().m_nCaretPos = 200;
    ExpectRoundTrip(Doc(), [&] { EXPECT_EQ(Doc().DeleteMsgOnCaret(1, 0, 0, 0), 1); });
    CKVMsg* kept = LiveMeas(0, 1)->GetMsg(0);
    EXPECT_EQ(kept->m_wFlag & (MSGFLAG_TIE_START | MSGFLAG_TIE_END), 0);
}

TEST_F(CaretEditTest, InsertedCopiesAreOwnedUnderANewId)
{
    CKVMsg model;
    model.m_byKind = MSG_NOTE;
    model.m_byVoice = 1;
    model.m_nPosX = 64;
    model.m_dwMsgId = 12345;
    EXPECT_EQ(Doc().InsertNewMsg(5, 0, &model), nullptr);
    EXPECT_EQ(Doc().InsertNewMsg(0, 9, &model), nullptr);
    EXPECT_EQ(Doc().InsertNewMsg(0, 0, nullptr), nullptr);
    CKVMsg* rest = score->Symbol(Meas(1, 3), MSG_MULTIREST, 0);
    rest->m_wObjWord = 4;
    EXPECT_EQ(Doc().InsertNewMsg(1, 3, &model), nullptr);

    CKVMsg* made = Doc().InsertNewMsg(1, 2, &model);
    ASSERT_NE(made, nullptr);
    EXPECT_NE(made, &model);
    EXPECT_NE(made->m_dwMsgId, 0u);
    EXPECT_NE(made->m_dwMsgId, 12345u);
    EXPECT_EQ(made->m_pParent, Meas(1, 2));
    EXPECT_EQ(made->m_nPosX, 64);
    const short at = Meas(1, 2)->GetMsgIndex(made);
    ASSERT_GE(at, 0);
    EXPECT_EQ(Meas(1, 2)->m_arrMsgRef.GetAt(at)->byOwner, 1);
    EXPECT_EQ(score->System()->GetMsgFromMap(made->m_dwMsgId), made);
}

TEST_F(CaretEditTest, ScreenSizeIsThePrintableAreaWithItsMargins)
{
    CKVFileInfo& info = *Doc().m_pFileInfo;
    info.m_lPrintWidth = 700;
    info.m_lPrintHeight = 1000;
    info.m_nLeftMargin = 20;
    info.m_nTopMargin = 30;
    info.m_nRightMargin = 40;
    info.m_nBottomMargin = 50;
    const CSize size = Doc().GetScreenSize();
    EXPECT_EQ(size.cx, 760);
    EXPECT_EQ(size.cy, 1080);
}

} // namespace
