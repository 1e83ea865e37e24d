// Binding two notes that a tie or slur already joins replaces that link
// rather than adding a second one of the same kind, also when the new link
// changes kind as it is shaped (a tie between notes that cannot be tied
// becomes a slur, a slur between notes that can becomes a tie unless a tie
// joins them already).

#include "support/ScoreIntegrity.h"
#include "support/SelectionSupport.h"
#include "model/MeasPlace.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class LinkTwiceTest : public kvtest::SelectionTest {
protected:
    // The ties and slurs of a kind that a note starts.
    static int Starts(CKVMsg* note, BYTE kind)
    {
        int count = 0;
        tickmath::ForEachChild(*note, [&](CKVMsg* child, short) {
            count += child->m_byKind == kind && child->m_dwWord == note->m_dwMsgId;
            return false;
        });
        return count;
    }
    // The first member of the first beam group of measure `meas` on staff 0,
    // as it stands after backups.
    CKVMsg* FirstMember(int meas)
    {
        CKVMsg* group = Doc().GetMeasure(meas, 0, 0)->GetMsg(0);
        return group ? tickmath::Members(*group).front() : nullptr;
    }
    void ExpectWhole(const char* after)
    {
        const std::vector<std::string> problems = kvtest::IntegrityProblems(Doc());
        EXPECT_TRUE(problems.empty()) << after << kvtest::Joined(problems);
    }
};

// Three eighths of one pitch under one beam: the ends cannot be tied over the
// middle note, so the automatic tie becomes a slur, and running the command
// again must not leave a second slur beside the first.
TEST_F(LinkTwiceTest, AutomaticTiesTwiceOverAGroupLeaveOneSlur)
{
    CKVMsg* g = score->Beam(Meas(0, 1), {.x = 0, .code = DUR_EIGHTH});
    for (short x : {0, 64, 128})
        score->Note(g, {.x = x, .y = -16, .code = DUR_EIGHTH});
    Doc().AutoTieSlur(8, 0, 0, 0);
    ASSERT_EQ(Starts(FirstMember(1), MSG_SLUR), 1);
    ExpectWhole("after the first run");
    Doc().AutoTieSlur(8, 0, 0, 0);
    EXPECT_EQ(Starts(FirstMember(1), MSG_SLUR), 1);
    EXPECT_EQ(Starts(FirstMember(1), MSG_TIE), 0);
    ExpectWhole("after the second run");
}

// Three eighths of one pitch under one beam, the first tied to the second
// and the second to the third: the ends stand joined by ties already, so the
// automatic pass leaves them without a slur and the ties as they are.
TEST_F(LinkTwiceTest, AutomaticTiesLeaveAGroupTiedThroughAlone)
{
    CKVMsg* g = score->Beam(Meas(0, 1), {.x = 0, .code = DUR_EIGHTH});
    CKVMsg* notes[3] = {};
    for (int i = 0; i < 3; ++i)
        notes[i] = score->Note(g, {.x = static_cast<short>(64 * i), .y = -16, .code = DUR_EIGHTH});
    score->Tie(notes[0], notes[1]);
    score->Tie(notes[1], notes[2]);
    Doc().AutoTieSlur(8, 0, 0, 0);
    CKVMsg* first = FirstMember(1);
    EXPECT_EQ(Starts(first, MSG_SLUR), 0);
    EXPECT_EQ(Starts(first, MSG_TIE), 1);
    ExpectWhole("after the automatic pass");
}

// The same through the two binding calls themselves: a new link replaces
// the one of its own kind between the notes.
TEST_F(LinkTwiceTest, BindingLinkedNotesAgainReplacesTheLinkOfItsKind)
{
    // A tie over a note between becomes a slur beside the slur already there.
    CKVMsg* a = score->Note(Meas(0, 0), {.x = 0, .y = -16});
    score->Note(Meas(0, 0), {.x = 64, .y = -16});
    CKVMsg* b = score->Note(Meas(0, 0), {.x = 128, .y = -16});
    ASSERT_EQ(Doc().BindNoteBySlur(a, b, 8, 0, 0, 0), 1);
    ASSERT_EQ(Doc().BindNoteByTie(a, b, 8, 0, 0, 1, 1, 0), 1);
    EXPECT_EQ(Starts(a, MSG_SLUR), 1);
    EXPECT_EQ(Starts(a, MSG_TIE), 0);
    ExpectWhole("after tying slurred notes");

    // A slur between notes that can be tied stays a slur beside the tie
    // already there; the notes keep their tie flags.
    CKVMsg* c = score->Note(Meas(0, 2), {.x = 0, .y = -8});
    CKVMsg* d = score->Note(Meas(0, 2), {.x = 64, .y = -8});
    ASSERT_EQ(Doc().BindNoteByTie(c, d, 8, 0, 0, 1, 0, 0), 1);
    ASSERT_EQ(Doc().BindNoteBySlur(c, d, 8, 0, 0, 0), 1);
    EXPECT_EQ(Starts(c, MSG_TIE), 1);
    EXPECT_EQ(Starts(c, MSG_SLUR), 1);
    EXPECT_EQ(c->m_wFlag & MSGFLAG_TIE_START, MSGFLAG_TIE_START);
    EXPECT_EQ(d->m_wFlag & MSGFLAG_TIE_END, MSGFLAG_TIE_END);
    ExpectWhole("after slurring tied notes");
}

} // namespace
