#pragma once
// The process-wide list of installed font faces, one entry per face and
// character set, and the two lookups by face name.

#include "Platform.h"

struct InstalledFontInfo {
    // Type flags: every entry has kFontListed, plus one of the other two.
    static constexpr DWORD kFontListed = 0x100;
    static constexpr DWORD kFontTrueType = 0x200;
    static constexpr DWORD kFontDevice = 0x400;

    CString strFaceName;
    CString strScript;
    BYTE byCharSet = 0;
    BYTE byPitchAndFamily = 0;
    DWORD dwType = 0;
};

using CInstalledFontList = CTypedPtrArray<CPtrArray, InstalledFontInfo*>;

// The temporary folder with its trailing "/", written at load for the host.
extern "C" char szTempDirPath[MAX_PATH];

// Character set of the first entry with this face name (exact, case
// sensitive); 1 (DEFAULT_CHARSET) for an empty or unknown name.
BYTE GetInstalledFontCharset(const CString& faceName);
// Pitch-and-family byte of the first entry with this face name; 0 for an
// empty or unknown name.
BYTE GetInstalledFontPitchAndFamily(const CString& faceName);

// The list as the entry routine built it. Entries that could not be
// allocated are null.
const CInstalledFontList& GetInstalledFontList();

// Used by the entry routine: appends every face the screen reports, once per
// character set; and frees every entry and empties the list.
void BuildInstalledFontList();
void FreeInstalledFontList();
