// A tie across a bar line meets the next measure's first note in time, also
// when that note stands left of the measure's start (a negative position),
// in the tie rule and in the tie tool that follows it.

#include "support/SelectionSupport.h"
#include "timing/TieLinks.h"

#include <gtest/gtest.h>

namespace {

class TieAcrossBarLine : public kvtest::SelectionTest {
protected:
    // The tie a note starts; null when it starts none.
    static CKVMsg* StartedTie(CKVMsg* note)
    {
        CKVMsg* found = nullptr;
        tickmath::ForEachChild(*note, [&](CKVMsg* child, short) {
            if (!found && child->m_byKind == MSG_TIE && child->m_dwWord == note->m_dwMsgId)
                found = child;
            return false;
        });
        return found;
    }
};

TEST_F(TieAcrossBarLine, TheRuleTakesTheFirstNoteInTimeWhateverTheSignOfItsPosition)
{
    CKVMsg* last = score->Note(Meas(0, 0), {.x = 192, .y = -16});
    CKVMsg* left = score->Note(Meas(0, 1), {.x = -3, .y = -16});
    EXPECT_EQ(Doc().IsEnableBindByTie(last, left, 0), 1);
    EXPECT_EQ(Doc().IsEnableBindByTie(left, last, 0), 1) << "the pair is put in order first";

    // A note of another pitch left of the start opens the measure: a tie
    // from the last note may not pass over it.
    CKVMsg* a = score->Note(Meas(0, 2), {.x = 192, .y = -8});
    score->Note(Meas(0, 3), {.x = -5, .y = -12});
    CKVMsg* later = score->Note(Meas(0, 3), {.x = 0, .y = -8});
    EXPECT_EQ(Doc().IsEnableBindByTie(a, later, 0), 0);
}

TEST_F(TieAcrossBarLine, TheTieToolTiesToANoteLeftOfTheMeasureStart)
{
    CKVMsg* last = score->Note(Meas(0, 0), {.x = 192, .y = -16});
    score->Note(Meas(0, 1), {.x = -2, .y = -16});
    ASSERT_EQ(Doc().BindByTieInTool(last, 8, 0, 0, 0, 0), 1);
    CKVMsg* liveLast = LiveNote(0, 192, -16);
    ASSERT_NE(liveLast, nullptr);
    CKVMsg* tie = StartedTie(liveLast);
    ASSERT_NE(tie, nullptr);
    EXPECT_EQ(tielink::EndOf(*tie), LiveNote(1, -2, -16));
}

} // namespace
