#include "model/KVStaff.h"

int CKVStaff::ObjectBackup(int, int)
{
    KV_PENDING("CKVStaff::ObjectBackup");
    return 0;
}

void CKVStaff::ObjectFeedback()
{
    KV_PENDING("CKVStaff::ObjectFeedback");
}

void CKVStaff::SetCurrentFlag2BackupObj()
{
    KV_PENDING("CKVStaff::SetCurrentFlag2BackupObj");
}

void CKVStaff::SlurFeedback(void*)
{
    KV_PENDING("CKVStaff::SlurFeedback");
}
