#include "document/KVDoc.h"

void CKVDoc::SetVoiceColor(DWORD*, int*)
{
    KV_PENDING("CKVDoc::SetVoiceColor");
}

void CKVDoc::SetDrumNoteConnect(WORD)
{
    KV_PENDING("CKVDoc::SetDrumNoteConnect");
}
