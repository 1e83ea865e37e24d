#pragma once
// Rules that every converter of Encore symbols into score messages shares:
// the vertical position of an Encore step, the colour of a symbol, the span
// of a symbol whose end lies some measures later, and the length check of a
// symbol's data.

#include "Platform.h"

class CEncDoc;
class CEncSymbol;

// The y of an Encore vertical step v (half staff spaces, upwards) for the
// staff space L: L - v * (L >> 1), worked out in 32 bits and kept as 16.
short EncStandardY(int staffSpace, int step);

// The colour of a symbol: the colour-table entry of the low byte of wColor
// (black outside the table or without a colour block).
COLORREF EncSymbolColor(const CEncDoc& enc, const CEncSymbol& symbol);

// The distance from x s in Encore measure measIndex to x e in the measure n
// measures later, in dots: e - s for n = 0 (and for every n below 1 with
// firstCaseBelowOne), else (W(measIndex) - s) + e + the widths of the
// measures in between. False, span untouched, when measIndex + n or any
// measure summed lies outside the document's measure list, or when n is
// negative without firstCaseBelowOne.
bool EncSpan(const CEncDoc& enc, int measIndex, int s, int e, int n, bool firstCaseBelowOne, int& span);

// True when the symbol holds at least `need` data bytes; otherwise counts it
// in the document's m_dwShortSymbols and returns false.
bool EncHasData(CEncDoc& enc, const CEncSymbol& symbol, DWORD need);

// Data lengths of the symbol forms.
constexpr DWORD kEncPointData = 4;
constexpr DWORD kEncMidiData = 20;
constexpr DWORD kEncLineData = 18;
constexpr DWORD kEncZigzagData = 14;
constexpr DWORD kEncShapeData = 17;
constexpr DWORD kEncTieData = 8;
