// Texts, lyrics, tempo marks, dynamics and MIDI events.

#include "render/ScoreView.h"

#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "model/DrawnText.h"
#include "model/KVDrawnMsgs.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/TextHelpers.h"
#include "platform/LittleEndian.h"
#include "render/GdiSelection.h"
#include "model/GlyphTables.h"
#include "render/SymbolPlace.h"

using symbolplace::ParentMeas;
using symbolplace::SetHandle;
using symbolplace::SymbolPoint;

namespace {

constexpr short kHiddenLyricLine = -32768; // a lyric-line offset that hides the line
constexpr int kTempoPercent = 100;          // tempo marks keep their size on every staff
constexpr int kMidiPointSize = 100;         // tenths of a point
constexpr BYTE kProgramChange = 0xC0;
constexpr COLORREF kPointerGrey = RGB(128, 128, 128);
constexpr int kArrowSide = 3;
constexpr int kHandleMargin = 3;
constexpr int kTextFlag = 0;                // the last argument of the self-drawing symbols

// The text rectangle of a symbol drawn by its own class: from its point, as
// wide and high as its second point.
CRect TextRect(const CPoint& topLeft, const CKVMsg& msg)
{
    return CRect(topLeft.x, topLeft.y, topLeft.x + msg.m_nPosX2, topLeft.y + msg.m_nPosY2);
}

// The y offset of a lyric line in the measure's head: one 16-bit offset per
// line. A line the head does not hold, or a measure without a head, counts
// as hidden.
short LyricLineOffset(const CKVMeas* meas, int line)
{
    if (!meas || !meas->m_pHead || line < 0 || 2 * line + 2 > meas->m_wHeadLen)
        return kHiddenLyricLine;
    return static_cast<short>(GetWord(meas->m_pHead + 2 * line));
}

// The annotation of a packed MIDI short message: status in the low byte,
// then the two data bytes. Programs and controllers are shown counting
// from 1.
CString MidiEventText(DWORD packed)
{
    const int status = packed & 0xF0;
    const int number = static_cast<int>((packed >> 8) & 0xFF) + 1;
    const int value = static_cast<int>((packed >> 16) & 0xFF);
    CString text;
    if (status == kProgramChange)
        text.Format("(Program %d)", number);
    else
        text.Format("(Controller%d, Value%d)", number, value);
    return text;
}

} // namespace

short CScoreView::DrawMultiText(CKVMsg& msg)
{
    if (!m_bOpened)
        return 1;
    if (!msg.m_pHead || msg.m_wHeadLen == 0)
        return 1;
    const CPoint at = SymbolPoint(*this, msg);
    CRect rect = TextRect(at, msg);
    CKVTextMsg text;
    text = msg;
    const CSize size = text.DrawMsg(m_pDC, &rect, m_pCtrlTool, &m_pDoc->m_FontDatas, static_cast<short>(m_nZoomY),
                                    m_nPageNumber, kTextFlag);
    // Only the first handle learns the size; the symbol is not updated
    // otherwise.
    if (msg.m_arrCtrlPoint.GetSize() > 0 && msg.m_arrCtrlPoint.GetAt(0)) {
        CRect& handle = msg.m_arrCtrlPoint.GetAt(0)->m_rect;
        handle.right = handle.left + size.cx;
        handle.bottom = handle.top + size.cy;
    }
    return 0;
}

short CScoreView::DrawTextMsg(CKVMsg& msg)
{
    if (!m_bOpened)
        return 1;
    const short lineY = LyricLineOffset(m_pCurMeas, msg.m_nPosY);
    if (lineY == kHiddenLyricLine)
        return 1;
    // The measure's symbols are drawn at the measure's vertical origin.
    const CPoint at(m_lOrgX + msg.m_nPosX + nNoteHeadWidth / 2, m_lOrgY + lineY);
    CRect rect(at, at);
    CKVLyricMsg lyric;
    lyric = msg;
    lyric.DrawMsg(m_pDC, &rect, m_pCtrlTool, &m_pDoc->m_FontDatas, m_nSizePercent, kTextFlag);
    msg = lyric;
    return 1;
}

short CScoreView::DrawMetronome(CKVMsg& msg)
{
    if (!m_bOpened)
        return 1;
    const CPoint at = SymbolPoint(*this, msg);
    CRect rect = TextRect(at, msg);
    CKVMetronomMsg tempo;
    tempo = msg;
    tempo.DrawMsg(m_pDC, &rect, m_pCtrlTool, &m_pDoc->m_FontDatas, kTempoPercent, kTextFlag);
    msg = tempo;
    return 1;
}

short CScoreView::DrawDynamic(CKVMsg& msg)
{
    if (!m_bOpened)
        return 1;
    const char glyph = static_cast<char>(GlyphAt(CodeDyn, msg.m_wDuration));
    if (!glyph)
        return 1;
    const CPoint at = SymbolPoint(*this, msg, true);
    {
        drawntext::TextState state(m_pDC);
        m_pDC->SetTextColor(msg.m_crColor);
        DrawTextOut(at.x, at.y, &glyph, 1, 0);
    }
    DrawCtrlRectOfMsg(&msg, at.x, at.y);
    return 1;
}

short CScoreView::DrawMidiShortMsg(CKVMsg& msg)
{
    if (!m_bOpened || m_bPrinting || !CKVCtrlTool::m_bShowMidiEvent || msg.m_wDuration == 0)
        return 1;
    CKVMeas* meas = ParentMeas(msg);
    const int x = m_lOrgX + (meas ? meas->MeasXToAbsX(msg.m_nPosX, msg.m_byKind) : msg.m_nPosX);
    const int y = m_lOrgY + (meas ? MulDiv(msg.m_nPosY, m_nSizePercent, 100) : msg.m_nPosY);
    const int gap = m_nStaffSpace;

    CFont font;
    if (!font.CreatePointFont(kMidiPointSize, "Times", m_pDC))
        return 1;
    drawntext::TextState state(m_pDC);
    const HFONT oldFont = SelectFontObject(static_cast<HFONT>(font.m_hObject));
    m_pDC->SetTextColor(RGB(0, 0, 0));

    // A pointer from the text towards the staff when the text stands well
    // above or below it.
    int tip = y;
    int heel = y;
    if (msg.m_nPosY < -5 * gap) {
        tip = y + 2 * gap;
        heel = tip - kArrowSide;
    } else if (msg.m_nPosY > gap) {
        tip = y - 2 * gap;
        heel = tip + kArrowSide;
    }
    if (tip != y) {
        const SelectedPen pen(m_pDC, PS_SOLID, 1, kPointerGrey);
        m_pDC->MoveTo(x, y);
        m_pDC->LineTo(x, tip);
        m_pDC->MoveTo(x - kArrowSide, heel);
        m_pDC->LineTo(x, tip);
        m_pDC->MoveTo(x + kArrowSide, heel);
        m_pDC->LineTo(x, tip);
    }

    const CString text = MidiEventText(msg.m_dwWord);
    MyDrawTextOut(m_pDC, x, y, text);
    const CSize extent = m_pDC->GetTextExtent(text);
    SetHandle(msg, 0, CRect(-kHandleMargin, -kHandleMargin - extent.cy, extent.cx + kHandleMargin, kHandleMargin));
    SelectFontObject(oldFont);
    return 1;
}
