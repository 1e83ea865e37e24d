#pragma once
// One music-font code measured or drawn as a one-byte text; code 0 (no glyph
// in the table) measures nothing and draws nothing.

#include "Platform.h"
#include "model/TextHelpers.h"

namespace kvdrag {

inline CSize MeasureGlyph(CDC* dc, BYTE code)
{
    SIZE size {0, 0};
    if (code) {
        const char text = static_cast<char>(code);
        MyGetTextExtent(dc, &text, 1, &size);
    }
    return CSize(size.cx, size.cy);
}

inline void DrawGlyph(CDC* dc, BYTE code, int x, int y)
{
    if (!code)
        return;
    const char text = static_cast<char>(code);
    MyDrawTextOut(dc, x, y, &text, 1);
}

} // namespace kvdrag
