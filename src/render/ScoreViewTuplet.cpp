// Tuplet numbers and brackets, and tremolo strokes between two notes.

#include "render/ScoreView.h"

#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "model/TextHelpers.h"
#include "model/TickMath.h"
#include "render/BeamGeometry.h"
#include "render/SymbolPlace.h"
#include "model/GlyphTables.h"
#include "render/ViewGeometry.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

namespace {

constexpr WORD kShowRatio = 0x0100;
constexpr int kTupletHandles = 4;
constexpr int kHandleHalf = 3;
constexpr WORD kFlagShownAbove = MSGFLAG_STAFF_UP;
constexpr WORD kFlagShownBelow = MSGFLAG_STAFF_DOWN;

// Bracket styles, the low byte of a tuplet's flag word.
enum TupletStyle {
    kBracket = 0,
    kCurved = 1,
    kBrokenBracket = 2,
    kBrokenCurved = 3,
    kNumberOnly = 4,
    kNothing = 5,
};

// The tuplet digits of the number shown, with the colon of a ratio.
std::string TupletGlyphs(const CKVMsg& tuplet)
{
    char text[16];
    if (tuplet.m_wFlag & kShowRatio)
        std::snprintf(text, sizeof text, "%d:%d", tuplet.m_wObjWord & 0xFF, tuplet.m_wObjWord >> 8);
    else
        std::snprintf(text, sizeof text, "%d", tuplet.m_wObjWord & 0xFF);
    std::string glyphs;
    for (const char* c = text; *c; ++c)
        glyphs += static_cast<char>(*c == ':' ? codeTupletDoubleDot : codeTuplet[*c - '0']);
    return glyphs;
}

} // namespace

short CScoreView::DrawMeasTuplet(CKVMsg& tuplet)
{
    if (!m_bOpened)
        return 1;
    CKVSystem* system = tuplet.m_pSystem;
    CKVMsg* start = system ? system->GetMsgFromMap(tuplet.m_dwWord) : nullptr;
    CKVMsg* end = system ? system->GetMsgFromMap(static_cast<DWORD>(tuplet.m_lHeight)) : nullptr;
    if (!start || !end)
        return -1;
    if (tuplet.m_byReplace == 1)
        tuplet.TupletPosOrder();
    const bool single = start == end;
    if (single && tuplet.m_nPosX2 < 1)
        tuplet.m_nPosX2 = 10;

    // The ends, relative to the end note where the origin stands.
    const int s = m_nSizePercent;
    const CKVMeas* startMeas = tickmath::MeasureOf(start);
    const int width = startMeas ? startMeas->m_nRealWidth : 0;
    int x1 = m_lOrgX + MulDiv(tuplet.m_nPosX, s, 100) - ((width * (end->m_nPosX - start->m_nPosX)) >> 8);
    int x2 = m_lOrgX + MulDiv(tuplet.m_nPosX2, s, 100);
    int y1 = m_lOrgY + MulDiv(tuplet.m_nPosY - (end->m_nPosY - start->m_nPosY), s, 100) + start->m_nLayout1;
    int y2 = m_lOrgY + MulDiv(tuplet.m_nPosY2, s, 100) + end->m_nLayout1;
    if (x2 < x1) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    const int mx = (x1 + x2) >> 1;
    const int my = (y1 + y2) >> 1;

    CPen pen;
    if (!pen.CreatePen(PS_SOLID, MulDiv(1, m_nDpiY, 144), GetColorByVoice(tuplet)))
        return -1;
    const int style = tuplet.m_wFlag & 0xFF;
    const std::string glyphs = style != kNothing ? TupletGlyphs(tuplet) : std::string();
    int tw = 0;
    for (char glyph : glyphs)
        tw += GetTextExtent(glyph).cx;

    const int G = m_nStaffSpace;
    const int hook = tuplet.m_nLayout2;
    CPoint innerLeft(mx, my);
    CPoint innerRight(mx, my);
    if (style == kBrokenBracket || style == kBrokenCurved) {
        const int half = (tw + G) >> 1;
        innerLeft.x = mx - half;
        innerRight.x = mx + half;
        if (style == kBrokenBracket) {
            // The break follows the bracket's slope.
            const int e = x1 == x2 ? 0 : MulDiv(tw + G, (y2 - y1) * 16, (x2 - x1) * 32);
            innerLeft.y = my - e;
            innerRight.y = my + e;
        }
    }
    if (!single && x1 < x2 && innerLeft.x >= x1 && innerRight.x <= x2 && style < kNumberOnly) {
        CPen* oldPen = m_pDC->SelectObject(&pen);
        DrawTupletBracket(style, CPoint(x1, y1), CPoint(x2, y2), innerLeft, innerRight, hook);
        m_pDC->SelectObject(oldPen);
    }
    if (style != kNothing) {
        const COLORREF oldColour = m_pDC->SetTextColor(GetColorByVoice(tuplet));
        const UINT oldAlign = m_pDC->SetTextAlign(TA_BASELINE);
        DrawTupletNumber(glyphs.data(), static_cast<int>(glyphs.size()), mx + tuplet.m_nLayout4 - tw / 2,
                         my + tuplet.m_nLayout1);
        m_pDC->SetTextAlign(oldAlign);
        m_pDC->SetTextColor(oldColour);
        SetTupletHandles(tuplet, single, CPoint(x1, y1), CPoint(mx, my), CPoint(x2, y2),
                         start->m_nLayout1);
    }
    DrawCtrlRectOfMsg(&tuplet, x1, y1 - start->m_nLayout1);
    return 1;
}

void CScoreView::DrawTupletNumber(const char* glyphs, int count, int x, int y)
{
    for (int i = 0; i < count; ++i) {
        MyDrawTextOut(m_pDC, x, y, &glyphs[i], 1);
        x += GetTextExtent(glyphs[i]).cx;
    }
}

// Straight brackets run from each end along the hook to the inner ends;
// curved ones are a quarter ellipse on each side, on the hook's side.
void CScoreView::DrawTupletBracket(int style, CPoint left, CPoint right, CPoint innerLeft, CPoint innerRight,
                                   int hook)
{
    if (style == kBracket || style == kBrokenBracket) {
        m_pDC->MoveTo(left.x, left.y);
        m_pDC->LineTo(left.x, left.y + hook);
        m_pDC->LineTo(innerLeft.x, innerLeft.y + hook);
        m_pDC->MoveTo(innerRight.x, innerRight.y + hook);
        m_pDC->LineTo(right.x, right.y + hook);
        m_pDC->LineTo(right.x, right.y);
        return;
    }
    innerLeft.y += hook;
    innerRight.y += hook;
    // A quarter of the ellipse centred level with the outer end below the
    // inner end. Arcs run counter-clockwise: on the left a quarter below
    // goes from the outer end to the inner one, on the right from the inner
    // end to the outer one, and the other way round above.
    auto quarter = [&](CPoint outer, CPoint inner, bool leftSide) {
        const int rx = std::abs(inner.x - outer.x);
        const int ry = std::abs(inner.y - outer.y);
        const bool outerFirst = (inner.y > outer.y) == leftSide;
        const CPoint from = outerFirst ? outer : inner;
        const CPoint to = outerFirst ? inner : outer;
        DrawArc(inner.x - rx, outer.y - ry, inner.x + rx, outer.y + ry, from.x, from.y, to.x, to.y);
    };
    if (left.x < innerLeft.x && innerLeft.x < right.x)
        quarter(left, innerLeft, true);
    if (left.x < innerRight.x && innerRight.x < right.x)
        quarter(right, innerRight, false);
}

// Handles relative to the start of the bracket at the start note's head:
// 0 the number, 1 and 3 the ends, 2 the middle of the bracket. Tuplets read
// from files may hold fewer handles; the missing ones are made first.
void CScoreView::SetTupletHandles(CKVMsg& tuplet, bool single, CPoint start, CPoint middle, CPoint end, int reach)
{
    const int style = tuplet.m_wFlag & 0xFF;
    const int needed = (single || style == kNumberOnly) ? 1 : kTupletHandles;
    if (!GrowHandles(tuplet, needed))
        return;
    const int G = m_nStaffSpace;
    const int hook = tuplet.m_nLayout2;
    const int numberX = middle.x + tuplet.m_nLayout4 - start.x;
    const int numberY = reach + middle.y + tuplet.m_nLayout1 - start.y;
    if (CKVCtrlPoint* number = HandleAt(tuplet, 0))
        number->m_rect = CRect(numberX - kHandleHalf, numberY - G - kHandleHalf, numberX + kHandleHalf,
                               numberY - G / 2 + kHandleHalf);
    if (style == kNumberOnly)
        return;
    if (single) {
        tuplet.m_byCtrlCount = 1;
        if (CKVCtrlPoint* number = HandleAt(tuplet, 0))
            number->m_wKind = CKVCtrlPoint::kMoveWhole;
        return;
    }
    tuplet.m_byCtrlCount = kTupletHandles;
    if (CKVCtrlPoint* number = HandleAt(tuplet, 0))
        number->m_wKind = CKVCtrlPoint::kReshapeAlt;
    const CPoint at[3] = {{0, reach},
                          {middle.x - start.x, reach + middle.y - start.y + hook},
                          {end.x - start.x, reach + end.y - start.y}};
    for (int i = 1; i < kTupletHandles; ++i) {
        if (CKVCtrlPoint* handle = HandleAt(tuplet, i))
            handle->m_rect = symbolplace::HandleSquare(at[i - 1].x, at[i - 1].y);
    }
}

void CScoreView::DrawTremolo(CKVMsg& tremolo)
{
    if (!m_bOpened)
        return;
    CKVMeas* meas = tickmath::MeasureOf(&tremolo);
    if (!meas)
        return;
    CKVMsg* first = meas->GetNearestLeftOfX(tremolo.m_byVoice, static_cast<short>(tremolo.m_nPosX + 1), kNotesOnly,
                                            kChordsWhole);
    CKVMsg* second = meas->GetNearestRightOfX(tremolo.m_byVoice, tremolo.m_nPosX2, kNotesOnly, kChordsWhole);
    if (!first || !second)
        return;
    const int s = m_nSizePercent;
    const int x0 = m_lOrgX + meas->MeasXToAbsX(first->m_nPosX, MSG_NOTE);
    int xL = x0;
    int xR = m_lOrgX + meas->MeasXToAbsX(second->m_nPosX, MSG_NOTE);
    const int yL = m_lOrgY + MulDiv(tremolo.m_nPosY, s, 100);
    const int yR = m_lOrgY + MulDiv(tremolo.m_nPosY2, s, 100);
    if (xL == xR)
        return;

    // The value the tremolo shows; its head width places the stems.
    const int c = std::max(0, (first->m_wDuration & 0xFF) - 1);
    const BYTE head = GlyphAt(codeStdHead, c);
    const int Wh = head ? static_cast<int>(GetTextExtent(static_cast<char>(head)).cx) : 0;
    const int G = m_nStaffSpace;
    if (first->m_nPosY - tremolo.m_nPosY > -G || c < 2)
        xL += Wh;
    const bool up = first->m_nPosY > tremolo.m_nPosY;
    if (second->m_nPosY - tremolo.m_nPosY2 >= 1 && c >= 2)
        xR += Wh;
    double T = G / 2.0;
    double D = static_cast<int>((2 * G - T) / 2 + 0.5);
    if (!up) { // the strokes stack upwards from the line
        T = -T;
        D = -D;
    }
    // Strokes stand in by a gap at each end, less when the notes are close.
    int indent = G;
    const int room = xR - indent - (xL + indent);
    if (room < G) {
        indent = G - (G - room) / 2;
        if (xR - indent - (xL + indent) < 0)
            indent = 0;
    }

    const CKVStaff* staff = measplace::StaffOf(*meas);
    const int L = m_pDoc->m_nStaffSpace > 0 ? m_pDoc->m_nStaffSpace : 8;
    const int p = viewgeom::EffectivePercent(L, staff ? staff->m_wObjWord : 100);
    const COLORREF colour = GetColorByVoice(tremolo);
    double offset = 0;
    const int full = c >= 4 ? c - 3 : 0;
    for (int k = 0; k < full; ++k, offset += D)
        DrawPararellLine(xL, yL, xR, yR, xL, xR - xL, offset, T, colour);

    // The stems of both notes, reaching the line at each end.
    auto stem = [&](CKVMsg& note, int x, int lineY, int storedY) {
        int y = note.m_nPosY;
        const LONG other = (note.m_wFlag & kFlagShownBelow)   ? m_lDownStaffY
                           : (note.m_wFlag & kFlagShownAbove) ? m_lUpStaffY
                                                              : -1;
        if ((note.m_wFlag & (kFlagShownAbove | kFlagShownBelow)) && other != -1)
            y = other + MulDiv(note.m_nPosY2, s, 100) - m_lOrgY;
        const int length = MulDiv(y - storedY, p, 100);
        const UINT align = length > 0 ? m_pDC->SetTextAlign(TA_BASELINE | TA_RIGHT) : m_pDC->GetTextAlign();
        DrawNoteBar(static_cast<short>(x), static_cast<short>(lineY), length, 0, colour, note.m_wHeadType);
        m_pDC->SetTextAlign(align);
    };
    meas->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkOwnStaff, kWalkKeepAll);
    short cursor = 0;
    while (CKVMsg* note = meas->GetNextMsg(cursor)) {
        if (note->m_byKind != MSG_NOTE || note->m_byVoice != tremolo.m_byVoice || note->m_nPosX < tremolo.m_nPosX)
            continue;
        if (note->m_nPosX == tremolo.m_nPosX) {
            stem(*note, xL, yL, tremolo.m_nPosY);
        } else if (note->m_nPosX >= tremolo.m_nPosX2) {
            stem(*note, xR, yR, tremolo.m_nPosY2);
            break;
        }
    }

    for (int k = full; k < tremolo.m_wHeadType; ++k, offset += D)
        DrawPararellLine(xL, yL, xR, yR, xL + indent, xR - indent - (xL + indent), offset, T, colour);

    const int inset = c < 4 ? indent : 0;
    tremolo.SetTremoloCtrlPoint(xL + inset - x0, 0, xR - inset - x0, yR - yL, up ? 1 : 0);
}

void CScoreView::DrawPararellLine(int x1, double y1, int x2, double y2, int segX, int segWidth, double offset,
                                  double thickness, COLORREF colour)
{
    if (!m_bOpened)
        return;
    DrawBeamPiece(m_pDC, BeamPieceKind::Stroke, m_bPrinting, x1, y1, x2, y2, segX, segWidth, offset, thickness,
                  colour);
}
