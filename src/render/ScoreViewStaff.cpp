// Staff lines and the connectors that group staves: braces and brackets.

#include "render/ScoreView.h"

#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "model/KVBlock.h"
#include "model/KVStaff.h"
#include "model/TextHelpers.h"
#include "render/DashedRun.h"
#include "render/GdiSelection.h"
#include "render/FineResolution.h"
#include "model/GlyphTables.h"
#include "render/ViewGeometry.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

// Connection flags of a staff: [0] group start, [1] group end, [2] middle.
constexpr BYTE kConnectBracket = 2;
constexpr BYTE kConnectBrace = 4;
constexpr BYTE kConnectDoubleBracket = 8;

// Glyphs drawn in the DC's text colour, without the coloured blit.
constexpr BYTE kUncoloured = 0;

// The brace shape words W0 to W10 as a new document has them.
constexpr std::array<int, 11> kDefaultBraceShape = {163, 46, 11, 17, 58, 62, 23, 19, 64, 54, 32};

using dashedrun::DashLength;

// The connectors that a staff opens (or continues, when none is open yet).
BYTE OpeningFlags(const CKVStaff* staff)
{
    return staff ? static_cast<BYTE>(staff->m_byGroupBracket[0] | staff->m_byGroupBracket[2]) : BYTE {0};
}

bool IsOneLineKind(BYTE kind)
{
    return kind == CKVStaff::KIND_DRUM_SECOND || kind == CKVStaff::KIND_ONE_LINE;
}

// Sets the text colour for the lifetime of the object.
class TextColour {
public:
    TextColour(CDC* dc, COLORREF colour) : m_dc(dc), m_old(dc->SetTextColor(colour)) {}
    ~TextColour() { m_dc->SetTextColor(m_old); }
    TextColour(const TextColour&) = delete;
    TextColour& operator=(const TextColour&) = delete;

private:
    CDC* m_dc;
    COLORREF m_old;
};

// Horizontal dashes from x1 to x2 at y; the last piece ends exactly at x2.
void HorizontalDashes(CDC* dc, LONG x1, LONG x2, LONG y, int dash)
{
    dashedrun::ForEachDash(x1, x2, dash, [&](LONG from, LONG to) {
        dc->MoveTo(from, y);
        dc->LineTo(to, y);
    });
}

} // namespace

int CScoreView::EffectivePercentOf(CKVStaff* staff) const
{
    const int gap = m_pDoc && m_pDoc->m_nStaffSpace > 0 ? m_pDoc->m_nStaffSpace : 8;
    return viewgeom::EffectivePercent(gap, staff ? staff->m_wObjWord : CKVStaff::DEFAULT_SIZE_PERCENT);
}

int CScoreView::StaffPenWidth() const
{
    return MulDiv(1, m_nDpiY, 288);
}

short CScoreView::Draw5Line(LONG x1, LONG x2, LONG y, COLORREF colour, unsigned char staffKind, unsigned char,
                            unsigned short sizePercent, unsigned char lineCount)
{
    if (!m_bOpened)
        return 1;
    x1 += m_lOrgX;
    x2 += m_lOrgX;
    y += m_lOrgY;
    const int G = m_nStaffSpace;
    const int g = MulDiv(G, sizePercent, 100);

    auto penLines = [&](LONG bottom, int gap) {
        SelectedPen pen(m_pDC, PS_SOLID, StaffPenWidth(), colour);
        if (staffKind == CKVStaff::KIND_DRUM_SECOND) {
            m_pDC->MoveTo(x1, bottom - 2 * gap);
            m_pDC->LineTo(x2, bottom - 2 * gap);
        } else if (staffKind == CKVStaff::KIND_ONE_LINE) {
            HorizontalDashes(m_pDC, x1, x2, bottom - 2 * gap, DashLength(G));
        } else {
            LONG lineY = bottom - gap * (lineCount - 1);
            for (int i = 0; i < lineCount; ++i, lineY += gap) {
                m_pDC->MoveTo(x1, lineY);
                m_pDC->LineTo(x2, lineY);
            }
        }
    };

    if (bScreenMode || staffKind == CKVStaff::KIND_FREE_LINE) {
        penLines(y, g);
        return 1;
    }
    if (staffKind == CKVStaff::KIND_ONE_LINE) {
        penLines(y, G);
        return 1;
    }

    // Printed: a row of staff glyphs, the last one flush with x2.
    HFONT scaled = nullptr;
    HFONT previous = nullptr;
    if (sizePercent != 100) {
        LOGFONT lf;
        const int tenths = MulDiv(MulDiv(G, 720, m_nDpiY), sizePercent, 25);
        GetDefaultLogFont(lf, static_cast<short>(tenths), m_lfMusic.lfFaceName, 0, m_pDC);
        scaled = CreateFontIndirectA(&lf);
        if (scaled)
            previous = SelectFontObject(scaled);
    }
    const bool oneLine = staffKind == CKVStaff::KIND_DRUM_SECOND;
    const char code = static_cast<char>(oneLine ? codeOneLine : code5Line);
    const LONG rowY = oneLine ? y - 2 * G : y;
    const int w = GetTextExtent(code).cx - 1;
    if (w < 1) {
        // A face without the staff glyph would never advance.
        penLines(y, oneLine ? G : g);
    } else {
        TextColour text(m_pDC, colour);
        LONG x = x1;
        for (; x + w < x2; x += w)
            DrawTextOut(static_cast<int>(x), static_cast<int>(rowY), &code, 1, kUncoloured);
        DrawTextOut(static_cast<int>(x2 - w - 1), static_cast<int>(rowY), &code, 1, kUncoloured);
    }
    if (scaled) {
        SelectFontObject(previous);
        DeleteObject(scaled);
    }
    return 1;
}

void CScoreView::DrawThickDash(LONG x1, LONG y1, LONG x2, LONG y2, COLORREF colour, int width)
{
    if (!m_bOpened || (x1 == x2 && y1 == y2))
        return;
    const FineResolution fine(m_pDC, m_bPrinting != 0);
    const int m = fine.Factor();
    const int dash = DashLength(m_nStaffSpace) * m;
    const int space = DashLength(m_nStaffSpace) / 2 * m;
    SelectedPen pen(m_pDC, PS_SOLID, MulDiv(width, m_nDpiY, 288) * m, colour);
    // Dashes run along the longer axis (a) and are placed on the line by
    // the other coordinate (c).
    const bool vertical = std::labs(y2 - y1) > std::labs(x2 - x1);
    LONG a1 = (vertical ? y1 : x1) * m;
    LONG a2 = (vertical ? y2 : x2) * m;
    LONG c1 = (vertical ? x1 : y1) * m;
    LONG c2 = (vertical ? x2 : y2) * m;
    if (a1 > a2) {
        std::swap(a1, a2);
        std::swap(c1, c2);
    }
    auto line = [&](LONG from, LONG to) {
        const LONG cFrom = c1 + MulDiv(c2 - c1, from - a1, a2 - a1);
        const LONG cTo = c1 + MulDiv(c2 - c1, to - a1, a2 - a1);
        if (vertical) {
            m_pDC->MoveTo(cFrom, from);
            m_pDC->LineTo(cTo, to);
        } else {
            m_pDC->MoveTo(from, cFrom);
            m_pDC->LineTo(to, cTo);
        }
    };
    LONG a = a1;
    for (; a + dash < a2; a += dash + space)
        line(a, a + dash);
    if (a < a2)
        line(a, a2);
}

short CScoreView::DrawConnect(CKVBlock& block, int draw)
{
    if (!m_bOpened)
        return static_cast<short>(draw ? 1 : 0);
    const int n = block.GetStaffNum();
    bool anyGroup = false;
    for (int i = 0; i < n; ++i)
        anyGroup = anyGroup || (OpeningFlags(block.GetStaff(static_cast<short>(i))) &
                                (kConnectBrace | kConnectBracket | kConnectDoubleBracket));
    if (!anyGroup)
        return static_cast<short>(draw ? 1 : 0);
    // One brace offset per staff.
    if (KvAllocationFails())
        return -1;
    std::vector<int> braceOffsets;
    braceOffsets.reserve(n > 0 ? n : 0);

    const int G = m_nStaffSpace;
    const int E = m_wSymbolSize;
    const int wb = GetTextExtent(static_cast<char>(codeBracket[0][0])).cx + G / 2;
    const int wd = wb + GetTextExtent(static_cast<char>(codeBracket[1][0])).cx + G / 2;

    // Room pass.
    int room = 0;
    bool braceOpen = false;
    bool bracketOpen = false;
    bool doubleOpen = false;
    for (int i = 0; i < n; ++i) {
        CKVStaff* staff = block.GetStaff(static_cast<short>(i));
        const BYTE opens = OpeningFlags(staff);
        braceOpen = braceOpen || (opens & kConnectBrace);
        doubleOpen = doubleOpen || (opens & kConnectDoubleBracket);
        bracketOpen = bracketOpen || (opens & kConnectBracket);
        if (braceOpen && bracketOpen)
            room = std::max(room, wb);
        if (braceOpen && doubleOpen)
            room = std::max(room, wd);
        if (braceOpen && IsConnectStaff(block, i, kConnectBrace)) {
            const int p = EffectivePercentOf(staff);
            int offset = MulDiv(G, p, 200);
            if (doubleOpen)
                offset += MulDiv(wd, p, 100);
            else if (bracketOpen)
                offset += MulDiv(wb, p, 100);
            braceOffsets.push_back(offset);
            room = std::max(room, offset);
            braceOpen = false;
        }
        if (doubleOpen && IsConnectStaff(block, i, kConnectDoubleBracket)) {
            room = std::max(room, wd);
            doubleOpen = false;
        }
        if (bracketOpen && IsConnectStaff(block, i, kConnectBracket)) {
            room = std::max(room, wb);
            bracketOpen = false;
        }
    }
    if (!draw)
        return static_cast<short>(room);
    if (room == 0)
        return 1;

    // Drawing pass: brace, bracket and double bracket at every staff.
    const LONG left = m_lOrgX + (block.m_arrMeasX.GetSize() > 0 ? block.m_arrMeasX.GetAt(0) : 0);
    auto staffY = [&](int i) -> LONG {
        return i < block.m_arrStaffY.GetSize() ? static_cast<short>(block.m_arrStaffY.GetAt(i)) : 0;
    };
    size_t nextBrace = 0;
    const BYTE kinds[3] = {kConnectBrace, kConnectBracket, kConnectDoubleBracket};
    int opener[3] = {-1, -1, -1};
    for (int i = 0; i < n; ++i) {
        CKVStaff* staff = block.GetStaff(static_cast<short>(i));
        for (int k = 0; k < 3; ++k) {
            const BYTE bit = kinds[k];
            if (opener[k] < 0 && (OpeningFlags(staff) & bit))
                opener[k] = i;
            if (opener[k] < 0 || !IsConnectStaff(block, i, bit))
                continue;
            const int f = opener[k];
            opener[k] = -1;
            CKVStaff* first = block.GetStaff(static_cast<short>(f));
            const int pf = EffectivePercentOf(first);
            const BYTE firstKind = first ? first->m_byStaffKind : CKVStaff::KIND_NORMAL;
            int top = MulDiv(E, pf, 100);
            if (firstKind == CKVStaff::KIND_FREE_LINE && first)
                top = MulDiv(G, pf, 100) * (first->m_byLineCount - 1);
            int bottomInset = 0;
            if (i != f) {
                if (IsOneLineKind(firstKind))
                    top = MulDiv(E, pf, 200);
                if (staff && IsOneLineKind(staff->m_byStaffKind))
                    bottomInset = MulDiv(E, EffectivePercentOf(staff), 200);
            }
            const LONG yTop = m_lOrgY + staffY(f) - top;
            const LONG yBottom = m_lOrgY + staffY(i) - bottomInset;
            const COLORREF colour = m_pCtrlTool ? m_pCtrlTool->StaffColor(f) : 0;
            if (bit == kConnectBrace) {
                const int offset = nextBrace < braceOffsets.size() ? braceOffsets[nextBrace++] : 0;
                DrawBrace(left - offset, yTop, yBottom, colour);
            } else if (bit == kConnectBracket) {
                DrawBracket(left - wb, yTop, yBottom, colour);
            } else {
                DrawDoubleBracket(left - wd, yTop, yBottom, colour);
            }
        }
    }
    return 1;
}

int CScoreView::IsConnectStaff(CKVBlock& block, int staffIndex, unsigned char mask)
{
    return m_pDoc ? m_pDoc->IsConnectStaffEnd(block, staffIndex, mask) : 0;
}

short CScoreView::DrawBrace(LONG x, LONG yTop, LONG yBottom, COLORREF colour)
{
    if (!m_bOpened)
        return 1;
    std::array<int, 11> w = kDefaultBraceShape;
    if (m_pCtrlTool && m_pCtrlTool->m_wBrace1 != 0) {
        const CKVCtrlTool& t = *m_pCtrlTool;
        w = {t.m_wBrace1, t.m_wBrace2, t.m_wL1, t.m_wL2, t.m_wL3, t.m_wL4,
             t.m_wL5,     t.m_wL6,     t.m_wL7, t.m_wL8, t.m_wL9};
    }
    const LONG h = yBottom - yTop;
    const int w0 = w[0];
    for (int& word : w)
        word = static_cast<int>(word * h / w0);

    LONG left = x - w[10];
    const LONG shift = left + w[1] - x;
    left -= shift;
    const POINT tip {x - shift, (yTop + yBottom) / 2};
    POINT a {left + w[2], yTop + w[6]};
    POINT b {left + w[5], yTop + w[9]};
    POINT c {left + w[3], yTop + w[7]};
    POINT d {left + w[4], yTop + w[8]};
    if (c.x < a.x) {
        std::swap(a, c);
        std::swap(b, d);
    }
    auto mirror = [&](POINT p) { return POINT {p.x, yBottom - (p.y - yTop)}; };
    const POINT upper[7] = {{x, yTop}, c, b, tip, d, a, {x, yTop}};
    const POINT lower[7] = {tip, mirror(b), mirror(c), {x, yBottom}, mirror(a), mirror(d), tip};

    SelectedPen pen(m_pDC, PS_SOLID, 0, colour);
    CBrush brush;
    brush.CreateSolidBrush(colour);
    CBrush* oldBrush = m_pDC->SelectObject(&brush);
    for (const POINT* half : {upper, lower}) {
        m_pDC->BeginPath();
        m_pDC->PolyBezier(half, 7);
        m_pDC->EndPath();
        m_pDC->FillPath();
        m_pDC->PolyBezier(half, 7);
    }
    m_pDC->SelectObject(oldBrush);
    return 1;
}

short CScoreView::DrawBracket(LONG x, LONG yTop, LONG yBottom, COLORREF colour)
{
    if (!m_bOpened || yBottom <= yTop)
        return 1;
    DrawBracketGlyphs(x, yTop, yBottom, colour, 0, true);
    return 1;
}

short CScoreView::DrawDoubleBracket(LONG x, LONG yTop, LONG yBottom, COLORREF colour)
{
    if (!m_bOpened)
        return 1;
    if (!bScreenMode) {
        if (yBottom > yTop)
            DrawBracketGlyphs(x, yTop, yBottom, colour, 1, false);
        return 1;
    }
    const LONG arm = x + 2 * m_nStaffSpace;
    SelectedPen pen(m_pDC, PS_SOLID, StaffPenWidth(), colour);
    m_pDC->MoveTo(arm, yTop);
    m_pDC->LineTo(x, yTop);
    m_pDC->LineTo(x, yBottom);
    m_pDC->LineTo(arm, yBottom);
    return 1;
}

void CScoreView::DrawBracketGlyphs(LONG x, LONG yTop, LONG yBottom, COLORREF colour, int row, bool shrink)
{
    TextColour text(m_pDC, colour);
    const LONG span = yBottom - yTop;
    LONG h = m_wSymbolSize;
    HFONT previous = nullptr;
    bool selected = false;
    if (shrink && span < h) {
        previous = SelectFont(static_cast<short>(std::max<LONG>(1, span * 100 / h)));
        selected = true;
        h = span;
    }
    const char middle = static_cast<char>(codeBracket[row][0]);
    const char topEnd = static_cast<char>(codeBracket[row][1]);
    const char bottomEnd = static_cast<char>(codeBracket[row][2]);
    // Pieces overlap by one unit.
    const LONG step = std::max<LONG>(1, h - 1);
    for (LONG y = yTop + h; y <= yBottom; y += step)
        DrawTextOut(static_cast<int>(x), static_cast<int>(y), &middle, 1, kUncoloured);
    DrawTextOut(static_cast<int>(x), static_cast<int>(yBottom), &middle, 1, kUncoloured);
    DrawTextOut(static_cast<int>(x), static_cast<int>(yTop), &topEnd, 1, kUncoloured);
    DrawTextOut(static_cast<int>(x), static_cast<int>(yBottom), &bottomEnd, 1, kUncoloured);
    if (selected)
        SelectFontObject(previous);
}
