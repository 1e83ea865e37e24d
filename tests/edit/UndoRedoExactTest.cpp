// Undo and redo give back exactly the scores before and after a note
// command: the saved bytes right after the command equal those after undo
// and redo, with nothing walking the score in between, and a command over
// every page is one undo step that brings every staff back.

#include "model/MeasPlace.h"
#include "model/MidiNoteHead.h"
#include "support/RecordBytes.h"
#include "support/SelectionSupport.h"
#include "support/UndoSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

namespace {

using kvtest::Bytes;

class UndoRedoExactTest : public kvtest::SelectionTest {
protected:
    Bytes Saved()
    {
        CMemFile file;
        EXPECT_EQ(Doc().Save(&file), 1);
        return kvtest::FileBytes(file);
    }

    // Four beamed eighths of voice 1 in a measure, walked as a reader
    // leaves them (the members carry the group-member mark).
    void BeamedEighths(int staff, int meas)
    {
        CKVMsg* group = score->Beam(Meas(staff, meas), {.x = 0, .code = DUR_EIGHTH});
        for (short x : {0, 32, 64, 96})
            score->Note(group, {.x = x, .y = -8, .code = DUR_EIGHTH})->m_lHeight = -20;
        group->m_nPosX2 = 96;
    }

    // The first byte at which two saved scores differ, or "same".
    static std::string FirstDifference(const Bytes& a, const Bytes& b)
    {
        const size_t common = std::min(a.size(), b.size());
        for (size_t i = 0; i < common; ++i) {
            if (a[i] != b[i])
                return "byte " + std::to_string(i) + ": " + std::to_string(a[i]) + " against " + std::to_string(b[i]);
        }
        return a.size() == b.size() ? "same" : "lengths " + std::to_string(a.size()) + ", " + std::to_string(b.size());
    }

    // Runs a command (in a step the test opens, as the host does, for a
    // command that opens none), then checks that undo gives the very bytes
    // from before it and redo those it left.
    void ExpectExactRedo(const std::function<void()>& command, kvtest::HostStep host)
    {
        const Bytes before = Saved();
        if (host == kvtest::HostStep::OpenAndBackUp) {
            Doc().ResetBackup();
            Doc().SelMeasBackup(1);
        }
        command();
        const Bytes after = Saved();
        ASSERT_NE(after, before);
        Doc().MultiUndoStart();
        EXPECT_EQ(FirstDifference(Saved(), before), "same") << "undo";
        Doc().MultiRedoStart();
        EXPECT_EQ(FirstDifference(Saved(), after), "same") << "redo";
    }

    // Whether a live note of a measure still carries the group-member mark.
    bool AnyMemberMark(int staff, int meas)
    {
        bool marked = false;
        tickmath::ForEachChild(*Doc().GetMeasure(meas, staff, 0), [&](CKVMsg* msg, short) {
            marked = marked || (msg->m_byKind == MSG_NOTE && (msg->m_wFlag & MSGFLAG_BEAM_MEMBER));
            return false;
        });
        return marked;
    }

    int GraceNotes(int staff)
    {
        int count = 0;
        for (int m = 0; m < 9; ++m) {
            tickmath::ForEachChild(*Doc().GetMeasure(m, staff, 0), [&](CKVMsg* msg, short) {
                count += msg->m_byKind == MSG_NOTE && (msg->m_wFlag & MSGFLAG_GRACE) ? 1 : 0;
                return false;
            });
        }
        return count;
    }
};

TEST_F(UndoRedoExactTest, PlainFormOfABeamGroupLeavesNoMemberMarkAndRedoGivesItBack)
{
    BeamedEighths(0, 0);
    score->Settle();
    SelectMeas(0, 0);
    ExpectExactRedo([&] { Doc().ChangeToRaw(0); }, kvtest::HostStep::None);
    EXPECT_FALSE(AnyMemberMark(0, 0));
}

TEST_F(UndoRedoExactTest, DissolvingByHandLeavesNoMemberMarkAndRedoGivesItBack)
{
    BeamedEighths(0, 1);
    BeamedEighths(0, 2);
    score->Settle();
    SelectMeas(0, 1);
    SelectMeas(0, 2);
    ExpectExactRedo([&] { Doc().BindByBeamGroup(1, 0); }, kvtest::HostStep::OpenAndBackUp);
    EXPECT_FALSE(AnyMemberMark(0, 1));
    EXPECT_FALSE(AnyMemberMark(0, 2));
}

TEST_F(UndoRedoExactTest, DissolvingPartOfAGroupRegroupsTheRestAsRedoGivesItBack)
{
    BeamedEighths(0, 1);
    score->Settle();
    CKVMsg* group = Meas(0, 1)->GetMsg(0);
    ASSERT_EQ(group->m_byKind, MSG_BEAM);
    for (CKVMsg* member : tickmath::Members(*group))
        member->MakeMsgCtrlPoint();
    const RECT first = Around(HitOf(group->GetMsg(0)));
    const RECT second = Around(HitOf(group->GetMsg(1)));
    CRect both;
    both.UnionRect(&first, &second);
    SelectRect(both);
    ExpectExactRedo([&] { Doc().BindByBeamGroup(1, 0); }, kvtest::HostStep::OpenAndBackUp);
}

TEST_F(UndoRedoExactTest, GraceNotesBackUpTheFarEndOfATieFromAnUnselectedMeasure)
{
    // The last quarter of measure 0 is tied to the first of measure 1; only
    // measure 1 is selected, and its tied note becomes a grace note. The
    // re-timing may re-judge the tie, so measure 0 goes into the same step.
    CKVMsg* from = score->Note(Meas(0, 0), {.x = 192, .y = -8});
    CKVMsg* to = score->Note(Meas(0, 1), {.x = 0, .y = -8});
    score->Tie(from, to);
    score->Settle();
    SelectMeas(0, 1);
    const auto grace = [&] {
        Doc().ResetBackup();
        Doc().ChangeToGrace(0);
        EXPECT_EQ(GraceNotes(0), 1);
        EXPECT_TRUE(Doc().IsMeasInOpenStep(Doc().GetMeasure(0, 0, 0))) << "the far end";
    };
    ExpectExactRedo(grace, kvtest::HostStep::None);
}

class WholeScoreStepTest : public UndoRedoExactTest {
protected:
    // A quarter on every staff in measures 0 and 4.
    void Quarters()
    {
        for (int staff = 0; staff < 2; ++staff) {
            for (int m : {0, 4})
                score->Note(Meas(staff, m), {.x = 64, .y = -8});
        }
        score->Settle();
    }
};

TEST_F(WholeScoreStepTest, GraceNotesOverEveryPageAreOneUndoStep)
{
    Quarters();
    Doc().SelectAllPages();
    const Bytes before = Saved();
    Doc().ResetBackup();
    Doc().ChangeToGrace(0);
    EXPECT_EQ(GraceNotes(0), 2);
    EXPECT_EQ(GraceNotes(1), 2);
    const Bytes after = Saved();
    ASSERT_EQ(Doc().IsMultiEnableUndo(), 1);
    Doc().MultiUndoStart();
    EXPECT_EQ(FirstDifference(Saved(), before), "same");
    EXPECT_EQ(GraceNotes(0) + GraceNotes(1), 0);
    Doc().MultiRedoStart();
    EXPECT_EQ(FirstDifference(Saved(), after), "same");
}

TEST_F(WholeScoreStepTest, AStaffRecordBesideEveryPageDoesNotNarrowTheBackup)
{
    Quarters();
    SelectStaff(1);
    Doc().SelectAllPages();
    const Bytes before = Saved();
    Doc().ResetBackup();
    Doc().ChangeToGrace(0);
    EXPECT_EQ(GraceNotes(0), 2);
    Doc().MultiUndoStart();
    EXPECT_EQ(FirstDifference(Saved(), before), "same");
    EXPECT_EQ(GraceNotes(0) + GraceNotes(1), 0);
}

TEST_F(WholeScoreStepTest, ShowingNotesOnTheStaffAboveOverEveryPageIsUndone)
{
    CKVMsg* low = score->Note(Meas(1, 2), {.x = 64, .y = -80});
    kvtest::ScoreBuilder::SetMidiHead(low, MidiNoteHead {.byKey = 60});
    score->Settle();
    Doc().SelectAllPages();
    // The cross-staff move opens its step; the view switch works in the
    // host's.
    const std::function<void()> commands[] = {
        [&] { Doc().SetMsgUpStaffView(0); },
        [&] {
            Doc().ResetBackup();
            Doc().ViewNoteByWhichStaff(0, 1);
        },
    };
    for (const auto& command : commands) {
        const Bytes before = Saved();
        command();
        EXPECT_NE(Doc().GetMeasure(2, 1, 0)->GetMsg(0)->m_wFlag & MSGFLAG_STAFF_UP, 0);
        const Bytes after = Saved();
        Doc().MultiUndoStart();
        EXPECT_EQ(FirstDifference(Saved(), before), "same");
        EXPECT_EQ(Doc().GetMeasure(2, 1, 0)->GetMsg(0)->m_wFlag & MSGFLAG_STAFF_UP, 0);
        Doc().MultiRedoStart();
        EXPECT_EQ(FirstDifference(Saved(), after), "same");
        Doc().MultiUndoStart();
    }
}

} // namespace
