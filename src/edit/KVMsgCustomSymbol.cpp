// Reshaping a custom symbol by one of its handles.

#include "model/KVMsg.h"

#include "ShortCast.h"
#include "model/CustomSymbol.h"

#include <vector>

void CKVMsg::ModifyCustomSymbol(int handle, CPoint from, CPoint to)
{
    if (m_byKind != MSG_CUSTOM || !m_pHead)
        return;
    CCustomSymbol symbol;
    if (!symbol.ReadBlock(m_pHead, m_wHeadLen))
        return;
    CRect bounds;
    bool first = true;
    for (int i = 0; i < symbol.m_listObject.GetSize(); ++i) {
        CCustomSymbolObject* object = symbol.m_listObject.GetAt(i);
        if (!object)
            continue;
        int width = MulDiv(object->m_nPenWidth, from.x, to.x);
        object->m_nPenWidth = width == 0 ? 1 : width;
        object->ResizeObject(handle, from, to);
        const CRect rect = object->GetBoundingRect(0);
        if (first) {
            bounds = rect;
            first = false;
        } else {
            bounds.UnionRect(&bounds, &rect);
        }
    }
    // The block stays relative to the anchor: the anchor takes the corner
    // and the objects give it back.
    const POINT back {-bounds.left, -bounds.top};
    for (int i = 0; i < symbol.m_listObject.GetSize(); ++i) {
        if (CCustomSymbolObject* object = symbol.m_listObject.GetAt(i))
            object->OffsetStroke(back);
    }
    std::vector<unsigned char> block;
    if (!symbol.WriteBlock(block) || block.empty() || block.size() > 32767)
        return;
    if (SetHead(static_cast<short>(block.size()), block.data()) <= 0)
        return;
    m_nPosX = ClampToShort(m_nPosX + bounds.left);
    m_nPosY = ClampToShort(m_nPosY + bounds.top);
    m_wDuration = m_wHeadLen;
    m_wFlag = m_wHeadLen;
    MakeMsgCtrlPoint();
}
