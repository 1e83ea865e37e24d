#pragma once
// The Encore mark codes that become note marks (kind 8), shared by the note
// conversion and the measure marks of the symbol walk: each entry pairs an
// Encore mark code with the native mark index (an index of MarkTB and of the
// document's mark sizes). Searched from the start; the first entry wins.

#include "Platform.h"

#include <array>

struct EncMarkEntry {
    BYTE code;  // Encore mark code
    BYTE index; // native mark index
};

inline constexpr std::array<EncMarkEntry, 48> kEncMarkTable {{
    {32, 29}, {33, 30}, {28, 16}, {29, 14}, {36, 19}, {37, 20}, {18, 13}, {34, 7},  {35, 8},  {22, 9},
    {23, 10}, {26, 1},  {19, 2},  {38, 5},  {39, 6},  {20, 3},  {21, 4},  {40, 21}, {41, 22}, {44, 23},
    {45, 24}, {42, 17}, {43, 18}, {4, 25},  {5, 26},  {6, 27},  {7, 28},  {8, 31},  {46, 32}, {0, 37},
    {1, 38},  {2, 39},  {9, 40},  {70, 41}, {13, 42}, {14, 43}, {15, 44}, {16, 45}, {17, 46}, {10, 33},
    {11, 34}, {12, 35}, {30, 14}, {31, 16}, {24, 11}, {25, 12}, {27, 15}, {48, 15},
}};

// The native mark index of an Encore mark code; -1 when the table has none.
inline int EncMarkIndex(int code)
{
    for (const EncMarkEntry& entry : kEncMarkTable) {
        if (entry.code == code)
            return entry.index;
    }
    return -1;
}
