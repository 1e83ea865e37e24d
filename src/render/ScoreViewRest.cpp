// Rests, rhythm slashes, multi-measure rests and the entry previews.

#include "render/ScoreView.h"

#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/MeasPlace.h"
#include "model/TickMath.h"
#include "model/GlyphTables.h"
#include "render/ViewGeometry.h"

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
    const BYTE glyph = code == DUR_HALF ? codeRest[DUR_WHOLE] : codeRest[code];

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

short CScoreView::DrawLongrest(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawLongrest");
    return 1;
}

short CScoreView::DrawPreviewRestEx(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawPreviewRestEx");
    return 1;
}

short CScoreView::DrawPreviewNoteEx(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawPreviewNoteEx");
    return 1;
}
