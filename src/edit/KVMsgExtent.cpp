// The vertical extent of a symbol, for redraw rectangles.

#include "model/KVMsg.h"

#include "document/KVDoc.h"
#include "model/KVMeas.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"

#include <algorithm>

namespace {

// The y of the staff's top line (the bottom line is 0, upwards negative).
int TopLineY(CKVMsg& msg)
{
    CKVObject* node = msg.m_pParent;
    while (node && node->m_byObjKind == OBJ_MSG)
        node = node->m_pParent;
    int lines = 5;
    if (node && node->m_byObjKind == OBJ_MEAS) {
        if (CKVStaff* staff = measplace::StaffOf(*static_cast<CKVMeas*>(node)))
            lines = staff->m_byLineCount;
    }
    int space = nCurStaffSpace;
    if (msg.m_pSystem && msg.m_pSystem->m_pDoc)
        space = msg.m_pSystem->m_pDoc->m_nStaffSpace;
    return -(std::max(lines, 1) - 1) * space;
}

} // namespace

void CKVMsg::GetTopBottom(int& top, int& bottom, int flag)
{
    auto take = [&top, &bottom](int y) {
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    };
    auto children = [this, &top, &bottom](int childFlag) {
        for (int i = 0; i < m_arrMsgRef.GetSize(); ++i) {
            if (CKVMsg* child = measplace::ChildAt(*this, i))
                child->GetTopBottom(top, bottom, childFlag);
        }
    };
    switch (m_byKind) {
    case MSG_NOTE: {
        int y = m_nPosY;
        const int stem = static_cast<int>(m_lHeight);
        const int topLine = TopLineY(*this);
        // A stem only reaches beyond the head on the side away from the staff.
        if ((stem <= 0 && y < topLine) || (stem > 0 && y >= topLine))
            y += stem;
        take(y);
        children(1);
        break;
    }
    case MSG_BEAM:
        if (!flag) {
            take(m_nPosY);
            take(m_nPosY2);
        }
        children(flag);
        break;
    case MSG_CHORD:
        children(flag);
        break;
    default:
        break;
    }
}
