// Cutting or deleting under a rectangle walks every measure on the
// rectangle's page; a measure it takes nothing from and does not select
// keeps its bytes, timing included, so the command's undo step (or the lack
// of one) covers everything it changed.

#include "support/NoteEntry.h"
#include "support/ScoreIntegrity.h"
#include "support/SelectionSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class CutUndoStepTest : public kvtest::SelectionTest {
protected:
    void SetUp() override
    {
        SelectionTest::SetUp();
        // A note in measure 2 whose start times were left behind by an
        // earlier edit: timing the measure afresh would move them.
        stale = kvtest::EnterNote(Meas(0, 2), {.start = 0, .y = -8});
        ASSERT_NE(stale, nullptr);
        stale->m_nStartTime = 120;
        stale->m_nPerformStart = 120;
    }

    void TearDown() override
    {
        std::free(image);
        SelectionTest::TearDown();
    }

    // A small rectangle over the middle of a measure of staff 0 in block 0,
    // above every note of the staff.
    RECT Over(int meas)
    {
        CRect area = Meas(0, meas)->GetRealMeasRect(1);
        area.OffsetRect(Block(0)->m_rcBlock.left, Block(0)->m_rcBlock.top);
        const POINT p {(area.left + area.right) / 2, area.top - 20};
        return Around(p);
    }

    void ExpectWholeStep(const std::function<void()>& command)
    {
        ASSERT_FALSE(selhit::Selects(*Record(0), Block(0), Meas(0, 2)));
        const std::vector<std::string> problems = kvtest::CheckedStep(Doc(), command);
        EXPECT_TRUE(problems.empty()) << kvtest::Joined(problems);
        EXPECT_EQ(stale->m_nPerformStart, 120) << "measure 2 was timed afresh";
    }

    void Cut()
    {
        image = static_cast<unsigned char*>(std::malloc(4));
        ASSERT_NE(image, nullptr);
        Doc().ResetBackup();
        EXPECT_NE(Doc().CopyDataToMem(image, 0, 1), 0xFFFFFFFFu);
    }

    CKVMsg* stale = nullptr;
    unsigned char* image = nullptr;
};

TEST_F(CutUndoStepTest, ACutThatTakesNothingLeavesAMeasureItDoesNotSelectAsItWas)
{
    ASSERT_NE(kvtest::EnterNote(Meas(0, 0), {.start = 0, .y = -8}), nullptr);
    SelectRect(Over(0));
    ExpectWholeStep([&] { Cut(); });
}

TEST_F(CutUndoStepTest, ACutThatTakesANoteLeavesAMeasureItDoesNotSelectAsItWas)
{
    CKVMsg* taken = kvtest::EnterNote(Meas(0, 0), {.start = 0, .y = -8});
    ASSERT_NE(taken, nullptr);
    SelectRect(Around(HitOf(taken)));
    ExpectWholeStep([&] { Cut(); });
}

TEST_F(CutUndoStepTest, ADeleteThatTakesNothingLeavesAMeasureItDoesNotSelectAsItWas)
{
    SelectRect(Over(1));
    ExpectWholeStep([&] { Doc().DeleteMsgOnSelRect(0); });
}

} // namespace
