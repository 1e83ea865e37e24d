// Inserting and deleting pages, the measures of blocks and the blocks of
// pages set again, their counts, and page set-up.

#include "document/SelRect.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "support/StructureSupport.h"

namespace {

using Blocks = std::vector<std::pair<int, int>>;

class PagesTest : public kvtest::StructureTest {
protected:
    // A score of `measures` measures laid out in blocks of `perBlock` and
    // pages of `perPage` blocks.
    void LayOut(LONG measures, int perBlock, int perPage)
    {
        Make(2, measures);
        Info().m_nMeasPerBlock = static_cast<short>(perBlock);
        Info().m_nBlockPerPage = static_cast<short>(perPage);
        Doc().UpdatePage(1);
    }
    LONG Measures() { return Master()->GetMeasNum(); }
    // A round trip under the host's whole-document backup that also compares
    // the file info's counts and page geometry.
    template <class Command>
    void InfoRoundTrip(Command command)
    {
        auto dump = [&] { return kvtest::CanonicalDump(Doc()) + kvtest::FileInfoDump(Doc()); };
        const std::string before = dump();
        Doc().ResetBackup();
        Doc().ObjectBackup(1);
        command();
        const std::string after = dump();
        EXPECT_NE(before, after);
        Doc().MultiUndoStart();
        EXPECT_EQ(dump(), before) << "undo";
        Doc().MultiRedoStart();
        EXPECT_EQ(dump(), after) << "redo";
    }
    // Whether the measure holds a note at that height.
    static bool Holds(CKVMeas* meas, short y)
    {
        for (short i = 0; i < meas->GetMsgNum(); ++i)
            if (meas->GetMsg(i)->m_byKind == MSG_NOTE && meas->GetMsg(i)->m_nPosY == y)
                return true;
        return false;
    }
};

TEST_F(PagesTest, DeletingPagesRemovesTheMeasuresTheyShowAndKeepsPageZero)
{
    LayOut(20, 2, 2);
    ASSERT_EQ(Doc().GetPageNum(), 5);
    score->Note(score->Meas(0, 16), {.x = 0, .y = -8});
    ExpectRoundTrip([&] { EXPECT_EQ(Doc().DeletePages(3, 1), 2); }, kvtest::kCallerBacksUp);
    EXPECT_EQ(Doc().GetPageNum(), 2);
    EXPECT_EQ(Measures(), 8);
    EXPECT_EQ(Layout(), (std::vector<Blocks> {{{0, 2}, {2, 2}}, {{4, 2}, {6, 2}}}));
    EXPECT_TRUE(Holds(Master()->GetStaff(0)->GetMeas(4), -8));

    EXPECT_EQ(Doc().DeletePages(7, 9), -1);
    EXPECT_EQ(Doc().DeletePages(0, 4), 0);
    EXPECT_EQ(Doc().GetPageNum(), 1);
    EXPECT_EQ(Measures(), 4);
    // The last page is never deleted.
    EXPECT_EQ(Doc().DeletePages(0, 0), -1);
    EXPECT_EQ(Doc().GetPageNum(), 1);
}

TEST_F(PagesTest, DeletingPagesTakesTiesOffTheNotesThatStay)
{
    LayOut(20, 2, 2);
    // Pages 1 and 2 show measures 4 to 11. One tie runs into the deleted
    // measures, one comes out of them.
    CKVMsg* before = score->Note(score->Meas(0, 3), {.x = 200});
    ASSERT_TRUE(score->Tie(before, score->Note(score->Meas(0, 4), {.x = 0})));
    CKVMsg* after = score->Note(score->Meas(1, 12), {.x = 0});
    ASSERT_TRUE(score->Tie(score->Note(score->Meas(1, 11), {.x = 200}), after));
    score->Settle();
    ExpectRoundTrip([&] { EXPECT_EQ(Doc().DeletePages(1, 2), 1); }, kvtest::kCallerBacksUp);
    ASSERT_EQ(Measures(), 12);

    // The notes left hold no tie and no tie flag.
    before = score->Meas(0, 3)->GetMsg(0);
    after = score->Meas(1, 4)->GetMsg(0);
    ASSERT_TRUE(before && after);
    EXPECT_EQ(before->GetMsgNum(), 0);
    EXPECT_EQ(before->m_wFlag & MSGFLAG_TIE_START, 0);
    EXPECT_EQ(after->GetMsgNum(), 0);
    EXPECT_EQ(after->m_wFlag & MSGFLAG_TIE_END, 0);
}

TEST_F(PagesTest, APageWithoutBlocksInTheRangeGoesWithoutMeasures)
{
    LayOut(8, 2, 2);
    ASSERT_EQ(Doc().InsertPage(1, 2, 2), 1);
    EXPECT_EQ(Doc().GetPageNum(), 4);
    EXPECT_EQ(Doc().m_nCurPage, 1);
    EXPECT_EQ(Page(1)->GetBlockNum(), 0);
    EXPECT_EQ(Page(2)->GetBlockNum(), 0);
    EXPECT_EQ(Doc().DeletePages(1, 2), 1);
    EXPECT_EQ(Measures(), 8);
    EXPECT_EQ(Layout(), (std::vector<Blocks> {{{0, 2}, {2, 2}}, {{4, 2}, {6, 2}}}));
}

// The cursor on a page without blocks keeps the block of another page. Undo
// of a whole-score step takes that page's copy out, and a new step frees it:
// the cursor's block follows the page coming in.
TEST_F(PagesTest, TheCursorsBlockOutlivesAnUndoneStepOnAPageWithoutBlocks)
{
    LayOut(8, 2, 2);
    ASSERT_EQ(Doc().InsertPage(1, 1, 2), 1);
    ASSERT_EQ(Page(1)->GetBlockNum(), 0);
    Doc().m_pCurBlock = Block(0, 1);
    Doc().m_nCurBlock = 1;
    Doc().ResetBackup();
    Doc().ObjectBackup(kBackupRecorded);
    Doc().ResetBackup();
    Doc().MultiUndoStart();
    Doc().ResetBackup();
    Doc().ObjectBackup(kBackupRecorded);
    auto onALivePage = [&](const CKVBlock* block) {
        for (int p = 0; p < Doc().GetPageNum(); ++p)
            for (short b = 0; b < Page(p)->GetBlockNum(); ++b)
                if (Block(p, b) == block)
                    return true;
        return false;
    };
    EXPECT_TRUE(Doc().m_pCurBlock == nullptr || onALivePage(Doc().m_pCurBlock));
}

TEST_F(PagesTest, InsertedPagesCopyTheModelAndLaterPagesShowTheSameMeasures)
{
    LayOut(24, 3, 4);
    ASSERT_EQ(Doc().GetPageNum(), 2);
    score->Note(score->Meas(1, 12), {.x = 0, .y = -8});
    ExpectRoundTrip([&] { EXPECT_EQ(Doc().InsertPage(0, 1, 1), 1); }, kvtest::kCallerBacksUp);
    EXPECT_EQ(Measures(), 36);
    EXPECT_EQ(Layout(), (std::vector<Blocks> {{{0, 3}, {3, 3}, {6, 3}, {9, 3}},
                                              {{12, 3}, {15, 3}, {18, 3}, {21, 3}},
                                              {{24, 3}, {27, 3}, {30, 3}, {33, 3}}}));
    EXPECT_TRUE(Holds(Master()->GetStaff(1)->GetMeas(24), -8));
    // The copies keep the model's place and outer boundaries.
    for (short b = 0; b < 4; ++b) {
        EXPECT_EQ(CRect(Block(1, b)->m_rcBlock), CRect(Block(0, b)->m_rcBlock));
        EXPECT_EQ(Block(1, b)->m_arrMeasX.GetAt(0), Block(0, b)->m_arrMeasX.GetAt(0));
        EXPECT_EQ(Block(1, b)->m_arrMeasX.GetAt(3), Block(0, b)->m_arrMeasX.GetAt(3));
    }
}

TEST_F(PagesTest, InsertingPagesPastTheMeasureLimitIsRefused)
{
    LayOut(4, 2, 2);
    Master()->AddMeas(31994);
    EXPECT_EQ(Doc().InsertPage(0, 1, 0), 0);
    EXPECT_EQ(Measures(), 31998);
}

TEST_F(PagesTest, MeasuresPerBlockForEveryBlock)
{
    LayOut(10, 4, 5);
    ASSERT_EQ(Layout(), (std::vector<Blocks> {{{0, 4}, {4, 4}, {8, 2}}}));
    InfoRoundTrip([&] { EXPECT_EQ(Doc().SetAllBlockMeasCount(2), 1); });
    EXPECT_EQ(Layout(), (std::vector<Blocks> {{{0, 2}, {2, 2}, {4, 2}, {6, 2}, {8, 2}}}));
    EXPECT_EQ(Info().m_nMeasPerBlock, 2);
    EXPECT_EQ(Block(0, 0)->m_nNominalMeasCount, 2);
    EXPECT_EQ(Doc().GetMeasCountOnSelBlock(), 2);
    EXPECT_EQ(Doc().GetBlockCountOnCurrentPage(), 5);
    EXPECT_EQ(Doc().GetMeasCountOnCurrentBlock(), 2);
}

TEST_F(PagesTest, MeasuresPerBlockForOneBlockMoveItsSurplusOn)
{
    LayOut(10, 4, 5);
    Doc().JumpToPage(0);
    InfoRoundTrip([&] { EXPECT_EQ(Doc().SetSelBlockMeasCount(2), 1); });
    EXPECT_EQ(Layout(), (std::vector<Blocks> {{{0, 2}, {2, 4}, {6, 4}}}));
    EXPECT_EQ(Info().m_nMeasPerBlock, 4);

    EXPECT_EQ(Doc().SetAnyBlockMeasCount(1, 3, 8), 1);
    EXPECT_EQ(Layout(), (std::vector<Blocks> {{{0, 2}, {2, 4}, {6, 4}}}));
    EXPECT_EQ(Doc().SetAnyBlockMeasCount(1, 1, 6), 1);
    // The walk reaches the end of the score before the last block.
    EXPECT_EQ(Layout(), (std::vector<Blocks> {{{0, 6}, {6, 4}}}));
}

TEST_F(PagesTest, CountsBelowOneAndBadIndexesChangeNothing)
{
    LayOut(10, 4, 5);
    const std::string before = kvtest::CanonicalDump(Doc());
    EXPECT_EQ(Doc().SetAnyBlockMeasCount(0, 1, 2), 0);
    EXPECT_EQ(Doc().SetAnyBlockMeasCount(1, 9, 2), 0);
    EXPECT_EQ(Doc().SetAllBlockMeasCount(0), 0);
    EXPECT_EQ(Doc().SetSelBlockMeasCount(0), 0);
    EXPECT_EQ(Doc().SetAnyBlockMeasCount(1, 1, 0), 0);
    EXPECT_EQ(Doc().SetAllPageBlockCount(0), 0);
    EXPECT_EQ(Doc().SetSelPageBlockCount(-1), 0);
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), before);
    EXPECT_EQ(Info().m_nMeasPerBlock, 4);
    EXPECT_EQ(Info().m_nBlockPerPage, 5);
    EXPECT_EQ(Doc().IsUndoEnablePageDel(0, 0), 0);
}

TEST_F(PagesTest, BlocksPerPageDealsTheBlocksOut)
{
    LayOut(9, 3, 5);
    ASSERT_EQ(BlockCounts(), (std::vector<int> {3}));
    const CRect first(Block(0, 0)->m_rcBlock);
    InfoRoundTrip([&] { EXPECT_EQ(Doc().SetAllPageBlockCount(1), 1); });
    EXPECT_EQ(Layout(), (std::vector<Blocks> {{{0, 3}}, {{3, 3}}, {{6, 3}}}));
    EXPECT_EQ(Info().m_nBlockPerPage, 1);
    EXPECT_EQ(CRect(Block(0, 0)->m_rcBlock), first);
    for (int p = 0; p < 3; ++p)
        EXPECT_EQ(Block(p, 0)->m_pPage, Page(p));

    // From the current page on: it takes two, the page after keeps its count
    // of one, and the page left over goes.
    Doc().JumpToPage(0);
    EXPECT_EQ(Doc().SetSelPageBlockCount(2), 1);
    EXPECT_EQ(Layout(), (std::vector<Blocks> {{{0, 3}, {3, 3}}, {{6, 3}}}));
    EXPECT_EQ(Info().m_nBlockPerPage, 1);
}

TEST_F(PagesTest, UndoOfDealingBlocksGivesEachBlockItsOwnWidths)
{
    // Pages of one block each, the blocks of pages 1 and 2 of other widths;
    // dealt two to a page, page 1 then holds the block of page 2. Undo gives
    // page 1 its own block back with its own boundaries, not the boundaries
    // of the block that stood at that place on the page going out.
    LayOut(9, 3, 1);
    ASSERT_EQ(BlockCounts(), (std::vector<int> {1, 1, 1}));
    for (int p = 1; p < 3; ++p) {
        CKVBlock* block = Block(p, 0);
        for (int i = 0; i < block->m_arrMeasX.GetSize(); ++i)
            block->m_arrMeasX.SetAt(i, static_cast<WORD>(i * 40 * p));
    }
    ExpectRoundTrip([&] { EXPECT_EQ(Doc().SetAllPageBlockCount(2), 1); }, kvtest::kCallerBacksUp);
    EXPECT_EQ(Layout(), (std::vector<Blocks> {{{0, 3}, {3, 3}}, {{6, 3}}}));
    Doc().MultiUndoStart();
    EXPECT_EQ(Block(1, 0)->m_arrMeasX.GetAt(1), 40);
    EXPECT_EQ(Block(2, 0)->m_arrMeasX.GetAt(1), 80);
}

TEST_F(PagesTest, MeasureCountOfTheSelectedBlock)
{
    LayOut(10, 4, 5);
    Info().m_nMeasPerBlock = 7;
    EXPECT_EQ(Doc().GetMeasCountOnSelBlock(), 7);
    RECT none {0, 0, 0, 0};
    Doc().AddSelRect(SelRect::kBlockStaff, &none, nullptr, score->Staff(1), Block(0, 2));
    EXPECT_EQ(Doc().GetMeasCountOnSelBlock(), 2);
}

TEST_F(PagesTest, PageSetUpRescalesBlocksAndPageSymbols)
{
    LayOut(3, 3, 5);
    CKVBlock* block = Block(0, 0);
    block->m_rcBlock.left = 0;
    block->m_rcBlock.right = 600;
    const WORD bounds[] = {0, 150, 300, 600};
    for (int i = 0; i < 4; ++i)
        block->m_arrMeasX.SetAt(i, bounds[i]);
    auto* text = new CKVMsg;
    text->m_byKind = MSG_FREETEXT;
    text->m_nPosX = 100;
    Page(0)->AddMsg(text);

    Page(0)->ChangePageInfo(300, 800, 600, 800, 1, 0);
    EXPECT_EQ(block->m_rcBlock.right, 300);
    const WORD half[] = {0, 75, 150, 300};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(block->m_arrMeasX.GetAt(i), half[i]) << i;
    EXPECT_EQ(text->m_nPosX, 50);

    // An old width of 0 has no ratio: x stays.
    Page(0)->ChangePageInfo(900, 800, 0, 800, 1, 0);
    EXPECT_EQ(block->m_rcBlock.right, 300);
    EXPECT_EQ(text->m_nPosX, 50);
}

TEST_F(PagesTest, PageSetUpMovesEveryPagesFirstBlock)
{
    Make(2, 12, true);
    Info().m_nMeasPerBlock = 2;
    Info().m_nBlockPerPage = 3;
    Doc().UpdatePage(1);
    ASSERT_EQ(Doc().GetPageNum(), 2);
    const POINT paper {2100, 2970};
    const RECT margins {100, 100, 100, 100};
    const POINT resolution {300, 300};
    // One undo gives back the page widths, block edges and boundaries.
    InfoRoundTrip([&] { Doc().ChangePageInfo(paper, margins, 50, 40, resolution); });
    for (int p = 0; p < 2; ++p) {
        CKVBlock* lead = Block(p, 0);
        EXPECT_EQ(lead->m_rcBlock.top, Info().m_nFirstBlockY) << p;
        EXPECT_EQ(CRect(Page(p)->m_rcPrint).Width(), Info().m_lPrintWidth);
        EXPECT_GT(Block(p, 1)->m_rcBlock.top, lead->m_rcBlock.bottom - 1);
    }
    EXPECT_EQ(Doc().m_bModified, 1);
}

} // namespace
