#pragma once
// A pointer list that takes part in undo: before a change the list is copied
// and the copy linked to it as its undo partner; undo and redo make the owner
// use one copy or the other. The list never deletes what its elements point
// to.

#include "Platform.h"
#include "model/KVMultiBackup.h"

class CKVDoc;
class CKVStaff;

class CKVBackupPtrArray : public CPtrArray, public CKVMultiBackup {
public:
    CKVBackupPtrArray();
    ~CKVBackupPtrArray() override;

    // Makes the partner copy (the same element pointers), links the pair,
    // records the owner's variable in both and, with record non-zero,
    // registers this list with the open undo step.
    void ObjectBackup(CKVBackupPtrArray** ownerSlot, int record);
    // Stores the partner list in the owner's variable; nothing without one.
    void ObjectFeedBack();

    CKVDoc* m_pDoc = nullptr; // owner document; null when made
    // Address of the owner's variable that holds the list in use. It points
    // to a pointer of this list's own typed form.
    void* m_pOwnerSlot = nullptr;

protected:
    // The backup of either form; ownerSlot is the owner's variable of this
    // list's own form.
    void MakeBackup(void* ownerSlot, int record);
    // A new empty list of this list's own form (null when memory is out), so
    // that a backup copy keeps the typed form of the original.
    virtual CKVBackupPtrArray* NewEmptyList() const;
    // Writes a list of this list's own form into the owner's variable.
    virtual void StoreInOwnerSlot(CKVBackupPtrArray* list);
};

// The form that holds a system's staff or ossia-staff list. It adds no field
// and no behaviour; its backup copies are staff lists again.
class CKVStaffPtrArray : public CTypedPtrArray<CKVBackupPtrArray, CKVStaff*> {
public:
    void ObjectBackup(CKVStaffPtrArray** ownerSlot, int record);

protected:
    CKVBackupPtrArray* NewEmptyList() const override;
    void StoreInOwnerSlot(CKVBackupPtrArray* list) override;
};
