// The notes a measure shows on the staff above or below, and the measures
// above and below it.

#include "model/KVMeas.h"

#include "model/MeasPlace.h"
#include "model/PitchMath.h"

namespace {

bool Lists(const CDWordArray& list, DWORD id)
{
    for (int i = 0; i < list.GetSize(); ++i) {
        if (list.GetAt(i) == id)
            return true;
    }
    return false;
}

void RecordUpDown(CKVMeas& meas, CKVMsg& msg, int depth)
{
    if (msg.m_byKind == MSG_BEAM || msg.m_byKind == MSG_CHORD) {
        // A container is drawn where its members are; the members are listed.
        if (depth > 3)
            return;
        for (DWORD id : kvpitch::ChildIds(msg)) {
            if (CKVMsg* member = kvpitch::Resolve(msg, id))
                RecordUpDown(meas, *member, depth + 1);
        }
        return;
    }
    if (msg.m_byKind != MSG_NOTE && msg.m_byKind != MSG_REST)
        return;
    const DWORD id = msg.m_dwMsgId;
    if (id == 0 || Lists(meas.m_arrUpMsg, id) || Lists(meas.m_arrDownMsg, id))
        return;
    if (msg.m_wFlag & MSGFLAG_STAFF_UP)
        meas.m_arrUpMsg.Add(id);
    else if (msg.m_wFlag & MSGFLAG_STAFF_DOWN)
        meas.m_arrDownMsg.Add(id);
}

} // namespace

void CKVMeas::AddUpDownMsgArray(CKVMsg* msg)
{
    if (msg)
        RecordUpDown(*this, *msg, 0);
}

void CKVMeas::DeleteUpDownMsgArray(CKVMsg*)
{
    KV_PENDING("CKVMeas::DeleteUpDownMsgArray");
}

void CKVMeas::DeleteAllUpDownMsg(int, int)
{
    KV_PENDING("CKVMeas::DeleteAllUpDownMsg");
}

void CKVMeas::SetPosByUpDownStaff(int, int, int)
{
    KV_PENDING("CKVMeas::SetPosByUpDownStaff");
}

// The measure with this measure's index on the staff `offset` places away in
// the system. Ossia staves have no neighbours.
static CKVMeas* NeighbourMeas(CKVMeas& meas, int offset)
{
    CKVStaff* staff = measplace::StaffOf(meas);
    if (!staff || staff->m_byObjKind == OBJ_OSSIA_STAFF || !meas.m_pSystem)
        return nullptr;
    const int index = measplace::IndexOnStaff(staff, &meas);
    if (index < 0)
        return nullptr;
    CKVSystem* system = meas.m_pSystem;
    for (short s = 0; s < system->GetStaffNum(); ++s) {
        if (system->GetStaff(s) == staff)
            return measplace::MeasAt(system->GetStaff(static_cast<short>(s + offset)), index);
    }
    return nullptr;
}

CKVMeas* CKVMeas::GetUpMeas()
{
    return NeighbourMeas(*this, -1);
}

CKVMeas* CKVMeas::GetDownMeas()
{
    return NeighbourMeas(*this, 1);
}
