#pragma once
// The byte layout of a custom symbol's block, shared by its reader, its
// writer and the test block maker. Integers little-endian, doubles IEEE 754
// little-endian, no padding; offsets count from the start of their record.
//
//   header (16)  u32 first word, u32 8, "0S2" 0, u16 objects, u16 points
//   i32 N, N stroke records, and when N > 0: i32 P, P point records
//   i32 T, and when T > 0: T text words, i32 I, I text items
//   i32 M (present only when more than four bytes remain), M image records
//   trailing zeros, which readers ignore

#include "Platform.h"

#include <cstdint>
#include <cstring>

namespace csblock {

constexpr int kMaxBlock = 32767;
constexpr int kHeaderSize = 16;
constexpr int kCountSize = 4;
constexpr DWORD kSecondWord = 8;
constexpr int kTagOffset = 8;
constexpr int kTagObjects = 12;
constexpr int kTagPoints = 14;

// The stroke record (one per stroke object).
constexpr int kStrokeSize = 40;
constexpr int kStrokeEnd = 0; // i16, one past the object's last point record
constexpr int kStrokeKind = 2;
constexpr int kStrokePenWidth = 8; // double
constexpr int kStrokeLineStyle = 16;
constexpr int kStrokeClosed = 18;
constexpr int kStrokeEndStyle = 20;
constexpr int kStrokeFill = 22;
constexpr int kStrokeBowForm = 24;
constexpr int kStrokeArrowType = 26;
constexpr int kStrokeArrowEnd = 28;
constexpr int kStrokeColour = 32; // u32

// The point record: double x, double y.
constexpr int kPointSize = 16;

// The text word: low i16 kind (always the text kind), high i16 end index.
constexpr int kTextWordSize = 4;

// The text item, followed by its 2 L text bytes.
constexpr int kItemSize = 112;
constexpr int kItemX = 0;
constexpr int kItemY = 8;
constexpr int kItemFont = 16; // LOGFONTA, 60 bytes
constexpr int kFontSize = 60;
constexpr int kFontFace = 28; // inside the LOGFONTA
constexpr int kItemWidth = 76;
constexpr int kItemHeight = 84;
constexpr int kItemOffsetX = 92;
constexpr int kItemOffsetY = 100;
constexpr int kItemLength = 108; // i32 L

// The image record, followed by its S body bytes.
constexpr int kImageSize = 74;
constexpr int kImageX = 0;
constexpr int kImageY = 4;
constexpr int kImageWidth = 8;
constexpr int kImageHeight = 12;
constexpr int kImageFileHeader = 16; // 14 bytes
constexpr int kImageInfoHeader = 30; // 40 bytes
constexpr int kImageBodySize = 70;   // u32 S
// The writer leaves four spare bytes per image.
constexpr int kImageSpare = 4;

// Coordinates, widths and offsets live in a 16-bit page space.
constexpr double kLowest = -32768;
constexpr double kHighest = 32767;

inline double GetDouble(const BYTE* p)
{
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = bits << 8 | p[i];
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline void PutDouble(BYTE* p, double value)
{
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 8; ++i, bits >>= 8)
        p[i] = static_cast<BYTE>(bits);
}

// Whether a stored double truncates into the page space.
inline bool InPageSpace(double value)
{
    return value == value && value > kLowest - 1 && value < kHighest + 1;
}

} // namespace csblock
