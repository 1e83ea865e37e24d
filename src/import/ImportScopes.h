#pragma once
// Scoped holders of the state that an import changes for its whole run: the
// process-wide import flag, the document's undo recording and the platform's
// screen resolution. Each puts back what it changed on every way out, so a
// failed or refused import leaves no document and no later import in the
// import's state.

#include "document/KVDoc.h"
#include "model/ImportState.h"
#include "platform/Backends.h"

// Remembers the import flag and restores it when the scope ends, unless
// Keep() was called.
class ImportConvertingScope {
public:
    ImportConvertingScope() : m_old(bImportConverting) {}
    ~ImportConvertingScope()
    {
        if (!m_keep)
            bImportConverting = m_old;
    }
    ImportConvertingScope(const ImportConvertingScope&) = delete;
    ImportConvertingScope& operator=(const ImportConvertingScope&) = delete;

    void Set() { bImportConverting = 1; }
    // Lowers the flag until the scope ends, for a step of an import that
    // must run as an edit runs it.
    void Clear() { bImportConverting = 0; }
    // Leaves the flag as it then is when the scope ends.
    void Keep() { m_keep = true; }

private:
    int m_old;
    bool m_keep = false;
};

// Switches the document's undo recording off with Start() and on again when
// the scope ends (only once Start() has run). A drawing pass switches
// recording on; Reapply() switches it off again after one.
class ImportRecordingScope {
public:
    explicit ImportRecordingScope(CKVDoc& doc) : m_doc(doc) {}
    ~ImportRecordingScope()
    {
        if (m_started)
            m_doc.m_bBackupRecord = 1;
    }
    ImportRecordingScope(const ImportRecordingScope&) = delete;
    ImportRecordingScope& operator=(const ImportRecordingScope&) = delete;

    void Start()
    {
        m_started = true;
        m_doc.m_bBackupRecord = 0;
    }
    void Reapply()
    {
        if (m_started)
            m_doc.m_bBackupRecord = 0;
    }

private:
    CKVDoc& m_doc;
    bool m_started = false;
};

// Holds the platform's screen resolution at the resolution of imported
// scores and restores the old value when the scope ends.
class ImportResolutionScope {
public:
    static constexpr int kImportDpi = 72;
    ImportResolutionScope() : m_old(KvScreenDpi()) { KvSetScreenDpi(kImportDpi); }
    ~ImportResolutionScope() { KvSetScreenDpi(m_old); }
    ImportResolutionScope(const ImportResolutionScope&) = delete;
    ImportResolutionScope& operator=(const ImportResolutionScope&) = delete;

private:
    int m_old;
};
