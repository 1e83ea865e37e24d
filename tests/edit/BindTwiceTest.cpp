// Slurring a selection whose records cover the same notes twice (a record
// over a measure and another over every page), and taking away one of two
// ties that join the same notes.

#include "support/SelectionSupport.h"
#include "timing/TieLinks.h"

#include <gtest/gtest.h>

namespace {

class BindTwiceTest : public kvtest::SelectionTest {
protected:
    // The ties or slurs that run from `from` to `to`.
    static int LinksBetween(CKVMsg* from, CKVMsg* to, BYTE kind)
    {
        int count = 0;
        tickmath::ForEachChild(*from, [&](CKVMsg* child, short) {
            if (child->m_byKind == kind && child->m_dwWord == from->m_dwMsgId &&
                static_cast<DWORD>(child->m_lHeight) == to->m_dwMsgId)
                ++count;
            return false;
        });
        return count;
    }
};

TEST_F(BindTwiceTest, TwoRecordsOverTheSameStaffNotesTieThemOnce)
{
    CKVMsg* a = score->Note(Meas(0, 0), {.x = 0, .y = -16});
    CKVMsg* b = score->Note(Meas(0, 0), {.x = 64, .y = -16});
    SelectMeas(0, 0);
    SelectMeas(1, 4);
    Doc().SelectAllPages();
    ASSERT_EQ(Doc().m_pSelRectArray->GetSize(), 2);
    Doc().BindBySlur(1, 8, 0, 0, 0);
    // The second record must not toggle the first record's tie away.
    EXPECT_EQ(LinksBetween(a, b, MSG_TIE), 1);
    EXPECT_EQ(LinksBetween(a, b, MSG_SLUR), 0);
    EXPECT_EQ(a->m_wFlag & 0x3, 0x1);
    EXPECT_EQ(b->m_wFlag & 0x3, 0x2);
}

TEST_F(BindTwiceTest, TwoRecordsOverTheSameOssiaNotesJoinThemOnce)
{
    score->Note(Meas(0, 1), {.x = 192, .y = -16});
    score->Note(Meas(0, 2), {.x = 0, .y = -16});
    ASSERT_EQ(Doc().InsertOssia(POINT {50, 60}, 0, 0, 2, 3, 15, 0, 80), 1);
    CKVStaff* ossia = Page(0)->m_arrOssiaBlock.GetAt(0)->GetStaff(0);
    ASSERT_EQ(ossia->GetMeasNum(), 2);
    // The staff under the ossia ends on another pitch, so its walk slurs
    // and goes on to the ossia.
    score->Note(Meas(0, 2), {.x = 64, .y = -4});
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    Doc().AddSelRect(SelRect::kStaff, nullptr, nullptr, ossia, nullptr);
    SelectMeas(1, 4);
    Doc().SelectAllPages();
    ASSERT_EQ(Doc().m_pSelRectArray->GetSize(), 2);
    Doc().BindBySlur(1, 8, 0, 0, 0);
    CKVMsg* first = ossia->GetMeas(0)->GetMsg(0);
    CKVMsg* second = ossia->GetMeas(1)->GetMsg(0);
    ASSERT_TRUE(first && second);
    // Equal successive notes: the slur is judged a tie, and only one.
    EXPECT_EQ(LinksBetween(first, second, MSG_TIE) + LinksBetween(first, second, MSG_SLUR), 1);
}

// A slur over two tied notes joins them beside the tie: it is not judged a
// second tie, and slurring them again replaces the slur, not the tie.
TEST_F(BindTwiceTest, SlurringNotesAlreadyTiedKeepsTheTieBesideOneSlur)
{
    CKVMsg* a = score->Note(Meas(0, 0), {.x = 0, .y = -16});
    CKVMsg* b = score->Note(Meas(0, 0), {.x = 64, .y = -16});
    ASSERT_EQ(Doc().BindNoteByTie(a, b, 8, 0, 0, 1, 1, 0), 1);
    ASSERT_EQ(LinksBetween(a, b, MSG_TIE), 1);
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(Doc().BindNoteBySlur(a, b, 8, 0, 0, 0), 1);
        EXPECT_EQ(LinksBetween(a, b, MSG_TIE), 1);
        EXPECT_EQ(LinksBetween(a, b, MSG_SLUR), 1);
        EXPECT_EQ(a->m_wFlag & 0x3, 0x1);
        EXPECT_EQ(b->m_wFlag & 0x3, 0x2);
    }
}

TEST_F(BindTwiceTest, TakingOneOfTwoTiesAwayKeepsTheFlagsTheOtherNeeds)
{
    CKVMsg* a = score->Note(Meas(0, 0), {.x = 0, .y = -16});
    CKVMsg* b = score->Note(Meas(0, 0), {.x = 64, .y = -16});
    // Two ties between the same notes, as a damaged file may hold them.
    ASSERT_TRUE(score->Tie(a, b));
    CKVMsg* extra = score->Tie(a, b);
    ASSERT_TRUE(extra);
    tielink::Detach(extra, a, b);
    ASSERT_EQ(LinksBetween(a, b, MSG_TIE), 1);
    EXPECT_EQ(a->m_wFlag & 0x3, 0x1);
    EXPECT_EQ(b->m_wFlag & 0x3, 0x2);

    // The last one going takes the flags with it.
    ASSERT_EQ(Doc().BindNoteByTie(a, b, 8, 0, 0, 1, 1, 0), 1);
    EXPECT_EQ(LinksBetween(a, b, MSG_TIE), 0);
    EXPECT_EQ(a->m_wFlag & 0x3, 0);
    EXPECT_EQ(b->m_wFlag & 0x3, 0);
}

} // namespace
