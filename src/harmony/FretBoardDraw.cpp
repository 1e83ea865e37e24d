// Fret diagrams: drawing, copying, the shape line and the shape profile.

#include "harmony/FretBoard.h"

#include "harmony/ChordRtBsInfo.h"
#include "model/GlyphTables.h"
#include "model/TextHelpers.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr char kEmptyShapeLine[] = "000000,00000000,0";
constexpr DWORD kProfileValueSize = 24;
constexpr short kBold = 8;

// The section and key under which a chord's shape is filed; false when the
// suffix holds nothing but blanks or the root has no name.
bool ShapeProfileNames(short root, short bass, const CString& surfix, CString& section, CString& key)
{
    section = surfix;
    section.Remove(' ');
    if (section.IsEmpty())
        return false;
    if (section == "(Major)")
        section = "(major)";
    key = procChordRtBsInfo.GetRealRootName(root);
    if (key.IsEmpty())
        return false;
    // A bass equal to the root (root + 1) adds nothing to the key.
    if (bass != 0 && bass != root + 1)
        key += "/" + procChordRtBsInfo.GetRealBaseName(bass);
    return true;
}

} // namespace

void CompleteMusicFont(LOGFONT& font, CDC* dc)
{
    const LONG weight = font.lfWeight;
    const BYTE italic = font.lfItalic;
    const BYTE underline = font.lfUnderline;
    const BYTE strikeOut = font.lfStrikeOut;
    ZelvoraLogFontProc(font, dc);
    font.lfWeight = weight;
    font.lfItalic = italic;
    font.lfUnderline = underline;
    font.lfStrikeOut = strikeOut;
}

short CFretInfo::GetMidiKeyOfString(int string) const
{
    if (string < 0 || string >= 6)
        return -1;
    const BYTE fret = m_byFret[string];
    if (fret == 0)
        return nFretBase[string];
    if (fret >= 1 && fret <= 4)
        return static_cast<short>(nFretBase[string] + m_nBaseFret + fret);
    return -1;
}

int CFretInfo::FretInfoToLineString(CString& line) const
{
    char text[sizeof(kEmptyShapeLine)] = {};
    int n = 0;
    for (BYTE fret : m_byFret)
        text[n++] = BYTEToAscii(static_cast<BYTE>(fret + 2));
    text[n++] = ',';
    for (const auto& pair : m_byBarre) {
        text[n++] = BYTEToAscii(pair[0]);
        text[n++] = BYTEToAscii(pair[1]);
    }
    text[n++] = ',';
    text[n++] = BYTEToAscii(static_cast<BYTE>(m_nBaseFret & 0xFF));
    line = CString(text, n);
    return IsFretEmpty() ? 0 : 1;
}

int CFretInfo::LineStringToFretInfo(const CString& line)
{
    const int length = line.GetLength();
    int comma = line.Find(',');
    const int stringsEnd = comma < 0 ? length : comma;
    for (int i = 0; i < stringsEnd && i < 6; ++i)
        m_byFret[i] = static_cast<BYTE>(AsciiToBYTE(line.GetAt(i)) - 2);
    if (comma < 0 || comma + 1 >= length)
        return 0;

    const int barresStart = comma + 1;
    comma = line.Find(',', barresStart);
    const int barresEnd = comma < 0 ? length : comma;
    for (int i = 0; barresStart + i < barresEnd && i < 8; ++i)
        m_byBarre[i / 2][i % 2] = AsciiToBYTE(line.GetAt(barresStart + i));
    if (comma < 0 || comma + 1 >= length)
        return 0;

    m_nBaseFret = AsciiToBYTE(line.GetAt(comma + 1));
    return 1;
}

int CFretInfo::ReadInfoFromProfile(short root, short bass, CString& surfix, const CString& profilePath)
{
    CString section;
    CString key;
    if (!ShapeProfileNames(root, bass, surfix, section, key))
        return 0;
    AddPrefixToSurfixName(section);
    char value[kProfileValueSize] = {};
    GetPrivateProfileStringA(section, key, kEmptyShapeLine, value, kProfileValueSize, profilePath);
    LineStringToFretInfo(CString(value));
    return IsFretEmpty() ? 0 : 1;
}

int CFretInfo::WriteInfoToProfile(short root, short bass, CString& surfix, const CString& profilePath)
{
    // Blanks are removed before the emptiness test, so a blank suffix writes
    // nothing rather than a section no read can find.
    CString section;
    CString key;
    if (!ShapeProfileNames(root, bass, surfix, section, key))
        return 0;
    AddPrefixToSurfixName(section);
    CString line;
    const bool played = FretInfoToLineString(line) != 0;
    // The empty shape removes the key.
    return WritePrivateProfileStringA(section, key, played ? static_cast<const char*>(line) : nullptr, profilePath)
               ? 1
               : 0;
}

int CFretInfo::AddPrefixToSurfixName(CString& surfix)
{
    // A bit per capital among the first four characters, so that suffixes
    // that differ only in case never share a section.
    BYTE mask = 0;
    for (int i = 0; i < 4 && i < surfix.GetLength(); ++i) {
        const char ch = surfix.GetAt(i);
        if (ch >= 'A' && ch <= 'Z')
            mask |= static_cast<BYTE>(8 >> i);
    }
    CString prefix("~");
    prefix += BYTEToAscii(mask);
    surfix = prefix + surfix;
    return 1;
}

CFretBoard& CFretBoard::operator=(CFretBoard& source)
{
    if (this == &source)
        return *this;
    CKVMsg::operator=(source);
    m_crColor = source.m_crColor;
    m_nPosX = source.m_nPosX;
    m_nPosY = source.m_nPosY;
    m_FretInfo = source.m_FretInfo;
    m_nSize = source.m_nSize;
    std::memcpy(m_szFace, source.m_szFace, sizeof(m_szFace));
    return *this;
}

CRect CFretBoard::Draw(CDC* dc, short zoom, LONG x, LONG y)
{
    if (!dc)
        return CRect(0, 0, 0, 0);
    const COLORREF oldColour = dc->SetTextColor(m_crColor);
    const int oldMode = dc->SetBkMode(TRANSPARENT);
    const CRect extent = DrawFrame(dc, zoom, x, y);
    dc->SetBkMode(oldMode);
    dc->SetTextColor(oldColour);
    return extent;
}

CRect CFretBoard::DrawFrame(CDC* dc, short zoom, LONG x, LONG y)
{
    if (!dc)
        return CRect(0, 0, 0, 0);
    // The face buffer of a record need not be terminated.
    char face[sizeof(m_szFace) + 1] = {};
    std::memcpy(face, m_szFace, sizeof(m_szFace));

    LOGFONT gridFace {};
    GetDefaultLogFont(gridFace, static_cast<short>(m_nSize * zoom / 100), face, kBold, dc);
    CompleteMusicFont(gridFace, dc);
    LOGFONT labelFace {};
    GetDefaultLogFont(labelFace, static_cast<short>(m_nSize * zoom / 400), "Times New Roman", 0, dc);
    CFont gridFont;
    CFont labelFont;
    if (!gridFont.CreateFontIndirect(&gridFace) || !labelFont.CreateFontIndirect(&labelFace))
        return CRect(0, 0, 0, 0);

    CFont* oldFont = dc->SelectObject(&gridFont);
    const UINT oldAlign = dc->SetTextAlign(TA_BASELINE);
    auto glyph = [dc](BYTE code, int atX, int atY) {
        const char c = static_cast<char>(code);
        MyDrawTextOut(dc, atX, atY, &c, 1);
    };

    const char grid = static_cast<char>(codeBoard[0]);
    const int h = static_cast<int>(dc->GetTextExtent(&grid, 1).cx);
    const int gridW = MulDiv(h, 105, 100);
    int w = gridW;
    const int x0 = static_cast<int>(x + m_nPosX);
    const int y0 = static_cast<int>(y + MulDiv(m_nPosY, zoom, 100) + h / 4);

    const int base = m_FretInfo.m_nBaseFret;
    if (base < 1) {
        glyph(codeBoard[1], x0, y0 + h);
    } else {
        glyph(codeBoard[0], x0, y0 + h);
        if (base < 13) {
            CString label;
            label.Format("%dfr.", base + 1);
            dc->SelectObject(&labelFont);
            MyDrawTextOut(dc, x0 + gridW, y0 + h / 4, label);
            w += static_cast<int>(dc->GetTextExtent(label).cx);
            dc->SelectObject(&gridFont);
        }
    }

    for (int i = 0; i < 4; ++i) {
        const int a = m_FretInfo.m_byBarre[i][0];
        const int b = m_FretInfo.m_byBarre[i][1];
        if (a == b)
            continue;
        const int span = std::abs(a - b);
        const int low = std::min(a, b);
        if (low < 6 && span < 6)
            glyph(codeArc[span], x0 + gridW * low / 6, y0 + h * (i + 4) / 4 + (h / 4) / 6);
    }

    for (int s = 0; s < 6; ++s) {
        const BYTE fret = m_FretInfo.m_byFret[s];
        BYTE code = 0;
        int row = 4;
        if (fret == CFretInfo::FRET_MUTED) {
            code = codeOX[0];
        } else if (fret == 0) {
            code = codeOX[1];
        } else if (fret >= 1 && fret <= 4) {
            code = codeOX[2];
            row = fret;
        }
        if (code)
            glyph(code, x0 + gridW * s / 6, y0 + h * row / 4);
    }

    dc->SetTextAlign(oldAlign);
    if (oldFont)
        dc->SelectObject(oldFont);
    gridFont.DeleteObject();
    labelFont.DeleteObject();
    return CRect(0, 0, w, h + h / 3);
}
