// Single steps that the random integrity runs found leaving the score less
// than whole: undo and redo leaving the cursor and the selection records on
// what went into the history, a page without blocks keeping the cursor on
// another page's block, commands that move a staff or measure under the
// cursor without its index following, commands that put symbols into a
// voice without timing it again.

#include "document/SelRect.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "support/NoteEntry.h"
#include "support/ScoreIntegrity.h"
#include "support/StructureSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

class WholeScoreAfterStepTest : public kvtest::StructureTest {
protected:
    void ExpectWhole(const char* when)
    {
        const std::vector<std::string> problems = kvtest::IntegrityProblems(Doc());
        EXPECT_TRUE(problems.empty()) << when << kvtest::Joined(problems);
    }
};

TEST_F(WholeScoreAfterStepTest, UndoAndRedoLeaveTheCursorAndRecordsOnWhatTheScoreHolds)
{
    Make(2, 9, true);
    // A staff inserted, then the cursor and a record put on it.
    Doc().ResetBackup();
    ASSERT_EQ(Doc().InsertStaves(1, 1, 0, 1, CKVSystem::MODE_NORMAL, 5, 100), 1);
    Doc().JumpToMeas(2);
    Doc().m_nCurStaff = 2;
    Doc().m_pCurStaff = Block(0, 0)->GetStaff(2);
    Doc().m_pCurMeas = Doc().m_pCurStaff->GetMeas(1);
    Doc().m_nCurMeas = 1;
    RECT none {0, 0, 0, 0};
    Doc().AddSelRect(SelRect::kMeas, &none, Doc().m_pCurStaff->GetMeas(1), nullptr, Block(0, 0));
    ASSERT_EQ(Doc().m_pSelRectArray->GetSize(), 1);
    ExpectWhole("before undo");

    Doc().MultiUndoStart();
    ExpectWhole("after undo");
    EXPECT_EQ(Doc().m_pSelRectArray->GetSize(), 0);
    Doc().MultiRedoStart();
    ExpectWhole("after redo");
}

TEST_F(WholeScoreAfterStepTest, AJumpToAPageWithoutBlocksLeavesTheCursorOnNoBlock)
{
    Make(2, 9, true);
    Doc().JumpToMeas(4);
    ASSERT_NE(Doc().m_pCurBlock, nullptr);
    // An empty page before the first.
    Doc().ResetBackup();
    Doc().ObjectBackup(1);
    ASSERT_EQ(Doc().InsertPage(0, 1, 2), 1);
    ASSERT_EQ(Page(0)->GetBlockNum(), 0);
    Doc().JumpToPage(0);
    kvtest::ExpectNoCursor(Doc());
    ExpectWhole("on the empty page");
}

TEST_F(WholeScoreAfterStepTest, MovingAStaffKeepsTheCursorOnItsStaffAtItsNewIndex)
{
    Make(3, 9, true);
    Doc().JumpToMeas(2);
    Doc().m_nCurStaff = 1;
    Doc().m_pCurStaff = Block(0, 0)->GetStaff(1);
    Doc().m_pCurMeas = Doc().m_pCurStaff->GetMeas(1);
    CKVStaff* staff = Doc().m_pCurStaff;
    ASSERT_EQ(Doc().MoveStaff(1, 0, 0), 1);
    EXPECT_EQ(Doc().m_pCurStaff, staff);
    EXPECT_EQ(Doc().m_nCurStaff, 0);
    ExpectWhole("after the move");
}

TEST_F(WholeScoreAfterStepTest, OssiaCommandsKeepTheCursorIndexesOnItsBlockStaffAndMeasure)
{
    Make(2, 9, true);
    Doc().ResetBackup();
    ASSERT_EQ(Doc().InsertOssia(POINT {50, 60}, 0, 0, 2, 3, 15, 0, 100), 1);
    ASSERT_EQ(Doc().InsertOssia(POINT {50, 160}, 0, 1, 4, 5, 15, 0, 100), 1);
    // The cursor is on the second ossia block.
    EXPECT_EQ(Doc().m_nCurBlock, 1);
    ExpectWhole("after the second ossia");

    Doc().ResetBackup();
    Doc().ObjectBackup(1);
    ASSERT_EQ(Doc().InsertOssiaStaves(0, 1, 0, 0, CKVSystem::MODE_NORMAL, 5, 100), 1);
    ExpectWhole("after an ossia staff before the cursor's");
    Doc().ResetBackup();
    Doc().ObjectBackup(1);
    ASSERT_EQ(Doc().InsertMeasuresInOssia(0, 1, 0), 1);
    ExpectWhole("after an ossia measure before the cursor's");
}

TEST_F(WholeScoreAfterStepTest, AJumpToAPageWhoseBlockHidingEmptiedLeavesTheCursorOnNoBlock)
{
    Make(2, 9, true);
    Doc().ResetBackup();
    Doc().ObjectBackup(1);
    unsigned char flags[2] = {1, 1};
    Doc().StaffHide(0, 1, flags);
    ASSERT_EQ(Block(0, 0)->GetStaffNum(), 0);
    Doc().JumpToPage(0);
    EXPECT_EQ(Doc().m_pCurBlock, nullptr);
    EXPECT_EQ(Doc().m_nCurStaff, -1);
    ExpectWhole("after the jump");
}

TEST_F(WholeScoreAfterStepTest, APageInsertedWhileTheCursorIsOnAPageWithoutBlocksLeavesItOnNoBlock)
{
    Make(2, 9, true);
    Doc().ResetBackup();
    Doc().ObjectBackup(1);
    ASSERT_EQ(Doc().InsertPage(0, 1, 2), 1);
    Doc().JumpToPage(0);
    Doc().ResetBackup();
    Doc().ObjectBackup(1);
    ASSERT_EQ(Doc().InsertPage(1, 1, 1), 1);
    ASSERT_EQ(Doc().m_nCurPage, 0);
    EXPECT_EQ(Doc().m_pCurBlock, nullptr);
    EXPECT_EQ(Doc().m_nCurBlock, -1);
    ExpectWhole("after the insertion");
}

TEST_F(WholeScoreAfterStepTest, AJumpToAMeasureTheScoreLacksOnABlockHidingEmptiedLeavesTheCursorOnNoBlock)
{
    Make(2, 9, true);
    Doc().ResetBackup();
    Doc().ObjectBackup(1);
    unsigned char hideAll[2] = {1, 1};
    Doc().StaffHide(0, 1, hideAll);
    ASSERT_EQ(Block(0, 0)->GetStaffNum(), 0);
    // Measure numbers outside the score keep the cursor on the page's
    // blocks, as an insertion before the first measure asks.
    Doc().m_nCurStaff = 0;
    EXPECT_EQ(Doc().JumpToMeas(0), -1);
    EXPECT_EQ(Doc().m_pCurStaff, nullptr);
    EXPECT_EQ(Doc().m_nCurStaff, -1);
    ExpectWhole("after the jump");
}

// A note deleted at the caret stays in the id map for undo, naming as its
// parent the live measure it left. With every page selected it is not one
// of the score's symbols (and one whose measure went with a dropped undo
// step must not even be looked at).
TEST_F(WholeScoreAfterStepTest, EveryPageSelectedListsOnlyTheSymbolsTheScoreHolds)
{
    Make(2, 9, true);
    Doc().JumpToPage(0);
    CKVMeas* m = score->Meas(0, 0);
    for (short start : {0, 240, 480})
        kvtest::EnterNote(m, {.start = start, .y = 0, .code = DUR_QUARTER});
    Doc().m_pCurMeas = m;
    Doc().m_nCaretPos = static_cast<short>(m->GetMsg(1)->m_nPosX);
    ASSERT_EQ(Doc().DeleteMsgOnCaret(1, 0, 0, 0), 1);

    Doc().SelectAllPages();
    const int count = Doc().GetSelMsgCount();
    int notes = 0;
    for (int i = 0; i < count; ++i) {
        if (CKVMsg* msg = Doc().GetSelNote(i, 0); msg && msg->m_byKind == MSG_NOTE)
            ++notes;
    }
    EXPECT_EQ(notes, 2);
}

// Notes moved into a voice that has notes of its own, and rests made of
// grace notes, take their places in the voice's time.
TEST_F(WholeScoreAfterStepTest, SymbolsThatJoinAVoiceLeaveItTimedInPositionOrder)
{
    struct Row {
        const char* what;
        std::function<void(CKVDoc&)> before;
        std::function<void(CKVDoc&)> command;
    };
    const Row rows[] = {
        {"voice 1 into voice 2 with every page selected", [](CKVDoc& doc) { doc.SelectAllPages(); },
         [](CKVDoc& doc) {
             doc.ResetBackup();
             doc.ChangeVoice(1, 2);
         }},
        {"grace notes into rests",
         [](CKVDoc& doc) {
             doc.ResetBackup();
             doc.ChangeToGrace(1);
         },
         [](CKVDoc& doc) {
             doc.ResetBackup();
             doc.ChangeSelNoteToRest(1);
         }},
        // A drop leaves its notes where the caret put them, not where their
        // times would; a note entered by time that joins one of them into a
        // chord must not place the chord by its time past the others. The
        // notes are unbeamed, as a drop between voices leaves them.
        {"a note entered by time into a chord with a note placed by hand",
         [&](CKVDoc&) {
             std::function<void(CKVObject&)> shift = [&](CKVObject& node) {
                 for (short i = 0; i < node.m_arrMsgRef.GetSize(); ++i) {
                     CKVMsg* msg = node.GetMsg(i);
                     if (!msg || msg == &node || msg->m_byVoice != 1)
                         continue;
                     msg->m_nPosX = static_cast<short>(msg->m_nPosX + 96);
                     msg->m_nPosX2 = static_cast<short>(msg->m_nPosX2 + 96);
                     shift(*msg);
                 }
             };
             CKVMeas* meas = score->Meas(0, 0);
             meas->DisAssembleBeam(1, 0, CKVMeas::SCALE, kKeepGraceBeams);
             shift(*meas);
         },
         [&](CKVDoc& doc) {
             doc.ResetBackup();
             CKVMeas* meas = score->Meas(0, 0);
             meas->ObjectBackup(kBackupRecorded, kBackupAlone);
             CKVMeas* live = doc.IsReqBackup() ? meas->GetCurBackupObj() : meas;
             // At 600 the caret stands on the last note, moved to 160.
             ASSERT_NE(kvtest::EnterNote(live, {.start = 600, .y = 0, .code = DUR_EIGHTH}), nullptr);
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Make(1, 3, true);
        CKVMeas* meas = score->Meas(0, 0);
        for (short start : {0, 240, 480})
            ASSERT_NE(kvtest::EnterNote(meas, {.start = start, .y = -8, .code = DUR_EIGHTH}), nullptr);
        ASSERT_NE(kvtest::EnterNote(meas, {.start = 0, .y = 8, .code = DUR_QUARTER, .voice = 2}), nullptr);
        ExpectWhole("before the command");
        RECT none {0, 0, 0, 0};
        Doc().AddSelRect(SelRect::kMeas, &none, meas, nullptr, Block(0, 0));
        row.before(Doc());
        const std::vector<std::string> problems = kvtest::CheckedStep(Doc(), [&] { row.command(Doc()); });
        EXPECT_TRUE(problems.empty()) << kvtest::Joined(problems);
    }
}

} // namespace
