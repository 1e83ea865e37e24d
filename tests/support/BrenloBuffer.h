#pragma once
// A writer of Brenlo page buffers for tests, benchmarks and fuzz seeds: the
// big-endian data a host hands over, written from field-level descriptions.
// Its defaults make a page that converts; any length can be overridden, a
// record patched at an offset and the output cut anywhere. Its byte-order
// code is its own, kept apart from the reader's.

#include "Platform.h"

#include <optional>
#include <string>
#include <vector>

namespace kvtest {

using BrenloBytes = std::vector<BYTE>;

void PutBig16(BrenloBytes& bytes, size_t offset, WORD value);
void PutBig32(BrenloBytes& bytes, size_t offset, DWORD value);

struct BrenloAttr {
    DWORD type = 0;           // 0, 1 or 2; other types make no item
    short tag = 0;
    std::string name;         // type 1
    std::optional<DWORD> length;
};

struct BrenloHead {
    signed char step = 0;     // staff step; 0 the bottom line
    BYTE dots = 0;
    BYTE accidental = 0;      // low nibble the accidental, high nibble a mark
    BYTE code = 8;            // head code
};

struct BrenloStem {
    signed char byte3 = 0;
    BYTE direction = 1;       // 1 up
    short length = 20;
    BYTE duration = 3;        // quarter
    BYTE beamed = 0;
    short beam = 0;           // beam number, from 1
    BYTE grace = 0;
    BYTE note = 1;            // 1 note, other rest
};

struct BrenloLyric {
    short x = 0;
    std::string text;         // written with its length byte; at most 15 fit
    BYTE lengthByte = 0;      // written instead of text's length when non-zero
    BYTE style = 0;
    short size = 16;
    BYTE red = 0, green = 0, blue = 0;
};

// One staff symbol: type 1 bar line, 2 clef, 3 time, 4 note, 5 key; any
// other type is written with its common part only.
struct BrenloSymbol {
    DWORD type = 4;
    LONG width = 0;           // stored width, Fixed
    short tag = 0;
    BYTE slide = 0;
    BYTE code = 0;            // bar, time and key code
    WORD clef = 0x21;         // clef code
    short lineOffset = 0;
    WORD count = 0;           // key count
    DWORD numerator = 4, denominator = 4;
    std::vector<BrenloHead> heads;
    std::vector<BrenloStem> stems;
    int extras = 0;
    std::vector<BrenloLyric> lyrics; // up to nine
    std::vector<BrenloAttr> attrs;
    std::optional<DWORD> length;
    std::optional<DWORD> headBytes, stemBytes, extraBytes;
};

BrenloSymbol BrBar(LONG width, BYTE code = 0x6C);
BrenloSymbol BrClef(LONG width, WORD code = 0x21, short lineOffset = 0);
BrenloSymbol BrTime(LONG width, BYTE code, DWORD numerator = 4, DWORD denominator = 4);
BrenloSymbol BrKey(LONG width, BYTE code, WORD count);
BrenloSymbol BrNote(LONG width, std::vector<BrenloHead> heads, BrenloStem stem = {});
BrenloSymbol BrRest(LONG width, BYTE duration);

// Whole units as Fixed.
constexpr LONG BrUnits(int units)
{
    return units * 65536;
}

struct BrenloGraphic {
    DWORD type = 1;           // 1 to 8, 12 to 15; others make no item
    BrenloBytes first, second; // type 12's blocks
    std::optional<DWORD> length;
};

struct BrenloSystem {
    short top = 100;
    short staffHeight = 20;
    short staffSpace = 6;     // size step 96
    short lyricOffset = 20;
    short lyricLines = 0;
    short lineHeights[9] = {10, 10, 10, 10, 10, 10, 10, 10, 10};
    LONG left = BrUnits(40);
    LONG rightIndent = BrUnits(20);
    LONG third = 0;
    std::vector<BrenloSymbol> symbols;
    std::vector<BrenloAttr> attrs;
    std::vector<BrenloGraphic> graphics;
    std::optional<DWORD> length;
};

struct BrenloPage {
    WORD first = 2;           // H
    DWORD firstLength = 96;   // L1, at least 96 holds the page size
    short width = 600;
    short height = 800;
    DWORD secondLength = 0;   // L2
    std::optional<DWORD> headerLength; // the page header record, 26 by default
    std::vector<BrenloGraphic> graphics;
    std::vector<BrenloSystem> systems;
    std::optional<DWORD> graphicBytes, systemBytes;
};

// Where the parts of a written buffer start.
struct BrenloOffsets {
    size_t page = 0;          // the page part
    size_t systems = 0;       // the first system record
};

BrenloBytes WriteBrenlo(const BrenloPage& page, BrenloOffsets* offsets = nullptr);
BrenloBytes WriteBrenloSymbol(const BrenloSymbol& symbol);
BrenloBytes WriteBrenloSystem(const BrenloSystem& system);

// One system with every symbol class, lyrics, attributes and graphics.
BrenloPage BrenloSamplePage();

// A page 32,767 wide with two systems of `bars` bar lines one unit apart
// (staff space 9), each followed by a last measure up to the page's width.
BrenloPage BrenloManyMeasuresPage(int bars);

} // namespace kvtest
