// Notes, chords and note heads, and the colour of a symbol by its voice.

#include "render/ScoreView.h"

#include "model/KVCtrlPoint.h"
#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/MeasPlace.h"
#include "model/PitchMath.h"
#include "model/TextHelpers.h"
#include "platform/ProcessState.h"
#include "model/GlyphTables.h"
#include "render/ViewGeometry.h"
#include "model/TickMath.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

short nNoteHeadWidth = 0;

namespace {

KvProcessReset s_reset("nNoteHeadWidth", [] { nNoteHeadWidth = 0; });

constexpr WORD kFlagInChord = MSGFLAG_CHORD_MEMBER;
constexpr WORD kFlagNoStem = MSGFLAG_NO_STEM;
constexpr WORD kFlagOtherSide = MSGFLAG_DOT_COLUMN2;
constexpr WORD kFlagShownAbove = MSGFLAG_STAFF_UP;
constexpr WORD kFlagShownBelow = MSGFLAG_STAFF_DOWN;

int LineSpacing(const CKVDoc* doc)
{
    return doc && doc->m_nStaffSpace > 0 ? doc->m_nStaffSpace : 8;
}

// The head glyph of a type below 100; 0 draws none.
BYTE HeadGlyph(int type, int code)
{
    switch (type) {
    case 1: return GlyphAt(codeStdHead, code);
    case 2: return codeCrossHead[3];
    case 3: return GlyphAt(codeSlashHead, code);
    case 4: return codeBoxHead[1];
    case 5: return codeBoxHead[0];
    default: return type >= 6 ? GlyphAt(codeDrumHead, type - 6) : 0;
    }
}

// Puts the view state that a note changes back when the note is done.
struct NoteStateKeeper {
    CScoreView& view;
    LONG orgX = view.m_lOrgX;
    LONG orgY = view.m_lOrgY;
    short gap = view.m_nStaffSpace;
    short percent = view.m_nSizePercent;
    UINT align = view.m_pDC->GetTextAlign();
    COLORREF colour = view.m_pDC->GetTextColor();
    ~NoteStateKeeper()
    {
        view.m_pDC->SetTextAlign(align);
        view.m_pDC->SetTextColor(colour);
        view.KVSetOrgXY(orgX, orgY);
        view.m_nStaffSpace = gap;
        view.m_nSizePercent = percent;
    }
};

} // namespace

bool CScoreView::IsVoiceVisible(const CKVMsg& msg) const
{
    return !m_pCtrlTool->IsVoiceHidden(msg.m_byVoice) || msg.m_byVoice == m_pCtrlTool->m_wActiveVoice;
}

short CScoreView::DrawNote(CKVMsg& note, int, BYTE mode, int withStem, int inChord, int shifted)
{
    if (!m_bOpened)
        return 0;
    if (note.m_wFlag & kFlagNoStem)
        withStem = 0;
    const WORD savedDuration = note.m_wDuration;
    if (note.IsTremoloNote() && tickmath::DurationByte(note) > 0) {
        // The tremolo shows the doubled value; its drawer draws long stems.
        note.m_wDuration = static_cast<WORD>(savedDuration - 1);
        if (tickmath::DurationByte(note) > 3)
            withStem = 0;
    }
    NoteStateKeeper keep {*this};

    const int lineSpacing = LineSpacing(m_pDoc);
    CKVStaff* staff = GetNoteViewStaff(note);
    const int s = viewgeom::EffectivePercent(lineSpacing, staff ? staff->m_wObjWord : 100);
    HFONT staffFont = nullptr;
    HFONT previousFont = nullptr;
    if (s != m_nSizePercent) {
        m_nStaffSpace = static_cast<short>(std::max(1, MulDiv(m_nStaffSpace, s, m_nSizePercent)));
        m_nSizePercent = static_cast<short>(s);
        LOGFONT lf;
        GetDefaultLogFont(lf, static_cast<short>(MulDiv(m_nStaffSpace, 2880, m_nDpiY > 0 ? m_nDpiY : 96)),
                          m_lfMusic.lfFaceName, 0, m_pDC);
        staffFont = CreateFontIndirectA(&lf);
        if (staffFont)
            previousFont = SelectFontObject(staffFont);
    }
    const int G = m_nStaffSpace;

    CKVMeas* meas = tickmath::MeasureOf(&note);
    int x = viewgeom::NoteX(m_lOrgX, meas ? meas->m_nRealWidth : 0, note.m_nPosX);
    int y = viewgeom::NoteY(m_lOrgY, note.m_nPosY, lineSpacing, G);
    if ((note.m_wFlag & kFlagShownBelow) && m_lDownStaffY != -1) {
        const int base = m_lDownStaffY + MulDiv(note.m_nPosY2, s, 100);
        y -= MulDiv(y - base, 100, s);
    } else if ((note.m_wFlag & kFlagShownAbove) && m_lUpStaffY != -1) {
        const int base = m_lUpStaffY + MulDiv(note.m_nPosY2, s, 100);
        y -= MulDiv(y - base, 100, s);
    }
    m_pDC->SetTextColor(GetColorByVoice(note));

    const bool visible = IsVoiceVisible(note);
    int h = static_cast<short>(note.m_lHeight);
    int marksX = x;
    int W = 0;
    if (visible) {
        const int S = m_pDoc->m_nFontHeight78;
        const int size = note.m_wSize > 0 ? note.m_wSize : MSG_SIZE_NORMAL;
        if (std::abs(h) > S) // the part beyond the standard length keeps its size
            h = (h < 0 ? -1 : 1) * (S + (std::abs(h) - S) * MSG_SIZE_NORMAL / size);
        HFONT sizeFont = nullptr;
        if (size != MSG_SIZE_NORMAL) {
            const short percent = static_cast<short>(viewgeom::SizePercent(size));
            sizeFont = SelectFont(percent);
            m_nSizePercent = percent;
        }
        const int width = GetNoteHeadSize().cx;
        if (h < 0 && tickmath::DurationByte(note) > 1) {
            m_pDC->SetTextAlign(TA_BASELINE | TA_RIGHT);
            x += width;
        } else {
            m_pDC->SetTextAlign(TA_BASELINE | TA_LEFT);
        }
        if (note.m_bHeadShift) {
            x += width + MulDiv(width, 1, 10);
            marksX += width + MulDiv(width, 1, 10);
        }
        if (shifted)
            x += (h <= 0 ? 1 : -1) * MulDiv(width, 1, 10);
        W = DrawHead(note, static_cast<short>(x), static_cast<short>(y), static_cast<short>(h), shifted == 0, mode);
        if (note.m_bHeadShift)
            note.NoteCtrlOffset(static_cast<short>(width));
        if (withStem == 1 && mode != 2)
            DrawNoteBar_Tail(note, static_cast<short>(x), static_cast<short>(y), static_cast<short>(W),
                             static_cast<short>(h), 0, mode, inChord);
        if (sizeFont) {
            SelectFontObject(sizeFont);
            m_nSizePercent = static_cast<short>(s);
        }
        if (!(note.m_wFlag & kFlagInChord))
            note.m_nLayout1 = static_cast<short>(tickmath::DurationByte(note) <= 1 ? G : h);
    }

    m_pDC->SetTextAlign(TA_BASELINE);
    int correction = 0;
    if (shifted)
        correction = h <= 0 ? W : -W;
    marksX += correction;
    KVSetOrgXY(marksX, y);
    if (visible) {
        DrawNoteMarks(note, static_cast<short>(W), mode);
        if (mode == 0)
            DrawSubMsgs(note, 1, correction);
    }
    if (staffFont) {
        SelectFontObject(previousFont);
        DeleteObject(staffFont);
    }
    note.m_wDuration = savedDuration;
    return static_cast<short>(h);
}

short CScoreView::DrawChord(CKVMsg& chord, int pass, int withStem, int, int)
{
    if (!m_bOpened || !IsVoiceVisible(chord))
        return 1;
    const std::vector<CKVMsg*> notes = measplace::ChordNotes(chord);
    if (notes.empty())
        return 1;
    if (notes.size() == 1) {
        // Drawn as the note alone, standing in the chord's place for the call.
        CKVMsg* note = notes.front();
        CKVObject* parent = note->m_pParent;
        const BYTE parentKind = note->m_byParentKind;
        note->m_pParent = chord.m_pParent;
        note->m_byParentKind = chord.m_byParentKind;
        const short result = DrawNote(*note, pass, 0, withStem, 0, 0);
        note->m_pParent = parent;
        note->m_byParentKind = parentKind;
        return result;
    }
    CKVMsg* bottom = notes.front();
    CKVMsg* top = notes.back();
    const bool stem = withStem && bottom->GetNoteHeight() != 0 && top->GetNoteHeight() != 0;
    int h = static_cast<int>(bottom->m_lHeight);
    if (h == 0)
        h = static_cast<int>(top->m_lHeight);
    const CKVMsg* ref = h <= 0 ? top : bottom;
    CKVStaff* staff = GetNoteViewStaff(*bottom);
    const int s = viewgeom::EffectivePercent(LineSpacing(m_pDoc), staff ? staff->m_wObjWord : 100);
    for (CKVMsg* note : notes) {
        note->m_wFlag |= kFlagInChord;
        if (!stem)
            continue;
        note->m_nLayout1 = static_cast<short>(ref->m_lHeight + MulDiv(ref->m_nPosY - note->m_nPosY, s, 100));
        if ((h < 0 && note->m_lHeight > 0) || (h > 0 && note->m_lHeight < 0))
            note->m_lHeight = -note->m_lHeight;
    }
    const UINT align = m_pDC->GetTextAlign();
    DrawChordNotes(chord, notes, h, stem, s);
    m_pDC->SetTextAlign(align);
    return static_cast<short>(h);
}

// Draws the chord's notes from the stem's far end inwards, the first one
// carrying the stem, and moves a head a second away from the last unmoved
// one to the other side of the stem.
void CScoreView::DrawChordNotes(CKVMsg& chord, const std::vector<CKVMsg*>& notes, int h, bool withStem, int s)
{
    const int n = static_cast<int>(notes.size());
    CKVMsg* bottom = notes.front();
    CKVMsg* top = notes.back();
    const int spread = MulDiv(std::abs(bottom->m_nPosY - top->m_nPosY), s, 100);
    const CKVMsg* previous = nullptr;
    int i = 0;
    int j = n;
    while (i < j) {
        CKVMsg* note;
        int drawIndex;
        if (h <= 0) {
            if (notes[i]->m_lHeight <= 0) {
                note = notes[i];
                drawIndex = i++;
            } else {
                note = notes[--j];
                drawIndex = j;
            }
        } else if (notes[j - 1]->m_lHeight < 0) {
            note = notes[i];
            drawIndex = i++;
        } else {
            note = notes[j - 1];
            drawIndex = n - j;
            --j;
        }
        int shifted = 0;
        if ((note->m_byDots & 0x7F) == 0) {
            if (previous && std::abs(MulDiv(previous->m_nPosY - note->m_nPosY, s, 100)) <= m_nStaffSpace / 2) {
                shifted = 1;
                previous = nullptr;
            } else {
                previous = note;
            }
        } else if (chord.ChordHasReverseNote() == 1) {
            const bool otherSide = (note->m_wFlag & kFlagOtherSide) != 0;
            shifted = ((!otherSide && h <= 0) || (otherSide && h > 0)) ? 1 : 0;
        }
        if (drawIndex == 0 && withStem) {
            const LONG height = note->m_lHeight;
            note->m_lHeight = top->m_lHeight <= 0 ? top->m_lHeight - spread : bottom->m_lHeight + spread;
            DrawNote(*note, 1, 0, 1, 0, shifted);
            note->m_lHeight = height;
        } else {
            DrawNote(*note, 1, 0, 0, 1, shifted);
        }
    }
}

short CScoreView::DrawHead(CKVMsg& note, short x, short y, short stemHeight, int normal, BYTE mode)
{
    if (!m_bOpened)
        return 0;
    const int type = note.m_wHeadType;
    const int code = tickmath::DurationByte(note);
    const int G = m_nStaffSpace;
    const BYTE glyph = type < viewgeom::kNumberedHead ? HeadGlyph(type, code) : 0;
    int W = GetTextExtent(static_cast<char>(glyph ? glyph : codeStdHead[1])).cx;

    const int anchor = static_cast<int>(note.m_dwWord & 0xFFFF);
    if (type == 3 || normal) {
        const bool small = note.m_wSize < MSG_SIZE_NORMAL && note.m_lHeight < 0;
        note.NoteCtrlOffset(static_cast<short>(small ? MulDiv(G, note.m_wSize, 16) : 0));
    } else if (type == 2 && anchor == 1) {
        x = static_cast<short>(x + (stemHeight <= 0 ? W / 2 : -(W / 2)));
    } else if (stemHeight < 0) {
        x = static_cast<short>(x + W);
        note.NoteCtrlOffset(static_cast<short>(W));
    } else {
        x = static_cast<short>(x - W);
        note.NoteCtrlOffset(static_cast<short>(-W));
    }
    m_pDC->SetTextColor(GetColorByVoice(note));
    CKVMeas* meas = tickmath::MeasureOf(&note);
    if (!meas || !measplace::StaffOf(*meas))
        return 0;
    const CKVStaff* viewStaff = GetNoteViewStaff(note);
    const bool freeLines = viewStaff && viewStaff->m_byStaffKind == CKVStaff::KIND_FREE_LINE;
    const int L = LineSpacing(m_pDoc);
    int staffPercent = m_nSizePercent;
    if (freeLines) {
        staffPercent = viewStaff->m_wObjWord;
        y = static_cast<short>(y - MulDiv(note.m_nPosY, staffPercent, 100) +
                               (MulDiv(note.m_nPosY, 2, L) * MulDiv(L, staffPercent, 100)) / 2);
    }

    if (type >= viewgeom::kNumberedHead)
        W = DrawNumberedHead(note, x, y, stemHeight, staffPercent, mode);
    else if (glyph)
        DrawTextOut(x, y, reinterpret_cast<const char*>(&glyph), 1, mode);
    nNoteHeadWidth = static_cast<short>(W);

    // Ledger lines, dots and parentheses go from the head's left edge.
    const UINT align = m_pDC->GetTextAlign();
    const int left = (align & TA_RIGHT) == TA_RIGHT ? x - W : x;
    m_pDC->SetTextAlign(TA_BASELINE | TA_LEFT);
    if (type != 0 && !freeLines)
        DrawLedgerLines(note, left, y, W, mode);
    DrawDots(note, left, y, W, stemHeight, normal, mode);
    if (note.m_byReplace) {
        const char open = static_cast<char>(codeParenthLeft);
        const char close = static_cast<char>(codeParenthRight);
        DrawTextOut(left - m_wParenthesisGap - GetTextExtent(open).cx, y + G, &open, 1, mode);
        DrawTextOut(left + W + m_wParenthesisGap, y - G, &close, 1, mode);
    }
    m_pDC->SetTextAlign(align);
    return static_cast<short>(W);
}

// A head of type 100 and above shows its number, one or two digits, as text.
int CScoreView::DrawNumberedHead(CKVMsg& note, int x, int y, short stemHeight, int staffPercent, BYTE mode)
{
    const int L = LineSpacing(m_pDoc);
    const int number = note.m_wHeadType - viewgeom::kNumberedHead;
    char text[3] = {};
    int length = 1;
    if (number < 10) {
        text[0] = static_cast<char>('0' + number);
    } else {
        text[0] = static_cast<char>('0' + (number / 10) % 10);
        text[1] = static_cast<char>('0' + number % 10);
        length = 2;
    }
    const int size = note.m_wSize > 0 ? note.m_wSize : MSG_SIZE_NORMAL;
    LOGFONT lf {};
    lf.lfHeight = L * 7 / 4;
    if (staffPercent != m_nSizePercent) // a staff of free lines scales its numbers
        lf.lfHeight = MulDiv(MulDiv(lf.lfHeight, staffPercent, 100), size, MSG_SIZE_NORMAL);
    lf.lfWidth = lf.lfHeight * 2 / 5;
    lf.lfCharSet = 1;
    std::strcpy(lf.lfFaceName, "Times New Roman");
    HFONT font = CreateFontIndirectA(&lf);
    HFONT previous = SelectFontObject(font);
    const int width = GetTextExtent(text, length).cx;
    const int atX = stemHeight <= 0 ? x + width / 2 : x - width / 2;
    const int atY = y + MulDiv(MulDiv(L, staffPercent, 100) / 2, size, MSG_SIZE_NORMAL);
    DrawTextOutT(atX, atY, text, length, mode);
    SelectFontObject(previous);
    DeleteObject(font);
    return width;
}

void CScoreView::DrawLedgerLines(CKVMsg& note, int left, int y, int width, BYTE mode)
{
    const int G = m_nStaffSpace;
    LONG base = m_lOrgY;
    if (note.m_wFlag & (kFlagShownAbove | kFlagShownBelow)) {
        if (m_lDownStaffY != -1 && (y >= m_lDownStaffY || (note.m_wFlag & kFlagShownBelow)))
            base = m_lDownStaffY;
        if (m_lUpStaffY != -1 && (y <= m_lUpStaffY || (note.m_wFlag & kFlagShownAbove)))
            base = m_lUpStaffY;
    }
    const int distance = y - base;
    const int count = std::abs(distance) / G;
    const int step = distance < 0 ? -G : G;
    const int first = distance < 0 ? 5 : 1;
    const int overhang = MulDiv(G, 3, 9);
    const char piece = static_cast<char>(codeShortLine);
    const int pieceWidth = GetTextExtent(piece).cx;
    const bool threePieces = (note.m_wHeadType <= 1) && tickmath::DurationByte(note) <= 1;
    for (int index = first; index <= count; ++index) {
        const int lineY = base + index * step;
        DrawTextOut(left - overhang, lineY, &piece, 1, mode);
        if (threePieces)
            DrawTextOut(left, lineY, &piece, 1, mode);
        DrawTextOut(left + width + overhang - pieceWidth, lineY, &piece, 1, mode);
    }
}

void CScoreView::DrawDots(CKVMsg& note, int left, int y, int width, short stemHeight, int normal, BYTE mode)
{
    const int count = note.m_byDots & 0x7F;
    if (count == 0 || count > 4)
        return;
    const int G = m_nStaffSpace;
    const int L = LineSpacing(m_pDoc);
    const bool crossStaff = (note.m_wFlag & (kFlagShownAbove | kFlagShownBelow)) != 0;
    const int q = crossStaff ? note.m_nPosY2 * 2 / G : note.m_nPosY * 2 / L;
    const bool onLine = q % 2 == 0;
    int dotY = onLine ? y - G / 2 : y;
    if (!normal && stemHeight > 0 && onLine)
        dotY = y + G / 2;
    int dotX = left + width + note.m_nLayout3;
    if (!m_bInBeam && tickmath::DurationByte(note) > 3 && (stemHeight < 0 || IsEqualNoteInOtherVoice(&note)))
        dotX += G / 2;
    if (note.m_wFlag & kFlagOtherSide)
        dotX += width + width / 10;
    const char dot = static_cast<char>(codeDot);
    const int dotWidth = GetTextExtent(dot).cx;
    const bool twice = !normal && stemHeight < 0;
    for (int k = 0; k < count; ++k) {
        DrawTextOut(dotX + 2 * k * dotWidth, dotY, &dot, 1, mode);
        if (twice)
            DrawTextOut(dotX + 2 * k * dotWidth, dotY + G, &dot, 1, mode);
    }
    // Handle 2 grabs the dots: a square of one gap around the first dot,
    // relative to the note's point.
    if (note.m_arrCtrlPoint.GetSize() > 2 && note.m_arrCtrlPoint.GetAt(2)) {
        const int pointX = left;
        const int cx = dotX + dotWidth / 2 - pointX;
        const int cy = dotY - y + (normal ? 0 : G);
        CKVCtrlPoint* handle = note.m_arrCtrlPoint.GetAt(2);
        handle->m_wKind = CKVCtrlPoint::kReshape;
        handle->m_rect = CRect(cx - G / 2, cy - G / 2, cx - G / 2 + G, cy - G / 2 + G);
    }
}

int CScoreView::IsEqualNoteInOtherVoice(CKVMsg* note)
{
    if (!note || note->m_byParentKind != OBJ_MEAS || !note->m_pParent)
        return 0;
    CKVMeas* meas = static_cast<CKVMeas*>(note->m_pParent);
    for (int i = 0; i < meas->m_arrMsgRef.GetSize(); ++i) {
        const CKVMsg* other = measplace::ChildAt(*meas, i);
        if (!other || other->m_byKind != MSG_NOTE || other->m_byVoice == note->m_byVoice)
            continue;
        if (other->m_nPosX == note->m_nPosX)
            return 1;
        if (other->m_nPosX > note->m_nPosX)
            return 0;
    }
    return 0;
}

COLORREF CScoreView::GetColorByVoice(CKVMsg& msg)
{
    if (!m_pCtrlTool)
        return msg.m_crColor;
    const int active = m_pCtrlTool->m_wActiveVoice;
    const COLORREF colour = (!active || msg.m_byVoice == active) ? msg.m_crColor : m_pCtrlTool->m_crVoice[0];
    if (!CKVCtrlTool::m_bIsMeasErrorCheck || msg.m_byKind != MSG_NOTE)
        return colour;
    // A note of a measure whose length does not fill its time signature is
    // red; a time signature without a unit never colours.
    CKVMeas* meas = tickmath::MeasureOf(&msg);
    if (!meas || meas->m_nTimeDen <= 0)
        return colour;
    const long ticks = static_cast<long>(tickmath::TicksPerQuarter(&msg));
    const long expected = ticks * 4 * meas->m_nTimeNum / meas->m_nTimeDen;
    long actual = static_cast<long>(meas->GetCurWholeCountDouble());
    if (std::labs(expected - actual) < static_cast<long>(ticks / 64.0))
        actual = expected;
    if (actual != 0 && !meas->IsPeakupMeas() && actual != expected)
        return RGB(255, 0, 0);
    return colour;
}

CSize CScoreView::GetNoteHeadSize()
{
    return GetTextExtent(static_cast<char>(codeStdHead[2]));
}

CKVStaff* CScoreView::GetNoteViewStaff(const CKVMsg& note)
{
    CKVMeas* shown = kvpitch::ContextMeasure(const_cast<CKVMsg&>(note));
    return shown ? measplace::StaffOf(*shown) : nullptr;
}

void CScoreView::CorrectSubMsgPos(CKVMsg* note, int, int, int reach)
{
    if (note)
        note->m_nLayout1 = static_cast<short>(reach);
}

short CScoreView::GetChordStatus(CKVMsg& msg, CKVMsg** stemEnd, CKVMsg** stemRoot)
{
    if (msg.m_byKind != MSG_CHORD) {
        if (stemEnd)
            *stemEnd = &msg;
        if (stemRoot)
            *stemRoot = &msg;
        return 1;
    }
    const std::vector<CKVMsg*> notes = measplace::ChordNotes(msg);
    CKVMsg* bottom = notes.empty() ? nullptr : notes.front();
    CKVMsg* top = notes.empty() ? nullptr : notes.back();
    const bool up = msg.m_lHeight < 0;
    if (stemEnd)
        *stemEnd = up ? top : bottom;
    if (stemRoot)
        *stemRoot = up ? bottom : top;
    return static_cast<short>(notes.size());
}
