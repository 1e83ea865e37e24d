#include "model/KVSystem.h"

short CKVSystem::Construct(unsigned char*, DWORD&, DWORD)
{
    KV_PENDING("CKVSystem::Construct");
    return -1;
}
