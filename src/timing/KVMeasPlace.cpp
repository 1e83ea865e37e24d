// Placement of a voice's symbols in the measure.

#include "model/KVMeas.h"

#include "model/KVMsg.h"
#include "model/PitchMath.h"
#include "model/TickMath.h"

namespace {

bool HoldsId(CKVObject& node, DWORD id)
{
    for (int i = 0; i < node.m_arrMsgRef.GetSize(); ++i) {
        const MsgRef* ref = node.m_arrMsgRef.GetAt(i);
        if (ref && ref->dwMsgId == id)
            return true;
    }
    return false;
}

} // namespace

void CKVMeas::UpdatePos(BYTE voice, short direction, int fromTime, short from)
{
    // Walks a copy of the ids: placing a rest rebuilds the walk list, and
    // that unlinks empty beam groups, which stay in the map.
    for (DWORD id : tickmath::ChildIds(*this)) {
        CKVMsg* msg = tickmath::Resolve(*this, id);
        if (!msg || !HoldsId(*this, id) || (voice != 0 && msg->m_byVoice != voice))
            continue;
        const BYTE kind = msg->m_byKind;
        if (kind == MSG_BEAM) {
            if (msg->m_nPosX < from && msg->m_nPosX2 < from)
                continue;
        } else if (tickmath::IsNoteRestChord(*msg)) {
            if (msg->m_nPosX < from)
                continue;
        } else {
            continue;
        }
        msg->UpdatePos(fromTime);
        msg->ChangeNoteDirection(direction, kKeepGraceStems);
        if (fromTime)
            msg->NoteSpaceOrder();
    }
}
