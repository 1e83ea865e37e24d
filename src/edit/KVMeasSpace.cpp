#include "model/KVMeas.h"

#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/MeasPlace.h"

#include <algorithm>

CRect CKVMeas::GetRealMeasRect(int flag)
{
    CRect area = m_rcMeas;
    int top = 0;
    int bottom = 0;
    for (int i = 0; i < m_arrMsgRef.GetSize(); ++i) {
        if (CKVMsg* msg = measplace::ChildAt(*this, i))
            msg->GetTopBottom(top, bottom, flag);
    }
    area.bottom = std::max<int>(area.bottom, m_nStaffY + bottom);
    CKVStaff* staff = measplace::StaffOf(*this);
    const int size = staff ? staff->m_wObjWord : 100;
    // Each edge grows from the rectangle as the previous edge left it.
    area.top -= MulDiv(area.Height(), size, 100);
    area.bottom += MulDiv(area.Height(), size, 100);
    area.left -= area.Width() / 2;
    area.right += area.Width() / 2;
    return area;
}

void CKVMeas::NoteSpaceOrder(unsigned char, int, int, int)
{
    KV_PENDING("CKVMeas::NoteSpaceOrder");
}
