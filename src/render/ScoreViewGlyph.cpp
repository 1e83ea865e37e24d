// Symbols drawn as glyphs: marks, codas, trills, arpeggios, clef and key changes.

#include "render/ScoreView.h"

#include "document/KVCtrlTool.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/GlyphTables.h"

short CScoreView::DrawSingle_Msg(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawSingle_Msg");
    return 1;
}

short CScoreView::DrawMark(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawMark");
    return 1;
}

short CScoreView::DrawGerneralFont(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawGerneralFont");
    return 1;
}

short CScoreView::DrawCoda(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawCoda");
    return 1;
}

short CScoreView::DrawCodaEx(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawCodaEx");
    return 1;
}

short CScoreView::DrawTrills(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawTrills");
    return 1;
}

short CScoreView::DrawRolled_chord(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawRolled_chord");
    return 1;
}

short CScoreView::DrawClef(CKVMsg& msg)
{
    if (!m_bOpened)
        return -1;
    const int clef = msg.m_wDuration;
    const STMARK record = GlyphAt(ClefTB, clef);
    if (record.byCode == 0)
        return -1;
    const COLORREF oldColour = m_pDC->SetTextColor(msg.m_crColor);
    const int gap = m_nStaffSpace;
    int x = m_lOrgX + msg.m_nPosX;
    int y = m_lOrgY + msg.m_nPosY;
    if (msg.m_byParentKind == OBJ_MEAS && msg.m_pParent) {
        CKVMeas& meas = *static_cast<CKVMeas*>(msg.m_pParent);
        if (msg.m_nPosX <= 0 && msg.m_byMark1 == 1)
            x = m_lOrgX + MulDiv(msg.m_nPosX, meas.GetRealWidth(), CKVMeas::SCALE) +
                MulDiv(m_pCtrlTool->ClefChangeShift(), MulDiv(gap, m_nBlockPercent, 100), 4);
        else
            x = m_lOrgX + meas.MeasXToAbsX(msg.m_nPosX, msg.m_byKind);
        y = m_lOrgY + MulDiv(msg.m_nPosY, m_nSizePercent, 100);
    }
    const int handleX = x;
    const int handleY = y;
    // The smaller clef of a change sits on the same staff line as the full one.
    switch (clef) {
    case 4: y -= 3 * gap - MulDiv(3, 2 * gap, 4); break;
    case 8: y -= MulDiv(13, gap, 8); break;
    case 2:
    case 7: y -= 3 * gap - MulDiv(3, 3 * gap, 4); break;
    default: y -= 2 * gap - MulDiv(3, 2 * gap, 4); break;
    }
    const HFONT oldFont = SelectFont(75);
    const char code = static_cast<char>(record.byCode);
    const int width = GetTextExtent(code).cx;
    DrawTextOut(x, y, &code, 1, 0);
    if (record.byCode2 != 0) {
        const char second = static_cast<char>(record.byCode2);
        DrawTextOut(x + MulDiv(record.nX, 3, 4), y + MulDiv(record.nY, 3 * gap, 32), &second, 1, 0);
    }
    m_pDC->SetTextColor(oldColour);
    DrawCtrlRectOfMsg(&msg, handleX, handleY);
    SelectFontObject(oldFont);
    return static_cast<short>(width);
}

short CScoreView::DrawKeysign(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawKeysign");
    return 1;
}

short CScoreView::ChangeKeySign(CKVMsg&)
{
    KV_PENDING("CScoreView::ChangeKeySign");
    return 1;
}
