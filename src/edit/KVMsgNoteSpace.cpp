// Proportional spacing of a symbol and the head handle of a note.

#include "model/KVMsg.h"

void CKVMsg::NoteSpaceOrder()
{
    KV_PENDING("CKVMsg::NoteSpaceOrder");
}

void CKVMsg::NoteCtrlOffset(short)
{
    KV_PENDING("CKVMsg::NoteCtrlOffset");
}
