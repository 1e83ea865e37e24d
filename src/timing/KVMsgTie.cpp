// Ties, slurs, accidental symbols and tuplet words of notes.

#include "model/KVMsg.h"

short CKVMsg::GetTieIndex(BYTE)
{
    KV_PENDING("CKVMsg::GetTieIndex");
    return -1;
}

short CKVMsg::GetSlurIndex(DWORD, BYTE)
{
    KV_PENDING("CKVMsg::GetSlurIndex");
    return -1;
}

void CKVMsg::GetMsgBindedByTie(CPtrArray&)
{
    KV_PENDING("CKVMsg::GetMsgBindedByTie");
}

void CKVMsg::AutoAdjustTieSlur()
{
    KV_PENDING("CKVMsg::AutoAdjustTieSlur");
}

void CKVMsg::AutoAdjustTuplet()
{
    KV_PENDING("CKVMsg::AutoAdjustTuplet");
}

int CKVMsg::SetSymbol(BYTE, int, int)
{
    KV_PENDING("CKVMsg::SetSymbol");
    return 0;
}

void CKVMsg::SetTuplet(WORD, WORD)
{
    KV_PENDING("CKVMsg::SetTuplet");
}
