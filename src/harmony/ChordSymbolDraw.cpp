// Chord symbols: copies, colour, the dictionary link and drawing.

#include "harmony/ChordSymbol.h"

#include "MemoryGuard.h"
#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "harmony/ChordRtBsInfo.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMeas.h"
#include "model/KVSystem.h"
#include "model/NewObject.h"
#include "model/TextHelpers.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr short kBold = 8;
constexpr char kTextFace[] = "Times New Roman";
constexpr char kMusicFace[] = "ZelvoraB";

// The rhythm copy shared by the copies: the target holds a rhythm exactly
// when the source does. False when one could not be made.
bool CopyRhythm(CRhythm*& target, CRhythm* source)
{
    if (!source) {
        delete target;
        target = nullptr;
        return true;
    }
    if (!target) {
        target = KvNewReported<CRhythm>();
        if (!target)
            return false;
    }
    *target = *source;
    return true;
}

// The six fonts of a chord name; deleted with it.
struct NameFonts {
    CFont root;
    CFont accidental;
    CFont suffix;
    CFont music;
    CFont digit;
    CFont bracket;

    ~NameFonts()
    {
        for (CFont* font : {&root, &accidental, &suffix, &music, &digit, &bracket})
            font->DeleteObject();
    }
};

bool MakeFont(CFont& font, CDC* dc, short size, const char* face, short style, bool music)
{
    LOGFONT logFont {};
    GetDefaultLogFont(logFont, size, face, style, dc);
    if (music)
        CompleteMusicFont(logFont, dc);
    return font.CreateFontIndirect(&logFont) != 0;
}

} // namespace

CChordSymbol& CChordSymbol::operator=(CChordSymbol& source)
{
    if (this == &source)
        return *this;
    CKVMsg::operator=(source);
    CreateFrom(&source);
    return *this;
}

void CChordSymbol::Initialize(CChordSymbol* source)
{
    if (!source || source == this)
        return;
    m_nRoot = source->m_nRoot;
    m_nBass = source->m_nBass;
    m_Surfix = source->m_Surfix;
    m_bShowName = source->m_bShowName;
    m_bShowFret = source->m_bShowFret;
    m_FretBoard = source->m_FretBoard;
    m_FretBoard.m_crColor = source->m_crColor;
    CopyRhythm(m_pRhythm, source->m_pRhythm);
    m_nDrawnX = source->m_nDrawnX;
    m_nDrawnY = source->m_nDrawnY;
    m_nPosX = source->m_nPosX;
    m_nPosY = source->m_nPosY;
}

int CChordSymbol::CreateFrom(CKVMsg* source)
{
    auto* chord = dynamic_cast<CChordSymbol*>(source);
    if (!chord)
        return 0;
    if (chord == this)
        return 1;
    m_nRoot = chord->m_nRoot;
    m_nBass = chord->m_nBass;
    m_Surfix = chord->m_Surfix;
    m_FretBoard = chord->m_FretBoard;
    m_bShowName = chord->m_bShowName;
    m_bShowFret = chord->m_bShowFret;
    return CopyRhythm(m_pRhythm, chord->m_pRhythm) ? 1 : 0;
}

void CChordSymbol::SetColor(COLORREF colour)
{
    m_crColor = colour;
    m_FretBoard.m_crColor = colour;
}

void CChordSymbol::CorrectSufixInfo()
{
    CString name = m_Surfix.GetRealName();
    if (name.IsEmpty())
        name = " (major)";
    m_Surfix.SetRealName(name);
    POSITION position = procChordSurfix.FindSurfixShortName(name);
    if (position) {
        const CChordSurfix* found = procChordSurfix.GetNextSurfix(position);
        m_Surfix.SetRealName(found->GetRealName());
        m_Surfix.SetInfo(found->GetInfo());
        return;
    }
    position = procChordSurfix.FindSurfixRealName(name);
    if (position)
        m_Surfix.SetInfo(procChordSurfix.GetNextSurfix(position)->GetInfo());
}

// The page x of a symbol in a measure, otherwise its own x word.
static LONG HorizontalOffset(CChordSymbol& symbol)
{
    if (symbol.m_byParentKind == OBJ_MEAS && symbol.m_pParent)
        return static_cast<CKVMeas*>(symbol.m_pParent)->GetRealPosX(&symbol);
    return symbol.m_nPosX;
}

CRect CChordSymbol::Draw(CDC* dc, LOGFONT* font, short zoom, LONG x, LONG y)
{
    if (!dc)
        return CRect(0, 0, 0, 0);
    const COLORREF oldColour = dc->SetTextColor(m_crColor);
    const int oldMode = dc->SetBkMode(TRANSPARENT);
    CRect name(0, 0, 0, 0);
    if (m_bShowName)
        name = DrawFrame(dc, font, zoom, x, y);
    dc->SetTextColor(oldColour);

    const LONG atX = x + HorizontalOffset(*this);
    const LONG atY = y + MulDiv(m_nPosY, zoom, 100);
    CRect fret(0, 0, 0, 0);
    if (m_bShowFret) {
        fret = m_FretBoard.Draw(dc, zoom, atX, atY);
        fret.OffsetRect(m_FretBoard.m_nPosX, m_FretBoard.m_nPosY);
    }
    CRect rhythm(0, 0, 0, 0);
    const CKVDoc* doc = m_pSystem ? m_pSystem->m_pDoc : nullptr;
    if (m_pRhythm && (!m_pSystem || CKVCtrlTool::m_bShowRhythm || (doc && doc->m_bShowRhythm))) {
        rhythm = m_pRhythm->Draw(dc, zoom, atX, atY);
        rhythm.OffsetRect(m_pRhythm->m_nPosX, m_pRhythm->m_nPosY);
    }
    dc->SetBkMode(oldMode);

    MakeMsgCtrlPoint();
    const CRect handles[3] = {name, fret, rhythm};
    CRect result = name;
    for (int i = 0; i < 3 && i < m_arrCtrlPoint.GetSize(); ++i) {
        CKVCtrlPoint* handle = m_arrCtrlPoint[i];
        if (!handle)
            continue;
        handle->m_rect = handles[i];
        // Empty rectangles add nothing to the union.
        result |= handle->m_rect;
    }
    m_nDrawnX = static_cast<short>(x & 0xFFFF);
    m_nDrawnY = static_cast<short>(y & 0xFFFF);
    return result;
}

CRect CChordSymbol::DrawFrame(CDC* dc, LOGFONT* font, short zoom, LONG x, LONG y)
{
    if (!dc)
        return CRect(0, 0, 0, 0);
    auto scaled = [zoom](int size) { return static_cast<short>(MulDiv(size, zoom, 100)); };

    // Faces, sizes (tenths of a point) and styles of the six fonts.
    char face[LF_FACESIZE + 1] = {};
    std::strncpy(face, kTextFace, LF_FACESIZE);
    short style = kBold;
    int rootSize = 120, accidentalSize = 140, suffixSize = 100, musicSize = 100, bracketSize = 130;
    int digitSize = 80;
    if (font) {
        std::memcpy(face, font->lfFaceName, LF_FACESIZE);
        style = static_cast<short>((font->lfItalic ? 1 : 0) | (font->lfUnderline ? 4 : 0) |
                                   (font->lfStrikeOut ? 2 : 0) | (font->lfWeight >= 700 ? 8 : 0));
        const int base = std::abs(static_cast<int>(font->lfHeight)) * 10;
        const int small = base * 8 / 10;
        rootSize = base;
        accidentalSize = small * 3 / 2;
        suffixSize = small;
        musicSize = small;
        digitSize = small * 8 / 10;
        bracketSize = small * 13 / 10;
    }
    const int count = std::clamp<int>(m_Surfix.m_nTensionCount, 0, 3);
    const bool grouped = !m_Surfix.m_strTension.IsEmpty() && count > 0;
    short bracketStyle = kBold;
    if (grouped && count > 1) {
        bracketSize *= count;
        bracketStyle = 0;
    }
    NameFonts fonts;
    if (!MakeFont(fonts.root, dc, scaled(rootSize), face, style, false) ||
        !MakeFont(fonts.accidental, dc, scaled(accidentalSize), kMusicFace, font ? style : kBold, true) ||
        !MakeFont(fonts.suffix, dc, scaled(suffixSize), face, style, false) ||
        !MakeFont(fonts.music, dc, scaled(musicSize), kMusicFace, font ? style : kBold, true) ||
        !MakeFont(fonts.digit, dc, scaled(digitSize), face, style, false) ||
        !MakeFont(fonts.bracket, dc, scaled(bracketSize), kMusicFace, bracketStyle, true))
        return CRect(0, 0, 0, 0);

    CFont* oldFont = dc->SelectObject(&fonts.root);
    const UINT oldAlign = dc->SetTextAlign(TA_BASELINE);
    auto extent = [dc](const char* text, int length) { return dc->GetTextExtent(text, length); };
    // One character goes out as text (length -1), a glyph as one byte.
    auto text = [dc](int atX, int atY, const char* bytes, int length) {
        MyDrawTextOut(dc, atX, atY, bytes, length == 1 ? -1 : length);
    };
    auto glyph = [dc](int atX, int atY, char code) { MyDrawTextOut(dc, atX, atY, &code, 1); };

    const int anchorX = static_cast<int>(x + HorizontalOffset(*this));
    const int anchorY = static_cast<int>(y + MulDiv(m_nPosY, zoom, 100));

    // Root letter and accidental; a root outside the table draws neither.
    int rootW = 0;
    int rootH = 0;
    const CString rootName = procChordRtBsInfo.GetRootName(m_nRoot);
    if (!rootName.IsEmpty()) {
        const char letter = rootName.GetAt(0);
        text(anchorX, anchorY, &letter, 1);
        const CSize size = extent(&letter, 1);
        rootW = size.cx;
        rootH = size.cy;
    } else {
        rootH = extent("A", 1).cy;
    }
    const char rootSign = AsciiToAcci(procChordRtBsInfo.GetRootTemp(m_nRoot));
    if (!rootName.IsEmpty() && rootSign) {
        dc->SelectObject(&fonts.accidental);
        glyph(anchorX + rootW, anchorY - rootH / 2, rootSign);
        rootW += extent(&rootSign, 1).cx;
    }

    // Main text on the baseline; digits sit lower, a 7 lowest.
    dc->SelectObject(&fonts.suffix);
    const CString& main = m_Surfix.m_strMain;
    int h = 0;
    int mainW = 0;
    if (main.IsEmpty()) {
        h = extent("A", 1).cy;
    } else {
        const CSize size = extent(main, main.GetLength());
        h = size.cy;
        mainW = size.cx;
        int at = anchorX + rootW;
        for (int i = 0; i < main.GetLength(); ++i) {
            const char ch = main.GetAt(i);
            int drop = 0;
            if (ch == '7')
                drop = h / 5;
            else if (ch >= '0' && ch <= '9')
                drop = (h / 5) / 2;
            text(at, anchorY + drop, &ch, 1);
            at += extent(&ch, 1).cx;
        }
    }

    // Raised text, above the main text from the same x.
    const int raisedY = anchorY + h / 5 + h / 4;
    const CString& upper = m_Surfix.m_strUpper;
    int upperW = 0;
    int upperH = 0;
    if (upper.IsEmpty()) {
        upperH = extent("A", 1).cy;
    } else {
        char sign = 0;
        if (upper == "b")
            sign = static_cast<char>(0xAA);
        else if (upper == "bb")
            sign = static_cast<char>(0xAD);
        else if (upper == "#")
            sign = static_cast<char>(0xA9);
        else if (upper == "*")
            sign = static_cast<char>(0xAC);
        CSize size;
        if (sign) {
            dc->SelectObject(&fonts.music);
            glyph(anchorX + rootW, raisedY - h, sign);
            size = extent(&sign, 1);
        } else {
            text(anchorX + rootW, raisedY - h, upper, upper.GetLength());
            size = extent(upper, upper.GetLength());
        }
        upperW = size.cx;
        upperH = size.cy;
    }

    // Tension group: the tensions stacked upwards between tall brackets.
    int tensionW = 0;
    int groupH = 0;
    if (grouped) {
        const int lift = count > 1 ? h / 5 : 0;
        int at = anchorX + rootW + upperW;
        dc->SelectObject(&fonts.bracket);
        glyph(at, raisedY - h - lift, '(');
        const int openW = extent("(", 1).cx;
        at += openW;
        dc->SelectObject(&fonts.music);
        int column = 0;
        for (int i = 0; i < count; ++i) {
            if (const char sign = static_cast<char>(m_Surfix.m_byTensionAcci[i])) {
                column = extent(&sign, 1).cx;
                break;
            }
        }
        int t = -h;
        int widest = 0;
        for (int i = 0; i < count; ++i) {
            if (const char sign = static_cast<char>(m_Surfix.m_byTensionAcci[i])) {
                dc->SelectObject(&fonts.music);
                glyph(at, raisedY + t - extent(&sign, 1).cy / 8, sign);
            }
            dc->SelectObject(&fonts.digit);
            const BYTE* number = m_Surfix.m_byTensionNum[i];
            const int digits = std::min<int>(number[2], 2);
            const char digitText[2] = {static_cast<char>(number[0]), static_cast<char>(number[1])};
            int digitsW = 0;
            int step = 0;
            if (digits > 0) {
                text(at + column, raisedY + t, digitText, digits);
                const CSize size = extent(digitText, digits);
                digitsW = size.cx;
                step = std::max(0, static_cast<int>(size.cy) * 8 / 10);
            }
            t -= step;
            groupH += step;
            widest = std::max(widest, column + digitsW);
        }
        at += widest;
        dc->SelectObject(&fonts.bracket);
        glyph(at, raisedY - h - lift, ')');
        tensionW = openW + extent(")", 1).cx + widest;
    }

    int width = rootW + std::max(mainW, upperW + tensionW);

    // Slash bass; a bass outside the table draws nothing.
    const CString bassName = procChordRtBsInfo.GetBaseName(m_nBass);
    if (m_nBass > 0 && !bassName.IsEmpty()) {
        dc->SelectObject(&fonts.root);
        const char slash[2] = {'/', bassName.GetAt(0)};
        text(anchorX + width, anchorY, slash, 2);
        const int slashW = extent(slash, 2).cx;
        int signW = 0;
        if (const char sign = AsciiToAcci(procChordRtBsInfo.GetBaseTemp(m_nBass))) {
            dc->SelectObject(&fonts.accidental);
            glyph(anchorX + width + slashW, anchorY - rootH / 2, sign);
            signW = extent(&sign, 1).cx;
        }
        width += slashW + signW;
    }

    dc->SetTextAlign(oldAlign);
    if (oldFont)
        dc->SelectObject(oldFont);

    int top = -rootH;
    if (grouped)
        top = h / 5 + h / 4 - h - groupH;
    else if (!upper.IsEmpty())
        top = h / 5 + h / 4 - h - upperH;
    return CRect(0, top, width, rootH / 4 + h / 5);
}
