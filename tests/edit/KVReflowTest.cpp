// Laying the measures out on pages again, filling inserted pages, the left
// indent and shift of blocks and the structure self-test of groups.

#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "support/StructureSupport.h"

namespace {

using Blocks = std::vector<std::pair<int, int>>;

class ReflowTest : public kvtest::StructureTest {
protected:
    void SetGeometry(int perBlock, int perPage)
    {
        Info().m_nMeasPerBlock = static_cast<short>(perBlock);
        Info().m_nBlockPerPage = static_cast<short>(perPage);
    }
    CKVMsg* PageText(int page)
    {
        auto* text = new CKVMsg;
        text->m_byKind = MSG_FREETEXT;
        Page(page)->AddMsg(text);
        return text;
    }
};

TEST_F(ReflowTest, FromTheFileInfoEveryPageTakesItsBlockCount)
{
    SetGeometry(4, 2);
    Doc().UpdatePage(1);
    EXPECT_EQ(Layout(), (std::vector<Blocks> {{{0, 4}, {4, 4}}, {{8, 2}}}));

    SetGeometry(3, 5);
    Doc().m_nCurPage = 1;
    Doc().m_nCaretMeasNum = 7;
    Doc().m_bModified = 0;
    Doc().UpdatePage(1);
    EXPECT_EQ(Layout(), (std::vector<Blocks> {{{0, 3}, {3, 3}, {6, 3}, {9, 1}}}));
    EXPECT_EQ(Doc().m_nCurPage, 0);
    EXPECT_EQ(Doc().m_nCurBlock, 0);
    EXPECT_EQ(Doc().m_nCurStaff, 0);
    EXPECT_EQ(Doc().m_nCurMeas, 0);
    EXPECT_EQ(Doc().m_nCaretMeasNum, 1);
    EXPECT_EQ(Doc().m_pCurPage, Page(0));
    EXPECT_EQ(Doc().m_pCurBlock, Block(0, 0));
    EXPECT_EQ(Doc().m_pCurStaff, score->Staff(0));
    EXPECT_EQ(Doc().m_pCurMeas, score->Meas(0, 0));
    EXPECT_EQ(Doc().m_bModified, 1);
}

TEST_F(ReflowTest, ReflowUndoesInOneStep)
{
    SetGeometry(4, 2);
    ExpectRoundTrip([&] { Doc().UpdatePage(1); }, kvtest::kCallerBacksUp);
}

TEST_F(ReflowTest, ShowingTheHiddenStavesAgainLaysEveryBlockOutWithBoth)
{
    RECT none {0, 0, 0, 0};
    Doc().AddSelRect(SelRect::kStaff, &none, nullptr, score->Staff(1), nullptr);
    Doc().StaffHide();
    for (short b = 0; b < Page(0)->GetBlockNum(); ++b)
        ASSERT_EQ(Block(0, b)->GetStaffNum(), 1);
    Doc().StaffVisible();
    for (short b = 0; b < Page(0)->GetBlockNum(); ++b)
        EXPECT_EQ(Block(0, b)->GetStaffNum(), 2);
}

TEST_F(ReflowTest, WithoutTheFileInfoPagesKeepPageZerosCountUntilOneIsAppended)
{
    Make(2, 20);
    ASSERT_EQ(BlockCounts(), (std::vector<int> {5, 2}));
    SetGeometry(2, 3);
    Master()->AddMeas(12);
    Doc().UpdatePage(0);
    EXPECT_EQ(BlockCounts(), (std::vector<int> {5, 5, 3, 3}));
    for (short p = 0; p < Doc().GetPageNum(); ++p)
        for (short b = 0; b < Page(p)->GetBlockNum(); ++b)
            EXPECT_EQ(Block(p, b)->m_nMeasCount, 2);

    Doc().UpdatePage(1);
    EXPECT_EQ(BlockCounts(), (std::vector<int> {3, 3, 3, 3, 3, 1}));
}

TEST_F(ReflowTest, SurplusPagesGoWithTheirOssiaBlocksAndTextsWhilePageZeroKeepsItsOwn)
{
    Make(2, 20);
    CKVMsg* own = PageText(0);
    PageText(1);
    auto* ossia = new CKVBlock;
    ossia->m_byKind = CKVBlock::KIND_OSSIA;
    Page(1)->m_arrOssiaBlock.Add(ossia);
    SetGeometry(3, 9);
    Doc().UpdatePage(1);
    ASSERT_EQ(Doc().GetPageNum(), 1);
    EXPECT_EQ(Page(0)->GetMsgNum(), 1);
    EXPECT_EQ(Page(0)->GetMsg(0), own);
}

TEST_F(ReflowTest, CountsBelowOneCountAsOneAndTheFileInfoKeepsThem)
{
    SetGeometry(0, 0);
    Doc().UpdatePage(1);
    ASSERT_EQ(Doc().GetPageNum(), 10);
    for (int p = 0; p < 10; ++p)
        EXPECT_EQ(Layout()[p], (Blocks {{p, 1}}));
    EXPECT_EQ(Info().m_nMeasPerBlock, 0);
    EXPECT_EQ(Info().m_nBlockPerPage, 0);
}

TEST_F(ReflowTest, AnEmptiedPageZeroTakesTheFileInfosCount)
{
    Make(2, 20);
    while (Page(0)->GetBlockNum() > 0)
        Page(0)->RemoveBlock(0);
    Doc().UpdatePage(0);
    EXPECT_EQ(BlockCounts(), (std::vector<int> {5, 2}));
}

TEST_F(ReflowTest, InsertedPagesStandAtTheIndexInFrontOfEachOther)
{
    Make(2, 16);
    SetGeometry(3, 2);
    Doc().UpdatePage(1);
    ASSERT_EQ(Doc().GetPageNum(), 3);
    CKVPage* oldSecond = Page(1);
    EXPECT_EQ(Doc().InsertMakeEndPage(1, Master(), 9, 7), 1);
    ASSERT_EQ(Doc().GetPageNum(), 5);
    EXPECT_EQ(Layout()[1], (Blocks {{15, 1}}));
    EXPECT_EQ(Layout()[2], (Blocks {{9, 3}, {12, 3}}));
    EXPECT_EQ(Page(3), oldSecond);
}

class BlockLayoutTest : public ReflowTest {
protected:
    CKVBlock* TwoMeasureBlock(WORD middle, WORD right)
    {
        Make(1, 2);
        CKVBlock* block = Block(0, 0);
        EXPECT_EQ(block->m_nMeasCount, 2);
        block->m_rcBlock.left = 10;
        block->m_rcBlock.right = 310;
        block->m_arrMeasX.RemoveAll();
        block->m_arrMeasX.Add(0);
        block->m_arrMeasX.Add(middle);
        block->m_arrMeasX.Add(right);
        return block;
    }
    static std::vector<int> Bounds(CKVBlock* block)
    {
        std::vector<int> x;
        for (int i = 0; i < block->m_arrMeasX.GetSize(); ++i)
            x.push_back(block->m_arrMeasX.GetAt(i));
        return x;
    }
};

TEST_F(BlockLayoutTest, ShiftScalesTheBoundariesToTheNewWidth)
{
    CKVBlock* block = TwoMeasureBlock(100, 300);
    block->ShiftToRight(160);
    EXPECT_EQ(block->m_rcBlock.left, 160);
    EXPECT_EQ(block->m_rcBlock.right, 310);
    EXPECT_EQ(Bounds(block), (std::vector<int> {0, 50, 150}));
}

TEST_F(BlockLayoutTest, ShiftOfBoundariesWithoutSpanSpreadsThemEvenly)
{
    CKVBlock* block = TwoMeasureBlock(0, 0);
    block->m_arrMeasX.SetAt(0, 0);
    block->ShiftToRight(160);
    const std::vector<int> x = Bounds(block);
    ASSERT_EQ(x.size(), 3u);
    EXPECT_EQ(x[2], 150);
    EXPECT_GT(x[1], 0);
    EXPECT_LT(x[1], 150);
    for (int v : x)
        EXPECT_NE(v, 0xFFFF);
}

TEST_F(BlockLayoutTest, IndentScopesChooseOddAndEvenPages)
{
    Make(1, 4);
    SetGeometry(1, 1);
    Doc().UpdatePage(1);
    ASSERT_EQ(Doc().GetPageNum(), 4);
    auto lefts = [&] {
        std::vector<int> l;
        for (int p = 0; p < 4; ++p)
            l.push_back(Block(p, 0)->m_rcBlock.left);
        return l;
    };
    const std::vector<int> start = lefts();
    Doc().UpdateStaffLeftIndent(1, 10);
    EXPECT_EQ(lefts(), (std::vector<int> {start[0] + 10, start[1], start[2] + 10, start[3]}));
    Doc().UpdateStaffLeftIndent(2, 10);
    EXPECT_EQ(lefts(), (std::vector<int> {start[0] + 10, start[1] + 10, start[2] + 10, start[3] + 10}));
    Doc().m_bModified = 0;
    Doc().UpdateStaffLeftIndent(3, 10);
    EXPECT_EQ(lefts(), (std::vector<int> {start[0] + 10, start[1] + 10, start[2] + 10, start[3] + 10}));
    EXPECT_EQ(Doc().m_bModified, 1);
}

TEST_F(BlockLayoutTest, StructureTestKeepsOnlyNotesRestsAndChordsInGroups)
{
    CKVMeas* m = score->Meas(0, 0);
    CKVMsg* group = score->Beam(m, {.x = 0, .code = DUR_EIGHTH});
    CKVMsg* a = score->Note(group, {.x = 0, .code = DUR_EIGHTH});
    score->Symbol(group, MSG_TEXT, 10);
    CKVMsg* chord = score->Chord(group, {.x = 40, .code = DUR_EIGHTH}, {0, -8});
    score->Symbol(chord, MSG_TEXT, 40);
    CKVMsg* stale = score->Note(group, {.x = 80, .code = DUR_EIGHTH});
    score->MakeStale(stale);
    ASSERT_EQ(group->GetMsgNum(), 4);

    Master()->TestSystemStruct();
    ASSERT_EQ(group->GetMsgNum(), 2);
    EXPECT_EQ(group->GetMsg(0), a);
    EXPECT_EQ(group->GetMsg(1), chord);
    EXPECT_EQ(chord->GetMsgNum(), 2);
    for (short i = 0; i < chord->GetMsgNum(); ++i)
        EXPECT_EQ(chord->GetMsg(i)->m_byKind, MSG_NOTE);
}

} // namespace

namespace {

TEST_F(ReflowTest, LyricPlaceTakesItsLineFromTheHeadAndCountsAMissingEntryAsZero)
{
    Doc().JumpToPage(0);
    ASSERT_NE(Doc().m_pCurMeas, nullptr);
    CKVMeas* meas = Doc().m_pCurMeas;
    CKVMsg* lyric = score->Symbol(meas, MSG_LYRIC, 64);
    unsigned char head[] = {5, 0, 7, 0};
    meas->SetHead(4, head);
    CKVBlock* block = Doc().m_pCurBlock;
    CKVPage* page = Doc().m_pCurPage;
    const int x = 3 + meas->MeasXToAbsX(64, MSG_LYRIC) + meas->m_rcMeas.left + block->m_rcBlock.left + page->m_rcPrint.left;
    const int y = meas->m_rcMeas.top + block->m_rcBlock.top + page->m_rcPrint.top;
    EXPECT_EQ(Doc().GetRealRectOfLyrics(lyric, 3, 1), CPoint(x, y + 7));
    EXPECT_EQ(Doc().GetRealRectOfLyrics(lyric, 3, 2), CPoint(x, y));
    EXPECT_EQ(Doc().GetRealRectOfLyrics(lyric, 3, -1), CPoint(x, y));
    Doc().m_pCurPage = nullptr;
    EXPECT_EQ(Doc().GetRealRectOfLyrics(lyric, 3, 1), CPoint(0, 0));
}

} // namespace
