#include "model/InstalledFonts.h"

BYTE GetInstalledFontCharset(const CString&)
{
    KV_PENDING("GetInstalledFontCharset");
    return 1;
}

BYTE GetInstalledFontPitchAndFamily(const CString&)
{
    KV_PENDING("GetInstalledFontPitchAndFamily");
    return 0;
}
