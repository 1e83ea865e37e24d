#pragma once
// The undo link of an object that can be backed up by cloning: the other
// member of its undo pair and which of the two is the live one.

#include "Platform.h"

class CKVMultiBackup {
public:
    CKVMultiBackup() = default;
    CKVMultiBackup(const CKVMultiBackup& other) = default;
    CKVMultiBackup& operator=(const CKVMultiBackup& other) = default;
    virtual ~CKVMultiBackup() = default;

    // Frees the data that only this member's clone holds; nothing here.
    virtual void DeleteBackupData() {}

    // The other member of the undo pair (null when never backed up).
    CKVMultiBackup* GetCurBackupObj() const { return m_pBackupLink; }
    // Hands "current" across the pair: this member stops being live and the
    // linked one becomes live.
    void SetCurrentFlag2BackupObj();
    int IsCurrentObj() const { return m_nCurrent; }

    CKVMultiBackup* m_pBackupLink = nullptr;
    int m_nCurrent = 1;
};
