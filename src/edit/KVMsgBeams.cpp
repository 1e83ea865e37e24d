// Sub-beam breaks of beam members.

#include "model/KVMsg.h"

#include "model/TickMath.h"

void CKVMsg::MakeSubBeam(int set, short mode)
{
    if (!tickmath::IsNoteRestChord(*this) && m_byKind != MSG_BEAM)
        return;
    WORD flag = static_cast<WORD>(m_wFlag & ~MSGFLAG_SUBBEAM_BREAKS);
    if (set) {
        if (mode == 1)
            flag = static_cast<WORD>(flag | MSGFLAG_SUBBEAM_BREAK1);
        else if (mode == 2)
            flag = static_cast<WORD>(flag | MSGFLAG_SUBBEAM_BREAK2);
        else
            flag = static_cast<WORD>(flag | MSGFLAG_SUBBEAM_BREAK);
    }
    m_wFlag = static_cast<WORD>(flag | MSGFLAG_BEAM_MEMBER);
    if (m_byKind == MSG_CHORD) {
        tickmath::ForEachChild(*this, [&](CKVMsg* note, short) {
            if (note != this && note->m_byKind == MSG_NOTE)
                note->MakeSubBeam(set, mode);
            return false;
        });
    }
}
