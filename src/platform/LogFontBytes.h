#pragma once
// A LOGFONTA as the library's records store it: 60 bytes, the five LONGs
// little-endian, the eight BYTE fields, then the 32-byte face name as it
// stands (a record may hold it without its terminator).

#include "GdiTypes.h"
#include "LittleEndian.h"

#include <cstring>

constexpr int kLogFontBytes = 60;
constexpr int kLogFontFaceOffset = 28;

inline void PutLogFontBytes(BYTE* p, const LOGFONTA& font)
{
    PutDword(p + 0, static_cast<DWORD>(font.lfHeight));
    PutDword(p + 4, static_cast<DWORD>(font.lfWidth));
    PutDword(p + 8, static_cast<DWORD>(font.lfEscapement));
    PutDword(p + 12, static_cast<DWORD>(font.lfOrientation));
    PutDword(p + 16, static_cast<DWORD>(font.lfWeight));
    p[20] = font.lfItalic;
    p[21] = font.lfUnderline;
    p[22] = font.lfStrikeOut;
    p[23] = font.lfCharSet;
    p[24] = font.lfOutPrecision;
    p[25] = font.lfClipPrecision;
    p[26] = font.lfQuality;
    p[27] = font.lfPitchAndFamily;
    std::memcpy(p + kLogFontFaceOffset, font.lfFaceName, LF_FACESIZE);
}

inline void GetLogFontBytes(const BYTE* p, LOGFONTA& font)
{
    font.lfHeight = static_cast<LONG>(GetDword(p + 0));
    font.lfWidth = static_cast<LONG>(GetDword(p + 4));
    font.lfEscapement = static_cast<LONG>(GetDword(p + 8));
    font.lfOrientation = static_cast<LONG>(GetDword(p + 12));
    font.lfWeight = static_cast<LONG>(GetDword(p + 16));
    font.lfItalic = p[20];
    font.lfUnderline = p[21];
    font.lfStrikeOut = p[22];
    font.lfCharSet = p[23];
    font.lfOutPrecision = p[24];
    font.lfClipPrecision = p[25];
    font.lfQuality = p[26];
    font.lfPitchAndFamily = p[27];
    std::memcpy(font.lfFaceName, p + kLogFontFaceOffset, LF_FACESIZE);
}
