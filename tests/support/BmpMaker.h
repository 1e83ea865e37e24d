#pragma once
// BMP files and image records built byte by byte, for the image tests and
// the fuzz seeds.

#include "platform/Platform.h"

#include <optional>
#include <vector>

namespace kvtest {

struct BmpShape {
    LONG width = 4;
    LONG height = 2;             // negative: rows top-down
    WORD bitCount = 8;
    DWORD compression = 0;
    DWORD headerSize = 40;       // longer headers are padded with zeros
    DWORD sizeImage = 0;         // as stored
    DWORD clrUsed = 0;           // as stored; the table written has this many
                                 // entries, or 2^bpp when it is 0
    std::vector<DWORD> colours;  // 0x00RRGGBB, the table's first entries
    std::vector<BYTE> bits;      // as stored; empty: stride x |height| zeros
    DWORD gap = 0;               // spare bytes between the table and the bits
    WORD scaleX = 0;             // the two reserved words
    WORD scaleY = 0;
    std::optional<DWORD> fileSize; // bfSize; by default the file's length
};

std::vector<BYTE> MakeBmp(const BmpShape& shape);
// The record form: i32 x, y, width and height, then the BMP.
std::vector<BYTE> MakeImageRecord(LONG x, LONG y, LONG width, LONG height, const BmpShape& shape);

} // namespace kvtest
