// The record form of a symbol: the 44-byte symbol record and its node
// record.

#include "model/KVMsg.h"

int CKVMsg::Write(unsigned char*&, DWORD*, DWORD*)
{
    KV_PENDING("CKVMsg::Write");
    return 0;
}

int CKVMsg::Read(unsigned char*, DWORD*, DWORD*)
{
    KV_PENDING("CKVMsg::Read");
    return 0;
}

// The symbol reader calls it; it has nothing to do.
void CKVMsg::LabelCopy()
{
}
