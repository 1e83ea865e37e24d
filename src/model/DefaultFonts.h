#pragma once
// The default text fonts of a new document.

#include "Platform.h"

// One default font: the face name as a string resource of the host, the
// height in points and the style switches.
struct DEFAULT_FONT {
    INT nFaceNameId;
    INT nHeight;
    INT bBold;
    INT bItalic;
    INT bUnderline;
};

constexpr int kDefaultFontCount = 8;
extern const DEFAULT_FONT pDefaultFonts[kDefaultFontCount];
