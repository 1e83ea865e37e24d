// Finding a symbol under a point: handles first, then the drawn outline,
// children before their holder, chord and group members, the staff's size,
// and the note under a rectangle.

#include "support/SymbolFixtures.h"

#include "model/KVCtrlPoint.h"
#include "document/KVDoc.h"
#include "harmony/ChordSymbol.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr POINT kFar {1000, 1000};
constexpr POINT kNoOrigin {0, 0};

class SymbolHitTest : public kvtest::MeasureScoreTest {
protected:
    static void SetHandle(CKVMsg* msg, int i, RECT r)
    {
        while (msg->m_arrCtrlPoint.GetSize() <= i)
            msg->m_arrCtrlPoint.Add(new CKVCtrlPoint);
        msg->m_arrCtrlPoint.GetAt(i)->m_rect = r;
    }
    static void EmptyHandles(CKVMsg* msg, int count)
    {
        for (int i = 0; i < count; ++i)
            SetHandle(msg, i, RECT {0, 0, 0, 0});
    }
    // A shape or line whose last drawing covered (0, 0)-(right, bottom).
    CKVMsg* Drawn(BYTE kind, short right, short bottom, LONG thickness = 1)
    {
        CKVMsg* msg = score->Symbol(meas, kind, 0);
        msg->m_nLayout4 = 0;
        msg->m_nLayout1 = 0;
        msg->m_nLayout3 = right;
        msg->m_nLayout2 = bottom;
        msg->m_lHeight = thickness;
        return msg;
    }

};

TEST_F(SymbolHitTest, DottedEighthIsHitAtItsHeadAndAtItsShiftedDots)
{
    CKVMsg* note = score->Note(meas, {.x = 0, .code = DUR_EIGHTH, .dots = 1});
    note->m_lHeight = -40;
    note->m_nLayout3 = 24;
    note->MakeMsgCtrlPoint();
    Doc().m_pLastGroup = nullptr;

    EXPECT_EQ(note->GetCtrlPoint(POINT {10, 0}, kNoOrigin, kAllHandles, kFirstPair), 1);
    EXPECT_EQ(note->m_cPointedCtrl, 0);
    EXPECT_EQ(CPoint(Doc().m_ptPointed), CPoint(10, 0));

    host.HoldKey(VK_LBUTTON);
    EXPECT_EQ(note->GetCtrlPoint(POINT {12, 2}, kNoOrigin, kAllHandles, kFirstPair), 1);
    EXPECT_EQ(CPoint(Doc().m_ptPointed), CPoint(10, 0));
    host.ReleaseKey(VK_LBUTTON);

    // The dots are drawn half a space further right outside a group.
    EXPECT_EQ(note->GetCtrlPoint(POINT {50, -4}, kNoOrigin, kHeadOnly, kFirstPair), 0);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(note->GetCtrlPoint(POINT {50, -4}, kNoOrigin, kAllHandles, kFirstPair), 1);
    EXPECT_EQ(note->m_cPointedCtrl, 2);
    // The tests never move the stored handle.
    EXPECT_EQ(note->m_arrCtrlPoint.GetAt(2)->m_rect, CRect(32, -12, 48, 4));
    // Inside a group the dots stand where they are stored.
    Doc().m_pLastGroup = note;
    EXPECT_EQ(note->GetCtrlPoint(POINT {50, -4}, kNoOrigin, kAllHandles, kFirstPair), 0);
}

TEST_F(SymbolHitTest, ShiftDecidesHowABeamHandleReshapes)
{
    CKVMsg* group = score->Beam(meas, {.x = 0});
    EmptyHandles(group, 3);
    SetHandle(group, 1, RECT {0, -5, 10, 5});
    host.HoldKey(VK_SHIFT);
    EXPECT_EQ(group->GetCtrlPoint(POINT {5, 0}, kNoOrigin, kAllHandles, kSecondPair), 1);
    EXPECT_EQ(group->m_arrCtrlPoint.GetAt(1)->m_wKind, CKVCtrlPoint::kReshape);
    host.ReleaseKey(VK_SHIFT);
    EXPECT_EQ(group->GetCtrlPoint(POINT {5, 0}, kNoOrigin, kAllHandles, kSecondPair), 1);
    EXPECT_EQ(group->m_arrCtrlPoint.GetAt(1)->m_wKind, CKVCtrlPoint::kReshapeAlt);
}

TEST_F(SymbolHitTest, HandlesCompareAtTheStaffsSize)
{
    score->Staff(0)->m_wObjWord = 75;
    CKVMsg* note = score->Note(meas, {.x = 0});
    EXPECT_EQ(note->GetCtrlPoint(POINT {10, 5}, kNoOrigin, kAllHandles, kFirstPair), 1);
    EXPECT_EQ(note->GetCtrlPoint(POINT {10, 7}, kNoOrigin, kAllHandles, kFirstPair), 0);

    CKVMsg* line = score->Symbol(meas, MSG_LINE, 0);
    CRect out;
    CRect in(47, 37, 53, 43);
    line->ConvertRectByZoom(in, out, 1);
    EXPECT_EQ(out, CRect(47, 27, 53, 33));

    CKVMsg* text = score->Symbol(meas, MSG_FREETEXT, 0);
    CRect box(2, 2, 102, 42);
    text->ConvertRectByZoom(box, out, 0);
    EXPECT_EQ(out, box);

    auto* chord = new CChordSymbol;
    chord->m_byKind = MSG_CHORDSYMBOL;
    chord->m_FretBoard.m_nPosY = -30;
    meas->AddMsg(chord, 1, 1);
    score->Staff(0)->m_wObjWord = 80;
    CRect fret(0, -30, 0, -30);
    chord->ConvertRectByZoom(fret, out, 1);
    EXPECT_EQ(out, CRect(0, -24, 0, -24));

    // A size of 0 scales nothing.
    score->Staff(0)->m_wObjWord = 0;
    CRect head(0, -8, 20, 8);
    note->ConvertRectByZoom(head, out, 0);
    EXPECT_EQ(out, head);
    line->ConvertRectByZoom(in, out, 1);
    EXPECT_EQ(out, in);
}

TEST_F(SymbolHitTest, OutlinesAreHitWhereTheyAreDrawn)
{
    CKVMsg* line = Drawn(MSG_LINE, 100, 100);
    EXPECT_EQ(line->GetCtrlPoint(kFar, POINT {50, 50}, kAllHandles, kFirstPair), 1);
    EXPECT_EQ(line->m_cPointedCtrl, 2);
    EXPECT_EQ(line->GetCtrlPoint(kFar, POINT {50, 20}, kAllHandles, kFirstPair), 0);

    CKVMsg* ellipse = Drawn(MSG_ELLIPSE, 100, 40);
    EXPECT_EQ(ellipse->GetCtrlPoint(kFar, POINT {50, 1}, kAllHandles, kFirstPair), 1);
    EXPECT_EQ(ellipse->m_cPointedCtrl, 4);
    EXPECT_EQ(ellipse->GetCtrlPoint(kFar, POINT {50, 20}, kAllHandles, kFirstPair), 0);

    CKVMsg* rectangle = Drawn(MSG_RECTANGLE, 100, 40);
    EXPECT_EQ(rectangle->GetCtrlPoint(kFar, POINT {0, 20}, kAllHandles, kFirstPair), 1);
    EXPECT_EQ(rectangle->m_cPointedCtrl, 4);
    EXPECT_EQ(rectangle->GetCtrlPoint(kFar, POINT {-10, 20}, kAllHandles, kFirstPair), 0);

    // Narrower than twice its line: never hit by its outline.
    CKVMsg* thin = Drawn(MSG_ELLIPSE, 5, 40, 3);
    for (POINT at : {POINT {0, 20}, POINT {2, 0}, POINT {5, 20}})
        EXPECT_EQ(thin->GetCtrlPoint(kFar, at, kAllHandles, kFirstPair), 0);

    CKVMsg* bezier = Drawn(MSG_BEZIER, 100, 100);
    EXPECT_EQ(bezier->GetCtrlPoint(kFar, POINT {50, 50}, kAllHandles, kFirstPair), 0);
    EXPECT_EQ(bezier->GetCtrlPoint(POINT {1, 1}, POINT {50, 50}, kAllHandles, kFirstPair), 1);
}

TEST_F(SymbolHitTest, EachLineShapeReportsItsPart)
{
    CKVMsg* curve = Drawn(MSG_CURVE, 100, 100);
    CKVMsg* zigzagN = Drawn(MSG_ZIGZAG_N, 100, 100);
    zigzagN->m_wObjWord = 10;
    CKVMsg* hairpin = Drawn(MSG_HAIRPIN, 100, 40);
    hairpin->m_nPosX2 = 20; // the opening's middle
    CKVMsg* zigzagM = Drawn(MSG_ZIGZAG_M, 0, 100);
    zigzagM->m_nLayout3 = 50; // peak
    zigzagM->m_nLayout1 = 40; // base line
    zigzagM->m_wObjWord = 20;
    const struct {
        CKVMsg* msg;
        POINT on;
        POINT off;
        int part;
    } cases[] = {{curve, {50, 0}, {50, 50}, 0},
                 {curve, {100, 60}, {60, 60}, 0},
                 {zigzagN, {50, 50}, {20, 70}, 2},
                 {zigzagN, {0, -5}, {10, -5}, 2},
                 {hairpin, {50, 10}, {50, 20}, 3},
                 {zigzagM, {20, 40}, {20, 20}, 0},
                 {zigzagM, {50, 20}, {50, 35}, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.msg->m_byKind));
        EXPECT_EQ(c.msg->GetCtrlPoint(kFar, c.on, kAllHandles, kFirstPair), 1);
        EXPECT_EQ(c.msg->m_cPointedCtrl, c.part);
        EXPECT_EQ(c.msg->GetCtrlPoint(kFar, c.off, kAllHandles, kFirstPair), 0);
    }
}

TEST_F(SymbolHitTest, PageSlurIsHitAlongItsCurveWithinItsSpan)
{
    CKVMsg* slur = score->Symbol(meas, MSG_PAGESLUR, 0);
    slur->m_wObjWord = 100; // middle point
    slur->m_dwWord = static_cast<DWORD>(-40);
    slur->m_nPosX2 = 200;   // end
    slur->m_nPosY2 = 0;
    EXPECT_EQ(slur->GetCtrlPoint(kFar, POINT {100, -38}, kAllHandles, kFirstPair), 1);
    EXPECT_EQ(slur->m_cPointedCtrl, 2);
    EXPECT_EQ(slur->GetCtrlPoint(kFar, POINT {100, 0}, kAllHandles, kFirstPair), 0);
    EXPECT_EQ(slur->GetCtrlPoint(kFar, POINT {300, 0}, kAllHandles, kFirstPair), 0);
}

TEST_F(SymbolHitTest, TieIsOfferedByEachNoteItsOwnPair)
{
    CKVMsg* a = score->Note(meas, {.x = 0});
    CKVMsg* b = score->Note(meas, {.x = 128});
    CKVMsg* tie = score->Tie(a, b);
    EmptyHandles(tie, 4);
    SetHandle(tie, 2, RECT {300, 80, 320, 90});
    SetHandle(tie, 0, RECT {400, 80, 420, 90});
    tie->m_pParent = b;

    ptLastPointed = POINT {310, 85};
    EXPECT_EQ(a->GetCtrlPointedMsg(kFar, kAllHandles, kNoOrigin, kSecondPair), tie);
    EXPECT_EQ(tie->m_cPointedCtrl, 2);
    EXPECT_EQ(tie->m_pParent, a);

    ptLastPointed = POINT {410, 85};
    EXPECT_EQ(a->GetCtrlPointedMsg(kFar, kAllHandles, kNoOrigin, kSecondPair), nullptr);
    EXPECT_EQ(b->GetCtrlPointedMsg(kFar, kAllHandles, kNoOrigin, kSecondPair), tie);
    EXPECT_EQ(tie->m_cPointedCtrl, 0);
}

TEST_F(SymbolHitTest, LyricIsHitOnItsShownLineOnly)
{
    const BYTE lines[] = {40, 0, 0x00, 0x80}; // {40, -32768}
    meas->SetHead(4, const_cast<BYTE*>(lines));
    CKVMsg* note = score->Note(meas, {.x = 0, .y = -16});
    for (short line : {0, 1, 9}) {
        CKVMsg* lyric = score->Symbol(note, MSG_LYRIC, 0, line);
        SetHandle(lyric, 0, RECT {-16, 0, 16, 32});
        CKVMsg* hit = note->GetCtrlPointedMsg(POINT {13, 66}, kAllHandles, kNoOrigin, kSecondPair);
        EXPECT_EQ(hit, line == 0 ? lyric : nullptr) << line;
        score->MakeStale(lyric);
    }
}

TEST_F(SymbolHitTest, GroupAndChordMembersAreFoundAndRemembered)
{
    CKVMsg* group = score->Beam(meas, {.x = 0});
    CKVMsg* note = score->Note(group, {.x = 0, .code = DUR_EIGHTH});
    CKVMsg* chord = score->Chord(group, {.x = 100, .code = DUR_EIGHTH}, {0, -40});
    CKVMsg* upper = chord->GetMsg(1)->m_nPosY == -40 ? chord->GetMsg(1) : chord->GetMsg(0);

    EXPECT_EQ(group->GetCtrlPointedChordBeamMsg(POINT {5, 0}, kNoOrigin, kAllHandles), note);
    EXPECT_EQ(Doc().m_pLastGroup, group);

    Doc().m_pLastGroup = nullptr;
    EXPECT_EQ(group->GetCtrlPointedChordBeamMsg(POINT {105, -40}, kNoOrigin, kAllHandles), upper);
    EXPECT_EQ(Doc().m_pLastGroup, group);
    EXPECT_EQ(Doc().m_pLastMember, chord);
    // Groups and chords are not offered by the plain test.
    EXPECT_EQ(group->GetCtrlPointedMsg(POINT {5, 0}, kAllHandles, kNoOrigin, kSecondPair), nullptr);
}

TEST_F(SymbolHitTest, ChordReferringToItselfEndsTheWalk)
{
    CKVMsg* chord = score->Chord(meas, {.x = 0}, {0, -16});
    chord->m_arrMsgRef.Add(new MsgRef {chord->m_dwMsgId, 0});
    EXPECT_EQ(chord->GetCtrlPointedChordBeamMsg(kFar, kNoOrigin, kAllHandles), nullptr);
    chord->MakeNoteMarkCtrl();
    chord->UpdateMsgCtrlRect();
}

TEST_F(SymbolHitTest, RectangleFindsTheNoteAnchoredInIt)
{
    CKVMsg* note = score->Note(meas, {.x = 64, .y = -12});
    EXPECT_EQ(note->GetPointedNoteMsg(RECT {60, -10, 70, -5}), note);
    EXPECT_EQ(note->GetPointedNoteMsg(RECT {60, -8, 70, -2}), nullptr);
    CKVMsg* chord = score->Chord(meas, {.x = 64, .y = -12}, {-12});
    EXPECT_EQ(chord->GetMsg(0)->GetPointedNoteMsg(RECT {60, -10, 70, -5}), nullptr);
}

TEST_F(SymbolHitTest, ChordSymbolHandlesAreHitOnlyForTheirShownParts)
{
    auto* chord = new CChordSymbol;
    meas->AddMsg(chord, 1, 1);
    SetHandle(chord, 0, RECT {0, 0, 10, 10});
    SetHandle(chord, 1, RECT {20, 0, 30, 10});
    SetHandle(chord, 2, RECT {40, 0, 50, 10});
    const POINT name {5, 5};
    const POINT fret {25, 5};
    const POINT rhythm {45, 5};

    // A new chord symbol shows its name only and has no rhythm.
    EXPECT_EQ(chord->GetCtrlPoint(name, kNoOrigin, kAllHandles, kFirstPair), 1);
    EXPECT_EQ(chord->m_cPointedCtrl, 0);
    EXPECT_EQ(chord->GetCtrlPoint(fret, kNoOrigin, kAllHandles, kFirstPair), 0);
    EXPECT_EQ(chord->GetCtrlPoint(rhythm, kNoOrigin, kAllHandles, kFirstPair), 0);

    chord->m_bShowName = FALSE;
    chord->m_bShowFret = TRUE;
    chord->m_pRhythm = new CRhythm;
    EXPECT_EQ(chord->GetCtrlPoint(name, kNoOrigin, kAllHandles, kFirstPair), 0);
    EXPECT_EQ(chord->GetCtrlPoint(fret, kNoOrigin, kAllHandles, kFirstPair), 1);
    EXPECT_EQ(chord->m_cPointedCtrl, 1);
    EXPECT_EQ(chord->GetCtrlPoint(rhythm, kNoOrigin, kAllHandles, kFirstPair), 1);
    EXPECT_EQ(chord->m_cPointedCtrl, 2);

    // A plain symbol of the chord-symbol kind has no chord part: only its
    // first handle counts.
    CKVMsg* plain = score->Symbol(meas, MSG_CHORDSYMBOL, 0);
    SetHandle(plain, 0, RECT {0, 0, 10, 10});
    SetHandle(plain, 1, RECT {20, 0, 30, 10});
    EXPECT_EQ(plain->GetCtrlPoint(name, kNoOrigin, kAllHandles, kFirstPair), 1);
    EXPECT_EQ(plain->GetCtrlPoint(fret, kNoOrigin, kAllHandles, kFirstPair), 0);
}

} // namespace
