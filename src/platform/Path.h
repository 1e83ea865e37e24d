#pragma once
// Path mapping from Windows-style paths to this file system, and the
// process-wide virtual current directory.

#include "WinTypes.h"

#include <string>

// The path with "\\" turned into "/" and a leading drive ("C:") dropped; no
// other change.
std::string KvPathWithoutDrive(const char* path);

// Maps a path as the library's callers write it to a path of this system:
// "\" becomes "/", a leading drive "X:" is dropped, a relative path is
// resolved against the virtual current directory, and a component missing
// in its exact spelling is looked up ignoring ASCII case (the byte-order-
// first match wins). A component found in no spelling stays as given, so a
// file about to be created keeps its name. An empty or null path maps to "".
std::string KvMapPath(const char* path);

// The virtual current directory. Setting it never changes the process's
// real working directory, and fails for a path that is not a directory.
BOOL SetCurrentDirectoryA(LPCSTR path);
// Copies the directory and returns its length; when `size` is too small it
// returns the size needed, NUL included, and leaves the buffer untouched.
DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer);

struct SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
};
typedef SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;

// Creates one folder. The security argument is ignored. FALSE when the path
// exists already or its parent does not.
BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES security);
