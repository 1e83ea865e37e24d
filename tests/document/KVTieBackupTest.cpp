// Ties across a bar line through measure and staff clones, undo, redo, both
// kinds of dropped steps, and a save and load. Notes are entered, tied and
// deleted through the editing paths.

#include "document/KVDoc.h"
#include "document/UndoEntry.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "support/CanonicalDump.h"
#include "support/KvTest.h"
#include "support/NoteEntry.h"
#include "support/ScoreBuilder.h"
#include "support/UndoSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using kvtest::ScoreBuilder;
using kvtest::ScoreShape;

// A note of the live score: staff 0, measure index, position word.
struct NotePlace {
    int meas;
    short x;
};

CKVMsg* FindNote(CKVDoc& doc, NotePlace place)
{
    CKVSystem* system = doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr;
    CKVStaff* staff = system ? system->GetStaff(0) : nullptr;
    CKVMeas* meas = staff ? staff->GetMeas(place.meas) : nullptr;
    for (short i = 0; meas && i < meas->GetMsgNum(); ++i) {
        CKVMsg* msg = meas->GetMsg(i);
        if (msg && msg->m_byKind == MSG_NOTE && msg->m_nPosX == place.x)
            return msg;
    }
    return nullptr;
}

// The ties among a note's children that join the two notes, with the
// ownership byte of the reference that reaches each.
int CountJoiningTies(CKVMsg* holder, CKVMsg* first, CKVMsg* second, int owner, CKVMsg** found)
{
    int count = 0;
    for (int i = 0; i < holder->m_arrMsgRef.GetSize(); ++i) {
        const MsgRef* ref = holder->m_arrMsgRef.GetAt(i);
        CKVMsg* child = ref ? holder->m_pSystem->GetMsgFromMap(ref->dwMsgId) : nullptr;
        if (!child || child->m_byKind != MSG_TIE)
            continue;
        if (child->m_dwWord == first->m_dwMsgId && static_cast<DWORD>(child->m_lHeight) == second->m_dwMsgId &&
            ref->byOwner == owner) {
            // The tie answers to the id its notes name it by.
            EXPECT_EQ(ref->dwMsgId, child->m_dwMsgId);
            ++count;
            *found = child;
        }
    }
    return count;
}

void ExpectLinked(CKVDoc& doc, NotePlace start, NotePlace end, bool throughFile = true)
{
    CKVMsg* a = FindNote(doc, start);
    CKVMsg* c = FindNote(doc, end);
    ASSERT_TRUE(a && c);
    CKVMsg* owned = nullptr;
    CKVMsg* referenced = nullptr;
    EXPECT_EQ(1, CountJoiningTies(a, a, c, 1, &owned));
    EXPECT_EQ(1, CountJoiningTies(c, a, c, 0, &referenced));
    EXPECT_EQ(owned, referenced);
    EXPECT_EQ(MSGFLAG_TIE_START, a->m_wFlag & MSGFLAG_TIE_START);
    EXPECT_EQ(MSGFLAG_TIE_END, c->m_wFlag & MSGFLAG_TIE_END);
    if (!throughFile)
        return;
    CMemFile file;
    ASSERT_EQ(1, doc.Save(&file));
    file.SeekToBegin();
    CKVDoc loaded;
    ASSERT_EQ(0, loaded.Load(&file, 3));
    ExpectLinked(loaded, start, end, false);
}

class TieBackupTest : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        b = std::make_unique<ScoreBuilder>(ScoreShape {.lineSpacing = 8, .staves = 2, .measures = 9});
        kvtest::StartUndoRecording(b->Doc());
    }

    void TearDown() override
    {
        b.reset();
        KvTest::TearDown();
    }

    CKVDoc& Doc() { return b->Doc(); }

    // Quarters of G4 entered as note entry makes them: two in measure index
    // 2 (measure 3) and two in measure index 3, or three in measure index 2
    // when inside is set. The tie is to run from the last note of measure
    // index 2 to the first of measure index 3, or between the last two of
    // measure index 2.
    void EnterNotes(bool inside)
    {
        CKVMeas* m3 = b->Meas(0, 2);
        CKVMeas* m4 = b->Meas(0, 3);
        ASSERT_TRUE(kvtest::EnterNote(m3, {.start = 0, .y = -8}));
        CKVMsg* a = kvtest::EnterNote(m3, {.start = 240, .y = -8});
        CKVMsg* c = kvtest::EnterNote(inside ? m3 : m4, {.start = static_cast<short>(inside ? 480 : 0), .y = -8});
        ASSERT_TRUE(kvtest::EnterNote(m4, {.start = 480, .y = -8}));
        ASSERT_TRUE(a && c);
        ASSERT_EQ(67, a->GetMidiKey());
        start = {2, a->m_nPosX};
        end = {inside ? 2 : 3, c->m_nPosX};
    }

    // The tie command's call on the two notes as they stand in the score.
    int Bind()
    {
        return Doc().BindNoteByTie(FindNote(Doc(), start), FindNote(Doc(), end), 10, 4, 14, kSetGivenShape,
                                   kTieAlways, kTieSideByNote);
    }

    void MakeTie(bool inside)
    {
        EnterNotes(inside);
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_EQ(1, Bind());
    }

    // A slur and then a tie from the last note of measure index 2 to the
    // first of measure index 3. The re-layout of a tie whose notes can no
    // longer be tied makes it a slur; here the notes are tied again at once.
    void MakeTieAndSlur()
    {
        MakeTie(false);
        ASSERT_FALSE(HasFatalFailure());
        CKVMsg* first = FindNote(Doc(), start);
        CKVMsg* second = FindNote(Doc(), end);
        ASSERT_TRUE(first && second);
        ASSERT_EQ(1, first->GetMsgNum());
        first->GetMsg(0)->m_byKind = MSG_SLUR;
        first->m_wFlag = static_cast<WORD>(first->m_wFlag & ~MSGFLAG_TIE_START);
        second->m_wFlag = static_cast<WORD>(second->m_wFlag & ~MSGFLAG_TIE_END);
        ASSERT_EQ(1, Bind());
    }

    // Another edit, which closes the step before it.
    void EditElsewhere()
    {
        Doc().ResetBackup();
        b->Meas(1, 8)->ObjectBackup(kBackupRecorded, kBackupAlone);
    }

    // The backup, then undo, redo, a drop for redo and, on a second backup, a
    // drop as the oldest step; the tie is checked after each.
    void RunScenario(const std::function<void()>& backup)
    {
        Doc().ResetBackup();
        backup();
        ExpectLinked(Doc(), start, end);
        Doc().MultiUndoStart();
        ExpectLinked(Doc(), start, end);
        Doc().MultiRedoStart();
        ExpectLinked(Doc(), start, end);
        Doc().MultiUndoStart();
        EditElsewhere();
        Doc().ResetBackup();
        ExpectLinked(Doc(), start, end);

        Doc().ResetBackup();
        backup();
        for (int i = 0; i < 33; ++i)
            EditElsewhere();
        Doc().ResetBackup();
        ExpectLinked(Doc(), start, end);
    }

    std::unique_ptr<ScoreBuilder> b;
    NotePlace start {};
    NotePlace end {};
};

TEST_F(TieBackupTest, OnlyTheEndMeasureCloned)
{
    MakeTie(false);
    Doc().ResetBackup();
    CKVMeas* m4 = b->Meas(0, 3);
    ASSERT_EQ(1, m4->ObjectBackup(kBackupRecorded, kBackupAlone));
    ASSERT_EQ(1, Doc().m_arrSlurBackup.GetSize());
    EXPECT_EQ(1u, static_cast<SlurRelinkRecord*>(Doc().m_arrSlurBackup.GetAt(0))->dwFlag);
    // The start note in measure 3 now names the clone's note.
    CKVMsg* a = FindNote(Doc(), start);
    CKVMsg* c = FindNote(Doc(), end);
    ASSERT_TRUE(a && c);
    EXPECT_EQ(m4->GetCurBackupObj(), c->m_pParent);
    CKVMsg* tie = nullptr;
    EXPECT_EQ(1, CountJoiningTies(a, a, c, 1, &tie));
    Doc().MultiUndoStart();
    Doc().ResetBackup();

    RunScenario([this] { b->Meas(0, 3)->ObjectBackup(kBackupRecorded, kBackupAlone); });
}

TEST_F(TieBackupTest, OnlyTheStartMeasureCloned)
{
    MakeTie(false);
    Doc().ResetBackup();
    ASSERT_EQ(1, b->Meas(0, 2)->ObjectBackup(kBackupRecorded, kBackupAlone));
    ASSERT_EQ(1, Doc().m_arrSlurBackup.GetSize());
    EXPECT_EQ(0u, static_cast<SlurRelinkRecord*>(Doc().m_arrSlurBackup.GetAt(0))->dwFlag);
    Doc().MultiUndoStart();
    Doc().ResetBackup();

    RunScenario([this] { b->Meas(0, 2)->ObjectBackup(kBackupRecorded, kBackupAlone); });
}

TEST_F(TieBackupTest, BothMeasuresCloned)
{
    MakeTie(false);
    RunScenario([this] {
        b->Meas(0, 2)->ObjectBackup(kBackupRecorded, kBackupAlone);
        b->Meas(0, 3)->ObjectBackup(kBackupRecorded, kBackupAlone);
    });
}

TEST_F(TieBackupTest, StaffCloned)
{
    MakeTie(false);
    RunScenario([this] { b->Staff(0)->ObjectBackup(kBackupRecorded, kBackupAlone); });
}

TEST_F(TieBackupTest, TieInsideOneMeasure)
{
    MakeTie(true);
    RunScenario([this] { b->Meas(0, 2)->ObjectBackup(kBackupRecorded, kBackupAlone); });
}

// Undo gives back the score as it was before the backup, and redo the score
// as the backup left it, tie ids included, whichever measures were cloned.
TEST_F(TieBackupTest, UndoAndRedoGiveBackEveryTieIdAsItWas)
{
    struct Case {
        const char* name;
        bool inside;
        std::vector<int> measures; // cloned measures of staff 0; empty: the staff
    };
    const Case cases[] = {
        {"inside one measure", true, {2}},
        {"inside one measure, its neighbour too", true, {2, 3}},
        {"across the bar line, start measure", false, {2}},
        {"across the bar line, end measure", false, {3}},
        {"across the bar line, both measures", false, {2, 3}},
        {"across the bar line, end measure first", false, {3, 2}},
        {"across the bar line, the staff", false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        MakeTie(c.inside);
        ASSERT_FALSE(HasFatalFailure());
        Doc().ResetBackup();
        const std::string before = kvtest::CanonicalDump(Doc());
        if (c.measures.empty()) {
            ASSERT_EQ(1, b->Staff(0)->ObjectBackup(kBackupRecorded, kBackupAlone));
        }
        for (int m : c.measures)
            ASSERT_EQ(1, b->Meas(0, m)->ObjectBackup(kBackupRecorded, kBackupAlone));
        const std::string after = kvtest::CanonicalDump(Doc());
        EXPECT_EQ(std::string::npos, after.find('?'));
        ExpectLinked(Doc(), start, end, false);

        Doc().MultiUndoStart();
        EXPECT_EQ(before, kvtest::CanonicalDump(Doc()));
        ExpectLinked(Doc(), start, end, false);
        Doc().MultiRedoStart();
        EXPECT_EQ(after, kvtest::CanonicalDump(Doc()));
        ExpectLinked(Doc(), start, end, false);
        Doc().MultiUndoStart();
        EXPECT_EQ(before, kvtest::CanonicalDump(Doc()));
        ExpectLinked(Doc(), start, end);
    }
}

TEST_F(TieBackupTest, TieBoundAcrossTheBarLineOnClones)
{
    EnterNotes(false);
    ASSERT_FALSE(HasFatalFailure());
    auto expectUntied = [this] {
        CKVMsg* a = FindNote(Doc(), start);
        CKVMsg* c = FindNote(Doc(), end);
        ASSERT_TRUE(a && c);
        EXPECT_EQ(0, a->m_wFlag & MSGFLAG_TIE_START);
        EXPECT_EQ(0, c->m_wFlag & MSGFLAG_TIE_END);
        EXPECT_EQ(-1, a->GetTieIndex(1));
        EXPECT_EQ(-1, c->GetTieIndex(0));
    };
    // The tie command: both measures backed up, the tie bound between the
    // clones' notes.
    auto bind = [this] {
        b->Meas(0, 2)->ObjectBackup(kBackupRecorded, kBackupAlone);
        b->Meas(0, 3)->ObjectBackup(kBackupRecorded, kBackupAlone);
        ASSERT_EQ(1, Bind());
    };

    Doc().ResetBackup();
    bind();
    ExpectLinked(Doc(), start, end);
    Doc().MultiUndoStart();
    expectUntied();
    Doc().MultiRedoStart();
    ExpectLinked(Doc(), start, end);
    Doc().MultiUndoStart();
    expectUntied();
    // Dropped for redo: the notes stay untied and can be tied again.
    EditElsewhere();
    Doc().ResetBackup();
    expectUntied();

    Doc().ResetBackup();
    bind();
    for (int i = 0; i < 33; ++i)
        EditElsewhere();
    Doc().ResetBackup();
    ExpectLinked(Doc(), start, end);
}

TEST_F(TieBackupTest, TiedNoteDeletedInAClone)
{
    MakeTie(false);
    Doc().ResetBackup();
    CKVMeas* m4 = b->Meas(0, 3);
    ASSERT_EQ(1, m4->ObjectBackup(kBackupRecorded, kBackupAlone));
    const int relinks = Doc().m_arrSlurBackup.GetSize();
    CKVMsg* c = FindNote(Doc(), end);
    ASSERT_TRUE(c);
    ASSERT_EQ(m4->GetCurBackupObj(), c->m_pParent);
    ASSERT_EQ(1, kvtest::DeleteNote(Doc(), m4->GetCurBackupObj(), c));
    EXPECT_EQ(relinks + 1, Doc().m_arrSlurBackup.GetSize()); // the removal record

    auto expectSurvivorUntied = [this] {
        EXPECT_EQ(nullptr, FindNote(Doc(), end));
        CKVMsg* a = FindNote(Doc(), start);
        ASSERT_TRUE(a);
        EXPECT_EQ(0, a->m_wFlag & MSGFLAG_TIE_START);
        for (int i = 0; i < a->GetMsgNum(); ++i) {
            CKVMsg* child = a->GetMsg(static_cast<short>(i));
            EXPECT_FALSE(child && child->m_byKind == MSG_TIE);
        }
    };
    expectSurvivorUntied();

    Doc().MultiUndoStart();
    ExpectLinked(Doc(), start, end);
    Doc().MultiRedoStart();
    expectSurvivorUntied();
    Doc().MultiUndoStart();
    ExpectLinked(Doc(), start, end);
    // Dropped for redo: the note stays, tied.
    EditElsewhere();
    Doc().ResetBackup();
    ExpectLinked(Doc(), start, end);

    // Deleted again and the step dropped as the oldest: the deletion stays.
    Doc().ResetBackup();
    m4 = b->Meas(0, 3);
    ASSERT_EQ(1, m4->ObjectBackup(kBackupRecorded, kBackupAlone));
    c = FindNote(Doc(), end);
    ASSERT_TRUE(c);
    ASSERT_EQ(1, kvtest::DeleteNote(Doc(), m4->GetCurBackupObj(), c));
    for (int i = 0; i < 33; ++i)
        EditElsewhere();
    Doc().ResetBackup();
    expectSurvivorUntied();
}

TEST_F(TieBackupTest, UndoPutsARemovedTieBackInItsPlace)
{
    // p | q | r, one G4 each, tied p to q, then q to r: a new tie goes in
    // before the ties a note holds, so q holds the one to r first.
    CKVMsg* p = kvtest::EnterNote(b->Meas(0, 1), {.y = -8});
    CKVMsg* q = kvtest::EnterNote(b->Meas(0, 2), {.y = -8});
    CKVMsg* r = kvtest::EnterNote(b->Meas(0, 3), {.y = -8});
    ASSERT_TRUE(p && q && r);
    ASSERT_EQ(1, Doc().BindNoteByTie(p, q, 10, 4, 14, kSetGivenShape, kTieAlways, kTieSideByNote));
    ASSERT_EQ(1, Doc().BindNoteByTie(q, r, 10, 4, 14, kSetGivenShape, kTieAlways, kTieSideByNote));
    ASSERT_EQ(2, q->GetMsgNum());
    const std::string before = kvtest::CanonicalDump(Doc());

    // r deleted in a clone of its measure: q loses the tie to r.
    Doc().ResetBackup();
    CKVMeas* m4 = b->Meas(0, 3);
    ASSERT_EQ(1, m4->ObjectBackup(kBackupRecorded, kBackupAlone));
    ASSERT_EQ(1, kvtest::DeleteNote(Doc(), m4->GetCurBackupObj(), m4->GetNewPtr2(r)));
    ASSERT_EQ(1, q->GetMsgNum());
    const std::string after = kvtest::CanonicalDump(Doc());

    Doc().MultiUndoStart();
    EXPECT_EQ(before, kvtest::CanonicalDump(Doc()));
    Doc().MultiRedoStart();
    EXPECT_EQ(after, kvtest::CanonicalDump(Doc()));
    Doc().MultiUndoStart();
    EXPECT_EQ(before, kvtest::CanonicalDump(Doc()));
}

TEST_F(TieBackupTest, TieStartDeletedInAClone)
{
    MakeTie(false);
    auto expectSurvivorUntied = [this] {
        EXPECT_EQ(nullptr, FindNote(Doc(), start));
        CKVMsg* c = FindNote(Doc(), end);
        ASSERT_TRUE(c);
        EXPECT_EQ(0, c->m_wFlag & MSGFLAG_TIE_END);
        for (int i = 0; i < c->GetMsgNum(); ++i) {
            CKVMsg* child = c->GetMsg(static_cast<short>(i));
            EXPECT_FALSE(child && child->m_byKind == MSG_TIE);
        }
    };
    auto deleteStart = [this] {
        CKVMeas* m3 = b->Meas(0, 2);
        ASSERT_EQ(1, m3->ObjectBackup(kBackupRecorded, kBackupAlone));
        CKVMsg* a = FindNote(Doc(), start);
        ASSERT_TRUE(a);
        ASSERT_EQ(1, kvtest::DeleteNote(Doc(), m3->GetCurBackupObj(), a));
    };

    Doc().ResetBackup();
    deleteStart();
    expectSurvivorUntied();
    Doc().MultiUndoStart();
    ExpectLinked(Doc(), start, end);
    Doc().MultiRedoStart();
    expectSurvivorUntied();
    Doc().MultiUndoStart();
    EditElsewhere();
    Doc().ResetBackup();
    ExpectLinked(Doc(), start, end);

    Doc().ResetBackup();
    deleteStart();
    for (int i = 0; i < 33; ++i)
        EditElsewhere();
    Doc().ResetBackup();
    expectSurvivorUntied();
}

// A tie and a slur joining the same two notes (a tie that stopped being one
// turns into a slur, and the notes can then be tied again): a clone of either
// measure points each of the end note's references at its own symbol's copy,
// not both at one of them, and the score still saves and loads.
TEST_F(TieBackupTest, TieAndSlurBetweenTheSameNotesKeepTheirOwnLinks)
{
    // The links between the two notes: each kind once under the start note,
    // and the end note naming those very symbols.
    auto expectBothLinks = [this] {
        CKVMsg* a = FindNote(Doc(), start);
        CKVMsg* c = FindNote(Doc(), end);
        ASSERT_TRUE(a && c);
        for (BYTE kind : {MSG_TIE, MSG_SLUR}) {
            SCOPED_TRACE(kind == MSG_TIE ? "tie" : "slur");
            std::vector<CKVMsg*> owned;
            std::vector<CKVMsg*> named;
            for (CKVMsg* holder : {a, c}) {
                for (int i = 0; i < holder->m_arrMsgRef.GetSize(); ++i) {
                    const MsgRef* ref = holder->m_arrMsgRef.GetAt(i);
                    CKVMsg* child = ref ? holder->m_pSystem->GetMsgFromMap(ref->dwMsgId) : nullptr;
                    if (!child || child->m_byKind != kind)
                        continue;
                    EXPECT_EQ(a->m_dwMsgId, child->m_dwWord);
                    EXPECT_EQ(c->m_dwMsgId, static_cast<DWORD>(child->m_lHeight));
                    (ref->byOwner ? owned : named).push_back(child);
                }
            }
            ASSERT_EQ(1u, owned.size());
            ASSERT_EQ(1u, named.size());
            EXPECT_EQ(owned[0], named[0]);
        }
    };
    // Cloned measure indexes of staff 0; empty: the staff.
    const std::vector<int> clones[] = {{2}, {3}, {3, 2}, {}};
    for (const std::vector<int>& measures : clones) {
        SCOPED_TRACE(measures.empty() ? std::string("staff cloned")
                                      : "cloned measure index " + std::to_string(measures.front()) +
                                            (measures.size() > 1 ? " first of two" : ""));
        TearDown();
        SetUp();
        MakeTieAndSlur();
        ASSERT_FALSE(HasFatalFailure());
        expectBothLinks();
        ASSERT_FALSE(HasFatalFailure());
        Doc().ResetBackup();
        const std::string before = kvtest::CanonicalDump(Doc());

        if (measures.empty()) {
            ASSERT_EQ(1, b->Staff(0)->ObjectBackup(kBackupRecorded, kBackupAlone));
        }
        for (int m : measures)
            ASSERT_EQ(1, b->Meas(0, m)->ObjectBackup(kBackupRecorded, kBackupAlone));
        const std::string after = kvtest::CanonicalDump(Doc());
        EXPECT_EQ(std::string::npos, after.find('?'));
        expectBothLinks();
        const std::string stored = kvtest::StoredDump(Doc());
        EXPECT_EQ(std::string::npos, stored.find('?'));

        Doc().MultiUndoStart();
        EXPECT_EQ(before, kvtest::CanonicalDump(Doc()));
        expectBothLinks();
        Doc().MultiRedoStart();
        EXPECT_EQ(after, kvtest::CanonicalDump(Doc()));
        expectBothLinks();
        EXPECT_EQ(stored, kvtest::StoredDump(Doc()));
    }
}

// Deleting one of two notes that a tie and a slur join, in a clone of its
// measure alone, takes both off the other note; undo hangs each back where it
// was, redo takes both off again.
TEST_F(TieBackupTest, NoteJoinedByATieAndASlurDeletedInAClone)
{
    for (bool deleteStart : {false, true}) {
        SCOPED_TRACE(deleteStart ? "start note deleted" : "end note deleted");
        TearDown();
        SetUp();
        MakeTieAndSlur();
        ASSERT_FALSE(HasFatalFailure());
        Doc().ResetBackup();
        const std::string before = kvtest::CanonicalDump(Doc());
        const std::string storedBefore = kvtest::StoredDump(Doc());

        CKVMeas* meas = b->Meas(0, deleteStart ? start.meas : end.meas);
        ASSERT_EQ(1, meas->ObjectBackup(kBackupRecorded, kBackupAlone));
        CKVMsg* note = FindNote(Doc(), deleteStart ? start : end);
        ASSERT_TRUE(note);
        ASSERT_EQ(1, kvtest::DeleteNote(Doc(), meas->GetCurBackupObj(), note));
        const std::string after = kvtest::CanonicalDump(Doc());
        EXPECT_EQ(std::string::npos, after.find('?'));
        const std::string storedAfter = kvtest::StoredDump(Doc());

        Doc().MultiUndoStart();
        EXPECT_EQ(before, kvtest::CanonicalDump(Doc()));
        EXPECT_EQ(storedBefore, kvtest::StoredDump(Doc()));
        Doc().MultiRedoStart();
        EXPECT_EQ(after, kvtest::CanonicalDump(Doc()));
        EXPECT_EQ(storedAfter, kvtest::StoredDump(Doc()));
        Doc().MultiUndoStart();
        EXPECT_EQ(before, kvtest::CanonicalDump(Doc()));
    }
}

} // namespace
