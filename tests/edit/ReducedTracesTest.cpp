// Traces of long random runs, reduced to the steps that matter: a staff
// deletion that empties every block (the others being hidden), a chord over
// a rectangle after a staff move undone, a measure backup of a chord whose
// notes share a tuplet, a drop that overwrites a slur's first note, and
// grace notes and beams in a measure the selection's backup left out.

#include "document/SelHit.h"
#include "document/SelRect.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/TickMath.h"
#include "support/NoteEntry.h"
#include "support/ScoreIntegrity.h"
#include "support/StructureSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

class ReducedTracesTest : public kvtest::StructureTest {
protected:
    void HostStep()
    {
        Doc().ResetBackup();
        Doc().ObjectBackup(1);
    }

    void ExpectWhole(const std::string& when)
    {
        const std::vector<std::string> problems = kvtest::IntegrityProblems(Doc());
        EXPECT_TRUE(problems.empty()) << when << kvtest::Joined(problems);
    }
};

// Hiding two of three staves leaves every block showing the first alone;
// deleting that one staff then empties every block. The blocks go, the page
// is left without one, and the cursor must not stay on the deleted staff.
TEST_F(ReducedTracesTest, DeletingTheOneStaffEveryBlockStillShowsLeavesTheCursorOnNothing)
{
    Make(3, 9, true);
    ASSERT_EQ(Doc().GetPageNum(), 1);
    Doc().JumpToMeas(1);
    Doc().AddSelRect(SelRect::kStaff, nullptr, nullptr, Master()->GetStaff(2), nullptr);
    Doc().AddSelRect(SelRect::kStaff, nullptr, nullptr, Master()->GetStaff(1), nullptr);
    HostStep();
    Doc().StaffHide(0, 0, nullptr);
    for (short b = 0; b < Page(0)->GetBlockNum(); ++b)
        ASSERT_EQ(Block(0, b)->GetStaffNum(), 1);
    ExpectWhole("after hiding");
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    HostStep();
    ASSERT_EQ(Doc().DeleteStaves(0, 0, 0), 1);
    EXPECT_EQ(Page(0)->GetBlockNum(), 0);
    ExpectWhole("after the deletion");
    EXPECT_EQ(Doc().m_pCurStaff, nullptr);
    EXPECT_EQ(Doc().m_nCurStaff, -1);
}

// Undoing a staff move made with every page selected, under the host's
// whole-document backup, gives the staves back in their places: a chord
// made afterwards over a rectangle on the lower staff is made there.
TEST_F(ReducedTracesTest, AChordOverARectangleAfterAStaffMoveUndoneIsMadeOnTheStaffUnderIt)
{
    Make(2, 9, true);
    Doc().JumpToPage(0);
    for (int staff = 0; staff < 2; ++staff) {
        kvtest::EnterNote(score->Meas(staff, 0), {.start = 0, .y = 0, .code = DUR_QUARTER});
        kvtest::EnterNote(score->Meas(staff, 0), {.start = 240, .y = -8, .code = DUR_QUARTER});
    }
    Doc().UpdateMeasXY(-1);
    const std::string before = kvtest::StoredDump(Doc());

    Doc().SelectAllPages();
    HostStep();
    ASSERT_EQ(Doc().MoveStaff(1, 0, 0), 1);
    Doc().MultiUndoStart();
    ExpectWhole("after undo");
    EXPECT_EQ(kvtest::StoredDump(Doc()), before);

    // A rectangle around the lower staff's two notes, as they stand on
    // page 0.
    CKVBlock* block = Block(0, 0);
    ASSERT_EQ(block->GetStaff(1), Master()->GetStaff(1));
    CKVMeas* lower = score->Meas(1, 0);
    RECT r {100000, 100000, -100000, -100000};
    for (short i = 0; i < lower->GetMsgNum(); ++i) {
        CKVMsg* note = lower->GetMsg(i);
        CRect handle;
        if (!note || note->m_byKind != MSG_NOTE || !selhit::HandleOnPage(*block, 0, 1, *lower, *note, handle))
            continue;
        const POINT p = selhit::HitPoint(handle);
        r = RECT {std::min<LONG>(r.left, p.x - 2), std::min<LONG>(r.top, p.y - 2), std::max<LONG>(r.right, p.x + 3),
                  std::max<LONG>(r.bottom, p.y + 3)};
    }
    Doc().AddSelRect(SelRect::kRect, &r, nullptr, nullptr, nullptr);
    Doc().ResetBackup();
    Doc().SelMeasBackup(1);
    Doc().MakeChord(1);
    ExpectWhole("after the chord");

    auto chords = [](CKVMeas* m) {
        int n = 0;
        for (short i = 0; i < m->GetMsgNum(); ++i)
            if (CKVMsg* msg = m->GetMsg(i); msg && msg->m_byKind == MSG_CHORD)
                ++n;
        return n;
    };
    EXPECT_EQ(chords(score->Meas(0, 0)), 0) << "a chord on the upper staff";
    EXPECT_EQ(chords(score->Meas(1, 0)), 1) << "no chord on the lower staff";
}

// A tuplet over notes that a chord then gathers: the chord stands its notes
// in pitch order, so a note that only refers to the tuplet can come before
// the note that owns it. The measure's backup copies them in that order; the
// copy of the first must still name the tuplet's copy, not the symbol undo
// keeps.
TEST_F(ReducedTracesTest, AMeasureBackupLeavesEveryTupletNoteOnTheTupletsCopy)
{
    Make(1, 3, true);
    CKVMeas* m = score->Meas(0, 0);
    const short ys[] = {-18, -15, -12};
    for (int i = 0; i < 3; ++i)
        ASSERT_NE(kvtest::EnterNote(m, {.start = static_cast<short>(80 * i), .y = ys[i], .code = DUR_EIGHTH,
                                        .tuplet = 0x0203}),
                  nullptr);
    m->MakeTupletMsg(1, 0, 0);
    m->MakeChord(1, 0, 64);
    ExpectWhole("after the chord");
    Doc().ResetBackup();
    ASSERT_EQ(m->ObjectBackup(kBackupRecorded, kBackupAlone), 1);
    ExpectWhole("after the backup");
    EXPECT_TRUE(kvtest::ReloadProblems(Doc()).empty()) << kvtest::Joined(kvtest::ReloadProblems(Doc()));
}

// A drop into one voice merges every voice of each source measure into it:
// two quarters on the last beat each fit where they stand, and the overwrite
// then takes the one that runs past the measure's end away again, a pasted
// note. The slur that such a note started into the next measure must not
// reach the note pasted there.
TEST_F(ReducedTracesTest, ADropThatOverwritesLinksNoSlurToANoteItTookAwayAgain)
{
    for (BYTE slurVoice : {1, 2}) {
        Make(2, 4, true);
        for (int meas = 0; meas < 2; ++meas) {
            for (short start : {0, 240, 480, 720})
                ASSERT_NE(kvtest::EnterNote(score->Meas(0, meas), {.start = start, .y = -12, .code = DUR_QUARTER}),
                          nullptr);
        }
        // A second voice of one quarter on the last beat.
        CKVMsg* second = kvtest::EnterNote(score->Meas(0, 0), {.y = 6, .code = DUR_QUARTER, .voice = 2});
        ASSERT_NE(second, nullptr);
        second->m_nPosX = 192;
        score->Meas(0, 0)->UpdateStartTime(0, 0, 0, 0);
        auto noteAt = [](CKVMeas* meas, short x, BYTE voice) -> CKVMsg* {
            for (short i = 0; i < meas->GetMsgNum(); ++i)
                if (CKVMsg* msg = meas->GetMsg(i); msg && msg->m_nPosX == x && msg->m_byVoice == voice)
                    return msg;
            return nullptr;
        };
        CKVMsg* from = noteAt(score->Meas(0, 0), 192, slurVoice);
        CKVMsg* to = noteAt(score->Meas(0, 1), 0, 1);
        ASSERT_TRUE(from && to);
        Doc().ResetBackup();
        Doc().BindNoteBySlur(from, to, 10, 0, 0, 0);
        ExpectWhole("after the slur");

        Doc().AddSelRect(SelRect::kStaff, nullptr, nullptr, Master()->GetStaff(0), nullptr);
        const std::vector<std::string> problems = kvtest::CheckedStep(Doc(), [&] {
            Doc().ResetBackup();
            ASSERT_EQ(Doc().SelRectMouseDrag(0, 0), 1);
            Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
            Doc().JumpToMeas(1);
            Doc().m_nCurStaff = 1;
            Doc().m_nCaretPos = 0;
            ASSERT_EQ(Doc().SelRectMouseDrop(1, 1, 0), 1);
        });
        EXPECT_TRUE(problems.empty()) << "slur from voice " << int(slurVoice) << kvtest::Joined(problems);
    }
}

// A rectangle's backup walk tests each measure's own rectangle, which a
// measure keeps from its last layout, while the collection of the selected
// symbols tests their places in the block: the backup can leave out a
// measure the collection reaches. Grace notes (which back up the selection
// themselves), beaming and dissolving beams (after the host's backup) back
// that measure up before they change it, so that undo gives the score back.
TEST_F(ReducedTracesTest, GraceAndBeamCommandsBackUpAMeasureTheSelectionsBackupLeftOut)
{
    auto hostStep = [&] {
        Doc().ResetBackup();
        Doc().SelMeasBackup(1);
    };
    const std::vector<std::pair<const char*, std::function<void()>>> commands = {
        {"grace notes",
         [&] {
             Doc().ResetBackup();
             Doc().ChangeToGrace(1);
         }},
        {"a beam",
         [&] {
             hostStep();
             Doc().BindByBeamGroup(1, 0);
         }},
        {"beams dissolved",
         [&] {
             hostStep();
             Doc().DisAssembleBeam(1);
         }},
    };
    for (const auto& [what, command] : commands) {
        Make(2, 4, true);
        Doc().JumpToPage(0);
        CKVMeas* m = score->Meas(0, 1);
        for (short start : {0, 120, 240, 360})
            ASSERT_NE(kvtest::EnterNote(m, {.start = start, .y = -12, .code = DUR_EIGHTH}), nullptr);
        m->BindByBeam(1, 0, 96, 0, 0);
        Doc().UpdateMeasXY(-1);
        // A rectangle over the measure as its block shows it.
        CKVBlock* block = Doc().GetBlockByMeas(m);
        ASSERT_NE(block, nullptr);
        const int at = static_cast<int>(1 - block->m_nFirstMeas);
        RECT r {block->m_rcBlock.left + static_cast<short>(block->m_arrMeasX[at]) + 2, block->m_rcBlock.top,
                block->m_rcBlock.left + static_cast<short>(block->m_arrMeasX[at + 1]) - 2,
                block->m_rcBlock.bottom};
        Doc().AddSelRect(SelRect::kRect, &r, nullptr, nullptr, nullptr);
        ASSERT_GT(Doc().GetSelMsgCount(), 0) << what;
        // The measure's own rectangle, stale, lies elsewhere.
        m->m_rcMeas.OffsetRect(0, 5000);
        const std::vector<std::string> problems = kvtest::CheckedStep(Doc(), command);
        EXPECT_TRUE(problems.empty()) << what << kvtest::Joined(problems);
    }
}

} // namespace
