// Symbols drawn as glyphs: marks, codas, trills, arpeggios, clef and key changes.

#include "render/ScoreView.h"

#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "model/DrawnText.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "platform/LittleEndian.h"
#include "render/FineResolution.h"
#include "render/SymbolPlace.h"
#include "model/GlyphTables.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

using symbolplace::ParentMeas;
using symbolplace::SetHandle;
using symbolplace::SymbolPoint;

namespace {

constexpr WORD kOneMeasureRepeat = 1; // duration word of a measure-repeat sign
constexpr WORD kNewerCodaLayout = 1;  // head type of a coda with a text record
constexpr WORD kCodaHasText = 1;      // size-word bits of the older coda layout
constexpr WORD kCodaHasGlyph = 2;
constexpr WORD kCodaGlyphFirst = 0; // size word of the newer layout: where the glyph goes
constexpr WORD kCodaGlyphAfterText = 1;
constexpr int kCodaTextGap = 8;    // dots between an older coda's text and its glyph
constexpr int kCodaRecordHead = 5; // u16 font number, u16 points, u8 style
constexpr int kCodaTextMax = 255;
constexpr BYTE kStyleBold = 1;
constexpr BYTE kStyleItalic = 2;
constexpr BYTE kStyleUnderline = 4;
constexpr short kVerticalRoll = 1; // a second x of 1 marks a vertical arpeggio
constexpr LONG kHeavyWeight = 900;
constexpr LONG kBoldWeight = 700;
constexpr LONG kNormalWeight = 400;
constexpr int kTrillHandleHalf = 3;
constexpr WORD kNatural = 3;
constexpr int kKeyPositions = 7;
constexpr int kKeyClefs = 8;

// The glyph of a single-glyph kind; 0 for a kind without one.
BYTE SingleGlyph(const CKVMsg& msg)
{
    switch (msg.m_byKind) {
    case MSG_BREATH:
        return codeBreath;
    case MSG_ORNAMENT:
        return codeFlowerMark;
    case MSG_CAESURA:
        return codeCesura;
    case MSG_MEASREPEAT:
        return msg.m_wDuration == kOneMeasureRepeat ? codeMeasOneRepeat : codeMeasRepeat;
    case MSG_SLIDE1:
    case MSG_SLIDE2:
    case MSG_SLIDE3:
    case MSG_SLIDE4:
        return codeSlid[msg.m_byKind - MSG_SLIDE1];
    case MSG_MARKUP:
        return codeCircleUp;
    case MSG_MARKDOWN:
        return codeCircleDown;
    case MSG_BIGMARKDOWN:
        return codeBigCircleDown;
    // Pedal lines and small digits have drawers of their own; these rows
    // serve direct calls only.
    case MSG_PEDAL:
        return codePedal[3];
    case MSG_FONTGLYPH:
        return GlyphAt(codeSmallDigit, 1 + msg.m_wObjWord);
    default:
        return 0;
    }
}

// The older coda's text: the head bytes up to a zero or the head's end,
// whichever comes first (a stored head carries no terminator).
CString OlderCodaText(const CKVMsg& msg)
{
    if (!msg.m_pHead)
        return CString();
    const char* bytes = reinterpret_cast<const char*>(msg.m_pHead);
    const char* end = std::find(bytes, bytes + msg.m_wHeadLen, '\0');
    return CString(bytes, static_cast<int>(end - bytes));
}

} // namespace

short CScoreView::DrawSingle_Msg(CKVMsg& msg)
{
    if (!m_bOpened)
        return 1;
    const char glyph = static_cast<char>(SingleGlyph(msg));
    if (!glyph)
        return 1;
    CPoint at = SymbolPoint(*this, msg);
    drawntext::TextState state(m_pDC);
    m_pDC->SetTextColor(GetColorByVoice(msg));
    if (msg.m_byKind == MSG_MEASREPEAT) {
        at.x -= GetTextExtent(glyph).cx / 2;
        // The sign stands for the whole measure, which then needs no rest.
        if (msg.m_wDuration == kOneMeasureRepeat)
            m_bEmptyMeas = 0;
    }
    DrawTextOut(at.x, at.y, &glyph, 1, 0);
    DrawCtrlRectOfMsg(&msg, at.x, at.y);
    return 1;
}

short CScoreView::DrawMark(CKVMsg& msg)
{
    if (!m_bOpened)
        return 1;
    const char glyph = static_cast<char>(GlyphAt(MarkTB, msg.m_wHeadType).byCode);
    if (!glyph)
        return 1;
    CKVMeas* meas = ParentMeas(msg);
    const int x = m_lOrgX + (meas ? meas->MeasXToAbsX(msg.m_nPosX, msg.m_byKind) : msg.m_nPosX);
    const int y = m_lOrgY + MulDiv(msg.m_nPosY, m_nSizePercent, 100);
    drawntext::TextState state(m_pDC);
    m_pDC->SetTextColor(GetColorByVoice(msg));
    DrawTextOut(x, y, &glyph, 1, 0);
    return 1;
}

short CScoreView::DrawGerneralFont(CKVMsg& msg)
{
    if (!m_bOpened)
        return 1;
    // Only the six digits count, though the table is longer.
    constexpr int kDigits = 6;
    if (msg.m_wObjWord >= kDigits)
        return -1;
    const char glyph = static_cast<char>(GlyphAt(codeSmallDigit, msg.m_wObjWord));
    if (!glyph)
        return -1;
    const CPoint at = SymbolPoint(*this, msg);
    {
        drawntext::TextState state(m_pDC);
        m_pDC->SetTextColor(GetColorByVoice(msg));
        DrawTextOut(at.x, at.y, &glyph, 1, 0);
    }
    DrawCtrlRectOfMsg(&msg, at.x, at.y);
    return 1;
}

short CScoreView::DrawCoda(CKVMsg& msg)
{
    if (!m_bOpened)
        return 1;
    if (msg.m_wHeadType == kNewerCodaLayout)
        return DrawCodaEx(msg);
    const bool hasText = (msg.m_wObjWord & kCodaHasText) != 0;
    const bool hasGlyph = (msg.m_wObjWord & kCodaHasGlyph) != 0;
    if (!hasText && !hasGlyph)
        return -1;
    const CPoint start = SymbolPoint(*this, msg, true);
    int x = start.x;
    {
        drawntext::TextState state(m_pDC);
        m_pDC->SetTextColor(msg.m_crColor);
        if (hasText) {
            // The settings' font stays as stored; only the copy is sized.
            LOGFONT face = m_pCtrlTool->m_lfCoda;
            face.lfHeight = -std::abs(MulDiv(face.lfHeight, m_nDpiY * m_nSizePercent, 7200));
            drawntext::TextState font(m_pDC);
            font.Select(face);
            const CString text = OlderCodaText(msg);
            DrawTextOut(x, start.y, text, 0);
            x += GetTextExtent(text).cx + kCodaTextGap;
        }
        const char glyph = static_cast<char>(GlyphAt(codeCoda, msg.m_wDuration));
        if (hasGlyph && glyph)
            DrawTextOut(x, start.y, &glyph, 1, 0);
    }
    DrawCtrlRectOfMsg(&msg, start.x, start.y);
    return 1;
}

short CScoreView::DrawCodaEx(CKVMsg& msg)
{
    if (!m_bOpened)
        return 1;
    const CPoint start = SymbolPoint(*this, msg);
    drawntext::TextState state(m_pDC);
    m_pDC->SetTextColor(msg.m_crColor);
    int x = start.x;
    int y = start.y;
    // The first part drawn takes handle 0, the second handle 1 when the
    // symbol has two.
    int placed = 0;
    auto place = [&](const CRect& rect) {
        if (placed == 0)
            SetHandle(msg, 0, rect);
        else if (placed == 1 && msg.m_byCtrlCount == 2)
            SetHandle(msg, 1, rect);
        ++placed;
    };
    auto advance = [&](int width) {
        x += width + msg.m_nPosX2;
        y += MulDiv(msg.m_nPosY2, m_nSizePercent, 100);
    };
    const bool withGlyph = (msg.m_wDuration & 0xFF) == 1;
    const char glyph = static_cast<char>(GlyphAt(codeCoda, msg.m_wDuration >> 8));
    auto drawGlyph = [&] {
        DrawTextOut(x, y, &glyph, 1, 0);
        const int w = GetTextExtent(glyph).cx;
        place(CRect(x - start.x, y - start.y - w, x - start.x + w, y - start.y));
        return w;
    };

    if (withGlyph && glyph && msg.m_wObjWord == kCodaGlyphFirst)
        advance(drawGlyph());
    // A head too short for its record holds no text.
    if (msg.m_pHead && msg.m_wHeadLen >= kCodaRecordHead) {
        const BYTE* head = msg.m_pHead;
        const WORD number = GetWord(head);
        const WORD points = GetWord(head + 2);
        const BYTE style = head[4];
        LOGFONT face {};
        face.lfHeight = -MulDiv(points, m_nDpiY * m_nSizePercent, 7200);
        face.lfWeight = (style & kStyleBold) ? kBoldWeight : kNormalWeight;
        face.lfItalic = (style & kStyleItalic) ? 1 : 0;
        face.lfUnderline = (style & kStyleUnderline) ? 1 : 0;
        face.lfOutPrecision = OUT_STROKE_PRECIS;
        face.lfClipPrecision = CLIP_STROKE_PRECIS;
        face.lfQuality = DRAFT_QUALITY;
        // The table numbers fonts in a byte; a larger number names none of
        // them, and an unknown font leaves the face empty for the default.
        drawntext::TakeFace(number <= 0xFF && m_pDoc ? &m_pDoc->m_FontDatas : nullptr, number, face);
        const int length = std::min<int>(msg.m_wHeadLen - kCodaRecordHead, kCodaTextMax);
        const CString text(reinterpret_cast<const char*>(head + kCodaRecordHead), length);
        drawntext::TextState font(m_pDC);
        font.Select(face);
        DrawTextOut(x, y, text, 0);
        const CSize extent = GetTextExtent(text);
        place(CRect(x - start.x, y - start.y - extent.cy, x - start.x + extent.cx, y - start.y));
        advance(extent.cx);
    }
    if (withGlyph && glyph && msg.m_wObjWord == kCodaGlyphAfterText)
        drawGlyph();
    return 1;
}

short CScoreView::DrawTrills(CKVMsg& msg)
{
    if (!m_bOpened)
        return 1;
    const int startX = SymbolPoint(*this, msg).x;
    const int documentGap = m_pDoc ? m_pDoc->m_nStaffSpace : 0;
    const int y = m_lOrgY + (documentGap > 0 ? MulDiv(msg.m_nPosY, m_nStaffSpace, documentGap) : msg.m_nPosY);
    int endX = startX + msg.m_nPosX2;
    const bool wavy = msg.m_dwWord != 0;
    const char glyph = static_cast<char>(codeTrill[wavy ? 1 : 0]);
    int w = GetTextExtent(glyph).cx;
    if (wavy) {
        // The wavy pieces overlap by a quarter and stop short of the end.
        w -= w / 4;
        endX -= w / 2;
    }
    // A glyph without width still moves on, so that the line ends.
    const int step = std::max(w, 1);
    int x = startX;
    {
        drawntext::TextState state(m_pDC);
        m_pDC->SetTextColor(msg.m_crColor);
        m_pDC->SetTextAlign(TA_BASELINE);
        for (; x < endX; x += step)
            DrawTextOut(x, y, &glyph, 1, 0);
    }
    if (msg.m_arrCtrlPoint.GetSize() >= 2)
        SetHandle(msg, 1,
                  CRect(x - startX - kTrillHandleHalf, -kTrillHandleHalf, x - startX + kTrillHandleHalf,
                        kTrillHandleHalf));
    DrawCtrlRectOfMsg(&msg, startX, y);
    return 1;
}

short CScoreView::DrawRolled_chord(CKVMsg& msg)
{
    if (!m_bOpened)
        return 1;
    const CPoint first = SymbolPoint(*this, msg);
    const int x1 = first.x;
    const int y1 = first.y;
    const int x2 = msg.m_nPosX2 == kVerticalRoll ? x1 : x1 + msg.m_nPosX2;
    const int y2 = y1 + MulDiv(msg.m_nPosY2, m_nSizePercent, 100);
    const bool heavy = msg.m_wDuration != 0;
    {
        drawntext::TextState state(m_pDC);
        m_pDC->SetTextColor(msg.m_crColor);
        if (x1 == x2)
            DrawVerticalRoll(x1, y1, y2, heavy);
        else
            DrawSlantedRoll(x1, y1, x2, y2, heavy);
    }
    DrawCtrlRectOfMsg(&msg, x1, y1);
    return 1;
}

// Glyphs one gap apart down from y1 + gap until half a gap past y2.
void CScoreView::DrawVerticalRoll(int x, int y1, int y2, bool heavy)
{
    const char glyph = static_cast<char>(codeRollV);
    const int gap = m_nStaffSpace;
    auto draw = [&] {
        for (int y = y1 + gap; y < y2 + gap / 2; y += std::max(gap, 1))
            DrawTextOut(x, y, &glyph, 1, 0);
    };
    if (!heavy) {
        draw();
        return;
    }
    LOGFONT face = m_lfMusic;
    face.lfWeight = kHeavyWeight;
    face.lfHeight = face.lfHeight * m_nSizePercent / 100;
    drawntext::TextState font(m_pDC);
    font.Select(face);
    draw();
}

// Glyphs along the slant in a font turned to it, at four times the
// resolution on the screen. The loop follows the axis of the larger step
// and includes the end; a step that truncates to nothing is one dot along
// that axis, so that the line ends.
void CScoreView::DrawSlantedRoll(int x1, int y1, int x2, int y2, bool heavy)
{
    const FineResolution fine(m_pDC, m_bPrinting != 0);
    const int m = fine.Factor();
    // Level lines give ±pi/2, as atan2 does for a zero second argument.
    const double a = std::atan2(static_cast<double>(x2 - x1), static_cast<double>(y2 - y1));
    const int tenths = static_cast<int>(a * 1800.0 / std::numbers::pi);
    LOGFONT face = m_lfMusic;
    face.lfEscapement = tenths;
    face.lfOrientation = tenths;
    face.lfWeight = heavy ? kHeavyWeight : kNormalWeight;
    face.lfHeight = face.lfHeight * m_nSizePercent / 100 * m;
    const double length = static_cast<double>(m_nStaffSpace) * m;
    const int dx = static_cast<int>(std::sin(a) * length);
    const int dy = static_cast<int>(std::cos(a) * length);

    drawntext::TextState font(m_pDC);
    font.Select(face);
    const char glyph = static_cast<char>(codeRollV);
    int x = x1 * m + dx;
    int y = y1 * m + dy;
    if (std::abs(dx) < std::abs(dy)) {
        const int end = y2 * m;
        for (; dy > 0 ? y <= end : y >= end; x += dx, y += dy)
            DrawTextOut(x, y, &glyph, 1, 0);
    } else {
        const int end = x2 * m;
        const int step = dx != 0 ? dx : (x2 > x1 ? 1 : -1);
        for (; step > 0 ? x <= end : x >= end; x += step, y += dy)
            DrawTextOut(x, y, &glyph, 1, 0);
    }
}

short CScoreView::DrawClef(CKVMsg& msg)
{
    if (!m_bOpened)
        return -1;
    const int clef = msg.m_wDuration;
    const STMARK record = GlyphAt(ClefTB, clef);
    if (record.byCode == 0)
        return -1;
    const COLORREF oldColour = m_pDC->SetTextColor(msg.m_crColor);
    const int gap = m_nStaffSpace;
    int x = m_lOrgX + msg.m_nPosX;
    int y = m_lOrgY + msg.m_nPosY;
    if (msg.m_byParentKind == OBJ_MEAS && msg.m_pParent) {
        CKVMeas& meas = *static_cast<CKVMeas*>(msg.m_pParent);
        if (msg.m_nPosX <= 0 && msg.m_byMark1 == 1)
            x = m_lOrgX + MulDiv(msg.m_nPosX, meas.GetRealWidth(), CKVMeas::SCALE) +
                MulDiv(m_pCtrlTool->ClefChangeShift(), MulDiv(gap, m_nBlockPercent, 100), 4);
        else
            x = m_lOrgX + meas.MeasXToAbsX(msg.m_nPosX, msg.m_byKind);
        y = m_lOrgY + MulDiv(msg.m_nPosY, m_nSizePercent, 100);
    }
    const int handleX = x;
    const int handleY = y;
    // The smaller clef of a change sits on the same staff line as the full one.
    switch (clef) {
    case 4: y -= 3 * gap - MulDiv(3, 2 * gap, 4); break;
    case 8: y -= MulDiv(13, gap, 8); break;
    case 2:
    case 7: y -= 3 * gap - MulDiv(3, 3 * gap, 4); break;
    default: y -= 2 * gap - MulDiv(3, 2 * gap, 4); break;
    }
    const HFONT oldFont = SelectFont(75);
    const char code = static_cast<char>(record.byCode);
    const int width = GetTextExtent(code).cx;
    DrawTextOut(x, y, &code, 1, 0);
    if (record.byCode2 != 0) {
        const char second = static_cast<char>(record.byCode2);
        DrawTextOut(x + MulDiv(record.nX, 3, 4), y + MulDiv(record.nY, 3 * gap, 32), &second, 1, 0);
    }
    m_pDC->SetTextColor(oldColour);
    DrawCtrlRectOfMsg(&msg, handleX, handleY);
    SelectFontObject(oldFont);
    return static_cast<short>(width);
}

short CScoreView::DrawKeysign(CKVMsg& msg)
{
    if (!m_bOpened)
        return 1;
    const char glyph = static_cast<char>(GlyphAt(codeAcci, msg.m_wDuration));
    if (!glyph)
        return 1;
    const CPoint at = SymbolPoint(*this, msg);
    drawntext::TextState state(m_pDC);
    m_pDC->SetTextColor(GetColorByVoice(msg));
    DrawTextOut(at.x, at.y, &glyph, 1, 0);
    if (msg.m_byReplace) {
        const int w = GetTextExtent(glyph).cx;
        const int gap = m_wParenthesisGap;
        const int y = at.y + m_nStaffSpace;
        DrawTextOut(at.x - gap - w, y, CString("("), 0);
        DrawTextOut(at.x + w + gap, y, CString(")"), 0);
    }
    return 1;
}

short CScoreView::ChangeKeySign(CKVMsg& msg)
{
    const int code = msg.m_wDuration;
    if (m_byKeyClef < 1 || m_byKeyClef > kKeyClefs || code == 0)
        return 1;
    if (m_byKeyKind < 1 || m_byKeyKind > 2 || (code != m_byKeyKind && code != kNatural))
        return 1;
    const short* row = nKeyPos[m_byKeyKind - 1][m_byKeyClef - 1];
    const int p = msg.m_nPosY / 4;
    if (code == kNatural) {
        // A natural cancels the key's last accidental when it stands on its
        // place; with no accidental in force there is nothing to cancel.
        if (m_nKeyCount >= 1 && m_nKeyCount <= kKeyPositions && row[m_nKeyCount - 1] == p)
            --m_nKeyCount;
        return 1;
    }
    for (int i = std::max<int>(m_nKeyCount, 0); i < kKeyPositions; ++i) {
        if (row[i] == p) {
            m_nKeyCount = static_cast<short>(i);
            break;
        }
    }
    return 1;
}
