#pragma once
// Font enumeration and private font files, as Win32 offers them.

#include "GdiTypes.h"

// Calls `proc` with an ENUMLOGFONTEXA and a NEWTEXTMETRICEXA (passed as the
// callback's LOGFONTA and TEXTMETRICA pointers): once per family when `face`
// is null or empty, else once per style of the family `face`.
// A callback returning 0 stops; the result is the last callback's, or 1 when
// none ran (0 without a callback). The device context is not consulted and
// may be null.
int EnumFontFamiliesA(HDC hdc, LPCSTR face, FONTENUMPROCA proc, LPARAM lParam);

// Like EnumFontFamiliesA, selected by `logFont`: an empty lfFaceName means
// every family, a name every style of that family; DEFAULT_CHARSET reports
// each once per character set, another charset only rows in that charset.
// `flags` is reserved and ignored.
int EnumFontFamiliesExA(HDC hdc, LOGFONTA* logFont, FONTENUMPROCA proc, LPARAM lParam, DWORD flags);

// Registers the faces of a font file for this process and returns how many
// were added. Each add needs one RemoveFontResourceA.
int AddFontResourceA(LPCSTR fileName);
BOOL RemoveFontResourceA(LPCSTR fileName);
