#pragma once
// Resources. The host creates resource modules and registers each resource
// as bytes under its module, integer id and type; the Find/Load/Lock calls
// read them back. The bytes stay put until the resource is registered again
// or the process state is reset.

#include "WinTypes.h"

// A new, empty resource module; `name` is for diagnostics only.
HMODULE KvCreateResourceModule(const char* name);
// Registers (or replaces) resource `id` of `type` (MAKEINTRESOURCE or a name)
// in `module`, copying the bytes.
void KvAddResource(HMODULE module, UINT id, LPCSTR type, const void* bytes, DWORD size);

// Null for a resource that is not registered. Names must be integers made
// with MAKEINTRESOURCE; type names compare ignoring ASCII case.
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
inline HRSRC FindResource(HMODULE module, LPCSTR name, LPCSTR type)
{
    return FindResourceA(module, name, type);
}
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL loaded);
DWORD SizeofResource(HMODULE module, HRSRC resource);
// Nothing to free; FALSE as on current Windows.
BOOL FreeResource(HGLOBAL loaded);
