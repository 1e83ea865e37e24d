#include "model/TextHelpers.h"

#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "platform/LittleEndian.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr char kMusicFace[] = "ZelvoraB";
constexpr DWORD kMaxBufferString = 0xFFFF;

// The UTF-16 code of a one-byte text in the music font.
WCHAR GlyphUnit(char byte)
{
    const unsigned value = static_cast<unsigned char>(byte);
    return static_cast<WCHAR>(value >= 241 && value <= 249 ? value : 256 + value);
}

// Bridges the enumeration's callback type to GetLogFont's record types. The
// enumeration passes the extended records, which begin with the plain ones.
int EnumMusicFace(const LOGFONTA* logFont, const TEXTMETRICA* metrics, DWORD fontType, LPARAM lParam)
{
    ENUMLOGFONTA record;
    std::memcpy(&record, logFont, sizeof record);
    NEWTEXTMETRICA textMetrics = reinterpret_cast<const NEWTEXTMETRICEXA*>(metrics)->ntmTm;
    return GetLogFont(&record, &textMetrics, static_cast<int>(fontType), reinterpret_cast<LOGFONTA*>(lParam));
}

template <class Control, class GetItem>
int FindWithCase(const Control& control, int start, const CString& text, GetItem getItem)
{
    const int first = start < 0 ? 0 : start + 1;
    CString item;
    for (int i = first; i < control.GetCount(); ++i) {
        getItem(control, i, item);
        if (item.View() == text.View())
            return i;
    }
    return -1;
}

} // namespace

int MyDrawTextOut(CDC* dc, int x, int y, const char* text, int length)
{
    if (length == 1) {
        const WCHAR unit = GlyphUnit(text[0]);
        return ::TextOutW(dc->m_hDC, x, y, &unit, 1);
    }
    if (length == -1)
        return ::TextOutA(dc->m_hDC, x, y, text, 1);
    return ::TextOutA(dc->m_hDC, x, y, text, length);
}

int MyDrawTextOut(CDC* dc, int x, int y, CString text)
{
    return ::TextOutA(dc->m_hDC, x, y, text, text.GetLength());
}

int MyGetTextExtent(CDC* dc, const char* text, int length, SIZE* size)
{
    const CSize windowExt = dc->GetWindowExt();
    const CSize viewportExt = dc->GetViewportExt();
    dc->SetWindowExt(100, 100);
    dc->SetViewportExt(100, 100);

    int result;
    if (length == 1) {
        const WCHAR unit = GlyphUnit(text[0]);
        result = ::GetTextExtentPoint32W(dc->m_hAttribDC, &unit, 1, size);
    } else if (length == -1) {
        result = ::GetTextExtentPoint32A(dc->m_hAttribDC, text, 1, size);
    } else {
        result = ::GetTextExtentPoint32A(dc->m_hAttribDC, text, length, size);
    }

    dc->SetWindowExt(windowExt);
    dc->SetViewportExt(viewportExt);
    return result;
}

int GetDefaultLogFont(LOGFONT& font, short size, const char* face, short style, CDC* dc)
{
    int pixelsPerInch;
    if (dc) {
        pixelsPerInch = dc->GetDeviceCaps(LOGPIXELSY);
    } else {
        HDC screen = ::GetDC(nullptr);
        pixelsPerInch = ::GetDeviceCaps(screen, LOGPIXELSY);
        ::ReleaseDC(nullptr, screen);
    }

    font = LOGFONT {};
    const int height = MulDiv(size, pixelsPerInch, 720);
    font.lfHeight = -(height < 0 ? -height : height);
    // The library's text weight is light, not FW_NORMAL.
    font.lfWeight = (style & 8) ? FW_BOLD : FW_LIGHT;
    font.lfItalic = (style & 1) ? TRUE : FALSE;
    font.lfStrikeOut = (style & 2) ? TRUE : FALSE;
    font.lfUnderline = (style & 4) ? TRUE : FALSE;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = OUT_CHARACTER_PRECIS;
    font.lfClipPrecision = 0;
    font.lfQuality = 0;
    font.lfPitchAndFamily = FF_ROMAN;
    if (face)
        std::snprintf(font.lfFaceName, LF_FACESIZE, "%s", face);
    return 1;
}

int ZelvoraLogFontProc(LOGFONT& font, CDC* dc)
{
    const LONG height = font.lfHeight;
    HDC hdc = dc ? dc->m_hAttribDC : ::GetDC(nullptr);
    ::EnumFontFamiliesA(hdc, nullptr, &EnumMusicFace, reinterpret_cast<LPARAM>(&font));
    if (!dc)
        ::ReleaseDC(nullptr, hdc);
    font.lfHeight = height;
    font.lfWidth = 0;
    return 1;
}

int GetLogFont(ENUMLOGFONT* record, NEWTEXTMETRIC*, int, LOGFONT* found)
{
    if (std::strncmp(record->elfLogFont.lfFaceName, kMusicFace, LF_FACESIZE) != 0)
        return 1;
    *found = record->elfLogFont;
    return 0;
}

int SelectFont(short& size, char* face, short& style)
{
    LOGFONT preset;
    GetDefaultLogFont(preset, size, face, style, nullptr);
    CFontDialog dialog(&preset, CF_EFFECTS | CF_SCREENFONTS);
    if (dialog.DoModal() != IDOK)
        return 0;

    size = static_cast<short>(dialog.GetSize());
    std::snprintf(face, LF_FACESIZE, "%s", static_cast<LPCTSTR>(dialog.GetFaceName()));
    short mask = 0;
    if (dialog.IsItalic())
        mask |= 1;
    if (dialog.IsStrikeOut())
        mask |= 2;
    if (dialog.IsUnderline())
        mask |= 4;
    if (dialog.IsBold())
        mask |= 8;
    style = mask;
    return 1;
}

HFONT SelectFontObject(CDC* dc, CFont* font, HFONT& oldAttrib)
{
    HGDIOBJ handle = font->GetSafeHandle();
    HFONT old = static_cast<HFONT>(::SelectObject(dc->m_hDC, handle));
    oldAttrib = nullptr;
    if (dc->m_hAttribDC && dc->m_hAttribDC != dc->m_hDC)
        oldAttrib = static_cast<HFONT>(::SelectObject(dc->m_hAttribDC, handle));
    return old;
}

HFONT SelectFontObject(CDC* dc, CFont* font)
{
    HFONT oldAttrib;
    return SelectFontObject(dc, font, oldAttrib);
}

int ReadCStringFromMem(unsigned char* buffer, DWORD* pos, DWORD* length, CString& text)
{
    text.Empty();
    // Widened, so that no position near the top of DWORD wraps round.
    const unsigned long long at = *pos;
    if (at + 2 > *length)
        return 0;
    const DWORD count = GetWord(buffer + at);
    if (at + 2 + count > *length)
        return 0;
    text = CString(reinterpret_cast<const char*>(buffer + at + 2), static_cast<int>(count));
    *pos += 2 + count;
    return 1;
}

int WriteCStringToMem(unsigned char* buffer, DWORD* pos, DWORD* capacity, CString& text)
{
    const DWORD count = static_cast<DWORD>(text.GetLength());
    const unsigned long long at = *pos;
    if (count > kMaxBufferString || at + 2 + count > *capacity)
        return 0;
    buffer[at] = static_cast<unsigned char>(count & 0xFF);
    buffer[at + 1] = static_cast<unsigned char>(count >> 8);
    if (count > 0)
        std::memcpy(buffer + at + 2, text.View().data(), count);
    *pos += 2 + count;
    return 1;
}

unsigned char AsciiToBYTE(char ch)
{
    if (ch >= '0' && ch <= '9')
        return static_cast<unsigned char>(ch - '0');
    if (ch >= 'A' && ch <= 'Z')
        return static_cast<unsigned char>(ch - 'A' + 10);
    if (ch >= 'a' && ch <= 'z')
        return static_cast<unsigned char>(ch - 'a' + 10);
    return 255;
}

char BYTEToAscii(unsigned char value)
{
    if (value <= 9)
        return static_cast<char>('0' + value);
    if (value <= 35)
        return static_cast<char>('A' + value - 10);
    return '*';
}

int IsUpperCase(char ch)
{
    return ch >= 'A' && ch <= 'Z';
}

int IsLowerCase(char ch)
{
    return ch >= 'a' && ch <= 'z';
}

int FindStringWithCase(CListBox& list, int start, CString text)
{
    return FindWithCase(list, start, text,
        [](const CListBox& box, int index, CString& item) { box.GetText(index, item); });
}

int FindStringWithCase(CComboBox& combo, int start, CString text)
{
    return FindWithCase(combo, start, text,
        [](const CComboBox& box, int index, CString& item) { box.GetLBText(index, item); });
}

int SelectStringWithCase(CListBox& list, int start, CString text)
{
    const int index = FindStringWithCase(list, start, text);
    if (index >= 0)
        list.SetCurSel(index);
    return index;
}

int SelectStringExact(CListBox& list, int start, CString text)
{
    const int index = list.FindStringExact(start, text);
    if (index == LB_ERR)
        return -1;
    list.SetCurSel(index);
    return index;
}

char FindFirstMatchChar(const CString& text, const CString& set, int& start)
{
    if (text.IsEmpty() || set.IsEmpty() || start < 0 || start >= text.GetLength())
        return 0;
    const std::string_view chars = set.View();
    for (int i = start; i < text.GetLength(); ++i) {
        const char ch = text.GetAt(i);
        if (chars.find(ch) != std::string_view::npos) {
            start = i;
            return ch;
        }
    }
    return 0;
}

int GetStringInBracket(CString& out, CString& text)
{
    const int open = text.Find('(');
    if (open < 0)
        return 0;
    const int close = text.Find(')');
    if (close >= 0 && close < open)
        return 0;
    if (close < 0) {
        out = text.Mid(open);
        text = text.Left(open);
    } else {
        out = text.Mid(open, close - open + 1);
        CString rest = text.Left(open);
        rest += text.Mid(close + 1);
        text = rest;
    }
    return 1;
}

CString AnalyzeFileName(CString& path)
{
    const int slash = path.ReverseFind('\\');
    if (slash < 0)
        return CString();
    CString folder = path.Left(slash + 1);
    path = path.Mid(slash + 1);
    return folder;
}

int GetRelativeFileName(CString& path, const CString& base)
{
    if (!path.IsEmpty() && !base.IsEmpty()) {
        CString folder = base;
        if (folder.GetAt(folder.GetLength() - 1) != '\\')
            folder += '\\';
        if (path.GetLength() > folder.GetLength()) {
            CString upperPath = path;
            upperPath.MakeUpper();
            folder.MakeUpper();
            const int at = upperPath.Find(static_cast<LPCTSTR>(folder));
            if (at >= 0) {
                path = path.Mid(at + folder.GetLength());
                return 1;
            }
        }
    }
    path.Empty();
    return 0;
}

int IsPtInControl(CWnd* from, CWnd& target, CPoint* pt)
{
    if (!from)
        return 0;
    // Converted in place: on a miss the point is left in screen coordinates.
    from->ClientToScreen(pt);
    CRect area;
    target.GetClientRect(&area);
    target.ClientToScreen(&area);
    if (!::PtInRect(&area, *pt))
        return 0;
    target.ScreenToClient(pt);
    return 1;
}

CKVStaff* GetParentStaffOfMsg(const CKVMsg& msg)
{
    const CKVObject* node = &msg;
    // A page symbol's parent is no node of the tree.
    while (node->m_pParent && node->m_byParentKind != OBJ_PAGE) {
        CKVObject* parent = node->m_pParent;
        switch (parent->m_byObjKind) {
        case OBJ_MSG:
            node = parent;
            break;
        case OBJ_MEAS:
            node = parent;
            if (node->m_pParent && (node->m_pParent->m_byObjKind == OBJ_STAFF ||
                                       node->m_pParent->m_byObjKind == OBJ_OSSIA_STAFF))
                return static_cast<CKVStaff*>(node->m_pParent);
            return nullptr;
        case OBJ_STAFF:
        case OBJ_OSSIA_STAFF:
            return static_cast<CKVStaff*>(parent);
        default:
            return nullptr;
        }
    }
    return nullptr;
}

void MyShowCursor(int)
{
}

void AddKvcExtentionToFileName(CString&)
{
}

namespace {

// Appends to the diagnostic file, a drive-relative name of the Windows
// layout that maps into the virtual current directory.
void AppendToLogo(const void* bytes, size_t count)
{
    const std::string path = KvMapPath("C:Logo.dat");
    std::FILE* file = std::fopen(path.c_str(), "a+");
    if (!file)
        return;
    if (count > 0)
        std::fwrite(bytes, 1, count, file);
    std::fclose(file);
}

} // namespace

int OutLogoText(CString text)
{
    AppendToLogo(text.View().data(), static_cast<size_t>(text.GetLength()));
    return text.GetLength();
}

int OutLogoBuffer(unsigned char* buffer, int count)
{
    if (buffer && count > 0)
        AppendToLogo(buffer, static_cast<size_t>(count));
    return count;
}
