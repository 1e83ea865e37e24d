// A temporary system built from the staff part of a clipboard image.

#include "model/KVSystem.h"

short CKVSystem::Construct(unsigned char*, DWORD&, DWORD)
{
    KV_PENDING("CKVSystem::Construct");
    return -1;
}
