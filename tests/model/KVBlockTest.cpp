// Blocks: staff positions, the even spread of measure boundaries, layout of
// measure rectangles and handles, drags, hit-tests and the older stream form.

#include "document/KVDoc.h"
#include "document/KVFileInfo.h"
#include "model/ImportState.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMeas.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "support/KvTest.h"
#include "support/RecordBytes.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using kvtest::FileBytes;

std::vector<int> Boundaries(const CKVBlock& block)
{
    std::vector<int> xs;
    for (int i = 0; i < block.m_arrMeasX.GetSize(); ++i)
        xs.push_back(static_cast<short>(block.m_arrMeasX.GetAt(i)));
    return xs;
}

std::vector<int> StaffYs(const CKVBlock& block)
{
    std::vector<int> ys;
    for (int i = 0; i < block.m_arrStaffY.GetSize(); ++i)
        ys.push_back(static_cast<short>(block.m_arrStaffY.GetAt(i)));
    return ys;
}

// With staff space 16 and staff distance 8, five-line staves stand 64 high
// and 128 apart: bottom lines at 64, 256, 448.
constexpr int kSpace = 16;
constexpr int kDistance = 8;

class KVBlockTest : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        doc = std::make_unique<CKVDoc>();
        ASSERT_NE(doc->m_pFileInfo, nullptr);
        doc->m_nStaffSpace = kSpace;
        doc->m_pFileInfo->m_nStaffDistance = kDistance;
        page = std::make_unique<CKVPage>();
        page->m_pDoc = doc.get();
        page->m_rcPrint = CRect(0, 0, 1000, 1400);
    }

    void TearDown() override
    {
        bImportConverting = 0;
        page.reset();
        system.reset();
        doc.reset();
        KvTest::TearDown();
    }

    void MakeSystem(short staves, LONG measures)
    {
        system = std::make_unique<CKVSystem>();
        system->Initialize(system.get(), OBJ_SYSTEM);
        system->m_pDoc = doc.get();
        ASSERT_EQ(system->Create(staves, measures, 1, 4, 4), 1);
        ASSERT_EQ(system->GetStaffNum(), staves);
    }

    // A block of the page, which owns it.
    CKVBlock* AddBlock(POINT topLeft, LONG first, short count)
    {
        CKVBlock* block = new CKVBlock;
        EXPECT_EQ(block->Create(page.get(), topLeft, system.get(), first, count), 1);
        page->m_arrBlock.Add(block);
        return block;
    }

    CKVMeas* Meas(short staff, short meas) { return system->GetMeas(staff, meas); }

    std::unique_ptr<CKVDoc> doc;
    std::unique_ptr<CKVSystem> system;
    std::unique_ptr<CKVPage> page;
};

// --- Staff positions -----------------------------------------------------------------

TEST_F(KVBlockTest, StavesStandOneStaffHeightAndTheStaffDistanceApart)
{
    ASSERT_NO_FATAL_FAILURE(MakeSystem(3, 4));
    CKVBlock* block = AddBlock(CPoint(0, 0), 0, 4);
    EXPECT_EQ(StaffYs(*block), (std::vector<int>{64, 256, 448}));
    ASSERT_EQ(block->m_arrStaffEntry.GetSize(), 3);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(block->m_arrStaffEntry[k]->wValue, kSpace) << k;
        EXPECT_EQ(block->m_arrStaffEntry[k]->pStaff, system->GetStaff(static_cast<short>(k))) << k;
    }
    EXPECT_EQ(block->m_rcBlock.bottom, 448);
    EXPECT_EQ(block->LastStaffY(), 448);

    // A staff put back in the middle pushes the ones below down again and
    // gets the inserted-staff value.
    CKVStaff* middle = system->GetStaff(1);
    EXPECT_EQ(block->DeleteStaff(1, 1), 1);
    EXPECT_EQ(StaffYs(*block), (std::vector<int>{64, 256}));
    EXPECT_EQ(block->InsertStaff(1, middle), 1);
    EXPECT_EQ(block->GetStaff(1), middle);
    EXPECT_EQ(StaffYs(*block), (std::vector<int>{64, 256, 448}));
    ASSERT_EQ(block->m_arrStaffEntry.GetSize(), 3);
    EXPECT_EQ(block->m_arrStaffEntry[2]->wValue, CKVBlock::INSERTED_STAFF_VALUE);
    EXPECT_EQ(block->m_arrStaffEntry[2]->pStaff, middle);
    // The stored words are signed: a last staff above the block's top.
    block->m_arrStaffY.SetAt(2, static_cast<WORD>(-16));
    EXPECT_EQ(block->LastStaffY(), -16);
}

TEST_F(KVBlockTest, DeletingSeveralStavesKeepsYsAndEntriesInStep)
{
    ASSERT_NO_FATAL_FAILURE(MakeSystem(3, 4));
    CKVBlock* block = AddBlock(CPoint(0, 0), 0, 4);
    EXPECT_EQ(block->DeleteStaff(0, 2), 2);
    EXPECT_EQ(block->GetStaffNum(), 1);
    EXPECT_EQ(block->GetStaff(0), system->GetStaff(2));
    // The remaining staff moves up to where the first staff stood.
    EXPECT_EQ(StaffYs(*block), (std::vector<int>{64}));
    ASSERT_EQ(block->m_arrStaffEntry.GetSize(), 1);
    EXPECT_EQ(block->m_arrStaffEntry[0]->pStaff, system->GetStaff(2));

    // More than are left removes what is there; an index outside removes none.
    EXPECT_EQ(block->DeleteStaff(0, 5), 1);
    EXPECT_EQ(block->m_arrStaffY.GetSize(), 0);
    EXPECT_EQ(block->LastStaffY(), 0);
    EXPECT_EQ(block->m_arrStaffEntry.GetSize(), 0);
    EXPECT_EQ(block->DeleteStaff(0, 1), 0);
    EXPECT_EQ(block->DeleteStaff(-1, 1), 0);
}

TEST_F(KVBlockTest, GetStaffOutsideTheListIsNull)
{
    ASSERT_NO_FATAL_FAILURE(MakeSystem(2, 4));
    CKVBlock* block = AddBlock(CPoint(0, 0), 0, 4);
    EXPECT_EQ(block->GetStaff(1), system->GetStaff(1));
    EXPECT_EQ(block->GetStaff(2), nullptr);
    EXPECT_EQ(block->GetStaff(-1), nullptr);
}

// --- Block spread ----------------------------------------------------------------------

TEST_F(KVBlockTest, BlockSpreadGivesTheFirstMeasureTheHeader)
{
    ASSERT_NO_FATAL_FAILURE(MakeSystem(2, 8));
    CKVBlock* block = AddBlock(CPoint(0, 0), 0, 4);
    ASSERT_EQ(block->m_rcBlock.Width(), 1000);
    Meas(0, 0)->m_nHeaderWidth = 40;
    block->InitMeasPos();
    EXPECT_EQ(block->m_nMeasCount, 4);
    EXPECT_EQ(Boundaries(*block), (std::vector<int>{0, 280, 520, 760, 1000}));
    // Layout places each shown measure of every staff on its boundaries.
    for (short k = 0; k < 2; ++k) {
        EXPECT_EQ(Meas(k, 1)->m_nLeftX, 280) << k;
        EXPECT_EQ(Meas(k, 1)->m_rcMeas.left, 280) << k;
        EXPECT_EQ(Meas(k, 1)->m_rcMeas.right, 520) << k;
    }
    EXPECT_EQ(Meas(1, 3)->m_nStaffY, 256);
    // A measure outside the block is not touched.
    EXPECT_EQ(Meas(0, 4)->m_rcMeas, CRect(0, 0, 0, 0));
}

TEST_F(KVBlockTest, AdjustMeasWidthUsesTheFixedHeader)
{
    ASSERT_NO_FATAL_FAILURE(MakeSystem(1, 3));
    page->m_rcPrint = CRect(0, 0, 600, 800);
    CKVBlock* block = AddBlock(CPoint(0, 0), 0, 3);
    Meas(0, 0)->m_nHeaderWidth = 80; // not used by this spread
    EXPECT_EQ(block->AdjustMeasWidth(), 1);
    EXPECT_EQ(Boundaries(*block), (std::vector<int>{0, 219, 409, 600}));
}

TEST_F(KVBlockTest, BlockWithoutMeasuresKeepsOnlyItsFirstBoundary)
{
    ASSERT_NO_FATAL_FAILURE(MakeSystem(2, 8));
    CKVBlock* block = AddBlock(CPoint(0, 0), 0, 4);
    EXPECT_EQ(block->DeleteMeas(1), 3);
    EXPECT_EQ(Boundaries(*block), (std::vector<int>{0, 333, 666, 1000}));

    // More than the block holds removes what it holds.
    EXPECT_EQ(block->DeleteMeas(10), 0);
    EXPECT_EQ(Boundaries(*block), (std::vector<int>{0}));
    EXPECT_EQ(block->m_arrMeasCtrl.GetSize(), 0);
    EXPECT_EQ(block->m_arrStaffCtrl.GetSize(), 2);
    EXPECT_EQ(block->m_rcBlock.Width(), 1000);
    EXPECT_EQ(block->AdjustMeasWidth(), 1);
    EXPECT_EQ(Boundaries(*block), (std::vector<int>{0}));
    EXPECT_EQ(block->DeleteMeas(1), 0);
    block->InitMeasPos();
    EXPECT_EQ(Boundaries(*block), (std::vector<int>{0}));

    // Measures added back spread over the width the block kept.
    EXPECT_EQ(block->AddMeas(2), 2);
    EXPECT_EQ(Boundaries(*block), (std::vector<int>{0, 500, 1000}));
    EXPECT_EQ(block->m_rcBlock.Width(), 1000);
}

TEST_F(KVBlockTest, OssiaBlockReachesFourStaffSpacesBelowItsLastStaff)
{
    ASSERT_NO_FATAL_FAILURE(MakeSystem(2, 4));
    CKVBlock* block = AddBlock(CPoint(5, 100), 0, 4);
    EXPECT_EQ(block->m_rcBlock.bottom, 100 + 256);
    block->m_byKind = CKVBlock::KIND_OSSIA;
    block->UpdateMeasXY(1, kSkipCrossStaff, kWithoutBackup);
    EXPECT_EQ(block->m_rcBlock.bottom, 100 + 256 + 4 * kSpace);
}

TEST_F(KVBlockTest, LeftIndentMovesTheLeftEdgeAndSpreadsAgain)
{
    ASSERT_NO_FATAL_FAILURE(MakeSystem(1, 8));
    CKVBlock* block = AddBlock(CPoint(0, 0), 0, 4);
    Meas(0, 0)->m_nHeaderWidth = 40;
    block->UpdateStaffLeftIndent(100);
    EXPECT_EQ(block->m_rcBlock.left, 100);
    EXPECT_EQ(block->m_rcBlock.right, 1000);
    EXPECT_EQ(Boundaries(*block), (std::vector<int>{0, 255, 470, 685, 900}));

    // Without measures there is nothing to spread.
    block->DeleteMeas(4);
    block->UpdateStaffLeftIndent(50);
    EXPECT_EQ(block->m_rcBlock.left, 100);
    EXPECT_EQ(Boundaries(*block), (std::vector<int>{0}));
}

// --- Layout -----------------------------------------------------------------------------

TEST_F(KVBlockTest, LayoutOfTheFirstBlockOfANewScore)
{
    // A score at staff space 6 on a printable width of 521.
    doc->m_nStaffSpace = 6;
    page->m_rcPrint = CRect(83, 75, 604, 877);
    ASSERT_NO_FATAL_FAILURE(MakeSystem(2, 8));
    CKVBlock* block = AddBlock(CPoint(38, 75), 0, 3);

    EXPECT_EQ(block->m_rcBlock, CRect(38, 75, 521, 171));
    EXPECT_EQ(Boundaries(*block), (std::vector<int>{0, 161, 322, 483}));
    EXPECT_EQ(StaffYs(*block), (std::vector<int>{24, 96}));
    for (short i = 0; i < 3; ++i) {
        EXPECT_EQ(Meas(0, i)->m_rcMeas.top, 0) << i;
        EXPECT_EQ(Meas(0, i)->m_rcMeas.bottom, 28) << i;
        EXPECT_EQ(Meas(1, i)->m_rcMeas.top, 68) << i;
        EXPECT_EQ(Meas(1, i)->m_rcMeas.bottom, 100) << i;
    }

    ASSERT_EQ(block->m_arrStaffCtrl.GetSize(), 2);
    EXPECT_EQ(block->m_arrStaffCtrl[0]->m_rect, CRect(-2, 0, 2, 24));
    EXPECT_EQ(block->m_arrStaffCtrl[1]->m_rect, CRect(-2, 72, 2, 96));
    EXPECT_EQ(block->m_arrStaffCtrl[0]->m_wKind, CKVBlock::HANDLE_STAFF);
    EXPECT_EQ(block->m_arrStaffCtrl[1]->m_wKind, CKVBlock::HANDLE_STAFF);

    ASSERT_EQ(block->m_arrMeasCtrl.GetSize(), 3);
    EXPECT_EQ(block->m_arrMeasCtrl[0]->m_rect, CRect(158, -3, 164, 3));
    EXPECT_EQ(block->m_arrMeasCtrl[1]->m_rect, CRect(319, -3, 325, 3));
    EXPECT_EQ(block->m_arrMeasCtrl[0]->m_wKind, CKVBlock::HANDLE_BOUNDARY);
    EXPECT_EQ(block->m_arrMeasCtrl[2]->m_rect, CRect(480, -3, 486, 3));
    EXPECT_EQ(block->m_arrMeasCtrl[2]->m_wKind, CKVBlock::HANDLE_RIGHT_EDGE);
}

TEST_F(KVBlockTest, LayoutEndToEndThroughANewDocument)
{
    // The same first block, made by the document itself.
    CKVDoc score;
    score.SetScoreFontSize(6);
    EXPECT_EQ(score.m_pFileInfo->SetLogicPageInfo(CPoint(1820, 2570), CRect(220, 200, 220, 250), 200, 100, 10, 8,
                                                  CPoint(96, 96)),
              1);
    ASSERT_NE(score.CreateDocument(2, 8, 1, 4, 4), 0);
    CKVPage* first = score.GetPage(0);
    ASSERT_NE(first, nullptr);
    CKVBlock* block = first->GetBlock(0);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->m_rcBlock, CRect(38, 75, 521, 171));
    EXPECT_EQ(Boundaries(*block), (std::vector<int>{0, 161, 322, 483}));
    EXPECT_EQ(StaffYs(*block), (std::vector<int>{24, 96}));
    CKVMeas* upper = block->GetStaff(0)->GetMeas(0);
    CKVMeas* lower = block->GetStaff(1)->GetMeas(0);
    EXPECT_EQ(upper->m_rcMeas.top, 0);
    EXPECT_EQ(upper->m_rcMeas.bottom, 28);
    EXPECT_EQ(lower->m_rcMeas.top, 68);
    EXPECT_EQ(lower->m_rcMeas.bottom, 100);
    ASSERT_EQ(block->m_arrStaffCtrl.GetSize(), 2);
    EXPECT_EQ(block->m_arrStaffCtrl[0]->m_rect, CRect(-2, 0, 2, 24));
    EXPECT_EQ(block->m_arrStaffCtrl[1]->m_rect, CRect(-2, 72, 2, 96));
    EXPECT_EQ(block->m_arrStaffCtrl[1]->m_wKind, CKVBlock::HANDLE_STAFF);
    ASSERT_GT(block->m_arrMeasCtrl.GetSize(), 0);
    EXPECT_EQ(block->m_arrMeasCtrl[block->m_arrMeasCtrl.GetSize() - 1]->m_wKind, CKVBlock::HANDLE_RIGHT_EDGE);
}

TEST_F(KVBlockTest, MeasureRectangleOfALowerStaffFollowsItsSize)
{
    ASSERT_NO_FATAL_FAILURE(MakeSystem(2, 4));
    system->GetStaff(1)->m_wObjWord = 50;
    CKVBlock* block = AddBlock(CPoint(0, 0), 0, 4);
    // Half the staff distance above the scaled staff height, half below.
    EXPECT_EQ(Meas(1, 0)->m_rcMeas.top, 256 - 4 - 32);
    EXPECT_EQ(Meas(1, 0)->m_rcMeas.bottom, 256 + 4);
    EXPECT_EQ(block->m_arrStaffCtrl[1]->m_rect, CRect(-2, 192, 2, 256));
}

TEST_F(KVBlockTest, StaffHandlesOfOneLineAndSecondDrumStavesAreTaller)
{
    ASSERT_NO_FATAL_FAILURE(MakeSystem(3, 4));
    system->GetStaff(0)->m_byStaffKind = CKVStaff::KIND_ONE_LINE;
    system->GetStaff(1)->m_byStaffKind = CKVStaff::KIND_DRUM_SECOND;
    system->GetStaff(2)->m_byStaffKind = CKVStaff::KIND_FREE_LINE;
    CKVBlock* block = AddBlock(CPoint(0, 0), 0, 4);
    ASSERT_EQ(block->m_arrStaffCtrl.GetSize(), 3);
    EXPECT_EQ(block->m_arrStaffCtrl[0]->m_rect, CRect(-2, 0 - 32, 2, 64 + 32));
    EXPECT_EQ(block->m_arrStaffCtrl[1]->m_rect, CRect(-2, 192 - 32, 2, 256 + 32));
    EXPECT_EQ(block->m_arrStaffCtrl[2]->m_rect, CRect(-2, 384, 2, 448));
}

TEST_F(KVBlockTest, RightEdgeHandleIsABoundaryHandleWhenAMeasureIsMissing)
{
    ASSERT_NO_FATAL_FAILURE(MakeSystem(1, 4));
    // Measures 2 and 3 are shown; the third column has none.
    CKVBlock* block = AddBlock(CPoint(0, 0), 2, 3);
    ASSERT_EQ(block->m_arrMeasCtrl.GetSize(), 2);
    EXPECT_EQ(block->m_arrMeasCtrl[1]->m_wKind, CKVBlock::HANDLE_BOUNDARY);
}

TEST_F(KVBlockTest, LayoutCutsEndingBracketsToTheMeasure)
{
    ASSERT_NO_FATAL_FAILURE(MakeSystem(1, 4));
    Meas(0, 0)->m_byEndingPos = CKVMeas::ENDING_ENDS;
    Meas(0, 0)->m_dwMsgId = 1000;
    Meas(0, 1)->m_byEndingPos = CKVMeas::ENDING_BEGINS_AND_ENDS;
    Meas(0, 1)->m_dwMsgId = 100;
    Meas(0, 2)->m_byEndingPos = CKVMeas::ENDING_BEGINS;
    Meas(0, 2)->m_dwMsgId = 1000;
    AddBlock(CPoint(0, 0), 0, 4);
    EXPECT_EQ(Meas(0, 0)->m_dwMsgId, 240u);
    EXPECT_EQ(Meas(0, 1)->m_dwMsgId, 100u);
    EXPECT_EQ(Meas(0, 2)->m_dwMsgId, 1000u);
}

TEST_F(KVBlockTest, RealWidthFollowsTheRectangleOnlyWhileImporting)
{
    ASSERT_NO_FATAL_FAILURE(MakeSystem(1, 4));
    CKVBlock* block = AddBlock(CPoint(0, 0), 0, 4);
    Meas(0, 0)->m_nHeaderWidth = 40;
    Meas(0, 0)->m_nRealWidth = 77;
    Meas(0, 1)->m_nHeaderWidth = 300; // wider than its measure
    Meas(0, 1)->m_nRealWidth = 77;
    block->UpdateMeasXY(1, kSkipCrossStaff, kWithoutBackup);
    EXPECT_EQ(Meas(0, 0)->m_nRealWidth, 77);
    EXPECT_EQ(Meas(0, 1)->m_nRealWidth, 0);

    bImportConverting = 1;
    block->UpdateMeasXY(1, kSkipCrossStaff, kWithoutBackup);
    EXPECT_EQ(Meas(0, 0)->m_nRealWidth, 250 - 40);
    EXPECT_EQ(Meas(0, 1)->m_nRealWidth, 0);
}

// --- Block geometry ------------------------------------------------------------------

TEST_F(KVBlockTest, QuantisedStaffPositionRoundsToTheNearestStaffSpace)
{
    ASSERT_NO_FATAL_FAILURE(MakeSystem(1, 4));
    CKVBlock* block = AddBlock(CPoint(0, 0), 0, 4);
    EXPECT_EQ(block->GetQuantStaffPos(23), 16);
    EXPECT_EQ(block->GetQuantStaffPos(24), 32);
    EXPECT_EQ(block->GetQuantStaffPos(7), 0);
    EXPECT_EQ(block->GetQuantStaffPos(8), 16);
}

TEST_F(KVBlockTest, InnerBoundaryStaysBetweenItsNeighbours)
{
    ASSERT_NO_FATAL_FAILURE(MakeSystem(2, 4));
    CKVBlock* block = AddBlock(CPoint(0, 0), 0, 4);
    for (short i = 0; i < 4; ++i)
        Meas(0, i)->m_nHeaderWidth = 40;
    block->InitMeasPos();
    ASSERT_EQ(Boundaries(*block), (std::vector<int>{0, 280, 520, 760, 1000}));
    doc->m_bModified = 0;

    EXPECT_EQ(block->SetMeasPos(2, CPoint(760, 0), 0), 0);
    EXPECT_EQ(block->SetMeasPos(2, CPoint(280 + 40, 0), 0), 0);
    EXPECT_EQ(Boundaries(*block), (std::vector<int>{0, 280, 520, 760, 1000}));
    EXPECT_EQ(doc->m_bModified, 0);

    EXPECT_EQ(block->SetMeasPos(2, CPoint(321, 0), 0), 1);
    EXPECT_EQ(Boundaries(*block), (std::vector<int>{0, 280, 321, 760, 1000}));
    EXPECT_EQ(Meas(1, 2)->m_rcMeas.left, 321);
    EXPECT_EQ(doc->m_bModified, 1);

    // Boundaries the block does not have change nothing.
    EXPECT_EQ(block->SetMeasPos(5, CPoint(900, 0), 0), 0);
    EXPECT_EQ(block->SetMeasPos(-2, CPoint(900, 0), 0), 0);
    EXPECT_EQ(Boundaries(*block), (std::vector<int>{0, 280, 321, 760, 1000}));
}

TEST_F(KVBlockTest, RightEdgeDragRescalesTheInnerBoundaries)
{
    ASSERT_NO_FATAL_FAILURE(MakeSystem(1, 3));
    page->m_rcPrint = CRect(0, 0, 1100, 1400);
    CKVBlock* block = AddBlock(CPoint(0, 0), 0, 3);
    block->m_rcBlock.right = 1000;
    block->DeleteMeas(0);
    ASSERT_EQ(Boundaries(*block), (std::vector<int>{0, 333, 666, 1000}));

    EXPECT_EQ(block->SetMeasPos(-1, CPoint(1100, 0), 0), 1);
    // MulDiv rounds: 666 * 1100 / 1000 = 732.6.
    EXPECT_EQ(Boundaries(*block), (std::vector<int>{0, 366, 733, 1100}));
    EXPECT_EQ(block->m_rcBlock.right, 1100);

    // The printable rectangle limits the edge.
    EXPECT_EQ(block->SetMeasPos(3, CPoint(1500, 0), 0), 1);
    EXPECT_EQ(Boundaries(*block).back(), 1100);

    // A negative position changes nothing but is not refused.
    EXPECT_EQ(block->SetMeasPos(-1, CPoint(-5, 0), 0), 1);
    EXPECT_EQ(Boundaries(*block), (std::vector<int>{0, 366, 733, 1100}));
}

TEST_F(KVBlockTest, RightEdgeDragKeepsInnerBoundariesWhileImporting)
{
    ASSERT_NO_FATAL_FAILURE(MakeSystem(1, 3));
    page->m_rcPrint = CRect(0, 0, 1100, 1400);
    CKVBlock* block = AddBlock(CPoint(0, 0), 0, 3);
    block->m_rcBlock.right = 1000;
    block->DeleteMeas(0);
    ASSERT_EQ(Boundaries(*block), (std::vector<int>{0, 333, 666, 1000}));
    bImportConverting = 1;
    EXPECT_EQ(block->SetMeasPos(-1, CPoint(1100, 0), 0), 1);
    EXPECT_EQ(Boundaries(*block), (std::vector<int>{0, 333, 666, 1100}));
    EXPECT_EQ(block->m_rcBlock.right, 1100);
}

TEST_F(KVBlockTest, LeftEdgeDragMovesTheBlockWithinThePrintableRectangle)
{
    ASSERT_NO_FATAL_FAILURE(MakeSystem(1, 4));
    CKVBlock* block = AddBlock(CPoint(0, 0), 0, 4);
    EXPECT_EQ(block->SetMeasPos(0, CPoint(100, 0), 0), 1);
    EXPECT_EQ(block->m_rcBlock.left, 100);
    EXPECT_EQ(block->m_rcBlock.right, 1000);
    EXPECT_EQ(Boundaries(*block), (std::vector<int>{0, 225, 450, 675, 900}));

    // A move past the printable left edge stops on it.
    EXPECT_EQ(block->SetMeasPos(0, CPoint(-500, 0), 0), 1);
    EXPECT_EQ(block->m_rcBlock.left, 0);
    EXPECT_EQ(Boundaries(*block), (std::vector<int>{0, 250, 500, 750, 1000}));

    // Past the right edge of the page or of the block: refused.
    EXPECT_EQ(block->SetMeasPos(0, CPoint(1001, 0), 0), 0);
    block->m_rcBlock.right = 500;
    EXPECT_EQ(block->SetMeasPos(0, CPoint(600, 0), 0), 0);
    EXPECT_EQ(block->m_rcBlock.left, 0);
}

TEST_F(KVBlockTest, StaffDragKeepsTheStaffBelowThePreviousOneAndMovesLaterBlocks)
{
    ASSERT_NO_FATAL_FAILURE(MakeSystem(2, 8));
    CKVBlock* block = AddBlock(CPoint(0, 0), 0, 4);
    CKVBlock* next = AddBlock(CPoint(0, 400), 4, 4);
    doc->m_bModified = 0;

    // Asked above staff 0's bottom line, staff 1's top line stops on it.
    EXPECT_EQ(block->SetStaffPos(1, CPoint(0, 10), kWithoutBackup), 1);
    EXPECT_EQ(StaffYs(*block), (std::vector<int>{64, 128}));
    EXPECT_EQ(block->m_rcBlock.bottom, 128);
    EXPECT_EQ(next->m_rcBlock.top, 400 - 128);
    EXPECT_EQ(Meas(1, 0)->m_nStaffY, 128);
    EXPECT_EQ(doc->m_bModified, 1);

    // Staff 0 moves the whole block and the blocks after it. With backup
    // asked and no clone linked, the blocks themselves move.
    EXPECT_EQ(block->SetStaffPos(0, CPoint(0, 30), kWithBackup), 1);
    EXPECT_EQ(block->m_rcBlock.top, 30);
    EXPECT_EQ(block->m_rcBlock.bottom, 30 + 128);
    EXPECT_EQ(next->m_rcBlock.top, 400 - 128 + 30);
    EXPECT_EQ(StaffYs(*block), (std::vector<int>{64, 128}));
}

TEST_F(KVBlockTest, StaffDragByDeltaIsQuantisedAndMovesLaterBlocks)
{
    ASSERT_NO_FATAL_FAILURE(MakeSystem(2, 8));
    CKVBlock* block = AddBlock(CPoint(0, 0), 0, 4);
    CKVBlock* next = AddBlock(CPoint(0, 400), 4, 4);
    EXPECT_EQ(block->SetStaffPosByDelta(1, 20, kWithBackup), 1);
    EXPECT_EQ(StaffYs(*block), (std::vector<int>{64, 272}));
    EXPECT_EQ(block->m_rcBlock.bottom, 272);
    EXPECT_EQ(next->m_rcBlock.top, 416);

    // Not to or above the staff before.
    EXPECT_EQ(block->SetStaffPosByDelta(1, -208, kWithoutBackup), 0);
    EXPECT_EQ(StaffYs(*block), (std::vector<int>{64, 272}));
}

TEST_F(KVBlockTest, StaffDragsOutsideTheStaffListChangeNothing)
{
    ASSERT_NO_FATAL_FAILURE(MakeSystem(2, 8));
    CKVBlock* block = AddBlock(CPoint(0, 0), 0, 4);
    CKVBlock* next = AddBlock(CPoint(0, 400), 4, 4);
    doc->m_bModified = 0;
    const CRect before = block->m_rcBlock;

    EXPECT_EQ(block->SetStaffPosByDelta(0, 32, kWithoutBackup), 0);
    EXPECT_EQ(block->SetStaffPosByDelta(2, 32, kWithoutBackup), 0);
    EXPECT_EQ(block->SetStaffPosByDelta(-1, 32, kWithoutBackup), 0);
    EXPECT_EQ(block->SetStaffPos(5, CPoint(0, 500), kWithoutBackup), 0);
    EXPECT_EQ(block->SetStaffPos(2, CPoint(0, 500), kWithoutBackup), 0);
    EXPECT_EQ(block->SetStaffPos(-1, CPoint(0, 500), kWithoutBackup), 0);

    EXPECT_EQ(StaffYs(*block), (std::vector<int>{64, 256}));
    EXPECT_EQ(block->m_rcBlock, before);
    EXPECT_EQ(next->m_rcBlock.top, 400);
    EXPECT_EQ(doc->m_bModified, 0);
}

// --- Block hit-tests --------------------------------------------------------------

TEST_F(KVBlockTest, NearestMeasureOfAPoint)
{
    ASSERT_NO_FATAL_FAILURE(MakeSystem(2, 8));
    CKVBlock* block = AddBlock(CPoint(10, 20), 2, 4);
    ASSERT_EQ(Boundaries(*block), (std::vector<int>{0, 247, 494, 741, 990}));
    int staff = -1;
    int meas = -1;
    CPoint rel;

    // Above the first staff: staff 0.
    EXPECT_EQ(block->GetNearMeasFromPoint(CPoint(10 + 300, 20 - 50), &rel, &staff, &meas), Meas(0, 3));
    EXPECT_EQ(staff, 0);
    EXPECT_EQ(meas, 1);
    EXPECT_EQ(rel, CPoint(300 - 247, -50 - 64));

    // Left of the first boundary: measure 0. The border between the staves
    // lies halfway between staff 0's bottom line and staff 1's top line.
    EXPECT_EQ(block->GetNearMeasFromPoint(CPoint(5, 20 + 128), nullptr, &staff, &meas), Meas(0, 2));
    EXPECT_EQ(staff, 0);
    EXPECT_EQ(meas, 0);
    EXPECT_EQ(block->GetNearMeasFromPoint(CPoint(5, 20 + 129), nullptr, &staff, &meas), Meas(1, 2));
    EXPECT_EQ(staff, 1);

    // Right of the block: the last measure.
    EXPECT_EQ(block->GetNearMeasFromPoint(CPoint(5000, 20 + 1000), nullptr, &staff, &meas), Meas(1, 5));
    EXPECT_EQ(staff, 1);
    EXPECT_EQ(meas, 3);
}

TEST_F(KVBlockTest, MeasureUnderAPoint)
{
    ASSERT_NO_FATAL_FAILURE(MakeSystem(2, 8));
    CKVBlock* block = AddBlock(CPoint(10, 20), 0, 4);
    int staff = -1;
    int meas = -1;
    CPoint rel;
    EXPECT_EQ(block->GetMeasFromPoint(CPoint(10 + 300, 20 + 200), &rel, &staff, &meas), Meas(1, 1));
    EXPECT_EQ(staff, 1);
    EXPECT_EQ(meas, 1);
    EXPECT_EQ(rel, CPoint(300 - 247, 200 - 256));

    // Between the staves' rectangles nothing is hit and nothing is written.
    staff = 9;
    EXPECT_EQ(block->GetMeasFromPoint(CPoint(10 + 300, 20 + 100), &rel, &staff, &meas), nullptr);
    EXPECT_EQ(staff, 9);
}

TEST_F(KVBlockTest, StaffIsSelectedOnlyWhenTheRectangleHoldsAllItsMeasures)
{
    ASSERT_NO_FATAL_FAILURE(MakeSystem(2, 8));
    CKVBlock* block = AddBlock(CPoint(10, 20), 0, 4);
    // Staff 1's measures span x 0..990 and y 188..260 in the block.
    CRect lower(10, 20 + 188, 10 + 990, 20 + 260);
    EXPECT_EQ(block->IsStaffSelected(system->GetStaff(1), &lower), 1);
    EXPECT_EQ(block->IsStaffSelected(nullptr, &lower), 1);
    EXPECT_EQ(block->IsStaffSelected(system->GetStaff(0), &lower), 0);

    CRect narrow(lower.left, lower.top, lower.right - 1, lower.bottom);
    EXPECT_EQ(block->IsStaffSelected(system->GetStaff(1), &narrow), 0);
    EXPECT_EQ(block->IsStaffSelected(nullptr, &narrow), 0);

    CKVStaff stranger;
    EXPECT_EQ(block->IsStaffSelected(&stranger, &lower), 0);
    CRect away(2000, 2000, 3000, 3000);
    EXPECT_EQ(block->IsStaffSelected(nullptr, &away), 0);
}

TEST_F(KVBlockTest, HandlesUnderAPoint)
{
    ASSERT_NO_FATAL_FAILURE(MakeSystem(2, 8));
    CKVBlock* block = AddBlock(CPoint(0, 0), 0, 4);
    EXPECT_EQ(block->GetCtrlPointedStaff(CPoint(0, 10)), 0);
    EXPECT_EQ(block->GetCtrlPointedStaff(CPoint(1, 200)), 1);
    EXPECT_EQ(block->GetCtrlPointedStaff(CPoint(50, 50)), -1);

    // Boundary handles are offered at every staff's top line.
    short staff = 9;
    EXPECT_EQ(block->GetCtrlPointedMeas(CPoint(250, 0), &staff), 0);
    EXPECT_EQ(staff, 0);
    EXPECT_EQ(block->GetCtrlPointedMeas(CPoint(500, 192 + 2), &staff), 1);
    EXPECT_EQ(staff, 1);
    EXPECT_EQ(block->GetCtrlPointedMeas(CPoint(1000, 192), &staff), 3);
    EXPECT_EQ(staff, 1);
    EXPECT_EQ(block->GetCtrlPointedMeas(CPoint(300, 100), &staff), -1);
    EXPECT_EQ(staff, -1);
}

// --- Size, stream form, life -----------------------------------------------------------

TEST_F(KVBlockTest, MemorySizeCountsEveryList)
{
    ASSERT_NO_FATAL_FAILURE(MakeSystem(2, 8));
    CKVBlock* block = AddBlock(CPoint(0, 0), 0, 4);
    DWORD total = 10;
    block->GetMemorySize(total);
    // 2 entries, 5 boundaries and 2 ys, 2 + 4 handles, 2 staff pointers.
    EXPECT_EQ(total, 10u + 232 + 2 * 12 + 7 * 6 + 6 * 28 + 2 * 4);
}

TEST_F(KVBlockTest, StreamFormRoundTrip)
{
    ASSERT_NO_FATAL_FAILURE(MakeSystem(2, 8));
    CKVBlock* block = AddBlock(CPoint(7, 9), 4, 4);
    block->SetMeasPos(2, CPoint(400, 0), 0);
    CMemFile file;
    EXPECT_EQ(block->Save(&file), 28 + 2 * 3 + 4 * 2);
    const std::vector<BYTE> bytes = FileBytes(file);
    ASSERT_EQ(bytes.size(), 42u);
    // Unused head bytes are written as zeros.
    EXPECT_EQ(bytes[0], 0);
    EXPECT_EQ(bytes[1], 2);
    EXPECT_EQ(bytes[2], 4);
    EXPECT_EQ(bytes[4], 4);
    for (int i = 8; i < 12; ++i)
        EXPECT_EQ(bytes[i], 0) << i;
    EXPECT_EQ(bytes[28], 0);
    EXPECT_EQ(bytes[31], 1);

    CKVBlock copy;
    copy.m_pSystem = system.get();
    file.SeekToBegin();
    EXPECT_EQ(copy.Load(&file), 42);
    EXPECT_EQ(copy.m_nFirstMeas, 4);
    EXPECT_EQ(copy.m_nMeasCount, 4);
    EXPECT_EQ(copy.m_rcBlock, block->m_rcBlock);
    EXPECT_EQ(copy.GetStaff(0), system->GetStaff(0));
    EXPECT_EQ(copy.GetStaff(1), system->GetStaff(1));
    EXPECT_EQ(StaffYs(copy), StaffYs(*block));
    EXPECT_EQ(Boundaries(copy), Boundaries(*block));
}

TEST_F(KVBlockTest, StreamLoadFailsCleanlyOnShortOrForeignData)
{
    ASSERT_NO_FATAL_FAILURE(MakeSystem(2, 8));
    CKVBlock* block = AddBlock(CPoint(7, 9), 0, 4);
    CMemFile file;
    ASSERT_EQ(block->Save(&file), 42);
    std::vector<BYTE> bytes = FileBytes(file);

    for (size_t cut : {size_t{10}, size_t{30}, bytes.size() - 1}) {
        CMemFile shortFile(bytes.data(), static_cast<UINT>(cut));
        CKVBlock copy;
        copy.m_pSystem = system.get();
        EXPECT_EQ(copy.Load(&shortFile), -1) << cut;
        EXPECT_EQ(copy.GetStaffNum(), 0) << cut;
        EXPECT_EQ(copy.m_arrStaffY.GetSize(), 0) << cut;
        EXPECT_EQ(copy.m_arrMeasX.GetSize(), 0) << cut;
        EXPECT_EQ(copy.m_nMeasCount, 0) << cut;
    }

    // Staff 2 is not in a two-staff system.
    bytes[28 + 3] = 2;
    CMemFile foreign(bytes.data(), static_cast<UINT>(bytes.size()));
    CKVBlock copy;
    copy.m_pSystem = system.get();
    EXPECT_EQ(copy.Load(&foreign), -1);
    EXPECT_EQ(copy.GetStaffNum(), 0);

    // Nor can a block with no system resolve any.
    CMemFile again(bytes.data(), static_cast<UINT>(bytes.size()));
    CKVBlock orphan;
    EXPECT_EQ(orphan.Load(&again), -1);
}

TEST_F(KVBlockTest, SaveRefusesAStaffOutsideTheSystem)
{
    ASSERT_NO_FATAL_FAILURE(MakeSystem(1, 4));
    CKVBlock* block = AddBlock(CPoint(0, 0), 0, 4);
    CKVStaff stranger;
    block->AddStaff(&stranger);
    CMemFile file;
    EXPECT_EQ(block->Save(&file), -1);
    EXPECT_EQ(file.GetLength(), 0u);
    block->DeleteStaff(1, 1);
}

TEST_F(KVBlockTest, StaffNameAnchorsAreRemovedWithTheirHandles)
{
    ASSERT_NO_FATAL_FAILURE(MakeSystem(2, 4));
    CKVBlock* block = AddBlock(CPoint(0, 0), 0, 4);
    block->m_arrStaffNamePoint.Add(new POINT{-16, -32});
    block->m_arrStaffNameCtrl.Add(new CKVCtrlPoint(CRect(-3, -3, 3, 3)));
    block->m_arrStaffNamePoint.Add(nullptr);
    block->m_arrStaffNameCtrl.Add(nullptr);
    block->RemoveStaffNamePoint();
    EXPECT_EQ(block->m_arrStaffNamePoint.GetSize(), 0);
    EXPECT_EQ(block->m_arrStaffNameCtrl.GetSize(), 0);

    // The destructor frees anchors still held, and leaves the staves alone.
    CKVBlock* other = AddBlock(CPoint(0, 400), 0, 4);
    other->m_arrStaffNamePoint.Add(new POINT{-16, -32});
    other->m_arrStaffNameCtrl.Add(new CKVCtrlPoint(CRect(-3, -3, 3, 3)));
    page->m_arrBlock.RemoveAt(1);
    delete other;
    EXPECT_EQ(system->GetStaffNum(), 2);
    EXPECT_EQ(system->GetStaff(1)->GetMeasNum(), 4);
}

} // namespace
