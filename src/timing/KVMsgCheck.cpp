// Tuplet ranges, tie and tuplet hand-over on deletion, and symbol checks.

#include "model/KVMsg.h"

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
    KV_PENDING("CKVMsg::IsTieEndNoteInDiffMeas");
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
