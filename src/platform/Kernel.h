#pragma once
// Kernel odds and ends: critical sections, global memory blocks, the memory
// status, the temporary folder, module file names, path splitting, bounded
// formatting, the system version and process exit.

#include "WinTypes.h"

#include <mutex>

// A re-entrant lock. The mutex lives on the heap between Initialize and
// Delete, so the structure itself may be copied around as callers of the
// plain structure do.
struct CRITICAL_SECTION {
    std::recursive_mutex* mutex = nullptr;
};
typedef CRITICAL_SECTION* LPCRITICAL_SECTION;

void InitializeCriticalSection(LPCRITICAL_SECTION section);
void EnterCriticalSection(LPCRITICAL_SECTION section);
void LeaveCriticalSection(LPCRITICAL_SECTION section);
void DeleteCriticalSection(LPCRITICAL_SECTION section);

// Global memory. A GMEM_FIXED block's handle is its address; a GMEM_MOVEABLE
// block's handle is a token that GlobalLock turns into the address.
// GMEM_ZEROINIT clears the block. Null on failure.
HGLOBAL GlobalAlloc(UINT flags, DWORD bytes);
LPVOID GlobalLock(HGLOBAL block);
// Nonzero while the block stays locked; 0 once it is unlocked.
BOOL GlobalUnlock(HGLOBAL block);
// Null on success, the handle itself when it is not a live block.
HGLOBAL GlobalFree(HGLOBAL block);
// The size asked for at allocation; 0 for an unknown handle.
DWORD GlobalSize(HGLOBAL block);

// Fills the memory status. Only dwAvailVirtual carries a real figure: the
// host's free address space, capped at 0x7FFFFFFF because callers read it as
// a signed 32-bit count and a larger figure would turn negative.
void GlobalMemoryStatus(LPMEMORYSTATUS status);

// The temporary folder, $TMPDIR when set and non-empty, else "/tmp", always
// ending in "/". Returns its length without the NUL; when the buffer is too
// small, returns the size needed with the NUL and leaves the buffer untouched.
DWORD GetTempPathA(DWORD size, LPSTR buffer);

// The file of a module: null names the running program, KvLibraryInstance()
// the library. A name that does not fit is cut to size - 1 bytes plus NUL
// and size is returned. 0 for an unknown module.
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);

constexpr int _MAX_DRIVE = 3;
constexpr int _MAX_DIR = 256;
constexpr int _MAX_FNAME = 256;
constexpr int _MAX_EXT = 256;

// Splits a path at its last "/" or "\" and its last dot. There are no drive
// letters on Linux, so the drive is always empty. Each output, which may be
// null, takes at most its _MAX_ size including the NUL.
void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext);

// sprintf into a buffer that must hold 1024 bytes: the output is cut to 1023
// bytes plus NUL. Returns the count of bytes written without the NUL.
int wsprintfA(LPSTR buffer, LPCSTR format, ...) __attribute__((format(printf, 2, 3)));

// Reports Windows 5.1 on the NT platform. FALSE unless dwOSVersionInfoSize
// holds the structure's size.
BOOL GetVersionExA(LPOSVERSIONINFOA info);

// Ends the process through the host services.
[[noreturn]] void ExitProcess(UINT code);
