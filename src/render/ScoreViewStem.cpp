// Stems and flags of notes.

#include "render/ScoreView.h"

#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "model/GlyphTables.h"
#include "model/KVMsg.h"
#include "model/TextHelpers.h"
#include "render/ViewGeometry.h"

#include <cstdlib>

namespace {

constexpr WORD kFlagGrace = MSGFLAG_GRACE;
constexpr BYTE kGraceMarkPlain = 79;

bool IsNoPoint(CPoint p)
{
    return p.x == -1 && p.y == -1;
}

} // namespace

CSize CScoreView::GetFontBarPos(CKVMsg& note, short, short stemHeight)
{
    const int anchor = static_cast<int>(note.m_dwWord & 0xFFFF);
    if (anchor == 2)
        return CSize(note.m_nPosX2, note.m_nPosY2);
    if (anchor != 0)
        return CSize(0, 0);
    const int quarter = m_nStaffSpace / 4;
    switch (note.m_wHeadType) {
    case 2:
    case 3: return CSize(0, stemHeight < 0 ? -quarter : quarter);
    case 4: return CSize(0, stemHeight < 0 ? quarter : -quarter);
    default: return CSize(0, 0);
    }
}

short CScoreView::DrawNoteBar_Tail(CKVMsg& note, short x, short y, short headWidth, short stemHeight, int,
                                   BYTE mode, int noTail)
{
    if (!m_bOpened)
        return 1;
    const CSize offset = GetFontBarPos(note, headWidth, stemHeight);
    const short footX = static_cast<short>(x + offset.cx);
    const short footY = static_cast<short>(y + offset.cy);
    const int code = note.m_wDuration & 0xFF;
    if (code <= 1 || stemHeight == 0)
        return 1;

    COLORREF stemColour = m_pDC->GetTextColor();
    if (CKVCtrlTool::m_bIsMeasErrorCheck) {
        const int active = m_pCtrlTool->m_wActiveVoice;
        stemColour = (!active || note.m_byVoice == active) ? note.m_crColor : m_pCtrlTool->m_crVoice[0];
    }
    const int S = m_pDoc->m_nFontHeight78;
    const short scaled = static_cast<short>(MulDiv(stemHeight, m_nSizePercent, 100));
    const int size = note.m_wSize > 0 ? note.m_wSize : MSG_SIZE_NORMAL;
    CPoint flag;
    if (-S < stemHeight && stemHeight < S) {
        // A short stem still carries its flag where a standard one would.
        CPen pen;
        pen.CreatePen(PS_SOLID, 1, note.m_crColor);
        CPen* oldPen = m_pDC->SelectObject(&pen);
        DrawNoteFontBar(footX, footY, scaled, stemColour, mode, note.m_wHeadType);
        const int standard = MulDiv(S, size, MSG_SIZE_NORMAL);
        flag = CPoint(footX, footY + scaled + (stemHeight < 0 ? standard : -standard));
        m_pDC->SelectObject(oldPen);
    } else {
        flag = DrawNoteFontBar(footX, footY, scaled, stemColour, mode, note.m_wHeadType);
    }
    if (IsNoPoint(flag))
        return 1;

    if (code == DUR_EIGHTH && (note.m_wFlag & kFlagGrace) && !noTail) {
        const bool plain = note.m_byMark1 == kGraceMarkPlain;
        char slash;
        CPoint at;
        if (stemHeight < 0) {
            slash = static_cast<char>(plain ? codeGraceAdd[2] : codeGraceAdd[0]);
            at = plain ? flag : CPoint(flag.x + headWidth / 2, flag.y);
        } else {
            slash = static_cast<char>(plain ? codeGraceAdd[2] : codeGraceAdd[1]);
            at = CPoint(flag.x - headWidth / 4, flag.y);
        }
        DrawTextOut(at.x, at.y, &slash, 1, mode);
    }
    if (code != DUR_HALF) {
        const COLORREF old = m_pDC->GetTextColor();
        if (CKVCtrlTool::m_bIsMeasErrorCheck)
            m_pDC->SetTextColor(stemColour);
        const char tail = static_cast<char>(stemHeight < 0 ? GlyphAt(codeUpTail, code) : GlyphAt(codeDownTail, code));
        if (!noTail && tail)
            DrawTextOut(flag.x, flag.y, &tail, 1, mode);
        m_pDC->SetTextColor(old);
    }
    return 1;
}

CPoint CScoreView::DrawNoteFontBar(short x, short y, short height, COLORREF colour, BYTE mode, unsigned short headType)
{
    if (!m_bOpened)
        return CPoint(-1, -1);
    const int L = m_pDoc->m_nStaffSpace;
    if (headType >= viewgeom::kNumberedHead)
        y = static_cast<short>(y + (height < 0 ? -(L / 2) : L / 2));
    if (height == 0)
        return CPoint(-1, -1);
    const COLORREF old = m_pDC->SetTextColor(colour);
    const int length = std::abs(height);
    const int unit = MulDiv(m_pDoc->m_nFontHeight78, m_nSizePercent, 100);
    const int step = unit - m_nStaffSpace / 2;
    CPoint end(-1, -1);
    if (length < unit || step < 1) {
        // Too short for a glyph piece, or too small a staff to step by one.
        DrawNoteBar(x, y, height, mode, m_pDC->GetTextColor(), 1);
    } else {
        end = DrawStemPieces(x, y, height, unit, step, mode);
    }
    m_pDC->SetTextColor(old);
    return end;
}

// Glyph pieces of one unit overlapping by half a gap, the last placed so
// that the stem ends exactly. Other modes than 0 draw them black into an
// image of the stem that is blitted in the text colour.
CPoint CScoreView::DrawStemPieces(short x, short y, short height, int unit, int step, BYTE mode)
{
    const char piece = static_cast<char>(height <= 0 ? codeUpBar : codeDownBar);
    const int length = std::abs(height);
    const bool up = height <= 0;
    if (mode == 0) {
        int p = y;
        if (up) {
            const int last = y + unit - length;
            for (; p > last; p -= step)
                DrawTextOut(x, p, &piece, 1, mode);
            if (length > unit)
                p = last;
        } else {
            const int last = y - unit + length;
            for (; p < last; p += step)
                DrawTextOut(x, p, &piece, 1, mode);
            if (length > unit)
                p = last;
        }
        DrawTextOut(x, p, &piece, 1, mode);
        return CPoint(x, p);
    }

    const int glyphWidth = std::max(1, static_cast<int>(GetTextExtent(piece).cx));
    CDC image;
    CBitmap bitmap;
    if (!image.CreateCompatibleDC(m_pDC) ||
        !bitmap.CreateCompatibleBitmap(m_pDC, std::max(1, glyphWidth * m_nZoomY / 100),
                                       std::max(1, length * m_nZoomY / 100)))
        return CPoint(-1, -1);
    CBitmap* oldBitmap = image.SelectObject(&bitmap);
    image.SetMapMode(m_pDC->GetMapMode());
    image.SetWindowExt(m_pDC->GetWindowExt());
    image.SetViewportExt(m_pDC->GetViewportExt());
    image.FillSolidRect(0, 0, glyphWidth, length, 0x00FFFFFF);
    // The font moves into the image for the pieces and back afterwards.
    HGDIOBJ font = ::SelectObject(m_pDC->m_hDC, GetStockObject(SYSTEM_FONT));
    HGDIOBJ oldFont = ::SelectObject(image.m_hDC, font);
    image.SetTextColor(0);
    image.SetBkMode(TRANSPARENT);
    image.SetTextAlign(TA_BASELINE | TA_LEFT);
    if (up) {
        int p = unit;
        for (; p < length; p += step)
            MyDrawTextOut(&image, 0, p, &piece, 1);
        MyDrawTextOut(&image, 0, length, &piece, 1);
    } else {
        int p = length - unit;
        for (; p > 0; p -= step)
            MyDrawTextOut(&image, 0, p, &piece, 1);
        MyDrawTextOut(&image, 0, 0, &piece, 1);
    }
    ::SelectObject(image.m_hDC, oldFont);
    ::SelectObject(m_pDC->m_hDC, font);
    HBRUSH brush = CreateSolidBrush(m_pDC->GetTextColor());
    HGDIOBJ oldBrush = ::SelectObject(m_pDC->m_hDC, brush);
    m_pDC->BitBlt(x, up ? y + height : y, glyphWidth, length, &image, 0, 0, ROP_DPSOXN);
    ::SelectObject(m_pDC->m_hDC, oldBrush);
    DeleteObject(brush);
    image.SelectObject(oldBitmap);
    return up ? CPoint(x, y + unit - length) : CPoint(x, y - unit + length);
}

CPoint CScoreView::DrawNoteBar(short x, short y, double height, BYTE, COLORREF colour, unsigned short headType)
{
    if (!m_bOpened)
        return CPoint(-1, -1);
    const bool up = height < 0;
    if (headType >= viewgeom::kNumberedHead && height != 0) {
        const int d = m_pDoc->m_nStaffSpace / 2 + 1;
        y = static_cast<short>(y + (up ? -d : d));
        height += up ? d : -d;
    }
    const CSize window = m_pDC->GetWindowExt();
    const CSize viewport = m_pDC->GetViewportExt();
    const int t = MulDiv(GetNoteHeadSize().cx, viewport.cx * 30, window.cx * 300);
    m_pDC->SetWindowExt(viewport);
    const int X = MulDiv(x, viewport.cx, window.cx);
    const int Y = MulDiv(y, viewport.cy, window.cy);
    const int H = static_cast<int>(viewport.cy * height / window.cy);

    CPen pen;
    pen.CreatePen(PS_SOLID, 0, colour);
    CPen* oldPen = m_pDC->SelectObject(&pen);
    if (t < 2) {
        const int d = up ? -1 : 0;
        m_pDC->MoveTo(X + d, Y);
        m_pDC->LineTo(X + d, Y + H);
    } else {
        CBrush brush;
        brush.CreateSolidBrush(colour);
        CBrush* oldBrush = m_pDC->SelectObject(&brush);
        m_pDC->Rectangle(X, Y, up ? X - t : X + t, Y + H);
        m_pDC->SelectObject(oldBrush);
    }
    m_pDC->SelectObject(oldPen);
    m_pDC->SetWindowExt(window);
    return CPoint(X, Y);
}
