// Note and rest values of recorded MIDI notes.

#include "model/KVMsg.h"

short CKVMsg::CalcNoteRestKind(DWORD, DWORD, short)
{
    KV_PENDING("CKVMsg::CalcNoteRestKind");
    return -1;
}
