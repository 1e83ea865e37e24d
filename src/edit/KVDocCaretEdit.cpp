// Deleting at the caret, and the caret point of a playing position.

#include "document/KVDoc.h"

short CKVDoc::DeleteMsgOnCaret(short, short, int, int)
{
    KV_PENDING("CKVDoc::DeleteMsgOnCaret");
    return 0;
}

int CKVDoc::GetPlayCaretPos(int, int, int, CPoint&)
{
    KV_PENDING("CKVDoc::GetPlayCaretPos");
    return 0;
}
