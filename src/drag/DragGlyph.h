#pragma once
// The templates' music font, and one music-font code measured or drawn as a
// one-byte text; code 0 (no glyph in the table) measures nothing and draws
// nothing.

#include "Platform.h"
#include "model/TextHelpers.h"

namespace kvdrag {

// The music font at the document's first metric, selected with baseline
// alignment; the destructor puts the old font and alignment back.
class GlyphFont {
public:
    GlyphFont(CDC* dc, int metric) : m_dc(dc)
    {
        LOGFONT logfont {};
        GetDefaultLogFont(logfont, static_cast<short>(metric * 10), "ZelvoraB", 0, dc);
        ZelvoraLogFontProc(logfont, dc);
        m_font.CreateFontIndirect(&logfont);
        m_oldFont = dc->SelectObject(&m_font);
        m_oldAlign = dc->SetTextAlign(TA_BASELINE);
    }
    ~GlyphFont() { Release(); }
    GlyphFont(const GlyphFont&) = delete;
    GlyphFont& operator=(const GlyphFont&) = delete;
    void Release()
    {
        if (!m_oldFont)
            return;
        m_dc->SetTextAlign(m_oldAlign);
        m_dc->SelectObject(m_oldFont);
        m_oldFont = nullptr;
        m_font.DeleteObject();
    }

private:
    CDC* m_dc;
    CFont m_font;
    CFont* m_oldFont = nullptr;
    UINT m_oldAlign = 0;
};

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
