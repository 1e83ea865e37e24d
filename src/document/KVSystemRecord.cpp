#include "model/KVSystem.h"

int CKVSystem::Write(unsigned char*&, DWORD*, DWORD*)
{
    KV_PENDING("CKVSystem::Write");
    return 0;
}

int CKVSystem::Write(CFile*, DWORD&)
{
    KV_PENDING("CKVSystem::Write");
    return 0;
}

int CKVSystem::Read(unsigned char*, DWORD*, DWORD*, DWORD)
{
    KV_PENDING("CKVSystem::Read");
    return 0;
}

void CKVSystem::TestTieSlur()
{
    KV_PENDING("CKVSystem::TestTieSlur");
}
