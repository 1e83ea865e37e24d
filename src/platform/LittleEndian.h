#pragma once
// Little-endian fields of records, read and written byte by byte so that
// nothing depends on the machine's byte order or alignment.

#include "WinTypes.h"

inline WORD GetWord(const BYTE* p)
{
    return static_cast<WORD>(p[0] | (p[1] << 8));
}

inline DWORD GetDword(const BYTE* p)
{
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
           (static_cast<DWORD>(p[3]) << 24);
}

inline void PutWord(BYTE* p, WORD value)
{
    p[0] = static_cast<BYTE>(value);
    p[1] = static_cast<BYTE>(value >> 8);
}

inline void PutDword(BYTE* p, DWORD value)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<BYTE>(value >> (8 * i));
}
