#include "model/KVMeas.h"

#include "model/MeasPlace.h"

void CKVMeas::AddUpDownMsgArray(CKVMsg*)
{
    KV_PENDING("CKVMeas::AddUpDownMsgArray");
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
