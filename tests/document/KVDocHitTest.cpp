// Points on a laid-out page: which staff, measure, note or handle lies
// there, the mouse cursor's beat and tick, and the step-entry caret.

#include "model/KVCtrlPoint.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVPage.h"
#include "timing/TieLinks.h"
#include "support/UndoSupport.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using kvtest::NoteShape;

class KVDocHitTest : public kvtest::PagedScoreTest {
protected:
    CKVPage* Page(int i) { return Doc().GetPage(static_cast<short>(i)); }
    CKVBlock* Block(int i) { return Page(0)->GetBlock(static_cast<short>(i)); }
    CKVMsg* B4(int staff, int meas, short x) { return score->Note(score->Meas(staff, meas), {.x = x, .y = -12}); }
};

TEST_F(KVDocHitTest, LayoutIsTheOneTheTestsAssume)
{
    EXPECT_EQ(Page(0)->m_rcPrint.TopLeft(), CPoint(83, 75));
    EXPECT_EQ(CRect(Block(0)->m_rcBlock), CRect(38, 75, 521, 171));
    EXPECT_EQ(Block(0)->m_arrStaffY.GetAt(1), 96);
    EXPECT_EQ(Block(1)->m_rcBlock.top, 232);
}

TEST_F(KVDocHitTest, SystemsAndStaves)
{
    CKVDoc& doc = Doc();
    EXPECT_EQ(doc.GetPointedStaff({118, 87}), score->Staff(0));
    EXPECT_EQ(doc.m_pCurBlock, Block(0));
    EXPECT_EQ(doc.m_pCurMeas, score->Meas(0, 0));
    EXPECT_EQ(doc.GetPointedStaff({118, 130}), nullptr);

    // An index that names no page answers nothing.
    doc.m_nCurPage = 9;
    short index = 0;
    POINT out {};
    EXPECT_EQ(doc.GetPointedSystem({118, 87}), nullptr);
    EXPECT_EQ(doc.GetPointedStaff({118, 87}), nullptr);
    EXPECT_EQ(doc.GetPointedNearMeas({118, 87}, &out, 1, nullptr), nullptr);
    EXPECT_EQ(doc.GetPointedNoteMsg({118, 87}, 0), nullptr);
    EXPECT_EQ(doc.GetPointMyMeas({118, 87}, &out), nullptr);
    EXPECT_EQ(doc.GetMidiKey({118, 87}), 0);
    EXPECT_EQ(doc.GetCtrlPointedMsg({118, 87}, 0, 1, {0, 0}), nullptr);
    EXPECT_EQ(doc.GetCtrlPointedStaff({38, 155}, &index, 1), nullptr);
    EXPECT_EQ(doc.GetCtrlPointedMeas({198, 75}, &index, 0, nullptr), nullptr);
    EXPECT_EQ(doc.GetCtrlPointedEnding({204, 79}, &index, 0), nullptr);
    EXPECT_EQ(doc.GetCusorMeas(), nullptr);
    EXPECT_EQ(doc.GetCusorPak(0), 0);
}

TEST_F(KVDocHitTest, NearestBlock)
{
    CKVDoc& doc = Doc();
    POINT out {};
    CKVBlock* block = nullptr;
    EXPECT_EQ(doc.GetPointedNearMeas({238, 200}, &out, 1, &block), score->Meas(1, 1));
    EXPECT_EQ(CPoint(out), CPoint(39, 29));
    EXPECT_EQ(block, Block(0));
    EXPECT_EQ(doc.m_nCurStaff, 1);
    EXPECT_EQ(doc.m_nCurMeas, 1);
    EXPECT_EQ(doc.m_nCaretMeasNum, 2);

    EXPECT_EQ(doc.GetPointedNearMeas({238, 202}, &out, 1, &block), score->Meas(0, 4));
    EXPECT_EQ(CPoint(out), CPoint(64, -54));
    EXPECT_EQ(block, Block(1));
    EXPECT_EQ(doc.m_nCaretMeasNum, 5);

    // Without the set-cursor flag the cursor stays.
    doc.GetPointedNearMeas({238, 200}, &out, 0, &block);
    EXPECT_EQ(doc.m_nCaretMeasNum, 5);

    // An ossia block at the same distance wins.
    CKVBlock* ossia = Page(0)->AddBlock(score->System(), 1, 1, POINT {1, 229}, 0);
    ASSERT_NE(ossia, nullptr);
    Page(0)->m_arrBlock.RemoveAt(Page(0)->m_arrBlock.GetSize() - 1);
    Page(0)->m_arrOssiaBlock.Add(ossia);
    ossia->m_byKind = CKVBlock::KIND_OSSIA;
    ossia->m_rcBlock = CRect(1, 229, 521, 260);
    doc.GetPointedNearMeas({238, 200}, &out, 0, &block);
    EXPECT_EQ(block, ossia);
}

TEST_F(KVDocHitTest, NotesAndHandlesUnderAPoint)
{
    CKVDoc& doc = Doc();
    CKVMsg* note = B4(0, 1, 64);
    EXPECT_EQ(doc.GetPointedNoteMsg({239, 87}, 0), note);
    EXPECT_EQ(doc.m_nCurMeas, 1);
    EXPECT_EQ(doc.m_nCaretMeasNum, 2);
    EXPECT_EQ(doc.GetPointedNoteMsg({244, 87}, 0), nullptr);
    EXPECT_EQ(doc.GetPointedNoteMsg({239, 87}, 2), nullptr);

    CKVMsg* tie = score->Tie(note, B4(0, 2, 0));
    tie->MakeMsgCtrlPoint();
    ASSERT_GE(tie->m_arrCtrlPoint.GetSize(), 3);
    // The handle is in page units: the hit-test compares the absolute point.
    tie->m_arrCtrlPoint.GetAt(2)->m_rect = CRect(310, 150, 330, 170);
    doc.m_nCaretMeasNum = 1;
    EXPECT_EQ(doc.GetCtrlPointedMsg({240, 85}, 0, 1, {0, 0}), tie);
    EXPECT_EQ(CPoint(ptLastPointed), CPoint(323, 160));

    // A page text under the point; the cursor stays.
    CKVMsg text;
    text.m_byKind = MSG_FREETEXT;
    text.m_nPosX = 200;
    text.m_nPosY = 600;
    text.m_nPosX2 = 100;
    text.m_nPosY2 = 40;
    CKVMsg* added = doc.AddMsg(Page(0), &text, 0, 0);
    const short caretMeas = doc.m_nCaretMeasNum;
    EXPECT_EQ(doc.GetCtrlPointedMsg({250, 620}, 0, 1, {0, 0}), added);
    EXPECT_EQ(doc.m_nCaretMeasNum, caretMeas);
}

TEST_F(KVDocHitTest, StaleChordIsForgottenByTheNextHit)
{
    CKVDoc& doc = Doc();
    CKVMsg* chord = score->Chord(score->Meas(0, 0), {.x = 0}, {-12, -18});
    CKVMsg* note = B4(0, 1, 64);
    doc.m_pLastMember = chord;
    EXPECT_EQ(doc.GetCtrlPointedMsg({239, 87}, 0, 1, {0, 0}), note);
    EXPECT_EQ(doc.m_pLastMember, nullptr);
    EXPECT_EQ(doc.m_pLastGroup, nullptr);
    doc.DeleteMsg(note, 1);
    EXPECT_EQ(tielink::IndexOfChild(*score->Meas(0, 1), note), -1);
}

TEST_F(KVDocHitTest, BlockMeasureAndEndingHandles)
{
    CKVDoc& doc = Doc();
    short index = 0;
    EXPECT_EQ(doc.GetCtrlPointedStaff({38, 155}, &index, 1), Block(0));
    EXPECT_EQ(index, 1);
    EXPECT_EQ(doc.m_pCurBlock, Block(0));
    EXPECT_EQ(doc.GetCtrlPointedStaff({300, 500}, &index, 1), nullptr);
    EXPECT_EQ(index, static_cast<short>(0xFFFF));

    unsigned char staff = 9;
    EXPECT_EQ(doc.GetCtrlPointedMeas({198, 75}, &index, 0, &staff), Block(0));
    EXPECT_EQ(index, 0);
    EXPECT_EQ(staff, 0);

    CKVMeas* meas = score->Meas(0, 1);
    auto* handle = new CKVCtrlPoint;
    handle->m_rect = CRect(0, 0, 20, 10);
    meas->m_arrCtrlPoint.Add(handle);
    EXPECT_EQ(doc.GetCtrlPointedEnding({204, 79}, &index, 0), meas);
    EXPECT_EQ(index, 0);
    meas->m_byEndingPos = 2;
    doc.GetCtrlPointedEnding({204, 79}, &index, 0);
    EXPECT_EQ(index, 3);
}

TEST_F(KVDocHitTest, KeysUnderAPoint)
{
    CKVDoc& doc = Doc();
    EXPECT_EQ(doc.GetMidiKey({118, 87}), 71);
    EXPECT_EQ(doc.GetMidiKey({118, 99}), 64);
    EXPECT_EQ(doc.GetMidiKey({118, 130}), 0);
}

TEST_F(KVDocHitTest, MouseCursorBeatsAndTicks)
{
    CKVDoc& doc = Doc();
    EXPECT_EQ(doc.GetCusorTicks(1), 0);
    doc.SetCusorInfo({238, 200});
    EXPECT_EQ(doc.m_pCusorBlock, Block(0));
    EXPECT_EQ(doc.m_pCusorMeas, score->Meas(1, 1));
    EXPECT_EQ(doc.m_nCusorStaff, 1);
    EXPECT_EQ(doc.m_nCusorMeas, 1);
    EXPECT_EQ(doc.m_nCusorX, 62);
    EXPECT_EQ(doc.m_nCusorY, 30);
    EXPECT_EQ(doc.GetCusorPak(1), 1);
    EXPECT_EQ(doc.GetCusorTicks(1), 233);
    doc.SetCusorInfo({238, 92});
    EXPECT_EQ(doc.m_nCusorY, -6);

    POINT out {};
    doc.GetPointedNearMeas({238, 200}, &out, 1, nullptr);
    EXPECT_EQ(doc.MousePosQuotize(&doc, {238, 200}, out), 1);
    EXPECT_EQ(CPoint(out), CPoint(39, 30));

    struct Case {
        short num;
        const char* text;
        short length;
        short x;
        short beat;
        short ticks;
    };
    const Case cases[] = {
        {4, "", 960, 256, 4, 240},
        {4, "", 960, 0, 1, 0},
        {4, "", 960, 128, 3, 0},
        {-1, "3+2+2", 840, 128, 4, 60},
        {-1, "0", 960, 100, 1, 375}, // no beats count as one
    };
    doc.JumpToMeas(1);
    CKVMeas* meas = doc.m_pCurMeas;
    for (const Case& c : cases) {
        meas->m_nTimeNum = c.num;
        std::snprintf(meas->m_szTimeNumText, sizeof meas->m_szTimeNumText, "%s", c.text);
        meas->m_nLength = c.length;
        doc.m_nCaretPos = c.x;
        EXPECT_EQ(doc.GetCusorPak(0), c.beat) << c.text << " x " << c.x;
        EXPECT_EQ(doc.GetCusorTicks(0), c.ticks) << c.text << " x " << c.x;
    }
}

TEST_F(KVDocHitTest, CaretPoint)
{
    CKVDoc& doc = Doc();
    int height = 0;
    doc.JumpToMeas(2);
    EXPECT_EQ(doc.m_ptCaret, CPoint(282, 174));
    const std::pair<short, CPoint> cases[] = {
        {128, {362, 174}}, {257, {441, 174}}, {256, {443, 174}}, {-5, {282, 174}}};
    for (const auto& [pos, point] : cases) {
        doc.m_nCaretPos = pos;
        EXPECT_EQ(doc.GetCaretPos(height), point) << pos;
        EXPECT_EQ(height, 24);
        EXPECT_EQ(doc.GetCaretOnMeas(), pos);
    }
    score->Staff(0)->m_byStaffKind = CKVStaff::KIND_FREE_LINE;
    score->Staff(0)->m_byLineCount = 3;
    doc.GetCaretPos(height);
    EXPECT_EQ(height, 12);

    doc.SetEditStatus({279, 87});
    EXPECT_EQ(doc.m_nCaretPos, 127);
    EXPECT_EQ(doc.m_nCaretMeasNum, 2);

    // A block without measures has no caret place.
    Block(0)->m_nMeasCount = 0;
    EXPECT_EQ(doc.GetCaretPos(height), CPoint(0, 0));
    Block(0)->m_nMeasCount = 3;
}

TEST_F(KVDocHitTest, CaretSteps)
{
    CKVDoc& doc = Doc();
    for (short x : {0, 64, 128, 192})
        B4(0, 0, x);
    doc.JumpToMeas(1);
    EXPECT_EQ(doc.OneStep(4), 0);
    EXPECT_EQ(doc.m_nCaretPos, 64);
    doc.m_nCaretPos = 192;
    EXPECT_EQ(doc.OneStep(4), 1);
    EXPECT_EQ(doc.m_nCaretMeasNum, 2);
    EXPECT_EQ(doc.m_nCaretPos, 0);
    EXPECT_EQ(doc.OneStep(3), 1);
    EXPECT_EQ(doc.m_nCaretMeasNum, 1);
    EXPECT_EQ(doc.m_nCaretPos, 192);
    doc.m_nCaretPos = 0;
    EXPECT_EQ(doc.OneStep(3), -1);
    EXPECT_EQ(doc.OneStep(0), -1);
    EXPECT_EQ(doc.OneStep(5), -1);
    doc.JumpToMeas(8);
    doc.m_nCaretPos = 192;
    EXPECT_EQ(doc.OneStep(4), -1);
    EXPECT_EQ(doc.m_nCaretMeasNum, 8);

    doc.JumpToMeas(2);
    EXPECT_EQ(doc.OneStep(1), -1);
    EXPECT_EQ(doc.OneStep(2), 1);
    EXPECT_EQ(doc.m_nCurStaff, 1);
    EXPECT_EQ(doc.m_ptCaret, CPoint(282, 246));
    doc.OneStep(2);
    EXPECT_EQ(doc.m_nCurBlock, 1);
    EXPECT_EQ(doc.m_nCurStaff, 0);
    EXPECT_EQ(doc.m_nCaretMeasNum, 5);
    EXPECT_EQ(doc.m_ptCaret, CPoint(257, 331));
    doc.OneStep(1);
    EXPECT_EQ(doc.m_nCurBlock, 0);
    EXPECT_EQ(doc.m_nCurStaff, 1);
    EXPECT_EQ(doc.m_ptCaret, CPoint(282, 246));

    doc.m_pCurBlock->m_byKind = CKVBlock::KIND_OSSIA;
    EXPECT_EQ(doc.OneStep(1), -2);
    EXPECT_EQ(doc.m_nCurStaff, 1);
}

} // namespace

namespace {

TEST_F(KVDocHitTest, AccidentalThroughAPointUndoesTheWholeTieChain)
{
    CKVDoc& doc = Doc();
    CKVMsg* a = B4(0, 0, 192);
    CKVMsg* b = B4(0, 1, 0);
    for (CKVMsg* note : {a, b}) {
        MidiNoteHead head = kvtest::ScoreBuilder::GetMidiHead(note);
        head.byKey = 71;
        kvtest::ScoreBuilder::SetMidiHead(note, head);
    }
    score->Tie(a, b);
    auto check = [&](BYTE accidental, int key, const char* when) {
        // The notes of the score, wherever undo left them.
        CKVMsg* first = score->Meas(0, 0)->GetMsg(0);
        CKVMsg* second = score->Meas(0, 1)->GetMsg(0);
        for (CKVMsg* note : {first, second}) {
            ASSERT_NE(note, nullptr) << when;
            EXPECT_EQ(note->m_byAccidental, accidental) << when;
            EXPECT_EQ(note->GetMidiKey(), key) << when;
        }
    };
    EXPECT_EQ(doc.SetSymbol(1, {156, 87}, ACCI_SHARP, 0, 1), 1);
    check(ACCI_SHARP, 72, "set");
    doc.MultiUndoStart();
    check(0, 71, "undone");
    doc.MultiRedoStart();
    check(ACCI_SHARP, 72, "redone");
    EXPECT_EQ(doc.SetSymbol(1, {400, 500}, ACCI_SHARP, 0, 1), 0);
}

} // namespace
