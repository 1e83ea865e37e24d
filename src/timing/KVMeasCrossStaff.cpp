// The notes a measure shows on the staff above or below, and the measures
// above and below it.

#include "model/KVMeas.h"

#include "model/MeasPlace.h"
#include "model/PitchMath.h"
#include "model/KVSystem.h"
#include "model/TickMath.h"
#include "timing/CrossStaffList.h"

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
        // Listing members changes no child list, so the references are read
        // where they are.
        for (int i = 0; i < msg.m_arrMsgRef.GetSize(); ++i) {
            const MsgRef* ref = msg.m_arrMsgRef.GetAt(i);
            if (CKVMsg* member = ref ? tickmath::Resolve(msg, ref->dwMsgId) : nullptr)
                RecordUpDown(meas, *member, depth + 1);
        }
        return;
    }
    if (msg.m_byKind != MSG_NOTE && msg.m_byKind != MSG_REST)
        return;
    // Most notes stay on their staff: nothing to list, nor to look for.
    if (!(msg.m_wFlag & (MSGFLAG_STAFF_UP | MSGFLAG_STAFF_DOWN)))
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

static void Respell(CKVMeas* meas, int full)
{
    if (meas)
        meas->UpdateNoteKeySignature(kKeepSpelling, kKeepStep, kReorderChords, static_cast<short>(full));
}

// Brings a symbol back to its own staff: both flags cleared, placed there.
static void ReturnHome(CKVMsg& msg)
{
    msg.m_wFlag = static_cast<WORD>(msg.m_wFlag & ~(MSGFLAG_STAFF_UP | MSGFLAG_STAFF_DOWN));
    msg.SetPosByUpDownStaff(1, 0);
}

void CKVMeas::DeleteUpDownMsgArray(CKVMsg* msg)
{
    if (!msg)
        return;
    CKVMeas* neighbour = nullptr;
    if (crossstaff::Unlist(m_arrUpMsg, msg->m_dwMsgId))
        neighbour = GetUpMeas();
    else if (crossstaff::Unlist(m_arrDownMsg, msg->m_dwMsgId))
        neighbour = GetDownMeas();
    else
        return;
    ReturnHome(*msg);
    Respell(this, 0);
    Respell(neighbour, 0);
}

void CKVMeas::DeleteAllUpDownMsg(int up, int down)
{
    bool changed = false;
    auto returnAll = [&](CDWordArray& list) {
        const bool any = list.GetSize() > 0;
        for (int i = 0; i < list.GetSize(); ++i) {
            if (CKVMsg* msg = m_pSystem ? m_pSystem->GetMsgFromMap(list.GetAt(i)) : nullptr) {
                ReturnHome(*msg);
                changed = true;
            }
        }
        list.RemoveAll();
        return any;
    };
    if (up && returnAll(m_arrUpMsg))
        Respell(GetUpMeas(), 0);
    if (down && returnAll(m_arrDownMsg))
        Respell(GetDownMeas(), 0);
    if (changed)
        Respell(this, 0);
}

void CKVMeas::SetPosByUpDownStaff(int up, int down, int full)
{
    // Stale ids are dropped; every other symbol is placed again.
    auto placeAll = [this](CDWordArray& list) {
        for (int i = 0; i < list.GetSize();) {
            CKVMsg* msg = m_pSystem ? m_pSystem->GetMsgFromMap(list.GetAt(i)) : nullptr;
            if (!msg) {
                list.RemoveAt(i);
                continue;
            }
            msg->SetPosByUpDownStaff(1, 0);
            ++i;
        }
        return list.GetSize() > 0;
    };
    if (up && placeAll(m_arrUpMsg))
        Respell(GetUpMeas(), full);
    // The staff below spells a single symbol it shows as it spells several.
    if (down && placeAll(m_arrDownMsg))
        Respell(GetDownMeas(), full);
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
