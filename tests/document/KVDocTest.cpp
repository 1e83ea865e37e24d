#include "document/KVDoc.h"
#include "document/KVFileInfo.h"
#include "model/GlyphTables.h"
#include "model/KVBlock.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "support/FontSupport.h"
#include "support/KvTest.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

using kvtest::KvTest;

class KVDocTest : public KvTest {
protected:
    // The page geometry of an A4-like page at 96 dpi.
    void UseTestPage()
    {
        doc.m_pFileInfo->SetLogicPageInfo(POINT {1820, 2570}, RECT {220, 200, 220, 250}, 200, 100, 10, 8,
                                          POINT {96, 96});
    }

    std::vector<std::vector<int>> BlockCounts()
    {
        std::vector<std::vector<int>> pages;
        for (short p = 0; p < doc.GetPageNum(); ++p) {
            std::vector<int> counts;
            for (short b = 0; b < doc.GetPage(p)->GetBlockNum(); ++b)
                counts.push_back(doc.GetPage(p)->GetBlock(b)->m_nMeasCount);
            pages.push_back(counts);
        }
        return pages;
    }

    CKVStaff* Staff(short index) { return doc.m_arrSystem.GetAt(0)->GetStaff(index); }
    CKVMeas* Meas(short staff, int index) { return Staff(staff)->m_arrMeas.GetAt(index); }

    CKVDoc doc;
};

TEST_F(KVDocTest, NewDocumentStartsWithUsableMetricsAndEmptyLists)
{
    EXPECT_EQ(doc.m_nScoreFontSize, 17);
    EXPECT_EQ(doc.m_nFontHeight, 24);
    EXPECT_EQ(doc.m_nStaffSpace, 6);
    EXPECT_EQ(doc.m_nFontHeight78, 21);
    EXPECT_EQ(doc.m_pFileInfo->m_pDoc, &doc);
    EXPECT_EQ(doc.GetPageNum(), 0);
    EXPECT_EQ(doc.m_bBackupRecord, 0);
    EXPECT_EQ(doc.m_bHostNotice, 1);
    const BYTE kinds[3] = {63, 64, MSG_TEXT};
    for (int i = 0; i < 3; ++i) {
        ASSERT_NE(doc.m_pTitleMsg[i], nullptr);
        EXPECT_EQ(doc.m_pTitleMsg[i]->m_byKind, kinds[i]);
        EXPECT_NE(doc.m_pTitleMsg[i]->m_pPage, nullptr);
        EXPECT_EQ(doc.m_pTitleMsg[i]->m_pSystem, nullptr);
    }
    // The lock is re-entrant.
    EnterCriticalSection(doc.m_pCritSection);
    EnterCriticalSection(doc.m_pCritSection);
    LeaveCriticalSection(doc.m_pCritSection);
    LeaveCriticalSection(doc.m_pCritSection);
}

TEST_F(KVDocTest, CreateDocumentFillsBlocksAndPages)
{
    ASSERT_EQ(doc.CreateDocument(2, 8, 1, 4, 4), 1);
    EXPECT_EQ(BlockCounts(), (std::vector<std::vector<int>> {{3, 3, 2}}));
    ASSERT_EQ(doc.m_arrSystem.GetSize(), 1);
    CKVSystem* system = doc.m_arrSystem.GetAt(0);
    EXPECT_EQ(system->m_pDoc, &doc);

    // Two staves: the lower one gets the bass clef.
    EXPECT_EQ(Staff(1)->m_byClefType, 2);
    EXPECT_EQ(Staff(0)->m_byClefType, 1);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(Meas(1, i)->m_byInitClef, 2) << i;
        EXPECT_EQ(Meas(0, i)->m_byInitClef, 1) << i;
    }
    EXPECT_EQ(Meas(0, 7)->m_byEndBar, CKVMeas::BAR_FINAL);
    EXPECT_EQ(Meas(1, 7)->m_byEndBar, CKVMeas::BAR_FINAL);

    EXPECT_EQ(doc.m_bModified, 0);
    EXPECT_EQ(doc.m_nCaretMeasNum, 1);
    EXPECT_EQ(doc.m_pCurSystem, system);
    EXPECT_EQ(doc.m_pCurPage, doc.GetPage(0));
    EXPECT_EQ(doc.m_pCurBlock, doc.GetPage(0)->GetBlock(0));
    EXPECT_EQ(doc.m_pCurStaff, Staff(0));
    EXPECT_EQ(doc.m_pCurMeas, Meas(0, 0));
    EXPECT_EQ(nCurStaffSpace, doc.m_nStaffSpace);

    CKVDoc longer;
    ASSERT_EQ(longer.CreateDocument(2, 16, 1, 4, 4), 1);
    ASSERT_EQ(longer.GetPageNum(), 2);
    EXPECT_EQ(longer.GetPage(0)->GetBlockNum(), 5);
    for (short b = 0; b < 5; ++b)
        EXPECT_EQ(longer.GetPage(0)->GetBlock(b)->m_nMeasCount, 3);
    EXPECT_EQ(longer.GetPage(1)->GetBlockNum(), 1);
    EXPECT_EQ(longer.GetPage(1)->GetBlock(0)->m_nMeasCount, 1);
    EXPECT_EQ(longer.GetPage(1)->GetBlock(0)->m_nFirstMeas, 15);
}

TEST_F(KVDocTest, CreateDocumentCopiesSettingsIntoTheMirror)
{
    CKVCtrlTool mirror;
    mirror.m_wBlockDistance = 3;
    doc.m_pCtrlToolMirror = &mirror;
    ASSERT_EQ(doc.CreateDocument(1, 2, 1, 4, 4), 1);
    EXPECT_EQ(mirror.m_wBlockDistance, doc.m_CtrlTool.m_wBlockDistance);
}

TEST_F(KVDocTest, LayoutEndToEnd)
{
    doc.SetScoreFontSize(6);
    UseTestPage();
    ASSERT_EQ(doc.CreateDocument(2, 8, 1, 4, 4), 1);
    CKVPage* page = doc.GetPage(0);
    ASSERT_EQ(page->GetBlockNum(), 3);
    EXPECT_EQ(page->m_rcPrint, CRect(83, 75, 83 + 521, 75 + 802));

    CKVBlock* first = page->GetBlock(0);
    EXPECT_EQ(first->m_rcBlock, CRect(38, 75, 521, 171));
    ASSERT_EQ(first->m_arrMeasX.GetSize(), 4);
    EXPECT_EQ(first->m_arrMeasX.GetAt(0), 0);
    EXPECT_EQ(first->m_arrMeasX.GetAt(1), 161);
    EXPECT_EQ(first->m_arrMeasX.GetAt(2), 322);
    EXPECT_EQ(first->m_arrMeasX.GetAt(3), 483);
    ASSERT_EQ(first->m_arrStaffY.GetSize(), 2);
    EXPECT_EQ(first->m_arrStaffY.GetAt(0), 24);
    EXPECT_EQ(first->m_arrStaffY.GetAt(1), 96);

    EXPECT_EQ(page->GetBlock(1)->m_rcBlock.left, 1);
    EXPECT_EQ(page->GetBlock(1)->m_rcBlock.top, 232);
    CKVBlock* third = page->GetBlock(2);
    EXPECT_EQ(third->m_rcBlock.left, 1);
    EXPECT_EQ(third->m_rcBlock.top, 389);
    ASSERT_EQ(third->m_arrMeasX.GetSize(), 3);
    EXPECT_EQ(third->m_arrMeasX.GetAt(0), 0);
    EXPECT_EQ(third->m_arrMeasX.GetAt(1), 260);
    EXPECT_EQ(third->m_arrMeasX.GetAt(2), 520);

    EXPECT_EQ(Meas(0, 0)->m_rcMeas.top, 0);
    EXPECT_EQ(Meas(0, 0)->m_rcMeas.bottom, 28);
    EXPECT_EQ(Meas(1, 0)->m_rcMeas.top, 68);
    EXPECT_EQ(Meas(1, 0)->m_rcMeas.bottom, 100);

    ASSERT_EQ(first->m_arrStaffCtrl.GetSize(), 2);
    EXPECT_EQ(CRect(first->m_arrStaffCtrl.GetAt(0)->m_rect), CRect(-2, 0, 2, 24));
    EXPECT_EQ(CRect(first->m_arrStaffCtrl.GetAt(1)->m_rect), CRect(-2, 72, 2, 96));
    EXPECT_EQ(first->m_arrStaffCtrl.GetAt(0)->m_wKind, CKVBlock::HANDLE_STAFF);
    ASSERT_EQ(first->m_arrMeasCtrl.GetSize(), 3);
    EXPECT_EQ(first->m_arrMeasCtrl.GetAt(2)->m_wKind, CKVBlock::HANDLE_RIGHT_EDGE);

    EXPECT_EQ(doc.AddMeas(2, -1), 1);
    EXPECT_EQ(BlockCounts(), (std::vector<std::vector<int>> {{3, 3, 3, 1}}));
    EXPECT_EQ(page->GetBlock(3)->m_nFirstMeas, 9);
    EXPECT_EQ(doc.m_bModified, 1);
    EXPECT_EQ(doc.AddMeas(1, 4), 0);
}

TEST_F(KVDocTest, AddStaffKeepsTheBlocksApart)
{
    doc.SetScoreFontSize(6);
    UseTestPage();
    ASSERT_EQ(doc.CreateDocument(2, 8, 1, 4, 4), 1);
    CKVPage* page = doc.GetPage(0);
    const int gap = page->GetBlock(1)->m_rcBlock.top - page->GetBlock(0)->m_rcBlock.bottom;
    EXPECT_EQ(doc.AddStaff(1, -1), 1);
    for (short b = 0; b < 3; ++b)
        EXPECT_EQ(page->GetBlock(b)->GetStaffNum(), 3) << b;
    EXPECT_EQ(page->GetBlock(1)->m_rcBlock.top - page->GetBlock(0)->m_rcBlock.bottom, gap);
    EXPECT_EQ(page->GetBlock(2)->m_rcBlock.top - page->GetBlock(1)->m_rcBlock.bottom, gap);
    EXPECT_EQ(doc.AddStaff(1, 3), 0);
}

TEST_F(KVDocTest, PageFillingGuards)
{
    doc.m_pFileInfo->m_nMeasPerBlock = 0;
    ASSERT_EQ(doc.CreateDocument(1, 4, 1, 4, 4), 1);
    EXPECT_EQ(BlockCounts(), (std::vector<std::vector<int>> {{1, 1, 1, 1}}));
    // The record itself is left as read.
    EXPECT_EQ(doc.m_pFileInfo->m_nMeasPerBlock, 0);

    CKVDoc tall;
    tall.m_pFileInfo->m_nBlockPerPage = 0;
    ASSERT_EQ(tall.CreateDocument(1, 7, 1, 4, 4), 1);
    ASSERT_EQ(tall.GetPageNum(), 3);
    for (short p = 0; p < 3; ++p)
        EXPECT_EQ(tall.GetPage(p)->GetBlockNum(), 1) << p;

    EXPECT_EQ(doc.GetPage(doc.GetPageNum()), nullptr);
    EXPECT_EQ(doc.GetPage(-1), nullptr);
    CKVPage* page = doc.GetPage(0);
    EXPECT_EQ(doc.SetPage(doc.GetPageNum(), page), 0);
    EXPECT_EQ(doc.SetPage(-1, page), 0);
    EXPECT_EQ(doc.SetPage(0, page), 1);
    doc.UpdateMeasXY(static_cast<short>(doc.GetPageNum()));

    EXPECT_EQ(doc.MakeAddPage(4, 0), 1);
    EXPECT_EQ(doc.MakeAddPage(9, 1), 1);
    EXPECT_EQ(BlockCounts(), (std::vector<std::vector<int>> {{1, 1, 1, 1}}));
}

TEST_F(KVDocTest, MakeAddPageLaysOutNewMeasuresAfterTheLastBlock)
{
    ASSERT_EQ(doc.CreateDocument(1, 4, 1, 4, 4), 1);
    EXPECT_EQ(BlockCounts(), (std::vector<std::vector<int>> {{3, 1}}));
    doc.m_arrSystem.GetAt(0)->AddMeas(3);
    // A new block is forced although the last block has room.
    EXPECT_EQ(doc.MakeAddPage(4, 1), 1);
    EXPECT_EQ(BlockCounts(), (std::vector<std::vector<int>> {{3, 1, 3}}));
    EXPECT_EQ(doc.GetPage(0)->GetBlock(2)->m_nFirstMeas, 4);
}

TEST_F(KVDocTest, FontMetrics)
{
    struct Case {
        short size;
        short points, height, space, fourth;
    };
    for (const Case& c : {Case {6, 17, 24, 6, 21}, Case {10, 28, 40, 10, 35}, Case {1, 3, 8, 2, 7}}) {
        doc.m_sizeClef[8] = SIZE {1, 2};
        doc.m_sizeClef[10] = SIZE {3, 4};
        doc.m_sizeSpare[0] = SIZE {5, 6};
        doc.SetScoreFontSize(c.size);
        EXPECT_EQ(doc.m_nScoreFontSize, c.points) << c.size;
        EXPECT_EQ(doc.m_nFontHeight, c.height) << c.size;
        EXPECT_EQ(doc.m_nStaffSpace, c.space) << c.size;
        EXPECT_EQ(doc.m_nFontHeight78, c.fourth) << c.size;
        EXPECT_EQ(doc.LPtoDP_YA(8), c.space) << c.size;
        EXPECT_EQ(CSize(doc.m_sizeMark[47]), CSize(c.space, c.space));
        EXPECT_EQ(CSize(doc.m_sizeClef[7]), CSize(c.space, c.space));
        EXPECT_EQ(CSize(doc.m_sizePair[1]), CSize(c.space, c.space));
        EXPECT_EQ(CSize(doc.m_sizeClef[8]), CSize(1, 2));
        EXPECT_EQ(CSize(doc.m_sizeClef[10]), CSize(3, 4));
        EXPECT_EQ(CSize(doc.m_sizeSpare[0]), CSize(5, 6));
    }
    EXPECT_EQ(doc.LPtoDP_YA(12), 3);
}

class KVDocSymbolSizeTest : public KVDocTest {
protected:
    void SetUp() override
    {
        KVDocTest::SetUp();
        kvtest::UseFixedFontList({});
    }

    // Every code of the music font advances a whole em.
    void UseEvenMusicMetrics()
    {
        std::map<int, kvmusic::TestMetric> table;
        for (int code = 0; code <= 0xFF; ++code)
            table[code] = kvmusic::TestMetric {32, 16, 16};
        kvtest::UseMusicTestMetrics(&table);
    }
};

TEST_F(KVDocSymbolSizeTest, EachGroupTakesItsSizeRule)
{
    ASSERT_TRUE(kvmusic::Available()) << "the music stand-in needs Emmentaler";
    ASSERT_EQ(AddFontResourceA("ZelvoraB.TTF"), 1);
    UseEvenMusicMetrics();
    doc.m_sizeSpare[2] = SIZE {7, 8};
    doc.m_sizeClef[0] = SIZE {9, 10};
    doc.SetSymbolSize();
    const int w = doc.m_nFontHeight; // one em at the screen's 96 dpi

    for (int i = 0; i < CKVDoc::kMarkSizes; ++i) {
        int h = w;
        if (i >= 28 && i <= 34)
            h = w / 2;
        else if (i >= 40 && i <= 45)
            h = w + w / 2;
        EXPECT_EQ(CSize(doc.m_sizeMark[i]), CSize(w, h)) << "mark " << i;
    }
    EXPECT_EQ(CSize(doc.m_sizeClef[0]), CSize(9, 10));
    for (int i = 1; i < CKVDoc::kClefSizes; ++i) {
        EXPECT_EQ(CSize(doc.m_sizeClef[i]), CSize(w * 3 / 4, w * 5 / 4)) << "clef " << i;
    }
    for (int i = 0; i < CKVDoc::kDynamicSizes; ++i) {
        int h = w / 2;
        if (i == 1 || i == 3)
            h = MulDiv(w, 2, 3);
        else if (i == 2 || i == 5)
            h = w;
        EXPECT_EQ(CSize(doc.m_sizeDynamic[i]), CSize(w, h)) << "dynamic " << i;
    }
    EXPECT_EQ(CSize(doc.m_sizeSpare[2]), CSize(7, 8));
    for (int i = 0; i < CKVDoc::kSingleSizes; ++i) {
        int h = w;
        if (i >= 2 && i <= 5)
            h = w + (i - 2) * (w / 4);
        else if (i == 10)
            h = w * 5 / 2;
        EXPECT_EQ(CSize(doc.m_sizeSingle[i]), CSize(w, h)) << "single " << i;
    }
    EXPECT_EQ(CSize(doc.m_sizeFurther[1]), CSize(w, w));
    EXPECT_EQ(CSize(doc.m_sizeHead[0]), CSize(w, w / 2));
    EXPECT_EQ(CSize(doc.m_sizeHead[8]), CSize(w, w));
    for (int i = 0; i < CKVDoc::kRestSizes; ++i) {
        int h = w;
        if (i == 3)
            h = 3 * w;
        else if (i >= 6)
            h = 2 * w;
        EXPECT_EQ(CSize(doc.m_sizeRest[i]), CSize(w, h)) << "rest " << i;
    }
    EXPECT_EQ(CSize(doc.m_sizeShape[4]), CSize(w, w));
    EXPECT_EQ(CSize(doc.m_sizePair[0]), CSize(w, w * 3 / 4));
    EXPECT_EQ(CSize(doc.m_sizePair[1]), CSize(w, w * 3 / 4));
}

TEST_F(KVDocSymbolSizeTest, WithoutTheMusicFontTheSizesStay)
{
    UseEvenMusicMetrics();
    doc.SetScoreFontSize(10);
    doc.SetSymbolSize();
    EXPECT_EQ(CSize(doc.m_sizeMark[0]), CSize(10, 10));
    EXPECT_EQ(CSize(doc.m_sizeRest[3]), CSize(10, 10));
    EXPECT_EQ(CSize(doc.m_sizePair[0]), CSize(10, 10));
}

TEST_F(KVDocTest, ProgressIsSentOnlyWhenItChanges)
{
    doc.SetLoadPosInfo(30);
    EXPECT_TRUE(host.progress.empty());

    doc.m_hProgressWnd = GetHostProgressWnd()->GetSafeHwnd();
    doc.SetLoadPosInfo(50);
    doc.SetLoadPosInfo(50);
    ASSERT_EQ(host.progress.size(), 1u);
    EXPECT_EQ(host.progress[0].percent, 50);
    EXPECT_FALSE(host.progress[0].text.has_value());

    doc.SetLoadPosInfo(150);
    doc.SetLoadPosInfo(101);
    doc.SetLoadPosInfo(-1);
    ASSERT_EQ(host.progress.size(), 3u);
    EXPECT_EQ(host.progress[1].percent, 100);
    EXPECT_EQ(host.progress[2].percent, 0);

    // The last value is shared by every document.
    CKVDoc other;
    other.m_hProgressWnd = doc.m_hProgressWnd;
    other.SetLoadPosInfo(0);
    EXPECT_EQ(host.progress.size(), 3u);
}

TEST_F(KVDocTest, RedrawRectangleOfTheMiddleStaff)
{
    doc.SetScoreFontSize(6);
    UseTestPage();
    ASSERT_EQ(doc.CreateDocument(3, 8, 1, 4, 4), 1);
    doc.m_pCurPage = doc.GetPage(0);
    doc.m_pCurBlock = doc.m_pCurPage->GetBlock(0);
    doc.m_pCurMeas = Meas(1, 1);
    doc.GetReDrawRect();
    EXPECT_EQ(doc.m_rcRedraw, CRect(270, 174, 455, 318));
    EXPECT_EQ(doc.m_bRedrawPending, 1);
}

TEST_F(KVDocTest, RedrawRectangleOfASingleStaffRunsFromBlockToBlock)
{
    doc.SetScoreFontSize(6);
    UseTestPage();
    ASSERT_EQ(doc.CreateDocument(1, 8, 1, 4, 4), 1);
    doc.m_pCurPage = doc.GetPage(0);
    doc.m_pCurBlock = doc.m_pCurPage->GetBlock(0);
    doc.m_pCurMeas = Meas(0, 1);
    doc.GetReDrawRect();
    EXPECT_EQ(doc.m_rcRedraw, CRect(270, 75, 455, 235));
    EXPECT_EQ(doc.m_bRedrawPending, 1);
}

TEST_F(KVDocTest, RedrawRectangleNeedsACurrentMeasureOfTheBlock)
{
    doc.SetScoreFontSize(6);
    UseTestPage();
    ASSERT_EQ(doc.CreateDocument(2, 8, 1, 4, 4), 1);
    doc.m_pCurPage = doc.GetPage(0);
    doc.m_pCurBlock = doc.m_pCurPage->GetBlock(1);
    const CRect before = doc.m_rcRedraw;

    doc.m_pCurMeas = nullptr;
    doc.GetReDrawRect();
    // A measure before the block, one after it, and one of no staff.
    doc.m_pCurMeas = Meas(0, 0);
    doc.GetReDrawRect();
    doc.m_pCurMeas = Meas(0, 7);
    doc.GetReDrawRect();
    CKVMeas stray;
    doc.m_pCurMeas = &stray;
    doc.GetReDrawRect();
    doc.m_pCurMeas = Meas(0, 3);
    doc.m_pCurBlock = nullptr;
    doc.GetReDrawRect();
    EXPECT_EQ(doc.m_bRedrawPending, 0);
    EXPECT_EQ(doc.m_rcRedraw, before);
}

TEST_F(KVDocTest, InitializeEmptiesTheDocumentForReuse)
{
    ASSERT_EQ(doc.CreateDocument(2, 8, 1, 4, 4), 1);
    doc.Initialize();
    EXPECT_EQ(doc.GetPageNum(), 0);
    EXPECT_EQ(doc.m_arrSystem.GetSize(), 0);
    EXPECT_EQ(doc.m_pCurSystem, nullptr);
    EXPECT_EQ(doc.m_pCurPage, nullptr);
    EXPECT_EQ(doc.m_pCurBlock, nullptr);
    EXPECT_EQ(doc.m_pCurStaff, nullptr);
    EXPECT_EQ(doc.m_pCurMeas, nullptr);

    ASSERT_EQ(doc.CreateDocument(1, 4, 1, 4, 4), 1);
    EXPECT_EQ(BlockCounts(), (std::vector<std::vector<int>> {{3, 1}}));
    EXPECT_EQ(doc.m_pCurMeas, Meas(0, 0));

    doc.m_nCurPage = 3;
    doc.m_nCaretMeasNum = 9;
    EXPECT_EQ(doc.Open(), 1);
    EXPECT_EQ(doc.m_nCurPage, 0);
    EXPECT_EQ(doc.m_nCaretMeasNum, 1);
}

TEST_F(KVDocTest, SymbolMovedBetweenMeasuresIsDeletedOnce)
{
    ASSERT_EQ(doc.CreateDocument(1, 4, 1, 4, 4), 1);
    CKVMeas* from = Meas(0, 0);
    CKVMeas* to = Meas(0, 1);
    CKVMsg* text = new CKVMsg;
    text->m_byKind = MSG_FREETEXT;
    ASSERT_GE(from->CKVObject::AddMsg(text, kHolderOwns, kParentHere), 0);
    from->RemoveMsgAt(0);
    ASSERT_GE(to->CKVObject::AddMsg(text, kHolderOwns, kParentHere), 0);
    // The document's destructor, run by the fixture, must free it once.
}

TEST_F(KVDocTest, DrumStaffRefusesALaterClefChange)
{
    // The percussion clef alone does not change the staff kind; a drum staff
    // is made by the drum staff-making mode, which sets it.
    ASSERT_EQ(doc.CreateDocument(1, 4, CKVStaff::CLEF_DRUM, 4, 4), 1);
    EXPECT_EQ(Staff(0)->m_byStaffKind, CKVStaff::KIND_NORMAL);
    Staff(0)->m_byStaffKind = CKVStaff::KIND_DRUM;
    EXPECT_EQ(doc.UpdateClefType(Meas(0, 1), 1, 0), 0);
    ASSERT_EQ(host.beeps.size(), 1u);
    EXPECT_EQ(host.beeps[0], 0x00FFFFFFu);
    EXPECT_EQ(Meas(0, 1)->m_byInitClef, CKVStaff::CLEF_DRUM);
    EXPECT_EQ(doc.m_bModified, 0);
}

TEST_F(KVDocTest, ClefChangeRunsUntilAnotherClef)
{
    ASSERT_EQ(doc.CreateDocument(1, 6, 1, 4, 4), 1);
    Meas(0, 4)->m_byInitClef = 3;
    // Inside the header of a measure that does not open the current block:
    // the change starts at that measure.
    EXPECT_EQ(doc.UpdateClefType(Meas(0, 1), 2, 0), 1);
    std::vector<int> clefs;
    for (int i = 0; i < 6; ++i)
        clefs.push_back(Meas(0, i)->m_byInitClef);
    EXPECT_EQ(clefs, (std::vector<int> {1, 2, 2, 2, 3, 1}));
    EXPECT_EQ(Staff(0)->m_byClefType, 1);
    EXPECT_EQ(doc.m_bModified, 1);

    EXPECT_EQ(doc.UpdateClefType(nullptr, 2, 0), 0);
    CKVMeas stray;
    EXPECT_EQ(doc.UpdateClefType(&stray, 2, 0), 0);
    EXPECT_TRUE(host.beeps.empty());
}

} // namespace
