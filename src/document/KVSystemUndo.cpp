// A system hands its undo records on to its document.

#include "model/KVSystem.h"

#include "document/KVDoc.h"

int CKVSystem::Backup(short kind, void* object)
{
    // Without a document there is no history to take the pair.
    if (!m_pDoc)
        return 0;
    return m_pDoc->AddBackup(kind, object);
}

int CKVSystem::AddObj2BackupArray(short kind, void* object, int inserted)
{
    // Without a document there is no undo to take the object.
    if (!m_pDoc)
        return 0;
    return m_pDoc->AddObj2BackupArray(kind, object, inserted);
}
