// Ossias: making one from a run of a staff's measures, its staves and
// measures, and removing it.

#include "document/KVFileInfo.h"
#include "support/DrumKit.h"
#include "support/ScoreIntegrity.h"
#include "support/SelectionSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

class OssiaTest : public kvtest::SelectionTest {
protected:
    kvtest::ScoreShape Shape() override { return {.staves = 3, .measures = 12, .pageGeometry = true}; }

    void SetUp() override
    {
        kvtest::SelectionTest::SetUp();
        score->SetLineSpacing(8);
        // Measures 2 to 4 are 300, 300 and 400 wide; the page prints 500.
        const int widths[3] = {300, 300, 400};
        for (int k = 0; k < 3; ++k) {
            CKVMeas* meas = Meas(0, 1 + k);
            meas->m_rcMeas.left = 0;
            meas->m_rcMeas.right = widths[k];
        }
        Page(0)->m_rcPrint.right = Page(0)->m_rcPrint.left + 500;
        Doc().ResetBackup();
    }

    std::vector<int> Xs(CKVBlock* block)
    {
        std::vector<int> xs;
        for (int i = 0; i < block->m_arrMeasX.GetSize(); ++i)
            xs.push_back(block->m_arrMeasX.GetAt(i));
        return xs;
    }

    CKVBlock* MakeOssia()
    {
        EXPECT_EQ(Doc().InsertOssia(POINT {50, 60}, 0, 0, 2, 4, 15, 0, 80), 1);
        return Page(0)->m_arrOssiaBlock.GetAt(Page(0)->m_arrOssiaBlock.GetSize() - 1);
    }

    int OssiaStaves() { return score->System()->m_pOssiaStaffArray->GetSize(); }

    // Makes ossias and empties them again: their staves stay in the
    // system's list, shown by no block.
    void LeaveEmptiedOssias(int count)
    {
        for (int k = 0; k < count; ++k) {
            MakeOssia();
            ASSERT_EQ(Doc().DeleteMeasuresInOssia(0, 9), 1);
        }
    }

    // Merges a score of the same staves that shows an ossia of its own.
    short MergeAScoreWithAnOssia()
    {
        kvtest::ScoreBuilder other(Shape());
        other.Settle();
        other.Doc().JumpToPage(0);
        EXPECT_EQ(other.Doc().InsertOssia(POINT {50, 60}, 0, 0, 2, 4, 15, 0, 80), 1);
        CMemFile file;
        other.Doc().m_pFileInfo->Write(&file);
        EXPECT_EQ(other.Doc().Save(&file), 1);
        file.SeekToBegin();
        return Doc().ImportKVC(&file, nullptr, 0, 8210);
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
};

TEST_F(OssiaTest, AnOssiaCopiesTheRunScaledToThePage)
{
    CKVMsg* a = score->Note(Meas(0, 1), {.x = 100});
    CKVMsg* b = score->Note(Meas(0, 2), {.x = 0});
    score->Tie(a, b);
    const DWORD aId = a->m_dwMsgId;
    const DWORD bId = b->m_dwMsgId;

    CKVBlock* block = MakeOssia();
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->m_byKind, CKVBlock::KIND_OSSIA);
    EXPECT_EQ(Xs(block), (std::vector<int> {0, 150, 300, 500}));
    EXPECT_EQ(block->m_rcBlock.left, 50);
    EXPECT_EQ(block->m_rcBlock.top, 60);
    EXPECT_EQ(block->m_rcBlock.right, 550);
    EXPECT_EQ(block->m_rcBlock.bottom, 156);
    ASSERT_EQ(block->m_arrStaffY.GetSize(), 1);
    EXPECT_EQ(block->m_arrStaffY.GetAt(0), 64);
    ASSERT_EQ(block->m_arrStaffEntry.GetSize(), 1);
    EXPECT_EQ(block->m_arrStaffEntry.GetAt(0)->wValue, 20);
    EXPECT_EQ(block->m_nMeasCount, 3);

    CKVStaff* ossia = block->GetStaff(0);
    ASSERT_EQ(OssiaStaves(), 1);
    EXPECT_EQ(score->System()->GetOssiaStaff(0), ossia);
    EXPECT_EQ(ossia->m_byObjKind, 4);
    EXPECT_EQ(ossia->m_wObjWord, 80);
    EXPECT_EQ(ossia->m_byDisplayFlags, 15);
    ASSERT_EQ(ossia->GetMeasNum(), 3);

    // The copies have ids of their own, and the tie joins the copies.
    CKVMsg* ca = ossia->GetMeas(0)->GetMsg(0);
    CKVMsg* cb = ossia->GetMeas(1)->GetMsg(0);
    ASSERT_NE(ca, nullptr);
    ASSERT_NE(cb, nullptr);
    EXPECT_NE(ca->m_dwMsgId, aId);
    EXPECT_NE(cb->m_dwMsgId, bId);
    CKVMsg* tie = nullptr;
    for (CKVMsg* note : {ca, cb}) {
        for (short i = 0; i < note->GetMsgNum(); ++i) {
            if (CKVMsg* child = note->GetMsg(i); child && child->m_byKind == MSG_TIE)
                tie = child;
        }
    }
    ASSERT_NE(tie, nullptr);
    EXPECT_EQ(tie->m_dwWord, ca->m_dwMsgId);
    EXPECT_EQ(static_cast<DWORD>(tie->m_lHeight), cb->m_dwMsgId);

    EXPECT_EQ(Doc().m_pCurBlock, block);
    EXPECT_EQ(Doc().m_pCurStaff, ossia);
    EXPECT_EQ(Doc().m_pCurMeas, ossia->GetMeas(0));
    EXPECT_EQ(Doc().m_nCaretMeasNum, 1);
    EXPECT_EQ(Doc().IsOssiaSelected(), 1);
}

TEST_F(OssiaTest, ANarrowRunKeepsItsWidthsAndADrumModelItsKit)
{
    std::vector<BYTE> kit = kvtest::MakeDrumKitEntry("Kit");
    std::vector<BYTE> head(CKVStaff::DRUM_KIT_RECORD_SIZE, 0);
    head[0] = 3;
    head[2] = 'K';
    score->Staff(0)->SetHead(CKVStaff::DRUM_KIT_RECORD_SIZE, head.data());
    score->Staff(0)->m_byStaffKind = CKVStaff::KIND_DRUM;
    Meas(0, 3)->m_rcMeas.right = 100;
    EXPECT_EQ(Doc().InsertOssia(POINT {0, 0}, 0, 0, 3, 4, 15, 0, 100), 1);
    CKVBlock* block = Page(0)->m_arrOssiaBlock.GetAt(0);
    EXPECT_EQ(Xs(block), (std::vector<int> {0, 300, 400}));
    unsigned char* copied = nullptr;
    ASSERT_EQ(block->GetStaff(0)->GetHead(&copied), CKVStaff::DRUM_KIT_RECORD_SIZE);
    EXPECT_EQ(copied[0], 3);
    EXPECT_EQ(copied[2], 'K');
    EXPECT_EQ(block->GetStaff(0)->m_byStaffKind, CKVStaff::KIND_DRUM);
}

TEST_F(OssiaTest, ARunThatNamesNoMeasureOpensNoStep)
{
    Doc().ResetBackup();
    EXPECT_EQ(Doc().InsertOssia(POINT {0, 0}, 0, 0, 4, 2, 15, 0, 80), 0);
    EXPECT_EQ(Doc().InsertOssia(POINT {0, 0}, 0, 0, 0, 2, 15, 0, 80), 0);
    EXPECT_EQ(Doc().InsertOssia(POINT {0, 0}, 0, 0, 12, 13, 15, 0, 80), 0);
    EXPECT_EQ(Doc().InsertOssia(POINT {0, 0}, 0, 5, 1, 2, 15, 0, 80), 0);
    EXPECT_EQ(Doc().InsertOssia(POINT {0, 0}, 3, 0, 1, 2, 15, 0, 80), 0);
    EXPECT_EQ(Doc().m_arrBackup.GetSize(), 0);
    EXPECT_EQ(OssiaStaves(), 0);
}

TEST_F(OssiaTest, MakingAnOssiaUndoesAndRedoes)
{
    score->Note(Meas(0, 1), {.x = 100});
    kvtest::ExpectRoundTrip(Doc(), [&] { MakeOssia(); });
}

TEST_F(OssiaTest, OssiaStavesAreAddedRetypedAndRemoved)
{
    CKVBlock* block = MakeOssia();
    HostStep();
    EXPECT_EQ(Doc().InsertOssiaStaves(0, 1, 0, 0, CKVSystem::MODE_PAIR, 5, 100), 1);
    block = Page(0)->GetSelOssiaBlock();
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->GetStaffNum(), 3);
    EXPECT_EQ(OssiaStaves(), 3);
    EXPECT_EQ(block->m_arrStaffY.GetSize(), 3);
    EXPECT_EQ(Doc().InsertOssiaStaves(3, 1, 0, 0, CKVSystem::MODE_NORMAL, 5, 100), 0);

    Doc().ChangeOssiaStaffType(0, CKVSystem::MODE_ONE_LINE_DRUM, 1, 5, 100);
    CKVStaff* first = block->GetStaff(0);
    EXPECT_EQ(first->m_byStaffKind, CKVStaff::KIND_ONE_LINE);
    EXPECT_EQ(first->m_byClefType, CKVStaff::CLEF_DRUM);
    for (BYTE channel : first->m_byChannel)
        EXPECT_EQ(channel, CKVStaff::DRUM_CHANNEL);

    EXPECT_EQ(Doc().SetSelOssiaAttr(15ul << 24), 1);
    EXPECT_EQ(first->m_byDisplayFlags, 15);
    EXPECT_EQ(Doc().SetSelOssiaAttr(0x00FFFFFF), 1);
    EXPECT_EQ(first->m_byDisplayFlags, 0);

    // Removing every staff removes the block; the caret goes to the score
    // at the block's corner.
    EXPECT_EQ(Doc().DeleteOssiaStaves(0, 2, 0), 0);
    EXPECT_EQ(Page(0)->m_arrOssiaBlock.GetSize(), 0);
    EXPECT_EQ(OssiaStaves(), 0);
    EXPECT_EQ(Doc().m_pCurBlock, Block(0));
    EXPECT_EQ(Doc().m_pCurStaff, score->Staff(0));
    EXPECT_EQ(Doc().m_nCaretMeasNum, 1);
    EXPECT_EQ(Doc().m_nCaretPos, 19);
    EXPECT_EQ(Doc().IsOssiaSelected(), 0);
    EXPECT_EQ(Doc().SetSelOssiaAttr(15ul << 24), 0);
    EXPECT_EQ(Doc().DeleteOssiaStaves(0, 0, 0), 0);
}

TEST_F(OssiaTest, OssiaStaffCommandsUndoAndRedo)
{
    MakeOssia();
    RoundTrip([&] { Doc().InsertOssiaStaves(0, 1, 0, 1, CKVSystem::MODE_NORMAL, 5, 100); });
    RoundTrip([&] { Doc().ChangeOssiaStaffType(0, CKVSystem::MODE_DRUM, 1, 5, 100); });
    RoundTrip([&] { Doc().DeleteOssiaStaves(0, 0, 0); });
    RoundTrip([&] { Doc().DeleteOssia(); });
}

TEST_F(OssiaTest, MeasuresAreInsertedAndDeletedInAnOssia)
{
    CKVBlock* block = MakeOssia();
    HostStep();
    block = Page(0)->GetSelOssiaBlock();
    EXPECT_EQ(Doc().InsertMeasuresInOssia(1, 2, 0), 1);
    EXPECT_EQ(Xs(block), (std::vector<int> {0, 150, 300, 450, 600, 800}));
    EXPECT_EQ(block->m_nMeasCount, 5);
    EXPECT_EQ(block->m_rcBlock.right, 850);
    EXPECT_EQ(block->GetStaff(0)->GetMeasNum(), 5);
    // A measure the staff does not have changes nothing.
    EXPECT_EQ(Doc().InsertMeasuresInOssia(5, 1, 0), 0);
    EXPECT_EQ(Doc().InsertMeasuresInOssia(-1, 1, 0), 0);
    EXPECT_EQ(block->m_nMeasCount, 5);
}

TEST_F(OssiaTest, DeletingMeasuresNarrowsTheBlockAndAllOfThemRemoveIt)
{
    CKVBlock* block = MakeOssia();
    HostStep();
    block = Page(0)->GetSelOssiaBlock();
    EXPECT_EQ(Doc().DeleteMeasuresInOssia(2, 1), 1);
    EXPECT_EQ(Xs(block), (std::vector<int> {0, 150}));
    EXPECT_EQ(block->m_nMeasCount, 1);
    EXPECT_EQ(block->GetStaff(0)->GetMeasNum(), 1);

    EXPECT_EQ(Doc().DeleteMeasuresInOssia(0, 0), 1);
    EXPECT_EQ(Page(0)->m_arrOssiaBlock.GetSize(), 0);
    ASSERT_EQ(OssiaStaves(), 1);
    EXPECT_EQ(score->System()->GetOssiaStaff(0)->GetMeasNum(), 0);
    EXPECT_EQ(Doc().DeleteMeasuresInOssia(0, 0), 0);
}

TEST_F(OssiaTest, DeletingBoundariesIsKeptToTheRun)
{
    CKVBlock block;
    for (int x : {0, 150, 300, 500})
        block.m_arrMeasX.Add(static_cast<WORD>(x));
    block.m_nMeasCount = 3;
    block.m_rcBlock.SetRect(50, 60, 550, 156);
    EXPECT_EQ(block.DeleteMeasInOssia(1, 9), 2);
    EXPECT_EQ(Xs(&block), (std::vector<int> {0, 150}));
    EXPECT_EQ(block.m_nMeasCount, 1);
    EXPECT_EQ(block.m_rcBlock.right, 200);
    EXPECT_EQ(block.DeleteMeasInOssia(1, 1), 2);
    EXPECT_EQ(block.AddMeasInOssia(4, 0, 1, 100), 2);
    EXPECT_EQ(block.AddMeasInOssia(0, 1, 2, 100), 4);
    EXPECT_EQ(Xs(&block), (std::vector<int> {0, 100, 200, 350}));
}

TEST_F(OssiaTest, OssiaMeasureCommandsUndoAndRedo)
{
    MakeOssia();
    RoundTrip([&] { Doc().InsertMeasuresInOssia(0, 1, 1); });
    RoundTrip([&] { Doc().DeleteMeasuresInOssia(0, 1); });
    RoundTrip([&] { Doc().DeleteMeasuresInOssia(0, 9); });
}

// A tie from a kept ossia measure into one that goes leaves its first note
// with the measure, tie flag and all, and undo brings it back.
TEST_F(OssiaTest, DeletingAnOssiaMeasureTakesTheTiesIntoItOffTheKeptNotes)
{
    MakeOssia();
    CKVStaff* ossia = score->System()->GetOssiaStaff(0);
    ASSERT_GE(ossia->GetMeasNum(), 2);
    CKVMsg* kept = score->Note(ossia->GetMeas(0), {.x = 192, .y = -8});
    score->Tie(kept, score->Note(ossia->GetMeas(1), {.x = 0, .y = -8}));
    score->Settle();
    const std::vector<std::string> problems = kvtest::CheckedStep(Doc(), [&] {
        HostStep();
        EXPECT_EQ(Doc().DeleteMeasuresInOssia(1, 1), 1);
    });
    EXPECT_TRUE(problems.empty()) << kvtest::Joined(problems);
    EXPECT_EQ(score->System()->GetOssiaStaff(0)->GetMeas(0)->GetMsg(0)->m_wFlag & MSGFLAG_TIE_START, 0);
}

// A block names its ossia staves by a byte. The staves that emptied ossias
// leave stay in the list while every shown staff is within reach, and leave
// it, in the step of the command that would put one out of reach, once
// they must; undo, redo and a reload keep the score whole.
TEST_F(OssiaTest, EmptiedOssiaStavesMakeRoomOnlyWhenAShownOneWouldBeOutOfReach)
{
    LeaveEmptiedOssias(255);
    MakeOssia();
    EXPECT_EQ(OssiaStaves(), 256);
    EXPECT_EQ(score->System()->GetOssiaStaff(255), Page(0)->GetSelOssiaBlock()->GetStaff(0));
    EXPECT_FALSE(kvtest::SavedBytes(Doc()).empty());

    std::vector<std::string> problems = kvtest::CheckedStep(Doc(), [&] {
        HostStep();
        EXPECT_EQ(Doc().InsertOssiaStaves(0, 1, 0, 1, CKVSystem::MODE_NORMAL, 5, 100), 1);
    });
    EXPECT_TRUE(problems.empty()) << kvtest::Joined(problems);
    EXPECT_EQ(OssiaStaves(), 2);
    ASSERT_EQ(Page(0)->m_arrOssiaBlock.GetSize(), 1);
    EXPECT_EQ(Page(0)->m_arrOssiaBlock.GetAt(0)->GetStaffNum(), 2);

    LeaveEmptiedOssias(254);
    EXPECT_EQ(OssiaStaves(), 256);
    problems = kvtest::CheckedStep(Doc(), [&] { MakeOssia(); });
    EXPECT_TRUE(problems.empty()) << kvtest::Joined(problems);
    EXPECT_EQ(OssiaStaves(), 3);
    EXPECT_EQ(Page(0)->m_arrOssiaBlock.GetSize(), 2);

    // A merged score's ossia staves join after them all.
    LeaveEmptiedOssias(253);
    EXPECT_EQ(OssiaStaves(), 256);
    ASSERT_EQ(MergeAScoreWithAnOssia(), 1);
    EXPECT_EQ(OssiaStaves(), 4);
    EXPECT_FALSE(kvtest::SavedBytes(Doc()).empty());
}

TEST_F(OssiaTest, WithoutUndoTheStavesThatMakeRoomAreDeleted)
{
    Doc().m_bBackupRecord = 0;
    LeaveEmptiedOssias(256);
    MakeOssia();
    EXPECT_EQ(OssiaStaves(), 1);
    EXPECT_TRUE(kvtest::IntegrityProblems(Doc()).empty());
    const std::vector<std::string> problems = kvtest::ReloadProblems(Doc());
    EXPECT_TRUE(problems.empty()) << kvtest::Joined(problems);
}

TEST_F(OssiaTest, OssiaStavesNoBlockCouldNameAreNotMade)
{
    MakeOssia();
    HostStep();
    EXPECT_EQ(Doc().InsertOssiaStaves(0, 255, 0, 0, CKVSystem::MODE_NORMAL, 5, 100), 0);
    EXPECT_EQ(Doc().InsertOssiaStaves(0, 128, 0, 0, CKVSystem::MODE_PAIR, 5, 100), 0);
    EXPECT_EQ(OssiaStaves(), 1);
    EXPECT_EQ(Doc().InsertOssiaStaves(0, 254, 0, 0, CKVSystem::MODE_NORMAL, 5, 100), 1);
    EXPECT_EQ(Page(0)->GetSelOssiaBlock()->GetStaffNum(), 255);

    MakeOssia();
    EXPECT_EQ(OssiaStaves(), 256);
    const int steps = Doc().m_listBackup.GetCount();
    EXPECT_EQ(Doc().InsertOssia(POINT {50, 60}, 0, 0, 2, 4, 15, 0, 80), 0);
    EXPECT_EQ(Doc().m_listBackup.GetCount(), steps);
    EXPECT_EQ(OssiaStaves(), 256);
    const short pages = Doc().GetPageNum();
    EXPECT_EQ(MergeAScoreWithAnOssia(), 0);
    EXPECT_EQ(Doc().GetPageNum(), pages);
    EXPECT_EQ(OssiaStaves(), 256);
    EXPECT_FALSE(kvtest::SavedBytes(Doc()).empty());
}

TEST_F(OssiaTest, ACurrentOssiaOutsideThePageEndsDeleteOssia)
{
    CKVBlock* block = MakeOssia();
    // The current block is an ossia block the page's list does not hold.
    Page(0)->m_arrOssiaBlock.RemoveAll();
    Doc().DeleteOssia();
    EXPECT_EQ(OssiaStaves(), 1);
    // The cursor does not stay on a block the score does not hold.
    EXPECT_NE(Doc().m_pCurBlock, block);
    Page(0)->m_arrOssiaBlock.Add(block);
    Doc().m_pCurBlock = block;
    Doc().DeleteOssia();
    EXPECT_EQ(Page(0)->m_arrOssiaBlock.GetSize(), 0);
    EXPECT_EQ(OssiaStaves(), 0);
}

} // namespace
