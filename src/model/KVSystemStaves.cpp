#include "model/KVSystem.h"

int CKVSystem::Create(short, LONG, BYTE, short, short)
{
    KV_PENDING("CKVSystem::Create");
    return 0;
}

short CKVSystem::AddStaff(short, short)
{
    KV_PENDING("CKVSystem::AddStaff");
    return -1;
}

short CKVSystem::InsertStaff(short, short, short, int, int)
{
    KV_PENDING("CKVSystem::InsertStaff");
    return -1;
}

short CKVSystem::RemoveStaff(short, short)
{
    KV_PENDING("CKVSystem::RemoveStaff");
    return -1;
}

short CKVSystem::AddOssiaStaff(short, short)
{
    KV_PENDING("CKVSystem::AddOssiaStaff");
    return -1;
}

short CKVSystem::InsertOssiaStaff(CKVStaff*, short, short, short, int, int)
{
    KV_PENDING("CKVSystem::InsertOssiaStaff");
    return -1;
}

short CKVSystem::InsertOssiaStaff(short, short, short, int, int)
{
    KV_PENDING("CKVSystem::InsertOssiaStaff");
    return -1;
}

short CKVSystem::RemoveOssiaStaff(short, short)
{
    KV_PENDING("CKVSystem::RemoveOssiaStaff");
    return -1;
}

short CKVSystem::AddMeas(LONG)
{
    KV_PENDING("CKVSystem::AddMeas");
    return -1;
}

short CKVSystem::InsertMeas(LONG, LONG)
{
    KV_PENDING("CKVSystem::InsertMeas");
    return -1;
}

short CKVSystem::RemoveMeas(LONG, LONG)
{
    KV_PENDING("CKVSystem::RemoveMeas");
    return -1;
}

void CKVSystem::Import(CKVSystem*, BYTE*, BYTE)
{
    KV_PENDING("CKVSystem::Import");
}
