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
