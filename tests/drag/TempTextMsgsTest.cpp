// The text, dynamic, tempo-mark, lyric and staff-name templates: the text
// record of a new text, where each drop puts its symbol, the lyric and
// staff-name limits, and what stays untouched until the drop.

#include "support/DragDriver.h"
#include "support/FontSupport.h"

#include "drag/TempTextMsgs.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMeas.h"
#include "model/KVPage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

class TempTextMsgsTest : public kvtest::DragFixture {
protected:
    void SetUp() override
    {
        DragFixture::SetUp();
        kvtest::RouteTextToTestFace();
    }
    CKVMsg* Last(CKVObject* holder) { return holder->GetMsg(static_cast<short>(holder->GetMsgNum() - 1)); }
    std::string Head(CKVObject& o) { return std::string(reinterpret_cast<char*>(o.m_pHead), o.m_wHeadLen); }
};

TEST_F(TempTextMsgsTest, NewTextRecord)
{
    CTempTextMsg text;
    text.m_bMeasured = 1;
    text.Initialize("H\xE9", 3, 12, 2);
    EXPECT_EQ(text.m_byKind, MSG_FREETEXT);
    EXPECT_EQ(text.m_byVoice, 1);
    EXPECT_EQ(text.m_wHeadType, 256);
    EXPECT_EQ(CRect(text.m_nPosX, text.m_nPosY, text.m_nPosX2, text.m_nPosY2), CRect(-100, -100, 20, 20));
    EXPECT_EQ(text.m_bMeasured, 0);
    const std::string want("\x01\xFE\xFF\x02\x03\x00\x03\x02\x04\x0C\x00\x05\x00\x00\x00\x00\x07\x00\x00\x00\x00"
                           "\x09\x00\x00\x06\x04\x00H\x00\xE9\x00",
                           31);
    EXPECT_EQ(Head(text), want);

    // A text whose record would pass a short's length keeps no head.
    const std::string longText(16371, 'a');
    CTempTextMsg big;
    big.Initialize(longText.c_str(), 0, 12, 0);
    EXPECT_EQ(big.m_wHeadLen, 0);
    EXPECT_EQ(big.m_nPosX2, 20);
    const std::string fits(16370, 'a');
    big.Initialize(fits.c_str(), 0, 12, 0);
    EXPECT_EQ(big.m_wHeadLen, 27 + 2 * 16370);
}

TEST_F(TempTextMsgsTest, NewTextIsAnEmptyBoxOnThePage)
{
    const std::string before = Dump();
    CTempTextMsg text;
    text.Initialize("Allegro", 0, 12, 0);
    text.OnMouseMove({300, 300}, &View(), &Doc(), 100);
    ASSERT_EQ(text.BeginDrag({300, 300}, &Doc(), 100, nullptr, 0), 1);
    EXPECT_EQ(text.m_ptSecond, CPoint(320, 320));
    text.Drag(&View(), {400, 500});
    EXPECT_EQ(text.m_ptSecond, CPoint(420, 520));
    EXPECT_EQ(text.EndDrag({400, 500}), 1);

    CKVPage* page = Doc().GetCurrentPage();
    ASSERT_EQ(page->GetMsgNum(), 1);
    CKVMsg* added = page->m_arrMsg.GetAt(0);
    EXPECT_EQ(added->m_byKind, MSG_FREETEXT);
    EXPECT_EQ(CRect(added->m_nPosX, added->m_nPosY, added->m_nPosX2, added->m_nPosY2), CRect(350, 440, 20, 20));
    EXPECT_EQ(added->m_wHeadLen, 0);
    EXPECT_EQ(added->m_pParent, nullptr);
    Undo();
    EXPECT_EQ(Dump(), before);
}

TEST_F(TempTextMsgsTest, TextImageCoversTheDrawnText)
{
    CTempTextMsg text;
    text.Initialize("A rather long tempo text", 0, 24, 0);
    text.OnMouseMove({300, 300}, &View(), &Doc(), 100);
    CKVTextMsg copy;
    copy = text;
    CRect r(0, 0, 20, 20);
    const CSize drawn = copy.DrawMsg(&View(), &r, &Doc().m_CtrlTool, &Doc().m_FontDatas, 100, 1, 0);
    ASSERT_GT(drawn.cx, 20);
    EXPECT_EQ(text.m_rcBound, CRect(-10, -10, drawn.cx + 10, std::max<int>(20, drawn.cy) + 10));
    const auto texts = View().Log().Texts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.front()->rop2, R2_NOTXORPEN);
}

TEST_F(TempTextMsgsTest, DynamicsGoToTheMeasureOrThePage)
{
    CTempDynamicMsg dyn;
    dyn.m_wDuration = 5;
    ASSERT_EQ(dyn.BeginDrag({390, 290}, &Doc(), 100, nullptr, 0), 1);
    dyn.Drag(&View(), {400, 300});
    dyn.EndDrag({400, 300});
    ASSERT_EQ(Meas(1)->GetMsgNum(), 1);
    CKVMsg* added = Last(Meas(1));
    EXPECT_EQ(added->m_byKind, MSG_DYNAMIC);
    EXPECT_EQ(added->m_wDuration, 5);
    EXPECT_EQ(added->m_nPosX, 50);
    EXPECT_EQ(added->m_nPosY, 76);

    AddEmptyPage();
    CTempDynamicMsg loose;
    loose.m_wDuration = 2;
    loose.BeginDrag({400, 300}, &Doc(), 100, nullptr, 0);
    loose.EndDrag({410, 330});
    CKVPage* page = Doc().GetCurrentPage();
    ASSERT_EQ(page->GetMsgNum(), 1);
    EXPECT_EQ(page->m_arrMsg.GetAt(0)->m_byKind, MSG_DYNAMIC);
    EXPECT_EQ(CPoint(page->m_arrMsg.GetAt(0)->m_nPosX, page->m_arrMsg.GetAt(0)->m_nPosY), CPoint(360, 270));
}

TEST_F(TempTextMsgsTest, TempoHandleChangesTheScoreOnlyOnTheDrop)
{
    CKVMsg* tempo = score->Symbol(Meas(0), MSG_TEMPO, 100, -20);
    tempo->m_nPosX2 = 30;
    tempo->m_nPosY2 = 0;
    PointCursorAt(tempo);
    const std::string before = Dump();

    CTempMetronomMsg t;
    ASSERT_EQ(t.BeginDrag({226, 206}, &Doc(), 100, tempo, 1), 1);
    EXPECT_EQ(t.GetOriginalPoint(), CPoint(194, 204));
    EXPECT_EQ(t.m_ptSecond, CPoint(224, 204));
    t.Drag(&View(), {236, 211});
    EXPECT_EQ(t.GetOriginalPoint(), CPoint(194, 204));
    EXPECT_EQ(t.m_ptSecond, CPoint(234, 209));
    EXPECT_EQ(tempo->m_nPosX2, 30);
    EXPECT_EQ(Dump(), before);
    t.EndDrag({236, 211});

    ASSERT_EQ(Meas(0)->GetMsgNum(), 1);
    CKVMsg* moved = Last(Meas(0));
    EXPECT_EQ(moved->m_byKind, MSG_TEMPO);
    EXPECT_EQ(CRect(moved->m_nPosX, moved->m_nPosY, moved->m_nPosX2, moved->m_nPosY2), CRect(100, -20, 40, 5));
    Undo();
    EXPECT_EQ(Dump(), before);

    // Without a moved mark nothing happens.
    CTempMetronomMsg idle;
    idle.Initialize();
    idle.OnMouseMove({100, 100}, &View(), &Doc(), 100);
    idle.BeginDrag({100, 100}, &Doc(), 100, nullptr, 0);
    idle.Drag(&View(), {200, 200});
    EXPECT_EQ(idle.EndDrag({200, 200}), 1);
    EXPECT_EQ(Dump(), before);
}

TEST_F(TempTextMsgsTest, MovedPageTextKeepsItsBoxAndHead)
{
    CTempTextMsg source;
    source.Initialize("Hello world", 0, 12, 0);
    CKVMsg text;
    text.m_byKind = MSG_FREETEXT;
    text.m_nPosX = 200;
    text.m_nPosY = 300;
    text.m_nPosX2 = 40;
    text.m_nPosY2 = 20;
    text.SetHead(source.m_wHeadLen, source.m_pHead);
    CKVMsg* placed = Doc().AddMsg(Doc().GetCurrentPage(), &text, 0, 0);
    ASSERT_NE(placed, nullptr);
    const std::string head = Head(*placed);
    ASSERT_FALSE(head.empty());
    const std::string before = Dump();

    CTempTextMsg t;
    t = *placed;
    // Page words (200, 300) are the view point (250, 360).
    ASSERT_EQ(t.BeginDrag({250, 360}, &Doc(), 100, placed, 0), 1);
    EXPECT_EQ(t.GetOriginalPoint(), CPoint(250, 360));
    t.Drag(&View(), {280, 375});
    EXPECT_EQ(t.EndDrag({280, 375}), 1);
    CKVPage* page = Doc().GetCurrentPage();
    ASSERT_EQ(page->GetMsgNum(), 1);
    CKVMsg* moved = page->m_arrMsg.GetAt(0);
    EXPECT_EQ(moved->m_byKind, MSG_FREETEXT);
    EXPECT_EQ(CRect(moved->m_nPosX, moved->m_nPosY, moved->m_nPosX2, moved->m_nPosY2), CRect(230, 315, 40, 20));
    EXPECT_EQ(Head(*moved), head);
    Undo();
    EXPECT_EQ(Dump(), before);
}

TEST_F(TempTextMsgsTest, TempoMarkMovesOrStretchesInItsMeasure)
{
    CKVMsg* tempo = score->Symbol(Meas(1), MSG_TEMPO, 50, -70);
    tempo->m_nPosX2 = 30;
    tempo->m_nPosY2 = 0;
    PointCursorAt(tempo);
    const std::string before = Dump();
    auto drop = [&](int handle, CPoint from, CPoint to) {
        CTempMetronomMsg t;
        ASSERT_EQ(t.BeginDrag(from, &Doc(), 100, Meas(1)->GetMsg(0), handle), 1);
        t.Drag(&View(), to);
        EXPECT_EQ(Meas(1)->GetMsg(0)->m_nPosX2, 30);
        EXPECT_EQ(t.EndDrag(to), 1);
        ASSERT_EQ(Meas(1)->GetMsgNum(), 1);
    };
    auto words = [&] {
        const CKVMsg* m = Meas(1)->GetMsg(0);
        return CRect(m->m_nPosX, m->m_nPosY, m->m_nPosX2, m->m_nPosY2);
    };

    drop(0, {402, 150}, {414, 144});
    EXPECT_EQ(words(), CRect(62, -76, 30, 0));
    Undo();
    EXPECT_EQ(Dump(), before);

    PointCursorAt(Meas(1)->GetMsg(0));
    drop(1, {431, 150}, {451, 160});
    EXPECT_EQ(words(), CRect(50, -70, 50, 10));
    Undo();
    EXPECT_EQ(words(), CRect(50, -70, 30, 0));
}

TEST_F(TempTextMsgsTest, LyricSlidesSidewaysAndStopsAtTheLeft)
{
    CKVMsg* note = score->Note(Meas(1), {.x = 0, .y = -8});
    CKVMsg* lyric = score->Symbol(note, MSG_LYRIC, 10, 30);
    const unsigned char head[] = {0, 0, 0, 0, 12, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 'l', 0, 'a', 0};
    lyric->SetHead(sizeof head, const_cast<unsigned char*>(head));
    lyric->MakeMsgCtrlPoint();
    lyric->m_nPosX2 = 400;
    lyric->m_nPosY2 = 300;
    PointCursorAt(lyric);
    const std::string before = Dump();

    host.HoldKey(VK_MENU);
    CTempLyricMsg t;
    t = *lyric;
    ASSERT_EQ(t.BeginDrag({405, 302}, &Doc(), 100, lyric, 0), 1);
    EXPECT_EQ(t.m_byAltState, 0);
    EXPECT_EQ(t.GetOriginalPoint(), CPoint(400, 300));
    t.Drag(&View(), {445, 350});
    EXPECT_EQ(t.GetOriginalPoint(), CPoint(440, 300));
    EXPECT_EQ(t.m_nPosX, 50);
    t.Drag(&View(), {-2000, 350});
    const int handleLeft = t.m_arrCtrlPoint.GetSize() > 0 ? t.m_arrCtrlPoint.GetAt(0)->m_rect.left : 0;
    // A = block left + measure left + note x + x word + handle left reaches 0.
    EXPECT_EQ(300 + t.m_nPosX + handleLeft, 0);
    EXPECT_EQ(t.GetOriginalPoint().y, 300);
    const short x = t.m_nPosX;
    t.EndDrag({-2000, 350});
    ASSERT_EQ(Last(Meas(1))->GetMsgNum(), 1);
    EXPECT_EQ(Last(Meas(1))->GetMsg(0)->m_nPosX, x);
    EXPECT_EQ(Last(Meas(1))->GetMsg(0)->m_nPosY, 30);
    Undo();
    EXPECT_EQ(Dump(), before);

    CTempLyricMsg none;
    EXPECT_EQ(none.BeginDrag({0, 0}, &Doc(), 100, nullptr, 0), -1);
    EXPECT_EQ(none.EndDrag({0, 0}), 1);
    EXPECT_EQ(Dump(), before);
}

TEST_F(TempTextMsgsTest, StaffNameStaysInsideThePrintableArea)
{
    CTempStaffNameMsg t;
    t.m_byKind = MSG_STAFFNAME;
    const unsigned char name[] = "Piano";
    t.SetHead(5, const_cast<unsigned char*>(name));
    t.m_nPosX = 300;
    t.m_nPosY = 200;
    host.HoldKey(VK_MENU);
    ASSERT_EQ(t.BeginDrag({300, 200}, &Doc(), 100, nullptr, 0), 1);
    EXPECT_EQ(t.m_byAltState, 0);
    t.Drag(&View(), {320, 230});
    EXPECT_EQ(CPoint(t.m_nPosX2, t.m_nPosY2), CPoint(20, 30));
    ASSERT_GT(t.m_sizeText.cx, 0);
    t.Drag(&View(), {0, 0});
    EXPECT_EQ(t.GetOriginalPoint(), CPoint(50 + t.m_sizeText.cx, 60 + t.m_sizeText.cy));
    EXPECT_EQ(t.m_nPosX2, 50 + t.m_sizeText.cx - 300);
    const std::string before = Dump();
    EXPECT_EQ(t.EndDrag({0, 0}), 1);
    EXPECT_EQ(Dump(), before);

    CKVDoc empty;
    CTempStaffNameMsg lost;
    EXPECT_EQ(lost.BeginDrag({0, 0}, &empty, 100, nullptr, 0), -1);
}

} // namespace
