// The cursor after the structure commands that take pages, blocks, staves or
// measures out of the score: it names only objects the score still holds, or
// nothing with its indexes at -1, and its indexes name what it holds.

#include "model/KVMeas.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "support/ScoreIntegrity.h"
#include "support/StructureSupport.h"

#include <functional>
#include <string>
#include <unordered_set>

namespace {

// The addresses of the pages, blocks, staves and measures of the score. A
// cursor pointer is only compared with them, never read: it may name an
// object that was freed.
std::unordered_set<const void*> TreeObjects(CKVDoc& doc)
{
    std::unordered_set<const void*> live;
    for (short p = 0; p < doc.GetPageNum(); ++p) {
        CKVPage* page = doc.GetPage(p);
        live.insert(page);
        for (int b = 0; b < page->m_arrBlock.GetSize(); ++b)
            live.insert(page->m_arrBlock.GetAt(b));
        for (int b = 0; b < page->m_arrOssiaBlock.GetSize(); ++b)
            live.insert(page->m_arrOssiaBlock.GetAt(b));
    }
    for (int y = 0; y < doc.m_arrSystem.GetSize(); ++y) {
        CKVSystem* system = doc.m_arrSystem.GetAt(y);
        for (CKVStaffPtrArray* list : {system->m_pStaffArray, system->m_pOssiaStaffArray}) {
            for (int s = 0; list && s < list->GetSize(); ++s) {
                live.insert(list->GetAt(s));
                for (LONG m = 0; m < list->GetAt(s)->GetMeasNum(); ++m)
                    live.insert(list->GetAt(s)->GetMeas(m));
            }
        }
    }
    return live;
}

// What is wrong with the cursor, empty when nothing is.
std::string CursorFault(CKVDoc& doc)
{
    const auto live = TreeObjects(doc);
    const auto gone = [&](const void* object) { return object && !live.count(object); };
    if (gone(doc.m_pCurPage))
        return "the page is not in the score";
    if (gone(doc.m_pCurBlock))
        return "the block is not in the score";
    if (gone(doc.m_pCurStaff))
        return "the staff is not in the score";
    if (gone(doc.m_pCurMeas))
        return "the measure is not in the score";
    CKVBlock* block = doc.m_pCurBlock;
    if (!block) {
        if (doc.m_pCurStaff || doc.m_pCurMeas)
            return "a staff or measure without a block";
        if (doc.m_nCurBlock != -1 || doc.m_nCurStaff != -1 || doc.m_nCurMeas != -1)
            return "no block, but the indexes are not -1";
        return "";
    }
    CKVPage* page = doc.m_pCurPage;
    if (!page || doc.GetPage(doc.m_nCurPage) != page)
        return "the page index does not name the page";
    auto& blocks = block->m_byKind == CKVBlock::KIND_OSSIA ? page->m_arrOssiaBlock : page->m_arrBlock;
    if (doc.m_nCurBlock < 0 || doc.m_nCurBlock >= blocks.GetSize() || blocks.GetAt(doc.m_nCurBlock) != block)
        return "the block index does not name the block";
    if (doc.m_nCurStaff < 0 || doc.m_nCurStaff >= block->GetStaffNum() ||
        block->GetStaff(doc.m_nCurStaff) != doc.m_pCurStaff)
        return "the staff index does not name the staff";
    if (doc.m_nCurMeas < 0 || doc.m_nCurMeas >= block->m_nMeasCount)
        return "the measure index is outside the block";
    const LONG base = block->m_byKind == CKVBlock::KIND_OSSIA ? 0 : block->m_nFirstMeas;
    if (doc.m_pCurStaff->GetMeas(base + doc.m_nCurMeas) != doc.m_pCurMeas)
        return "the measure index does not name the measure";
    return "";
}

class StaleCursorTest : public kvtest::StructureTest, public ::testing::WithParamInterface<bool> {
protected:
    // 3 staves on pages as a new score file lays them out (3 measures a
    // block, 5 blocks a page), undo recording as the case asks (off: what
    // goes is freed at once).
    void MakeScore(LONG measures = 10)
    {
        Make(3, measures, true);
        Doc().m_bBackupRecord = GetParam() ? 1 : 0;
    }

    // Puts the cursor on a staff and measure number through the jumps.
    void PutCursor(short staff, int number)
    {
        Doc().m_nCurStaff = staff;
        ASSERT_GT(Doc().JumpToMeas(number), 0);
        ASSERT_EQ(CursorFault(Doc()), "");
    }

    void ExpectNoCursor() { kvtest::ExpectNoCursor(Doc()); }
};

TEST_P(StaleCursorTest, DeletingEveryStaffLeavesTheCursorOnNoStaff)
{
    MakeScore();
    PutCursor(0, 1);
    EXPECT_EQ(Doc().DeleteStaves(-5, 99, 0), 3);
    EXPECT_EQ(Doc().GetStavesCount(0), 0);
    EXPECT_EQ(Page(0)->GetBlockNum(), 0);
    ExpectNoCursor();
}

TEST_P(StaleCursorTest, DeletingEveryMeasureLeavesTheCursorOnNoBlock)
{
    MakeScore();
    PutCursor(1, 5);
    EXPECT_EQ(Doc().DeleteMeasure(0, 9, 0), 10);
    EXPECT_EQ(Doc().GetPageNum(), 0);
    ExpectNoCursor();
    EXPECT_EQ(Doc().m_pCurPage, nullptr);
}

// Commands that leave a score behind: the cursor moves onto what stays.
struct Case {
    const char* name;
    short staff; // the cursor's staff
    int number;  // and measure number before the command
    std::function<void(CKVDoc&)> command;
};

class CursorAfterStructureTest : public StaleCursorTest {
protected:
    // Makes an ossia over measures 2 to 4 of staff 0 with the cursor on its
    // last measure, then runs the command on it in a step of its own.
    void OnOssia(CKVDoc& doc, const std::function<void()>& command)
    {
        ASSERT_EQ(doc.InsertOssia(POINT {50, 60}, 0, 0, 2, 4, 15, 0, 80), 1);
        doc.m_nCurMeas = 2;
        doc.m_pCurMeas = doc.m_pCurStaff->GetMeas(2);
        ASSERT_EQ(CursorFault(doc), "");
        doc.ResetBackup();
        doc.ObjectBackup(1);
        command();
    }

    void Run(const Case& c)
    {
        SCOPED_TRACE(c.name);
        MakeScore(20);
        PutCursor(c.staff, c.number);
        Doc().ResetBackup();
        Doc().ObjectBackup(1);
        c.command(Doc());
        EXPECT_EQ(CursorFault(Doc()), "");
        // Undo and redo move the cursor too.
        if (Doc().m_bBackupRecord) {
            Doc().MultiUndoStart();
            EXPECT_EQ(CursorFault(Doc()), "") << "after undo";
            Doc().MultiRedoStart();
            EXPECT_EQ(CursorFault(Doc()), "") << "after redo";
        }
    }
};

TEST_P(CursorAfterStructureTest, TheCursorStaysOnWhatTheScoreHolds)
{
    unsigned char hideFirst[] = {1, 0, 0};
    const Case cases[] = {
        {"the cursor's staff deleted", 0, 2, [](CKVDoc& d) { EXPECT_EQ(d.DeleteStaves(0, 0, 0), 1); }},
        {"a block above the cursor's emptied", 1, 8,
         [](CKVDoc& d) {
             // Block 0 shows staff 2 alone, and goes with it.
             CKVBlock* first = d.GetPage(0)->GetBlock(0);
             CKVSystem* master = d.m_arrSystem.GetAt(0);
             first->DeleteStaff(master->GetStaff(0));
             first->DeleteStaff(master->GetStaff(1));
             EXPECT_EQ(d.DeleteStaves(2, 2, 0), 1);
         }},
        {"the staves below the cursor's deleted", 2, 2, [](CKVDoc& d) { EXPECT_EQ(d.DeleteStaves(1, 2, 0), 2); }},
        {"the cursor's measures deleted", 1, 20, [](CKVDoc& d) { EXPECT_EQ(d.DeleteMeasure(15, 19, 0), 5); }},
        {"measures before the cursor deleted", 1, 8, [](CKVDoc& d) { EXPECT_EQ(d.DeleteMeasure(0, 3, 0), 4); }},
        {"the cursor's measure deleted on its staff", 1, 20,
         [](CKVDoc& d) { EXPECT_EQ(d.DeleteMeasOnStaff(18, 19, 1, 0), 1); }},
        {"the cursor's page deleted", 2, 20, [](CKVDoc& d) { EXPECT_EQ(d.DeletePages(1, 1), 0); }},
        {"the score laid out again", 2, 20, [](CKVDoc& d) { d.UpdatePage(1); }},
        {"the cursor's staff hidden", 0, 4, [&](CKVDoc& d) { d.StaffHide(0, 1, hideFirst); }},
        {"fewer measures in every block", 1, 20, [](CKVDoc& d) { EXPECT_EQ(d.SetAllBlockMeasCount(5), 1); }},
        {"fewer blocks on every page", 1, 20, [](CKVDoc& d) { EXPECT_EQ(d.SetAllPageBlockCount(2), 1); }},
        {"the cursor's ossia removed", 0, 2, [&](CKVDoc& d) { OnOssia(d, [&] { d.DeleteOssia(); }); }},
        {"every staff of the cursor's ossia deleted", 0, 2,
         [&](CKVDoc& d) { OnOssia(d, [&] { d.DeleteOssiaStaves(0, 9, 0); }); }},
        {"every measure of the cursor's ossia deleted", 0, 2,
         [&](CKVDoc& d) { OnOssia(d, [&] { EXPECT_EQ(d.DeleteMeasuresInOssia(0, 9), 1); }); }},
        {"the cursor's measure of an ossia deleted", 0, 2,
         [&](CKVDoc& d) { OnOssia(d, [&] { EXPECT_EQ(d.DeleteMeasuresInOssia(1, 2), 1); }); }},
    };
    for (const Case& c : cases)
        Run(c);
}

INSTANTIATE_TEST_SUITE_P(Recording, StaleCursorTest, ::testing::Bool());
INSTANTIATE_TEST_SUITE_P(Recording, CursorAfterStructureTest, ::testing::Bool());

} // namespace
