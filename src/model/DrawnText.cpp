// The shared pieces of the self-drawing symbols.

#include "model/DrawnText.h"

#include "model/FontDatas.h"
#include "model/TextHelpers.h"

#include <cstring>

namespace drawntext {

void SetFace(LOGFONT& font, const char* face)
{
    std::memset(font.lfFaceName, 0, sizeof(font.lfFaceName));
    std::memcpy(font.lfFaceName, face, strnlen(face, sizeof(font.lfFaceName) - 1));
}

void TakeFace(CFontDatas* fonts, int number, LOGFONT& font)
{
    std::memset(font.lfFaceName, 0, sizeof(font.lfFaceName));
    font.lfCharSet = 0;
    font.lfPitchAndFamily = 0;
    if (!fonts)
        return;
    char face[CFontDatas::kMaxNameLength + 1] = {};
    if (!fonts->GetFontName(number, face))
        return;
    SetFace(font, face);
    font.lfCharSet = fonts->GetCharSet(static_cast<BYTE>(number));
    font.lfPitchAndFamily = fonts->GetPitchAndFamily(static_cast<BYTE>(number));
}

std::u16string ReadUnits(const BYTE* p, int bytes)
{
    std::u16string text;
    for (int i = 0; p && i + 1 < bytes; i += 2) {
        const char16_t unit = static_cast<char16_t>(p[i] | (p[i + 1] << 8));
        if (unit == 0)
            break;
        text.push_back(unit);
    }
    return text;
}

int PointsToHeight(CDC* dc, int points)
{
    return -MulDiv(points, dc->GetDeviceCaps(LOGPIXELSY), 72);
}

CSize ExtentW(CDC* dc, const std::u16string& text)
{
    SIZE size {0, 0};
    if (!text.empty())
        ::GetTextExtentPoint32W(dc->m_hAttribDC, text.data(), static_cast<int>(text.size()), &size);
    return CSize(size.cx, size.cy);
}

void TextOutW(CDC* dc, int x, int y, const std::u16string& text)
{
    ::TextOutW(dc->m_hDC, x, y, text.data(), static_cast<int>(text.size()));
}

TextState::TextState(CDC* dc) : m_dc(dc), m_colour(dc->GetTextColor()), m_align(dc->GetTextAlign())
{
}

TextState::~TextState()
{
    m_dc->SetTextColor(m_colour);
    m_dc->SetTextAlign(m_align);
    if (m_selected) {
        ::SelectObject(m_dc->m_hDC, m_oldFont);
        if (m_oldAttribFont)
            ::SelectObject(m_dc->m_hAttribDC, m_oldAttribFont);
    }
    m_font.DeleteObject();
}

bool TextState::Select(const LOGFONT& font)
{
    if (m_selected) {
        ::SelectObject(m_dc->m_hDC, m_oldFont);
        if (m_oldAttribFont)
            ::SelectObject(m_dc->m_hAttribDC, m_oldAttribFont);
        m_selected = false;
    }
    m_font.DeleteObject();
    if (!m_font.CreateFontIndirect(&font))
        return false;
    m_oldFont = SelectFontObject(m_dc, &m_font, m_oldAttribFont);
    if (!m_oldFont) {
        m_font.DeleteObject();
        return false;
    }
    m_selected = true;
    return true;
}

} // namespace drawntext
