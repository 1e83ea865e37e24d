// Undo clones of measures, staves, blocks, pages and the whole document, and
// the swaps that undo and redo make with them.

#include "AllocHook.h"
#include "document/BackupState.h"
#include "document/KVDoc.h"
#include "document/KVFileInfo.h"
#include "document/SelRect.h"
#include "document/UndoEntry.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/MidiFileRead.h"
#include "support/CanonicalDump.h"
#include "support/KvTest.h"
#include "support/NoteEntry.h"
#include "support/ScoreBuilder.h"
#include "support/UndoSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <vector>

namespace {

using kvtest::CanonicalDump;
using kvtest::ScoreBuilder;
using kvtest::ScoreShape;

class ObjectBackupTest : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        Make(ScoreShape {.lineSpacing = 8, .staves = 2, .measures = 9});
    }

    void TearDown() override
    {
        b.reset();
        KvTest::TearDown();
    }

    void Make(const ScoreShape& shape)
    {
        b.reset();
        b = std::make_unique<ScoreBuilder>(shape);
        kvtest::StartUndoRecording(b->Doc());
    }

    CKVDoc& Doc() { return b->Doc(); }
    CKVSystem* System() { return b->System(); }

    int Entries() { return Doc().m_arrBackup.GetSize(); }
    short EntryKind(int i) { return Doc().m_arrBackup.GetAt(i)->nKind; }

    SelRect* AddRecord(short kind, CKVMeas* meas, CKVStaff* staff = nullptr, CKVBlock* block = nullptr,
                       CKVPage* page = nullptr)
    {
        SelRect* rec = new SelRect;
        rec->nKind = kind;
        rec->pMeas = meas;
        rec->pStaff = staff;
        rec->pBlock = block;
        rec->pPage = page;
        Doc().m_pSelRectArray->Add(rec);
        Doc().m_bSelected = 1;
        return rec;
    }

    static std::set<DWORD> ChildIds(CKVMeas* meas)
    {
        std::set<DWORD> ids;
        meas->ResetGetNextMsg(kChordNotesSingly, kWalkTreeOrder, kWalkOwnStaff, kWalkKeepAll);
        for (short c = 0; c < meas->m_arrWalk.GetSize();) {
            if (CKVMsg* msg = meas->GetNextMsg(c))
                ids.insert(msg->m_dwMsgId);
        }
        return ids;
    }

    // Whether the note stands in the measure, directly or in a chord or
    // beam group.
    static bool HoldsNote(CKVObject* node, CKVMsg* note, int depth = 0)
    {
        for (short i = 0; depth < 3 && i < node->GetMsgNum(); ++i) {
            CKVMsg* child = node->GetMsg(i);
            if (child == note)
                return true;
            if (child && (child->m_byKind == MSG_CHORD || child->m_byKind == MSG_BEAM) &&
                HoldsNote(child, note, depth + 1))
                return true;
        }
        return false;
    }

    std::unique_ptr<ScoreBuilder> b;
};

// --- Measures -----------------------------------------------------------------

TEST_F(ObjectBackupTest, MeasureCloneBecomesLiveAndPointersFollowIt)
{
    CKVMeas* m = b->Meas(0, 1);
    CKVMsg* note = b->Note(m, {.x = 64, .y = -8});
    CKVMsg* other = b->Note(m, {.x = 128, .y = -16, .code = DUR_EIGHTH});
    ASSERT_TRUE(note && other);
    Doc().m_pCurMeas = m;
    const std::set<DWORD> oldIds = ChildIds(m);

    Doc().ResetBackup();
    ASSERT_EQ(1, m->ObjectBackup(kBackupRecorded, kBackupAlone));

    CKVMeas* clone = m->GetCurBackupObj();
    ASSERT_NE(clone, m);
    EXPECT_FALSE(m->IsCurrentObj());
    EXPECT_TRUE(clone->IsCurrentObj());
    EXPECT_EQ(b->Staff(0)->GetMeas(1), clone);
    EXPECT_EQ(Doc().m_pCurMeas, clone);

    CKVMsg* moved = m->GetNewPtr2(other);
    ASSERT_NE(moved, other);
    EXPECT_EQ(moved->m_pParent, clone);
    EXPECT_EQ(moved->m_nPosX, 128);
    EXPECT_EQ(moved->m_wDuration, DUR_EIGHTH);
    // Every copy lives under an id of its own.
    for (DWORD id : ChildIds(clone))
        EXPECT_EQ(0u, oldIds.count(id)) << "id " << id << " taken over by the clone";
    EXPECT_EQ(ChildIds(clone).size(), oldIds.size());
}

TEST_F(ObjectBackupTest, MeasureUndoAndRedoSwapTheEditedClone)
{
    CKVMeas* m = b->Meas(0, 1);
    b->Note(m, {.x = 64, .y = -8});
    // The cursor stands on M, as it does when a command edits it: undo and
    // redo end by jumping to the cursor's measure number.
    ASSERT_GT(Doc().JumpToMeas(2), 0);
    ASSERT_EQ(Doc().m_pCurMeas, m);
    const std::string before = CanonicalDump(Doc());

    // Note entry on the clone, as the insert command makes it.
    Doc().ResetBackup();
    ASSERT_EQ(1, m->ObjectBackup(kBackupRecorded, kBackupAlone));
    CKVMeas* clone = m->GetCurBackupObj();
    ASSERT_NE(clone, m);
    CKVMsg* entered = kvtest::EnterNote(clone, {.start = 480, .y = -4});
    ASSERT_TRUE(entered);
    const DWORD id = entered->m_dwMsgId;
    EXPECT_TRUE(HoldsNote(clone, entered));
    const std::string after = CanonicalDump(Doc());
    ASSERT_NE(before, after);

    Doc().MultiUndoStart();
    EXPECT_EQ(b->Staff(0)->GetMeas(1), m);
    EXPECT_EQ(Doc().m_pCurMeas, m);
    EXPECT_TRUE(m->IsCurrentObj());
    EXPECT_FALSE(HoldsNote(m, entered));
    EXPECT_EQ(0u, ChildIds(m).count(id));
    EXPECT_EQ(before, CanonicalDump(Doc()));

    Doc().MultiRedoStart();
    EXPECT_EQ(b->Staff(0)->GetMeas(1), clone);
    EXPECT_EQ(Doc().m_pCurMeas, clone);
    EXPECT_TRUE(HoldsNote(clone, entered));
    EXPECT_EQ(after, CanonicalDump(Doc()));
}

TEST_F(ObjectBackupTest, AccidentalSetOnTheCloneIsUndoneAndRedone)
{
    // Two E4 in treble. A sharp on the first is in force for the second,
    // which keeps its key and is spelled with a natural.
    CKVMeas* m = b->Meas(0, 1);
    CKVMsg* note = kvtest::EnterNote(m, {.start = 0, .y = 0});
    CKVMsg* later = kvtest::EnterNote(m, {.start = 240, .y = 0});
    ASSERT_TRUE(note && later);
    ASSERT_EQ(64, note->GetMidiKey());
    ASSERT_EQ(64, later->GetMidiKey());
    ASSERT_GT(Doc().JumpToMeas(2), 0);
    const std::string before = CanonicalDump(Doc());

    // The accidental command's work once it has found the note.
    Doc().ResetBackup();
    ASSERT_EQ(1, m->ObjectBackup(kBackupRecorded, kBackupCrossStaff));
    CKVMeas* clone = m->GetCurBackupObj();
    ASSERT_NE(clone, m);
    CKVMsg* moved = m->GetNewPtr2(note);
    CKVMsg* movedLater = m->GetNewPtr2(later);
    ASSERT_TRUE(moved && movedLater);
    ASSERT_EQ(clone, moved->m_pParent);
    ASSERT_EQ(1, moved->SetSymbol(ACCI_SHARP, 0, 12));
    EXPECT_EQ(ACCI_SHARP, moved->m_byAccidental);
    EXPECT_EQ(65, moved->GetMidiKey());
    EXPECT_EQ(64, movedLater->GetMidiKey());
    EXPECT_EQ(ACCI_NATURAL, movedLater->m_byAccidental);
    const std::string after = CanonicalDump(Doc());

    Doc().MultiUndoStart();
    EXPECT_EQ(m, b->Staff(0)->GetMeas(1));
    EXPECT_EQ(ACCI_NONE, note->m_byAccidental);
    EXPECT_EQ(64, note->GetMidiKey());
    EXPECT_EQ(ACCI_NONE, later->m_byAccidental);
    EXPECT_EQ(before, CanonicalDump(Doc()));

    Doc().MultiRedoStart();
    EXPECT_EQ(clone, b->Staff(0)->GetMeas(1));
    EXPECT_EQ(ACCI_SHARP, moved->m_byAccidental);
    EXPECT_EQ(65, moved->GetMidiKey());
    EXPECT_EQ(ACCI_NATURAL, movedLater->m_byAccidental);
    EXPECT_EQ(after, CanonicalDump(Doc()));
}

TEST_F(ObjectBackupTest, NewPointerOfAMessageWithoutEqualIsTheMessage)
{
    CKVMeas* m = b->Meas(0, 1);
    b->Note(m, {.x = 64, .y = -8});
    CKVMsg* elsewhere = b->Note(b->Meas(0, 2), {.x = 200, .y = -20});
    EXPECT_EQ(elsewhere, m->GetNewPtr(elsewhere));
    EXPECT_EQ(nullptr, m->GetNewPtr(nullptr));
    EXPECT_EQ(nullptr, m->GetNewPtr2(nullptr));
    // A live measure's message needs no translation.
    EXPECT_EQ(elsewhere, m->GetNewPtr2(elsewhere));
}

TEST_F(ObjectBackupTest, EqualNotesOfAChordTranslateToTheirOwnCopies)
{
    // Re-spelling can put two notes of a chord on one line (a flat and a
    // double sharp); they differ only in key and accidental.
    CKVMeas* m = b->Meas(0, 1);
    CKVMsg* first = kvtest::EnterNote(m, {.start = 0, .y = 0});
    CKVMsg* second = kvtest::EnterNote(m, {.start = 0, .y = -4});
    ASSERT_TRUE(first && second);
    ASSERT_EQ(1, m->GetMsgNum());
    ASSERT_EQ(MSG_CHORD, m->GetMsg(0)->m_byKind);
    second->m_nPosY = first->m_nPosY;
    first->m_byAccidental = ACCI_FLAT;
    second->m_byAccidental = ACCI_DOUBLE_SHARP;

    Doc().ResetBackup();
    ASSERT_EQ(1, m->ObjectBackup(kBackupRecorded, kBackupAlone));
    CKVMsg* firstCopy = m->GetNewPtr2(first);
    CKVMsg* secondCopy = m->GetNewPtr2(second);
    ASSERT_NE(first, firstCopy);
    ASSERT_NE(second, secondCopy);
    EXPECT_NE(firstCopy, secondCopy);
    EXPECT_EQ(ACCI_FLAT, firstCopy->m_byAccidental);
    EXPECT_EQ(ACCI_DOUBLE_SHARP, secondCopy->m_byAccidental);
    // Passing over one copy finds the other.
    EXPECT_EQ(secondCopy, m->GetNewPtr2(first, firstCopy));
}

TEST_F(ObjectBackupTest, ChordNotesTranslateBeforeAWalkHasMarkedThem)
{
    // Joined notes carry the chord mark at once. A note still waiting for a
    // walk to mark it is found in the clone too, whose walk has marked it.
    CKVMeas* m = b->Meas(0, 1);
    b->Note(m, {.x = 64, .y = -8});
    b->Note(m, {.x = 64, .y = -24});
    m->MakeChord(1, 64, 64);
    ASSERT_EQ(1, m->GetMsgNum());
    CKVMsg* chord = m->GetMsg(0);
    ASSERT_EQ(MSG_CHORD, chord->m_byKind);
    ASSERT_EQ(2, chord->GetMsgNum());
    EXPECT_TRUE(chord->GetMsg(0)->m_wFlag & MSGFLAG_CHORD_MEMBER);
    CKVMsg* member = chord->GetMsg(1);
    EXPECT_TRUE(member->m_wFlag & MSGFLAG_CHORD_MEMBER);
    member->m_wFlag = static_cast<WORD>(member->m_wFlag & ~MSGFLAG_CHORD_MEMBER);

    Doc().ResetBackup();
    ASSERT_EQ(1, m->ObjectBackup(kBackupRecorded, kBackupAlone));
    CKVMsg* copy = m->GetNewPtr2(member);
    ASSERT_NE(member, copy);
    EXPECT_EQ(m->GetCurBackupObj()->GetMsg(0)->GetMsg(1), copy);
}

TEST_F(ObjectBackupTest, RecordingOffLinksTheMeasureToItself)
{
    Doc().m_bBackupRecord = 0;
    CKVMeas* m = b->Meas(0, 1);
    EXPECT_EQ(0, m->ObjectBackup(kBackupRecorded, kBackupAlone));
    EXPECT_EQ(m, m->GetCurBackupObj());
    EXPECT_TRUE(m->IsCurrentObj());
    EXPECT_EQ(0, Entries());
}

TEST_F(ObjectBackupTest, MidiFileReadStopsBackupAndFeedback)
{
    CKVMeas* m = b->Meas(0, 1);
    SetMidiFileRead(1);
    EXPECT_EQ(0, m->ObjectBackup(kBackupRecorded, kBackupAlone));
    EXPECT_EQ(0, Entries());
    // A pair linked by hand stays as it is.
    CKVMeas other;
    m->m_pBackupLink = &other;
    m->ObjectFeedback();
    EXPECT_EQ(b->Staff(0)->GetMeas(1), m);
    EXPECT_TRUE(m->IsCurrentObj());
    m->m_pBackupLink = m;
    SetMidiFileRead(0);
}

TEST_F(ObjectBackupTest, CrossStaffMeasureBacksUpItsWholeColumn)
{
    CKVMeas* upper = b->Meas(0, 2);
    CKVMsg* note = b->Note(upper, {.x = 64, .y = 24, .flags = MSGFLAG_STAFF_DOWN});
    ASSERT_TRUE(note);
    upper->m_arrDownMsg.Add(note->m_dwMsgId);

    Doc().ResetBackup();
    ASSERT_EQ(1, b->Meas(1, 2)->ObjectBackup(kBackupRecorded, kBackupCrossStaff));
    ASSERT_EQ(2, Entries());
    EXPECT_EQ(UndoEntry::kMeas, EntryKind(0));
    EXPECT_EQ(UndoEntry::kMeas, EntryKind(1));
    EXPECT_NE(b->Meas(0, 2), upper);

    // Without the cross-staff flag only the measure itself is cloned.
    Doc().ResetBackup();
    ASSERT_EQ(1, b->Meas(1, 2)->ObjectBackup(kBackupRecorded, kBackupAlone));
    EXPECT_EQ(1, Entries());
}

TEST_F(ObjectBackupTest, OssiaMeasureIsBackedUpAlone)
{
    ASSERT_GT(System()->InsertOssiaStaff(b->Staff(0), 0, 1, CKVSystem::MODE_NORMAL, 5, 100), 0);
    CKVStaff* ossia = System()->GetOssiaStaff(0);
    ASSERT_TRUE(ossia && ossia->GetMeasNum() > 0);
    CKVMeas* m = ossia->GetMeas(0);
    CKVMsg* note = b->Note(m, {.x = 64, .y = -8});
    m->m_arrDownMsg.Add(note->m_dwMsgId);
    b->Meas(0, 0)->m_arrDownMsg.Add(note->m_dwMsgId);

    Doc().ResetBackup();
    ASSERT_EQ(1, m->ObjectBackup(kBackupRecorded, kBackupCrossStaff));
    EXPECT_EQ(1, Entries());
    EXPECT_EQ(ossia->GetMeas(0), m->GetCurBackupObj());
}

// --- Staves ---------------------------------------------------------------------

TEST_F(ObjectBackupTest, StaffCloneLinksMeasuresAndTakesEveryPlace)
{
    CKVStaff* staff = b->Staff(0);
    b->Note(staff->GetMeas(2), {.x = 64, .y = -8});
    SelRect* follows = AddRecord(SelRect::kMeas, staff->GetMeas(2));
    // A measure that names the staff as parent but is no longer in it.
    CKVMeas stray;
    stray.m_pParent = staff;
    AddRecord(SelRect::kMeas, &stray);
    ASSERT_EQ(2, Doc().m_pSelRectArray->GetSize());

    Doc().ResetBackup();
    ASSERT_EQ(1, staff->ObjectBackup(kBackupRecorded, kBackupAlone));
    CKVStaff* clone = static_cast<CKVStaff*>(staff->GetCurBackupObj());
    ASSERT_NE(clone, staff);
    ASSERT_EQ(staff->GetMeasNum(), clone->GetMeasNum());
    for (LONG i = 0; i < staff->GetMeasNum(); ++i) {
        EXPECT_EQ(clone->GetMeas(i), staff->GetMeas(i)->GetCurBackupObj()) << i;
        EXPECT_EQ(static_cast<CKVMultiBackup*>(staff->GetMeas(i)), clone->GetMeas(i)->m_pBackupLink) << i;
    }
    EXPECT_EQ(System()->GetStaff(0), clone);
    for (short p = 0; p < Doc().GetPageNum(); ++p) {
        CKVPage* page = Doc().GetPage(p);
        for (short k = 0; k < page->GetBlockNum(); ++k) {
            CKVBlock* block = page->GetBlock(k);
            EXPECT_EQ(clone, block->GetStaff(0));
            EXPECT_EQ(clone, block->m_arrStaffEntry.GetAt(0)->pStaff);
            EXPECT_NE(staff, block->GetStaff(1));
        }
    }
    ASSERT_EQ(1, Doc().m_pSelRectArray->GetSize());
    EXPECT_EQ(follows, Doc().m_pSelRectArray->GetAt(0));
    EXPECT_EQ(clone->GetMeas(2), follows->pMeas);

    Doc().MultiUndoStart();
    EXPECT_EQ(System()->GetStaff(0), staff);
    EXPECT_EQ(staff, Doc().GetPage(0)->GetBlock(0)->GetStaff(0));
    EXPECT_EQ(staff->GetMeas(2), follows->pMeas);
    EXPECT_TRUE(staff->IsCurrentObj());
    EXPECT_TRUE(staff->GetMeas(0)->IsCurrentObj());
    EXPECT_FALSE(clone->GetMeas(0)->IsCurrentObj());

    Doc().MultiRedoStart();
    EXPECT_EQ(System()->GetStaff(0), clone);
    EXPECT_EQ(clone, Doc().GetPage(0)->GetBlock(0)->GetStaff(0));
    EXPECT_EQ(clone->GetMeas(2), follows->pMeas);
}

TEST_F(ObjectBackupTest, StaffCurrentFlagMovesWithItsMeasures)
{
    CKVStaff* staff = b->Staff(1);
    CKVStaff partner;
    staff->m_pBackupLink = &partner;
    partner.m_nCurrent = 0;
    std::vector<std::unique_ptr<CKVMeas>> partners;
    for (LONG i = 0; i < staff->GetMeasNum(); ++i) {
        partners.push_back(std::make_unique<CKVMeas>());
        partners.back()->m_nCurrent = 0;
        staff->GetMeas(i)->m_pBackupLink = partners.back().get();
    }
    staff->SetCurrentFlag2BackupObj();
    EXPECT_FALSE(staff->IsCurrentObj());
    EXPECT_TRUE(partner.IsCurrentObj());
    for (LONG i = 0; i < staff->GetMeasNum(); ++i) {
        EXPECT_FALSE(staff->GetMeas(i)->IsCurrentObj());
        EXPECT_TRUE(partners[static_cast<size_t>(i)]->IsCurrentObj());
        staff->GetMeas(i)->m_pBackupLink = staff->GetMeas(i);
    }
    staff->m_pBackupLink = staff;
}

TEST_F(ObjectBackupTest, MeasuresOfAStaffCopyComeBackLiveAfterAnEarlierMeasureStep)
{
    // A measure step, then a whole-document step (which copies the staves);
    // both undone and redone. The measure's own undo link then names the
    // measure of the first step, not its copy in the staff coming back.
    Doc().ResetBackup();
    b->Meas(1, 1)->ObjectBackup(kBackupRecorded, kBackupAlone);
    b->Meas(1, 1)->m_wMarker = 50;
    Doc().ResetBackup();
    ASSERT_EQ(1, Doc().ObjectBackup(kBackupRecorded));
    Doc().AddMeas(1, -1);
    Doc().ResetBackup();
    for (int i = 0; i < 2; ++i)
        Doc().MultiUndoStart();
    for (int i = 0; i < 2; ++i)
        Doc().MultiRedoStart();
    for (int s = 0; s < 2; ++s) {
        for (LONG m = 0; m < b->Staff(s)->GetMeasNum(); ++m)
            EXPECT_TRUE(b->Meas(s, static_cast<int>(m))->IsCurrentObj()) << s << " " << m;
    }
    // A command that backs up what is not yet backed up in its step changes
    // the measure the staff shows.
    Doc().ResetBackup();
    Doc().SetTempo(1, 1, 90, 0, 0);
    for (int s = 0; s < 2; ++s)
        EXPECT_EQ(b->Meas(s, 1)->m_wMarker, 90) << s;
}

// --- Blocks and pages -------------------------------------------------------------

TEST_F(ObjectBackupTest, BlockCloneCopiesTheLayout)
{
    CKVBlock* block = Doc().GetPage(0)->GetBlock(0);
    ASSERT_TRUE(block);
    block->m_arrStaffNamePoint.Add(new POINT {5, 6});
    block->m_arrStaffNamePoint.Add(nullptr);
    block->m_arrStaffCtrl.Add(new CKVCtrlPoint(CRect(1, 2, 3, 4)));

    ASSERT_EQ(1, block->ObjectBackup(kBackupUnrecorded));
    std::unique_ptr<CKVBlock> clone(static_cast<CKVBlock*>(block->GetCurBackupObj()));
    ASSERT_NE(clone.get(), block);
    EXPECT_EQ(block, clone->GetCurBackupObj());
    EXPECT_EQ(0, Entries()); // record 0 records nothing
    EXPECT_EQ(block->m_rcBlock, clone->m_rcBlock);
    EXPECT_EQ(block->m_nFirstMeas, clone->m_nFirstMeas);
    EXPECT_EQ(block->m_nMeasCount, clone->m_nMeasCount);
    ASSERT_EQ(block->m_arrMeasX.GetSize(), clone->m_arrMeasX.GetSize());
    for (int i = 0; i < block->m_arrMeasX.GetSize(); ++i)
        EXPECT_EQ(block->m_arrMeasX.GetAt(i), clone->m_arrMeasX.GetAt(i));
    ASSERT_EQ(block->m_arrStaffY.GetSize(), clone->m_arrStaffY.GetSize());
    for (int i = 0; i < block->m_arrStaffY.GetSize(); ++i)
        EXPECT_EQ(block->m_arrStaffY.GetAt(i), clone->m_arrStaffY.GetAt(i));
    ASSERT_EQ(block->GetStaffNum(), clone->GetStaffNum());
    EXPECT_EQ(block->GetStaff(1), clone->GetStaff(1));
    ASSERT_EQ(block->m_arrStaffCtrl.GetSize(), clone->m_arrStaffCtrl.GetSize());
    const int last = block->m_arrStaffCtrl.GetSize() - 1;
    EXPECT_NE(block->m_arrStaffCtrl.GetAt(last), clone->m_arrStaffCtrl.GetAt(last));
    EXPECT_EQ(CRect(1, 2, 3, 4), CRect(*clone->m_arrStaffCtrl.GetAt(last)));
    ASSERT_EQ(block->m_arrStaffEntry.GetSize(), clone->m_arrStaffEntry.GetSize());
    EXPECT_NE(block->m_arrStaffEntry.GetAt(0), clone->m_arrStaffEntry.GetAt(0));
    EXPECT_EQ(block->m_arrStaffEntry.GetAt(0)->wValue, clone->m_arrStaffEntry.GetAt(0)->wValue);
    EXPECT_EQ(block->m_arrStaffEntry.GetAt(0)->pStaff, clone->m_arrStaffEntry.GetAt(0)->pStaff);
    ASSERT_EQ(2, clone->m_arrStaffNamePoint.GetSize());
    ASSERT_TRUE(clone->m_arrStaffNamePoint.GetAt(0));
    EXPECT_NE(block->m_arrStaffNamePoint.GetAt(0), clone->m_arrStaffNamePoint.GetAt(0));
    EXPECT_EQ(5, clone->m_arrStaffNamePoint.GetAt(0)->x);
    EXPECT_EQ(nullptr, clone->m_arrStaffNamePoint.GetAt(1));
    block->m_pBackupLink = block;
}

TEST_F(ObjectBackupTest, BlockBackupRefusedWhenMemoryIsShort)
{
    CKVBlock* block = Doc().GetPage(0)->GetBlock(0);
    host.freeBytes = 16;
    Doc().ResetBackup();
    EXPECT_EQ(0, block->ObjectBackup(kBackupRecorded));
    EXPECT_EQ(0, Entries());
    EXPECT_EQ(block, Doc().GetPage(0)->GetBlock(0));
}

TEST_F(ObjectBackupTest, BlockUndoAndRedoSwapInThePage)
{
    CKVPage* page = Doc().GetPage(0);
    CKVBlock* block = page->GetBlock(1);
    SelRect* rec = AddRecord(SelRect::kBlockStaff, nullptr, b->Staff(0), block, page);
    Doc().ResetBackup();
    ASSERT_EQ(1, block->ObjectBackup(kBackupRecorded));
    ASSERT_EQ(1, Entries());
    CKVBlock* clone = static_cast<CKVBlock*>(block->GetCurBackupObj());
    EXPECT_EQ(clone, page->GetBlock(1));
    EXPECT_EQ(clone, rec->pBlock);
    Doc().MultiUndoStart();
    EXPECT_EQ(block, Doc().GetPage(0)->GetBlock(1));
    EXPECT_EQ(block, rec->pBlock);
    Doc().MultiRedoStart();
    EXPECT_EQ(clone, Doc().GetPage(0)->GetBlock(1));
}

TEST_F(ObjectBackupTest, PageCloneCarriesBlocksOssiaBlocksAndMessages)
{
    CKVPage* page = Doc().GetPage(0);
    CKVMsg text;
    text.m_byKind = MSG_FREETEXT;
    text.m_nPosX = 40;
    text.m_nPosY = 50;
    ASSERT_TRUE(Doc().AddMsg(page, &text, 0, kWithoutBackup));
    CKVBlock* ossia = new CKVBlock;
    ossia->m_byKind = CKVBlock::KIND_OSSIA;
    ossia->m_pPage = page;
    page->m_arrOssiaBlock.Add(ossia);
    const short blocks = page->GetBlockNum();
    SelRect* rec = AddRecord(SelRect::kRect, nullptr, nullptr, nullptr, page);
    Doc().m_nCurPage = 0;
    Doc().m_nCurBlock = 1;
    Doc().m_pCurPage = page;
    Doc().m_pCurBlock = page->GetBlock(1);

    Doc().ResetBackup();
    page->ObjectBackup(kBackupRecorded);
    ASSERT_EQ(1, Entries());
    EXPECT_EQ(UndoEntry::kPage, EntryKind(0));
    CKVPage* clone = page->GetCurBackupObj();
    ASSERT_NE(clone, page);
    EXPECT_EQ(clone, Doc().GetPage(0));
    ASSERT_EQ(blocks, clone->GetBlockNum());
    for (short k = 0; k < blocks; ++k) {
        EXPECT_NE(page->GetBlock(k), clone->GetBlock(k));
        EXPECT_EQ(clone, clone->GetBlock(k)->m_pPage);
    }
    ASSERT_EQ(1, clone->m_arrOssiaBlock.GetSize());
    EXPECT_EQ(CKVBlock::KIND_OSSIA, clone->m_arrOssiaBlock.GetAt(0)->m_byKind);
    ASSERT_EQ(1, clone->GetMsgNum());
    EXPECT_NE(page->GetMsg(0), clone->GetMsg(0));
    EXPECT_EQ(40, clone->GetMsg(0)->m_nPosX);
    EXPECT_EQ(clone, clone->GetMsg(0)->m_pPage);
    EXPECT_EQ(clone->GetMsg(0), page->GetNewPtr2(page->GetMsg(0)));
    EXPECT_EQ(clone, Doc().m_pCurPage);
    EXPECT_EQ(clone->GetBlock(1), Doc().m_pCurBlock);
    EXPECT_EQ(clone, rec->pPage);

    Doc().MultiUndoStart();
    EXPECT_EQ(page, Doc().GetPage(0));
    EXPECT_EQ(page, Doc().m_pCurPage);
    EXPECT_EQ(page, rec->pPage);
    Doc().MultiRedoStart();
    EXPECT_EQ(clone, Doc().GetPage(0));
    EXPECT_EQ(clone, Doc().m_pCurPage);
}

TEST_F(ObjectBackupTest, PageBackupWithoutRecordLeavesTheSelectionOnThePage)
{
    CKVPage* page = Doc().GetPage(0);
    SelRect* rec = AddRecord(SelRect::kRect, nullptr, nullptr, nullptr, page);
    page->ObjectBackup(kBackupUnrecorded);
    CKVPage* clone = static_cast<CKVPage*>(page->m_pBackupLink);
    ASSERT_NE(clone, page);
    EXPECT_EQ(page, page->GetCurBackupObj()); // the page is still the live one
    EXPECT_EQ(page, rec->pPage);
    EXPECT_EQ(page, Doc().GetPage(0));
    EXPECT_EQ(0, Entries());
    page->DeleteBackupData();
    page->m_pBackupLink = page;
    for (short k = 0; k < page->GetBlockNum(); ++k)
        page->GetBlock(k)->m_pBackupLink = page->GetBlock(k);
}

// --- Lists and structure -------------------------------------------------------------

TEST_F(ObjectBackupTest, PageListBackupBringsTheThreePagesBack)
{
    Make(ScoreShape {.lineSpacing = 8, .staves = 1, .measures = 60});
    while (Doc().GetPageNum() > 3) {
        const short last = static_cast<short>(Doc().GetPageNum() - 1);
        delete Doc().GetPage(last);
        Doc().m_pPageArray->RemoveAt(last);
    }
    ASSERT_EQ(3, Doc().GetPageNum());
    Doc().ResetBackup();
    Doc().m_pPageArray->ObjectBackup(&Doc().m_pPageArray, kBackupRecorded);
    CKVPage* fourth = new CKVPage;
    Doc().AddPage(fourth);
    ASSERT_EQ(4, Doc().GetPageNum());
    Doc().MultiUndoStart();
    EXPECT_EQ(3, Doc().GetPageNum());
    Doc().MultiRedoStart();
    EXPECT_EQ(4, Doc().GetPageNum());
    EXPECT_EQ(fourth, Doc().GetPage(3));
}

TEST_F(ObjectBackupTest, RemovedMeasureComesBackOnUndo)
{
    CKVStaff* staff = b->Staff(0);
    Doc().ResetBackup();
    ASSERT_EQ(1, staff->ObjectBackup(kBackupRecorded, kBackupAlone));
    CKVStaff* clone = static_cast<CKVStaff*>(staff->GetCurBackupObj());
    const LONG count = clone->GetMeasNum();
    CKVMeas* removed = clone->GetMeas(4);
    ASSERT_EQ(1, clone->RemoveMeas(4, 1));
    ASSERT_EQ(2, Entries());
    EXPECT_EQ(UndoEntry::kMeasInsDel, EntryKind(1));
    EXPECT_EQ(removed, Doc().m_arrBackup.GetAt(1)->pObject);

    Doc().MultiUndoStart();
    EXPECT_EQ(count, System()->GetStaff(0)->GetMeasNum());
    Doc().MultiRedoStart();
    EXPECT_EQ(count - 1, System()->GetStaff(0)->GetMeasNum());
    // Dropping the step as the oldest frees the removed measure; the
    // sanitizers check that nothing in the score goes with it.
    for (int i = 0; i < 33; ++i) {
        Doc().ResetBackup();
        b->Meas(1, 0)->ObjectBackup(kBackupRecorded, kBackupAlone);
    }
    Doc().ResetBackup();
    EXPECT_EQ(count - 1, System()->GetStaff(0)->GetMeasNum());
}

TEST_F(ObjectBackupTest, RemovedCloneMeasureIsFreedWhenRedoIsDropped)
{
    CKVStaff* staff = b->Staff(0);
    Doc().ResetBackup();
    ASSERT_EQ(1, staff->ObjectBackup(kBackupRecorded, kBackupAlone));
    static_cast<CKVStaff*>(staff->GetCurBackupObj())->RemoveMeas(4, 1);
    Doc().MultiUndoStart();
    // A new edit drops the undone step for redo.
    Doc().ResetBackup();
    b->Meas(1, 0)->ObjectBackup(kBackupRecorded, kBackupAlone);
    Doc().ResetBackup();
    EXPECT_FALSE(Doc().IsMultiEnableRedo());
    EXPECT_EQ(staff, System()->GetStaff(0));
    EXPECT_EQ(9, staff->GetMeasNum());
}

// --- Font height ---------------------------------------------------------------------

TEST_F(ObjectBackupTest, FontHeightChangeIsUndoneAndRedone)
{
    Doc().m_CtrlTool.m_dwResolutionY = 96;
    Doc().SetScoreFontSize(6);
    ASSERT_EQ(24, Doc().m_nFontHeight);
    ASSERT_EQ(6, Doc().m_nStaffSpace);
    ASSERT_EQ(21, Doc().m_nFontHeight78);
    CKVMsg* note = b->Note(b->Meas(0, 0), {.x = 64, .y = -24});

    Doc().ResetBackup();
    Doc().m_pFileInfo->ObjectBackup(kBackupRecorded);
    Doc().UpdatePosYA(40, 1);
    EXPECT_EQ(-40, note->m_nPosY);
    EXPECT_EQ(10, Doc().m_nStaffSpace);
    EXPECT_EQ(35, Doc().m_nFontHeight78);

    Doc().MultiUndoStart();
    EXPECT_EQ(-24, note->m_nPosY);
    EXPECT_EQ(6, Doc().m_nStaffSpace);
    EXPECT_EQ(21, Doc().m_nFontHeight78);
    Doc().MultiRedoStart();
    EXPECT_EQ(-40, note->m_nPosY);
    EXPECT_EQ(10, Doc().m_nStaffSpace);
    EXPECT_EQ(35, Doc().m_nFontHeight78);
}

TEST_F(ObjectBackupTest, FontHeightRescalesNotesOnHalfSpacesAndBlocksWithThem)
{
    Doc().m_nFontHeight = 32;
    Doc().m_nStaffSpace = 8;
    CKVMsg* note = b->Note(b->Meas(0, 0), {.x = 64, .y = -12});
    note->m_lHeight = -28;
    CKVBlock* block = Doc().GetPage(0)->GetBlock(0);
    ASSERT_GE(block->m_arrStaffY.GetSize(), 2);
    const int y0 = static_cast<short>(block->m_arrStaffY.GetAt(0));
    const int gap = static_cast<short>(block->m_arrStaffY.GetAt(1)) - y0;
    const short top1 = static_cast<short>(Doc().GetPage(0)->GetBlock(1)->m_rcBlock.top);
    Doc().m_bModified = 0;

    Doc().UpdatePosYA(32, 0);
    EXPECT_EQ(0, Doc().m_bModified); // the same height changes nothing

    Doc().UpdatePosYA(64, 0);
    EXPECT_EQ(-24, note->m_nPosY);   // -12 / 4 x 8
    EXPECT_EQ(-56, note->m_lHeight);
    EXPECT_EQ(16, Doc().m_nStaffSpace);
    EXPECT_EQ(y0, static_cast<short>(block->m_arrStaffY.GetAt(0)));
    EXPECT_EQ(y0 + gap / 4 * 8, static_cast<short>(block->m_arrStaffY.GetAt(1)));
    // The next block moved down by what the first one grew.
    EXPECT_GT(Doc().GetPage(0)->GetBlock(1)->m_rcBlock.top, top1);
    EXPECT_EQ(1, Doc().m_bModified);
}

// --- Whole document ---------------------------------------------------------------------

TEST_F(ObjectBackupTest, DocumentBackupRecordsEveryPartInOrder)
{
    ASSERT_GT(System()->InsertOssiaStaff(b->Staff(0), 0, 1, CKVSystem::MODE_NORMAL, 5, 100), 0);
    const DWORD mapSize = static_cast<DWORD>(System()->m_arrMsgMap.GetSize());
    const int pages = Doc().GetPageNum();
    Doc().ResetBackup();
    ASSERT_EQ(1, Doc().ObjectBackup(kBackupRecorded));
    EXPECT_EQ(mapSize, Doc().m_dwFirstCopyId);
    std::vector<short> expected(static_cast<size_t>(pages), UndoEntry::kPage);
    expected.insert(expected.end(), {UndoEntry::kStaff, UndoEntry::kStaff, UndoEntry::kStaff});
    expected.insert(expected.end(), {UndoEntry::kPtrArray, UndoEntry::kPtrArray, UndoEntry::kPtrArray,
                                     UndoEntry::kFileInfo});
    std::vector<short> kinds;
    for (int i = 0; i < Entries(); ++i)
        kinds.push_back(EntryKind(i));
    EXPECT_EQ(expected, kinds);
}

TEST_F(ObjectBackupTest, DocumentBackupUndoesStaffAndMeasureAppends)
{
    const std::string before = CanonicalDump(Doc());
    Doc().ResetBackup();
    ASSERT_EQ(1, Doc().ObjectBackup(kBackupRecorded));
    Doc().AddStaff(1, -1);
    Doc().AddMeas(2, -1);
    const std::string after = CanonicalDump(Doc());
    ASSERT_NE(before, after);
    Doc().MultiUndoStart();
    EXPECT_EQ(before, CanonicalDump(Doc()));
    Doc().MultiRedoStart();
    EXPECT_EQ(after, CanonicalDump(Doc()));
    // Dropped for redo: undo again, then a new edit.
    Doc().MultiUndoStart();
    Doc().ResetBackup();
    b->Meas(0, 0)->ObjectBackup(kBackupRecorded, kBackupAlone);
    Doc().ResetBackup();
    EXPECT_EQ(before, CanonicalDump(Doc()));
}

TEST_F(ObjectBackupTest, DocumentBackupDroppedAsTheOldestStepKeepsTheScore)
{
    Doc().ResetBackup();
    ASSERT_EQ(1, Doc().ObjectBackup(kBackupRecorded));
    Doc().AddStaff(1, -1);
    Doc().AddMeas(2, -1);
    const std::string after = CanonicalDump(Doc());
    // Enough later edits push the step out of the history; the states from
    // before it go, the score stays.
    for (int i = 0; i < 33; ++i) {
        Doc().ResetBackup();
        b->Meas(0, 0)->ObjectBackup(kBackupRecorded, kBackupAlone);
    }
    Doc().ResetBackup();
    EXPECT_EQ(after, CanonicalDump(Doc()));
    EXPECT_EQ(3, System()->GetStaffNum());
}

TEST_F(ObjectBackupTest, MeasuresInsertedIntoStaffClonesAreFreedOnceWithTheirStep)
{
    // A whole-document backup, then a measure appended to each live staff
    // and recorded as inserted, as the structure commands do.
    const std::string before = CanonicalDump(Doc());
    Doc().ResetBackup();
    ASSERT_EQ(1, Doc().ObjectBackup(kBackupRecorded));
    std::vector<CKVMeas*> inserted;
    for (short s = 0; s < System()->GetStaffNum(); ++s) {
        CKVStaff* live = System()->GetStaff(s);
        ASSERT_GT(live->AddMeas(1, nullptr, 1), 0);
        CKVMeas* meas = live->GetMeas(live->GetMeasNum() - 1);
        b->Note(meas, {.x = 64, .y = -8});
        inserted.push_back(meas);
        ASSERT_EQ(1, Doc().AddObj2BackupArray(UndoEntry::kMeasInsDel, meas, 1));
    }
    const std::string after = CanonicalDump(Doc());
    ASSERT_NE(before, after);

    Doc().MultiUndoStart();
    EXPECT_EQ(before, CanonicalDump(Doc()));
    Doc().MultiRedoStart();
    EXPECT_EQ(after, CanonicalDump(Doc()));
    EXPECT_EQ(inserted[0], System()->GetStaff(0)->GetMeas(System()->GetStaff(0)->GetMeasNum() - 1));

    // Undone, then dropped for redo by a new edit: the staff clones go with
    // their inserted measures, each freed once (the sanitizers watch).
    Doc().MultiUndoStart();
    Doc().ResetBackup();
    b->Meas(0, 0)->ObjectBackup(kBackupRecorded, kBackupAlone);
    Doc().ResetBackup();
    EXPECT_FALSE(Doc().IsMultiEnableRedo());
    EXPECT_EQ(before, CanonicalDump(Doc()));
}

TEST_F(ObjectBackupTest, DirectWholeDocumentEntrySwapsEveryPart)
{
    CKVSystem* system = System();
    CKVPage* page = Doc().GetPage(0);
    CKVStaff* staff = system->GetStaff(0);
    CKVStaffPtrArray* staves = system->m_pStaffArray;
    CKVBackupPtrArray* pages = Doc().m_pPageArray;
    CKVFileInfo* info = Doc().m_pFileInfo;

    Doc().ResetBackup();
    for (short p = 0; p < Doc().GetPageNum(); ++p)
        Doc().GetPage(p)->ObjectBackup(kBackupUnrecorded);
    for (short s = 0; s < system->GetStaffNum(); ++s)
        system->GetStaff(s)->ObjectBackup(kBackupUnrecorded, kBackupAlone);
    system->m_pStaffArray->m_pDoc = &Doc();
    system->m_pStaffArray->ObjectBackup(&system->m_pStaffArray, kBackupUnrecorded);
    system->m_pOssiaStaffArray->m_pDoc = &Doc();
    system->m_pOssiaStaffArray->ObjectBackup(&system->m_pOssiaStaffArray, kBackupUnrecorded);
    Doc().m_pPageArray->ObjectBackup(&Doc().m_pPageArray, kBackupUnrecorded);
    Doc().m_pFileInfo->ObjectBackup(kBackupUnrecorded);
    EXPECT_EQ(0, Entries());
    EXPECT_EQ(page, Doc().GetPage(0));

    ASSERT_EQ(1, Doc().AddBackup(UndoEntry::kDocument, &Doc()));
    EXPECT_NE(staves, system->m_pStaffArray);
    EXPECT_NE(pages, Doc().m_pPageArray);
    EXPECT_NE(info, Doc().m_pFileInfo);
    EXPECT_NE(staff, system->GetStaff(0));
    EXPECT_NE(page, Doc().GetPage(0));

    Doc().MultiUndoStart();
    EXPECT_EQ(staves, system->m_pStaffArray);
    EXPECT_EQ(pages, Doc().m_pPageArray);
    EXPECT_EQ(info, Doc().m_pFileInfo);
    EXPECT_EQ(staff, system->GetStaff(0));
    EXPECT_EQ(page, Doc().GetPage(0));
    Doc().MultiRedoStart();
    EXPECT_NE(staff, system->GetStaff(0));
    EXPECT_NE(page, Doc().GetPage(0));

    // A whole-document entry owns none of the parts; hand the score back to
    // the originals and free the copies here.
    Doc().MultiUndoStart();
    ASSERT_EQ(staves, system->m_pStaffArray);
    for (short p = 0; p < Doc().GetPageNum(); ++p) {
        CKVPage* original = Doc().GetPage(p);
        original->DeleteBackupData();
        original->m_pBackupLink = original;
    }
    for (short s = 0; s < system->GetStaffNum(); ++s) {
        CKVStaff* original = system->GetStaff(s);
        original->DeleteBackupData();
        original->m_pBackupLink = original;
        for (LONG m = 0; m < original->GetMeasNum(); ++m)
            original->GetMeas(m)->m_pBackupLink = original->GetMeas(m);
    }
    delete system->m_pStaffArray->m_pBackupLink;
    delete system->m_pOssiaStaffArray->m_pBackupLink;
    delete Doc().m_pPageArray->m_pBackupLink;
    delete Doc().m_pFileInfo->m_pBackupLink;
    system->m_pStaffArray->m_pBackupLink = nullptr;
    system->m_pOssiaStaffArray->m_pBackupLink = nullptr;
    Doc().m_pPageArray->m_pBackupLink = nullptr;
    Doc().m_pFileInfo->m_pBackupLink = nullptr;
}

// --- Selection ---------------------------------------------------------------------------

TEST_F(ObjectBackupTest, SelectedMeasureIsBackedUpAndItsAreaRedrawn)
{
    CKVPage* page = Doc().GetPage(0);
    CKVBlock* block = page->GetBlock(1);
    CKVMeas* m = b->Meas(0, block->m_nFirstMeas);
    AddRecord(SelRect::kMeas, m);
    Doc().ResetBackup();
    ASSERT_EQ(1, Doc().SelMeasBackup(1));
    EXPECT_EQ(0, GetSelBackup());
    ASSERT_EQ(1, Entries());
    CKVMeas* live = m->GetCurBackupObj();
    EXPECT_NE(live, m);

    CRect expected = live->GetRealMeasRect(0);
    expected.OffsetRect(block->m_rcBlock.left + page->m_rcPrint.left, block->m_rcBlock.top + page->m_rcPrint.top);
    expected.top -= 4;
    expected.bottom += 4;
    expected.left -= 2 * Doc().m_nStaffSpace;
    expected.right += 2 * Doc().m_nStaffSpace;
    EXPECT_EQ(expected, Doc().m_rcRedraw);
    EXPECT_EQ(1, Doc().m_bRedrawPending);
}

TEST_F(ObjectBackupTest, SelectionBackupRefusedWhenMemoryIsShort)
{
    AddRecord(SelRect::kMeas, b->Meas(0, 0));
    host.freeBytes = 999999;
    Doc().ResetBackup();
    EXPECT_EQ(0, Doc().SelMeasBackup(1));
    EXPECT_EQ(0, Entries());
    EXPECT_TRUE(b->Meas(0, 0)->IsCurrentObj());
    EXPECT_EQ(b->Meas(0, 0), b->Meas(0, 0)->GetCurBackupObj());
}

TEST_F(ObjectBackupTest, SelectedMeasuresGetTupletsInEveryVoice)
{
    // Triplets of eighths in voice 3 of a selected and of an unselected
    // measure; voice 0 re-makes the tuplets of all eight voices.
    auto triplet = [this](CKVMeas* m) {
        for (short i = 0; i < 3; ++i)
            b->Note(m, {.x = static_cast<short>(i * 32), .y = -8, .code = DUR_EIGHTH, .tuplet = 0x0203, .voice = 3});
    };
    auto tuplets = [](CKVMeas* m) {
        int count = 0;
        m->ResetGetNextMsg(kChordNotesSingly, kWalkTreeOrder, kWalkOwnStaff, kWalkKeepAll);
        for (short c = 0; c < m->m_arrWalk.GetSize();) {
            CKVMsg* msg = m->GetNextMsg(c);
            if (msg && msg->m_byKind == MSG_TUPLET)
                ++count;
        }
        return count;
    };
    CKVMeas* selected = b->Meas(0, 4);
    CKVMeas* other = b->Meas(0, 5);
    triplet(selected);
    triplet(other);
    AddRecord(SelRect::kMeas, selected);
    Doc().SelMeasTuplet(0);
    EXPECT_GT(tuplets(selected), 0);
    EXPECT_EQ(0, tuplets(other));
    EXPECT_EQ(0, Entries()); // no backups
}

TEST_F(ObjectBackupTest, RealMeasureRectOfAnEmptyMeasure)
{
    CKVMeas* m = b->Meas(0, 0);
    m->m_rcMeas = CRect(10, 20, 110, 60);
    m->m_nStaffY = 60;
    b->Staff(0)->m_wObjWord = 100;
    // Up by the height, then down by the height as it then stands, then
    // left and right by half the width in the same way.
    EXPECT_EQ(CRect(-40, -20, 185, 140), m->GetRealMeasRect(0));
}

TEST_F(ObjectBackupTest, RealMeasureRectReachesTheLowestNote)
{
    CKVMeas* m = b->Meas(0, 0);
    m->m_rcMeas = CRect(0, 0, 100, 40);
    m->m_nStaffY = 40;
    b->Staff(0)->m_wObjWord = 50;
    CKVMsg* low = b->Note(m, {.x = 64, .y = 24});
    low->m_lHeight = 20; // stem down from a note below the top line
    // Bottom: 40 + 24 + 20 = 84; height 84 grows by 42 up, then 63 down.
    EXPECT_EQ(CRect(-50, -42, 175, 147), m->GetRealMeasRect(0));
}

// --- Mends --------------------------------------------------------------------------------

TEST_F(ObjectBackupTest, FailedStaffCloneLeavesTheStaffLiveAndUnrecorded)
{
    CKVStaff* staff = b->Staff(0);
    for (int m = 0; m < 4; ++m)
        b->Note(staff->GetMeas(m), {.x = 64, .y = -8});
    const std::string before = CanonicalDump(Doc());
    Doc().ResetBackup();
    // The staff itself and a few of its copies succeed, then one fails.
    KvFailAllocationAfter(4);
    EXPECT_EQ(0, staff->ObjectBackup(kBackupRecorded, kBackupAlone));
    KvFailAllocationAfter(0);
    EXPECT_EQ(0, Entries());
    EXPECT_EQ(staff, System()->GetStaff(0));
    EXPECT_TRUE(staff->IsCurrentObj());
    EXPECT_EQ(static_cast<CKVMultiBackup*>(staff), staff->GetCurBackupObj());
    for (LONG i = 0; i < staff->GetMeasNum(); ++i)
        EXPECT_EQ(staff->GetMeas(i), staff->GetMeas(i)->GetCurBackupObj()) << i;
    EXPECT_EQ(before, CanonicalDump(Doc()));
}

TEST_F(ObjectBackupTest, FailedMeasureAndPageClonesAreNotRecorded)
{
    CKVMeas* m = b->Meas(0, 3);
    b->Note(m, {.x = 64, .y = -8});
    b->Note(m, {.x = 128, .y = -8});
    Doc().ResetBackup();
    KvFailAllocationAfter(2);
    EXPECT_EQ(0, m->ObjectBackup(kBackupRecorded, kBackupAlone));
    KvFailAllocationAfter(0);
    EXPECT_EQ(0, Entries());
    EXPECT_EQ(m, b->Meas(0, 3));
    EXPECT_EQ(m, m->GetCurBackupObj());

    CKVPage* page = Doc().GetPage(0);
    KvFailAllocationAfter(3);
    page->ObjectBackup(kBackupRecorded);
    KvFailAllocationAfter(0);
    EXPECT_EQ(0, Entries());
    EXPECT_EQ(page, Doc().GetPage(0));
    EXPECT_EQ(page, page->GetCurBackupObj());
    for (short k = 0; k < page->GetBlockNum(); ++k)
        EXPECT_EQ(page->GetBlock(k), page->GetBlock(k)->GetCurBackupObj()) << k;
}

TEST_F(ObjectBackupTest, LiveMeasureIsSelfLinkedAfterADroppedRedo)
{
    CKVMeas* m = b->Meas(0, 1);
    b->Note(m, {.x = 64, .y = -8});
    Doc().ResetBackup();
    ASSERT_EQ(1, m->ObjectBackup(kBackupRecorded, kBackupAlone));
    Doc().MultiUndoStart();
    ASSERT_EQ(m, b->Meas(0, 1));
    // A new edit elsewhere drops the redo step and with it the clone.
    Doc().ResetBackup();
    b->Meas(1, 5)->ObjectBackup(kBackupRecorded, kBackupAlone);
    Doc().ResetBackup();
    EXPECT_EQ(m, m->GetCurBackupObj());
    EXPECT_EQ(static_cast<CKVMultiBackup*>(m), m->m_pBackupLink);

    CKVStaff* staff = b->Staff(0);
    ASSERT_EQ(1, staff->ObjectBackup(kBackupRecorded, kBackupAlone));
    Doc().MultiUndoStart();
    EXPECT_EQ(staff, System()->GetStaff(0));
    EXPECT_EQ(m, staff->GetMeas(1));
    Doc().MultiRedoStart();
    EXPECT_NE(staff, System()->GetStaff(0));
}

} // namespace
