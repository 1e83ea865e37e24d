#pragma once
// Conversions between code pages and WCHAR (UTF-16) text, with Win32's
// length conventions, and the process-wide ANSI code page behind CP_ACP.

#include "WinTypes.h"

// Converts `multiByteLength` bytes (-1: up to and including the NUL) of code
// page `codePage` to UTF-16. With `wideLength` 0 it only returns the number
// of WCHARs needed; otherwise it returns the number written, or 0 when the
// buffer is too small (nothing is written then). Undecodable bytes become
// U+FFFD; a conversion never stops part-way. `flags` is accepted and ignored.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByte, int multiByteLength,
                        LPWSTR wide, int wideLength);

// The reverse conversion. A character the code page cannot represent becomes
// `defaultChar` ("?" when null) and sets *usedDefaultChar.
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideLength,
                        LPSTR multiByte, int multiByteLength, LPCSTR defaultChar,
                        LPBOOL usedDefaultChar);

// The ANSI code page that CP_ACP stands for; the host sets it (Windows-1252
// until then). FALSE, with the setting unchanged, for a code page this
// layer does not know.
UINT GetACP();
BOOL SetAnsiCodePage(UINT codePage);

// Sets the ANSI code page by a name such as "Windows-1252", "1252" or
// "CP949" (letters in any case). FALSE for an unknown name.
BOOL SetAnsiCodePageByName(const char* name);
