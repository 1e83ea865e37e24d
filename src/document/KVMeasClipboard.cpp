// A measure's symbols copied into a selection rectangle or onto a staff.

#include "model/KVMeas.h"

short CKVMeas::CopyToSelRect(CKVMeas*, int, CRect, unsigned char, int)
{
    KV_PENDING("CKVMeas::CopyToSelRect");
    return 0;
}

short CKVMeas::CopyToStaff(CKVStaff*, WORD, WORD)
{
    KV_PENDING("CKVMeas::CopyToStaff");
    return -1;
}
