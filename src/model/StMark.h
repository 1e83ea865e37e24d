#pragma once
// One glyph record of the clef and note-mark tables: a glyph, an optional
// second glyph drawn with it, and the offsets that place them.

#include "Platform.h"

struct STMARK {
    BYTE byCode = 0;   // glyph of the music font; 0 none
    BYTE byCode2 = 0;  // second glyph (the small 8 of the octave clefs); 0 none
    short nX = 0;      // horizontal offset in drawing units
    short nY = 0;      // vertical offset in drawing units
};

static_assert(sizeof(STMARK) == 6, "STMARK is a six-byte table record");
