#pragma once
// Small pieces shared by the self-drawing symbols: fonts named by number in
// the document's font table, UTF-16 text read from a head, and the text
// state of a DC put back when a drawing ends. Not part of the library's
// interface.

#include "Platform.h"

#include <string>

class CFontDatas;

namespace drawntext {

// Sets the face name, cut to what the font record holds.
void SetFace(LOGFONT& font, const char* face);

// The face, character set and pitch and family of the font with this
// number. A number that the table lacks leaves an empty face (the
// platform's default) and the other two at 0.
void TakeFace(CFontDatas* fonts, int number, LOGFONT& font);

// The UTF-16 text in `bytes` bytes at p: whole units only, up to the first
// zero unit.
std::u16string ReadUnits(const BYTE* p, int bytes);

// Font height in logical units for a size in points on this DC: negative,
// so that it names the character height.
int PointsToHeight(CDC* dc, int points);

// Text extent and output of UTF-16 text.
CSize ExtentW(CDC* dc, const std::u16string& text);
void TextOutW(CDC* dc, int x, int y, const std::u16string& text);

// Keeps a DC's text colour, alignment and font, and puts them back (and
// deletes the font it selected) when it goes.
class TextState {
public:
    explicit TextState(CDC* dc);
    ~TextState();
    TextState(const TextState&) = delete;
    TextState& operator=(const TextState&) = delete;

    // Creates the font and selects it; false (nothing selected) when it
    // cannot be created or selected.
    bool Select(const LOGFONT& font);

private:
    CDC* m_dc;
    COLORREF m_colour;
    UINT m_align;
    CFont m_font;
    HFONT m_oldFont = nullptr;
    HFONT m_oldAttribFont = nullptr;
    bool m_selected = false;
};

} // namespace drawntext
