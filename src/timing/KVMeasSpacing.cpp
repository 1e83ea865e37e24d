// Note positions in a measure from their start times, grace notes included.

#include "model/KVMeas.h"

void CKVMeas::GetNotePosByStartTime()
{
    KV_PENDING("CKVMeas::GetNotePosByStartTime");
}

void CKVMeas::SetNotePosByStartTime()
{
    KV_PENDING("CKVMeas::SetNotePosByStartTime");
}

void CKVMeas::SetGraceNotePosByStartTime(CKVMsg*, short)
{
    KV_PENDING("CKVMeas::SetGraceNotePosByStartTime");
}
