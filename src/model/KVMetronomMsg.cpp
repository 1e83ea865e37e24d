// The tempo mark drawing itself: a note value, an equals sign and a second
// note value or the tempo number, in two styles.

#include "model/KVDrawnMsgs.h"

#include "model/KVCtrlPoint.h"
#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "model/DrawnText.h"
#include "model/MeasPlace.h"
#include "model/TextHelpers.h"
#include "model/GlyphTables.h"

#include <algorithm>
#include <cstdlib>

using measplace::LineSpacingOf;

namespace {

// The settings of the drawing under way; the two styles take them from the
// renderer's call, which the drawing passes serialise.
const CKVCtrlTool* s_tool = nullptr;

class ToolScope {
public:
    explicit ToolScope(const CKVCtrlTool* tool) { s_tool = tool; }
    ~ToolScope() { s_tool = nullptr; }
    ToolScope(const ToolScope&) = delete;
    ToolScope& operator=(const ToolScope&) = delete;
};

// Duration codes from 9 on have no note glyph.
constexpr int kNoteCodes = 9;

// The style-1 head: number font, size and style, then the same for the
// text, then the text.
constexpr int kTripleBytes = 5;
constexpr int kTextAt = 2 * kTripleBytes;

constexpr char kMusicFace[] = "ZelvoraB";

int GlyphWidth(CDC* dc, BYTE code)
{
    SIZE size {0, 0};
    const char text = static_cast<char>(code);
    MyGetTextExtent(dc, &text, 1, &size);
    return size.cx;
}

void Glyph(CDC* dc, int x, int y, BYTE code)
{
    const char text = static_cast<char>(code);
    MyDrawTextOut(dc, x, y, &text, 1);
}

// The width that a note value advances by before its dots: the whole note
// glyph for the longest values, else its head.
int HalfAdvance(CDC* dc, int code, int longest)
{
    const BYTE glyph = code <= longest ? GlyphAt(codeNote, code) : GlyphAt(codeStdHead, 3);
    return GlyphWidth(dc, glyph) / 2;
}

// The first handle, or null.
CKVCtrlPoint* HandleOf(CKVMsg& msg, int index)
{
    return index < msg.m_arrCtrlPoint.GetSize() ? msg.m_arrCtrlPoint.GetAt(index) : nullptr;
}

LOGFONT MusicFont(CDC* dc, int tenths)
{
    LOGFONT font {};
    GetDefaultLogFont(font, static_cast<short>(tenths), kMusicFace, 0, dc);
    ZelvoraLogFontProc(font, dc);
    return font;
}

// A font of the table at a size in points, with the style bits of the head.
LOGFONT TableFont(CDC* dc, CFontDatas* fonts, int number, int points, int style)
{
    LOGFONT font {};
    font.lfHeight = drawntext::PointsToHeight(dc, points);
    font.lfWeight = (style & 1) ? FW_BOLD : FW_NORMAL;
    font.lfItalic = (style & 2) ? 1 : 0;
    font.lfUnderline = (style & 4) ? 1 : 0;
    drawntext::TakeFace(fonts, number, font);
    return font;
}

} // namespace

CSize CKVMetronomMsg::DrawMsg(CDC* dc, CRect* rect, CKVCtrlTool* tool, CFontDatas* fonts, short zoom, int)
{
    if (!dc || !rect)
        return CSize(0, 0);
    ToolScope scope(tool);
    if (m_wFlag == 1)
        return DrawVersion1(dc, rect, fonts, zoom);
    return DrawVersion0(dc, rect, fonts, zoom);
}

CSize CKVMetronomMsg::DrawVersion0(CDC* dc, CRect* rect, CFontDatas*, short)
{
    const int first = m_wHeadType;
    if (first >= kNoteCodes || !s_tool)
        return CSize(0, 0);
    const int s = s_tool->m_lfTempo.lfHeight * 10;
    const int startX = rect->left;
    int x = startX;
    int y = rect->top;
    {
        drawntext::TextState state(dc);
        state.Select(MusicFont(dc, s));
        dc->SetTextColor(m_crColor);
        dc->SetTextAlign(TA_BASELINE);

        const BYTE note = GlyphAt(codeNote, first);
        if (m_byReplace)
            Glyph(dc, x - 1, y + s / 32, codeParenthLeft);
        Glyph(dc, x, y, note);
        if (m_byAccidental == 0) {
            x += GlyphWidth(dc, note) + 4;
        } else {
            x += 4 + HalfAdvance(dc, first, DUR_WHOLE);
            for (int i = 0; i < m_byAccidental; ++i) {
                Glyph(dc, x, y, codeDot);
                x += GlyphWidth(dc, codeDot);
            }
        }

        const int minus = GlyphWidth(dc, codeMinus);
        const int minusX = x + 4 + minus / 2;
        Glyph(dc, minusX, y, codeMinus);
        Glyph(dc, minusX, y - s / 4, codeMinus);
        x = minusX + minus + 5;

        const int second = m_wDuration;
        if (second < kNoteCodes) {
            const BYTE glyph = GlyphAt(codeNote, second);
            Glyph(dc, x, y, glyph);
            if (m_byDots == 0) {
                x += 4 + GlyphWidth(dc, glyph);
            } else {
                x += 4 + HalfAdvance(dc, second, DUR_HALF);
                for (int i = 0; i < m_byDots; ++i) {
                    Glyph(dc, x, y + s / 8, codeDot);
                    x += GlyphWidth(dc, codeDot);
                }
            }
            y += s / 16;
            x += 4;
        } else {
            LOGFONT number = s_tool->m_lfTempo;
            number.lfHeight = -std::abs(MulDiv(s_tool->m_lfTempo.lfHeight, dc->GetDeviceCaps(LOGPIXELSY), 72));
            state.Select(number);
            CString text;
            text.Format("%d", static_cast<int>(m_dwWord));
            MyDrawTextOut(dc, x, y + s / 32, text);
            x += dc->GetTextExtent(text).cx;
            state.Select(MusicFont(dc, s));
        }
        if (m_byReplace)
            Glyph(dc, x + 1, y, codeParenthRight);
    }
    CKVCtrlPoint* handle = HandleOf(*this, 0);
    if (!handle)
        return CSize(0, 0);
    handle->m_rect.right = x - startX;
    handle->m_rect.top = -(s / 4 + s / 2);
    return CSize(handle->m_rect.Width(), handle->m_rect.Height());
}

CSize CKVMetronomMsg::DrawVersion1(CDC* dc, CRect* rect, CFontDatas* fonts, short zoom)
{
    const BYTE* head = m_pHead;
    const int length = head ? m_wHeadLen : 0;
    if (length < kTripleBytes)
        return CSize(0, 0);
    const int numberFont = static_cast<short>(GetWord(head));
    const int n = MulDiv(static_cast<short>(GetWord(head + 2)), zoom, 100);
    const int numberStyle = head[4];
    const int g = std::abs(n) / 4;
    const int tenths = 10 * n + 10 * n / 3;
    const bool hasText = length > kTextAt;

    drawntext::TextState state(dc);
    dc->SetTextColor(m_crColor);
    dc->SetTextAlign(TA_BASELINE);

    CRect textBox;
    if (hasText) {
        const int points = MulDiv(static_cast<short>(GetWord(head + kTripleBytes + 2)), zoom, 100);
        LOGFONT font = TableFont(dc, fonts, static_cast<short>(GetWord(head + kTripleBytes)), 0, head[kTripleBytes + 4]);
        font.lfHeight = -(dc->GetDeviceCaps(LOGPIXELSY) * points) / 72;
        state.Select(font);
        const CString text(reinterpret_cast<const char*>(head + kTextAt), length - kTextAt);
        MyDrawTextOut(dc, rect->left, rect->top, text);
        const CSize extent = dc->GetTextExtent(text);
        if (m_wObjWord == 0) {
            m_wObjWord = 1;
            m_nPosX2 = static_cast<short>(extent.cx + g);
            m_nPosY2 = 0;
            MakeMsgCtrlPoint();
        }
        if (CKVCtrlPoint* handle = HandleOf(*this, 0)) {
            handle->m_rect.right = handle->m_rect.left + extent.cx;
            handle->m_rect.top = handle->m_rect.bottom - extent.cy;
            textBox = handle->m_rect;
        }
    }

    const int startX = rect->left + (hasText ? m_nPosX2 : 0);
    const int baseY = rect->top + (hasText ? MulDiv(m_nPosY2, zoom, 100) : 0);
    const int lift = LineSpacingOf(*this) / 2;
    const int glyphY = baseY - lift;
    int x = startX;
    state.Select(MusicFont(dc, tenths));

    auto note = [&](int code, int dots) {
        if (code >= kNoteCodes)
            return;
        const BYTE glyph = GlyphAt(codeNote, code);
        Glyph(dc, x, glyphY, glyph);
        x += GlyphWidth(dc, glyph) + (code <= DUR_QUARTER ? g : g / 2);
        for (int i = 0; i < dots; ++i) {
            Glyph(dc, x, glyphY, codeDot);
            x += GlyphWidth(dc, codeDot) + g;
        }
    };
    if (m_byReplace) {
        Glyph(dc, x, glyphY, codeParenthLeft);
        x += GlyphWidth(dc, codeParenthLeft) + g;
    }
    note(m_wHeadType, m_byAccidental);
    const int minus = GlyphWidth(dc, codeMinus);
    Glyph(dc, x, baseY, codeMinus);
    Glyph(dc, x, baseY - g, codeMinus);
    x += minus + g;
    const bool secondNote = m_wDuration < kNoteCodes;
    if (secondNote) {
        note(m_wDuration, m_byDots);
    } else {
        state.Select(TableFont(dc, fonts, numberFont, n, numberStyle));
        CString text;
        text.Format("%d", static_cast<int>(m_dwWord));
        MyDrawTextOut(dc, x, baseY, text);
        x += dc->GetTextExtent(text).cx;
        state.Select(MusicFont(dc, tenths));
    }
    if (m_byReplace) {
        Glyph(dc, x, glyphY, codeParenthRight);
        x += GlyphWidth(dc, codeParenthRight);
    }

    CKVCtrlPoint* figure = HandleOf(*this, hasText ? 1 : 0);
    if (!figure)
        return CSize(0, 0);
    figure->m_rect.right = figure->m_rect.left + (x - startX);
    if (secondNote)
        figure->m_rect.top = figure->m_rect.bottom - 3 * g;
    if (!hasText)
        return CSize(figure->m_rect.Width(), figure->m_rect.Height());
    return CSize(std::max(figure->m_rect.Width(), textBox.Width()), std::max(figure->m_rect.Height(), textBox.Height()));
}
