// Chord-name texts and fret boards of the older kinds: a root letter with its
// accidental, a suffix or a bracketed stack of runs, a slash bass, and the
// guitar diagram below a name.

#include "render/ScoreView.h"

#include "model/KVCtrlPoint.h"
#include "document/KVCtrlTool.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/GlyphTables.h"

#include <algorithm>
#include <vector>

namespace {

constexpr char kRootLetters[] = "CDEFGAB";

// A part of the head: `length` bytes at `offset`, or absent when they do not
// fit.
struct HeadPart {
    const char* text = nullptr;
    int length = 0;
    bool present = false;
};

HeadPart PartAt(const CKVMsg& msg, size_t offset, size_t length)
{
    if (!msg.m_pHead || offset > msg.m_wHeadLen || length > msg.m_wHeadLen - offset)
        return {};
    return {reinterpret_cast<const char*>(msg.m_pHead) + offset, static_cast<int>(length), true};
}

HFONT MakeFont(LOGFONT face, int height)
{
    face.lfHeight = height;
    return ::CreateFontIndirectA(&face);
}

// The fonts of one chord name; deleted with it.
struct ChordFonts {
    HFONT accidental = nullptr;
    HFONT runAccidental = nullptr;
    HFONT letter = nullptr;
    HFONT suffix = nullptr;
    HFONT run = nullptr;
    HFONT stack = nullptr;

    ~ChordFonts()
    {
        for (HFONT font : {accidental, runAccidental, letter, suffix, run, stack})
            if (font)
                ::DeleteObject(font);
    }
};

} // namespace

// The drawing point of a chord name or diagram: a symbol in a measure takes
// its x from the measure.
static CPoint ChordOrigin(CKVMsg& msg, LONG orgX, LONG orgY)
{
    LONG x = msg.m_nPosX;
    if (msg.m_byParentKind == OBJ_MEAS && msg.m_pParent)
        x = static_cast<CKVMeas*>(msg.m_pParent)->GetRealPosX(&msg);
    return CPoint(static_cast<int>(orgX + x), static_cast<int>(orgY + msg.m_nPosY));
}

short CScoreView::DrawChordText(CKVMsg& msg)
{
    if (!m_bOpened || !m_pCtrlTool)
        return 0;
    const int s = std::abs(MulDiv(m_pCtrlTool->m_lfChord.lfHeight, m_nDpiY, 72));
    // Drawing never changes the settings: the heavy weight is the copy's.
    LOGFONT chord = m_pCtrlTool->m_lfChord;
    chord.lfWeight = 900;
    ChordFonts fonts;
    fonts.accidental = MakeFont(m_lfMusic, MulDiv(-s, 11, 8));
    fonts.runAccidental = MakeFont(m_lfMusic, MulDiv(-s, 15, 16));
    fonts.letter = MakeFont(chord, -s);
    fonts.suffix = MakeFont(chord, MulDiv(-s, 4, 5));
    fonts.run = MakeFont(chord, MulDiv(-s, 3, 5));

    const COLORREF oldColour = m_pDC->SetTextColor(GetColorByVoice(msg));
    const CPoint start = ChordOrigin(msg, m_lOrgX, m_lOrgY);
    const int y = start.y;
    int x = start.x;
    auto ascentOf = [&](HFONT font) {
        SelectFontObject(font);
        TEXTMETRICA metrics {};
        m_pDC->GetTextMetrics(&metrics);
        return std::make_pair(static_cast<int>(metrics.tmAscent), static_cast<int>(metrics.tmExternalLeading));
    };
    HFONT oldFont = SelectFontObject(fonts.letter);
    const int letterAscent = ascentOf(fonts.letter).first;
    const int raisedY = y - letterAscent + s / 4;
    int top = y - letterAscent;
    auto glyph = [&](HFONT font, BYTE code, int atX, int atY) {
        SelectFontObject(font);
        const char c = static_cast<char>(code);
        DrawTextOut(atX, atY, &c, 1, 0);
        top = std::min(top, atY - ascentOf(font).first);
        return static_cast<int>(GetTextExtent(c).cx);
    };
    auto text = [&](HFONT font, const char* bytes, int length, int atX, int atY) {
        SelectFontObject(font);
        if (length > 0)
            DrawTextOutT(atX, atY, bytes, length, 0);
        return static_cast<int>(GetTextExtent(bytes, length).cx);
    };

    // Root letter and accidental.
    if (msg.m_wDuration < 7)
        x += text(fonts.letter, &kRootLetters[msg.m_wDuration], 1, x, y) + 1;
    if (const BYTE code = GlyphAt(chordAcci, msg.m_wObjWord); msg.m_wObjWord != 0 && code != 0)
        x += glyph(fonts.accidental, code, x, raisedY) + 1;

    // Suffix and stacked runs, each bounded by the head.
    const HeadPart suffix = PartAt(msg, 0, msg.m_dwWord);
    size_t offset = suffix.present ? suffix.length : msg.m_wHeadLen + size_t(1);
    std::vector<HeadPart> runs;
    for (int i = 0; i < msg.m_nPosY2 && suffix.present; ++i) {
        // A run cut short ends the runs, and the bass byte is lost with it.
        const HeadPart length = PartAt(msg, offset, 1);
        const HeadPart run = length.present ? PartAt(msg, offset + 1, static_cast<BYTE>(length.text[0])) : HeadPart();
        if (!run.present) {
            offset = msg.m_wHeadLen + size_t(1);
            break;
        }
        runs.push_back(run);
        offset += 1 + run.length;
    }
    if (runs.empty()) {
        x += text(fonts.suffix, suffix.text, suffix.length, x, y) + 1;
    } else {
        SelectFontObject(fonts.suffix);
        const int w0 = static_cast<int>(GetTextExtent(suffix.text, suffix.length).cx);
        int widest = 0;
        for (const HeadPart& run : runs)
            widest = std::max(widest, static_cast<int>(GetTextExtent(run.text, run.length).cx));
        const auto [suffixAscent, suffixLeading] = ascentOf(fonts.suffix);
        const int step = suffixAscent + suffixLeading;
        fonts.stack = MakeFont(chord, -step * static_cast<int>(runs.size()));
        SelectFontObject(fonts.stack);
        const int p = static_cast<int>(GetTextExtent("(", 1).cx);
        const int cw = widest + 2 * (p + 1);
        const int wide = std::max(w0, cw);
        const int cx = x + wide / 2;
        const UINT oldAlign = m_pDC->SetTextAlign(TA_BASELINE | TA_LEFT);
        text(fonts.stack, "(", 1, cx - cw / 2, raisedY);
        text(fonts.stack, ")", 1, cx + cw / 2 - p, raisedY);
        top = std::min(top, raisedY - ascentOf(fonts.stack).first);
        m_pDC->SetTextAlign(TA_BASELINE | TA_CENTER);
        text(fonts.suffix, suffix.text, suffix.length, cx, y);
        for (size_t i = 0; i < runs.size(); ++i) {
            const HeadPart& run = runs[i];
            const int baseline = raisedY - static_cast<int>(i) * step;
            top = std::min(top, baseline - ascentOf(fonts.run).first);
            if (run.text[0] != '#' && run.text[0] != 'b') {
                text(fonts.run, run.text, run.length, cx, baseline);
                continue;
            }
            // The sign glyph starts where the run would, the rest follows it.
            SelectFontObject(fonts.run);
            const int runWidth = static_cast<int>(GetTextExtent(run.text, run.length).cx);
            m_pDC->SetTextAlign(TA_BASELINE | TA_LEFT);
            const int signX = cx - runWidth / 2;
            const int signWidth = glyph(fonts.runAccidental, codeAcci[run.text[0] == '#' ? 1 : 2], signX, baseline - s / 4);
            text(fonts.run, run.text + 1, run.length - 1, signX + signWidth, baseline);
            m_pDC->SetTextAlign(TA_BASELINE | TA_CENTER);
        }
        m_pDC->SetTextAlign(oldAlign);
        x += wide + 1;
    }

    // Slash bass: the letter byte follows the runs.
    const HeadPart bass = PartAt(msg, offset, 1);
    const BYTE bassLetter = bass.present ? GlyphAt(chordRoot, static_cast<BYTE>(bass.text[0])) : 0;
    if (msg.m_nPosX2 >= 0 && bassLetter != 0) {
        const char slash[2] = {'/', static_cast<char>(bassLetter)};
        x += text(fonts.letter, slash, 2, x, y) + 1;
        if (const BYTE code = GlyphAt(chordAcci, msg.m_nPosX2); msg.m_nPosX2 > 0 && code != 0)
            x += glyph(fonts.accidental, code, x, raisedY) + 1;
    }

    SelectFontObject(oldFont);
    m_pDC->SetTextColor(oldColour);
    const int width = x - start.x;
    if (msg.m_arrCtrlPoint.GetSize() > 0)
        msg.m_arrCtrlPoint[0]->m_rect = CRect(0, top - y + m_nStaffSpace, width, 0);
    return static_cast<short>(width);
}

short CScoreView::DrawFretboard(CKVMsg& msg, int showBoard)
{
    if (!m_bOpened || !m_pCtrlTool)
        return 1;
    const HeadPart name = PartAt(msg, 0, msg.m_dwWord);
    auto fretByte = [&](int i) {
        const HeadPart part = PartAt(msg, size_t(msg.m_dwWord) + i, 1);
        return part.present ? static_cast<BYTE>(part.text[0]) : BYTE(0);
    };
    if (msg.m_dwWord != 0 && name.present) {
        CKVMsg copy;
        copy = msg;
        copy.TextToKVMsg(CString(name.text, name.length));
        DrawChordText(copy);
        if (msg.m_arrCtrlPoint.GetSize() > 0 && copy.m_arrCtrlPoint.GetSize() > 0)
            *msg.m_arrCtrlPoint[0] = *copy.m_arrCtrlPoint[0];
    }
    if (!showBoard)
        return 1;

    const int s = std::abs(MulDiv(m_pCtrlTool->m_lfChord.lfHeight, m_nDpiY, 72));
    const int h = 2 * s;
    HFONT board = MakeFont(m_lfMusic, -h);
    HFONT oldFont = SelectFontObject(board);
    const UINT oldAlign = m_pDC->SetTextAlign(TA_BASELINE);
    const COLORREF oldColour = m_pDC->SetTextColor(msg.m_crColor);
    const int boardWidth = static_cast<int>(GetTextExtent(static_cast<char>(codeBoard[0])).cx);
    const int r = MulDiv(h, 3, 4) / 4;
    // The diagram hangs h below the name's point.
    const CPoint origin = ChordOrigin(msg, m_lOrgX, m_lOrgY) + CPoint(0, h);
    auto stringX = [&](int k) { return origin.x + MulDiv(boardWidth * k, 20, 110); };
    auto glyph = [&](BYTE code, int atX, int atY) {
        const char c = static_cast<char>(code);
        DrawTextOut(atX, atY, &c, 1, 0);
    };
    auto barre = [&](BYTE value, int atY) {
        const int first = value & 0x0F;
        const int span = (value >> 4) - first;
        if (span >= 1 && span <= 5)
            glyph(codeArc[span], stringX(first), atY);
    };

    const int base = (msg.m_wDuration >> 8) + 1;
    if (base >= 2 && base <= 7) {
        glyph(codeBoard[0], origin.x, origin.y);
        glyph(codeFr[base], origin.x, origin.y);
    } else {
        glyph(codeBoard[1], origin.x, origin.y);
    }
    barre(static_cast<BYTE>(msg.m_wDuration), origin.y);
    for (int row = 1; row <= 4; ++row)
        barre(fretByte(3 + row), origin.y + row * r);
    for (int k = 0; k < 6; ++k) {
        const int mark = (msg.m_wObjWord >> (2 * k)) & 3;
        if (mark == 2 || mark == 3)
            glyph(codeOX[mark == 2 ? 1 : 0], stringX(k), origin.y);
    }
    for (int row = 1; row <= 4; ++row)
        for (int k = 0; k < 6; ++k)
            if (fretByte(row - 1) & (1 << k))
                glyph(codeOX[2], stringX(k), origin.y - 4 * r + row * r);

    m_pDC->SetTextColor(oldColour);
    m_pDC->SetTextAlign(oldAlign);
    SelectFontObject(oldFont);
    ::DeleteObject(board);
    return 1;
}
