#include "model/KVSystem.h"

int CKVSystem::GetSystemMemSize()
{
    KV_PENDING("CKVSystem::GetSystemMemSize");
    return 0;
}

int CKVSystem::GetSysMeasMemSize(LONG)
{
    KV_PENDING("CKVSystem::GetSysMeasMemSize");
    return 0;
}
