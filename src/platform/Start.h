#pragma once
// Library start-up: the load hook that calls the library's entry routine when
// the library is loaded and unloaded, and the extension-module records that
// the entry routine keeps.

#include "WinTypes.h"

struct AFX_EXTENSION_MODULE {
    BOOL bInitialized = FALSE;
    HMODULE hModule = nullptr;
    HMODULE hResource = nullptr;
};

// Records the module; returns TRUE.
BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HINSTANCE module);
// Clears the record.
void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL all = FALSE);

// Joins a process-wide list of extension libraries when created with new;
// the platform frees the list at unload. Nothing reads it.
class CDynLinkLibrary {
public:
    explicit CDynLinkLibrary(AFX_EXTENSION_MODULE& state);
    virtual ~CDynLinkLibrary();

    HMODULE m_hModule;
    HMODULE m_hResource;
};

// The library's entry routine, in the form the load hook calls.
using KvEntryRoutine = BOOL (*)(HINSTANCE module, DWORD reason, LPVOID reserved);

// Calls an entry routine the way the system loader does: attach when built,
// detach when destroyed. When the attach refuses (returns 0), the detach runs
// at once and not again when the hook is destroyed.
class KvLoadHook {
public:
    KvLoadHook(KvEntryRoutine entry, HINSTANCE module);
    ~KvLoadHook();
    KvLoadHook(const KvLoadHook&) = delete;
    KvLoadHook& operator=(const KvLoadHook&) = delete;

    // 1 when the entry routine accepted the attach, 0 when it refused.
    int AttachResult() const { return m_result; }

private:
    KvEntryRoutine m_entry;
    HINSTANCE m_module;
    int m_result;
};

// The library's own module handle.
HINSTANCE KvLibraryInstance();
// The path of the loaded library file.
const char* KvLibraryPath();

extern "C" {
// The result of the library's own attach: 1 attached, 0 refused. A host
// checks it before anything else.
int KvLibraryAttachResult();
}

// Start-up diagnostics: static initialisers take ordinals from one counter,
// so the order in which the library's files were initialised can be checked.
int KvNextStaticOrdinal();
// How often the library's hook called the entry routine, and the ordinal it
// took when it attached.
int KvLibraryEntryCalls();
int KvLibraryAttachOrdinal();
