#include "HostServices.h"

#include "ProcessState.h"
#include "String.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <limits>
#include <string>

namespace {

HostServices s_defaultServices;
HostServices* s_services = nullptr;

void ResetHostServices()
{
    s_services = nullptr;
}

KvProcessReset s_reset("host services", &ResetHostServices);

// A figure in kB from a "Name:   123 kB" line of a /proc file; 0 when absent.
unsigned long long ReadProcKiloBytes(const char* path, const std::string& name)
{
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, name.size(), name) == 0 && line.size() > name.size() && line[name.size()] == ':')
            return std::stoull(line.substr(name.size() + 1)) * 1024ULL;
    }
    return 0;
}

} // namespace

HostServices::~HostServices() = default;

BOOL HostServices::LoadString(UINT, CString& text)
{
    text.Empty();
    return FALSE;
}

int HostServices::MessageBox(const char* text, UINT type)
{
    std::fprintf(stderr, "Kvorel: %s\n", text ? text : "");
    return KvDefaultMessageBoxAnswer(type);
}

void HostServices::Beep(UINT)
{
}

bool HostServices::IsKeyDown(int)
{
    return false;
}

void HostServices::Progress(int, const char*)
{
}

CPtrArray* HostServices::DrumKits()
{
    return nullptr;
}

unsigned long long HostServices::AvailableVirtualBytes()
{
    unsigned long long available = ReadProcKiloBytes("/proc/meminfo", "MemAvailable");
    rlimit limit {};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        const unsigned long long used = ReadProcKiloBytes("/proc/self/status", "VmSize");
        const unsigned long long headroom = limit.rlim_cur > used ? limit.rlim_cur - used : 0;
        available = std::min(available, headroom);
    }
    return available;
}

bool HostServices::ChooseFont(LOGFONTA&, int&)
{
    return false;
}

void HostServices::ExitProcess(UINT code)
{
    std::fflush(nullptr);
    _exit(static_cast<int>(code));
}

int KvDefaultMessageBoxAnswer(UINT type)
{
    switch (type & MB_TYPEMASK) {
    case MB_YESNO:
    case MB_YESNOCANCEL:
        return IDNO;
    case MB_OKCANCEL:
    case MB_RETRYCANCEL:
        return IDCANCEL;
    default:
        return IDOK;
    }
}

void SetHostServices(HostServices* services)
{
    s_services = services;
}

HostServices& GetHostServices()
{
    return s_services ? *s_services : s_defaultServices;
}
