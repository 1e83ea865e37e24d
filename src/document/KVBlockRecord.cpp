#include "model/KVBlock.h"

int CKVBlock::Write(unsigned char*&, DWORD*, DWORD*)
{
    KV_PENDING("CKVBlock::Write");
    return 0;
}

int CKVBlock::Read(unsigned char*, DWORD*, DWORD*, CKVDoc*)
{
    KV_PENDING("CKVBlock::Read");
    return 0;
}
