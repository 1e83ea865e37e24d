#pragma once
// Where a drawer puts a symbol and what it writes back into it: the symbol
// point (in a measure at its measure position with the y word scaled to the
// staff; on a page at its words), the coordinates it used, and handle
// rectangles, which are set only for handles the symbol already has.

#include "Platform.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "platform/ShortCast.h"
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

// The coordinates a line, shape or curve drawer used, written back into the
// symbol's four layout words for hit-testing and handle dragging: left (or
// start x) in layout word 4, top (start y) in 1, right (end x) in 3 and
// bottom (end y) in 2.
inline void WriteBackBox(CKVMsg& msg, int left, int top, int right, int bottom)
{
    msg.m_nLayout4 = TruncateToShort(left);
    msg.m_nLayout1 = TruncateToShort(top);
    msg.m_nLayout3 = TruncateToShort(right);
    msg.m_nLayout2 = TruncateToShort(bottom);
}

// The square handle around a point: three units to each side.
inline CRect HandleSquare(int x, int y)
{
    constexpr int half = 3;
    return CRect(x - half, y - half, x + half, y + half);
}

inline void SetHandle(CKVMsg& msg, int index, const CRect& rect)
{
    if (index >= 0 && index < msg.m_arrCtrlPoint.GetSize() && msg.m_arrCtrlPoint.GetAt(index))
        msg.m_arrCtrlPoint.GetAt(index)->m_rect = rect;
}

} // namespace symbolplace
