// Custom symbols drawn from their data block.

#include "render/ScoreView.h"

#include "ShortCast.h"
#include "model/CustomSymbol.h"
#include "render/SymbolPlace.h"

short CScoreView::DrawCustomSymbolMsg(CKVMsg& msg)
{
    if (!msg.m_pHead || msg.m_wHeadLen <= 0 || !m_pDC)
        return 0;
    CCustomSymbol symbol;
    // A block that stops reading early still draws what it completed.
    symbol.ReadBlock(msg.m_pHead, msg.m_wHeadLen, true);

    // The objects are placed on the page last drawn, unscaled.
    const POINT place {m_ptPrintTopLeft.x + msg.m_nPosX, m_ptPrintTopLeft.y + msg.m_nPosY};
    const POINT back {-place.x, -place.y};
    for (int i = 0; i < symbol.m_listObject.GetSize(); ++i) {
        if (CCustomSymbolObject* object = symbol.m_listObject.GetAt(i))
            object->OffsetStroke(place);
    }
    for (int i = 0; i < symbol.m_listObject.GetSize(); ++i) {
        CCustomSymbolObject* object = symbol.m_listObject.GetAt(i);
        if (!object)
            break;
        // The first item sits at its stored point; the others keep their
        // offsets relative to it.
        const POINT shift = FirstItemShift(*object);
        object->OffsetText(shift);
        const UINT align = m_pDC->SetTextAlign(0);
        object->DrawStroke(m_pDC, 0, 0, 0);
        object->OffsetText({-shift.x, -shift.y});
        m_pDC->SetTextAlign(align);
    }
    for (int i = 0; i < symbol.m_listObject.GetSize(); ++i) {
        if (CCustomSymbolObject* object = symbol.m_listObject.GetAt(i))
            object->OffsetStroke(back);
    }

    int left = m_lOrgX + msg.m_nPosX;
    if (CKVMeas* meas = symbolplace::ParentMeas(msg))
        left = static_cast<short>(m_lOrgX + meas->GetRealPosX(&msg));
    const int top = m_lOrgY + MulDiv(msg.m_nPosY, m_nSizePercent, 100);
    const int right = left + msg.m_nPosX2;
    const int bottom = top + MulDiv(msg.m_nPosY2, m_nSizePercent, 100);
    DrawCtrlRectOfMsg(&msg, left, top);
    msg.m_nLayout4 = TruncateToShort(left);
    msg.m_nLayout1 = TruncateToShort(top);
    msg.m_nLayout3 = TruncateToShort(right);
    msg.m_nLayout2 = TruncateToShort(bottom);
    return 1;
}
