// Note marks, accidentals, the symbols attached to a note and handle outlines.

#include "render/ScoreView.h"

#include "model/KVCtrlPoint.h"
#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "model/GlyphTables.h"
#include "render/ViewGeometry.h"
#include "model/TickMath.h"

#include <vector>

namespace {

constexpr BYTE kMarkInParentheses = 0x80;
constexpr BYTE kMarkCodeMask = 0x7F;
constexpr BYTE kNoFirstMark = 0x01;
constexpr BYTE kMarkBesideHead = 3;
constexpr BYTE kAccidentalInParentheses = 0x08;
constexpr WORD kFlagTieEnd = MSGFLAG_TIE_END;

// The accidental that a pitch difference (the plain key of the position
// less the note's key) needs: double sharp, sharp, none, flat, double flat.
BYTE AccidentalForDifference(int d)
{
    switch (d) {
    case -2: return 4;
    case -1: return 1;
    case 1: return 2;
    case 2: return 5;
    default: return 0;
    }
}

// Handle indexes that a symbol's kind shows.
std::vector<int> ShownHandles(const CKVMsg& msg, int count)
{
    std::vector<int> shown;
    int first = 0;
    if (msg.m_byKind == MSG_TIE || msg.m_byKind == MSG_SLUR) {
        switch (msg.m_wHeadType) {
        case 1: shown = {0, 1, 2}; break;
        case 2: shown = {0, 1}; break;
        case 3: shown = {2, 3}; break;
        default: break;
        }
    } else if (msg.m_byKind == MSG_OCTAVE || msg.m_byKind == MSG_PEDAL) {
        first = 1;
    }
    if (shown.empty()) {
        for (int i = first; i < count; ++i)
            shown.push_back(i);
    }
    std::vector<int> kept;
    for (int i : shown) {
        if (i >= count)
            continue; // a handle the symbol does not have
        if (msg.m_byKind == MSG_NOTE && ((i == 1 && msg.m_byMark1 == 0) || (i == 2 && msg.m_byMark2 == 0) ||
                                         (i == 3 && (msg.m_byAccidental & 7) == 0)))
            continue;
        kept.push_back(i);
    }
    return kept;
}

bool HasNoHandles(BYTE kind)
{
    switch (kind) {
    case 3: case 8: case 27: case 31: case 46: case 47: case 48: case 52: case 53:
    case 55: case 56: case 57: case 58: case 60: case 61: case 62:
        return true;
    default:
        return false;
    }
}

} // namespace

short CScoreView::DrawNoteMarks(CKVMsg& note, short headWidth, BYTE mode)
{
    if (!m_bOpened)
        return 1;
    const UINT oldAlign = m_pDC->SetTextAlign(TA_BASELINE | TA_CENTER);
    int a = note.m_nLayout4;
    const int code = note.m_wDuration & 0xFF;
    const int size = note.m_wSize > 0 ? note.m_wSize : MSG_SIZE_NORMAL;
    if (size != MSG_SIZE_NORMAL && note.m_lHeight < 0 && code > 1) {
        // A cue or grace head stands right-aligned on a smaller width.
        const int w = MulDiv(m_pDoc->GetHeadWidth(code), m_nDpiX > 0 ? m_nDpiX : 96, 96);
        a -= w - headWidth;
        note.MakeNoteMarkCtrl();
        if (note.m_arrCtrlPoint.GetSize() > 1 && note.m_arrCtrlPoint.GetAt(1))
            note.m_arrCtrlPoint.GetAt(1)->m_rect.OffsetRect(w - headWidth, 0);
    }
    const int ox = m_lOrgX;
    const int oy = m_lOrgY;
    const int centre = ox + headWidth / 2;
    const BYTE first = note.m_byMark1;
    if (!(first & kNoFirstMark)) {
        const int x = (first & kMarkCodeMask) == kMarkBesideHead ? ox + headWidth : centre;
        DrawOneMark(first, x, oy - note.m_nLayout1, centre, mode);
    }
    const int secondX = (first & kMarkCodeMask) == kMarkBesideHead ? ox : centre;
    DrawOneMark(note.m_byMark2, secondX, oy + note.m_nLayout2, centre, mode);

    m_pDC->SetTextAlign(TA_BASELINE | TA_RIGHT);
    HFONT oldFont = nullptr;
    if (size != MSG_SIZE_NORMAL)
        oldFont = SelectFont(static_cast<short>(viewgeom::SizePercent(size)));
    DrawAccidental(note, ox - a, mode);
    if (oldFont)
        SelectFontObject(oldFont);
    m_pDC->SetTextAlign(oldAlign);
    return 1;
}

// One mark glyph of MarkTB (in parentheses with bit 7) and its second glyph.
// A code past the table draws nothing.
void CScoreView::DrawOneMark(BYTE markByte, int x, int y, int secondX, BYTE mode)
{
    const int code = markByte & kMarkCodeMask;
    if (code >= static_cast<int>(sizeof(MarkTB) / sizeof(MarkTB[0])))
        return;
    const STMARK& record = MarkTB[code];
    if (record.byCode == 0)
        return;
    if (markByte & kMarkInParentheses) {
        const char text[3] = {'(', static_cast<char>(record.byCode), ')'};
        DrawTextOut(x, y, CString(text, 3), mode);
    } else {
        const char glyph = static_cast<char>(record.byCode);
        DrawTextOut(x, y, &glyph, 1, mode);
    }
    if (record.byCode2) {
        const char glyph = static_cast<char>(record.byCode2);
        DrawTextOut(secondX + record.nX, y + record.nY, &glyph, 1, mode);
    }
}

// The accidental right-aligned at `right`; in parentheses from right to
// left. Codes the glyph table does not have draw nothing.
void CScoreView::DrawAccidental(CKVMsg& note, int right, BYTE mode)
{
    if (note.m_byKind != MSG_NOTE)
        return;
    BYTE byte = note.m_byAccidental;
    const bool automatic = m_pDoc->m_byAutoAccidental != 0;
    if (byte == 0 && automatic) {
        CKVMeas* meas = tickmath::MeasureOf(&note);
        const int plain = note.GetDoReMiFromPosY(meas ? meas->m_byInitClef : 1, 0);
        byte = AccidentalForDifference(plain - note.GetMidiKey());
    }
    if ((note.m_wFlag & kFlagTieEnd) && !automatic && !note.IsTieEndNoteInDiffMeas())
        return;
    const int code = byte & 7;
    if (code >= static_cast<int>(sizeof(codeAcci)))
        return;
    const char glyph = static_cast<char>(codeAcci[code]);
    const int oy = m_lOrgY;
    if (!(byte & kAccidentalInParentheses)) {
        if (glyph)
            DrawTextOut(right, oy, &glyph, 1, mode);
        return;
    }
    const int lowered = oy + MulDiv(6, m_nStaffSpace, 8);
    const char close = static_cast<char>(codeParenthRight);
    const char open = static_cast<char>(codeParenthLeft);
    DrawTextOut(right, lowered, &close, 1, mode);
    right -= GetTextExtent(close).cx + 1;
    if (glyph) {
        DrawTextOut(right, oy, &glyph, 1, mode);
        right -= GetTextExtent(glyph).cx + 1;
    }
    DrawTextOut(right, lowered, &open, 1, mode);
}

short CScoreView::DrawSubMsgs(CKVMsg& note, BYTE visible, int dx)
{
    if (!m_bOpened)
        return 1;
    const LONG orgX = m_lOrgX;
    const LONG orgY = m_lOrgY;
    for (short i = 0; i < note.m_arrMsgRef.GetSize(); ++i) {
        const MsgRef* ref = note.m_arrMsgRef.GetAt(i);
        CKVMsg* child = measplace::ChildAt(note, i);
        if (!ref || !child || child == &note)
            continue;
        if (child->m_byKind == MSG_TIE)
            child->m_nPosY2 = child->m_nPosY;
        if (child->m_byKind == MSG_TIE || child->m_byKind == MSG_SLUR) {
            if (visible && DrawTieSlur(*child, ref->byOwner == kHolderOwns) == -1) {
                // A tie or slur whose notes are gone is removed, and the
                // next reference moves into this index.
                note.m_pSystem->RemoveMsgFromMap(ref->dwMsgId);
                note.RemoveAt(i);
                m_pDoc->m_bModified = 1;
                --i;
            }
        } else if (child->m_byKind == MSG_TUPLET) {
            if (visible && static_cast<DWORD>(child->m_lHeight) == note.m_dwMsgId) {
                KVSetOrgXY(orgX - dx, orgY);
                DrawMeasTuplet(*child);
            }
        } else {
            KVSetOrgXY(orgX - dx, orgY);
            KVDrawMsg(*child, 0);
        }
        KVSetOrgXY(orgX, orgY);
    }
    return 1;
}

void CScoreView::DrawCtrlRectOfMsg(CKVMsg* msg, int x, int y)
{
    if (!m_bOpened || !msg || HasNoHandles(msg->m_byKind))
        return;
    if (m_bPrinting || !CKVCtrlTool::m_fControlVisible)
        return;
    const int active = m_pCtrlTool->m_wActiveVoice;
    if (active && msg->m_byVoice != active)
        return;
    const int count = std::min<int>(msg->m_byCtrlCount, static_cast<int>(msg->m_arrCtrlPoint.GetSize()));
    CPen* oldPen = m_pDC->SelectObject(&m_penHandle);
    for (int i : ShownHandles(*msg, count)) {
        CKVCtrlPoint* point = msg->m_arrCtrlPoint.GetAt(i);
        if (!point)
            continue;
        if (msg->m_byKind == MSG_TEXT || msg->m_byKind == MSG_FREETEXT)
            DrawCtrlRect(point, x, y, 0);
        else if (i == 0 || msg->m_byKind == MSG_NOTE)
            DrawCtrlPoint(point, x, y);
        else
            DrawCtrlRect(point, x, y, 1);
    }
    if (msg->m_byKind == MSG_BEZIER) {
        for (int i = 0; i + 1 < count && i <= 2; i += 2) {
            const CKVCtrlPoint* from = msg->m_arrCtrlPoint.GetAt(i);
            const CKVCtrlPoint* to = msg->m_arrCtrlPoint.GetAt(i + 1);
            if (!from || !to)
                continue;
            const CPoint a = from->m_rect.CenterPoint();
            const CPoint b = to->m_rect.CenterPoint();
            m_pDC->MoveTo(a.x + x, a.y + y);
            m_pDC->LineTo(b.x + x, b.y + y);
        }
    }
    m_pDC->SelectObject(oldPen);
}
