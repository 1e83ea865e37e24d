// The measure's rectangle relative to its block, and the order and spacing of
// the notes of a voice.

#include "model/KVMeas.h"

#include "document/KVDoc.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "model/PitchMath.h"
#include "model/TickMath.h"

#include <algorithm>
#include <vector>

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

void CKVMeas::NoteSpaceOrder(unsigned char voice, int unused, int passOn, int withGrace)
{
    UpdateStartTime(voice, unused, 0, passOn);
    for (DWORD id : tickmath::ChildIds(*this)) {
        CKVMsg* msg = tickmath::Resolve(*this, id);
        if (msg && (voice == 0 || msg->m_byVoice == voice))
            msg->NoteSpaceOrder();
    }
    if (!withGrace)
        return;

    // Each main note's grace notes go between it and the symbol before it.
    // The walk is copied: placing grace notes may rebuild it.
    ResetGetNextMsg(kChordsWhole, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
    const std::vector<DWORD> walk = measplace::WalkIds(*this);
    CKVDoc* doc = DocOf(*this);
    const int space = doc ? doc->m_nStaffSpace : nCurStaffSpace;
    short left = 0;
    for (DWORD id : walk) {
        CKVMsg* msg = tickmath::Resolve(*this, id);
        if (!msg || !tickmath::IsNoteRestChord(*msg) || tickmath::IsGrace(*msg))
            continue;
        SetGraceNotePosByStartTime(msg, left);
        left = static_cast<short>(msg->m_nPosX + 4 * space);
    }
}
