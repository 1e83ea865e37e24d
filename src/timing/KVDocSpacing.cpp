// The measures per block and the note spacing, set for the document.

#include "document/KVDoc.h"

void CKVDoc::ChangeCurrentBlockMeasNum(int, int, int)
{
    KV_PENDING("CKVDoc::ChangeCurrentBlockMeasNum");
}

int CKVDoc::SetBlockMeasCount(int, int, int)
{
    KV_PENDING("CKVDoc::SetBlockMeasCount");
    return 0;
}

void CKVDoc::SetNoteSpace(int, int, int, int, int, int)
{
    KV_PENDING("CKVDoc::SetNoteSpace");
}
