// The note, rest and tuplet-number image.

#include "drag/TempNoteMsg.h"
#include "drag/DragGlyph.h"

#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "model/GlyphTables.h"
#include "model/TextHelpers.h"

namespace {

constexpr BYTE kNoteKind = 128;
constexpr WORD kNumberBase = 100;
constexpr WORD kColonNumber = 200;
constexpr DWORD kGraceEntry = 0x10;
constexpr DWORD kGraceEntryAfter = 0x20;
constexpr BYTE kHalfRest = 0xB5;
constexpr BYTE kWholeRest = 0xB4;

using kvdrag::DrawGlyph;
using kvdrag::MeasureGlyph;

} // namespace

CTempNoteMsg::CTempNoteMsg(short kind)
{
    m_byKind = static_cast<BYTE>(kind & 0xFF);
    m_wHeadType = 1;
    m_wDuration = 0;
    CKVMsg::m_crColor = 0;
}

void CTempNoteMsg::DrawDraging(CDC* dc)
{
    if (!dc || !m_pDoc)
        return;
    const int L = m_pDoc->m_nStaffSpace;
    const int F = m_pDoc->m_nScoreFontSize;
    const DWORD edit = CKVCtrlTool::m_dwEditStatus;
    const bool grace = (edit & (kGraceEntry | kGraceEntryAfter)) != 0;
    const int x = m_ptPos.x;
    const int y = m_ptPos.y;

    int h = L * 3 / 2;
    if (m_wHeadType < kNumberBase)
        h = F;
    if (grace)
        h = MulDiv(h, 75, 100);
    if (m_wHeadType == kColonNumber)
        h = F * 5 / 4;

    LOGFONT logfont {};
    GetDefaultLogFont(logfont, static_cast<short>(h * 10), "ZelvoraB", 0, dc);
    ZelvoraLogFontProc(logfont, dc);
    CFont font;
    font.CreateFontIndirect(&logfont);
    CFont* oldFont = dc->SelectObject(&font);
    const COLORREF oldColour = dc->SetTextColor(RGB(0, 0, 255));
    const UINT oldAlign = dc->SetTextAlign(TA_BASELINE);

    if (m_wHeadType >= kNumberBase) {
        const int number = m_wHeadType - kNumberBase;
        char text[3] = {};
        if (m_wHeadType < kNumberBase + 10) {
            text[0] = static_cast<char>('0' + number);
        } else {
            text[0] = static_cast<char>('0' + number / 10);
            text[1] = static_cast<char>('0' + number % 10);
        }
        const int length = text[1] ? 2 : 1;
        SIZE size {0, 0};
        MyGetTextExtent(dc, text, length, &size);
        MyDrawTextOut(dc, x - (size.cx >> 1), y, text, length);
        // The number's own box, so that its image is not empty.
        m_rcBound = CRect(-(size.cx >> 1) - 1, -size.cy - 1, size.cx - (size.cx >> 1) + 1, (size.cy >> 1) + 1);
        m_bMeasured = 1;
    } else {
        const int d = m_wDuration & 0xFF;
        const int dots = m_wDuration >> 8;
        const bool note = m_byKind == kNoteKind;
        BYTE head = 0;
        if (note) {
            switch (m_wHeadType) {
            case 1: head = GlyphAt(codeStdHead, d); break;
            case 2: head = GlyphAt(codeCrossHead, d); break;
            case 3: head = GlyphAt(codeSlashHead, d); break;
            case 4: head = GlyphAt(codeBoxHead, 1); break;
            case 5: head = GlyphAt(codeBoxHead, 0); break;
            default: head = 0; break;
            }
        } else {
            head = GlyphAt(codeRest, d);
        }
        if (head == kHalfRest)
            head = kWholeRest;
        CSize headSize(0, 0);
        if (head) {
            headSize = MeasureGlyph(dc, head);
            DrawGlyph(dc, head, x, y);
        }
        const int w = headSize.cx;
        const int hh = headSize.cy;
        int stemHeight = 0;
        int flagWidth = 0;
        if (note) {
            if (d > 1) {
                stemHeight = MeasureGlyph(dc, codeUpBar).cy;
                DrawGlyph(dc, codeUpBar, x, y);
            }
            if (d > 3 && d < 9) {
                const BYTE flag = GlyphAt(codeUpTail, d);
                flagWidth = MeasureGlyph(dc, flag).cx;
                DrawGlyph(dc, flag, x, y);
            }
            if (d == 4 && grace) {
                if (edit & kGraceEntry)
                    DrawGlyph(dc, codeGraceAdd[2], x, y);
                else
                    DrawGlyph(dc, codeGraceAdd[0], x - (w >> 1), y);
            }
        }
        int dotWidth = 0;
        if (dots == 1 || dots == 2) {
            dotWidth = MeasureGlyph(dc, codeDot).cx;
            const int dotX = x + MulDiv(w, 3, 2);
            DrawGlyph(dc, codeDot, dotX, y - (w >> 1));
            if (dots == 2) {
                dotWidth *= 2;
                DrawGlyph(dc, codeDot, dotX + L, y - (w >> 1));
            }
        }
        m_rcBound.left = -(w >> 1) - 1;
        m_rcBound.right = flagWidth + 2 * w + dotWidth + 2;
        if (note) {
            m_rcBound.top = -(stemHeight + (w >> 1) + 1);
            m_rcBound.bottom = (w >> 1) + 1;
        } else {
            m_rcBound.top = -(hh >> 1) - 1;
            m_rcBound.bottom = (hh >> 1) + 1;
        }
        m_bMeasured = 1;
    }

    dc->SetTextAlign(oldAlign);
    dc->SetTextColor(oldColour);
    dc->SelectObject(oldFont);
    font.DeleteObject();
}
