// The undo history: recording, closing steps, the 32-step limit, redo loss,
// the cursor that undo and redo rotate through a step, and the lock.

#include "document/KVDoc.h"
#include "document/KVFileInfo.h"
#include "document/UndoEntry.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/MidiFileRead.h"
#include "support/CanonicalDump.h"
#include "support/KvTest.h"
#include "support/ScoreBuilder.h"
#include "support/UndoSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace {

using kvtest::KvTest;
using kvtest::ScoreBuilder;

class KVDocUndoTest : public kvtest::UndoTest {
protected:
    // Two staves of nine measures: three blocks of three on page 0.
    kvtest::ScoreShape Shape() override { return {.lineSpacing = 8, .staves = 2, .measures = 9}; }

    int ClosedSteps() { return Doc().m_listBackup.GetCount(); }
};

// --- Recording switch -----------------------------------------------------------

TEST_F(KVDocUndoTest, NewDocumentRecordsNothingUntilTheFirstDrawingPass)
{
    ScoreBuilder fresh(kvtest::ScoreShape {.staves = 1, .measures = 2});
    CKVDoc& doc = fresh.Doc();
    EXPECT_EQ(doc.IsReqBackup(), 0);
    CKVFileInfo* info = doc.m_pFileInfo;
    doc.ResetBackup();
    info->ObjectBackup(kBackupRecorded);
    EXPECT_EQ(doc.m_pFileInfo, info);
    EXPECT_EQ(info->m_pBackupLink, info);
    EXPECT_EQ(doc.m_arrBackup.GetSize(), 0);
    EXPECT_EQ(doc.IsMultiEnableUndo(), 0);

    kvtest::StartUndoRecording(doc);
    EXPECT_EQ(doc.IsReqBackup(), 1);
    doc.ResetBackup();
    doc.m_pFileInfo->ObjectBackup(kBackupRecorded);
    doc.m_pTitleMsg[0]->m_nPosX = 77;
    EXPECT_EQ(doc.IsMultiEnableUndo(), 1);
    doc.MultiUndoStart();
    EXPECT_EQ(doc.m_pTitleMsg[0]->m_nPosX, 0);
}

TEST_F(KVDocUndoTest, MeasureBackupWithRecordingOffLinksTheMeasureToItself)
{
    ScoreBuilder fresh(kvtest::ScoreShape {.staves = 1, .measures = 2});
    CKVMeas* meas = fresh.Meas(0, 0);
    fresh.Doc().ResetBackup();
    EXPECT_EQ(meas->ObjectBackup(kBackupRecorded, kBackupAlone), 0);
    EXPECT_EQ(meas->m_pBackupLink, static_cast<CKVMultiBackup*>(meas));
    EXPECT_EQ(fresh.Meas(0, 0), meas);
    fresh.Note(meas, {.x = 64});
    EXPECT_EQ(fresh.Doc().IsMultiEnableUndo(), 0);
}

TEST_F(KVDocUndoTest, MidiFileReadStopsRecordingAndReplay)
{
    TitleEdit(10);
    Doc().ResetBackup();

    SetMidiFileRead(1);
    EXPECT_EQ(Doc().IsReqBackup(), 0);
    CKVFileInfo* info = Doc().m_pFileInfo;
    EXPECT_EQ(Doc().AddBackup(UndoEntry::kFileInfo, info), 0);
    EXPECT_EQ(Doc().AddObj2BackupArray(UndoEntry::kPageInsDel, Doc().GetPage(0), 1), 0);
    EXPECT_EQ(Doc().m_arrBackup.GetSize(), 0);
    EXPECT_EQ(Doc().IsMultiEnableUndo(), 0);
    Doc().MultiUndoStart();
    EXPECT_EQ(TitleX(), 10);
    EXPECT_EQ(Doc().m_pFileInfo, info);

    SetMidiFileRead(0);
    Doc().MultiUndoStart();
    EXPECT_EQ(TitleX(), 0);
}

// --- Limits ---------------------------------------------------------------------

TEST_F(KVDocUndoTest, HistoryKeepsThirtyTwoSteps)
{
    for (short i = 1; i <= 33; ++i)
        TitleEdit(i);
    for (int i = 0; i < 32; ++i) {
        ASSERT_EQ(Doc().IsMultiEnableUndo(), 1) << "undo " << i;
        Doc().MultiUndoStart();
    }
    EXPECT_EQ(ClosedSteps(), 32);
    EXPECT_EQ(TitleX(), 1);
    EXPECT_EQ(Doc().IsMultiEnableUndo(), 0);
    const std::string before = kvtest::CanonicalDump(Doc());
    Doc().MultiUndoStart();
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), before);
    EXPECT_EQ(TitleX(), 1);
    // And all of it comes back.
    for (int i = 0; i < 32; ++i)
        Doc().MultiRedoStart();
    EXPECT_EQ(TitleX(), 33);
    EXPECT_EQ(Doc().IsMultiEnableRedo(), 0);
}

TEST_F(KVDocUndoTest, ACommandThatRecordsNothingKeepsAFullHistory)
{
    for (short i = 1; i <= 32; ++i)
        TitleEdit(i);
    Doc().ResetBackup();
    ASSERT_EQ(ClosedSteps(), 32);
    // Commands that backed nothing up.
    Doc().ResetBackup();
    Doc().ResetBackup();
    EXPECT_EQ(ClosedSteps(), 32);
    for (int i = 0; i < 32; ++i) {
        ASSERT_EQ(Doc().IsMultiEnableUndo(), 1) << "undo " << i;
        Doc().MultiUndoStart();
    }
    EXPECT_EQ(Doc().IsMultiEnableUndo(), 0);
}

TEST_F(KVDocUndoTest, StepsCloseOnlyWhenSomethingWasRecorded)
{
    TitleEdit(1);
    TitleEdit(2);
    // A command that backed nothing up.
    Doc().ResetBackup();
    Doc().m_pTitleMsg[1]->m_nPosX = 5;
    Doc().ResetBackup();
    EXPECT_EQ(ClosedSteps(), 2);
    Doc().MultiUndoStart();
    EXPECT_EQ(TitleX(), 1);
}

TEST_F(KVDocUndoTest, AnOpenStepCanBeUndoneAtOnce)
{
    TitleEdit(4);
    EXPECT_EQ(ClosedSteps(), 0);
    EXPECT_EQ(Doc().m_bBackupOpen, 1);
    EXPECT_EQ(Doc().IsMultiEnableUndo(), 1);
    EXPECT_EQ(Doc().IsMultiEnableRedo(), 0);

    Doc().MultiUndoStart();
    EXPECT_EQ(TitleX(), 0);
    EXPECT_EQ(ClosedSteps(), 1);
    EXPECT_EQ(Doc().m_nUndoneCount, 1);
    EXPECT_EQ(Doc().m_bBackupOpen, 0);
    EXPECT_EQ(Doc().IsMultiEnableRedo(), 1);
    Doc().MultiRedoStart();
    EXPECT_EQ(TitleX(), 4);
}

// --- Redo -----------------------------------------------------------------------

TEST_F(KVDocUndoTest, NewEditAfterUndoDropsTheRedoStep)
{
    const short pages = Doc().GetPageNum();
    PageEdit();
    EXPECT_EQ(Doc().GetPageNum(), pages + 1);
    Doc().MultiUndoStart();
    EXPECT_EQ(Doc().GetPageNum(), pages);
    CKVBackupPtrArray* list = Doc().m_pPageArray;

    TitleEdit(3);
    EXPECT_EQ(Doc().IsMultiEnableRedo(), 0);
    EXPECT_EQ(Doc().m_nUndoneCount, 0);
    // The page list copy and the appended page went with the step; the list
    // in use no longer names a partner.
    EXPECT_EQ(list->m_pBackupLink, static_cast<CKVMultiBackup*>(list));
    Doc().MultiRedoStart();
    EXPECT_EQ(Doc().GetPageNum(), pages);
    Doc().MultiUndoStart();
    EXPECT_EQ(TitleX(), 0);
    EXPECT_EQ(Doc().GetPageNum(), pages);
}

// --- Cursor rotation ------------------------------------------------------------

TEST_F(KVDocUndoTest, UndoAndRedoRotateTheCursorThroughTheStep)
{
    CKVDoc& doc = Doc();
    ASSERT_EQ(doc.GetPage(0)->GetBlockNum(), 3);
    auto setCursor = [&](short page, short block, short staff, short meas) {
        doc.m_nCurPage = page;
        doc.m_nCurBlock = block;
        doc.m_nCurStaff = staff;
        doc.m_nCaretMeasNum = meas;
    };
    // Structural entries move only the cursor. Their measures are not in the
    // score; the step owns them.
    doc.ResetBackup();
    setCursor(0, 0, 0, 1);
    ASSERT_EQ(doc.AddObj2BackupArray(UndoEntry::kMeasInsDel, new CKVMeas, 0), 1);
    setCursor(0, 1, 1, 4);
    ASSERT_EQ(doc.AddObj2BackupArray(UndoEntry::kMeasInsDel, new CKVMeas, 0), 1);
    UndoEntry* a = doc.m_arrBackup.GetAt(0);
    UndoEntry* b = doc.m_arrBackup.GetAt(1);
    setCursor(0, 2, 0, 7);

    auto expectEntry = [](const UndoEntry* e, short page, short block, short staff, short meas) {
        EXPECT_EQ(e->nPage, page);
        EXPECT_EQ(e->nBlock, block);
        EXPECT_EQ(e->nStaff, staff);
        EXPECT_EQ(e->nMeas, meas);
    };

    doc.MultiUndoStart();
    EXPECT_EQ(doc.m_nCaretMeasNum, 1);
    EXPECT_EQ(doc.m_nCurStaff, 0);
    EXPECT_EQ(doc.m_nCurBlock, 0);
    EXPECT_EQ(doc.m_pCurBlock, doc.GetPage(0)->GetBlock(0));
    EXPECT_EQ(doc.m_pCurMeas, score->Meas(0, 0));
    expectEntry(a, 0, 1, 1, 4);
    expectEntry(b, 0, 2, 0, 7);

    doc.MultiRedoStart();
    EXPECT_EQ(doc.m_nCaretMeasNum, 7);
    EXPECT_EQ(doc.m_nCurStaff, 0);
    EXPECT_EQ(doc.m_nCurBlock, 2);
    EXPECT_EQ(doc.m_pCurMeas, score->Meas(0, 6));
    expectEntry(a, 0, 1, 0, 1);
    expectEntry(b, 0, 2, 1, 4);
}

// --- The lock -------------------------------------------------------------------

TEST_F(KVDocUndoTest, UndoAndRedoRunWhileTheCallerHoldsTheLock)
{
    TitleEdit(6);
    EnterCriticalSection(Doc().m_pCritSection);
    Doc().MultiUndoStart();
    EXPECT_EQ(TitleX(), 0);
    Doc().MultiRedoStart();
    EXPECT_EQ(TitleX(), 6);
    LeaveCriticalSection(Doc().m_pCritSection);
}

TEST_F(KVDocUndoTest, UndoWaitsForAnotherThreadThatHoldsTheLock)
{
    TitleEdit(6);
    Doc().ResetBackup();
    std::atomic<bool> held {false};
    std::atomic<bool> released {false};
    std::thread other([&] {
        EnterCriticalSection(Doc().m_pCritSection);
        held = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        released = true;
        LeaveCriticalSection(Doc().m_pCritSection);
    });
    while (!held)
        std::this_thread::yield();
    Doc().MultiUndoStart();
    EXPECT_TRUE(released.load());
    other.join();
    EXPECT_EQ(TitleX(), 0);
}

// --- Jumps ----------------------------------------------------------------------

TEST_F(KVDocUndoTest, JumpsKeepTheCursorInsideTheScore)
{
    CKVDoc& doc = Doc();
    EXPECT_EQ(doc.JumpToMeas(5), 1);
    EXPECT_EQ(doc.m_nCurBlock, 1);
    EXPECT_EQ(doc.m_nCurMeas, 1);
    EXPECT_EQ(doc.m_pCurMeas, score->Meas(0, 4));
    EXPECT_EQ(doc.JumpToMeas(0), -1);
    EXPECT_EQ(doc.JumpToMeas(10), -1);
    EXPECT_EQ(doc.m_nCaretMeasNum, 5);

    // A negative staff index left by a page jump is brought back to the
    // first staff when the caret point is computed.
    doc.m_nCurStaff = -1;
    doc.JumpToPage(7);
    EXPECT_EQ(doc.m_nCurPage, doc.GetPageNum() - 1);
    EXPECT_EQ(doc.m_nCurStaff, 0);
    EXPECT_EQ(doc.JumpToMeas(8), 1);
    EXPECT_EQ(doc.m_nCurStaff, 0);
    EXPECT_EQ(doc.m_pCurMeas, score->Meas(0, 7));

    // A staff index past the block's staves falls back to the first staff.
    doc.m_nCurStaff = 5;
    doc.JumpToPage(0);
    EXPECT_EQ(doc.m_nCurStaff, 0);
    EXPECT_EQ(doc.m_pCurMeas, score->Meas(0, 0));
}

TEST_F(KVDocUndoTest, JumpToPageWithoutPagesDoesNothing)
{
    CKVDoc empty;
    empty.m_nCurPage = 3;
    empty.JumpToPage(0);
    EXPECT_EQ(empty.m_nCurPage, 3);
    EXPECT_EQ(empty.m_pCurPage, nullptr);
    EXPECT_EQ(empty.GetCurrentPageNum(), -1);
    EXPECT_EQ(empty.JumpToMeas(1), -1);
}

} // namespace
