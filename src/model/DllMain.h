#pragma once

#include "Platform.h"

// The library's entry routine, called by the load hook on attach and detach.
BOOL DllMain(HINSTANCE module, DWORD reason, LPVOID reserved);

// The start-up ordinal this file's static initialiser took; the load hook
// must have attached after it.
int KvModelStartupOrdinal();
