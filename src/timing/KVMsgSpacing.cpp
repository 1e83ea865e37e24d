// Room and placement of symbols from the spacing slots.

#include "model/KVMsg.h"

void CKVMsg::GetNoteLeftWidth(WORD&, WORD&)
{
    KV_PENDING("CKVMsg::GetNoteLeftWidth");
}

void CKVMsg::SetNotePosByStartTime()
{
    KV_PENDING("CKVMsg::SetNotePosByStartTime");
}

void CKVMsg::SetNotePos(short)
{
    KV_PENDING("CKVMsg::SetNotePos");
}
