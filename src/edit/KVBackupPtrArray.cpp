#include "edit/KVBackupPtrArray.h"

CKVBackupPtrArray::CKVBackupPtrArray() = default;

CKVBackupPtrArray::~CKVBackupPtrArray()
{
    RemoveAll();
}

void CKVBackupPtrArray::ObjectBackup(CKVBackupPtrArray**, int)
{
    KV_PENDING("CKVBackupPtrArray::ObjectBackup");
}

void CKVBackupPtrArray::ObjectFeedBack()
{
    KV_PENDING("CKVBackupPtrArray::ObjectFeedBack");
}

CKVBackupPtrArray* CKVBackupPtrArray::NewEmptyList() const
{
    return new CKVBackupPtrArray;
}

void CKVBackupPtrArray::StoreInOwnerSlot(CKVBackupPtrArray* list)
{
    if (m_pOwnerSlot)
        *static_cast<CKVBackupPtrArray**>(m_pOwnerSlot) = list;
}

void CKVStaffPtrArray::ObjectBackup(CKVStaffPtrArray**, int)
{
    KV_PENDING("CKVStaffPtrArray::ObjectBackup");
}

CKVBackupPtrArray* CKVStaffPtrArray::NewEmptyList() const
{
    return new CKVStaffPtrArray;
}

void CKVStaffPtrArray::StoreInOwnerSlot(CKVBackupPtrArray* list)
{
    if (m_pOwnerSlot)
        *static_cast<CKVStaffPtrArray**>(m_pOwnerSlot) = static_cast<CKVStaffPtrArray*>(list);
}
