#pragma once
// Private profile (.ini) files with Windows' rules. Section and key names
// match ignoring ASCII case after trimming blanks; the first matching
// section, and the first matching key in it, win.

#include "WinTypes.h"

// Copies the value of `key` in `section`, or the default ("" for null, its
// trailing blanks removed) when the file, section or key is missing. The
// result is cut to size - 1 bytes and NUL-terminated; returns the count
// copied. The list forms (null section or key) are not supported: they
// give 0 and an empty buffer.
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue,
                               LPSTR buffer, DWORD size, LPCSTR fileName);

// Sets `key` in `section` to `value`, creating the section or the file as
// needed; a null value removes the key and a null key the whole section.
// Every other line of the file stays byte for byte; lines this function
// writes end in CR LF. FALSE when the file cannot be written.
BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName);
