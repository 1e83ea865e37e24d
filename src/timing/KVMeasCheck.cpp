#include "model/KVMeas.h"

void CKVMeas::MakeRangeTupletMsg(BYTE, short, short)
{
    KV_PENDING("CKVMeas::MakeRangeTupletMsg");
}

void CKVMeas::MakeRangeTupletMsgByMenu(BYTE, short, short)
{
    KV_PENDING("CKVMeas::MakeRangeTupletMsgByMenu");
}

void CKVMeas::EncMakeRangeTupletMsg(BYTE, short, short)
{
    KV_PENDING("CKVMeas::EncMakeRangeTupletMsg");
}
