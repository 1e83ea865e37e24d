// Measure drawing and the dispatch of one symbol to its drawer by kind.

#include "render/ScoreView.h"

#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "harmony/ChordSymbol.h"
#include "model/GlyphTables.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/MeasPlace.h"
#include "render/ViewGeometry.h"

namespace {

// The kinds that hold time in a voice: they make a measure non-empty and
// the active voice's ones are drawn last, on top.
bool IsVoiceContent(BYTE kind)
{
    switch (kind) {
    case MSG_NOTE:
    case MSG_REST:
    case MSG_TUPLET:
    case MSG_BEAM:
    case MSG_CHORD:
    case MSG_MULTIREST:
        return true;
    default:
        return false;
    }
}

// Puts the view's origin back when a drawer returns.
class OriginKeeper {
public:
    explicit OriginKeeper(CScoreView& view) : m_view(view), m_x(view.m_lOrgX), m_y(view.m_lOrgY) {}
    ~OriginKeeper() { m_view.KVSetOrgXY(m_x, m_y); }
    OriginKeeper(const OriginKeeper&) = delete;
    OriginKeeper& operator=(const OriginKeeper&) = delete;

private:
    CScoreView& m_view;
    LONG m_x;
    LONG m_y;
};

} // namespace

short CScoreView::KVDrawMeas(CKVMeas& meas, short column, int endingsOnly)
{
    if (!m_bOpened)
        return 1;
    OriginKeeper keep(*this);
    const LONG x0 = m_lOrgX;
    const LONG y0 = m_lOrgY;
    const LONG left = x0 + meas.m_nLeftX;
    const LONG cx = left + meas.m_nHeaderWidth;
    const LONG cy = y0 + meas.m_nStaffY;
    m_lMeasOrgY = cy;

    const BYTE ending = meas.m_byEndingPos;
    if (ending != CKVMeas::ENDING_NONE) {
        if (column == 0 && (ending == CKVMeas::ENDING_BEGINS || ending == CKVMeas::ENDING_BEGINS_AND_ENDS)) {
            const int e = m_pCtrlTool->m_wH8 * m_nStaffSpace / 4;
            KVSetOrgXY(cx - e, cy);
            DrawEndings(static_cast<short>(cx - left - e));
        } else {
            KVSetOrgXY(left, cy);
            DrawEndings(-1);
        }
    }
    if (endingsOnly)
        return 1;

    m_bEmptyMeas = 1;
    const int active = m_pCtrlTool->m_wActiveVoice;
    for (short i = 0; i < meas.GetMsgNum(); ++i) {
        CKVMsg* msg = meas.GetMsg(i);
        if (!msg) {
            --i; // GetMsg dropped a stale reference; the next one moved up
            continue;
        }
        if (IsVoiceContent(msg->m_byKind)) {
            m_bEmptyMeas = 0;
            if (active && msg->m_byVoice == active)
                continue;
            KVSetOrgXY(cx, cy);
        } else {
            KVSetOrgXY(left, cy);
        }
        KVDrawMsg(*msg, 0);
    }
    if (active) {
        for (short i = 0; i < meas.GetMsgNum(); ++i) {
            CKVMsg* msg = meas.GetMsg(i);
            if (!msg) {
                --i;
                continue;
            }
            if (IsVoiceContent(msg->m_byKind) && msg->m_byVoice == active) {
                KVSetOrgXY(cx, cy);
                KVDrawMsg(*msg, 0);
            }
        }
    }
    if (m_bEmptyMeas && !IsEmptyExcepted(meas))
        DrawEmptyMeasRest(meas, cx, y0);
    return 1;
}

// A measure with nothing of its own still counts as filled when symbols of
// a neighbouring staff are shown on it, or a measure repeat covers it.
bool CScoreView::IsEmptyExcepted(const CKVMeas& meas) const
{
    if (m_pDownMeas && m_pDownMeas->m_arrUpMsg.GetSize() > 0)
        return true;
    if (m_pUpMeas && m_pUpMeas->m_arrDownMsg.GetSize() > 0)
        return true;
    if (meas.m_dwTrailWord2 != 0)
        return true;
    return m_pPrevMeas && m_pPrevMeas->m_dwTrailWord2 == 1;
}

void CScoreView::DrawEmptyMeasRest(CKVMeas& meas, LONG cx, LONG y0)
{
    const BYTE kind = measplace::StaffKindOf(&meas);
    if (kind != CKVStaff::KIND_NORMAL && kind != CKVStaff::KIND_DRUM && kind != CKVStaff::KIND_DRUM_SECOND)
        return;
    if (!(m_pCtrlTool->m_wDrawOptions & CKVCtrlTool::kWholeRestInEmptyMeas))
        return;
    const CKVStaff* staff = measplace::StaffOf(meas);
    const int g = m_pDoc->m_nStaffSpace;
    const short x = static_cast<short>(cx + meas.m_nRealWidth / 2 - g);
    int y = -2 * g - g / 2;
    if (kind == CKVStaff::KIND_DRUM_SECOND)
        y += g;
    y = MulDiv(y, viewgeom::EffectivePercent(g, staff ? staff->m_wObjWord : 100), 100) + y0 + meas.m_nStaffY;
    const int voice = m_pCtrlTool->m_wActiveVoice;
    const COLORREF colour = (voice == 0 || voice == 8) ? m_pCtrlTool->m_crVoice[8] : m_pCtrlTool->m_crVoice[0];
    const COLORREF old = m_pDC->SetTextColor(colour);
    const char glyph = static_cast<char>(codeRest[1]);
    DrawTextOut(x, y, &glyph, 1, 0);
    m_pDC->SetTextColor(old);
}

short CScoreView::KVDrawMsg(CKVMsg& msg, BYTE mode)
{
    if (!m_bOpened)
        return 1;
    OriginKeeper keep(*this);
    switch (msg.m_byKind) {
    case MSG_NOTE:
        msg.m_nLayout1 = static_cast<short>(msg.m_lHeight & 0xFFFF);
        DrawNote(msg, 1, mode, 1, 0, 0);
        break;
    case MSG_REST: DrawRest(msg, mode); break;
    case MSG_TEXT:
    case MSG_FREETEXT: DrawMultiText(msg); break;
    case MSG_TEMPO: DrawMetronome(msg); break;
    case MSG_NOTEMARK: DrawMark(msg); break;
    case MSG_CODA: DrawCoda(msg); break;
    case MSG_ARPEGGIO: DrawRolled_chord(msg); break;
    case MSG_OCTAVE:
    case MSG_PEDAL: DrawVabPedal(msg); break;
    case MSG_TUPLET: DrawMeasTuplet(msg); break;
    case MSG_HAIRPIN: DrawCDCrescendo(msg); break;
    case MSG_BEAM: DrawBeam(msg); break;
    case MSG_KEYSIGN: DrawKeysign(msg); break;
    case MSG_OLDFRET: DrawFretboard(msg, CKVCtrlTool::m_fGuitarVisible); break;
    case MSG_OLDCHORDNAME: DrawChordText(msg); break;
    case MSG_LINE: DrawMsgLine(msg); break;
    case MSG_LYRIC: DrawTextMsg(msg); break;
    case MSG_DYNAMIC: DrawDynamic(msg); break;
    case MSG_CLEF:
        // A clef at the start of the measure is drawn by the measure header.
        if (msg.m_nPosX > 0 || msg.m_byMark1 == 0)
            DrawClef(msg);
        break;
    case MSG_TRILL: DrawTrills(msg); break;
    case MSG_TREMOLO: DrawTremolo(msg); break;
    case MSG_CHORD: DrawChord(msg, 1, 1, 1, 0); break;
    case MSG_ELLIPSE: DrawEllipse(msg); break;
    case MSG_RECTANGLE: DrawRectangle(msg); break;
    case MSG_ROUNDRECT: DrawRoundRectangle(msg); break;
    case MSG_ZIGZAG_N: DrawN(msg); break;
    case MSG_ZIGZAG_M: DrawInversM(msg); break;
    case MSG_FONTGLYPH: DrawGerneralFont(msg); break;
    case MSG_MULTIREST: DrawLongrest(msg); break;
    case MSG_PAGESLUR: DrawSlur(msg, 0, -1, -1, -1, -1, 0, 0); break;
    case MSG_BREATH:
    case MSG_ORNAMENT:
    case MSG_CAESURA:
    case MSG_MEASREPEAT:
    case MSG_GLYPH:
    case MSG_SLIDE1:
    case MSG_SLIDE2:
    case MSG_SLIDE3:
    case MSG_SLIDE4:
    case MSG_MARKUP:
    case MSG_MARKDOWN:
    case MSG_BIGMARKDOWN: DrawSingle_Msg(msg); break;
    case MSG_MIDI: DrawMidiShortMsg(msg); break;
    case MSG_CURVE: DrawCurvedLine(msg); break;
    case MSG_CHORDSYMBOL:
        if (CChordSymbol* chord = dynamic_cast<CChordSymbol*>(&msg))
            chord->Draw(m_pDC, &m_pCtrlTool->m_lfChord, m_nSizePercent, static_cast<DWORD>(m_lOrgX),
                        static_cast<DWORD>(m_lOrgY));
        break;
    case MSG_BEZIER: DrawBezierLine(msg); break;
    case MSG_CUSTOM: DrawCustomSymbolMsg(msg); break;
    default: break; // ties and slurs hang on their notes; other kinds draw nothing
    }
    return 1;
}
