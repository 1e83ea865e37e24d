// Staff commands and queries: deleting, swapping and retyping staves, the
// selected-staff list, staff names and their anchors on the blocks.

#include "document/KVFileInfo.h"
#include "document/UndoEntry.h"
#include "model/DrumTable.h"
#include "support/CanonicalDump.h"
#include "support/DrumKit.h"
#include "support/SelectionSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

class StaffCmdTest : public kvtest::SelectionTest {
protected:
    kvtest::ScoreShape Shape() override { return {.staves = 3, .measures = 9, .pageGeometry = true}; }

    CKVStaff* Staff(int i) { return score->Staff(i); }
    int Space() { return Doc().m_nStaffSpace; }
    int Distance() { return Doc().m_pFileInfo->m_nStaffDistance; }

    bool HasEntry(short kind)
    {
        for (int i = 0; i < Doc().m_arrBackup.GetSize(); ++i) {
            if (Doc().m_arrBackup.GetAt(i)->nKind == kind)
                return true;
        }
        return false;
    }

    // Opens a step with the whole-document backup the structure commands
    // leave to their caller, runs the command, and checks that undo and redo
    // give the dumps before and after.
    void RoundTrip(const std::function<void()>& command)
    {
        kvtest::ExpectRoundTrip(Doc(), [&] {
            Doc().ResetBackup();
            Doc().ObjectBackup(1);
            command();
        });
    }
};

TEST_F(StaffCmdTest, DeletingTheOnlyStaffOfABlockRemovesItAndLiftsTheBlocksBelow)
{
    ASSERT_EQ(Page(0)->GetBlockNum(), 3);
    Block(1)->DeleteStaff(Staff(0));
    Block(1)->DeleteStaff(Staff(1));
    ASSERT_EQ(Block(1)->GetStaffNum(), 1);
    // The backup leaves the document working on new live blocks.
    Doc().ResetBackup();
    Doc().ObjectBackup(1);
    CKVBlock* last = Block(2);
    const int top = last->m_rcBlock.top;

    EXPECT_EQ(Doc().DeleteStaves(2, 2, 0), 1);
    EXPECT_TRUE(HasEntry(UndoEntry::kBlockInsDel));
    ASSERT_EQ(Page(0)->GetBlockNum(), 2);
    EXPECT_EQ(Block(1), last);
    // Block 0 lost its last staff: the gap and the staff's height.
    EXPECT_EQ(last->m_rcBlock.top, top - (4 * Space() + Distance() * Space()));
    EXPECT_EQ(Doc().GetStavesCount(0), 2);
    EXPECT_EQ(last->GetStaffNum(), 2);
}

TEST_F(StaffCmdTest, DeleteStavesClampsItsRangeAndRefusesABadSystem)
{
    EXPECT_EQ(Doc().DeleteStaves(0, 0, 1), -1);
    EXPECT_EQ(Doc().GetStavesCount(0), 3);

    Doc().m_pCurBlock = Block(0);
    Doc().m_nCurBlock = 0;
    Doc().m_nCurStaff = 2;
    EXPECT_EQ(Doc().DeleteStaves(2, 2, 0), 1);
    EXPECT_EQ(Doc().m_nCurStaff, 1);
    EXPECT_EQ(Doc().m_pCurStaff, Staff(1));

    EXPECT_EQ(Doc().DeleteStaves(-5, 99, 0), 2);
    EXPECT_EQ(Doc().GetStavesCount(7), 0);
    EXPECT_EQ(Page(0)->GetBlockNum(), 0);
    EXPECT_EQ(Doc().m_pCurBlock, nullptr);
    EXPECT_EQ(Doc().DeleteStaves(0, 0, 0), -1);
}

TEST_F(StaffCmdTest, DeletingStavesUndoesAndRedoes)
{
    Block(1)->DeleteStaff(Staff(0));
    Block(1)->DeleteStaff(Staff(1));
    RoundTrip([&] { EXPECT_EQ(Doc().DeleteStaves(2, 2, 0), 1); });
}

TEST_F(StaffCmdTest, TheSelectedStaffListNeverHandsOutADeletedStaff)
{
    Doc().m_bBackupRecord = 0; // the staff is freed at once, not kept for undo
    SelectStaff(2);
    ASSERT_EQ(Doc().GetSelStavesCount(0), 1);
    EXPECT_EQ(Doc().GetSelStaffNum(0), 2);
    EXPECT_EQ(Doc().GetSelStaffNum(1), -1);
    EXPECT_EQ(Doc().GetSelStaffNum(-1), -1);
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    EXPECT_EQ(Doc().DeleteStaves(2, 2, 0), 1);
    EXPECT_EQ(Doc().GetSelStaffNum(0), -1);
}

TEST_F(StaffCmdTest, DeletingStavesDropsTheSelectionRecordsThatNameThem)
{
    Doc().m_bBackupRecord = 0; // staves, measures and blocks are freed at once
    Block(1)->DeleteStaff(Staff(0));
    Block(1)->DeleteStaff(Staff(1));
    SelectStaff(0);
    SelectMeas(1, 7);
    SelectMeas(2, 0);
    SelectBlockStaff(2, 1);
    ASSERT_EQ(Records(), 4);
    CKVStaff* staff = Staff(0);
    CKVMeas* meas = Meas(1, 7);
    CKVBlock* last = Block(2);

    EXPECT_EQ(Doc().DeleteStaves(2, 2, 0), 1);
    ASSERT_EQ(Page(0)->GetBlockNum(), 2);
    ASSERT_EQ(Records(), 2);
    EXPECT_EQ(Record(0)->pStaff, staff);
    EXPECT_EQ(Record(1)->pMeas, meas);
    EXPECT_EQ(Record(1)->pBlock, last);
    EXPECT_TRUE(Doc().m_bSelected);
    // The queries and a new staff record read only live objects.
    EXPECT_EQ(Doc().IsStaffSelected(0), 1);
    EXPECT_EQ(Doc().IsStaffSelected(1), 0);
    SelectStaff(1);
    EXPECT_EQ(Records(), 2);
    EXPECT_EQ(Doc().IsStaffSelected(1), 1);

    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    SelectStaff(1);
    EXPECT_EQ(Doc().DeleteStaves(0, 1, 0), 2);
    EXPECT_EQ(Records(), 0);
    EXPECT_FALSE(Doc().m_bSelected);
}

TEST_F(StaffCmdTest, SelectedStavesAreCountedPerPageAndRangedByBlockPosition)
{
    int first = 7;
    int last = 7;
    EXPECT_EQ(Doc().GetSelStavesCount(0), -1);
    EXPECT_EQ(Doc().GetSelStaffNumRange(first, last), -1);
    EXPECT_EQ(first, -1);
    EXPECT_EQ(last, -1);

    SelectBlockStaff(1, 0);
    EXPECT_EQ(Doc().GetSelStavesCount(0), 1);
    EXPECT_EQ(Doc().GetSelStaffNum(0), 1);
    EXPECT_EQ(Doc().GetSelStaffNumRange(first, last), 0);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(last, 1);
    EXPECT_EQ(Doc().GetSelStavesCount(5), -1);
}

TEST_F(StaffCmdTest, StaffQueriesAnswerForMissingStaves)
{
    EXPECT_EQ(Doc().GetStavesCount(7), 3);
    EXPECT_EQ(Doc().GetStaffSelStatus(3, 0), 0);
    EXPECT_EQ(Doc().GetStaffSelStatus(-1, 0), 0);
    EXPECT_EQ(Doc().GetStaff(3, 0), nullptr);
    EXPECT_EQ(Doc().GetStaff(0, 1), nullptr);
    EXPECT_EQ(Doc().GetStaffName(9, 0), CString(""));
    EXPECT_EQ(Doc().IsUndoEnableStaffDel(0, 0, 0), 0);

    CKVStaff other;
    EXPECT_EQ(Block(0)->GetStaffIndex(&other), -1);
    EXPECT_EQ(Block(0)->GetOssiaStaffIndex(&other), -1);
    EXPECT_EQ(Block(0)->GetStaffIndex(Staff(2)), 2);

    Doc().m_pCurBlock = Block(0);
    Doc().m_pCurStaff = Staff(2);
    EXPECT_EQ(Doc().GetCurrentStaffNum(), 2);
    Block(0)->m_byKind = CKVBlock::KIND_OSSIA;
    EXPECT_EQ(Doc().GetCurrentStaffNum(), 0);
    Block(0)->m_byKind = CKVBlock::KIND_NORMAL;
}

TEST_F(StaffCmdTest, AFullLengthNameReadsBackWithoutRunningOver)
{
    std::memset(Staff(1)->m_szName, 'A', CKVStaff::NAME_SIZE);
    EXPECT_EQ(Doc().GetStaffName(1, 0), CString(std::string(CKVStaff::NAME_SIZE, 'A').c_str()));

    CKVStaff model;
    std::strcpy(model.m_szName, "Viola");
    model.m_byLineCount = 4;
    EXPECT_EQ(Doc().SetStaff(0, model, 0), 1);
    EXPECT_EQ(Doc().GetStaffName(0, 0), CString("Viola"));
    EXPECT_EQ(Staff(0)->m_byLineCount, 4);
    EXPECT_EQ(Doc().SetStaff(5, model, 0), 0);
}

TEST_F(StaffCmdTest, MovingStavesSwapsTheSystemBlocksAnchorsAndRectangles)
{
    CKVStaff* a = Staff(0);
    CKVStaff* b = Staff(1);
    std::strcpy(b->m_szName, "Cello");
    Block(0)->SetStaffNamePoint();
    ASSERT_EQ(Block(0)->m_arrStaffNamePoint.GetSize(), 3);
    POINT* anchor = Block(0)->m_arrStaffNamePoint.GetAt(1);
    ASSERT_NE(anchor, nullptr);
    Block(1)->DeleteStaff(b);
    const CRect upper = a->GetMeas(4)->m_rcMeas;
    const CRect lower = b->GetMeas(4)->m_rcMeas;
    std::vector<WORD> ys;
    for (int i = 0; i < Block(0)->m_arrStaffY.GetSize(); ++i)
        ys.push_back(Block(0)->m_arrStaffY.GetAt(i));

    EXPECT_EQ(Doc().MoveStaff(0, 1, 0), 1);
    EXPECT_EQ(Doc().GetStaff(0, 0), b);
    EXPECT_EQ(Doc().GetStaff(1, 0), a);
    EXPECT_EQ(Block(0)->GetStaff(0), b);
    EXPECT_EQ(Block(0)->m_arrStaffNamePoint.GetAt(0), anchor);
    EXPECT_EQ(Block(0)->m_arrStaffNamePoint.GetAt(1), nullptr);
    EXPECT_NE(Block(0)->m_arrStaffNameCtrl.GetAt(0), nullptr);
    for (int i = 0; i < Block(0)->m_arrStaffY.GetSize(); ++i)
        EXPECT_EQ(Block(0)->m_arrStaffY.GetAt(i), ys[static_cast<size_t>(i)]);
    // A block that shows only one of the two keeps its list.
    EXPECT_EQ(Block(1)->GetStaff(0), a);
    EXPECT_EQ(a->GetMeas(4)->m_rcMeas, lower);
    EXPECT_EQ(b->GetMeas(4)->m_rcMeas, upper);

    EXPECT_EQ(Doc().MoveStaff(0, 5, 0), 0);
    EXPECT_EQ(Doc().MoveStaff(-1, 0, 0), 0);
}

TEST_F(StaffCmdTest, RetypingAStaffSetsItsKindClefAndMeasures)
{
    CKVStaff* staff = Staff(1);
    staff->m_byStaffKind = CKVStaff::KIND_FREE_LINE;
    staff->m_byLineCount = 3;
    staff->m_wObjWord = 80;
    Doc().ChangeStaffType(1, CKVSystem::MODE_NORMAL, 1, 5, 100);
    EXPECT_EQ(staff->m_byStaffKind, CKVStaff::KIND_NORMAL);
    EXPECT_EQ(staff->m_byLineCount, 5);
    EXPECT_EQ(staff->m_wObjWord, 100);

    std::vector<BYTE> kit = kvtest::MakeDrumKitEntry("Std");
    CPtrArray table;
    table.Add(kit.data());
    SetDrumTable(&table);
    SetDrumIndex(0);
    score->ClefChange(staff->GetMeas(3), 100, 1);
    Doc().ChangeStaffType(1, CKVSystem::MODE_DRUM, 1, 5, 100);
    unsigned char* head = nullptr;
    ASSERT_EQ(staff->GetHead(&head), CKVStaff::DRUM_KIT_RECORD_SIZE);
    EXPECT_EQ(head[0], 0);
    EXPECT_EQ(head[1], 0);
    EXPECT_STREQ(reinterpret_cast<char*>(head + 2), "Std");
    EXPECT_EQ(staff->m_byClefType, CKVStaff::CLEF_DRUM);
    EXPECT_EQ(staff->m_byStaffKind, CKVStaff::KIND_DRUM);
    for (BYTE channel : staff->m_byChannel)
        EXPECT_EQ(channel, CKVStaff::DRUM_CHANNEL);
    for (LONG m = 0; m < staff->GetMeasNum(); ++m)
        EXPECT_EQ(staff->GetMeas(m)->m_byInitClef, CKVStaff::CLEF_DRUM);
    EXPECT_EQ(staff->GetMeas(3)->GetMsgNum(), 0);

    Doc().ChangeStaffType(2, CKVSystem::MODE_DRUM_SECOND, 1, 5, 100);
    EXPECT_EQ(Staff(2)->m_byStaffKind, CKVStaff::KIND_DRUM_SECOND);
    EXPECT_EQ(Staff(2)->m_byClefType, CKVStaff::CLEF_DRUM);
    EXPECT_EQ(Staff(2)->GetMeas(5)->m_byInitClef, CKVStaff::CLEF_DRUM);

    Doc().ChangeStaffType(0, CKVSystem::MODE_FREE_LINE, 1, 3, 80);
    EXPECT_EQ(Staff(0)->m_byStaffKind, CKVStaff::KIND_FREE_LINE);
    EXPECT_EQ(Staff(0)->m_byClefType, CKVStaff::CLEF_FREE_LINE);
    EXPECT_EQ(Staff(0)->m_byLineCount, 3);
    EXPECT_EQ(Staff(0)->m_wObjWord, 80);
}

TEST_F(StaffCmdTest, RetypingUndoesAndRedoes)
{
    RoundTrip([&] { Doc().ChangeStaffType(1, CKVSystem::MODE_DRUM_SECOND, 1, 5, 100); });
}

// --- Staff-name anchors ----------------------------------------------------

TEST_F(StaffCmdTest, OnlyNamedStavesGetAnAnchorAndLoseItWithTheirName)
{
    std::strcpy(Staff(1)->m_szName, "Alto");
    CKVBlock* block = Block(0);
    block->SetStaffNamePoint();
    ASSERT_EQ(block->m_arrStaffNamePoint.GetSize(), 3);
    ASSERT_EQ(block->m_arrStaffNameCtrl.GetSize(), 3);
    EXPECT_EQ(block->m_arrStaffNamePoint.GetAt(0), nullptr);
    EXPECT_EQ(block->m_arrStaffNamePoint.GetAt(2), nullptr);
    const POINT* point = block->m_arrStaffNamePoint.GetAt(1);
    ASSERT_NE(point, nullptr);
    EXPECT_EQ(point->x, -Space());
    EXPECT_EQ(point->y, -2 * Space());
    ASSERT_NE(block->m_arrStaffNameCtrl.GetAt(1), nullptr);
    EXPECT_EQ(block->m_arrStaffNameCtrl.GetAt(1)->m_rect, CRect(-3, -3, 3, 3));

    // Half-open: the left and top edges hit, the right and bottom do not.
    EXPECT_EQ(block->GetStaffNameIndex(POINT {-3, -3}), 1);
    EXPECT_EQ(block->GetStaffNameIndex(POINT {2, 2}), 1);
    EXPECT_EQ(block->GetStaffNameIndex(POINT {3, 0}), -1);
    EXPECT_EQ(block->GetStaffNameIndex(POINT {0, 3}), -1);

    // Only the first block of a page is asked.
    short index = 9;
    EXPECT_EQ(Page(0)->GetCtrlStaffName(POINT {0, 0}, &index), block);
    EXPECT_EQ(index, 1);
    Block(1)->SetStaffNamePoint();
    block->RemoveStaffNamePoint();
    EXPECT_EQ(Page(0)->GetCtrlStaffName(POINT {0, 0}, &index), nullptr);
    EXPECT_EQ(index, -1);

    block->SetStaffNamePoint();
    Staff(1)->m_szName[0] = '\0';
    block->SetStaffNamePoint();
    EXPECT_EQ(block->m_arrStaffNamePoint.GetAt(1), nullptr);
    EXPECT_EQ(block->m_arrStaffNameCtrl.GetAt(1), nullptr);
    EXPECT_EQ(block->GetStaffNameIndex(POINT {0, 0}), -1);
}

TEST_F(StaffCmdTest, TheDocumentAsksTheCurrentPageClampedToTheLastOne)
{
    std::strcpy(Staff(0)->m_szName, "Flute");
    Doc().m_bModified = 0;
    Doc().MakeAllPageStaffName();
    EXPECT_EQ(Doc().m_bModified, 1);
    EXPECT_NE(Block(0)->m_arrStaffNamePoint.GetAt(0), nullptr);
    EXPECT_EQ(Block(1)->m_arrStaffNamePoint.GetSize(), 0);

    short index = 9;
    Doc().m_nCurPage = 40;
    EXPECT_EQ(Doc().GetCtrlStaffName(POINT {0, 0}, &index), Block(0));
    EXPECT_EQ(index, 0);
    EXPECT_EQ(Doc().GetCtrlStaffName(POINT {50, 50}, &index), nullptr);
    EXPECT_EQ(index, -1);
}

TEST_F(StaffCmdTest, ADocumentWithoutPagesLeavesTheIndexAlone)
{
    DropAllPages();
    short index = 9;
    EXPECT_EQ(Doc().GetCtrlStaffName(POINT {0, 0}, &index), nullptr);
    EXPECT_EQ(index, 9);
}

} // namespace

namespace {

class StaffInsertCmdTest : public kvtest::SelectionTest {
protected:
    kvtest::ScoreShape Shape() override { return {.staves = 2, .measures = 9, .pageGeometry = true}; }

    CKVSystem* Master() { return score->System(); }
    std::vector<int> Tops()
    {
        std::vector<int> tops;
        for (short b = 0; b < Page(0)->GetBlockNum(); ++b)
            tops.push_back(Block(b)->m_rcBlock.top);
        return tops;
    }
};

TEST_F(StaffInsertCmdTest, APairAtTheTopGrowsEveryBlockAndPushesTheLowerOnesDown)
{
    ASSERT_EQ(Page(0)->GetBlockNum(), 3);
    const int s = Doc().m_nStaffSpace;
    const int g = 2 * ((5 - 1) * s + Doc().m_pFileInfo->m_nStaffDistance * s);
    const std::vector<int> tops = Tops();

    EXPECT_EQ(Doc().InsertStaves(0, 1, 0, 0, CKVSystem::MODE_PAIR, 5, 100), 1);
    ASSERT_EQ(Master()->GetStaffNum(), 4);
    EXPECT_EQ(Master()->GetStaff(0)->m_byClefType, 1);
    EXPECT_EQ(Master()->GetStaff(1)->m_byClefType, 2);
    for (short b = 0; b < 3; ++b) {
        ASSERT_EQ(Block(b)->GetStaffNum(), 4) << b;
        for (short i = 0; i < 4; ++i)
            EXPECT_EQ(Block(b)->GetStaff(i), Master()->GetStaff(i)) << b << ' ' << i;
        EXPECT_EQ(Block(b)->m_arrStaffY.GetSize(), 4) << b;
    }
    EXPECT_EQ(Tops(), (std::vector<int> {tops[0], tops[1] + g, tops[2] + 2 * g}));
}

TEST_F(StaffInsertCmdTest, AfterTheLastStaffAppendsAndBadPlacesAreRefused)
{
    EXPECT_EQ(Doc().InsertStaves(1, 1, 0, 1, CKVSystem::MODE_NORMAL, 5, 100), 1);
    ASSERT_EQ(Master()->GetStaffNum(), 3);
    for (short b = 0; b < Page(0)->GetBlockNum(); ++b) {
        ASSERT_EQ(Block(b)->GetStaffNum(), 3);
        EXPECT_EQ(Block(b)->GetStaff(2), Master()->GetStaff(2));
    }

    const std::string before = kvtest::CanonicalDump(Doc());
    EXPECT_EQ(Doc().InsertStaves(3, 1, 0, 0, CKVSystem::MODE_NORMAL, 5, 100), 0);
    Doc().m_bBackupRecord = 0;
    EXPECT_EQ(Doc().InsertStaves(0, 1, 0, 0, CKVSystem::MODE_NORMAL, 5, 100), 0);
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), before);
}

TEST_F(StaffInsertCmdTest, InsertingStavesUndoesAndRedoes)
{
    score->Note(Meas(1, 4), {.x = 64});
    kvtest::ExpectRoundTrip(Doc(), [&] {
        Doc().ResetBackup();
        EXPECT_EQ(Doc().InsertStaves(0, 1, 0, 0, CKVSystem::MODE_PAIR, 5, 100), 1);
    });
}

TEST_F(StaffCmdTest, MovingStavesUndoesAndRedoes)
{
    std::strcpy(Staff(1)->m_szName, "Cello");
    Block(0)->SetStaffNamePoint();
    RoundTrip([&] { EXPECT_EQ(Doc().MoveStaff(0, 1, 0), 1); });
}

TEST_F(StaffCmdTest, AnOpenRangeDeletesEveryStaff)
{
    EXPECT_EQ(Doc().DeleteStaves(-5, 99, 0), 3);
    EXPECT_EQ(Doc().GetStavesCount(0), 0);
}

} // namespace
