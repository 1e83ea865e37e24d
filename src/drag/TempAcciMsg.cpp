// The accidental template: a glyph of the music font left of the pointer.

#include "drag/TempAcciMsg.h"
#include "drag/DragGlyph.h"

#include "document/KVDoc.h"
#include "model/GlyphTables.h"

namespace {

constexpr BYTE kAccidentalKind = 130;
constexpr WORD kPlain = 5;
constexpr WORD kBracketed = 6;

} // namespace

CTempAcciMsg::CTempAcciMsg()
{
    m_byKind = kAccidentalKind;
    m_wHeadType = 0;
    m_wDuration = kPlain;
}

short CTempAcciMsg::Drag(CDC* dc, CPoint pt)
{
    if (m_byAltState == 1)
        m_byAltState = 2;
    else
        DrawDraging(dc);
    UpdateDragingParameter(pt);
    DrawDraging(dc);
    return 1;
}

void CTempAcciMsg::DrawDraging(CDC* dc)
{
    if (!dc || !m_pDoc)
        return;
    kvdrag::GlyphFont font(dc, m_pDoc->m_nScoreFontSize);
    const bool bracketed = m_wDuration == kBracketed;
    const BYTE code = GlyphAt(codeAcci, m_wHeadType + 1);
    const char glyph = static_cast<char>(code);
    int x = m_ptPos.x + m_rcBound.left;
    const int y = m_ptPos.y + m_rcBound.bottom;
    const int bracketY = y + MulDiv(m_rcBound.top, 85, 100);

    SIZE bracket {0, 0};
    if (bracketed) {
        MyGetTextExtent(dc, "(", 1, &bracket);
        dc->TextOut(x, bracketY, "(", 1);
        x += bracket.cx;
    }
    const CSize size = kvdrag::MeasureGlyph(dc, code);
    if (code) {
        dc->TextOut(x, y + m_rcBound.top, &glyph, 1);
        x += size.cx;
    }
    if (bracketed)
        dc->TextOut(x, bracketY, ")", 1);

    const int total = size.cx + bracket.cx;
    const int gap = MulDiv(m_pDoc->m_nStaffSpace, 3, 4);
    m_rcBound = CRect(-(total + gap), -(size.cy >> 1), 0, size.cy >> 1);
    m_bMeasured = 1;
}
