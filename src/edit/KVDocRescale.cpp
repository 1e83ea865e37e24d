#include "document/KVDoc.h"

void CKVDoc::UpdateNoteMarkPos(int, int)
{
    KV_PENDING("CKVDoc::UpdateNoteMarkPos");
}

void CKVDoc::UpdatePosYA(int, int)
{
    KV_PENDING("CKVDoc::UpdatePosYA");
}
