// Deleting under a rectangle reaches parts of notes whose measures the
// rectangle does not select (a slur's handle far from its notes, a lyric
// moved aside): undo brings those measures back too, and redo the delete.

#include "support/CanonicalDump.h"
#include "support/NoteEntry.h"
#include "support/SelectionSupport.h"

#include <gtest/gtest.h>

namespace {

class SelDeleteReachTest : public kvtest::SelectionTest {
protected:
    CKVMeas* Live(int staff, int meas) { return Doc().GetMeasure(meas, staff, 0); }

    static CKVMsg* ChildOf(CKVObject& node, BYTE kind)
    {
        CKVMsg* found = nullptr;
        tickmath::ForEachChild(node, [&](CKVMsg* child, short) {
            if (!found && child->m_byKind == kind)
                found = child;
            return false;
        });
        return found;
    }

    // A small rectangle in the coordinates of the selection records, over
    // the middle of a measure of staff 0 in block 0: within its staff's
    // height, or above everything a record would select there.
    RECT MiddleOf(int meas, bool above = false)
    {
        CRect area = Meas(0, meas)->GetRealMeasRect(1);
        area.OffsetRect(Block(0)->m_rcBlock.left, Block(0)->m_rcBlock.top);
        const POINT p {(area.left + area.right) / 2, above ? area.top - 20 : (area.top + area.bottom) / 2};
        return RECT {p.x - 2, p.y - 2, p.x + 3, p.y + 3};
    }

    // Whether the selection's only record selects a measure of block 0.
    bool Selected(int meas)
    {
        return selhit::Selects(*Record(0), Block(0), Meas(0, meas));
    }

    void ExpectUndoAndRedoExact()
    {
        const std::string before = kvtest::StoredDump(Doc());
        ASSERT_EQ(Doc().DeleteMsgOnSelRect(0), 1);
        const std::string after = kvtest::StoredDump(Doc());
        ASSERT_NE(after, before);
        Doc().MultiUndoStart();
        EXPECT_EQ(kvtest::StoredDump(Doc()), before) << "undo";
        Doc().MultiRedoStart();
        EXPECT_EQ(kvtest::StoredDump(Doc()), after) << "redo";
    }
};

TEST_F(SelDeleteReachTest, ASlurTakenByAHandleOverAnotherMeasureComesBackOnUndo)
{
    // The slur runs from the last note of measure 0 to the first of
    // measure 2; its handle stands high over measure 1.
    CKVMsg* from = kvtest::EnterNote(Meas(0, 0), {.start = 1440, .y = -12});
    CKVMsg* to = kvtest::EnterNote(Meas(0, 2), {.start = 0, .y = -8});
    ASSERT_TRUE(from && to);
    ASSERT_EQ(Doc().BindNoteBySlur(from, to, 10, 4, 14, 0), 1);
    CKVMsg* slur = ChildOf(*from, MSG_SLUR);
    ASSERT_NE(slur, nullptr);
    if (slur->m_arrCtrlPoint.GetSize() == 0)
        slur->m_arrCtrlPoint.Add(new CKVCtrlPoint);
    const RECT handle = MiddleOf(1, true);
    CRect stored(handle);
    stored.OffsetRect(Page(0)->m_rcPrint.left, Page(0)->m_rcPrint.top);
    slur->m_arrCtrlPoint.GetAt(0)->m_rect = stored;
    SelectRect(handle);
    for (int m = 0; m < 3; ++m)
        ASSERT_FALSE(Selected(m)) << m;

    ExpectUndoAndRedoExact();
    Doc().MultiUndoStart();
    EXPECT_NE(ChildOf(*Live(0, 0), MSG_NOTE), nullptr);
    EXPECT_NE(ChildOf(*ChildOf(*Live(0, 0), MSG_NOTE), MSG_SLUR), nullptr);
    EXPECT_NE(ChildOf(*ChildOf(*Live(0, 2), MSG_NOTE), MSG_SLUR), nullptr);
}

TEST_F(SelDeleteReachTest, ALyricMovedOverAnotherMeasureComesBackOnUndo)
{
    CKVMeas* m = Meas(0, 0);
    CKVMsg* note = kvtest::EnterNote(m, {.start = 1440, .y = -12});
    ASSERT_NE(note, nullptr);
    constexpr short kLineY = 40;
    unsigned char head[2] = {kLineY, 0};
    m->SetHead(2, head);
    CKVMsg* lyric = score->Symbol(note, MSG_LYRIC, 0, 0);
    if (lyric->m_arrCtrlPoint.GetSize() == 0)
        lyric->m_arrCtrlPoint.Add(new CKVCtrlPoint);
    lyric->m_arrCtrlPoint.GetAt(0)->m_rect = CRect(0, 0, 10, 10);
    // Moved right until its handle stands under the middle of measure 2.
    POINT anchor {0, 0};
    ASSERT_TRUE(selhit::AnchorOnPage(*Block(0), 0, 0, *m, *note, anchor));
    const RECT middle = MiddleOf(2);
    lyric->m_nPosX = static_cast<short>(middle.left - anchor.x);
    const int top = Block(0)->m_rcBlock.top + static_cast<short>(Block(0)->m_arrStaffY.GetAt(0)) + kLineY;
    SelectRect(RECT {middle.left + 2, top + 2, middle.left + 6, top + 6});
    ASSERT_FALSE(Selected(0));

    ExpectUndoAndRedoExact();
    EXPECT_EQ(ChildOf(*ChildOf(*Live(0, 0), MSG_NOTE), MSG_LYRIC), nullptr);
    Doc().MultiUndoStart();
    EXPECT_NE(ChildOf(*ChildOf(*Live(0, 0), MSG_NOTE), MSG_LYRIC), nullptr);
}

} // namespace
