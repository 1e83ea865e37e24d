#include "Kernel.h"

#include "Fatal.h"
#include "HostServices.h"
#include "Start.h"

#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>

namespace {

std::recursive_mutex& MutexOf(LPCRITICAL_SECTION section, const char* caller)
{
    if (!section || !section->mutex)
        KvFatal("%s: critical section %p is not initialised", caller, static_cast<void*>(section));
    return *section->mutex;
}

// The live global blocks, keyed by handle.
struct GlobalBlock {
    void* data;
    DWORD size;
    bool moveable;
    int locks;
};

struct GlobalBlocks {
    std::mutex mutex;
    std::unordered_map<HGLOBAL, GlobalBlock> blocks;
};

GlobalBlocks& Blocks()
{
    static GlobalBlocks blocks;
    return blocks;
}

// Copies a piece of a path into an output of `capacity` bytes, cutting it to
// fit with its NUL.
void CopyPiece(char* out, int capacity, const char* begin, const char* end)
{
    if (!out)
        return;
    const size_t length = std::min(static_cast<size_t>(end - begin), static_cast<size_t>(capacity - 1));
    std::memcpy(out, begin, length);
    out[length] = '\0';
}

DWORD CopyModulePath(const std::string& path, LPSTR buffer, DWORD size)
{
    if (size == 0 || !buffer)
        return 0;
    if (path.size() < size) {
        std::memcpy(buffer, path.c_str(), path.size() + 1);
        return static_cast<DWORD>(path.size());
    }
    std::memcpy(buffer, path.data(), size - 1);
    buffer[size - 1] = '\0';
    return size;
}

} // namespace

void InitializeCriticalSection(LPCRITICAL_SECTION section)
{
    section->mutex = new std::recursive_mutex;
}

void EnterCriticalSection(LPCRITICAL_SECTION section)
{
    MutexOf(section, "EnterCriticalSection").lock();
}

void LeaveCriticalSection(LPCRITICAL_SECTION section)
{
    MutexOf(section, "LeaveCriticalSection").unlock();
}

void DeleteCriticalSection(LPCRITICAL_SECTION section)
{
    if (!section)
        return;
    delete section->mutex;
    section->mutex = nullptr;
}

HGLOBAL GlobalAlloc(UINT flags, DWORD bytes)
{
    // A zero-byte request still gets its own address.
    const size_t allocated = bytes ? bytes : 1;
    void* data = (flags & GMEM_ZEROINIT) ? std::calloc(allocated, 1) : std::malloc(allocated);
    if (!data)
        return nullptr;
    const bool moveable = (flags & GMEM_MOVEABLE) != 0;
    // A moveable block's handle must differ from any address the caller
    // might hold, so it is a token allocated for the purpose.
    HGLOBAL handle = moveable ? reinterpret_cast<HGLOBAL>(new char) : reinterpret_cast<HGLOBAL>(data);
    GlobalBlocks& all = Blocks();
    std::lock_guard<std::mutex> lock(all.mutex);
    all.blocks[handle] = GlobalBlock {data, bytes, moveable, 0};
    return handle;
}

LPVOID GlobalLock(HGLOBAL block)
{
    GlobalBlocks& all = Blocks();
    std::lock_guard<std::mutex> lock(all.mutex);
    const auto it = all.blocks.find(block);
    if (it == all.blocks.end())
        return nullptr;
    if (it->second.moveable)
        ++it->second.locks;
    return it->second.data;
}

BOOL GlobalUnlock(HGLOBAL block)
{
    GlobalBlocks& all = Blocks();
    std::lock_guard<std::mutex> lock(all.mutex);
    const auto it = all.blocks.find(block);
    if (it == all.blocks.end() || it->second.locks == 0)
        return FALSE;
    --it->second.locks;
    return it->second.locks > 0 ? TRUE : FALSE;
}

HGLOBAL GlobalFree(HGLOBAL block)
{
    GlobalBlocks& all = Blocks();
    std::lock_guard<std::mutex> lock(all.mutex);
    const auto it = all.blocks.find(block);
    if (it == all.blocks.end())
        return block;
    std::free(it->second.data);
    if (it->second.moveable)
        delete reinterpret_cast<char*>(block);
    all.blocks.erase(it);
    return nullptr;
}

DWORD GlobalSize(HGLOBAL block)
{
    GlobalBlocks& all = Blocks();
    std::lock_guard<std::mutex> lock(all.mutex);
    const auto it = all.blocks.find(block);
    return it == all.blocks.end() ? 0 : it->second.size;
}

void GlobalMemoryStatus(LPMEMORYSTATUS status)
{
    constexpr unsigned long long kLargestCount = 0x7FFFFFFF;
    const unsigned long long available = GetHostServices().AvailableVirtualBytes();
    *status = MEMORYSTATUS {};
    status->dwLength = sizeof(MEMORYSTATUS);
    status->dwTotalVirtual = static_cast<DWORD>(kLargestCount);
    status->dwAvailVirtual = static_cast<DWORD>(std::min(available, kLargestCount));
}

DWORD GetTempPathA(DWORD size, LPSTR buffer)
{
    const char* variable = std::getenv("TMPDIR");
    std::string path = (variable && *variable) ? variable : "/tmp";
    if (path.back() != '/')
        path += '/';
    const DWORD needed = static_cast<DWORD>(path.size() + 1);
    if (!buffer || size < needed)
        return needed;
    std::memcpy(buffer, path.c_str(), needed);
    return needed - 1;
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size)
{
    if (!module) {
        char path[4096];
        const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
        if (length <= 0 || static_cast<size_t>(length) >= sizeof path)
            return 0;
        return CopyModulePath(std::string(path, static_cast<size_t>(length)), buffer, size);
    }
    if (module == KvLibraryInstance())
        return CopyModulePath(KvLibraryPath(), buffer, size);
    return 0;
}

void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext)
{
    if (drive)
        drive[0] = '\0';
    if (!path)
        path = "";
    const char* end = path + std::strlen(path);
    const char* nameStart = path;
    for (const char* p = path; p != end; ++p) {
        if (*p == '/' || *p == '\\')
            nameStart = p + 1;
    }
    const char* dot = end;
    for (const char* p = end; p != nameStart; --p) {
        if (p[-1] == '.') {
            dot = p - 1;
            break;
        }
    }
    CopyPiece(dir, _MAX_DIR, path, nameStart);
    CopyPiece(fname, _MAX_FNAME, nameStart, dot);
    CopyPiece(ext, _MAX_EXT, dot, end);
}

int wsprintfA(LPSTR buffer, LPCSTR format, ...)
{
    constexpr int kLimit = 1024;
    va_list args;
    va_start(args, format);
    const int wanted = std::vsnprintf(buffer, kLimit, format, args);
    va_end(args);
    if (wanted < 0) {
        buffer[0] = '\0';
        return 0;
    }
    return std::min(wanted, kLimit - 1);
}

BOOL GetVersionExA(LPOSVERSIONINFOA info)
{
    if (!info || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA))
        return FALSE;
    info->dwMajorVersion = 5;
    info->dwMinorVersion = 1;
    info->dwBuildNumber = 2600;
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    info->szCSDVersion[0] = '\0';
    return TRUE;
}

void ExitProcess(UINT code)
{
    GetHostServices().ExitProcess(code);
    // A host whose ExitProcess came back broke its contract; this call must
    // not return either way.
    std::abort();
}
