// The record form of a score node: header, head and child references.

#include "model/KVObject.h"

int CKVObject::Write(unsigned char*&, DWORD*, DWORD*)
{
    KV_PENDING("CKVObject::Write");
    return 0;
}

int CKVObject::Read(unsigned char*, DWORD*, DWORD*)
{
    KV_PENDING("CKVObject::Read");
    return 0;
}
