// Recorded music brought into the score: a staff split by key or voice, and a
// performance's measures written into measures.

#include "document/KVDoc.h"

void CKVDoc::SplitStaff(int, int, BYTE, BYTE, DWORD, int, int, BYTE*)
{
    KV_PENDING("CKVDoc::SplitStaff");
}

int CKVDoc::SetPakToMeas(LONG, BYTE, BYTE, BYTE, char*, char*, int, int, int, int)
{
    KV_PENDING("CKVDoc::SetPakToMeas");
    return 0;
}

int CKVDoc::SetPakToMeas(LONG, short, short, BYTE, BYTE, BYTE, char*, char*)
{
    KV_PENDING("CKVDoc::SetPakToMeas(length)");
    return 0;
}
