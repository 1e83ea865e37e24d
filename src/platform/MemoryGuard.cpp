#include "MemoryGuard.h"

namespace {

// A stop after running out of memory is a failure, so the process ends with
// a non-zero status.
constexpr UINT kOutOfMemoryExitCode = 1;

} // namespace

int ReportOutOfMemory(int code)
{
    if (code != 1)
        return code;
    const int answer = AfxMessageBox("Out of Memory !!!", MB_YESNO, 0);
    if (answer == IDYES)
        ExitProcess(kOutOfMemoryExitCode);
    return answer;
}

int CheckAvailableMemory(int bytes)
{
    MEMORYSTATUS status {};
    status.dwLength = sizeof status;
    GlobalMemoryStatus(&status);
    // The figure is capped at 0x7FFFFFFF, so it is never negative as a
    // signed count.
    if (static_cast<int>(status.dwAvailVirtual) >= bytes)
        return 1;
    ReportOutOfMemory(1);
    return 0;
}
