// Selection records: which records a new one adds, replaces or is refused
// by, whether the selection changed since the last look, and which staves
// the records select.

#include "support/SelectionSupport.h"

#include <gtest/gtest.h>

namespace {

class SelRectTest : public kvtest::SelectionTest {
protected:
    // The flags every call leaves: present exactly with records, notice set.
    void ExpectFlags()
    {
        EXPECT_EQ(Doc().m_bSelected, Records() > 0 ? 1 : 0);
        EXPECT_EQ(Doc().m_bHostNotice, 1);
        Doc().m_bHostNotice = 0;
    }
};

TEST_F(SelRectTest, LargerRecordsTakeThePlaceOfSmallerOnes)
{
    SelectMeas(0, 0);
    ExpectFlags();
    SelectMeas(0, 0);
    ExpectFlags();
    ASSERT_EQ(Records(), 1);
    EXPECT_EQ(Record(0)->nKind, SelRect::kMeas);
    EXPECT_EQ(Record(0)->pBlock, Block(0));
    EXPECT_EQ(Record(0)->pPage, Page(0));

    // A staff in a block replaces its measures there; a measure inside it
    // then adds nothing.
    SelectBlockStaff(0, 0);
    ExpectFlags();
    ASSERT_EQ(Records(), 1);
    EXPECT_EQ(Record(0)->nKind, SelRect::kBlockStaff);
    SelectMeas(0, 1);
    ExpectFlags();
    EXPECT_EQ(Records(), 1);
    // Another staff's measure is added.
    SelectMeas(1, 1);
    EXPECT_EQ(Records(), 2);

    // The whole staff replaces its block records and measures.
    SelectMeas(0, 4);
    EXPECT_EQ(Records(), 3);
    SelectStaff(0);
    ExpectFlags();
    ASSERT_EQ(Records(), 2);
    EXPECT_EQ(Record(0)->nKind, SelRect::kMeas);
    EXPECT_EQ(Record(0)->pMeas, Meas(1, 1));
    EXPECT_EQ(Record(1)->nKind, SelRect::kStaff);
    EXPECT_EQ(Record(1)->pPage, nullptr);
    EXPECT_EQ(CRect(Record(1)->rect), CRect());
    SelectStaff(0);
    SelectBlockStaff(0, 1);
    SelectMeas(0, 7);
    ExpectFlags();
    EXPECT_EQ(Records(), 2);
}

TEST_F(SelRectTest, RefusedRecordsAddNothing)
{
    RECT r {10, 10, 50, 50};
    Doc().AddSelRect(0, &r, Meas(0, 0), score->Staff(0), Block(0));
    ExpectFlags();
    Doc().AddSelRect(5, &r, Meas(0, 0), score->Staff(0), Block(0));
    Doc().AddSelRect(SelRect::kRect, nullptr, nullptr, nullptr, nullptr);
    Doc().AddSelRect(SelRect::kMeas, &r, nullptr, nullptr, Block(0));
    Doc().AddSelRect(SelRect::kMeas, &r, Meas(0, 0), nullptr, nullptr);
    Doc().AddSelRect(SelRect::kBlockStaff, &r, nullptr, nullptr, Block(0));
    Doc().AddSelRect(SelRect::kBlockStaff, &r, nullptr, score->Staff(0), nullptr);
    Doc().AddSelRect(SelRect::kStaff, &r, nullptr, nullptr, nullptr);
    ExpectFlags();
    EXPECT_EQ(Records(), 0);
}

TEST_F(SelRectTest, RectangleNamesTheCurrentPageAndMovesTheCaret)
{
    CKVMeas* m = Meas(1, 1);
    const CRect area = m->m_rcMeas;
    const POINT corner {Block(0)->m_rcBlock.left + area.left + 10,
                        Block(0)->m_rcBlock.top + area.top + area.Height() / 2};
    SelectRect(RECT {corner.x, corner.y, corner.x + 40, corner.y + 40});
    ExpectFlags();
    ASSERT_EQ(Records(), 1);
    EXPECT_EQ(Record(0)->pPage, Page(0));
    EXPECT_EQ(Doc().m_pCurMeas, m);
    EXPECT_EQ(Doc().m_nCaretMeasNum, 2);

    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    ExpectFlags();
    EXPECT_EQ(Doc().m_bSelected, 0);
}

TEST_F(SelRectTest, ChangeIsSeenOnceAfterTheFirstLook)
{
    SelectMeas(0, 0);
    EXPECT_EQ(Doc().IsSelChanged(), 0);
    EXPECT_EQ(Doc().IsSelChanged(), 0);
    SelectMeas(1, 2);
    EXPECT_EQ(Doc().IsSelChanged(), 1);
    EXPECT_EQ(Doc().IsSelChanged(), 0);
    // The same number of records with another rectangle is a change.
    Record(1)->rect.left = 3;
    EXPECT_EQ(Doc().IsSelChanged(), 1);
    EXPECT_EQ(Doc().IsSelChanged(), 0);
}

TEST_F(SelRectTest, StaffSelectionByRecordKind)
{
    SelectMeas(0, 0);
    EXPECT_EQ(Doc().IsStaffSelected(0), 0);
    SelectBlockStaff(1, 0);
    EXPECT_EQ(Doc().IsStaffSelected(1), 1);
    EXPECT_EQ(Doc().IsStaffSelected(0), 0);
    EXPECT_EQ(Doc().GetStaffSelStatus(1, 0), 1);
    for (int bad : {0xFFFF, -1, 2}) {
        EXPECT_EQ(Doc().IsStaffSelected(static_cast<short>(bad)), 0) << bad;
        EXPECT_EQ(Doc().GetStaffSelStatus(bad, 0), 0) << bad;
    }
    EXPECT_EQ(Doc().IsEnableStaffHide(), 1);

    // A rectangle holding staff 0's part of block 0 selects it; one that
    // cuts it does not.
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    CRect whole = Block(0)->m_rcBlock;
    const int staff0Bottom = whole.top + static_cast<short>(Block(0)->m_arrStaffY.GetAt(0)) + 10;
    SelectRect(RECT {whole.left - 5, whole.top - 40, whole.right + 5, staff0Bottom});
    EXPECT_EQ(Doc().IsStaffSelected(0), 1);
    EXPECT_EQ(Doc().IsStaffSelected(1), 0);
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    SelectRect(RECT {whole.left + 60, whole.top - 40, whole.right + 5, staff0Bottom});
    EXPECT_EQ(Doc().IsStaffSelected(0), 0);
    EXPECT_EQ(Doc().IsEnableStaffHide(), 0);

    // A block that shows one staff cannot hide it.
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    SelectBlockStaff(1, 0);
    Block(0)->DeleteStaff(0, 1);
    EXPECT_EQ(Doc().IsEnableStaffHide(), 0);
}

} // namespace
