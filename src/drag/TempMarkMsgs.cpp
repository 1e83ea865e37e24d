// The clef, bar-line and note-mark images.

#include "drag/TempMarkMsgs.h"
#include "drag/DragGlyph.h"

#include "document/KVDoc.h"
#include "model/GlyphTables.h"
#include "model/KVStaff.h"
#include "model/TextHelpers.h"

namespace {

constexpr BYTE kClefFamily = 131;
constexpr WORD kTabClef = 8;
constexpr BYTE kArticulation = 133;
constexpr BYTE kSign = 134;
constexpr BYTE kDynamicMark = 135;
constexpr BYTE kPedalMark = 136;
constexpr BYTE kFingering = 137;

using kvdrag::DrawGlyph;
using kvdrag::GlyphFont;
using kvdrag::MeasureGlyph;

// The bar-line and measure-repeat glyph by sub-kind; whether it stands one
// staff space higher.
BYTE BarGlyph(int subKind, bool& raised)
{
    raised = false;
    switch (subKind) {
    case 0: return codeBarLine[0][1];
    case 1: return codeBarLine[0][4];
    case 2: return codeBarLine[1][3];
    case 3: return codeBarLine[0][6];
    case 4: return codeBarLine[0][5];
    case 5: raised = true; return codeMeasOneRepeat;
    case 6: raised = true; return codeMeasRepeat;
    case 7: return codeBarLine[0][2];
    case 8: return codeBarLine[1][2];
    default: return 0;
    }
}

BYTE SignGlyph(int subKind)
{
    switch (subKind) {
    case 2: return codeFlowerMark;
    case 3: return codePedal[3];
    case 4:
    case 5:
    case 6:
    case 7: return GlyphAt(codeSlid, subKind - 4);
    case 8: return codeCesura;
    case 9: return codeBreath;
    case 10: return codeCircleUp;
    case 11: return codeCircleDown;
    case 14: return codeBigCircleDown;
    default: return 0;
    }
}

char FingeringChar(int subKind)
{
    static const char letters[] = "pimacPHT";
    if (subKind >= 0 && subKind < 8)
        return letters[subKind];
    if (subKind >= 8 && subKind <= 15)
        return static_cast<char>(subKind + 41);
    return 0;
}

} // namespace

// --- Marks in a measure's run -----------------------------------------------

CTempMsgAlongMeas::CTempMsgAlongMeas()
{
    m_byKind = kClefFamily;
    m_wHeadType = 0;
}

void CTempMsgAlongMeas::DrawDraging(CDC* dc)
{
    if (!dc || !m_pDoc)
        return;
    CKVStaff* staff = m_pDoc->GetStaff(0, 0);
    if (!staff)
        return;
    const int L = m_pDoc->m_nStaffSpace;
    const int s = m_wHeadType;
    int x = m_ptPos.x + m_rcBound.left;
    int y = m_ptPos.y;
    int w = 0;
    int h = 0;

    GlyphFont font(dc, m_pDoc->m_nScoreFontSize);
    if (m_byKind == kClefFamily && s == kTabClef) {
        font.Release();
        const int H = L * (staff->m_byLineCount - 1);
        CFont letters;
        letters.CreatePointFont((H / 3) * 10, "Times New Roman", dc);
        CFont* old = dc->SelectObject(&letters);
        w = dc->GetTextExtent("T", 1).cx;
        const int top = y - H - 2;
        dc->TextOut(x, top, "T", 1);
        dc->TextOut(x, top + H / 3, "A", 1);
        dc->TextOut(x, top + 2 * (H / 3), "B", 1);
        dc->SelectObject(old);
        letters.DeleteObject();
        h = H;
    } else {
        BYTE first = 0;
        BYTE second = 0;
        int dx = 0;
        int dy = 0;
        if (m_byKind == kClefFamily) {
            const STMARK clef = GlyphAt(ClefTB, s + 1);
            first = clef.byCode;
            second = clef.byCode2;
            dx = clef.nX;
            dy = MulDiv(clef.nY, L, 8);
            if (s == 3 || s == 7)
                y -= L;
        } else {
            bool raised = false;
            first = BarGlyph(s, raised);
            x += 4;
            if (raised)
                y -= L;
        }
        if (first) {
            const CSize size = MeasureGlyph(dc, first);
            w = size.cx;
            h = size.cy;
            DrawGlyph(dc, first, x, y);
        }
        if (second) {
            h += MeasureGlyph(dc, second).cy >> 1;
            DrawGlyph(dc, second, x + dx, y + dy);
        }
    }
    m_rcBound = CRect(-8 - (w >> 1), -h, (w >> 1) + 5, h >> 1);
    m_bMeasured = 1;
}

// --- Marks of a note or measure ----------------------------------------------

CTempMsgBelongNoteMeas::CTempMsgBelongNoteMeas()
{
    m_byKind = kArticulation;
    m_wHeadType = 0;
}

CTempMsgBelongNoteMeas& CTempMsgBelongNoteMeas::operator=(const CTempMsgBelongNoteMeas& source)
{
    if (this == &source)
        return *this;
    CKVMsg::operator=(source);
    CTempMsg::operator=(source);
    m_wSavedKind = source.m_wSavedKind;
    m_wSavedSubKind = source.m_wSavedSubKind;
    return *this;
}

void CTempMsgBelongNoteMeas::Initialize(CKVCtrlTool*)
{
    m_wSavedKind = m_byKind;
    m_wSavedSubKind = m_wHeadType;
    m_bMeasured = 0;
}

void CTempMsgBelongNoteMeas::Initialize(CKVMsg* msg)
{
    Initialize(static_cast<CKVCtrlTool*>(nullptr));
    if (!msg)
        return;
    auto look = [this](BYTE kind, int subKind) {
        m_byKind = kind;
        m_wHeadType = static_cast<WORD>(subKind);
    };
    switch (msg->m_byKind) {
    case MSG_NOTEMARK: look(kArticulation, msg->m_wHeadType - 1); break;
    case MSG_PEDAL: look(kSign, 3); break;
    case MSG_DYNAMIC: look(kDynamicMark, msg->m_wDuration - 1); break;
    case MSG_BREATH: look(kSign, 9); break;
    case MSG_ORNAMENT: look(kSign, 2); break;
    case MSG_CAESURA: look(kSign, 8); break;
    case MSG_SLIDE1:
    case MSG_SLIDE2:
    case MSG_SLIDE3:
    case MSG_SLIDE4: look(kSign, 4 + msg->m_byKind - MSG_SLIDE1); break;
    case MSG_MARKUP: look(kSign, 10); break;
    case MSG_MARKDOWN: look(kSign, 11); break;
    case MSG_BIGMARKDOWN: look(kSign, 14); break;
    default: break;
    }
}

void CTempMsgBelongNoteMeas::Restore()
{
    m_byKind = static_cast<BYTE>(m_wSavedKind);
    m_wHeadType = m_wSavedSubKind;
}

void CTempMsgBelongNoteMeas::InitDragingParameter(CPoint pt)
{
    const int v = m_pDoc ? m_pDoc->m_ptPointed.y : 0;
    m_ptPos = CPoint(pt.x, pt.y - v);
    m_ptSecond = pt;
}

void CTempMsgBelongNoteMeas::UpdateDragingParameter(CPoint pt)
{
    const int v = m_pDoc ? m_pDoc->m_ptPointed.y : 0;
    m_ptPos = CPoint(pt.x, pt.y - v);
}

void CTempMsgBelongNoteMeas::DrawDraging(CDC* dc)
{
    if (!dc || !m_pDoc)
        return;
    const int F = m_pDoc->m_nScoreFontSize;
    const int s = static_cast<short>(m_wHeadType);
    const int x = m_ptPos.x + m_rcBound.left;
    const int y = m_ptPos.y;
    const int oldRop = dc->SetROP2(R2_NOTXORPEN);
    const UINT oldAlign = dc->SetTextAlign(TA_BASELINE);
    int w = 0;
    int h = 0;

    if (m_byKind == kFingering) {
        LOGFONT logfont {};
        GetDefaultLogFont(logfont, static_cast<short>(F * 10), "Times New Roman", 1, dc);
        CFont font;
        font.CreateFontIndirect(&logfont);
        CFont* old = dc->SelectObject(&font);
        const char c = FingeringChar(s);
        if (c) {
            const CSize size = dc->GetTextExtent(&c, 1);
            w = size.cx;
            h = size.cy;
            dc->TextOut(x, y, &c, 1);
        }
        dc->SelectObject(old);
        font.DeleteObject();
        m_rcBound = CRect(-(w >> 1), -h, (w >> 1) + 1, h >> 1);
    } else {
        GlyphFont font(dc, F);
        BYTE glyph = 0;
        switch (m_byKind) {
        case kArticulation: glyph = GlyphAt(MarkTB, s + 1).byCode; break;
        case kSign: glyph = SignGlyph(s); break;
        case kDynamicMark: glyph = GlyphAt(CodeDyn, s + 1); break;
        case kPedalMark: glyph = s == 1 ? codePedal[2] : codePedal[1]; break;
        default: break;
        }
        if (glyph) {
            const CSize size = MeasureGlyph(dc, glyph);
            w = size.cx;
            h = size.cy;
            DrawGlyph(dc, glyph, x, y);
        }
        m_rcBound = CRect(-(w >> 1), -h, (w >> 1) + 5, h >> 1);
    }
    m_bMeasured = 1;
    dc->SetTextAlign(oldAlign);
    dc->SetROP2(oldRop);
}
