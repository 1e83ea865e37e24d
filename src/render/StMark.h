#pragma once
// A glyph record of the clef and mark tables: two glyph codes and an offset.

#include "Platform.h"

struct STMARK {
    BYTE byCode;
    BYTE byCode2;
    short nX;
    short nY;
};
static_assert(sizeof(STMARK) == 6);
