#include "model/DllMain.h"

#include "model/InstalledFonts.h"

#include <new>

namespace {

const int s_startupOrdinal = KvNextStaticOrdinal();

AFX_EXTENSION_MODULE s_extensionModule;

} // namespace

BOOL DllMain(HINSTANCE module, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        // A refused load keeps the list; the loader's detach frees it.
        BuildInstalledFontList();
        if (GetTempPathA(MAX_PATH, szTempDirPath) == 0)
            return FALSE;
        if (!AfxInitExtensionModule(s_extensionModule, module))
            return FALSE;
        // Joins the host's list of extension libraries, which frees it at
        // unload. Without memory the library still works.
        new (std::nothrow) CDynLinkLibrary(s_extensionModule);
        return TRUE;
    }
    if (reason == DLL_PROCESS_DETACH) {
        FreeInstalledFontList();
        AfxTermExtensionModule(s_extensionModule);
    }
    return TRUE;
}

int KvModelStartupOrdinal()
{
    return s_startupOrdinal;
}
