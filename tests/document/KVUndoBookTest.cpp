// Undo bookkeeping: what a dropped step frees, discarding the open step,
// emptying the history, the memory estimates and the position snapshot.

#include "document/KVDoc.h"
#include "document/KVFileInfo.h"
#include "document/UndoEntry.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "support/KvTest.h"
#include "support/ScoreBuilder.h"
#include "support/UndoSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using kvtest::KvTest;
using kvtest::ScoreBuilder;

class KVUndoBookTest : public kvtest::UndoTest {
protected:
    kvtest::ScoreShape Shape() override { return {.lineSpacing = 8, .staves = 1, .measures = 2}; }

    CKVSystem* System() { return score->System(); }

    // A staff of the score's system that is not in the score.
    CKVStaff* LooseStaff(LONG measures)
    {
        CKVStaff* staff = new CKVStaff;
        staff->Initialize(System(), OBJ_STAFF);
        staff->m_pParent = System();
        staff->Create(measures, 1, 4, 4);
        return staff;
    }

    CKVMeas* LooseMeas()
    {
        CKVMeas* meas = new CKVMeas;
        meas->Initialize(System(), OBJ_MEAS);
        return meas;
    }

    static UndoEntry* Entry(short kind, void* object, void* partner)
    {
        UndoEntry* e = new UndoEntry;
        e->nKind = kind;
        e->pObject = object;
        e->pPartner = partner;
        return e;
    }

};

// --- Removing entries and emptying the history -----------------------------------

TEST_F(KVUndoBookTest, RemoveFromBackupArrayMatchesByFieldAndKind)
{
    int a = 0;
    int b = 0;
    CPtrArray step;
    step.Add(Entry(UndoEntry::kMeas, &a, &b));
    step.Add(Entry(UndoEntry::kMeasInsDel, nullptr, &b));

    EXPECT_EQ(Doc().RemoveFromBackupArray(&step, kMatchObject, &b, kPlainEntries), 0);
    EXPECT_EQ(Doc().RemoveFromBackupArray(&step, kMatchPartner, &a, kStructuralEntries), 0);
    EXPECT_EQ(step.GetSize(), 2);

    // Only the structural entry names b as its inserted object.
    EXPECT_EQ(Doc().RemoveFromBackupArray(&step, kMatchPartner, &b, kStructuralEntries), 1);
    ASSERT_EQ(step.GetSize(), 1);
    EXPECT_EQ(static_cast<UndoEntry*>(step.GetAt(0))->nKind, UndoEntry::kMeas);
    EXPECT_EQ(Doc().RemoveFromBackupArray(&step, kMatchObject, &a, kPlainEntries), 1);
    EXPECT_EQ(step.GetSize(), 0);
}

TEST_F(KVUndoBookTest, EmptyingAnEmptyHistoryChangesNothing)
{
    Doc().m_bHostNotice = 0;
    Doc().ResetMultiBackList();
    EXPECT_EQ(Doc().m_listBackup.GetCount(), 0);
    EXPECT_EQ(Doc().m_listSlurBackup.GetCount(), 0);
    EXPECT_EQ(Doc().m_nUndoneCount, 0);
    EXPECT_EQ(Doc().m_bHostNotice, 0);
}

TEST_F(KVUndoBookTest, FullHistoryWithUndoneStepsIsFreedWithTheDocument)
{
    ScoreBuilder other(kvtest::ScoreShape {.staves = 1, .measures = 2});
    CKVDoc& doc = other.Doc();
    kvtest::StartUndoRecording(doc);
    for (int i = 0; i < 40; ++i) {
        doc.ResetBackup();
        if (i % 2) {
            doc.m_pPageArray->ObjectBackup(&doc.m_pPageArray, kBackupRecorded);
            CKVPage* page = new CKVPage;
            page->Create(doc.m_pFileInfo);
            doc.AddPage(page);
        } else {
            doc.m_pFileInfo->ObjectBackup(kBackupRecorded);
            doc.m_pTitleMsg[1]->m_nPosY = static_cast<short>(i);
        }
    }
    doc.ResetBackup();
    EXPECT_EQ(doc.m_listBackup.GetCount(), 32);
    for (int i = 0; i < 5; ++i)
        doc.MultiUndoStart();
    EXPECT_EQ(doc.m_nUndoneCount, 5);
    // The rest is up to the leak checker when `other` goes.
}

TEST_F(KVUndoBookTest, InitializeEmptiesTheHistory)
{
    PageEdit();
    TitleEdit(3);
    PageEdit();
    Doc().MultiUndoStart();
    ASSERT_EQ(Doc().m_listBackup.GetCount(), 3);

    Doc().Initialize();
    EXPECT_EQ(Doc().m_listBackup.GetCount(), 0);
    EXPECT_EQ(Doc().m_listSlurBackup.GetCount(), 0);
    EXPECT_EQ(Doc().m_nUndoneCount, 0);
    EXPECT_EQ(Doc().m_arrBackup.GetSize(), 0);
    EXPECT_EQ(Doc().IsMultiEnableUndo(), 0);
    EXPECT_EQ(Doc().IsMultiEnableRedo(), 0);

    ASSERT_EQ(Doc().CreateDocument(1, 4, 1, 4, 4), 1);
    TitleEdit(9);
    Doc().MultiUndoStart();
    EXPECT_EQ(TitleX(), 3);
}

// --- Dropping steps ---------------------------------------------------------------

TEST_F(KVUndoBookTest, DiscardingTheOpenStepKeepsTheScoreAndForgetsTheChange)
{
    TitleEdit(1);
    const short pages = Doc().GetPageNum();
    PageEdit();
    CKVBackupPtrArray* live = Doc().m_pPageArray;
    ASSERT_EQ(Doc().m_arrBackup.GetSize(), 2);

    Doc().ResetBackupData();
    EXPECT_EQ(Doc().m_arrBackup.GetSize(), 0);
    EXPECT_EQ(Doc().m_bBackupOpen, 0);
    EXPECT_EQ(Doc().m_pPageArray, live);
    EXPECT_EQ(Doc().GetPageNum(), pages + 1);
    EXPECT_EQ(live->m_pBackupLink, static_cast<CKVMultiBackup*>(live));
    EXPECT_EQ(Doc().IsMultiEnableUndo(), 1);

    Doc().MultiUndoStart();
    EXPECT_EQ(TitleX(), 0);
    EXPECT_EQ(Doc().GetPageNum(), pages + 1);
    EXPECT_EQ(Doc().IsMultiEnableUndo(), 0);
}

TEST_F(KVUndoBookTest, UndoneObjectIsLinkedToItselfOnceItsRedoIsDropped)
{
    CKVBackupPtrArray* list = Doc().m_pPageArray;
    PageEdit();
    Doc().MultiUndoStart();
    ASSERT_EQ(Doc().m_pPageArray, list);
    TitleEdit(2);
    EXPECT_EQ(list->m_pBackupLink, static_cast<CKVMultiBackup*>(list));

    // A later backup of the same list starts a fresh pair.
    PageEdit();
    Doc().MultiUndoStart();
    EXPECT_EQ(Doc().m_pPageArray, list);
    Doc().MultiRedoStart();
    EXPECT_NE(Doc().m_pPageArray, list);
}

TEST_F(KVUndoBookTest, UndoneMeasureIsLinkedToItselfOnceItsRedoIsDropped)
{
    CKVMeas* meas = score->Meas(0, 0);
    Doc().ResetBackup();
    ASSERT_EQ(meas->ObjectBackup(kBackupRecorded, kBackupAlone), 1);
    score->Note(meas->GetCurBackupObj(), {.x = 32});
    Doc().MultiUndoStart();
    ASSERT_EQ(score->Meas(0, 0), meas);
    TitleEdit(2);
    EXPECT_EQ(meas->m_pBackupLink, static_cast<CKVMultiBackup*>(meas));
    EXPECT_EQ(meas->GetCurBackupObj(), meas);

    CKVStaff* staff = score->Staff(0);
    Doc().ResetBackup();
    ASSERT_EQ(staff->ObjectBackup(kBackupRecorded, kBackupAlone), 1);
    Doc().MultiUndoStart();
    EXPECT_EQ(score->Staff(0), staff);
    Doc().MultiRedoStart();
    EXPECT_NE(score->Staff(0), staff);
}

TEST_F(KVUndoBookTest, MeasureInsertedIntoAStaffCloneIsFreedOnce)
{
    // A staff clone that received a new measure, recorded as inserted.
    CKVStaff* old = LooseStaff(2);
    CKVStaff* clone = LooseStaff(2);
    CKVMeas* inserted = LooseMeas();
    clone->m_arrMeas.Add(inserted);
    score->Note(inserted, {.x = 0});
    CPtrArray step;
    step.Add(Entry(UndoEntry::kStaff, old, clone));
    step.Add(Entry(UndoEntry::kMeasInsDel, nullptr, inserted));
    Doc().DeleteBackupData(&step, 0);
    EXPECT_EQ(step.GetSize(), 0);
    delete old;
}

TEST_F(KVUndoBookTest, MeasureRemovedFromAStaffCloneIsFreedWithTheRedoStep)
{
    CKVStaff* old = LooseStaff(2);
    CKVStaff* clone = LooseStaff(1);
    CKVMeas* removed = LooseMeas();
    score->Note(removed, {.x = 0});
    CPtrArray step;
    step.Add(Entry(UndoEntry::kStaff, old, clone));
    step.Add(Entry(UndoEntry::kMeasInsDel, removed, nullptr));
    Doc().DeleteBackupData(&step, 0);
    EXPECT_EQ(step.GetSize(), 0);
    delete old;
}

TEST_F(KVUndoBookTest, OldestStepDeletesTheRemovedMeasureAndNothingInTheScore)
{
    CKVStaff* old = LooseStaff(2);
    CKVMeas* removed = old->m_arrMeas.GetAt(1);
    CKVStaff* live = score->Staff(0);
    CKVMeas* kept = live->m_arrMeas.GetAt(0);
    CPtrArray step;
    // The old staff holds the removed measure; the second entry names a
    // measure that the score still shows.
    step.Add(Entry(UndoEntry::kStaff, old, live));
    step.Add(Entry(UndoEntry::kMeasInsDel, removed, nullptr));
    step.Add(Entry(UndoEntry::kMeasInsDel, kept, nullptr));
    old->m_pBackupLink = live;
    live->m_pBackupLink = old;
    Doc().DeleteBackupData(&step, 1);
    EXPECT_EQ(step.GetSize(), 0);
    EXPECT_EQ(score->Staff(0), live);
    EXPECT_EQ(live->m_arrMeas.GetAt(0), kept);
    EXPECT_EQ(live->m_pBackupLink, static_cast<CKVMultiBackup*>(live));
    score->Note(kept, {.x = 16});
}

TEST_F(KVUndoBookTest, SlurRecordsDeleteTheSymbolTheyNameUnlessTheScoreOwnsIt)
{
    CKVMsg* owned = score->Note(score->Meas(0, 0), {.x = 0});
    CKVMsg* loose = new CKVMsg;
    loose->Initialize(System(), OBJ_MSG);
    loose->m_byKind = MSG_TIE;
    const DWORD looseId = System()->AddMsgToMap(loose);
    CPtrArray slurStep;
    auto record = [&](DWORD oldRef, DWORD newRef) {
        SlurRelinkRecord* r = new SlurRelinkRecord;
        r->dwOldRef = oldRef;
        r->dwNewRef = newRef;
        slurStep.Add(r);
    };
    record(looseId, owned->m_dwMsgId);
    record(999999, 0);
    Doc().DeleteSlurBackupData(&slurStep, 0);
    EXPECT_EQ(System()->GetMsgFromMap(owned->m_dwMsgId), owned);
    EXPECT_EQ(System()->GetMsgFromMap(looseId), loose);

    record(looseId, owned->m_dwMsgId);
    Doc().DeleteSlurBackupData(&slurStep, 1);
    EXPECT_EQ(slurStep.GetSize(), 0);
    EXPECT_EQ(System()->GetMsgFromMap(looseId), nullptr);
}

// --- Memory estimates --------------------------------------------------------------

TEST_F(KVUndoBookTest, EstimatesAddChildrenToTheBaseSizes)
{
    CKVMeas* first = score->Meas(0, 0);
    CKVMeas* second = score->Meas(0, 1);
    CKVMsg* leaf = score->Note(first, {.x = 0});
    EXPECT_EQ(leaf->GetMsgMemSize(), 172);
    EXPECT_EQ(first->GetMeasMemSize(), 316 + 12 + 172);
    score->Note(second, {.x = 0});
    EXPECT_EQ(score->Staff(0)->GetStaffMemSize(), 1200);
    EXPECT_EQ(System()->GetSysMeasMemSize(1), 500);

    CKVMsg* parent = score->Note(second, {.x = 128});
    score->Symbol(parent, 8, 0, -8);
    score->Symbol(parent, 8, 0, 8);
    EXPECT_EQ(parent->GetMsgMemSize(), 540);

    CKVPage* page = Doc().GetPage(0);
    int blocks = 0;
    for (short b = 0; b < page->GetBlockNum(); ++b)
        blocks += page->GetBlock(b)->GetBlockMemSize();
    EXPECT_EQ(page->GetPageMemSize(), 108 + 4 * page->GetBlockNum() + 8 * page->GetMsgNum() + blocks);
}

// --- Position snapshot ---------------------------------------------------------------

TEST_F(KVUndoBookTest, FeedBackPositionRestoresTheSnapshot)
{
    CKVMsg* note = score->Note(score->Meas(0, 0), {.x = 40, .y = -16});
    CKVMsg* mark = score->Symbol(note, 8, 0, -8);
    note->m_lHeight = -28;
    CKVPage* page = Doc().GetPage(0);
    CKVBlock* block = page->GetBlock(0);
    ASSERT_GE(block->m_arrMeasX.GetSize(), 2);
    const CRect blockRect = block->m_rcBlock;
    const WORD boundary = block->m_arrMeasX.GetAt(1);
    const CRect print = page->m_rcPrint;

    Doc().BackupPoisition();
    note->m_nPosX = 90;
    note->m_nPosY = -40;
    note->m_lHeight = 28;
    mark->m_nPosY = 8;
    block->m_rcBlock.OffsetRect(5, 7);
    block->m_arrMeasX.SetAt(1, static_cast<WORD>(boundary + 11));
    page->m_rcPrint.OffsetRect(-3, 4);

    Doc().FeedBackPosition();
    EXPECT_EQ(note->m_nPosX, 40);
    EXPECT_EQ(note->m_nPosY, -16);
    EXPECT_EQ(note->m_lHeight, -28);
    EXPECT_EQ(mark->m_nPosY, -8);
    EXPECT_EQ(block->m_rcBlock, blockRect);
    EXPECT_EQ(block->m_arrMeasX.GetAt(1), boundary);
    EXPECT_EQ(page->m_rcPrint, print);
}

} // namespace
