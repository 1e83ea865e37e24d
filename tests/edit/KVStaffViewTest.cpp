// Hiding and showing staves in blocks, picking a staff left of its block,
// the display switches of measures and staves, and the growth limits.

#include "document/KVFileInfo.h"
#include "support/SelectionSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

// 3 staves of 12 measures, staff space 8, in blocks of 4 measures; each
// page's first block placed at 100, then the staff gap set to 6 and the block
// gap to 10 by the distance commands: page 0's blocks stand at 100 and 372
// with staves at 32, 112 and 192.
class StaffViewTest : public kvtest::SelectionTest {
protected:
    kvtest::ScoreShape Shape() override { return {.staves = 3, .measures = 12, .pageGeometry = true}; }

    void SetUp() override
    {
        kvtest::SelectionTest::SetUp();
        score->SetLineSpacing(8);
        Doc().m_pFileInfo->m_nMeasPerBlock = 4;
        Doc().UpdatePage(1);
        for (short p = 0; p < Doc().GetPageNum(); ++p) {
            CKVBlock* first = Page(p)->GetBlock(0);
            first->m_rcBlock.OffsetRect(0, 100 - first->m_rcBlock.top);
        }
        Doc().UpdateStaffSpace(6);
        Doc().UpdateBlockSpace(10);
        for (short p = 0; p < Doc().GetPageNum(); ++p)
            Page(p)->UpdateMeasXY();
        Doc().JumpToPage(0);
        Doc().ResetBackup();
    }

    std::vector<int> Ys(CKVBlock* block)
    {
        std::vector<int> ys;
        for (int i = 0; i < block->m_arrStaffY.GetSize(); ++i)
            ys.push_back(static_cast<short>(block->m_arrStaffY.GetAt(i)));
        return ys;
    }

    void HostStep()
    {
        Doc().ResetBackup();
        Doc().ObjectBackup(1);
    }

    void RoundTrip(const std::function<void()>& command)
    {
        kvtest::ExpectRoundTrip(Doc(), [&] {
            HostStep();
            command();
        });
    }

    void CursorIn(int block, int staff)
    {
        Doc().m_pCurBlock = Block(block);
        Doc().m_nCurBlock = static_cast<short>(block);
        Doc().m_nCurStaff = static_cast<short>(staff);
        Doc().m_pCurStaff = Block(block)->GetStaff(static_cast<short>(staff));
    }
};

TEST_F(StaffViewTest, TheFixtureStandsWhereTheTestsExpectIt)
{
    ASSERT_GE(Page(0)->GetBlockNum(), 2);
    EXPECT_EQ(Block(0)->m_rcBlock.top, 100);
    EXPECT_EQ(Block(1)->m_rcBlock.top, 372);
    EXPECT_EQ(Ys(Block(0)), (std::vector<int> {32, 112, 192}));
    EXPECT_EQ(Ys(Block(1)), (std::vector<int> {32, 112, 192}));
    EXPECT_EQ(Doc().m_pFileInfo->m_nStaffDistance, 6);
    EXPECT_EQ(Doc().m_pFileInfo->m_nBlockDistance, 10);
    EXPECT_EQ(Block(0)->m_nMeasCount, 4);
}

TEST_F(StaffViewTest, HidingAndShowingGiveTheLayoutBack)
{
    unsigned char flags[3] = {1, 0, 1};
    HostStep();
    Doc().StaffHide(0, 1, flags);
    EXPECT_EQ(Block(0)->GetStaffNum(), 2);
    EXPECT_EQ(Block(0)->GetStaff(0), score->Staff(1));
    EXPECT_EQ(Block(1)->GetStaffNum(), 2);
    EXPECT_EQ(Ys(Block(0)), (std::vector<int> {32, 112}));
    EXPECT_EQ(Block(0)->m_rcBlock.bottom, 212);
    // The block below moves up by what block 0 lost, not by the staff gap.
    EXPECT_EQ(Block(1)->m_rcBlock.top, 292);
    EXPECT_TRUE(Doc().m_bModified);

    // A wider gap between blocks does not change where a staff goes in.
    Doc().m_pFileInfo->m_nBlockDistance = 12;
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    CursorIn(0, 0);
    HostStep();
    Doc().StaffVisible(0, 0, nullptr);
    EXPECT_EQ(Block(0)->GetStaffNum(), 3);
    EXPECT_EQ(Block(0)->GetStaff(0), score->Staff(0));
    EXPECT_EQ(Ys(Block(0)), (std::vector<int> {32, 112, 192}));
    EXPECT_EQ(Block(1)->m_rcBlock.top, 372);
    EXPECT_EQ(Block(1)->GetStaffNum(), 2); // not chosen
}

TEST_F(StaffViewTest, ANullFlagArrayChangesNothing)
{
    const std::string before = kvtest::CanonicalDump(Doc());
    Doc().StaffHide(0, 1, nullptr);
    Doc().StaffHide(5, 1, nullptr);
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), before);
}

TEST_F(StaffViewTest, HidingBySelectionKeepsEachBlocksLastStaff)
{
    SelectStaff(0);
    SelectStaff(1);
    SelectStaff(2);
    HostStep();
    Doc().StaffHide(0, 0, nullptr);
    EXPECT_EQ(Block(0)->GetStaffNum(), 1);
    EXPECT_EQ(Block(0)->GetStaff(0), score->Staff(2));
    EXPECT_EQ(Block(1)->GetStaffNum(), 1);
    // Each block lost 160 of its height; the second moves by the first's.
    EXPECT_EQ(Ys(Block(0)), (std::vector<int> {32}));
    EXPECT_EQ(Block(1)->m_rcBlock.top, 372 - 160);
    if (Page(0)->GetBlockNum() > 2) {
        EXPECT_EQ(Block(2)->m_rcBlock.top, 644 - 320);
    }
    // A block showing one staff is left alone.
    Doc().StaffHide(0, 0, nullptr);
    EXPECT_EQ(Block(0)->GetStaffNum(), 1);
}

TEST_F(StaffViewTest, HidingWithoutRecordsTakesOnlyTheCurrentStaff)
{
    CursorIn(1, 1);
    HostStep();
    Doc().StaffHide(0, 0, nullptr);
    EXPECT_EQ(Block(0)->GetStaffNum(), 3);
    ASSERT_EQ(Block(1)->GetStaffNum(), 2);
    EXPECT_EQ(Block(1)->GetStaffIndex(score->Staff(1)), -1);
    // The cursor names a staff the block still shows.
    EXPECT_EQ(Doc().m_pCurStaff, Block(1)->GetStaff(Doc().m_nCurStaff));

    CKVStaff* only = Block(1)->GetStaff(0);
    Block(1)->DeleteStaff(Block(1)->GetStaff(1));
    CursorIn(1, 0);
    Doc().StaffHide(0, 0, nullptr);
    EXPECT_EQ(Block(1)->GetStaffNum(), 1);
    EXPECT_EQ(Block(1)->GetStaff(0), only);
}

TEST_F(StaffViewTest, ABlockEmptiedByHidingLaysOutFlatAndPicksNothing)
{
    unsigned char flags[3] = {1, 1, 1};
    HostStep();
    Doc().StaffHide(0, 1, flags);
    ASSERT_EQ(Block(0)->GetStaffNum(), 0);
    EXPECT_EQ(Block(0)->m_rcBlock.bottom, Block(0)->m_rcBlock.top);
    EXPECT_EQ(Block(0)->m_arrStaffCtrl.GetSize(), 0);
    EXPECT_EQ(Doc().m_pCurBlock, nullptr);
    CKVBlock* found = Block(1);
    EXPECT_EQ(Doc().GetSelStaff(POINT {-10, 120}, found), nullptr);
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(Block(0)->GetSelStaff(), nullptr);
    Page(0)->UpdateMeasXY();

    // Showing gives the block its staves again.
    Doc().m_pCurBlock = Block(0);
    Doc().StaffVisible(0, 0, nullptr);
    EXPECT_EQ(Ys(Block(0)), (std::vector<int> {32, 112, 192}));
    EXPECT_EQ(Block(0)->m_rcBlock.bottom, 292);
}

TEST_F(StaffViewTest, HidingAndShowingUndoAndRedo)
{
    unsigned char flags[3] = {1, 0, 1};
    RoundTrip([&] { Doc().StaffHide(0, 1, flags); });
    SelectBlockStaff(2, 0);
    RoundTrip([&] { Doc().StaffHide(0, 0, nullptr); });
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    CursorIn(0, 0);
    RoundTrip([&] { Doc().StaffVisible(0, 0, nullptr); });
}

TEST_F(StaffViewTest, AStaffIsPickedInTheStripLeftOfItsBlock)
{
    CKVBlock* block = Block(0);
    ASSERT_EQ(block->m_arrMeasX.GetAt(0), 0);
    EXPECT_EQ(block->GetSelStaff(POINT {-10, 100}), score->Staff(1));
    EXPECT_EQ(block->GetSelStaff(POINT {-20, 80}), score->Staff(1));
    EXPECT_EQ(block->GetSelStaff(POINT {0, 112}), score->Staff(1));
    EXPECT_EQ(block->GetSelStaff(POINT {1, 100}), nullptr);
    EXPECT_EQ(block->GetSelStaff(POINT {-21, 100}), nullptr);
    EXPECT_EQ(block->GetSelStaff(POINT {-10, 79}), nullptr);

    CKVBlock* found = nullptr;
    const POINT onPage {Block(1)->m_rcBlock.left - 10, Block(1)->m_rcBlock.top + 190};
    EXPECT_EQ(Doc().GetSelStaff(onPage, found), score->Staff(2));
    EXPECT_EQ(found, Block(1));
}

TEST_F(StaffViewTest, SelectedAndHiddenStavesAreToldPerBlock)
{
    CKVBlock* block = Block(0);
    EXPECT_EQ(block->GetSelStaff(), nullptr);
    SelectBlockStaff(1, 0);
    EXPECT_EQ(block->IsStaffSelected(score->Staff(1)), 1);
    EXPECT_EQ(block->IsStaffSelected(score->Staff(0)), 0);
    EXPECT_EQ(Block(1)->IsStaffSelected(score->Staff(1)), 0);
    EXPECT_EQ(block->GetSelStaff(), score->Staff(1));
    // Showing is possible only where a staff is hidden.
    EXPECT_EQ(block->IsStaffVisible(), 0);
    block->DeleteStaff(score->Staff(0));
    EXPECT_EQ(block->IsStaffVisible(), 1);
    EXPECT_EQ(Block(1)->IsStaffVisible(), 0);

    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    SelectStaff(2);
    EXPECT_EQ(Block(1)->IsStaffSelected(score->Staff(2)), 1);
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    const CRect& b = Block(1)->m_rcBlock;
    SelectRect(RECT {b.left - 5, b.top + 100, b.right + 5, b.top + 200});
    EXPECT_EQ(Block(1)->IsStaffSelected(score->Staff(2)), 1);
    EXPECT_EQ(Block(1)->IsStaffSelected(score->Staff(0)), 0);
}

TEST_F(StaffViewTest, MeasureViewBitsSetOrReturnToAutomatic)
{
    CKVMeas* meas = Meas(1, 2);
    ASSERT_EQ(meas->m_byOptions, 0x0F);
    auto set = [&](unsigned char bits) {
        Doc().ResetBackup();
        Doc().SetMeasViewAttr(1, 2, 2, bits);
        return Doc().GetMeasViewAttr(1, 2);
    };
    EXPECT_EQ(set(0x40), 0x4B);
    EXPECT_EQ(set(0x44), 0x4F);
    EXPECT_EQ(set(0x04), 0x0F);
    Doc().m_bModified = 0;
    EXPECT_EQ(set(0), 0x0F);
    EXPECT_TRUE(Doc().m_bModified);
    EXPECT_GT(Doc().m_arrBackup.GetSize(), 0);

    // Reversed and overlong ranges are kept to the staff.
    Doc().SetMeasViewAttr(0, 40, 10, 0x10);
    EXPECT_EQ(Doc().GetMeasViewAttr(0, 11), 0x1E);
    EXPECT_EQ(Doc().GetMeasViewAttr(0, 9), 0x0F);
    EXPECT_EQ(Doc().GetMeasViewAttr(9, 0), 0);
    EXPECT_EQ(Doc().GetMeasViewAttr(0, 12), 0);
    // Without a selected ossia a negative staff names nothing.
    Doc().SetMeasViewAttr(-1, 0, 3, 0x10);
    EXPECT_EQ(Doc().GetMeasViewAttr(-1, 0), 0);

    kvtest::ExpectRoundTrip(Doc(), [&] {
        Doc().ResetBackup();
        Doc().SetMeasViewAttr(2, 0, 5, 0x20);
    });
}

TEST_F(StaffViewTest, StaffViewBitsAndSize)
{
    int size = 0;
    Doc().SetStaffViewAttr(1, 0x10, 0, 120);
    EXPECT_EQ(Doc().GetStaffViewAttr(1, size), 0x0E);
    EXPECT_EQ(size, 120);
    Doc().SetStaffViewAttr(1, 0x31, 0, 100);
    EXPECT_EQ(Doc().GetStaffViewAttr(1, size), 0x0D);

    size = 7;
    Doc().SetStaffViewAttr(9, 0x10, 0, 50);
    EXPECT_EQ(Doc().GetStaffViewAttr(9, size), 0);
    Doc().SetStaffViewAttr(-1, 0x10, 0, 50);
    Doc().SetOssiaStaffViewAttr(0, 0x10, 0, 50);
    EXPECT_EQ(Doc().GetStaffViewAttr(-1, size), 0);
    EXPECT_EQ(size, 7);

    // The selected staff of the selected ossia block.
    CKVBlock* ossia = AddOssiaBlock(3);
    RECT none {0, 0, 0, 0};
    Doc().AddSelRect(SelRect::kBlockStaff, &none, nullptr, ossia->GetStaff(0), ossia);
    Doc().SetStaffViewAttr(-1, 0x10, 0, 70);
    EXPECT_EQ(Doc().GetStaffViewAttr(-1, size), 0x0E);
    EXPECT_EQ(size, 70);
    Doc().SetOssiaStaffViewAttr(0, 0x11, 0, 60);
    EXPECT_EQ(Doc().GetStaffViewAttr(-1, size), 0x0F);
    EXPECT_EQ(size, 60);

    RoundTrip([&] { Doc().SetStaffViewAttr(0, 0x80, 0, 90); });
}

TEST_F(StaffViewTest, GrowthLimits)
{
    EXPECT_EQ(Doc().CreateNewScoreEnable(10, 3200), -1);
    EXPECT_EQ(Doc().CreateNewScoreEnable(10, 3201), 32000);
    EXPECT_EQ(Doc().InsertPageEnable(0, 3, 2), -1);
    EXPECT_EQ(Doc().InsertPageEnable(99, 3, 0), 0);
    EXPECT_EQ(Doc().InsertPageEnable(0, 1, 0), -1);
}

class LongStaffTest : public kvtest::ScoreTest {
protected:
    kvtest::ScoreShape Shape() override { return {.staves = 1, .measures = 31990}; }
};

TEST_F(LongStaffTest, MeasureAndPageLimits)
{
    EXPECT_EQ(Doc().InsertMeasEnble(10), -1);
    EXPECT_EQ(Doc().InsertMeasEnble(11), 10);

    // A page of 12 measures over a staff of 31,970.
    score->System()->GetStaff(0)->RemoveMeas(31970, 20);
    CKVPage* page = Doc().GetPageNum() > 0 ? Doc().GetPage(0) : nullptr;
    if (!page) {
        page = new CKVPage;
        page->m_pDoc = &Doc();
        Doc().AddPage(page);
    }
    while (page->GetBlockNum() > 0)
        page->RemoveBlock(0);
    page->AddBlock(score->System(), 0, 12);
    EXPECT_EQ(Doc().InsertPageEnable(0, 3, 0), 2);
    EXPECT_EQ(Doc().InsertPageEnable(0, 3, 2), -1);
    EXPECT_EQ(Doc().InsertPageEnable(0, 2, 0), -1);
}

} // namespace
