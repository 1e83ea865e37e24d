#include "document/KVDoc.h"
#include "document/KVFileInfo.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "support/KvTest.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace {

using kvtest::KvTest;

class KVPageTest : public KvTest {
protected:
    // A block without staves whose boundaries are given; the page owns it.
    CKVBlock* AddBareBlock(CKVPage& page, std::initializer_list<int> bounds)
    {
        CKVBlock* block = new CKVBlock;
        for (int x : bounds)
            block->m_arrMeasX.Add(static_cast<WORD>(x));
        block->m_nMeasCount = static_cast<short>(bounds.size() > 0 ? bounds.size() - 1 : 0);
        page.m_arrBlock.Add(block);
        return block;
    }

    static std::vector<int> Widths(CKVBlock* block)
    {
        std::vector<int> widths;
        for (int i = 0; i + 1 < block->m_arrMeasX.GetSize(); ++i)
            widths.push_back(block->m_arrMeasX.GetAt(i + 1) - block->m_arrMeasX.GetAt(i));
        return widths;
    }
};

TEST_F(KVPageTest, LeftMarginTakesTheRemainderFromTheLastMeasure)
{
    CKVPage page;
    page.m_rcPrint.SetRect(80, 70, 520, 800);
    CKVBlock* block = AddBareBlock(page, {0, 100, 200, 300, 400});

    page.SetLeftMargin(10);
    EXPECT_EQ(Widths(block), (std::vector<int> {98, 98, 98, 96}));
    EXPECT_EQ(block->m_arrMeasX.GetAt(0), 0);
    EXPECT_EQ(page.m_rcPrint.left, 90);
    EXPECT_EQ(page.m_rcPrint.right, 520);

    // Fewer dots than measures: one dot each from the first measures.
    page.SetLeftMargin(3);
    EXPECT_EQ(Widths(block), (std::vector<int> {97, 97, 97, 96}));
    page.SetLeftMargin(-3);
    EXPECT_EQ(Widths(block), (std::vector<int> {98, 98, 98, 96}));
    EXPECT_EQ(page.m_rcPrint.left, 90);

    page.SetLeftMargin(0);
    EXPECT_EQ(Widths(block), (std::vector<int> {98, 98, 98, 96}));
}

TEST_F(KVPageTest, RightMarginGivesTheMeasuresItsDots)
{
    CKVPage page;
    page.m_rcPrint.SetRect(80, 70, 520, 800);
    CKVBlock* block = AddBareBlock(page, {10, 110, 210, 310, 410});
    page.SetRightMargin(10);
    EXPECT_EQ(Widths(block), (std::vector<int> {102, 102, 102, 104}));
    EXPECT_EQ(block->m_arrMeasX.GetAt(0), 10);
    EXPECT_EQ(page.m_rcPrint.right, 530);

    page.SetMargin(5, -5, 0, 0);
    EXPECT_EQ(page.m_rcPrint, CRect(80, 75, 530, 795));
}

TEST_F(KVPageTest, MarginsSkipBlocksWithoutMeasures)
{
    CKVPage page;
    CKVBlock* empty = AddBareBlock(page, {7});
    CKVBlock* full = AddBareBlock(page, {0, 100, 200, 300, 400});
    page.SetLeftMargin(10);
    page.SetRightMargin(-3);
    ASSERT_EQ(empty->m_arrMeasX.GetSize(), 1);
    EXPECT_EQ(empty->m_arrMeasX.GetAt(0), 7);
    EXPECT_EQ(Widths(full), (std::vector<int> {97, 97, 97, 96}));
    EXPECT_EQ(page.m_rcPrint.left, 10);
    EXPECT_EQ(page.m_rcPrint.right, -3);
}

TEST_F(KVPageTest, PageSymbolsKeepTheirIndexesInRange)
{
    CKVPage page;
    EXPECT_TRUE(page.IsEmptyPage());
    EXPECT_TRUE(page.IsNoStaffPage());

    CKVMsg* text = new CKVMsg;
    text->m_byKind = MSG_TEXT;
    text->m_pPage = &page;
    EXPECT_EQ(page.AddMsg(text), 0);
    // A text alone makes a page that is not empty but has no staff.
    EXPECT_FALSE(page.IsEmptyPage());
    EXPECT_TRUE(page.IsNoStaffPage());

    EXPECT_EQ(page.GetMsg(0), text);
    EXPECT_EQ(page.GetMsg(-1), nullptr);
    EXPECT_EQ(page.GetMsg(1), nullptr);

    CKVMsg* first = new CKVMsg;
    CKVMsg* last = new CKVMsg;
    EXPECT_EQ(page.InsertMsg(-4, first), 0);
    EXPECT_EQ(page.InsertMsg(99, last), 2);
    ASSERT_EQ(page.GetMsgNum(), 3);
    EXPECT_EQ(page.GetMsg(0), first);
    EXPECT_EQ(page.GetMsg(1), text);
    EXPECT_EQ(page.GetMsg(2), last);

    page.RemoveMsg(3);
    page.RemoveMsg(-1);
    EXPECT_EQ(page.GetMsgNum(), 3);
    page.RemoveMsg(1);
    ASSERT_EQ(page.GetMsgNum(), 2);
    EXPECT_EQ(page.GetMsg(1), last);
}

TEST_F(KVPageTest, BlockListIndexesAndHitTests)
{
    CKVPage page;
    CKVBlock* upper = AddBareBlock(page, {0, 100});
    upper->m_rcBlock.SetRect(1, 10, 401, 60);
    CKVBlock* lower = AddBareBlock(page, {0, 100});
    lower->m_rcBlock.SetRect(1, 100, 401, 150);

    EXPECT_EQ(page.GetBlockNum(), 2);
    EXPECT_EQ(page.GetBlock(1), lower);
    EXPECT_EQ(page.GetBlock(2), nullptr);
    EXPECT_EQ(page.GetBlock(-1), nullptr);

    POINT rel {};
    EXPECT_EQ(page.GetBlockFromPoint(POINT {11, 120}, &rel), lower);
    EXPECT_EQ(rel.x, 10);
    EXPECT_EQ(rel.y, 20);
    EXPECT_EQ(page.GetBlockFromPoint(POINT {11, 80}, &rel), nullptr);

    // A block not on the page is not moved.
    CKVBlock stranger;
    EXPECT_EQ(page.MoveBlock(&stranger, 0, POINT {5, 5}), 0);

    EXPECT_EQ(page.RemoveBlock(2), -1);
    EXPECT_EQ(page.RemoveBlock(0), 1);
    EXPECT_EQ(page.GetBlock(0), lower);
}

TEST_F(KVPageTest, NewPageTakesThePrintableRectangleOfTheFileInfo)
{
    CKVFileInfo info;
    info.m_nLeftMargin = 83;
    info.m_nTopMargin = 75;
    info.m_lPrintWidth = 521;
    info.m_lPrintHeight = 802;
    CKVPage page(&info);
    EXPECT_EQ(page.m_rcPrint, CRect(0, 0, 0, 0));
    EXPECT_EQ(page.Create(&info), 1);
    EXPECT_EQ(page.m_rcPrint, CRect(83, 75, 604, 877));
}

// Pages of a laid-out document.
class KVPageLayoutTest : public KVPageTest {
protected:
    void SetUp() override
    {
        KVPageTest::SetUp();
        doc.m_pFileInfo->SetLogicPageInfo(POINT {1820, 2570}, RECT {220, 200, 220, 250}, 200, 100, 10, 8,
                                          POINT {96, 96});
    }

    CKVDoc doc;
};

TEST_F(KVPageLayoutTest, BlocksStackBelowTheLastOne)
{
    ASSERT_EQ(doc.CreateDocument(2, 4, 1, 4, 4), 1);
    CKVSystem* system = doc.m_arrSystem.GetAt(0);
    const int s = doc.m_nStaffSpace;

    CKVPage page;
    page.m_pDoc = &doc;
    page.Create(doc.m_pFileInfo);
    CKVBlock* first = page.AddBlock(system, 0, 2);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->m_rcBlock.left, 1);
    EXPECT_EQ(first->m_rcBlock.top, doc.m_pFileInfo->m_nFirstBlockY);
    EXPECT_EQ(first->m_nNominalMeasCount, doc.m_pFileInfo->m_nMeasPerBlock);
    const int lastY = first->m_arrStaffY.GetAt(first->m_arrStaffY.GetSize() - 1);

    CKVBlock* second = page.AddBlock(system, 2, 2);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->m_rcBlock.top, first->m_rcBlock.top + lastY + 1 + 10 * s);

    // A block handed over moves below the last one, without the extra dot.
    CKVBlock* moved = doc.GetPage(0)->GetBlock(0);
    doc.GetPage(0)->m_arrBlock.RemoveAt(0);
    const int height = moved->m_rcBlock.Height();
    const int width = moved->m_rcBlock.Width();
    EXPECT_EQ(page.AddBlock(moved, 0), 3);
    EXPECT_EQ(moved->m_pPage, &page);
    EXPECT_EQ(moved->m_rcBlock.top, second->m_rcBlock.top + lastY + 10 * s);
    EXPECT_EQ(moved->m_rcBlock.Height(), height);
    EXPECT_EQ(moved->m_rcBlock.Width(), width);
    EXPECT_EQ(page.AddBlock(static_cast<CKVBlock*>(nullptr), 0), 3);
}

TEST_F(KVPageLayoutTest, BlockOfMeasureAndPageRectangle)
{
    ASSERT_EQ(doc.CreateDocument(2, 8, 1, 4, 4), 1);
    CKVPage* page = doc.GetPage(0);
    CKVStaff* lower = doc.m_arrSystem.GetAt(0)->GetStaff(1);
    CKVMeas* meas = lower->m_arrMeas.GetAt(4);

    short staff = 9;
    CKVBlock* block = page->GetBlockOfMeas(meas, &staff);
    EXPECT_EQ(block, page->GetBlock(1));
    EXPECT_EQ(staff, 1);

    // A normal block is found before an ossia block that shows the same run.
    CKVBlock* ossia = new CKVBlock;
    ossia->m_byKind = CKVBlock::KIND_OSSIA;
    ossia->m_pPage = page;
    ossia->m_pSystem = doc.m_arrSystem.GetAt(0);
    ossia->m_nFirstMeas = 3;
    ossia->AddStaff(lower);
    ossia->m_nMeasCount = 3;
    page->m_arrOssiaBlock.Add(ossia);
    EXPECT_EQ(page->GetBlockOfMeas(meas, &staff), page->GetBlock(1));
    page->GetBlock(1)->m_nFirstMeas = 99;
    EXPECT_EQ(page->GetBlockOfMeas(meas, &staff), ossia);
    EXPECT_EQ(staff, 0);
    page->GetBlock(1)->m_nFirstMeas = 3;

    const CRect r = page->MeasRectToPageRect(meas, CRect(1, 2, 3, 4));
    EXPECT_EQ(r.left, 1 + block->m_rcBlock.left + page->m_rcPrint.left);
    EXPECT_EQ(r.top, 2 + block->m_rcBlock.top + page->m_rcPrint.top);

    CKVMeas stray;
    EXPECT_EQ(page->GetBlockOfMeas(&stray, &staff), nullptr);
    EXPECT_EQ(staff, -1);
    EXPECT_EQ(page->MeasRectToPageRect(&stray, CRect(1, 2, 3, 4)), CRect(0, 0, 0, 0));
}

TEST_F(KVPageLayoutTest, StreamRoundTripAndTruncation)
{
    ASSERT_EQ(doc.CreateDocument(2, 8, 1, 4, 4), 1);
    CKVPage* page = doc.GetPage(0);
    CMemFile file;
    ASSERT_EQ(page->Save(&file), 24);
    const DWORD length = file.GetLength();

    std::vector<BYTE> bytes(length);
    file.SeekToBegin();
    ASSERT_EQ(file.Read(bytes.data(), length), length);
    EXPECT_EQ(bytes[0], 3);
    for (int i = 1; i < 24; ++i)
        EXPECT_EQ(bytes[static_cast<size_t>(i)], 0) << i;

    CKVPage copy;
    copy.m_pDoc = &doc;
    file.SeekToBegin();
    ASSERT_EQ(copy.Load(&file), 24);
    ASSERT_EQ(copy.GetBlockNum(), page->GetBlockNum());
    for (short b = 0; b < page->GetBlockNum(); ++b) {
        CKVBlock* a = page->GetBlock(b);
        CKVBlock* c = copy.GetBlock(b);
        EXPECT_EQ(c->m_rcBlock, a->m_rcBlock);
        EXPECT_EQ(c->m_nFirstMeas, a->m_nFirstMeas);
        EXPECT_EQ(c->m_nMeasCount, a->m_nMeasCount);
        ASSERT_EQ(c->GetStaffNum(), a->GetStaffNum());
        EXPECT_EQ(c->GetStaff(1), a->GetStaff(1));
        for (int k = 0; k < a->m_arrStaffY.GetSize(); ++k)
            EXPECT_EQ(c->m_arrStaffY.GetAt(k), a->m_arrStaffY.GetAt(k));
        for (int i = 0; i < a->m_nMeasCount; ++i)
            EXPECT_EQ(c->m_arrMeasX.GetAt(i), a->m_arrMeasX.GetAt(i));
    }

    // Cut inside the last block, and inside the head.
    for (DWORD cut : {length - 1, DWORD {10}}) {
        CMemFile shorter;
        shorter.Write(bytes.data(), cut);
        shorter.SeekToBegin();
        CKVPage broken;
        broken.m_pDoc = &doc;
        EXPECT_EQ(broken.Load(&shorter), -1) << cut;
        EXPECT_EQ(broken.GetBlockNum(), 0) << cut;
    }
}

TEST_F(KVPageLayoutTest, RemovedBlockIsDeletedWhenUndoDoesNotTakeIt)
{
    ASSERT_EQ(doc.CreateDocument(2, 8, 1, 4, 4), 1);
    CKVPage* page = doc.GetPage(0);
    CKVBlock* last = page->GetBlock(2);
    EXPECT_EQ(page->RemoveBlock(0), 2);
    EXPECT_EQ(page->GetBlock(1), last);
    DWORD size = 0;
    page->GetMemorySize(size);
    DWORD blocks = 0;
    page->GetBlock(0)->GetMemorySize(blocks);
    page->GetBlock(1)->GetMemorySize(blocks);
    EXPECT_EQ(size, 108u + 8u + blocks);
}

TEST_F(KVPageLayoutTest, MoveBlockWithoutBackupLinkMovesTheBlockItself)
{
    ASSERT_EQ(doc.CreateDocument(2, 8, 1, 4, 4), 1);
    CKVPage* page = doc.GetPage(0);
    CKVBlock* block = page->GetBlock(1);
    CKVBlock* after = page->GetBlock(2);
    ASSERT_EQ(block->GetCurBackupObj(), nullptr);
    const int left = block->m_rcBlock.left;
    const int afterTop = after->m_rcBlock.top;
    EXPECT_EQ(page->MoveBlock(block, 0, POINT {4, 0}), 1);
    EXPECT_GT(block->m_rcBlock.left, left);
    EXPECT_EQ(after->m_rcBlock.top, afterTop);
}

} // namespace
