#include "document/KVDoc.h"

void CKVDoc::DeleteBackupData(CPtrArray*, int)
{
    KV_PENDING("CKVDoc::DeleteBackupData");
}

void CKVDoc::DeleteSlurBackupData(CPtrArray*, int)
{
    KV_PENDING("CKVDoc::DeleteSlurBackupData");
}

int CKVDoc::RemoveFromBackupArray(CPtrArray*, int, void*, int)
{
    KV_PENDING("CKVDoc::RemoveFromBackupArray");
    return 0;
}

void CKVDoc::ResetMultiBackList()
{
    KV_PENDING("CKVDoc::ResetMultiBackList");
}

void CKVDoc::BackupPoisition()
{
    KV_PENDING("CKVDoc::BackupPoisition");
}

void CKVDoc::FeedBackPosition()
{
    KV_PENDING("CKVDoc::FeedBackPosition");
}
