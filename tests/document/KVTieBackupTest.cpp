// Ties across a bar line through measure and staff clones, undo, redo, both
// kinds of dropped steps, and a save and load.

#include "document/KVDoc.h"
#include "document/UndoEntry.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "support/KvTest.h"
#include "support/ScoreBuilder.h"
#include "support/UndoSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

using kvtest::ScoreBuilder;
using kvtest::ScoreSpec;

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
        b = std::make_unique<ScoreBuilder>(ScoreSpec {.lineSpacing = 8, .staves = 2, .measures = 9});
        kvtest::StartUndoRecording(b->Doc());
    }

    void TearDown() override
    {
        b.reset();
        KvTest::TearDown();
    }

    CKVDoc& Doc() { return b->Doc(); }

    // A tie from measure index 2 (measure 3) to measure index 3, or inside
    // measure index 2 when inside is set.
    void MakeTie(bool inside)
    {
        start = {2, 192};
        end = inside ? NotePlace {2, 224} : NotePlace {3, 0};
        // Notes carry the MIDI head that every stored note has.
        auto note = [this](int meas, short x) {
            CKVMsg* msg = b->Note(b->Meas(0, meas), {.x = x, .y = -8});
            ScoreBuilder::SetMidiHead(msg, {.byKey = 67});
            return msg;
        };
        note(2, 64);
        CKVMsg* a = note(start.meas, start.x);
        CKVMsg* c = note(end.meas, end.x);
        note(3, 128);
        ASSERT_TRUE(b->Tie(a, c));
    }

    // Another edit, which closes the step before it.
    void EditElsewhere()
    {
        Doc().ResetBackup();
        b->Meas(1, 8)->ObjectBackup(1, 0);
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
    ASSERT_EQ(1, m4->ObjectBackup(1, 0));
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

    RunScenario([this] { b->Meas(0, 3)->ObjectBackup(1, 0); });
}

TEST_F(TieBackupTest, OnlyTheStartMeasureCloned)
{
    MakeTie(false);
    Doc().ResetBackup();
    ASSERT_EQ(1, b->Meas(0, 2)->ObjectBackup(1, 0));
    ASSERT_EQ(1, Doc().m_arrSlurBackup.GetSize());
    EXPECT_EQ(0u, static_cast<SlurRelinkRecord*>(Doc().m_arrSlurBackup.GetAt(0))->dwFlag);
    Doc().MultiUndoStart();
    Doc().ResetBackup();

    RunScenario([this] { b->Meas(0, 2)->ObjectBackup(1, 0); });
}

TEST_F(TieBackupTest, BothMeasuresCloned)
{
    MakeTie(false);
    RunScenario([this] {
        b->Meas(0, 2)->ObjectBackup(1, 0);
        b->Meas(0, 3)->ObjectBackup(1, 0);
    });
}

TEST_F(TieBackupTest, StaffCloned)
{
    MakeTie(false);
    RunScenario([this] { b->Staff(0)->ObjectBackup(1, 0); });
}

TEST_F(TieBackupTest, TieInsideOneMeasure)
{
    MakeTie(true);
    RunScenario([this] { b->Meas(0, 2)->ObjectBackup(1, 0); });
}

TEST_F(TieBackupTest, TiedNoteDeletedInAClone)
{
    MakeTie(false);
    Doc().ResetBackup();
    CKVMeas* m4 = b->Meas(0, 3);
    ASSERT_EQ(1, m4->ObjectBackup(1, 0));
    const int relinks = Doc().m_arrSlurBackup.GetSize();
    CKVMsg* c = FindNote(Doc(), end);
    ASSERT_TRUE(c);
    Doc().TieSlurMsgDelProc(c);
    EXPECT_EQ(relinks + 1, Doc().m_arrSlurBackup.GetSize()); // the removal record
    ASSERT_EQ(1, m4->GetCurBackupObj()->DeleteMsg(c, 1));

    CKVMsg* a = FindNote(Doc(), start);
    ASSERT_TRUE(a);
    EXPECT_EQ(0, a->m_wFlag & MSGFLAG_TIE_START);
    for (int i = 0; i < a->GetMsgNum(); ++i) {
        CKVMsg* child = a->GetMsg(static_cast<short>(i));
        EXPECT_FALSE(child && child->m_byKind == MSG_TIE);
    }

    Doc().MultiUndoStart();
    ExpectLinked(Doc(), start, end);
    Doc().MultiRedoStart();
    EXPECT_EQ(nullptr, FindNote(Doc(), end));
    Doc().MultiUndoStart();
    ExpectLinked(Doc(), start, end);
}

} // namespace
