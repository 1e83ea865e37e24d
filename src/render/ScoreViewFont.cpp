// The music font at size percents, measuring glyph text, and drawing it
// directly or in a colour through the host's memory device context.

#include "render/ScoreView.h"

#include "model/TextHelpers.h"

#include <cstdlib>

CDC memTextDC;
CBitmap bmpText;

namespace {

void ResetTextDC()
{
    memTextDC.DeleteDC();
    bmpText.DeleteObject();
}

KvProcessReset s_reset("memTextDC", &ResetTextDC);

// Runs a measurement with one logical unit to one device unit, and puts the
// caller's extents back.
template <typename Measure>
CSize AtUnitScale(CDC* dc, Measure measure)
{
    const CSize windowExt = dc->GetWindowExt();
    const CSize viewportExt = dc->GetViewportExt();
    dc->SetWindowExt(100, 100);
    dc->SetViewportExt(100, 100);
    const CSize size = measure();
    dc->SetWindowExt(windowExt);
    dc->SetViewportExt(viewportExt);
    return size;
}

// True when memTextDC has a bitmap that holds (0, 0, width, height) in its
// current mapping. Without one a coloured blit would copy nothing.
bool TextDCHolds(int width, int height)
{
    if (!memTextDC.m_hDC)
        return false;
    RECT box;
    return memTextDC.GetClipBox(&box) != 0 && box.left <= 0 && box.top <= 0 && box.right >= width &&
           box.bottom >= height;
}

} // namespace

HFONT CScoreView::SelectFontObject(HFONT font)
{
    if (!m_pDC)
        return nullptr;
    HFONT previous = static_cast<HFONT>(::SelectObject(m_pDC->m_hDC, font));
    if (m_pDC->m_hAttribDC && m_pDC->m_hAttribDC != m_pDC->m_hDC)
        previous = static_cast<HFONT>(::SelectObject(m_pDC->m_hAttribDC, font));
    return previous;
}

HFONT CScoreView::SelectFont(short percent)
{
    if (!m_bOpened)
        return nullptr;
    for (int i = 0; i < m_nFontCount; ++i) {
        if (m_pFontTable[i].wPercent == static_cast<WORD>(percent))
            return SelectFontObject(m_pFontTable[i].hFont);
    }
    // A full table gives up its last entry. Its font may be the selected
    // one, so it is deleted only once the new font has taken its place.
    HFONT dropped = nullptr;
    if (m_nFontCount >= kFontTableSize)
        dropped = m_pFontTable[--m_nFontCount].hFont;

    m_lfMusic.lfHeight = -static_cast<int>(m_wSymbolSize) * percent / 100;
    m_lfMusic.lfWidth = 0;
    HFONT font = CreateFontIndirectA(&m_lfMusic);
    if (!font)
        font = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    m_pFontTable[m_nFontCount++] = ViewFontEntry {static_cast<WORD>(percent), font};
    m_lfMusic.lfHeight = -static_cast<int>(m_wSymbolSize);
    HFONT previous = SelectFontObject(font);
    if (dropped)
        DeleteObject(dropped);
    return previous;
}

CSize CScoreView::GetTextExtent(char code)
{
    if (!m_bOpened)
        return CSize(0, 0);
    // MyGetTextExtent measures at unit scale itself.
    SIZE size {0, 0};
    MyGetTextExtent(m_pDC, &code, 1, &size);
    return CSize(size);
}

CSize CScoreView::GetTextExtent(const char* text, int length)
{
    if (!m_bOpened || !text || length <= 0)
        return CSize(0, 0);
    return AtUnitScale(m_pDC, [&] { return m_pDC->GetTextExtent(text, length); });
}

CSize CScoreView::GetTextExtent(const CString& text)
{
    if (!m_bOpened)
        return CSize(0, 0);
    return AtUnitScale(m_pDC, [&] { return m_pDC->GetTextExtent(text); });
}

int CScoreView::DrawTextOut(int x, int y, const char* text, int length, BYTE coloured)
{
    if (!m_bOpened || !text)
        return 0;
    if (coloured)
        return DrawColoured(x, y, text, length, GetTextExtent(text, length < 0 ? 1 : length), TRUE);
    MyDrawTextOut(m_pDC, x, y, text, length);
    return 1;
}

int CScoreView::DrawTextOut(int x, int y, CString text, BYTE coloured)
{
    if (!m_bOpened)
        return 0;
    if (coloured)
        return DrawColoured(x, y, static_cast<LPCSTR>(text), text.GetLength(), GetTextExtent(text), FALSE);
    return m_pDC->TextOut(x, y, text);
}

int CScoreView::DrawTextOutT(int x, int y, const char* text, int length, BYTE coloured)
{
    if (!m_bOpened || !text)
        return 0;
    if (coloured)
        return DrawColoured(x, y, text, length, GetTextExtent(text, length), FALSE);
    return TextOutA(m_pDC->m_hDC, x, y, text, length);
}

// The text goes in black onto white in memTextDC, twice its extent with the
// drawing point in the middle, and is blitted so that only its black pixels
// take the target's text colour. Without a prepared memTextDC the text is
// drawn directly, which gives the same picture on a white page.
int CScoreView::DrawColoured(int x, int y, const char* text, int length, CSize extent, BOOL glyphMapping)
{
    auto draw = [&](CDC* dc, int atX, int atY) {
        if (glyphMapping)
            MyDrawTextOut(dc, atX, atY, text, length);
        else
            TextOutA(dc->m_hDC, atX, atY, text, length);
    };
    // The extent is measured in whole model units at 100 percent. Under a
    // magnifying zoom the half unit that rounding may have cut off is a whole
    // device pixel or more, so the rectangle grows by one unit each way.
    const CSize window = m_pDC->GetWindowExt();
    const CSize viewport = m_pDC->GetViewportExt();
    const bool magnified = std::abs(viewport.cx) > std::abs(window.cx) || std::abs(viewport.cy) > std::abs(window.cy);
    const int cx = extent.cx + (magnified ? 1 : 0);
    const int cy = extent.cy + (magnified ? 1 : 0);
    if (memTextDC.m_hDC) {
        memTextDC.SetMapMode(MM_ANISOTROPIC);
        memTextDC.SetWindowExt(window);
        memTextDC.SetViewportExt(viewport);
    }
    if (!TextDCHolds(2 * cx, 2 * cy)) {
        draw(m_pDC, x, y);
        return 1;
    }
    memTextDC.SetROP2(R2_COPYPEN);
    memTextDC.SetBkMode(TRANSPARENT);

    HGDIOBJ targetFont = ::SelectObject(m_pDC->m_hDC, GetStockObject(SYSTEM_FONT));
    HGDIOBJ textDCFont = ::SelectObject(memTextDC.m_hDC, targetFont);
    memTextDC.SetTextColor(0);
    memTextDC.SetTextAlign(m_pDC->GetTextAlign());
    memTextDC.FillSolidRect(0, 0, 2 * cx, 2 * cy, 0x00FFFFFF);
    draw(&memTextDC, cx, cy);
    ::SelectObject(memTextDC.m_hDC, textDCFont);
    ::SelectObject(m_pDC->m_hDC, targetFont);

    HBRUSH brush = CreateSolidBrush(m_pDC->GetTextColor());
    HGDIOBJ previousBrush = ::SelectObject(m_pDC->m_hDC, brush);
    BitBlt(m_pDC->m_hDC, x - cx, y - cy, 2 * cx, 2 * cy, memTextDC.m_hDC, 0, 0, ROP_DPSOXN);
    ::SelectObject(m_pDC->m_hDC, previousBrush);
    DeleteObject(brush);
    return 1;
}
