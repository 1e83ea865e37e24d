#pragma once
// The document's font table: the text fonts that the score's symbols name by
// number.

#include "Platform.h"

class CFontDatas {
public:
    CFontDatas();
    CFontDatas(const CFontDatas&) = delete;
    CFontDatas& operator=(const CFontDatas&) = delete;
    ~CFontDatas();

    // Character set of the installed face of the font with this number; 0
    // when no font has the number.
    BYTE GetCharSet(BYTE number);
    // Copies the face name of the font with this number into `face`, with a
    // terminating zero, and returns 1; 0 (face untouched) when no font has it.
    int GetFontName(int number, char* face);
    // Pitch-and-family byte of the installed face of the font with this
    // number; 0 when no font has the number.
    BYTE GetPitchAndFamily(BYTE number);
};
