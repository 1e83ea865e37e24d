#include "model/KVMeas.h"

CRect CKVMeas::GetRealMeasRect(int)
{
    KV_PENDING("CKVMeas::GetRealMeasRect");
    return CRect();
}

void CKVMeas::NoteSpaceOrder(unsigned char, int, int, int)
{
    KV_PENDING("CKVMeas::NoteSpaceOrder");
}
