#include "model/KVMeas.h"

void CKVMeas::ChangeKeySignature(unsigned char, unsigned char, DWORD, int)
{
    KV_PENDING("CKVMeas::ChangeKeySignature");
}

void CKVMeas::TransposeInDiatonicScale(int, short, short)
{
    KV_PENDING("CKVMeas::TransposeInDiatonicScale");
}

void CKVMeas::TransposeChordName(int, short)
{
    KV_PENDING("CKVMeas::TransposeChordName");
}
