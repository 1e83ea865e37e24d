// Tuplet ranges, tie and tuplet hand-over on deletion, and symbol checks.

#include "model/KVMsg.h"

#include "model/MeasPlace.h"
#include "timing/TickMath.h"

void CKVMsg::DeleteTuplet()
{
    KV_PENDING("CKVMsg::DeleteTuplet");
}

int CKVMsg::DeleteTupletProc(CKVMsg*)
{
    KV_PENDING("CKVMsg::DeleteTupletProc");
    return 0;
}

int CKVMsg::RemoveTuplet(CKVMsg*)
{
    KV_PENDING("CKVMsg::RemoveTuplet");
    return 0;
}

void CKVMsg::DeleteInvalidSlurMsg()
{
    KV_PENDING("CKVMsg::DeleteInvalidSlurMsg");
}

int CKVMsg::IsTieEndNoteInDiffMeas()
{
    if (!m_pSystem)
        return 0;
    for (short i = 0; i < GetMsgNum(); ++i) {
        const CKVMsg* tie = measplace::ChildAt(*this, i);
        if (!tie || tie->m_byKind != MSG_TIE)
            continue;
        CKVMsg* first = m_pSystem->GetMsgFromMap(tie->m_dwWord);
        CKVMsg* second = m_pSystem->GetMsgFromMap(static_cast<DWORD>(tie->m_lHeight));
        if (!first || !second)
            continue;
        // Codes 6 and 7 name no accidental.
        const BYTE code = first->m_byAccidental & ACCI_CODE_MASK;
        const bool firstHasAccidental = code >= ACCI_SHARP && code <= ACCI_DOUBLE_FLAT;
        if (tickmath::MeasureOf(first) != tickmath::MeasureOf(second) && !firstHasAccidental)
            return 1;
    }
    return 0;
}

int CKVMsg::IsValidMsg(CKVSystem* system)
{
    if (m_pSystem != system)
        return 0;
    if (m_byObjKind > 10)
        return 0;
    if (m_byKind < 1 || m_byKind > MSG_KIND_MAX)
        return 0;
    if (GetMsgNum() < 0 || m_arrCtrlPoint.GetSize() < 0)
        return 0;
    return 1;
}
