// Measure widths shared out in a block, measures moved between blocks and
// pages, the spacing command with its undo, and re-spacing after entry.

#include "document/KVFileInfo.h"
#include "document/SelRect.h"
#include "document/UndoEntry.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVSystem.h"
#include "support/CanonicalDump.h"
#include "support/ScoreTest.h"
#include "support/UndoSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

class SpacingLayoutTest : public kvtest::ScoreTest {
protected:
    kvtest::ScoreShape Shape() override { return {.staves = 1, .measures = Measures(), .pageGeometry = true}; }
    virtual LONG Measures() { return 16; }

    void SetUp() override
    {
        ScoreTest::SetUp();
        Doc().JumpToPage(0);
        score->SetLineSpacing(8);
    }

    CKVBlock* Block(int page, int block) { return Doc().GetPage(static_cast<short>(page))->GetBlock(static_cast<short>(block)); }

    std::vector<std::vector<int>> Layout()
    {
        std::vector<std::vector<int>> pages;
        for (short p = 0; p < Doc().GetPageNum(); ++p) {
            std::vector<int> counts;
            for (short b = 0; b < Doc().GetPage(p)->GetBlockNum(); ++b)
                counts.push_back(Doc().GetPage(p)->GetBlock(b)->m_nMeasCount);
            pages.push_back(counts);
        }
        return pages;
    }

    std::vector<int> Boundaries(CKVBlock* block)
    {
        std::vector<int> xs;
        for (int i = 0; i < block->m_arrMeasX.GetSize(); ++i)
            xs.push_back(static_cast<short>(block->m_arrMeasX.GetAt(i)));
        return xs;
    }

    void SetWidth(CKVBlock* block, int width) { block->m_rcBlock.right = block->m_rcBlock.left + width; }

    int Entries(short kind)
    {
        int n = 0;
        for (int i = 0; i < Doc().m_arrBackup.GetSize(); ++i)
            n += Doc().m_arrBackup.GetAt(i)->nKind == kind;
        return n;
    }
};

TEST_F(SpacingLayoutTest, BlockWidthsFromTheColumns)
{
    CKVBlock* block = Block(0, 0);
    block->AddMeas(1);
    const int edge = Boundaries(block).back();
    // Layout gives the block the page's width again; the test's width
    // holds for one call.
    SetWidth(block, 600);
    block->m_arrMeasX.SetAt(0, 0);
    score->Meas(0, 0)->m_nHeaderWidth = 40;
    EXPECT_EQ(block->SetGoodMeasWidth(1, 0), 0);
    std::vector<int> xs = Boundaries(block);
    EXPECT_EQ(std::vector<int>(xs.begin(), xs.begin() + 4), (std::vector<int> {0, 180, 320, 460}));
    EXPECT_EQ(xs.back(), edge);

    // Four empty columns of 160 each share the 600 in equal parts.
    SetWidth(block, 600);
    EXPECT_EQ(block->SetGoodMeasWidth(0, 0), 40);
    xs = Boundaries(block);
    EXPECT_EQ(std::vector<int>(xs.begin(), xs.begin() + 4), (std::vector<int> {0, 150, 300, 450}));

    block->m_arrMeasX.SetAt(1, 99);
    host.freeBytes = 999999;
    EXPECT_EQ(block->SetGoodMeasWidth(0, 0), 2047);
    EXPECT_EQ(block->m_arrMeasX.GetAt(1), 99);
}

TEST_F(SpacingLayoutTest, ABlockTakesTheMeasuresThatFit)
{
    struct Case {
        int width;
        int count;
    };
    for (Case c : {Case {300, 2}, {450, 3}, {700, 4}}) {
        CKVBlock* block = Block(0, 0);
        SetWidth(block, c.width);
        Doc().ChangeCurrentBlockMeasNum(0, 0, 0);
        EXPECT_EQ(Block(0, 0)->m_nMeasCount, c.count) << c.width;
        Doc().SetBlockMeasCount(0, 0, 3);
    }
}

TEST_F(SpacingLayoutTest, MeasuresFlowIntoLaterBlocksAndPages)
{
    ASSERT_EQ(Layout(), (std::vector<std::vector<int>> {{3, 3, 3, 3, 3}, {1}}));
    kvtest::StartUndoRecording(Doc());
    Doc().ResetBackup();
    EXPECT_EQ(Doc().SetBlockMeasCount(0, 0, 4), 1);
    EXPECT_EQ(Layout(), (std::vector<std::vector<int>> {{4, 3, 3, 3, 3}}));
    EXPECT_EQ(Entries(UndoEntry::kBlockInsDel), 1);
    EXPECT_EQ(Entries(UndoEntry::kPageInsDel), 1);
    EXPECT_EQ(Block(0, 4)->m_nFirstMeas, 13);

    Doc().SetBlockMeasCount(0, 0, 2);
    EXPECT_EQ(Layout(), (std::vector<std::vector<int>> {{2, 3, 3, 3, 3}, {2}}));
    Doc().SetBlockMeasCount(0, 0, 0);
    EXPECT_EQ(Layout(), (std::vector<std::vector<int>> {{1, 3, 3, 3, 3}, {3}}));
}

TEST_F(SpacingLayoutTest, APageThatGoesTakesItsSelectionRecordsAlong)
{
    ASSERT_EQ(Layout(), (std::vector<std::vector<int>> {{3, 3, 3, 3, 3}, {1}}));
    RECT none {0, 0, 0, 0};
    CKVBlock* kept = Block(0, 1);
    Doc().AddSelRect(SelRect::kBlockStaff, &none, nullptr, score->Staff(0), kept);
    Doc().AddSelRect(SelRect::kBlockStaff, &none, nullptr, score->Staff(0), Block(1, 0));
    Doc().JumpToPage(1);
    RECT all {0, 0, 4000, 4000};
    Doc().AddSelRect(SelRect::kRect, &all, nullptr, nullptr, nullptr);
    ASSERT_EQ(Doc().m_pSelRectArray->GetSize(), 3);

    // Undo recording is off: the page and its block are freed at once.
    EXPECT_EQ(Doc().SetBlockMeasCount(0, 0, 4), 1);
    ASSERT_EQ(Doc().GetPageNum(), 1);
    ASSERT_EQ(Doc().m_pSelRectArray->GetSize(), 1);
    EXPECT_EQ(static_cast<SelRect*>(Doc().m_pSelRectArray->GetAt(0))->pBlock, kept);
    EXPECT_EQ(Doc().IsStaffSelected(0), 1);
}

class SpacingReflowTest : public SpacingLayoutTest {
protected:
    LONG Measures() override { return 17; }
};

TEST_F(SpacingReflowTest, MeasuresLeftOverGetANewBlock)
{
    ASSERT_EQ(Layout(), (std::vector<std::vector<int>> {{3, 3, 3, 3, 3}, {2}}));
    Doc().SetBlockMeasCount(0, 0, 1);
    EXPECT_EQ(Layout(), (std::vector<std::vector<int>> {{1, 3, 3, 3, 3}, {3, 1}}));
    EXPECT_EQ(Block(1, 1)->m_nFirstMeas, 16);
}

} // namespace

namespace {

std::vector<int> Positions(CKVMeas* meas)
{
    std::vector<int> xs;
    for (short i = 0; i < meas->GetMsgNum(); ++i)
        xs.push_back(meas->GetMsg(i)->m_nPosX);
    return xs;
}

class SpacingCommandTest : public kvtest::PagedScoreTest {
protected:
    // Measure 0 of both staves: a quarter, two eighths and a half.
    void Fill()
    {
        for (int staff = 0; staff < 2; ++staff) {
            CKVMeas* m = score->Meas(staff, 0);
            score->Note(m, {.x = 0});
            score->Note(m, {.x = 60, .code = DUR_EIGHTH});
            score->Note(m, {.x = 90, .code = DUR_EIGHTH});
            score->Note(m, {.x = 120, .code = DUR_HALF});
            for (BYTE v = 1; v <= CKVMeas::VOICES; ++v)
                m->UpdateStartTime(v, 1, 0, 0);
        }
    }
};

TEST_F(SpacingCommandTest, UndoBringsBackTheSpacingMode)
{
    Fill();
    CKVDoc& doc = Doc();
    doc.JumpToMeas(2);
    ASSERT_NE(doc.m_pCurMeas, score->Meas(0, 0));
    doc.ResetBackup();
    doc.SetNoteSpace(1, 0, 0, 0, 0, 1);
    for (int staff = 0; staff < 2; ++staff) {
        EXPECT_EQ(score->Meas(staff, 0)->m_dwSpacingMode, 1u);
        EXPECT_EQ(Positions(score->Meas(staff, 0)), (std::vector<int> {0, 64, 96, 128}));
    }
    doc.ResetBackup();
    doc.SetNoteSpace(0, 0, 0, 0, 0, 1);
    EXPECT_EQ(score->Meas(0, 0)->m_dwSpacingMode, 0u);
    const std::vector<int> natural = Positions(score->Meas(0, 0));
    EXPECT_NE(natural, (std::vector<int> {0, 64, 96, 128}));
    EXPECT_EQ(Positions(score->Meas(1, 0)), natural);
    EXPECT_LT(natural[1], natural[2]);
    EXPECT_LT(natural[2], natural[3]);
    doc.MultiUndoStart();
    for (int staff = 0; staff < 2; ++staff) {
        EXPECT_EQ(score->Meas(staff, 0)->m_dwSpacingMode, 1u);
        EXPECT_EQ(Positions(score->Meas(staff, 0)), (std::vector<int> {0, 64, 96, 128}));
    }
}

// Step entry re-spaces the column it enters unless the measure is spaced
// by time.
class RespaceAfterEntryTest : public kvtest::PagedScoreTest {
protected:
    static void Prepare(kvtest::ScoreBuilder& b)
    {
        CKVMeas* m = b.Meas(1, 2);
        b.Note(m, {.x = 0, .code = DUR_HALF, .dots = 1});
        for (short i = 0; i < 4; ++i)
            b.Note(m, {.x = static_cast<short>(192 + 16 * i), .code = DUR_16TH});
        for (BYTE v = 1; v <= CKVMeas::VOICES; ++v)
            m->UpdateStartTime(v, 1, 0, 0);
        for (int staff = 0; staff < 2; ++staff) {
            for (int meas = 0; meas < 8; ++meas)
                b.Meas(staff, meas)->m_dwSpacingMode = 2;
        }
    }

    static CKVMsg* Enter(CKVDoc& doc)
    {
        doc.JumpToMeas(3);
        CKVMsg tmpl(doc.m_pCurMeas, POINT {doc.m_nCaretPos, -12}, MSG_NOTE, 1, DUR_QUARTER, 1, 0, 0, 0, 0, 0);
        return doc.InsertNoteMsgInCurrentMeas(&tmpl, 0, 1, 0, 0, 1, nullptr);
    }

    // The positions the same entry gets in a copy of the score spaced by
    // time and then re-spaced by the command.
    static std::vector<std::vector<int>> Reference()
    {
        kvtest::ScoreBuilder copy(ScoreShapeOfPaged());
        copy.Doc().m_bBackupRecord = 1;
        copy.Doc().JumpToPage(0);
        Prepare(copy);
        copy.Meas(0, 2)->m_dwSpacingMode = 1;
        Enter(copy.Doc());
        copy.Doc().SetNoteSpace(0, 2, 2, 0, 0, 1);
        return {Positions(copy.Meas(0, 2)), Positions(copy.Meas(1, 2))};
    }

    static kvtest::ScoreShape ScoreShapeOfPaged() { return {.staves = 2, .measures = 8, .pageGeometry = true}; }
};

TEST_F(RespaceAfterEntryTest, StepEntryRespacesItsColumn)
{
    Prepare(*score);
    CKVDoc& doc = Doc();
    const std::string before = kvtest::CanonicalDump(doc);
    CKVMsg* note = Enter(doc);
    ASSERT_NE(note, nullptr);
    for (int staff = 0; staff < 2; ++staff) {
        for (int meas = 0; meas < 8; ++meas)
            EXPECT_EQ(score->Meas(staff, meas)->m_dwSpacingMode, meas == 2 ? 0u : 2u) << staff << " " << meas;
    }
    const std::vector<std::vector<int>> spaced {Positions(score->Meas(0, 2)), Positions(score->Meas(1, 2))};
    EXPECT_EQ(spaced, Reference());
    EXPECT_EQ(doc.m_nCaretPos, note->m_nPosX + 64);

    doc.MultiUndoStart();
    EXPECT_EQ(kvtest::CanonicalDump(doc), before);
    doc.MultiRedoStart();
    EXPECT_EQ((std::vector<std::vector<int>> {Positions(score->Meas(0, 2)), Positions(score->Meas(1, 2))}), spaced);
}

// A second quarter by step entry after the first, then the mouse entry of
// a grace note just left of it. (The first quarter stands at the very start
// of its measure, where no point lies left of it.)
CKVMsg* EnterGrace(CKVDoc& doc, kvtest::ScoreBuilder& b, CKVMsg*& main)
{
    CKVMsg tmpl(doc.m_pCurMeas, POINT {doc.m_nCaretPos, -12}, MSG_NOTE, 1, DUR_QUARTER, 1, 0, 0, 0, 0, 0);
    main = doc.InsertNoteMsgInCurrentMeas(&tmpl, 0, 1, 0, 0, 1, nullptr);
    if (!main)
        return nullptr;
    CKVMeas* target = b.Meas(0, 2);
    CKVMeas* known = b.Meas(0, 1);
    // The mouse entry test's point (279, 87) lands at position 127 of
    // measure 1 of staff 0 in the same block.
    const int x = 279 + (target->m_nLeftX + target->MeasXToAbsX(static_cast<short>(main->m_nPosX - 6), MSG_NOTE))
        - (known->m_nLeftX + known->MeasXToAbsX(127, MSG_NOTE));
    return doc.InsertNewNoteMsg({x, 87}, MSG_NOTE, 1, DUR_EIGHTH, 1, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1);
}

TEST_F(RespaceAfterEntryTest, MouseEntryOfAGraceNoteRespacesItsColumn)
{
    kvtest::ScoreBuilder copy(ScoreShapeOfPaged());
    copy.Doc().m_bBackupRecord = 1;
    copy.Doc().JumpToPage(0);
    Prepare(copy);
    ASSERT_NE(Enter(copy.Doc()), nullptr);
    copy.Meas(0, 2)->m_dwSpacingMode = 1;
    CKVMsg* main = nullptr;
    ASSERT_NE(EnterGrace(copy.Doc(), copy, main), nullptr);
    copy.Meas(0, 2)->m_dwSpacingMode = 1;
    copy.Doc().SetNoteSpace(0, 2, 2, 0, 0, 1);

    Prepare(*score);
    ASSERT_NE(Enter(Doc()), nullptr);
    CKVMsg* grace = EnterGrace(Doc(), *score, main);
    ASSERT_NE(grace, nullptr);
    EXPECT_TRUE(grace->IsGraceNote());
    EXPECT_EQ(score->Meas(0, 2)->m_dwSpacingMode, 0u);
    EXPECT_EQ(score->Meas(1, 2)->m_dwSpacingMode, 0u);
    EXPECT_EQ(Positions(score->Meas(0, 2)), Positions(copy.Meas(0, 2)));
    EXPECT_EQ(Positions(score->Meas(1, 2)), Positions(copy.Meas(1, 2)));
    // The entry worked on a clone of the measure: the main note is the
    // clone's second quarter.
    ASSERT_NE(grace->m_pMainNote, nullptr);
    EXPECT_EQ(grace->m_pMainNote->m_nStartTime, 240);
    EXPECT_LT(grace->m_nPosX, grace->m_pMainNote->m_nPosX);
}

TEST_F(RespaceAfterEntryTest, AMeasureSpacedByTimeIsRespacedAlone)
{
    Prepare(*score);
    score->Meas(0, 2)->m_dwSpacingMode = 1;
    const std::vector<int> below = Positions(score->Meas(1, 2));
    ASSERT_NE(Enter(Doc()), nullptr);
    EXPECT_EQ(Positions(score->Meas(1, 2)), below);
    EXPECT_EQ(score->Meas(0, 2)->m_dwSpacingMode, 1u);
    EXPECT_EQ(score->Meas(1, 2)->m_dwSpacingMode, 2u);
    EXPECT_EQ(Positions(score->Meas(0, 2)), (std::vector<int> {0}));
}

} // namespace
