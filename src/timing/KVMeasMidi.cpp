#include "model/KVMeas.h"

void CKVMeas::PrepGuess(DWORD)
{
    KV_PENDING("CKVMeas::PrepGuess");
}

short CKVMeas::MakeRests(BYTE, DWORD, short)
{
    KV_PENDING("CKVMeas::MakeRests");
    return 0;
}
