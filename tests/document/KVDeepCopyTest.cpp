// Deep copies of measures, staves and blocks: ids of the copies, the
// re-linking of ties and slurs that reach outside the copy with its relink
// records, the copy without re-linking, and copies that run out of memory.

#include "document/BackupState.h"
#include "document/CopyPtrMap.h"
#include "document/KVDoc.h"
#include "document/UndoEntry.h"
#include "harmony/ChordSymbol.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "support/CanonicalDump.h"
#include "support/KvTest.h"
#include "support/ScoreBuilder.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <vector>

namespace {

using kvtest::KvTest;
using kvtest::ScoreBuilder;

// The relink records of the open step, which the copies write. The undo
// history frees them with its steps; tests that keep no history free them
// here before the document goes.
std::vector<SlurRelinkRecord> OpenRecords(CKVDoc& doc)
{
    std::vector<SlurRelinkRecord> out;
    for (int i = 0; i < doc.m_arrSlurBackup.GetSize(); ++i)
        out.push_back(*static_cast<SlurRelinkRecord*>(doc.m_arrSlurBackup.GetAt(i)));
    return out;
}

struct RecordGuard {
    CKVDoc& doc;
    explicit RecordGuard(CKVDoc& d) : doc(d) {}
    RecordGuard(const RecordGuard&) = delete;
    RecordGuard& operator=(const RecordGuard&) = delete;
    ~RecordGuard()
    {
        for (int i = 0; i < doc.m_arrSlurBackup.GetSize(); ++i)
            delete static_cast<SlurRelinkRecord*>(doc.m_arrSlurBackup.GetAt(i));
        doc.m_arrSlurBackup.RemoveAll();
    }
};

// A measure clone as the undo backup makes it: a fresh copy-pointer map and
// new ids for every copied message.
std::unique_ptr<CKVMeas> Clone(CKVMeas* meas, bool equally = false, int* result = nullptr)
{
    auto clone = std::make_unique<CKVMeas>();
    clone->Initialize(meas->m_pSystem, OBJ_MEAS);
    clone->m_byParentKind = meas->m_byParentKind;
    clone->m_pParent = meas->m_pParent;
    ClearCopyPtrMap();
    SetKeepIds(0);
    const int ok = equally ? clone->CreateFromEqually(meas) : clone->CreateFrom(meas);
    SetKeepIds(1);
    if (result)
        *result = ok;
    return clone;
}

std::unique_ptr<CKVStaff> CloneStaff(CKVStaff* staff, CKVSystem* into, int keepIds)
{
    auto clone = std::make_unique<CKVStaff>();
    clone->Initialize(into, OBJ_STAFF);
    clone->m_byParentKind = into->m_byObjKind;
    clone->m_pParent = into;
    SetKeepIds(keepIds);
    EXPECT_EQ(clone->CreateFrom(staff), 1);
    SetKeepIds(1);
    return clone;
}

// Every message a node owns, depth first in reference order.
void OwnedTree(CKVObject* node, std::vector<CKVMsg*>& out)
{
    if (!node->m_pSystem)
        return;
    for (int i = 0; i < node->m_arrMsgRef.GetSize(); ++i) {
        const MsgRef* ref = node->m_arrMsgRef.GetAt(i);
        CKVMsg* child = ref ? node->m_pSystem->GetMsgFromMap(ref->dwMsgId) : nullptr;
        if (!child || !ref->byOwner)
            continue;
        out.push_back(child);
        OwnedTree(child, out);
    }
}

std::vector<CKVMsg*> OwnedTree(CKVObject* node)
{
    std::vector<CKVMsg*> out;
    OwnedTree(node, out);
    return out;
}

DWORD RefIdTo(CKVMsg* note, BYTE kind, BYTE owner)
{
    for (int i = 0; i < note->m_arrMsgRef.GetSize(); ++i) {
        const MsgRef* ref = note->m_arrMsgRef.GetAt(i);
        CKVMsg* child = note->m_pSystem->GetMsgFromMap(ref->dwMsgId);
        if (child && child->m_byKind == kind && ref->byOwner == owner)
            return ref->dwMsgId;
    }
    return 0;
}

CKVMsg* TieOf(CKVMsg* note, BYTE owner)
{
    return note->m_pSystem->GetMsgFromMap(RefIdTo(note, MSG_TIE, owner));
}

// Checks every tie reachable from the staves of a system: it is owned by
// exactly one note, its start, referred to by exactly one other, its end,
// and names both by id.
void ExpectTiesLinkedOnce(CKVSystem* system, size_t expectedTies)
{
    std::map<CKVMsg*, std::vector<CKVMsg*>> owners;
    std::map<CKVMsg*, std::vector<CKVMsg*>> enders;
    std::vector<CKVMsg*> notes;
    for (short s = 0; s < system->GetStaffNum(); ++s) {
        CKVStaff* staff = system->GetStaff(s);
        for (LONG m = 0; m < staff->GetMeasNum(); ++m) {
            for (CKVMsg* msg : OwnedTree(staff->GetMeas(m))) {
                if (msg->m_byKind == MSG_NOTE)
                    notes.push_back(msg);
            }
        }
    }
    for (CKVMsg* note : notes) {
        for (int i = 0; i < note->m_arrMsgRef.GetSize(); ++i) {
            const MsgRef* ref = note->m_arrMsgRef.GetAt(i);
            CKVMsg* child = system->GetMsgFromMap(ref->dwMsgId);
            if (!child || child->m_byKind != MSG_TIE)
                continue;
            (ref->byOwner ? owners : enders)[child].push_back(note);
        }
    }
    EXPECT_EQ(owners.size(), expectedTies);
    for (const auto& [tie, holders] : owners) {
        ASSERT_EQ(holders.size(), 1u);
        ASSERT_EQ(enders[tie].size(), 1u);
        CKVMsg* start = holders[0];
        CKVMsg* end = enders[tie][0];
        EXPECT_EQ(tie->m_dwWord, start->m_dwMsgId);
        EXPECT_EQ(static_cast<DWORD>(tie->m_lHeight), end->m_dwMsgId);
        EXPECT_TRUE(start->m_wFlag & MSGFLAG_TIE_START);
        EXPECT_TRUE(end->m_wFlag & MSGFLAG_TIE_END);
    }
    for (const auto& [tie, holders] : enders)
        EXPECT_EQ(owners.count(tie), 1u) << "a note refers to a tie that no note owns";
}

// Two measures on one staff, a tie from the last note of the first to the
// first note of the second.
struct TiedScore {
    ScoreBuilder b{{.staves = 1, .measures = 2}};
    CKVMeas* m0 = b.Meas(0, 0);
    CKVMeas* m1 = b.Meas(0, 1);
    CKVMsg* a = nullptr;
    CKVMsg* z = nullptr;
    CKVMsg* tie = nullptr;
    TiedScore()
    {
        b.Note(m0, {.x = 0, .y = -8});
        a = b.Note(m0, {.x = 192, .y = -16});
        z = b.Note(m1, {.x = 0, .y = -16});
        b.Note(m1, {.x = 128, .y = -24});
        tie = b.Tie(a, z);
    }
};

class DeepCopyTest : public KvTest {};

TEST_F(DeepCopyTest, MeasureCloneGivesEveryCopyANewIdAndKeepsItsContent)
{
    ScoreBuilder b({.staves = 1, .measures = 1});
    RecordGuard records(b.Doc());
    CKVMeas* m = b.Meas(0, 0);
    m->m_byEndBar = CKVMeas::BAR_DOUBLE;
    m->m_nHeaderWidth = 37;
    CKVMsg* n = b.Note(m, {.x = 0, .y = -8});
    b.Symbol(n, MSG_NOTEMARK, 0, -30);
    b.Chord(m, {.x = 64}, {0, -16, -32});
    CKVMsg* group = b.Beam(m, {.x = 128});
    CKVMsg* e1 = b.Note(group, {.x = 128, .code = DUR_EIGHTH});
    CKVMsg* e2 = b.Note(group, {.x = 160, .code = DUR_EIGHTH});
    b.Tie(e1, e2);

    std::vector<CKVObject*> parents;
    for (CKVMsg* msg : OwnedTree(m))
        parents.push_back(msg->m_pParent);

    std::unique_ptr<CKVMeas> clone = Clone(m);
    const std::vector<CKVMsg*> before = OwnedTree(m);
    const std::vector<CKVMsg*> after = OwnedTree(clone.get());
    ASSERT_EQ(after.size(), before.size());
    std::set<DWORD> sourceIds;
    for (CKVMsg* msg : before)
        sourceIds.insert(msg->m_dwMsgId);
    for (size_t i = 0; i < after.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(sourceIds.count(after[i]->m_dwMsgId), 0u);
        EXPECT_EQ(m->m_pSystem->GetMsgFromMap(after[i]->m_dwMsgId), after[i]);
        EXPECT_EQ(after[i]->m_byKind, before[i]->m_byKind);
        EXPECT_EQ(after[i]->m_nPosX, before[i]->m_nPosX);
        EXPECT_EQ(after[i]->m_nPosY, before[i]->m_nPosY);
        EXPECT_EQ(after[i]->m_wFlag, before[i]->m_wFlag);
        EXPECT_EQ(after[i]->m_nPlayTime, before[i]->m_nPlayTime);
    }
    EXPECT_EQ(clone->m_byEndBar, CKVMeas::BAR_DOUBLE);
    EXPECT_EQ(clone->m_nHeaderWidth, 37);
    EXPECT_EQ(clone->m_nLength, m->m_nLength);
    // The copied timed symbols and the members of copied groups belong to
    // the clone; the source's parents stay as they were.
    for (CKVMsg* msg : after) {
        if (msg->m_byKind == MSG_NOTE || msg->m_byKind == MSG_CHORD || msg->m_byKind == MSG_BEAM) {
            EXPECT_EQ(msg->m_pParent, clone.get());
        }
    }
    ASSERT_EQ(parents.size(), before.size());
    for (size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(before[i]->m_pParent, parents[i]);
}

TEST_F(DeepCopyTest, CopyWithKeptIdsInItsOwnSystemLeavesTheSourceAlone)
{
    // Kept ids in the source's own map would take the source's slots; the
    // copy gets new ones instead and the source survives.
    ScoreBuilder b({.staves = 1, .measures = 1});
    RecordGuard records(b.Doc());
    CKVMeas* m = b.Meas(0, 0);
    CKVMsg* n = b.Note(m, {.x = 0, .y = -8});
    auto clone = std::make_unique<CKVMeas>();
    clone->Initialize(m->m_pSystem, OBJ_MEAS);
    ASSERT_EQ(GetKeepIds(), 1);
    ClearCopyPtrMap();
    ASSERT_EQ(clone->CreateFrom(m), 1);
    EXPECT_EQ(m->m_pSystem->GetMsgFromMap(n->m_dwMsgId), n);
    const std::vector<CKVMsg*> copies = OwnedTree(clone.get());
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_NE(copies[0], n);
    EXPECT_NE(copies[0]->m_dwMsgId, n->m_dwMsgId);
}

TEST_F(DeepCopyTest, StaffCopiedIntoAnotherDocumentKeepsEveryId)
{
    TiedScore source;
    ScoreBuilder target({.staves = 1, .measures = 1});
    RecordGuard sourceRecords(source.b.Doc());
    RecordGuard targetRecords(target.Doc());
    CKVSystem* into = target.System();
    CKVStaff* from = source.b.Staff(0);

    std::unique_ptr<CKVStaff> copy = CloneStaff(from, into, 1);
    ASSERT_EQ(copy->GetMeasNum(), from->GetMeasNum());
    for (LONG i = 0; i < from->GetMeasNum(); ++i) {
        SCOPED_TRACE(i);
        const std::vector<CKVMsg*> was = OwnedTree(from->GetMeas(i));
        const std::vector<CKVMsg*> now = OwnedTree(copy->GetMeas(i));
        ASSERT_EQ(now.size(), was.size());
        for (size_t k = 0; k < now.size(); ++k) {
            EXPECT_EQ(now[k]->m_dwMsgId, was[k]->m_dwMsgId);
            EXPECT_EQ(now[k]->m_pSystem, into);
            EXPECT_EQ(into->GetMsgFromMap(now[k]->m_dwMsgId), now[k]);
        }
        // The copy and its source are undo partners.
        EXPECT_EQ(copy->GetMeas(i)->m_pBackupLink, static_cast<CKVMultiBackup*>(from->GetMeas(i)));
        EXPECT_EQ(from->GetMeas(i)->m_pBackupLink, static_cast<CKVMultiBackup*>(copy->GetMeas(i)));
    }
    // The tie joins the copied notes under the same ids.
    CKVMsg* a = into->GetMsgFromMap(source.a->m_dwMsgId);
    CKVMsg* z = into->GetMsgFromMap(source.z->m_dwMsgId);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(z, nullptr);
    CKVMsg* tie = TieOf(a, 1);
    ASSERT_NE(tie, nullptr);
    EXPECT_EQ(TieOf(z, 0), tie);
    EXPECT_EQ(tie->m_dwWord, a->m_dwMsgId);
    EXPECT_EQ(static_cast<DWORD>(tie->m_lHeight), z->m_dwMsgId);
    // The source score is not touched by a copy into another map.
    EXPECT_EQ(TieOf(source.a, 1), source.tie);
    EXPECT_EQ(TieOf(source.z, 0), source.tie);
    EXPECT_EQ(OpenRecords(source.b.Doc()).size(), 0u);
}

TEST_F(DeepCopyTest, CreateFromEquallyWritesNoRecordAndChangesNothingOutside)
{
    TiedScore s;
    RecordGuard records(s.b.Doc());
    const std::string before = kvtest::CanonicalDump(s.b.Doc());
    const DWORD startRef = RefIdTo(s.a, MSG_TIE, 1);
    const DWORD tieWord = s.tie->m_dwWord;
    const LONG tieHeight = s.tie->m_lHeight;

    int ok = 0;
    std::unique_ptr<CKVMeas> clone = Clone(s.m1, true, &ok);
    ASSERT_EQ(ok, 1);
    EXPECT_EQ(s.b.Doc().m_arrSlurBackup.GetSize(), 0);
    EXPECT_EQ(RefIdTo(s.a, MSG_TIE, 1), startRef);
    EXPECT_EQ(s.tie->m_dwWord, tieWord);
    EXPECT_EQ(s.tie->m_lHeight, tieHeight);
    EXPECT_EQ(s.tie->m_dwMsgId, startRef);
    EXPECT_EQ(kvtest::CanonicalDump(s.b.Doc()), before);

    // The copy's own tie ends at the copied note.
    const std::vector<CKVMsg*> copies = OwnedTree(clone.get());
    ASSERT_FALSE(copies.empty());
    CKVMsg* z2 = copies[0];
    CKVMsg* tie2 = TieOf(z2, 0);
    ASSERT_NE(tie2, nullptr);
    EXPECT_NE(tie2, s.tie);
    EXPECT_EQ(static_cast<DWORD>(tie2->m_lHeight), z2->m_dwMsgId);
    EXPECT_EQ(tie2->m_dwWord, s.a->m_dwMsgId);
}

TEST_F(DeepCopyTest, CloningTheEndMeasurePointsTheStartNoteAtTheCloneAndRecordsIt)
{
    TiedScore s;
    RecordGuard records(s.b.Doc());
    const DWORD oldTie = s.tie->m_dwMsgId;
    const DWORD z = s.z->m_dwMsgId;
    std::unique_ptr<CKVMeas> clone = Clone(s.m1);
    CKVMsg* z2 = OwnedTree(clone.get())[0];
    CKVMsg* tie2 = TieOf(z2, 0);
    ASSERT_NE(tie2, nullptr);

    // The start note outside the clone now owns the clone's tie, which
    // joins it to the clone's note.
    EXPECT_EQ(RefIdTo(s.a, MSG_TIE, 1), tie2->m_dwMsgId);
    EXPECT_EQ(TieOf(s.a, 1), tie2);
    EXPECT_EQ(tie2->m_dwWord, s.a->m_dwMsgId);
    EXPECT_EQ(static_cast<DWORD>(tie2->m_lHeight), z2->m_dwMsgId);

    const std::vector<SlurRelinkRecord> written = OpenRecords(s.b.Doc());
    ASSERT_EQ(written.size(), 1u);
    const SlurRelinkRecord& r = written[0];
    EXPECT_EQ(r.dwFlag, 1u);
    EXPECT_EQ(r.dwFirstStart, s.a->m_dwMsgId);
    EXPECT_EQ(r.dwFirstEnd, z);
    EXPECT_EQ(r.dwNewStart, s.a->m_dwMsgId);
    EXPECT_EQ(r.dwNewEnd, z2->m_dwMsgId);
    EXPECT_EQ(r.dwOldRef, oldTie);
    EXPECT_EQ(r.dwNewRef, tie2->m_dwMsgId);
    EXPECT_EQ(r.pMeas, static_cast<CKVObject*>(s.m0));
}

TEST_F(DeepCopyTest, CloningTheStartMeasureRecordsAReLinkThroughTheStartNote)
{
    TiedScore s;
    RecordGuard records(s.b.Doc());
    const DWORD oldTie = s.tie->m_dwMsgId;
    const DWORD a = s.a->m_dwMsgId;
    std::unique_ptr<CKVMeas> clone = Clone(s.m0);
    CKVMsg* a2 = OwnedTree(clone.get())[1];
    ASSERT_EQ(a2->m_nPosX, 192);
    CKVMsg* tie2 = TieOf(a2, 1);
    ASSERT_NE(tie2, nullptr);

    EXPECT_EQ(TieOf(s.z, 0), tie2);
    EXPECT_EQ(tie2->m_dwWord, a2->m_dwMsgId);
    EXPECT_EQ(static_cast<DWORD>(tie2->m_lHeight), s.z->m_dwMsgId);

    const std::vector<SlurRelinkRecord> written = OpenRecords(s.b.Doc());
    ASSERT_EQ(written.size(), 1u);
    const SlurRelinkRecord& r = written[0];
    EXPECT_EQ(r.dwFlag, 0u);
    EXPECT_EQ(r.dwFirstStart, a);
    EXPECT_EQ(r.dwFirstEnd, s.z->m_dwMsgId);
    EXPECT_EQ(r.dwNewStart, a2->m_dwMsgId);
    EXPECT_EQ(r.dwNewEnd, s.z->m_dwMsgId);
    EXPECT_EQ(r.dwOldRef, oldTie);
    EXPECT_EQ(r.dwNewRef, tie2->m_dwMsgId);
    EXPECT_EQ(r.pMeas, static_cast<CKVObject*>(s.m1));
}

TEST_F(DeepCopyTest, ASecondCloneInOneStepKeepsThePairFromBeforeTheStep)
{
    TiedScore s;
    RecordGuard records(s.b.Doc());
    const DWORD a = s.a->m_dwMsgId;
    const DWORD z = s.z->m_dwMsgId;
    std::unique_ptr<CKVMeas> first = Clone(s.m1);
    std::unique_ptr<CKVMeas> second = Clone(first.get());
    CKVMsg* z3 = OwnedTree(second.get())[0];

    EXPECT_EQ(TieOf(s.a, 1), TieOf(z3, 0));
    const std::vector<SlurRelinkRecord> written = OpenRecords(s.b.Doc());
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[1].dwFirstStart, a);
    EXPECT_EQ(written[1].dwFirstEnd, z);
    EXPECT_EQ(written[1].dwNewEnd, z3->m_dwMsgId);
    EXPECT_EQ(written[1].dwOldRef, written[0].dwNewRef);
}

TEST_F(DeepCopyTest, AfterAStaffCopyEveryTieIsLinkedOnceInTheLiveTree)
{
    ScoreBuilder b({.staves = 1, .measures = 3});
    RecordGuard records(b.Doc());
    CKVMsg* a = b.Note(b.Meas(0, 0), {.x = 192, .y = -16});
    CKVMsg* z = b.Note(b.Meas(0, 1), {.x = 0, .y = -16});
    CKVMsg* c = b.Note(b.Meas(0, 1), {.x = 128, .y = -24});
    CKVMsg* d = b.Note(b.Meas(0, 1), {.x = 192, .y = -24});
    CKVMsg* e = b.Note(b.Meas(0, 2), {.x = 0, .y = -24});
    b.Tie(a, z);
    b.Tie(c, d); // inside one measure
    b.Tie(d, e);
    CKVSystem* system = b.System();
    CKVStaff* staff = b.Staff(0);
    ExpectTiesLinkedOnce(system, 3);

    std::unique_ptr<CKVStaff> copy = CloneStaff(staff, system, 0);
    // The copy takes the staff's place, as the undo feedback puts it.
    system->m_pStaffArray->SetAt(0, copy.get());
    ExpectTiesLinkedOnce(system, 3);
    // Each tie was re-linked through both of its notes.
    EXPECT_EQ(OpenRecords(b.Doc()).size(), 6u);
    system->m_pStaffArray->SetAt(0, staff);
}

TEST_F(DeepCopyTest, StaffCopyPointsTupletsAtTheCopiedNotes)
{
    ScoreBuilder b({.staves = 1, .measures = 1});
    RecordGuard records(b.Doc());
    CKVMeas* m = b.Meas(0, 0);
    CKVMsg* n1 = b.Note(m, {.x = 0, .y = -8, .code = DUR_EIGHTH, .tuplet = 0x0203});
    b.Note(m, {.x = 32, .y = -8, .code = DUR_EIGHTH, .tuplet = 0x0203});
    CKVMsg* n3 = b.Note(m, {.x = 64, .y = -8, .code = DUR_EIGHTH, .tuplet = 0x0203});
    CKVMsg* tuplet = b.Symbol(n1, MSG_TUPLET, 0, -40);
    tuplet->m_dwWord = n1->m_dwMsgId;
    tuplet->m_lHeight = static_cast<LONG>(n3->m_dwMsgId);
    n3->TemporaryMsg(tuplet);

    std::unique_ptr<CKVStaff> copy = CloneStaff(b.Staff(0), b.System(), 0);
    const std::vector<CKVMsg*> notes = OwnedTree(copy->GetMeas(0));
    CKVMsg* n1c = nullptr;
    CKVMsg* n3c = nullptr;
    for (CKVMsg* msg : notes) {
        if (msg->m_byKind == MSG_NOTE && msg->m_nPosX == 0)
            n1c = msg;
        if (msg->m_byKind == MSG_NOTE && msg->m_nPosX == 64)
            n3c = msg;
    }
    ASSERT_NE(n1c, nullptr);
    ASSERT_NE(n3c, nullptr);
    const DWORD copied = RefIdTo(n1c, MSG_TUPLET, 1);
    ASSERT_NE(copied, 0u);
    EXPECT_NE(copied, tuplet->m_dwMsgId);
    EXPECT_EQ(RefIdTo(n3c, MSG_TUPLET, 0), copied);
    CKVMsg* t = b.System()->GetMsgFromMap(copied);
    EXPECT_EQ(t->m_dwWord, n1c->m_dwMsgId);
    EXPECT_EQ(static_cast<DWORD>(t->m_lHeight), n3c->m_dwMsgId);
    // The source's tuplet is not re-linked.
    EXPECT_EQ(tuplet->m_dwWord, n1->m_dwMsgId);
    EXPECT_EQ(static_cast<DWORD>(tuplet->m_lHeight), n3->m_dwMsgId);
    EXPECT_EQ(RefIdTo(n3, MSG_TUPLET, 0), tuplet->m_dwMsgId);
}

TEST_F(DeepCopyTest, ChordSymbolInAMeasureIsCopiedWithItsOwnRhythm)
{
    ScoreBuilder b({.staves = 1, .measures = 1});
    RecordGuard records(b.Doc());
    CKVMeas* m = b.Meas(0, 0);
    auto* chord = new CChordSymbol;
    chord->m_nRoot = 7;
    chord->m_Surfix.SetRealName("m~7");
    chord->m_pRhythm = new CRhythm;
    chord->m_pRhythm->m_RtmInfo.m_strPatName = "Bossa";
    chord->m_pRhythm->m_RtmData.m_arrEvent.Add(new RhythmEvent{});
    ASSERT_EQ(m->AddMsg(chord, kHolderOwns, kParentHere), 1);

    std::unique_ptr<CKVMeas> clone = Clone(m);
    const std::vector<CKVMsg*> copies = OwnedTree(clone.get());
    ASSERT_EQ(copies.size(), 1u);
    auto* copy = dynamic_cast<CChordSymbol*>(copies[0]);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy->m_dwMsgId, chord->m_dwMsgId);
    EXPECT_EQ(copy->m_nRoot, 7);
    EXPECT_EQ(copy->m_Surfix.m_strMain, CString("m"));
    ASSERT_NE(copy->m_pRhythm, nullptr);
    EXPECT_NE(copy->m_pRhythm, chord->m_pRhythm);
    EXPECT_EQ(copy->m_pRhythm->GetRtmPatName(), CString("Bossa"));
    ASSERT_EQ(copy->m_pRhythm->m_RtmData.m_arrEvent.GetSize(), 1);
    EXPECT_NE(copy->m_pRhythm->m_RtmData.m_arrEvent.GetAt(0), chord->m_pRhythm->m_RtmData.m_arrEvent.GetAt(0));
}

TEST_F(DeepCopyTest, ACloneThatRunsOutOfMemoryLeavesTheScoreAsItWas)
{
    // Fail each allocation of the copy in turn: whatever was re-linked before
    // the failure is put back, and the partial clone can simply be deleted.
    for (int n = 1;; ++n) {
        SCOPED_TRACE(n);
        TiedScore s;
        RecordGuard records(s.b.Doc());
        const std::string before = kvtest::CanonicalDump(s.b.Doc());
        const DWORD tieId = s.tie->m_dwMsgId;
        KvFailAllocationAfter(n);
        int ok = 0;
        std::unique_ptr<CKVMeas> clone = Clone(s.m1, false, &ok);
        KvFailAllocationAfter(0);
        if (ok) {
            EXPECT_GT(n, 3);
            break;
        }
        clone.reset();
        EXPECT_EQ(s.b.Doc().m_arrSlurBackup.GetSize(), 0);
        EXPECT_EQ(s.tie->m_dwMsgId, tieId);
        EXPECT_EQ(TieOf(s.a, 1), s.tie);
        EXPECT_EQ(TieOf(s.z, 0), s.tie);
        EXPECT_EQ(static_cast<DWORD>(s.tie->m_lHeight), s.z->m_dwMsgId);
        EXPECT_EQ(kvtest::CanonicalDump(s.b.Doc()), before);
        ASSERT_LT(n, 100);
    }
}

TEST_F(DeepCopyTest, AStaffCopyThatFailsLeavesNoSourceMeasureLinkedToIt)
{
    ScoreBuilder b({.staves = 1, .measures = 3});
    RecordGuard records(b.Doc());
    b.Tie(b.Note(b.Meas(0, 0), {.x = 192}), b.Note(b.Meas(0, 1), {.x = 0}));
    CKVStaff* staff = b.Staff(0);
    std::vector<CKVMultiBackup*> links;
    for (LONG i = 0; i < staff->GetMeasNum(); ++i)
        links.push_back(staff->GetMeas(i)->m_pBackupLink);
    for (int n = 1;; ++n) {
        SCOPED_TRACE(n);
        auto copy = std::make_unique<CKVStaff>();
        copy->Initialize(b.System(), OBJ_STAFF);
        SetKeepIds(0);
        KvFailAllocationAfter(n);
        const int ok = copy->CreateFrom(staff);
        KvFailAllocationAfter(0);
        SetKeepIds(1);
        if (ok)
            break;
        for (LONG i = 0; i < staff->GetMeasNum(); ++i)
            EXPECT_EQ(staff->GetMeas(i)->m_pBackupLink, links[static_cast<size_t>(i)]);
        EXPECT_EQ(b.Doc().m_arrSlurBackup.GetSize(), 0);
        ExpectTiesLinkedOnce(b.System(), 1);
        ASSERT_LT(n, 100);
    }
}

TEST_F(DeepCopyTest, BlockCopyTakesTheLayoutWithItsOwnHandles)
{
    CKVBlock source;
    source.m_nFirstMeas = 4;
    source.m_nMeasCount = 3;
    source.m_nNominalMeasCount = 4;
    source.m_rcBlock = CRect(10, 20, 300, 200);
    source.m_arrMeasX.Add(0);
    source.m_arrMeasX.Add(120);
    source.m_arrStaffY.Add(64);
    source.m_arrStaffCtrl.Add(new CKVCtrlPoint(CRect(1, 2, 3, 4)));
    source.m_arrMeasCtrl.Add(new CKVCtrlPoint(CRect(5, 6, 7, 8)));
    source.m_arrStaffNamePoint.Add(nullptr);
    source.m_arrStaffNamePoint.Add(new POINT{7, 9});
    source.m_arrStaffNameCtrl.Add(nullptr);
    source.m_arrStaffNameCtrl.Add(new CKVCtrlPoint(CRect(-3, -3, 3, 3)));
    auto* entry = new BlockStaffEntry;
    entry->wValue = 20;
    source.m_arrStaffEntry.Add(entry);
    CKVStaff staff;
    source.m_pStaffArray->Add(&staff);

    CKVBlock copy;
    ASSERT_EQ(copy.CreateFrom(&source), 1);
    EXPECT_EQ(copy.m_nFirstMeas, 4);
    EXPECT_EQ(copy.m_nMeasCount, 3);
    EXPECT_EQ(copy.m_nNominalMeasCount, 4);
    EXPECT_EQ(copy.m_rcBlock, source.m_rcBlock);
    ASSERT_EQ(copy.m_arrMeasX.GetSize(), 2);
    EXPECT_EQ(copy.m_arrMeasX.GetAt(1), 120);
    EXPECT_EQ(copy.m_arrStaffY.GetAt(0), 64);
    ASSERT_EQ(copy.m_arrStaffCtrl.GetSize(), 1);
    EXPECT_NE(copy.m_arrStaffCtrl.GetAt(0), source.m_arrStaffCtrl.GetAt(0));
    EXPECT_EQ(CRect(*copy.m_arrMeasCtrl.GetAt(0)), CRect(5, 6, 7, 8));
    ASSERT_EQ(copy.m_arrStaffNamePoint.GetSize(), 2);
    EXPECT_EQ(copy.m_arrStaffNamePoint.GetAt(0), nullptr);
    EXPECT_EQ(copy.m_arrStaffNamePoint.GetAt(1)->y, 9);
    EXPECT_EQ(copy.m_arrStaffNameCtrl.GetAt(0), nullptr);
    ASSERT_NE(copy.m_arrStaffNameCtrl.GetAt(1), nullptr);
    ASSERT_EQ(copy.m_arrStaffEntry.GetSize(), 1);
    EXPECT_NE(copy.m_arrStaffEntry.GetAt(0), entry);
    EXPECT_EQ(copy.m_arrStaffEntry.GetAt(0)->wValue, 20);
    ASSERT_EQ(copy.m_pStaffArray->GetSize(), 1);
    EXPECT_EQ(copy.m_pStaffArray->GetAt(0), &staff);

    // Out of memory part-way: 0, and the block can still be deleted.
    CKVBlock failed;
    KvFailAllocationAfter(3);
    EXPECT_EQ(failed.CreateFrom(&source), 0);
    KvFailAllocationAfter(0);
}

} // namespace
