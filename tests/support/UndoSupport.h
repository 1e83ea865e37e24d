#pragma once
// Undo recording is off in a new document until its first view draws it;
// tests switch it on the way that first drawing pass does.

#include "document/KVDoc.h"

namespace kvtest {

inline void StartUndoRecording(CKVDoc& doc)
{
    doc.m_bBackupRecord = 1;
}

} // namespace kvtest
