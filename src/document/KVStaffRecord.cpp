#include "model/KVStaff.h"

int CKVStaff::Write(unsigned char*&, DWORD*, DWORD*)
{
    KV_PENDING("CKVStaff::Write");
    return 0;
}

int CKVStaff::Write(CFile*, DWORD&)
{
    KV_PENDING("CKVStaff::Write");
    return 0;
}

int CKVStaff::Read(unsigned char*, DWORD*, DWORD*)
{
    KV_PENDING("CKVStaff::Read");
    return 0;
}
