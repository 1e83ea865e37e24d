// Rests, rhythm slashes, multi-measure rests and the entry previews.

#include "render/ScoreView.h"

#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/MeasPlace.h"
#include "model/TickMath.h"
#include "model/DrawnText.h"
#include "model/GlyphTables.h"
#include "model/TextHelpers.h"
#include "render/GdiSelection.h"
#include "render/ViewGeometry.h"

#include <cstdlib>

namespace {

constexpr WORD kSlashRest = 2; // note-head type of a rhythm slash
constexpr WORD kFlagShownAbove = MSGFLAG_STAFF_UP;
constexpr WORD kFlagShownBelow = MSGFLAG_STAFF_DOWN;
// The lift of a rest's dots by duration code, in eighths of a space; codes
// from 9 on have no rest.
constexpr int kRestCodes = 9;
constexpr int kDotLift[kRestCodes] = {0, 0, 0, 0, 0, -8, -16, -24, -32};

// Whole and half rests off the staff's middle get a short line through
// their glyph, as do all of them on one-line staves.
bool NeedsStroke(int code, int y, int sp, int S, BYTE staffKind)
{
    if (code != DUR_WHOLE && code != DUR_HALF)
        return false;
    const bool oneLine = staffKind == CKVStaff::KIND_DRUM_SECOND || staffKind == CKVStaff::KIND_ONE_LINE;
    const int spaces = S > 0 ? y / S : 0;
    return sp < y || (code == DUR_HALF && y > 0) || (code == DUR_WHOLE && spaces < -3) ||
           (code == DUR_HALF && spaces < -4) || (oneLine && y != -sp);
}

// The glyph of a rest: a half rest is the whole-rest glyph, placed
// differently.
BYTE RestGlyph(int code)
{
    return code == DUR_HALF ? codeRest[DUR_WHOLE] : codeRest[code];
}

} // namespace

short CScoreView::DrawRest(CKVMsg& msg, BYTE preview)
{
    if (!m_bOpened)
        return 1;
    const int code = msg.m_wDuration;
    if (code >= kRestCodes)
        return -1;
    if (!m_pCtrlTool->IsRestVisible(msg.m_byVoice) && msg.m_byVoice != m_pCtrlTool->m_wActiveVoice)
        return 1;
    const BYTE glyph = RestGlyph(code);

    // A rest in a beam group is placed on its measure's scale like the notes.
    const int s = m_nSizePercent;
    CKVMeas* meas = tickmath::MeasureOf(&msg);
    int x = meas ? viewgeom::NoteX(m_lOrgX, meas->m_nRealWidth, msg.m_nPosX) : m_lOrgX + msg.m_nPosX;
    int y = m_lOrgY + MulDiv(msg.m_nPosY, s, 100);
    if ((msg.m_wFlag & kFlagShownBelow) && m_lDownStaffY != -1)
        y = m_lDownStaffY + MulDiv(msg.m_nPosY2, s, 100);
    else if ((msg.m_wFlag & kFlagShownAbove) && m_lUpStaffY != -1)
        y = m_lUpStaffY + MulDiv(msg.m_nPosY2, s, 100);
    const CPoint anchor(x, y);
    const COLORREF colour = GetColorByVoice(msg);
    const COLORREF oldColour = m_pDC->SetTextColor(colour);
    const int S = m_pDoc->m_nStaffSpace;
    const int sp = MulDiv(S, s, 100);
    const int half = MulDiv(sp, 1, 2);

    int w = 0;
    if (msg.m_wHeadType == kSlashRest) {
        DrawSlashRest(x, y + sp, colour, preview);
    } else {
        msg.m_nLayout1 = static_cast<short>(-m_pDoc->m_sizeRest[code].cx);
        if (code == DUR_WHOLE)
            y -= half;
        DrawTextOut(x, y, reinterpret_cast<const char*>(&glyph), 1, preview);
        w = GetTextExtent(static_cast<char>(glyph)).cx;
        if (NeedsStroke(code, msg.m_nPosY, sp, S, measplace::StaffKindOf(meas))) {
            const char stroke = static_cast<char>(codeRest[DUR_HALF]);
            DrawTextOut(x, code == DUR_WHOLE ? y - half : y, &stroke, 1, preview);
        }
        const int dots = msg.m_byDots & 0x7F;
        if (dots) {
            const char dot = static_cast<char>(codeDot);
            const int dotWidth = GetTextExtent(dot).cx;
            x += w + msg.m_nLayout3;
            const int dotY = y + MulDiv(kDotLift[code] - 4, sp * s, 800);
            for (int k = 0; k < dots; ++k, x += 2 * dotWidth)
                DrawTextOut(x, dotY, &dot, 1, preview);
            w = dotWidth;
        }
    }

    if (!preview) {
        const LONG orgX = m_lOrgX;
        const LONG orgY = m_lOrgY;
        KVSetOrgXY(anchor.x, anchor.y);
        DrawNoteMarks(msg, static_cast<short>(w), 0);
        DrawSubMsgs(msg, 1, 0);
        KVSetOrgXY(orgX, orgY);
    }
    m_pDC->SetTextColor(oldColour);
    if (!preview)
        DrawCtrlRectOfMsg(&msg, anchor.x, anchor.y);
    return 1;
}

void CScoreView::DrawSlashRest(int x, int y, COLORREF color, BYTE invert)
{
    if (!m_bOpened)
        return;
    const int g = m_nStaffSpace;
    CPen pen;
    pen.CreatePen(PS_SOLID, 1, color);
    CBrush brush;
    brush.CreateSolidBrush(color);
    CPen* oldPen = m_pDC->SelectObject(&pen);
    CBrush* oldBrush = m_pDC->SelectObject(&brush);
    const int oldRop = invert ? m_pDC->SetROP2(R2_NOTXORPEN) : 0;
    const POINT slash[4] = {{x, y}, {x + 2 * g, y - 2 * g}, {x + 2 * g + g / 4, y - 2 * g}, {x + g / 4, y}};
    m_pDC->Polygon(slash, 4);
    if (invert)
        m_pDC->SetROP2(oldRop);
    m_pDC->SelectObject(oldBrush);
    m_pDC->SelectObject(oldPen);
}

short CScoreView::DrawLongrest(CKVMsg& msg)
{
    CKVMeas* meas = tickmath::MeasureOf(&msg);
    if (!m_bOpened || !meas)
        return 1;
    const int gap = m_nStaffSpace;
    const int W = meas->m_nRealWidth;
    const int x1 = m_lOrgX + ((W * msg.m_nPosX) >> 8);
    const int x2 = m_lOrgX + ((W * msg.m_nPosX2) >> 8);
    const int y = m_lOrgY - 2 * gap; // the staff's middle line
    {
        drawntext::TextState state(m_pDC);
        m_pDC->SetTextColor(msg.m_crColor);
        {
            SelectedPen pen(m_pDC, PS_SOLID, 0, msg.m_crColor);
            SelectedBrush brush(m_pDC, msg.m_crColor);
            const POINT bar[4] = {{x1, y - gap / 2}, {x2 - 1, y - gap / 2}, {x2 - 1, y + gap / 2}, {x1, y + gap / 2}};
            m_pDC->Polygon(bar, 4);
        }
        m_pDC->SetTextAlign(TA_BASELINE | TA_RIGHT);
        const char stroke = static_cast<char>(codeLongRestBar);
        DrawTextOut(x1, m_lOrgY - gap, &stroke, 1, 0);
        DrawTextOut(x2, m_lOrgY - gap, &stroke, 1, 0);

        // The count: the settings' font stays as stored, only a copy is sized.
        LOGFONT face = m_pCtrlTool->m_lfMultiRest;
        face.lfHeight = -std::abs(MulDiv(face.lfHeight, m_nDpiY * m_nSizePercent, 7200));
        drawntext::TextState font(m_pDC);
        font.Select(face);
        m_pDC->SetTextAlign(TA_BASELINE | TA_CENTER);
        m_pDC->SetTextColor(m_pCtrlTool->MultiRestNumberColour());
        CString count;
        count.Format("%d", static_cast<int>(msg.m_wObjWord));
        DrawTextOut((x1 + x2) / 2, m_lOrgY - 4 * gap, count, 0);
    }
    DrawCtrlRectOfMsg(&msg, x1, y);
    return 1;
}

short CScoreView::DrawPreviewRestEx(CKVMsg& msg)
{
    const int code = msg.m_wDuration;
    if (code >= kRestCodes || codeRest[code] == 0)
        return -1;
    if (!m_bOpened)
        return 1;
    // The glyph is chosen as on the staff: a half rest is the whole-rest
    // glyph, not the ledger stroke that follows it in the table.
    const char glyph = static_cast<char>(RestGlyph(code));
    int x = m_lOrgX + msg.m_nPosX;
    int y = m_lOrgY + msg.m_nPosY;
    drawntext::TextState state(m_pDC);
    m_pDC->SetTextColor(msg.m_crColor);
    DrawTextOut(x, y, &glyph, 1, 0);
    const int dots = msg.m_byDots & 0x7F;
    if (dots) {
        const char dot = static_cast<char>(codeDot);
        SIZE glyphSize {0, 0};
        SIZE dotSize {0, 0};
        MyGetTextExtent(m_pDC, &glyph, 1, &glyphSize);
        MyGetTextExtent(m_pDC, &dot, 1, &dotSize);
        x += glyphSize.cx + msg.m_nLayout3;
        if (code > DUR_EIGHTH)
            y -= code * 8 - 32;
        for (int k = 0; k < dots; ++k, x += 2 * dotSize.cx)
            DrawTextOut(x, y, &dot, 1, 0);
    }
    return 1;
}

short CScoreView::DrawPreviewNoteEx(CKVMsg& msg)
{
    if (!m_bOpened)
        return 1;
    const short x = static_cast<short>(m_lOrgX + msg.m_nPosX);
    const short y = static_cast<short>(m_lOrgY + msg.m_nPosY);
    const short stem = static_cast<short>(msg.m_lHeight);
    const LONG orgX = m_lOrgX;
    const LONG orgY = m_lOrgY;
    const COLORREF oldColour = m_pDC->SetTextColor(msg.m_crColor);
    const short head = DrawHead(msg, x, y, stem, 1, 0);
    DrawNoteBar_Tail(msg, x, y, head, stem, 0, 0, 0);
    KVSetOrgXY(x, y);
    DrawNoteMarks(msg, head, 0);
    KVSetOrgXY(orgX, orgY);
    m_pDC->SetTextColor(oldColour);
    return 1;
}
