// Colour and line thickness of what the selection records cover, each symbol
// tested by its handles.

#include "document/UndoEntry.h"
#include "support/SelectionSupport.h"

#include <gtest/gtest.h>

namespace {

using kvtest::CanonicalDump;

class SelColourTest : public kvtest::SelectionTest {
protected:
    CKVMeas* LiveMeas(int staff, int meas) { return Doc().GetMeasure(meas, staff, 0); }

    static void DropHandles(CKVMsg* msg)
    {
        for (int i = 0; i < msg->m_arrCtrlPoint.GetSize(); ++i)
            delete msg->m_arrCtrlPoint.GetAt(i);
        msg->m_arrCtrlPoint.RemoveAll();
    }

    // A lyric on line 0 under a note, with a head of `length` bytes.
    CKVMsg* Lyric(CKVMsg* note, short length)
    {
        CKVMsg* lyric = score->Symbol(note, MSG_LYRIC, 0, 0, note->m_byVoice);
        std::vector<unsigned char> head(length, 0x11);
        lyric->SetHead(length, head.data());
        return lyric;
    }

    // The measure's head places lyric line 0 this far below the staff.
    static void LyricLine(CKVMeas* meas, short y)
    {
        unsigned char head[2] = {static_cast<unsigned char>(y & 0xFF), static_cast<unsigned char>(y >> 8)};
        meas->SetHead(2, head);
    }

    // The area the backup of a measure adds to the redraw rectangle.
    CRect MeasArea(CKVMeas* meas)
    {
        CKVBlock* block = Doc().GetBlockByMeas(meas);
        CRect area = meas->GetRealMeasRect(0);
        area.OffsetRect(block->m_rcBlock.left + Page(0)->m_rcPrint.left, block->m_rcBlock.top + Page(0)->m_rcPrint.top);
        area.InflateRect(2 * Doc().m_nStaffSpace, 4);
        return area;
    }

    // A rectangle around the first handle of a page-level symbol.
    static RECT AroundPageSymbol(CKVMsg* msg)
    {
        CRect r = msg->m_arrCtrlPoint.GetAt(0)->m_rect;
        r.OffsetRect(msg->m_nPosX, msg->m_nPosY);
        r.InflateRect(1, 1);
        return r;
    }

    CKVMsg* PageLine(short x, short y)
    {
        CKVMsg line;
        line.m_byKind = MSG_LINE;
        line.m_nPosX = x;
        line.m_nPosY = y;
        line.m_nPosX2 = 40;
        line.m_nPosY2 = 0;
        return Doc().AddMsg(Page(0), &line, 0, 0);
    }

    int PageEntries()
    {
        int count = 0;
        for (int i = 0; i < Doc().m_arrBackup.GetSize(); ++i)
            count += Doc().m_arrBackup.GetAt(i)->nKind == UndoEntry::kPage ? 1 : 0;
        return count;
    }
};

TEST_F(SelColourTest, AWholeMeasureColoursItsVoiceAndEveryOtherKind)
{
    CKVMeas* m = Meas(0, 1);
    LyricLine(m, 40);
    CKVMsg* first = score->Note(m, {.x = 0, .y = -8});
    Lyric(first, 16);
    Lyric(score->Note(m, {.x = 128, .y = -8}), 6);
    score->Note(m, {.x = 64, .y = -30, .voice = 2});
    CKVMsg* hairpin = score->Symbol(m, MSG_HAIRPIN, 160, -40);
    ASSERT_GT(hairpin->m_arrCtrlPoint.GetSize(), 0);
    DropHandles(score->Symbol(m, MSG_DYNAMIC, 200, -40));
    SelectMeas(0, 1);
    Doc().m_bModified = 0;

    kvtest::ExpectRoundTrip(Doc(), [&] { Doc().SetColorOfSelElement(1, 0x0000FF); });
    CKVMeas* live = LiveMeas(0, 1);
    ASSERT_NE(live, m);
    EXPECT_EQ(Doc().m_bModified, 1);
    for (short i = 0; i < live->GetMsgNum(); ++i) {
        CKVMsg* msg = live->GetMsg(i);
        const bool coloured = (msg->m_byKind == MSG_NOTE && msg->m_byVoice == 1) || msg->m_byKind == MSG_HAIRPIN;
        EXPECT_EQ(msg->m_crColor, coloured ? 0x0000FFu : 0u) << int(msg->m_byKind) << " at " << msg->m_nPosX;
    }
    CKVMsg* longLyric = live->GetMsg(0)->GetMsg(0);
    ASSERT_EQ(longLyric->m_byKind, MSG_LYRIC);
    EXPECT_EQ(longLyric->m_crColor, 0u);
    const unsigned char expected[16] = {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11,
                                        0xFF, 0x00, 0x00, 0x00, 0x11, 0x11, 0x11, 0x11};
    EXPECT_EQ(std::vector<unsigned char>(longLyric->m_pHead, longLyric->m_pHead + 16),
              std::vector<unsigned char>(std::begin(expected), std::end(expected)));
    CKVMsg* shortLyric = nullptr;
    for (short i = 0; i < live->GetMsgNum(); ++i) {
        if (live->GetMsg(i)->m_nPosX == 128)
            shortLyric = live->GetMsg(i)->GetMsg(0);
    }
    ASSERT_NE(shortLyric, nullptr);
    EXPECT_EQ(std::vector<unsigned char>(shortLyric->m_pHead, shortLyric->m_pHead + 6),
              std::vector<unsigned char>(6, 0x11));
    EXPECT_EQ(shortLyric->m_crColor, 0u);

    RECT redraw {};
    Doc().GetInvalidateRect(&redraw);
    EXPECT_EQ(CRect(redraw), MeasArea(live));
}

TEST_F(SelColourTest, AGroupTakesTheColourOnlyThroughAHitMember)
{
    CKVMeas* m = Meas(0, 0);
    CKVMsg* group = score->Beam(m, {.x = 0, .code = DUR_EIGHTH});
    score->Note(group, {.x = 0, .y = -8, .code = DUR_EIGHTH});
    CKVMsg* middle = score->Note(group, {.x = 40, .y = -8, .code = DUR_EIGHTH});
    score->Note(group, {.x = 80, .y = -8, .code = DUR_EIGHTH});
    CKVMsg* lone = score->Note(m, {.x = 160, .y = -24});
    const POINT hit = HitOf(middle);
    const POINT miss = HitOf(lone);
    // Clear of every member: the group keeps its colour.
    SelectRect(Around(miss));
    Doc().SetColorOfSelElement(0, 0x00FF00);
    EXPECT_EQ(LiveMeas(0, 0)->GetMsg(0)->m_crColor, 0u);
    EXPECT_EQ(LiveMeas(0, 0)->GetMsg(1)->m_crColor, 0x00FF00u);

    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    SelectRect(Around(hit));
    kvtest::ExpectRoundTrip(Doc(), [&] { Doc().SetColorOfSelElement(0, 0x0000FF); });
    CKVMsg* liveGroup = LiveMeas(0, 0)->GetMsg(0);
    EXPECT_EQ(liveGroup->m_crColor, 0x0000FFu);
    EXPECT_EQ(liveGroup->GetMsg(0)->m_crColor, 0u);
    EXPECT_EQ(liveGroup->GetMsg(1)->m_crColor, 0x0000FFu);
    EXPECT_EQ(liveGroup->GetMsg(2)->m_crColor, 0u);
}

TEST_F(SelColourTest, NoHitLeavesTheDocumentUnmodified)
{
    score->Note(Meas(0, 0), {.x = 0, .y = -8, .voice = 2});
    SelectMeas(0, 0);
    Doc().m_bModified = 0;
    const std::string before = CanonicalDump(Doc());
    Doc().SetColorOfSelElement(1, 0x0000FF);
    EXPECT_EQ(Doc().m_bModified, 0) << "colour";
    Doc().SetThickOfSelGraph(0, 3);
    EXPECT_EQ(CanonicalDump(Doc()), before);
    EXPECT_EQ(Doc().m_bModified, 0);
}

TEST_F(SelColourTest, ThicknessGoesToLinesAndShapesOnly)
{
    CKVMeas* m = Meas(1, 2);
    score->Symbol(m, MSG_HAIRPIN, 0, -40);
    score->Symbol(m, MSG_LINE, 30, -40);
    score->Symbol(m, MSG_ELLIPSE, 60, -40);
    score->Symbol(m, MSG_PAGESLUR, 90, -40);
    score->Symbol(m, MSG_FREETEXT, 120, -40);
    score->Note(m, {.x = 150, .y = -8});
    SelectMeas(1, 2);
    kvtest::ExpectRoundTrip(Doc(), [&] { Doc().SetThickOfSelGraph(7, 3); });
    CKVMeas* live = LiveMeas(1, 2);
    for (short i = 0; i < live->GetMsgNum(); ++i) {
        const CKVMsg* msg = live->GetMsg(i);
        switch (msg->m_byKind) {
        case MSG_PAGESLUR:
            EXPECT_EQ(msg->m_wDuration, 3);
            EXPECT_EQ(msg->m_lHeight, 0);
            break;
        case MSG_HAIRPIN:
        case MSG_LINE:
        case MSG_ELLIPSE:
            EXPECT_EQ(msg->m_lHeight, 3) << int(msg->m_byKind);
            break;
        case MSG_FREETEXT:
            EXPECT_EQ(msg->m_lHeight, 0);
            break;
        default:
            EXPECT_EQ(msg->m_lHeight, -28) << "a note keeps its stem";
            break;
        }
    }
    Doc().SetThickOfSelGraph(0, -2);
    EXPECT_EQ(LiveMeas(1, 2)->GetMsg(1)->m_lHeight, -2);
}

TEST_F(SelColourTest, PageLinesTakeTheThicknessUnderOnePageBackup)
{
    CKVMsg* a = PageLine(100, 700);
    CKVMsg* b = PageLine(110, 705);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    const CRect first(AroundPageSymbol(a));
    const CRect second(AroundPageSymbol(b));
    CRect both;
    both.UnionRect(&first, &second);
    SelectRect(both);
    kvtest::ExpectRoundTrip(Doc(), [&] {
        Doc().SetThickOfSelGraph(0, 3);
        EXPECT_EQ(PageEntries(), 1);
    });
    CKVPage* live = Page(0);
    ASSERT_EQ(live->GetMsgNum(), 2);
    EXPECT_EQ(live->GetMsg(0)->m_lHeight, 3);
    EXPECT_EQ(live->GetMsg(1)->m_lHeight, 3);

    // A page symbol of a rectangle takes the colour too.
    Doc().SetColorOfSelElement(0, 0x123456);
    EXPECT_EQ(Page(0)->GetMsg(0)->m_crColor, 0x123456u);
}

TEST_F(SelColourTest, ASlurIsFoundByItsPageHandleLessThePrintableOrigin)
{
    CKVMsg* note = score->Note(Meas(0, 2), {.x = 0, .y = -8});
    CKVMsg* slur = score->Symbol(note, MSG_SLUR, 0, 0);
    ASSERT_GT(slur->m_arrCtrlPoint.GetSize(), 0);
    const CRect print = Page(0)->m_rcPrint;
    slur->m_arrCtrlPoint.GetAt(0)->m_rect = CRect(print.left + 300, print.top + 600, print.left + 310, print.top + 610);
    // In printable-area coordinates, clear of the note.
    SelectRect(RECT {298, 598, 305, 605});
    Doc().SetColorOfSelElement(0, 0x0000FF);
    CKVMsg* liveNote = LiveMeas(0, 2)->GetMsg(0);
    EXPECT_EQ(liveNote->m_crColor, 0u);
    EXPECT_EQ(liveNote->GetMsg(0)->m_crColor, 0x0000FFu);
    // Where the handle lies before the origin is taken off, nothing is hit.
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    SelectRect(RECT {print.left + 298, print.top + 598, print.left + 305, print.top + 605});
    Doc().SetColorOfSelElement(0, 0x00FF00);
    EXPECT_EQ(LiveMeas(0, 2)->GetMsg(0)->GetMsg(0)->m_crColor, 0x0000FFu);
}

} // namespace
