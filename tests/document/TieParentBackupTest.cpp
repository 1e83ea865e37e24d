// The live copy of a tie after a backup of its measures is held by its first
// note, as the tie itself was: a measure backup with both notes in one
// measure, a measure backup of each end, and the whole-document backup, the
// tie inside a measure and across a bar line, and a slur as a tie.

#include "document/KVDoc.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "support/ScoreTest.h"
#include "support/UndoSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

class TieParentBackupTest : public kvtest::ScoreTest {
protected:
    kvtest::ScoreShape Shape() override { return {.lineSpacing = 8, .staves = 2, .measures = 6}; }

    void SetUp() override
    {
        kvtest::ScoreTest::SetUp();
        kvtest::StartUndoRecording(Doc());
    }

    // A quarter at x in the live measure of staff 0.
    CKVMsg* NoteAt(int meas, short x)
    {
        CKVMeas* m = score->Meas(0, meas);
        for (short i = 0; m && i < m->GetMsgNum(); ++i) {
            if (m->GetMsg(i)->m_byKind == MSG_NOTE && m->GetMsg(i)->m_nPosX == x)
                return m->GetMsg(i);
        }
        return nullptr;
    }

    // The tie the first note owns, with the note it hangs under.
    void ExpectHeldByFirstNote(int firstMeas, int secondMeas)
    {
        CKVMsg* first = NoteAt(firstMeas, 192);
        CKVMsg* second = NoteAt(secondMeas, firstMeas == secondMeas ? 224 : 0);
        ASSERT_TRUE(first && second);
        ASSERT_EQ(first->GetMsgNum(), 1);
        CKVMsg* tie = first->GetMsg(0);
        ASSERT_EQ(tie->m_byKind, kind);
        EXPECT_EQ(tie->m_pParent, first);
        EXPECT_EQ(tie->m_dwWord, first->m_dwMsgId);
        EXPECT_EQ(static_cast<DWORD>(tie->m_lHeight), second->m_dwMsgId);
        // The second note reaches the same tie.
        ASSERT_EQ(second->m_arrMsgRef.GetSize(), 1);
        EXPECT_EQ(second->m_arrMsgRef.GetAt(0)->dwMsgId, tie->m_dwMsgId);
    }

    void Run(int firstMeas, int secondMeas, const std::function<void()>& backup)
    {
        CKVMsg* a = score->Note(score->Meas(0, firstMeas), {.x = 192, .y = -8});
        CKVMsg* b = score->Note(score->Meas(0, secondMeas),
                                {.x = static_cast<short>(firstMeas == secondMeas ? 224 : 0), .y = -8});
        CKVMsg* link = score->Tie(a, b);
        ASSERT_TRUE(link);
        if (kind == MSG_SLUR) {
            link->m_byKind = MSG_SLUR;
            a->m_wFlag = 0;
            b->m_wFlag = 0;
        }
        score->Settle();
        ExpectHeldByFirstNote(firstMeas, secondMeas);
        Doc().ResetBackup();
        backup();
        ExpectHeldByFirstNote(firstMeas, secondMeas);
        Doc().MultiUndoStart();
        ExpectHeldByFirstNote(firstMeas, secondMeas);
        Doc().MultiRedoStart();
        ExpectHeldByFirstNote(firstMeas, secondMeas);
    }

    BYTE kind = MSG_TIE;
};

TEST_F(TieParentBackupTest, AMeasureBackupKeepsATieInsideTheMeasureUnderItsFirstNote)
{
    Run(2, 2, [&] { score->Meas(0, 2)->ObjectBackup(kBackupRecorded, kBackupAlone); });
}

TEST_F(TieParentBackupTest, BackupsOfBothMeasuresKeepATieAcrossTheBarUnderItsFirstNote)
{
    Run(2, 3, [&] {
        score->Meas(0, 2)->ObjectBackup(kBackupRecorded, kBackupAlone);
        score->Meas(0, 3)->ObjectBackup(kBackupRecorded, kBackupAlone);
    });
}

TEST_F(TieParentBackupTest, ABackupOfTheEndMeasureKeepsTheTieUnderItsFirstNote)
{
    Run(2, 3, [&] { score->Meas(0, 3)->ObjectBackup(kBackupRecorded, kBackupAlone); });
}

TEST_F(TieParentBackupTest, TheWholeDocumentBackupKeepsATieInsideAMeasureUnderItsFirstNote)
{
    Run(1, 1, [&] { Doc().ObjectBackup(1); });
}

TEST_F(TieParentBackupTest, TheWholeDocumentBackupKeepsATieAcrossTheBarUnderItsFirstNote)
{
    Run(1, 2, [&] { Doc().ObjectBackup(1); });
}

TEST_F(TieParentBackupTest, TheWholeDocumentBackupKeepsASlurAcrossTheBarUnderItsFirstNote)
{
    kind = MSG_SLUR;
    Run(1, 2, [&] { Doc().ObjectBackup(1); });
}

} // namespace
