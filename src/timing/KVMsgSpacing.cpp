// Room and placement of symbols from the spacing slots.

#include "model/KVMsg.h"

#include "model/PitchMath.h"
#include "model/TickMath.h"

#include <vector>

void CKVMsg::GetNoteLeftWidth(WORD&, WORD&)
{
    KV_PENDING("CKVMsg::GetNoteLeftWidth");
}

void CKVMsg::SetNotePosByStartTime()
{
    KV_PENDING("CKVMsg::SetNotePosByStartTime");
}

void CKVMsg::SetNotePos(short x)
{
    switch (m_byKind) {
    case MSG_NOTE:
    case MSG_REST:
        // The tremolo is found by the note's position, so it moves first.
        if (CKVMsg* tremolo = IsTremoloNote() ? GetTremolo() : nullptr) {
            if (m_wFlag & MSGFLAG_TREMOLO_START)
                tremolo->m_nPosX = x;
            else
                tremolo->m_nPosX2 = x;
        }
        m_nPosX = x;
        break;
    case MSG_CHORD:
    case MSG_BEAM: {
        if (m_byKind == MSG_CHORD)
            m_nPosX = x;
        std::vector<CKVMsg*> members;
        for (DWORD id : kvpitch::ChildIds(*this)) {
            CKVMsg* member = kvpitch::Resolve(*this, id);
            if (member && member != this && tickmath::IsNoteRestChord(*member)) {
                member->SetNotePos(x);
                members.push_back(member);
            }
        }
        // Every member now stands at x, so their order needs no sorting;
        // the container's words follow its first and last member.
        if (members.empty())
            break;
        m_nPosX = members.front()->m_nPosX;
        if (m_byKind == MSG_BEAM)
            m_nPosX2 = members.back()->m_nPosX;
        break;
    }
    default:
        break;
    }
}
