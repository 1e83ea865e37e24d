// Inserting and deleting measures, setting a measure's time signature, clef
// and content, the measure queries and moving a measure column.

#include "document/SelRect.h"
#include "document/UndoEntry.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/TickMath.h"
#include "support/StructureSupport.h"

#include <algorithm>

namespace {

using Blocks = std::vector<std::pair<int, int>>;

class MeasCmdTest : public kvtest::StructureTest {
protected:
    LONG Count(int staff) { return score->Staff(staff)->GetMeasNum(); }
    int Entries(short kind)
    {
        int n = 0;
        for (int i = 0; i < Doc().m_arrBackup.GetSize(); ++i)
            n += Doc().m_arrBackup.GetAt(i)->nKind == kind;
        return n;
    }
    // The notes and rests of a measure by x.
    std::vector<CKVMsg*> Notes(int staff, int meas)
    {
        std::vector<CKVMsg*> notes;
        tickmath::ForEachChild(*score->Meas(staff, meas), [&](CKVMsg* msg, short) {
            if (msg->m_byKind == MSG_NOTE || msg->m_byKind == MSG_REST)
                notes.push_back(msg);
            return false;
        });
        return notes;
    }
    std::vector<int> Xs(int staff, int meas)
    {
        std::vector<int> x;
        for (CKVMsg* n : Notes(staff, meas))
            x.push_back(n->m_nPosX);
        return x;
    }
};

// --- Inserting ------------------------------------------------------------------

TEST_F(MeasCmdTest, InsertOnAMarkedStaffAppendsOnTheOthers)
{
    Make(3, 6);
    // The whole-document backup replaces the measures by copies: they are
    // told apart by a mark.
    score->Meas(1, 2)->m_nTimeNum = 7;
    score->Meas(0, 5)->m_nTimeNum = 5;
    score->Meas(2, 5)->m_nTimeNum = 5;
    unsigned char flags[] = {0, 1, 0};
    EXPECT_EQ(Doc().InsertMeasures(2, 2, 0, 3, flags, 1), 1);
    for (int s = 0; s < 3; ++s)
        EXPECT_EQ(Count(s), 8);
    EXPECT_EQ(score->Meas(1, 4)->m_nTimeNum, 7);
    EXPECT_EQ(score->Meas(1, 2)->m_nTimeNum, 4);
    EXPECT_EQ(score->Meas(0, 5)->m_nTimeNum, 5);
    EXPECT_EQ(score->Meas(2, 5)->m_nTimeNum, 5);
    EXPECT_EQ(score->Meas(0, 6)->m_nTimeNum, 5);
    EXPECT_EQ(Doc().m_nCaretMeasNum, 1);
    EXPECT_EQ(Doc().GetMeasCount(0, 0), 8);
}

TEST_F(MeasCmdTest, InsertAfterTheLastMeasureAppends)
{
    Make(3, 6);
    CKVMeas* last = score->Meas(1, 5);
    unsigned char flags[] = {0, 1, 0};
    EXPECT_EQ(Doc().InsertMeasures(5, 1, 1, 3, flags, 0), 1);
    EXPECT_EQ(score->Meas(1, 5), last);
    EXPECT_EQ(Count(1), 7);
}

TEST_F(MeasCmdTest, InsertRefusesBadArgumentsAndChangesNothing)
{
    unsigned char flags[] = {1, 1};
    const std::string before = kvtest::CanonicalDump(Doc());
    EXPECT_EQ(Doc().InsertMeasures(0, 1, 0, 1, flags, 0), 0);
    EXPECT_EQ(Doc().InsertMeasures(0, 1, 0, 2, nullptr, 0), 0);
    EXPECT_EQ(Doc().InsertMeasures(0, 0, 0, 2, flags, 0), 0);
    EXPECT_EQ(Doc().InsertMeasures(0, 31991, 0, 2, flags, 0), 0);
    Doc().m_bBackupRecord = 0;
    EXPECT_EQ(Doc().InsertMeasures(0, 1, 0, 2, flags, 1), 0);
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), before);
}

TEST_F(MeasCmdTest, InsertUndoesInOneStep)
{
    unsigned char flags[] = {1, 1};
    ExpectRoundTrip([&] { EXPECT_EQ(Doc().InsertMeasures(2, 2, 0, 2, flags, 1), 1); }, kvtest::kCommandBacksUp);
}

// --- Deleting -------------------------------------------------------------------

TEST_F(MeasCmdTest, DeleteTakesTiesOffKeptNotesAndFitsTheBlocks)
{
    CKVMsg* kept = score->Note(score->Meas(0, 2), {.x = 200});
    CKVMsg* gone = score->Note(score->Meas(0, 3), {.x = 0});
    score->Tie(kept, gone);
    ASSERT_EQ(kept->GetMsgNum(), 1);

    EXPECT_EQ(Doc().DeleteMeasure(3, 5, 0), 3);
    EXPECT_EQ(Count(0), 7);
    EXPECT_EQ(Count(1), 7);
    EXPECT_EQ(score->Meas(1, 6)->m_byEndBar, CKVMeas::BAR_FINAL);
    EXPECT_EQ(Layout(), (std::vector<Blocks> {{{0, 3}, {3, 3}, {6, 1}}}));
    EXPECT_EQ(kept->m_wFlag & MSGFLAG_TIE_START, 0);
    EXPECT_EQ(kept->GetMsgNum(), 0);
}

TEST_F(MeasCmdTest, DeletingTheLastBlockRemovesItsPageUnlessItHoldsText)
{
    Make(2, 16);
    ASSERT_EQ(Doc().GetPageNum(), 2);
    EXPECT_EQ(Doc().DeleteMeasure(15, 15, 0), 1);
    EXPECT_EQ(Doc().GetPageNum(), 1);

    Make(2, 16);
    auto* text = new CKVMsg;
    text->m_byKind = MSG_FREETEXT;
    Page(1)->AddMsg(text);
    Doc().DeleteMeasure(15, 15, 0);
    ASSERT_EQ(Doc().GetPageNum(), 2);
    EXPECT_EQ(Page(1)->GetBlockNum(), 0);
}

TEST_F(MeasCmdTest, DeleteUndoesInOneStep)
{
    score->Note(score->Meas(0, 2), {.x = 200});
    score->Note(score->Meas(1, 4), {.x = 0});
    ExpectRoundTrip([&] { EXPECT_EQ(Doc().DeleteMeasure(3, 5, 0), 3); }, kvtest::kCallerBacksUp);
}

TEST_F(MeasCmdTest, DeleteAcrossATieUndoesAndSavesBack)
{
    CKVMsg* kept = score->Note(score->Meas(0, 2), {.x = 200});
    CKVMsg* gone = score->Note(score->Meas(0, 3), {.x = 0});
    ASSERT_TRUE(score->Tie(kept, gone));
    // The kept note also ties to a note of its own measure, a tie that keeps
    // the note's flag.
    ASSERT_TRUE(score->Tie(kept, score->Note(score->Meas(0, 2), {.x = 232})));
    score->Note(score->Meas(1, 7), {.x = 64});
    score->Settle();
    ExpectRoundTrip([&] { EXPECT_EQ(Doc().DeleteMeasure(3, 5, 0), 3); }, kvtest::kCallerBacksUp);
    EXPECT_EQ(score->Meas(0, 2)->GetMsg(0)->m_wFlag & MSGFLAG_TIE_START, MSGFLAG_TIE_START);

    // Undone once more, the tie is whole again and the score saves and
    // loads back equal.
    Doc().MultiUndoStart();
    ASSERT_EQ(Count(0), 10);
    CKVMsg* first = score->Meas(0, 2)->GetMsg(0);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->m_wFlag & MSGFLAG_TIE_START, MSGFLAG_TIE_START);
    CMemFile file;
    ASSERT_EQ(Doc().Save(&file), 1);
    file.SeekToBegin();
    CKVDoc loaded;
    ASSERT_EQ(loaded.Load(&file, 3), 0);
    EXPECT_EQ(kvtest::CanonicalDump(loaded), kvtest::CanonicalDump(Doc()));
}

TEST_F(MeasCmdTest, DeleteOnOneStaffKeepsTheLengthAndTheModelsBars)
{
    Make(3, 6);
    score->Meas(1, 1)->m_byInitClef = 2;
    score->Meas(0, 3)->m_byEndBar = CKVMeas::BAR_DOUBLE;
    EXPECT_EQ(Doc().DeleteMeasOnStaff(1, 2, 1, 0), 1);
    EXPECT_EQ(Count(1), 6);
    EXPECT_EQ(score->Meas(1, 4)->m_byInitClef, 2);
    EXPECT_EQ(score->Meas(1, 5)->m_byInitClef, 2);
    for (int m = 0; m < 6; ++m) {
        EXPECT_EQ(score->Meas(1, m)->m_byStartBar, score->Meas(0, m)->m_byStartBar) << m;
        EXPECT_EQ(score->Meas(1, m)->m_byEndBar, score->Meas(0, m)->m_byEndBar) << m;
    }
}

TEST_F(MeasCmdTest, DeleteOnStaffZeroCopiesTheLastStaff)
{
    Make(3, 6);
    score->Meas(2, 0)->m_nTimeNum = 3;
    EXPECT_EQ(Doc().DeleteMeasOnStaff(0, 0, 0, 0), 1);
    EXPECT_EQ(score->Meas(0, 5)->m_nTimeNum, 3);
    EXPECT_EQ(Count(0), 6);
}

TEST_F(MeasCmdTest, DeleteOnTheOnlyStaffDeletesTheColumnAndBadIndexesRefuse)
{
    Make(1, 6);
    EXPECT_EQ(Doc().DeleteMeasOnStaff(1, 2, 0, 0), 1);
    EXPECT_EQ(Count(0), 4);
    Make(3, 6);
    EXPECT_EQ(Doc().DeleteMeasOnStaff(1, 2, 1, 5), 0);
    EXPECT_EQ(Doc().DeleteMeasOnStaff(1, 2, 9, 0), 0);
    EXPECT_EQ(Count(1), 6);
}

// --- Queries --------------------------------------------------------------------

TEST_F(MeasCmdTest, CountsAndTheCurrentMeasure)
{
    EXPECT_EQ(Doc().GetMeasure(-1, 0, 0), nullptr);
    EXPECT_EQ(Doc().GetMeasure(10, 0, 0), nullptr);
    EXPECT_EQ(Doc().GetMeasure(0, 2, 0), nullptr);
    EXPECT_EQ(Doc().GetMeasure(0, 0, 1), nullptr);
    EXPECT_EQ(Doc().GetMeasure(9, 1, 0), score->Meas(1, 9));

    CKVMsg* rest = score->Symbol(score->Meas(0, 3), MSG_MULTIREST, 0);
    rest->m_wObjWord = 8;
    EXPECT_EQ(Doc().GetMeasCount(0, 1), 17);
    EXPECT_EQ(Doc().GetMeasCount(0, 0), 10);
    EXPECT_EQ(Doc().GetMeasCount(-1, 0), 10);
    EXPECT_EQ(Doc().GetMeasCount(5, 0), -1);

    Doc().m_pCurBlock = Block(0, 1);
    Doc().m_nCurMeas = 1;
    EXPECT_EQ(Doc().GetCurrentMeasNum(), 4);
    Doc().m_pCurBlock = nullptr;
    EXPECT_EQ(Doc().GetCurrentMeasNum(), -1);
    EXPECT_EQ(Doc().GetMeasCountInOssia(), -1);
    EXPECT_EQ(Doc().IsUndoEnableMeasDel(0, 0, 0), 0);
}

class SelMeasTest : public MeasCmdTest {
protected:
    void SetUp() override
    {
        MeasCmdTest::SetUp();
        Make(2, 10, true);
    }
    // A page rectangle over measures [first, last] of staff 0 in block 0.
    RECT Over(int first, int last)
    {
        CKVBlock* block = Block(0, 0);
        CRect a = score->Meas(0, first)->m_rcMeas;
        CRect b = score->Meas(0, last)->m_rcMeas;
        RECT r {a.left + 2, a.top + 1, b.right - 2, a.bottom - 1};
        OffsetRect(&r, block->m_rcBlock.left, block->m_rcBlock.top);
        return r;
    }
    void Select(short kind, RECT r, CKVStaff* staff, CKVBlock* block)
    {
        Doc().AddSelRect(kind, &r, nullptr, staff, block);
    }
};

TEST_F(SelMeasTest, SelectedMeasureCountByRecordKind)
{
    EXPECT_EQ(Doc().GetSelMeasCount(), -1);
    ASSERT_LT(Over(0, 1).left, Over(0, 1).right);
    Select(SelRect::kRect, Over(0, 1), nullptr, nullptr);
    Select(SelRect::kRect, Over(0, 0), nullptr, nullptr);
    EXPECT_EQ(Doc().GetSelMeasCount(), 2);

    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    Select(SelRect::kBlockStaff, RECT {0, 0, 0, 0}, score->Staff(0), Block(0, 0));
    EXPECT_EQ(Doc().GetSelMeasCount(), 3);

    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    Select(SelRect::kStaff, RECT {0, 0, 0, 0}, score->Staff(1), nullptr);
    EXPECT_EQ(Doc().GetSelMeasCount(), 10);
}

// Records that name a freed page, block or measure leave the selection, the
// others stay; undo recording is off, so nothing is kept alive for undo.
TEST_F(SelMeasTest, DeletingMeasuresDropsTheRecordsOfWhatWent)
{
    Make(2, 16, true);
    Doc().m_bBackupRecord = 0;
    ASSERT_EQ(Doc().GetPageNum(), 2);
    RECT none {0, 0, 0, 0};
    CKVMeas* kept = score->Meas(1, 2);
    Doc().AddSelRect(SelRect::kMeas, &none, kept, nullptr, Doc().GetBlockByMeas(kept));
    CKVMeas* gone = score->Meas(0, 15);
    Doc().AddSelRect(SelRect::kMeas, &none, gone, nullptr, Doc().GetBlockByMeas(gone));
    Doc().JumpToPage(1);
    Select(SelRect::kRect, RECT {0, 0, 4000, 4000}, nullptr, nullptr);
    ASSERT_EQ(Doc().m_pSelRectArray->GetSize(), 3);

    EXPECT_EQ(Doc().DeleteMeasure(15, 15, 0), 1);
    ASSERT_EQ(Doc().GetPageNum(), 1);
    ASSERT_EQ(Doc().m_pSelRectArray->GetSize(), 1);
    EXPECT_EQ(static_cast<SelRect*>(Doc().m_pSelRectArray->GetAt(0))->pMeas, kept);
    // The page's rectangle would have been read here.
    EXPECT_EQ(Doc().IsStaffSelected(0), 0);

    // Measures taken off one staff are made anew.
    EXPECT_EQ(Doc().DeleteMeasOnStaff(2, 3, 1, 0), 1);
    EXPECT_EQ(Doc().m_pSelRectArray->GetSize(), 0);
    EXPECT_FALSE(Doc().m_bSelected);
}

TEST_F(SelMeasTest, ReflowDropsTheRecordsOfTheBlocksItReplaces)
{
    Doc().m_bBackupRecord = 0;
    Select(SelRect::kBlockStaff, RECT {0, 0, 0, 0}, score->Staff(0), Block(0, 0));
    Select(SelRect::kStaff, RECT {0, 0, 0, 0}, score->Staff(1), nullptr);
    ASSERT_EQ(Doc().m_pSelRectArray->GetSize(), 2);

    Doc().UpdatePage(1);
    ASSERT_EQ(Doc().m_pSelRectArray->GetSize(), 1);
    EXPECT_EQ(static_cast<SelRect*>(Doc().m_pSelRectArray->GetAt(0))->pStaff, score->Staff(1));
    EXPECT_EQ(Doc().IsStaffSelected(1), 1);
}

TEST_F(SelMeasTest, SelectedRangeByRecordKind)
{
    int first = 5;
    int last = 5;
    EXPECT_EQ(Doc().GetSelMeasNumRange(first, last), -1);
    EXPECT_EQ(first, -1);
    EXPECT_EQ(last, -1);

    Select(SelRect::kStaff, RECT {0, 0, 0, 0}, score->Staff(1), nullptr);
    EXPECT_EQ(Doc().GetSelMeasNumRange(first, last), 0);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 9);

    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    Select(SelRect::kRect, Over(1, 2), nullptr, nullptr);
    EXPECT_EQ(Doc().GetSelMeasNumRange(first, last), 0);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(last, 2);
    EXPECT_EQ(Doc().GetSelMeasNumRangeInOssia(first, last), -1);

    // A block record takes the block's run; a later one raises the end.
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    Select(SelRect::kBlockStaff, RECT {0, 0, 0, 0}, score->Staff(1), Block(0, 1));
    Select(SelRect::kBlockStaff, RECT {0, 0, 0, 0}, score->Staff(1), Block(0, 2));
    EXPECT_EQ(Doc().GetSelMeasNumRange(first, last), 0);
    EXPECT_EQ(first, 3);
    EXPECT_EQ(last, 8);
}

// --- Setters --------------------------------------------------------------------

TEST_F(MeasCmdTest, TimeSignatureHiddenOrShown)
{
    EXPECT_EQ(Doc().SetPakToMeas(5, 3, 4, 0, 1, 1), 1);
    for (int s = 0; s < 2; ++s) {
        CKVMeas* m = score->Meas(s, 5);
        EXPECT_EQ(m->m_nTimeNum, 3);
        EXPECT_EQ(m->m_nTimeDen, 4);
        EXPECT_EQ(m->m_nLength, 720);
        EXPECT_EQ(m->m_byOptions & CKVMeas::OPT_TIME_HIDDEN, CKVMeas::OPT_TIME_HIDDEN);
        EXPECT_EQ(m->m_byOptions & CKVMeas::OPT_TIME_SHOWN, 0);
        EXPECT_EQ(m->m_byTimeStyle, 0);
        EXPECT_EQ(m->m_wObjWord & CKVMeas::PICKUP, CKVMeas::PICKUP);
    }
    EXPECT_EQ(Doc().SetPakToMeas(5, 3, 4, 1, 0, 0), 1);
    for (int m = 5; m <= 6; ++m) {
        EXPECT_EQ(score->Meas(1, m)->m_byOptions & CKVMeas::OPT_TIME_SHOWN, CKVMeas::OPT_TIME_SHOWN);
        EXPECT_EQ(score->Meas(1, m)->m_byOptions & CKVMeas::OPT_TIME_HIDDEN, 0);
    }
    EXPECT_EQ(score->Meas(0, 5)->m_wObjWord & CKVMeas::PICKUP, 0);
}

TEST_F(MeasCmdTest, TimeSignatureRefusesAMissingMeasureOrShortMemory)
{
    EXPECT_EQ(Doc().SetPakToMeas(99, 3, 4, 0, 0, 0), 0);
    host.freeBytes = 999999;
    host.ScriptAnswer(IDNO);
    EXPECT_EQ(Doc().SetPakToMeas(5, 3, 4, 0, 0, 0), 0);
    EXPECT_EQ(host.messageBoxes.size(), 1u);
    EXPECT_EQ(score->Meas(0, 5)->m_nTimeNum, 4);
}

TEST_F(MeasCmdTest, ShortMemoryIsReportedBeforeTheMeasureIsLookedUp)
{
    host.freeBytes = 999999;
    host.ScriptAnswer(IDNO);
    EXPECT_EQ(Doc().SetPakToMeas(99, 3, 4, 0, 0, 0), 0);
    EXPECT_EQ(host.messageBoxes.size(), 1u);
}

TEST_F(MeasCmdTest, ClefContentAndWholeMeasure)
{
    CKVMsg* change = score->ClefChange(score->Meas(1, 4), 100, 3);
    const int entries = Doc().m_arrBackup.GetSize();
    EXPECT_EQ(Doc().SetClefToMeas(1, 4, 2), 1);
    EXPECT_EQ(score->Meas(1, 4)->m_byInitClef, 2);
    EXPECT_EQ(score->Meas(1, 4)->GetMsg(0), change);
    EXPECT_EQ(Doc().m_arrBackup.GetSize(), entries);
    EXPECT_EQ(Doc().SetClefToMeas(9, 4, 2), 0);
    EXPECT_EQ(Doc().SetClefToMeas(1, 99, 2), 0);

    CKVMsg text;
    text.m_byKind = MSG_FREETEXT;
    text.m_nPosX = 40;
    EXPECT_EQ(Doc().AddMsg(0, 2, &text), 1);
    ASSERT_EQ(score->Meas(0, 2)->GetMsgNum(), 1);
    EXPECT_NE(score->Meas(0, 2)->GetMsg(0), &text);
    EXPECT_EQ(score->Meas(0, 2)->GetMsg(0)->m_byKind, MSG_FREETEXT);
    EXPECT_EQ(Doc().AddMsg(7, 2, &text), 0);

    CKVMeas model;
    model.m_nTimeNum = 6;
    model.m_nTimeDen = 8;
    EXPECT_EQ(Doc().SetMeasure(3, model, 0, 0), 1);
    EXPECT_EQ(score->Meas(0, 3)->m_nTimeNum, 6);
    EXPECT_EQ(score->Meas(0, 3)->m_nTimeDen, 8);
    EXPECT_EQ(Doc().SetMeasure(30, model, 0, 0), 0);
}

// --- Column moves -----------------------------------------------------------------

class ColumnTest : public MeasCmdTest {
protected:
    void SetUp() override
    {
        MeasCmdTest::SetUp();
        for (int s = 0; s < 2; ++s) {
            score->Note(score->Meas(s, 0), {.x = 50})->m_nStartTime = 0;
            score->Note(score->Meas(s, 0), {.x = 100})->m_nStartTime = 240;
            score->Note(score->Meas(s, 0), {.x = 178})->m_nStartTime = 480;
        }
    }
    CKVMsg* Moved() { return Notes(0, 0)[1]; }
};

TEST_F(ColumnTest, ByPositionTheRightSideKeepsItsShare)
{
    Doc().ChangeXByTime(Moved(), 150, 0);
    EXPECT_EQ(Entries(UndoEntry::kMeas), 2);
    EXPECT_EQ(Xs(0, 0), (std::vector<int> {50, 150, 203}));
    EXPECT_EQ(Xs(1, 0), (std::vector<int> {50, 150, 203}));
}

TEST_F(ColumnTest, ByTimeBothSidesScaleAndGroupsFollowTheirMembers)
{
    CKVMsg* group = score->Beam(score->Meas(1, 0), {.x = 20, .code = DUR_EIGHTH});
    score->Note(group, {.x = 20, .code = DUR_EIGHTH});
    score->Note(group, {.x = 220, .code = DUR_EIGHTH})->m_nStartTime = 600;
    Doc().ChangeXByTime(Moved(), 150, 1);
    EXPECT_EQ(Xs(0, 0), (std::vector<int> {75, 150, 203}));
    CKVMsg* live = nullptr;
    tickmath::ForEachChild(*score->Meas(1, 0), [&](CKVMsg* msg, short) {
        if (msg->m_byKind == MSG_BEAM)
            live = msg;
        return false;
    });
    ASSERT_NE(live, nullptr);
    EXPECT_EQ(live->m_nPosX, 30);
    EXPECT_EQ(live->m_nPosX2, live->GetMsg(1)->m_nPosX);
    EXPECT_EQ(live->GetMsg(1)->m_nPosX, 150 + MulDiv(106, 120, 156));
}

TEST_F(ColumnTest, FarRightIsRefusedAndAnUnshownColumnMovesItself)
{
    const std::string before = kvtest::CanonicalDump(Doc());
    Doc().ChangeXByTime(Moved(), 300, 0);
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), before);

    CKVMsg* far = score->Note(score->Meas(0, 5), {.x = 100});
    score->Note(score->Meas(0, 5), {.x = 178});
    Doc().JumpToPage(0);
    ASSERT_NE(Doc().m_pCurBlock, Block(0, 1));
    Doc().ChangeXByTime(far, 150, 0);
    EXPECT_EQ(Xs(0, 5), (std::vector<int> {150, 203}));
    EXPECT_EQ(Xs(0, 0), (std::vector<int> {50, 100, 178}));
}

TEST_F(ColumnTest, ColumnMoveUndoesInOneStep)
{
    ExpectRoundTrip([&] { Doc().ChangeXByTime(Moved(), 150, 0); }, kvtest::kCommandBacksUp);
}

} // namespace
