#pragma once
// Path mapping from Windows-style paths to this file system, and the
// process-wide virtual current directory.

#include "WinTypes.h"

#include <string>

// Maps a path as the library's callers write it to a path of this system.
std::string KvMapPath(const char* path);

BOOL SetCurrentDirectoryA(LPCSTR path);
DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer);
