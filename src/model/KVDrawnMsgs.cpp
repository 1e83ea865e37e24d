// The lyric syllable, the staff name and the dynamics glyph drawing
// themselves.

#include "model/KVDrawnMsgs.h"

#include "model/KVCtrlPoint.h"
#include "document/KVCtrlTool.h"
#include "model/DrawnText.h"
#include "model/TextHelpers.h"
#include "model/GlyphTables.h"

#include <cstring>

namespace {

// The lyric head.
constexpr int kLyricHeader = 16;
constexpr int kLyricFont = 0;
constexpr int kLyricStyle = 2;
constexpr int kLyricSize = 4;
constexpr int kLyricColour = 8;
constexpr int kLyricLength = 12;

// A size below 1 point is drawn at this size.
constexpr int kDefaultPoints = 13;

// The host's string that names the face used in place of "System".
constexpr UINT kSystemFaceString = 25132;

constexpr char kMusicFace[] = "ZelvoraB";

bool IsMusicFace(const LOGFONT& font)
{
    return std::strcmp(font.lfFaceName, kMusicFace) == 0;
}

// The style word: bit 0 bold, bit 1 italic, bit 2 underline.
void TakeStyle(LOGFONT& font, int style)
{
    font.lfWeight = (style & 1) ? FW_BOLD : FW_NORMAL;
    font.lfItalic = (style & 2) ? 1 : 0;
    font.lfUnderline = (style & 4) ? 1 : 0;
}

// The colour of a lyric: its own, or the inactive-voice colour when its
// note belongs to another voice than the active one.
COLORREF LyricColour(const CKVMsg& lyric, COLORREF own, const CKVCtrlTool* tool)
{
    const CKVObject* parent = lyric.m_pParent;
    if (!tool || tool->m_wActiveVoice == 0 || !parent || parent->m_byObjKind != OBJ_MSG)
        return own;
    const CKVMsg* note = static_cast<const CKVMsg*>(parent);
    if (note->m_byKind != MSG_NOTE || note->m_byVoice == tool->m_wActiveVoice)
        return own;
    return tool->m_crVoice[0];
}

} // namespace

CSize CKVLyricMsg::DrawMsg(CDC* dc, CRect* rect, CKVCtrlTool* tool, CFontDatas* fonts, short, int)
{
    if (!dc || !rect || !m_pHead || m_wHeadLen < kLyricHeader)
        return CSize(0, 0);
    const BYTE* head = m_pHead;
    m_nPosX2 = static_cast<short>(rect->left);
    m_nPosY2 = static_cast<short>(rect->top);

    drawntext::TextState state(dc);
    dc->SetTextAlign(TA_CENTER | TA_TOP);

    int points = static_cast<short>(GetWord(head + kLyricSize));
    if (points < 1)
        points = kDefaultPoints;
    LOGFONT font {};
    font.lfHeight = drawntext::PointsToHeight(dc, points);
    TakeStyle(font, GetWord(head + kLyricStyle));
    drawntext::TakeFace(fonts, static_cast<short>(GetWord(head + kLyricFont)), font);
    CString face(font.lfFaceName);
    face.MakeLower();
    if (face == "system") {
        CString replacement;
        replacement.LoadString(kSystemFaceString);
        drawntext::SetFace(font, replacement);
    }
    font.lfOutPrecision = 3;
    font.lfClipPrecision = 2;
    font.lfQuality = 1;
    if (!state.Select(font))
        return CSize(0, 0);

    dc->SetTextColor(LyricColour(*this, GetDword(head + kLyricColour), tool));
    // The syllable runs to its first zero unit or the head's end.
    const int length = head[kLyricLength];
    const std::u16string text = drawntext::ReadUnits(head + kLyricHeader, m_wHeadLen - kLyricHeader);
    if (IsMusicFace(font))
        MyDrawTextOut(dc, rect->left, rect->top, reinterpret_cast<const char*>(head + kLyricHeader),
                      std::min(length, m_wHeadLen - kLyricHeader));
    else
        drawntext::TextOutW(dc, rect->left, rect->top, text);

    const CSize extent = drawntext::ExtentW(dc, text);
    const CRect box(-(extent.cx >> 1), 0, extent.cx >> 1, extent.cy);
    if (m_arrCtrlPoint.GetSize() > 0 && m_arrCtrlPoint.GetAt(0))
        m_arrCtrlPoint.GetAt(0)->m_rect = box;
    m_nLayout4 = static_cast<short>(box.left);
    m_nLayout1 = static_cast<short>(box.top);
    m_nLayout3 = static_cast<short>(box.right);
    m_nLayout2 = static_cast<short>(box.bottom);
    return CSize(box.Width(), box.Height());
}

CSize CKVStaffNameMsg::DrawMsg(CDC* dc, CRect* rect, CKVCtrlTool* tool, CFontDatas*, short, int draw)
{
    if (!dc || !rect)
        return CSize(0, 0);
    drawntext::TextState state(dc);
    bool musicFace = false;
    if (draw && tool) {
        // A copy: drawing never changes the settings' font.
        LOGFONT font = tool->m_lfStaffName;
        font.lfHeight = -std::abs(MulDiv(tool->m_lfStaffName.lfHeight, dc->GetDeviceCaps(LOGPIXELSY), 72));
        musicFace = IsMusicFace(font);
        state.Select(font);
        dc->SetTextAlign(TA_LEFT | TA_TOP);
        dc->SetTextColor(tool->m_dwW5);
    }
    const char* bytes = m_pHead ? reinterpret_cast<const char*>(m_pHead) : "";
    const int length = m_pHead ? m_wHeadLen : 0;
    // The name ends at its first zero byte or at the head's end.
    const CString name(bytes, static_cast<int>(strnlen(bytes, static_cast<size_t>(length))));
    const CSize extent = dc->GetTextExtent(name);
    const int x = rect->left - extent.cx;
    const int y = rect->top - extent.cy / 2;
    if (musicFace)
        MyDrawTextOut(dc, x, y, bytes, length);
    else
        MyDrawTextOut(dc, x, y, name);
    return extent;
}

CSize CKVDynamicMsg::DrawMsg(CDC* dc, short x, short y)
{
    const BYTE glyph = GlyphAt(CodeDyn, m_wDuration);
    if (!dc || glyph == 0)
        return CSize(0, 0);
    const COLORREF colour = dc->SetTextColor(m_crColor);
    const char text = static_cast<char>(glyph);
    MyDrawTextOut(dc, x, y, &text, 1);
    SIZE size {0, 0};
    MyGetTextExtent(dc, &text, 1, &size);
    dc->SetTextColor(colour);
    m_nLayout4 = x;
    m_nLayout1 = y;
    return CSize(size.cx, size.cy);
}
