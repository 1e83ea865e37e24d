#include "document/KVDoc.h"

void CKVDoc::ResetBackup()
{
    KV_PENDING("CKVDoc::ResetBackup");
}

void CKVDoc::StartNewUndoRedo()
{
    KV_PENDING("CKVDoc::StartNewUndoRedo");
}

void CKVDoc::RemoveRedo()
{
    KV_PENDING("CKVDoc::RemoveRedo");
}

void CKVDoc::MultiUndoStart()
{
    KV_PENDING("CKVDoc::MultiUndoStart");
}

void CKVDoc::MultiRedoStart()
{
    KV_PENDING("CKVDoc::MultiRedoStart");
}

void CKVDoc::MultiUndoEnd()
{
    KV_PENDING("CKVDoc::MultiUndoEnd");
}

void CKVDoc::MultiRedoEnd()
{
    KV_PENDING("CKVDoc::MultiRedoEnd");
}

void CKVDoc::DataInputStart()
{
    KV_PENDING("CKVDoc::DataInputStart");
}

int CKVDoc::Feedback()
{
    KV_PENDING("CKVDoc::Feedback");
    return 1;
}

int CKVDoc::IsMultiEnableUndo()
{
    KV_PENDING("CKVDoc::IsMultiEnableUndo");
    return 0;
}

int CKVDoc::IsMultiEnableRedo()
{
    KV_PENDING("CKVDoc::IsMultiEnableRedo");
    return 0;
}

int CKVDoc::IsReqBackup()
{
    KV_PENDING("CKVDoc::IsReqBackup");
    return 0;
}

int CKVDoc::AddBackup(short, void*)
{
    KV_PENDING("CKVDoc::AddBackup");
    return 0;
}

int CKVDoc::AddObj2BackupArray(short, void*, int)
{
    KV_PENDING("CKVDoc::AddObj2BackupArray");
    return 0;
}

void CKVDoc::ResetBackupData()
{
    KV_PENDING("CKVDoc::ResetBackupData");
}
