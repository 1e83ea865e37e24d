#include "model/KVPage.h"

void CKVPage::ObjectBackup(int)
{
    KV_PENDING("CKVPage::ObjectBackup");
}

void CKVPage::ObjectFeedback()
{
    KV_PENDING("CKVPage::ObjectFeedback");
}

CKVPage* CKVPage::GetCurBackupObj()
{
    KV_PENDING("CKVPage::GetCurBackupObj");
    return nullptr;
}

CKVMsg* CKVPage::GetNewPtr2(CKVMsg*)
{
    KV_PENDING("CKVPage::GetNewPtr2");
    return nullptr;
}

CKVMsg* CKVPage::GetNewPtr(CKVMsg*)
{
    KV_PENDING("CKVPage::GetNewPtr");
    return nullptr;
}
