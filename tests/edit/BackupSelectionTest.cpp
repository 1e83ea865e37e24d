// Selection records across the whole-document backup that the host takes
// before every structure command, and across its undo and redo: the records
// name the blocks, staves and measures the score shows, not the ones that
// went into the undo step.

#include "model/KVMeas.h"
#include "model/KVStaff.h"
#include "support/SelectionSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class BackupSelectionTest : public kvtest::SelectionTest {
protected:
    kvtest::ScoreShape Shape() override { return {.staves = 3, .measures = 9, .pageGeometry = true}; }

    void SetUp() override
    {
        kvtest::SelectionTest::SetUp();
        for (int m = 0; m < 6; ++m) {
            score->Note(Meas(1, m), {.x = 0, .y = -8});
            score->Note(Meas(1, m), {.x = 128, .y = -4});
        }
        score->Settle();
    }

    void HostStep()
    {
        Doc().ResetBackup();
        Doc().ObjectBackup(1);
    }

    // Where the record's objects are not those of the live score, or "".
    std::string Fault(const SelRect& rec, int block)
    {
        if (rec.pPage && rec.pPage != Page(0))
            return "page";
        if (rec.pBlock && rec.pBlock != Block(block))
            return "block";
        if (rec.pStaff && rec.pStaff != score->Staff(1))
            return "staff";
        if (rec.pMeas && rec.pMeas != Meas(1, 4))
            return "measure";
        return "";
    }
};

TEST_F(BackupSelectionTest, ABlockStaffRecordFollowsTheBackupUndoAndRedo)
{
    SelectBlockStaff(1, 0);
    const int count = Doc().GetSelMsgCount();
    ASSERT_GT(count, 0);

    HostStep();
    ASSERT_EQ(Records(), 1);
    EXPECT_EQ(Fault(*Record(0), 0), "");
    EXPECT_EQ(Doc().GetSelMsgCount(), count);
    // The command the host backed up for finds the staff the record names.
    Doc().StaffHide(0, 0, nullptr);
    EXPECT_EQ(Block(0)->GetStaffNum(), 2);
    EXPECT_EQ(Block(0)->GetStaffIndex(score->Staff(1)), -1);

    Doc().MultiUndoStart();
    ASSERT_EQ(Records(), 1);
    EXPECT_EQ(Fault(*Record(0), 0), "") << "after undo";
    EXPECT_EQ(Block(0)->GetStaffNum(), 3);
    EXPECT_EQ(Doc().GetSelMsgCount(), count);
    Doc().MultiRedoStart();
    ASSERT_EQ(Records(), 1);
    EXPECT_EQ(Fault(*Record(0), 0), "") << "after redo";
}

TEST_F(BackupSelectionTest, AMeasureRecordFollowsTheBackupUndoAndRedo)
{
    SelectMeas(1, 4);
    HostStep();
    ASSERT_EQ(Records(), 1);
    EXPECT_EQ(Fault(*Record(0), 1), "");
    int first = -1;
    int last = -1;
    EXPECT_EQ(Doc().GetSelMeasNumRange(first, last), 0);
    EXPECT_EQ(first, 4);

    Doc().MultiUndoStart();
    ASSERT_EQ(Records(), 1);
    EXPECT_EQ(Fault(*Record(0), 1), "") << "after undo";
    Doc().MultiRedoStart();
    ASSERT_EQ(Records(), 1);
    EXPECT_EQ(Fault(*Record(0), 1), "") << "after redo";
}

} // namespace
