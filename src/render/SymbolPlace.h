#pragma once
// Where a drawer puts a symbol and what it writes back into it: the symbol
// point (in a measure at its measure position with the y word scaled to the
// staff; on a page at its words), and handle rectangles, which are set only
// for handles the symbol already has.

#include "Platform.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "render/ScoreView.h"

namespace symbolplace {

inline CKVMeas* ParentMeas(const CKVMsg& msg)
{
    return msg.m_byParentKind == OBJ_MEAS ? static_cast<CKVMeas*>(msg.m_pParent) : nullptr;
}

// `scalePageY` scales a page symbol's y word as well.
inline CPoint SymbolPoint(const CScoreView& view, CKVMsg& msg, bool scalePageY = false)
{
    const int scaledY = MulDiv(msg.m_nPosY, view.m_nSizePercent, 100);
    if (CKVMeas* meas = ParentMeas(msg))
        return CPoint(view.m_lOrgX + meas->GetRealPosX(&msg), view.m_lOrgY + scaledY);
    return CPoint(view.m_lOrgX + msg.m_nPosX, view.m_lOrgY + (scalePageY ? scaledY : msg.m_nPosY));
}

inline void SetHandle(CKVMsg& msg, int index, const CRect& rect)
{
    if (index >= 0 && index < msg.m_arrCtrlPoint.GetSize() && msg.m_arrCtrlPoint.GetAt(index))
        msg.m_arrCtrlPoint.GetAt(index)->m_rect = rect;
}

} // namespace symbolplace
