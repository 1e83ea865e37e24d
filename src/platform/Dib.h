#pragma once
// Device-independent bitmaps: headers and colour tables read field by field
// from little-endian bytes, and pixel rows decoded into ARGB32.

#include "GdiTypes.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kvdib {

// A parsed header: the 40-byte info header or the 12-byte core header.
struct Header {
    DWORD headerSize = 0;   // 40 or 12
    LONG width = 0;
    LONG height = 0;        // negative: rows top-down
    WORD bitCount = 0;
    DWORD compression = BI_RGB;
    DWORD sizeImage = 0;
    DWORD colorsUsed = 0;
    std::vector<RGBQUAD> colours; // the colour table as read
};

// The 40-byte info header at `p`, every field as stored (the caller has
// checked that 40 bytes are there), and the same header written back.
void ReadInfoHeader(const BYTE* p, BITMAPINFOHEADER& h);
void WriteInfoHeader(BYTE* p, const BITMAPINFOHEADER& h);

// Parses the header and the colour table at `info` (at most `available`
// bytes). The table has biClrUsed entries, or 2^bpp when that is 0, never
// more than 2^bpp (and never more than 256); core headers have 3-byte
// entries. FALSE for a header size other than 40 or 12, or when the bytes run
// out.
bool ParseHeader(const BYTE* info, size_t available, Header& header);

// The number of colours by the rule above (0 for 24 bpp).
DWORD ColourCount(const Header& header);

// Bytes per row: padded to 4 bytes.
size_t Stride(const Header& header);

// TRUE for what can be decoded: BI_RGB at 1, 4, 8 or 24 bits per pixel, a
// width and height other than 0.
bool Decodable(const Header& header);

// Decodes `lines` rows starting at row `startScan` (counted from the bottom
// for bottom-up images) from `bits`, which holds exactly lines x stride
// bytes, into `pixels` (0xFFRRGGBB, width x |height|, row 0 at the top).
// Returns the number of lines decoded: 0 for what cannot be decoded.
UINT DecodeRows(const Header& header, const BYTE* bits, UINT startScan, UINT lines,
                std::vector<uint32_t>& pixels);

} // namespace kvdib
