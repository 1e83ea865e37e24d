#include "model/InstalledFonts.h"

#include <cstring>
#include <new>

char szTempDirPath[MAX_PATH] = {};

namespace {

CInstalledFontList& FontList()
{
    // Made on first use, which is the entry routine's attach at the latest,
    // so it outlives the detach that the unload runs.
    static CInstalledFontList list;
    return list;
}

CString FixedText(const char* text, size_t size)
{
    return CString(text, static_cast<int>(strnlen(text, size)));
}

int AddFontEntry(const LOGFONTA* reported, const TEXTMETRICA*, DWORD fontType, LPARAM)
{
    const auto* logFont = reinterpret_cast<const ENUMLOGFONTEXA*>(reported);
    // The Macintosh rows repeat faces that Windows lists anyway.
    if (logFont->elfLogFont.lfCharSet == MAC_CHARSET)
        return 1;

    InstalledFontInfo* info = new (std::nothrow) InstalledFontInfo;
    if (info) {
        info->strFaceName = FixedText(logFont->elfLogFont.lfFaceName, LF_FACESIZE);
        info->strScript = FixedText(reinterpret_cast<const char*>(logFont->elfScript), LF_FACESIZE);
        info->byCharSet = logFont->elfLogFont.lfCharSet;
        info->byPitchAndFamily = logFont->elfLogFont.lfPitchAndFamily;
        info->dwType = InstalledFontInfo::kFontListed;
        if (fontType & TRUETYPE_FONTTYPE)
            info->dwType |= InstalledFontInfo::kFontTrueType;
        else if (fontType & DEVICE_FONTTYPE)
            info->dwType |= InstalledFontInfo::kFontDevice;
    }
    // A null entry stands for one that could not be made; lookups skip it.
    FontList().Add(info);
    return 1;
}

const InstalledFontInfo* FindFace(const CString& faceName)
{
    const CInstalledFontList& list = FontList();
    for (int i = 0; i < list.GetSize(); ++i) {
        const InstalledFontInfo* info = list.GetAt(i);
        if (info && info->strFaceName == faceName)
            return info;
    }
    return nullptr;
}

// Tests rebuild the list from a fixed font list by running the entry
// routine's detach and attach. The reset empties it, so that no test sees
// the faces another test injected, nor the faces of the machine; and it
// fetches the temporary folder again, which tests may have pointed elsewhere.
void ResetInstalledFonts()
{
    FreeInstalledFontList();
    std::memset(szTempDirPath, 0, sizeof szTempDirPath);
    GetTempPathA(MAX_PATH, szTempDirPath);
}

KvProcessReset s_reset("model.installedFonts", &ResetInstalledFonts);

} // namespace

void BuildInstalledFontList()
{
    HDC screen = GetDC(nullptr);
    LOGFONTA request {};
    // DEFAULT_CHARSET reports every face once per character set.
    request.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExA(screen, &request, &AddFontEntry, 0, 0);
    ReleaseDC(nullptr, screen);
}

void FreeInstalledFontList()
{
    CInstalledFontList& list = FontList();
    for (int i = 0; i < list.GetSize(); ++i)
        delete list.GetAt(i);
    list.RemoveAll();
}

const CInstalledFontList& GetInstalledFontList()
{
    return FontList();
}

BYTE GetInstalledFontCharset(const CString& faceName)
{
    if (faceName.IsEmpty())
        return DEFAULT_CHARSET;
    const InstalledFontInfo* info = FindFace(faceName);
    return info ? info->byCharSet : DEFAULT_CHARSET;
}

BYTE GetInstalledFontPitchAndFamily(const CString& faceName)
{
    if (faceName.IsEmpty())
        return 0;
    const InstalledFontInfo* info = FindFace(faceName);
    return info ? info->byPitchAndFamily : 0;
}
