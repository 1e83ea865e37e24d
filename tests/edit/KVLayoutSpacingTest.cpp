// Spacing by time, measure widths, staff and block distances and the page
// layout commands, each undone and redone in one step.

#include "document/KVFileInfo.h"
#include "support/SelectionSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace kvtest {
namespace {

class LayoutSpacingTest : public SelectionTest {
protected:
    ScoreShape Shape() override { return {.staves = 2, .measures = 8, .pageGeometry = true}; }

    void SetUp() override
    {
        SelectionTest::SetUp();
        // Staff space 8, four measures a block, laid out afresh.
        Doc().m_bBackupRecord = 0;
        score->SetLineSpacing(8);
        Doc().m_pFileInfo->m_nMeasPerBlock = 4;
        Doc().m_pFileInfo->m_nStaffDistance = 6;
        Doc().UpdatePage(1);
        Doc().m_bBackupRecord = 1;
        Doc().JumpToPage(0);
    }

    std::vector<int> Boundaries(CKVBlock* block)
    {
        std::vector<int> x;
        for (int i = 0; i < block->m_arrMeasX.GetSize(); ++i)
            x.push_back(static_cast<short>(block->m_arrMeasX.GetAt(i)));
        return x;
    }
    std::vector<int> StaffYs(CKVBlock* block)
    {
        std::vector<int> y;
        for (int i = 0; i < block->m_arrStaffY.GetSize(); ++i)
            y.push_back(static_cast<short>(block->m_arrStaffY.GetAt(i)));
        return y;
    }
    // The block's place on the page: the top, and staff y 32 and 112.
    void PlaceBlock(int b, int top)
    {
        CKVBlock* block = Block(b);
        block->StaffSpaceOrder(48);
        block->m_rcBlock.OffsetRect(0, top - block->m_rcBlock.top);
        block->UpdateMeasXY(1, kSkipCrossStaff, kWithoutBackup);
    }
    void WholeDocumentStep()
    {
        Doc().ResetBackup();
        Doc().ObjectBackup(1);
    }
};

TEST_F(LayoutSpacingTest, SelectedMeasureIsRetimedAndSpacedInOneUndoStep)
{
    CKVMsg* a = score->Note(Meas(0, 1), {.x = 10});
    CKVMsg* b = score->Note(Meas(0, 1), {.x = 20});
    ASSERT_TRUE(a && b);
    SelectMeas(0, 1);
    ExpectRoundTrip(Doc(), [&] {
        Doc().ResetBackup();
        Doc().NoteSpaceOrder(1);
    });
    CKVMeas* live = Meas(0, 1);
    ASSERT_EQ(live->GetMsgNum(), 2);
    EXPECT_EQ(live->GetMsg(0)->m_nStartTime, 0);
    EXPECT_EQ(live->GetMsg(1)->m_nStartTime, 240);
    EXPECT_EQ(live->GetMsg(0)->m_nPosX, 0);
    EXPECT_EQ(live->GetMsg(1)->m_nPosX, 64);
    EXPECT_EQ(Doc().m_bModified, 1);
}

TEST_F(LayoutSpacingTest, WithoutSelectionTheCursorColumnIsSpaced)
{
    for (int staff = 0; staff < 2; ++staff) {
        score->Note(Meas(staff, 3), {.x = 30});
        score->Note(Meas(staff, 3), {.x = 40});
    }
    score->Note(Meas(0, 2), {.x = 30});
    score->Note(Meas(0, 2), {.x = 40});
    ASSERT_GE(Doc().JumpToMeas(4), 1);
    ASSERT_EQ(Doc().m_pCurBlock->m_byKind, CKVBlock::KIND_NORMAL);
    Doc().ResetBackup();
    Doc().NoteSpaceOrder(0);
    for (int staff = 0; staff < 2; ++staff) {
        EXPECT_EQ(Meas(staff, 3)->GetMsg(0)->m_nPosX, 0) << staff;
        EXPECT_EQ(Meas(staff, 3)->GetMsg(1)->m_nPosX, 64) << staff;
    }
    EXPECT_EQ(Meas(0, 2)->GetMsg(1)->m_nPosX, 40);
}

TEST_F(LayoutSpacingTest, CommandsRefusedForShortMemoryChangeNothing)
{
    score->Note(Meas(0, 1), {.x = 10});
    SelectMeas(0, 1);
    const std::string before = CanonicalDump(Doc());
    host.freeBytes = 999999;
    host.ScriptAnswer(IDNO);
    Doc().NoteSpaceOrder(1);
    host.ScriptAnswer(IDNO);
    Doc().SetMeasWidth(120, 0, 7);
    EXPECT_EQ(host.messageBoxes.size(), 2u);
    EXPECT_EQ(CanonicalDump(Doc()), before);
}

TEST_F(LayoutSpacingTest, MeasureWidthMovesTheLaterBoundaries)
{
    CKVBlock* block = Block(1);
    ASSERT_EQ(block->m_nFirstMeas, 4);
    block->m_arrMeasX.RemoveAll();
    for (int x : {0, 100, 200, 300, 400})
        block->m_arrMeasX.Add(static_cast<WORD>(x));
    block->UpdateMeasXY(1, kSkipCrossStaff, kWithoutBackup);

    // An index past the block's measures would read a boundary past the list.
    block->SetMeasWidth(4, 50);
    block->SetMeasWidth(-1, 50);
    EXPECT_EQ(Boundaries(block), (std::vector<int> {0, 100, 200, 300, 400}));

    ExpectRoundTrip(Doc(), [&] {
        Doc().ResetBackup();
        Doc().SetMeasWidth(120, 5, 5);
    });
    EXPECT_EQ(Boundaries(Block(1)), (std::vector<int> {0, 100, 220, 320, 420}));
    EXPECT_EQ(Doc().GetMeasWidth(5), 120);
    EXPECT_EQ(Doc().GetMeasWidth(8), 0);
    EXPECT_EQ(Doc().GetMeasWidth(-1), 0);
}

TEST_F(LayoutSpacingTest, StaffAndBlockDistances)
{
    // Three five-line staves six spaces apart.
    Doc().m_bBackupRecord = 0;
    Doc().AddStaff(1, -1);
    Doc().m_bBackupRecord = 1;
    Block(0)->OrderSpace();
    EXPECT_EQ(StaffYs(Block(0)), (std::vector<int> {32, 112, 192}));
}

TEST_F(LayoutSpacingTest, DistanceCommandsRestackEveryBlock)
{
    PlaceBlock(0, 100);
    PlaceBlock(1, 292);
    ExpectRoundTrip(
        Doc(),
        [&] {
            WholeDocumentStep();
            Doc().UpdateStaffSpace(4);
        },
        HostStep::None, Compare::WithFileInfo);
    for (int b = 0; b < 2; ++b)
        EXPECT_EQ(StaffYs(Block(b)), (std::vector<int> {32, 96})) << b;
    EXPECT_EQ(Block(0)->m_rcBlock.top, 100);
    EXPECT_EQ(Block(1)->m_rcBlock.top, 276);
    EXPECT_EQ(Doc().m_pFileInfo->m_nStaffDistance, 4);

    ExpectRoundTrip(
        Doc(),
        [&] {
            WholeDocumentStep();
            Doc().UpdateBlockSpace(5);
        },
        HostStep::None, Compare::WithFileInfo);
    EXPECT_EQ(Block(1)->m_rcBlock.top, 236);
    EXPECT_EQ(Doc().m_pFileInfo->m_nBlockDistance, 5);

    ExpectRoundTrip(
        Doc(),
        [&] {
            WholeDocumentStep();
            Doc().UpdateScoreSpace(6, 3);
        },
        HostStep::None, Compare::WithFileInfo);
    EXPECT_EQ(StaffYs(Block(0)), (std::vector<int> {32, 112}));
    EXPECT_EQ(Block(1)->m_rcBlock.top, 100 + 112 + 24);

    const std::string tree = CanonicalDump(Doc());
    Doc().UpdateIndent(30, 12);
    EXPECT_EQ(Doc().m_pFileInfo->m_nFirstBlockY, 30);
    EXPECT_EQ(Doc().m_pFileInfo->m_nFirstBlockX, 12);
    EXPECT_EQ(CanonicalDump(Doc()), tree);
}

TEST_F(LayoutSpacingTest, BlockCenterFitIsOneStepInEveryMode)
{
    CKVBlock* ossia = AddOssiaBlock(2);
    ossia->m_rcBlock.OffsetRect(37 - ossia->m_rcBlock.left, 0);
    Block(0)->m_rcBlock.OffsetRect(20, 0);
    Block(1)->m_rcBlock.OffsetRect(-1 - Block(1)->m_rcBlock.left, 0);
    for (short mode = 0; mode < 4; ++mode)
        ExpectRoundTrip(Doc(), [&] { Page(0)->BlockCenterFit(mode); });
    Page(0)->BlockCenterFit(0);
    for (int b = 0; b < Page(0)->GetBlockNum(); ++b)
        EXPECT_EQ(Block(b)->m_rcBlock.left, 1) << b;
    EXPECT_EQ(Page(0)->m_arrOssiaBlock.GetAt(0)->m_rcBlock.left, 37);
}

TEST_F(LayoutSpacingTest, BlockPositionsAreRestackedUnderThePageStep)
{
    Block(1)->m_rcBlock.OffsetRect(0, 90);
    ExpectRoundTrip(Doc(), [&] {
        Doc().ResetBackup();
        Page(0)->ObjectBackup(1);
        Page(0)->UpdateBlockPos();
    });
    const CKVFileInfo& info = *Doc().m_pFileInfo;
    EXPECT_EQ(Block(0)->m_rcBlock.top, info.m_nFirstBlockY);
    EXPECT_EQ(Block(1)->m_rcBlock.top,
              Block(0)->m_rcBlock.top + StaffYs(Block(0)).back() + 1 + info.m_nBlockDistance * 8);
    EXPECT_EQ(Block(1)->m_nFirstMeas, 4);
    EXPECT_EQ(Block(1)->m_nMeasCount, 4);
}

TEST_F(LayoutSpacingTest, RightEdgeDragLinesUpTheLaterBlocks)
{
    Doc().m_bBackupRecord = 0;
    Doc().m_pFileInfo->m_nMeasPerBlock = 2;
    Doc().UpdatePage(1);
    Doc().m_bBackupRecord = 1;
    Doc().JumpToPage(0);
    ASSERT_GE(Page(0)->GetBlockNum(), 3);
    const int lefts[3] = {10, 30, 20};
    for (int b = 0; b < 3; ++b)
        Block(b)->m_rcBlock.OffsetRect(lefts[b] - Block(b)->m_rcBlock.left, 0);
    // The blocks are backed up as the flag asks, each before its change.
    ExpectRoundTrip(Doc(), [&] {
        Doc().ResetBackup();
        EXPECT_EQ(Doc().SetMeasPosByDelta(POINT {480, 0}, Block(0), kWithBackup), 1);
    });
    for (int b = 0; b < 3; ++b) {
        CKVBlock* block = Block(b);
        EXPECT_EQ(block->m_rcBlock.left + Boundaries(block).back(), 490) << b;
    }
}

TEST_F(LayoutSpacingTest, StaffDragCarriesOverToLaterBlocks)
{
    std::vector<std::vector<int>> before;
    for (int b = 0; b < Page(0)->GetBlockNum(); ++b) {
        Block(b)->m_rcBlock.OffsetRect(1 - Block(b)->m_rcBlock.left, 0);
        before.push_back(StaffYs(Block(b)));
    }
    const int topLine = before[0][1] - 4 * 8;
    ExpectRoundTrip(Doc(), [&] {
        Doc().ResetBackup();
        EXPECT_EQ(Doc().SetStaffPosByDelta(1, POINT {0, topLine + 8}, Block(0), kWithBackup), 1);
    });
    for (int b = 0; b < Page(0)->GetBlockNum(); ++b) {
        EXPECT_EQ(StaffYs(Block(b))[0], before[b][0]) << b;
        EXPECT_EQ(StaffYs(Block(b))[1], before[b][1] + 8) << b;
    }
}

} // namespace
} // namespace kvtest
