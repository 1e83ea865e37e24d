#include "model/KVSystem.h"

int CKVSystem::Backup(short, void*)
{
    KV_PENDING("CKVSystem::Backup");
    return 0;
}

int CKVSystem::AddObj2BackupArray(short, void*, int)
{
    KV_PENDING("CKVSystem::AddObj2BackupArray");
    return 0;
}
