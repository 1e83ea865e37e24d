// The load hook of the library. This file is the last source of the library,
// so its static objects are constructed after those of every other file and
// the entry routine finds the process-wide objects built.

#include "Start.h"

#include "model/DllMain.h"

#include <dlfcn.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// The list of extension libraries. Declared before the hook, so it is
// destroyed after the hook's detach.
struct DynLinkLibraryList {
    std::vector<CDynLinkLibrary*> items;
    ~DynLinkLibraryList()
    {
        for (CDynLinkLibrary* item : items)
            delete item;
    }
};

DynLinkLibraryList& DynLinkLibraries()
{
    static DynLinkLibraryList list;
    return list;
}

// The library's module handle is the address of this object.
char s_moduleTag;

int s_entryCalls = 0;
int s_attachOrdinal = 0;

BOOL CountedEntry(HINSTANCE module, DWORD reason, LPVOID reserved)
{
    ++s_entryCalls;
    if (reason == DLL_PROCESS_ATTACH)
        s_attachOrdinal = KvNextStaticOrdinal();
    return DllMain(module, reason, reserved);
}

// Forces the list into existence before the hook, for the order of
// destruction.
const DynLinkLibraryList& s_listReady = DynLinkLibraries();

KvLoadHook s_libraryHook(&CountedEntry, KvLibraryInstance());

} // namespace

BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HINSTANCE module)
{
    state.bInitialized = TRUE;
    state.hModule = module;
    state.hResource = module;
    return TRUE;
}

void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL)
{
    state.bInitialized = FALSE;
    state.hModule = nullptr;
    state.hResource = nullptr;
}

CDynLinkLibrary::CDynLinkLibrary(AFX_EXTENSION_MODULE& state)
    : m_hModule(state.hModule)
    , m_hResource(state.hResource)
{
    DynLinkLibraries().items.push_back(this);
}

CDynLinkLibrary::~CDynLinkLibrary() = default;

KvLoadHook::KvLoadHook(KvEntryRoutine entry, HINSTANCE module)
    : m_entry(entry)
    , m_module(module)
    , m_result(entry(module, DLL_PROCESS_ATTACH, nullptr) ? 1 : 0)
{
    // A refused load is detached at once, as the system loader does.
    if (m_result == 0)
        m_entry(m_module, DLL_PROCESS_DETACH, nullptr);
}

KvLoadHook::~KvLoadHook()
{
    if (m_result != 0)
        m_entry(m_module, DLL_PROCESS_DETACH, nullptr);
}

HINSTANCE KvLibraryInstance()
{
    return reinterpret_cast<HINSTANCE>(&s_moduleTag);
}

const char* KvLibraryPath()
{
    static const std::string path = [] {
        Dl_info info {};
        if (dladdr(reinterpret_cast<void*>(&KvLibraryInstance), &info) && info.dli_fname)
            return std::string(info.dli_fname);
        return std::string();
    }();
    return path.c_str();
}

int KvLibraryAttachResult()
{
    return s_libraryHook.AttachResult();
}

int KvNextStaticOrdinal()
{
    static int counter = 0;
    return ++counter;
}

int KvLibraryEntryCalls()
{
    return s_entryCalls;
}

int KvLibraryAttachOrdinal()
{
    return s_attachOrdinal;
}
