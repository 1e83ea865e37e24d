#include "model/KVMeas.h"

CKVMsg* CKVMeas::InsertNewNoteMsg(CKVMsg&, short, int, int, int, int, int)
{
    KV_PENDING("CKVMeas::InsertNewNoteMsg");
    return nullptr;
}

CKVMsg* CKVMeas::InsertNoteMsg(CKVMsg&, int, int)
{
    KV_PENDING("CKVMeas::InsertNoteMsg");
    return nullptr;
}

void CKVMeas::ArrangeGraceNote(CKVMsg*)
{
    KV_PENDING("CKVMeas::ArrangeGraceNote");
}

void CKVMeas::SingleStaffProc(short)
{
    KV_PENDING("CKVMeas::SingleStaffProc");
}
