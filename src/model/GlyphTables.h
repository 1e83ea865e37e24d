#pragma once
// The glyph codes of the music font by symbol kind and code. A value 0 means
// "no glyph". Code that indexes a table by a stored value goes through
// GlyphAt, which gives 0 out of range.

#include "model/StMark.h"

#include <cstddef>

extern const BYTE codeNote[12];
extern const BYTE codeStdHead[12];
extern const BYTE codeBoxHead[12];
extern const BYTE codeCrossHead[12];
extern const BYTE codeSlashHead[12];
extern const BYTE codeDrumHead[24];
extern const BYTE codeCustomHead[16];
extern const BYTE codeRest[12];
extern const BYTE codeRestSlash;
extern const BYTE codeUpTail[12];
extern const BYTE codeDownTail[12];
extern const BYTE codeUpBar;
extern const BYTE codeDownBar;
extern const BYTE codeUpShortBar;
extern const BYTE codeUpLongBar;
extern const BYTE codeUpShortBarRight;
extern const BYTE codeShortLine;
extern const BYTE codeDot;
extern const BYTE codeDblDot;
extern const BYTE codeAcci[6];
extern const BYTE chordAcci[4];
extern const BYTE chordRoot[8];
extern const BYTE codeGraceAdd[4];
extern const BYTE codeTuplet[10];
extern const BYTE codeTupletDoubleDot;
extern const BYTE codeTime[4];
extern const BYTE codeSmallDigit[8];
extern const BYTE codeBarLine[2][7];
extern const BYTE code5Line;
extern const BYTE codeOneLine;
extern const BYTE codeLongRestBar;
extern const BYTE codeParenthLeft;
extern const BYTE codeParenthRight;
extern const BYTE codeBracket[2][3];
extern const BYTE codeBrace[4];
extern const BYTE codeTrill[2];
extern const BYTE codeMinus;
extern const BYTE codeRollV;
extern const BYTE codeCoda[8];
extern const BYTE codeBreath;
extern const BYTE codeCesura;
extern const BYTE codeFlowerMark;
extern const BYTE codeSlid[4];
extern const BYTE codeCircleUp;
extern const BYTE codeCircleDown;
extern const BYTE codeBigCircleDown;
extern const BYTE codePedal[4];
extern const BYTE codeMeasRepeat;
extern const BYTE codeMeasOneRepeat;
extern const BYTE codeBoard[4];
extern const BYTE codeFr[8];
extern const BYTE codeArc[8];
extern const BYTE codeOX[4];
extern const BYTE CodeDyn[20];
extern const short nTuplRest[8];

// Indexed by clef code (0 to 10).
extern const STMARK ClefTB[11];
// Indexed by mark code (0 to 51).
extern const STMARK MarkTB[52];

// Vertical positions of the accidentals of a key signature in half staff
// spaces from the bottom line, negative upwards: [0] sharps, [1] flats; by
// clef code - 1; first to seventh accidental.
extern const short nKeyPos[2][8][7];

// The entry at `index`, or 0 when the index is outside the table.
template <typename T, size_t N>
constexpr T GlyphAt(const T (&table)[N], int index)
{
    return (index >= 0 && static_cast<size_t>(index) < N) ? table[index] : T {};
}
