#include "model/KVMeas.h"

int CKVMeas::ObjectBackup(int, int)
{
    KV_PENDING("CKVMeas::ObjectBackup");
    return 0;
}

void CKVMeas::ObjectFeedback()
{
    KV_PENDING("CKVMeas::ObjectFeedback");
}

void CKVMeas::SlurFeedback(void*)
{
    KV_PENDING("CKVMeas::SlurFeedback");
}

CKVMeas* CKVMeas::GetCurBackupObj()
{
    KV_PENDING("CKVMeas::GetCurBackupObj");
    return nullptr;
}

CKVMsg* CKVMeas::GetNewPtr2(CKVMsg*)
{
    KV_PENDING("CKVMeas::GetNewPtr2");
    return nullptr;
}

CKVMsg* CKVMeas::GetNewPtr2(CKVMsg*, CKVMsg*)
{
    KV_PENDING("CKVMeas::GetNewPtr2");
    return nullptr;
}

CKVMsg* CKVMeas::GetNewPtr(CKVMsg*)
{
    KV_PENDING("CKVMeas::GetNewPtr");
    return nullptr;
}

CKVMsg* CKVMeas::GetNewPtr(CKVMsg*, CKVMsg*)
{
    KV_PENDING("CKVMeas::GetNewPtr");
    return nullptr;
}
