#include "model/KVBackupPtrArray.h"

#include "AllocHook.h"

#include "MemoryGuard.h"
#include "document/KVDoc.h"
#include "model/NewObject.h"

#include <new>

namespace {

// The undo entry kind of a pointer list.
constexpr short kUndoPtrArray = 10;

} // namespace

CKVBackupPtrArray::CKVBackupPtrArray() = default;

CKVBackupPtrArray::~CKVBackupPtrArray()
{
    RemoveAll();
}

void CKVBackupPtrArray::ObjectBackup(CKVBackupPtrArray** ownerSlot, int record)
{
    MakeBackup(ownerSlot, record);
}

void CKVBackupPtrArray::MakeBackup(void* ownerSlot, int record)
{
    // A list that cannot be made has been reported by NewEmptyList.
    CKVBackupPtrArray* copy = NewEmptyList();
    if (!copy)
        return;
    copy->Copy(*this);
    copy->m_pBackupLink = this;
    m_pBackupLink = copy;
    copy->m_pDoc = m_pDoc;
    copy->m_pOwnerSlot = ownerSlot;
    m_pOwnerSlot = ownerSlot;
    // Without a document there is no undo history to take the step.
    if (record && m_pDoc)
        m_pDoc->AddBackup(kUndoPtrArray, this);
}

void CKVBackupPtrArray::ObjectFeedBack()
{
    // A list never backed up has nothing to give back; storing null would
    // leave the owner without its list.
    CKVMultiBackup* partner = GetCurBackupObj();
    if (partner)
        StoreInOwnerSlot(static_cast<CKVBackupPtrArray*>(partner));
}

CKVBackupPtrArray* CKVBackupPtrArray::NewEmptyList() const
{
    return KvNewReported<CKVBackupPtrArray>();
}

void CKVBackupPtrArray::StoreInOwnerSlot(CKVBackupPtrArray* list)
{
    if (m_pOwnerSlot)
        *static_cast<CKVBackupPtrArray**>(m_pOwnerSlot) = list;
}

void CKVStaffPtrArray::ObjectBackup(CKVStaffPtrArray** ownerSlot, int record)
{
    MakeBackup(ownerSlot, record);
}

CKVBackupPtrArray* CKVStaffPtrArray::NewEmptyList() const
{
    return KvNewReported<CKVStaffPtrArray>();
}

void CKVStaffPtrArray::StoreInOwnerSlot(CKVBackupPtrArray* list)
{
    if (m_pOwnerSlot)
        *static_cast<CKVStaffPtrArray**>(m_pOwnerSlot) = static_cast<CKVStaffPtrArray*>(list);
}
