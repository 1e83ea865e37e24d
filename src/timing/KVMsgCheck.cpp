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

int CKVMsg::IsValidMsg(CKVSystem*)
{
    KV_PENDING("CKVMsg::IsValidMsg");
    return 0;
}
