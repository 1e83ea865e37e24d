// Control handles of symbols by kind.

#include "model/KVMsg.h"

void CKVMsg::MakeMsgCtrlPoint()
{
    KV_PENDING("CKVMsg::MakeMsgCtrlPoint");
}

void CKVMsg::MakeNoteCtrlPoint()
{
    KV_PENDING("CKVMsg::MakeNoteCtrlPoint");
}

void CKVMsg::MakeNoteMarkCtrl()
{
    KV_PENDING("CKVMsg::MakeNoteMarkCtrl");
}

void CKVMsg::UpdateMsgCtrlRect()
{
    KV_PENDING("CKVMsg::UpdateMsgCtrlRect");
}

void CKVMsg::UpdateMsgCtrlPointers(short*)
{
    KV_PENDING("CKVMsg::UpdateMsgCtrlPointers");
}
