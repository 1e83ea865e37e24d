#pragma once
// The undo link of an object that can be backed up by cloning: the other
// member of its undo pair and which of the two is the live one.

#include "Platform.h"

// Modes of the ObjectBackup members of the objects built on this class.
inline constexpr int kBackupUnrecorded = 0; // the pair is made and linked; no undo step takes it
inline constexpr int kBackupRecorded = 1;   // the open undo step takes the pair
inline constexpr int kBackupAlone = 0;      // only this measure or staff
inline constexpr int kBackupCrossStaff = 1; // with the measures its cross-staff notes draw into

// Whether a member that changes objects first backs them up for undo.
inline constexpr int kWithoutBackup = 0;
inline constexpr int kWithBackup = 1;

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
