// Traces of long random runs, reduced to the steps that matter: a staff
// deletion that empties every block (the others being hidden), a chord over
// a rectangle after a staff move undone, a measure copy under a chord of
// tuplet notes, and note commands over a block not yet laid out.

#include "document/SelHit.h"
#include "document/SelRect.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "support/NoteEntry.h"
#include "support/ScoreIntegrity.h"
#include "support/StructureSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
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

// Three triplet eighths made one chord: the chord's notes stand by pitch, so
// its first note names the tuplet that a later one owns. A copy of the
// measure (the backup of a command's step) must point that name at its own
// copy of the tuplet, not at the one undo keeps.
TEST_F(ReducedTracesTest, ACopiedMeasureNamesItsOwnTupletFromAChordNoteBeforeTheOwner)
{
    Make(2, 9, true);
    CKVMeas* m = score->Meas(0, 0);
    for (const auto& [start, y] : {std::pair<short, short> {0, -15}, {80, -12}, {160, -18}})
        ASSERT_NE(kvtest::EnterNote(m, {.start = start, .y = y, .code = DUR_EIGHTH, .tuplet = 0x0203}), nullptr);
    m->MakeTupletMsg(1, kStemDefault, 0);
    m->MakeChord(1, 0, 255);
    ASSERT_EQ(m->GetMsgNum(), 1);
    CKVMsg* chord = m->GetMsg(0);
    ASSERT_EQ(chord->m_byKind, MSG_CHORD);
    ExpectWhole("before the command");

    RECT none {0, 0, 0, 0};
    Doc().AddSelRect(SelRect::kMeas, &none, m, nullptr, Doc().GetBlockByMeas(m));
    const std::vector<std::string> problems = kvtest::CheckedStep(Doc(), [&] { Doc().SetNoteSize(0, 12); });
    EXPECT_TRUE(problems.empty()) << kvtest::Joined(problems);
}

// A block as InsertPage or a re-flow leaves it until its page is drawn: 0
// wide, every measure of it at x 0. A rectangle at the block's left reaches
// the first notes of all its measures, which the backup of the selected
// measures may leave out; each note command backs up every measure it
// changes, in its own step.
TEST_F(ReducedTracesTest, NoteCommandsOverABlockNotLaidOutBackUpEveryMeasureTheyChange)
{
    const std::vector<std::pair<const char*, std::function<void(CKVDoc&)>>> commands {
        {"note size", [](CKVDoc& d) { d.SetNoteSize(0, 12); }},
        {"stem direction", [](CKVDoc& d) { d.ChangeNoteDirection(1, 2); }},
        {"display attributes", [](CKVDoc& d) { d.ChangeNoteAttr(0, 0x10, 1, 0, 0, 0, 0, 3); }},
        {"note mark", [](CKVDoc& d) { d.AddNoteMarkOnSelNote(1, 1, MSG_NOTEMARK, 27); }},
        {"slur direction", [](CKVDoc& d) { d.SelNoteChangeTieSlurDir(0, 1); }},
    };
    for (const auto& [name, command] : commands) {
        Make(2, 9, true);
        // Two half notes slurred in each measure of the lower staff.
        for (int meas = 0; meas < 9; ++meas) {
            CKVMeas* m = score->Meas(1, meas);
            CKVMsg* a = kvtest::EnterNote(m, {.start = 0, .y = -8, .code = DUR_HALF});
            CKVMsg* b = kvtest::EnterNote(m, {.start = 480, .y = -12, .code = DUR_HALF});
            ASSERT_EQ(Doc().BindNoteBySlur(a, b, 10, 0, 0, 0), 1) << name;
        }
        CKVBlock* block = Block(0, 1);
        block->m_rcBlock.right = block->m_rcBlock.left;
        for (int i = 0; i < block->m_arrMeasX.GetSize(); ++i)
            block->m_arrMeasX.SetAt(i, 0);
        Doc().JumpToPage(0);
        RECT r {block->m_rcBlock.left, block->m_rcBlock.top - 100, block->m_rcBlock.left + 10,
                block->m_rcBlock.bottom + 100};
        Doc().AddSelRect(SelRect::kRect, &r, nullptr, nullptr, nullptr);
        bool changed = false;
        const std::vector<std::string> problems = kvtest::CheckedStep(Doc(), [&] {
            const std::vector<unsigned char> before = kvtest::SavedBytes(Doc());
            command(Doc());
            changed = kvtest::SavedBytes(Doc()) != before;
        });
        EXPECT_TRUE(changed) << name;
        EXPECT_TRUE(problems.empty()) << name << kvtest::Joined(problems);
    }
}

} // namespace
