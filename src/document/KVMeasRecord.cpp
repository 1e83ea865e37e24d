#include "model/KVMeas.h"

int CKVMeas::Write(unsigned char*&, DWORD*, DWORD*)
{
    KV_PENDING("CKVMeas::Write");
    return 0;
}

int CKVMeas::Read(unsigned char*, DWORD*, DWORD*)
{
    KV_PENDING("CKVMeas::Read");
    return 0;
}
