#include "model/DllMain.h"

namespace {

const int s_startupOrdinal = KvNextStaticOrdinal();

} // namespace

BOOL DllMain(HINSTANCE, DWORD, LPVOID)
{
    // Returns TRUE until the start-up is built: a refusing body would refuse
    // every load.
    KV_PENDING("DllMain");
    return TRUE;
}

int KvModelStartupOrdinal()
{
    return s_startupOrdinal;
}
