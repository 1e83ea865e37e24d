// Counting the selected symbols and reaching the selected notes.

#include "document/KVDoc.h"

int CKVDoc::GetSelMsgCount()
{
    KV_PENDING("CKVDoc::GetSelMsgCount");
    return -1;
}

int CKVDoc::GetSelMsgCount(short)
{
    KV_PENDING("CKVDoc::GetSelMsgCount(record)");
    return 0;
}

CKVMsg* CKVDoc::GetSelNote(int, int)
{
    KV_PENDING("CKVDoc::GetSelNote");
    return nullptr;
}
