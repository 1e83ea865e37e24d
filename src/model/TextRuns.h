#pragma once
// The head of a free text (kind 6) is a list of runs: a tag byte, then its
// operand. Tag 2 names a font (a 16-bit font number), tag 6 is a text
// counted by a 16-bit length; the other tags have fixed operands.

#include "Platform.h"

// Operand bytes after the tag byte of a run; -1 for the counted text run,
// whose 16-bit length follows the tag.
inline int TextRunOperandSize(BYTE tag)
{
    switch (tag) {
    case 1:
    case 2:
    case 4:
    case 9:
        return 2;
    case 3:
        return 1;
    case 5:
    case 7:
        return 4;
    case 6:
        return -1;
    default:
        return 0;
    }
}

constexpr BYTE kTextRunFont = 2;

// A text run of more than this many bytes whose bytes n - 8 to n - 3 are
// zero is UTF-16 text followed by that marker, whose last two bytes are the
// character set and the pitch and family.
constexpr int kWideRunMarkerBytes = 8;

inline bool IsWideTextRun(const BYTE* run, int n)
{
    if (n <= kWideRunMarkerBytes)
        return false;
    for (int i = n - kWideRunMarkerBytes; i <= n - 3; ++i) {
        if (run[i] != 0)
            return false;
    }
    return true;
}
