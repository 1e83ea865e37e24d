// Time signatures in measure headers.

#include "render/ScoreView.h"

#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "model/KVMeas.h"
#include "model/KVStaff.h"
#include "model/MeasPlace.h"
#include "render/ViewGeometry.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Bits of the style byte; its low three bits are the form.
constexpr BYTE kFormMask = 0x07;
constexpr BYTE kHidePrimary = 0x10;
constexpr BYTE kHideSecond = 0x20;
constexpr BYTE kParenthesesPrimary = 0x40;
constexpr BYTE kParenthesesSecond = 0x80;
constexpr int kFirstCompositeForm = 3;

constexpr BYTE kCommonTime = 0x3B;
constexpr BYTE kCutTime = 0x3A;
constexpr BYTE kOpenParenthesis = 0x28;
constexpr BYTE kCloseParenthesis = 0x29;

// Where the texts lie in the two 16-byte arrays: the composite numerator
// in the first, then the three fractions of the second part in both.
constexpr int kCompositeLength = 6;
constexpr int kSecondPartLength = 3;
constexpr int kSecondPartOffsets[] = {6, 9, 12};

// The text of an array slot, up to its NUL or its length, whichever comes
// first.
std::string SlotText(const char* array, int offset, int length)
{
    const char* start = array + offset;
    return std::string(start, strnlen(start, length));
}

std::string Decimal(int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return text;
}

} // namespace

short CScoreView::DrawMeasTimeSignA(CKVMeas* meas, LONG firstMeasure, LONG column, int x)
{
    if (!m_bOpened || !meas)
        return 0;
    const BYTE flags = meas->m_byOptions;
    constexpr BYTE kTimeBits = CKVMeas::OPT_TIME_SHOWN | CKVMeas::OPT_TIME_HIDDEN;
    if ((flags & kTimeBits) == CKVMeas::OPT_TIME_HIDDEN)
        return 0;

    m_byCurTimeStyle = meas->m_byTimeStyle;
    m_nCurTimeNum = meas->m_nTimeNum;
    m_nCurTimeDen = meas->m_nTimeDen;
    std::memcpy(m_szCurTimeNumText, meas->m_szTimeNumText, sizeof m_szCurTimeNumText);
    std::memcpy(m_szCurTimeDenText, meas->m_szTimeDenText, sizeof m_szCurTimeDenText);

    const LONG index = firstMeasure + column;
    bool draw = (flags & kTimeBits) == kTimeBits || index == 0;
    if (!draw) {
        const CKVMeas* prev = measplace::MeasAt(measplace::StaffOf(*meas), index - 1);
        if (!prev) {
            draw = true;
        } else {
            const int form = meas->m_byTimeStyle & kFormMask;
            const int prevForm = prev->m_byTimeStyle & kFormMask;
            if (form != prevForm)
                draw = true;
            else if (form == 0 && (meas->m_nTimeNum != prev->m_nTimeNum || meas->m_nTimeDen != prev->m_nTimeDen))
                draw = true;
            const int first = kSecondPartOffsets[0];
            if (!(meas->m_byTimeStyle & kHideSecond) && meas->m_szTimeNumText[first] &&
                meas->m_szTimeDenText[first] &&
                (std::memcmp(meas->m_szTimeNumText, prev->m_szTimeNumText, CKVMeas::TIME_TEXT_SIZE) != 0 ||
                 std::memcmp(meas->m_szTimeDenText, prev->m_szTimeDenText, CKVMeas::TIME_TEXT_SIZE) != 0))
                draw = true;
        }
    }
    if (!draw)
        return 0;
    meas->m_nLeftX = static_cast<short>(x);
    return DrawTimeSig(*meas);
}

short CScoreView::DrawTimeSig(CKVMeas& meas)
{
    if (!m_bOpened)
        return 0;
    const int G = m_pDoc && m_pDoc->m_nStaffSpace > 0 ? m_pDoc->m_nStaffSpace : 8;
    const int lead = MulDiv(m_pCtrlTool->TimeLead(), G * m_nSizePercent, 400);
    return static_cast<short>(LayOutTimeSig(meas, true) + lead);
}

short CScoreView::GetTimeSignWidth(CKVMeas& meas)
{
    if (!m_bOpened || !(meas.m_byOptions & CKVMeas::OPT_TIME_SHOWN))
        return 0;
    return static_cast<short>(LayOutTimeSig(meas, false));
}

// Measuring walks the same steps as drawing, except that a plus sign counts
// only its own width.
int CScoreView::LayOutTimeSig(CKVMeas& meas, bool draw)
{
    const int G = m_pDoc && m_pDoc->m_nStaffSpace > 0 ? m_pDoc->m_nStaffSpace : 8;
    const CKVStaff* staff = measplace::StaffOf(meas);
    const int staffPercent = staff ? staff->m_wObjWord : 100;
    const int p = viewgeom::EffectivePercent(G, staffPercent);
    const int g = MulDiv(G, p, 100);
    const int lead = MulDiv(m_pCtrlTool->TimeLead(), G * m_nSizePercent, 400);
    const int start = m_lOrgX + meas.m_nLeftX + lead;
    const int y = m_lOrgY;
    int x = start;

    const HFONT oldFont = staffPercent != 100 ? SelectFont(static_cast<short>(p)) : nullptr;
    const UINT oldAlign = draw ? m_pDC->SetTextAlign(TA_BASELINE | TA_CENTER) : 0;

    auto text = [&](const std::string& bytes, int atX, int atY) {
        if (draw && !bytes.empty())
            TextOutA(m_pDC->m_hDC, atX, atY, bytes.data(), static_cast<int>(bytes.size()));
    };
    auto width = [&](const std::string& bytes) {
        return static_cast<int>(GetTextExtent(bytes.data(), static_cast<int>(bytes.size())).cx);
    };
    auto fraction = [&](const std::string& n, const std::string& d) {
        const int w = std::max(width(n), width(d));
        text(n, x + w / 2, y - 2 * g);
        text(d, x + w / 2, y);
        x += w;
    };
    auto glyph = [&](BYTE code, int dy) {
        const char c = static_cast<char>(code);
        const int w = GetTextExtent(c).cx;
        x += w / 2;
        if (draw)
            DrawTextOut(x, y + dy, &c, 1, 0);
        x += w / 2;
    };
    auto parenthesis = [&](BYTE code) {
        const HFONT previous = SelectFont(static_cast<short>(2 * p));
        glyph(code, -g / 4);
        SelectFontObject(previous);
    };

    const BYTE style = meas.m_byTimeStyle;
    const bool primary = !(style & kHidePrimary);
    if (primary) {
        if (style & kParenthesesPrimary)
            parenthesis(kOpenParenthesis);
        const int form = style & kFormMask;
        std::string n;
        if (form < kFirstCompositeForm)
            n = Decimal(meas.m_nTimeNum);
        else if (meas.m_nTimeNum != -1)
            n = SlotText(meas.m_szTimeNumText, 0, kCompositeLength);
        const std::string d = Decimal(meas.m_nTimeDen);
        if (form == 1 || form == 2) {
            BYTE code = 0;
            if (meas.m_nTimeDen == 4 && n == "4")
                code = kCommonTime;
            else if (meas.m_nTimeDen == 2 && n == "2")
                code = kCutTime;
            glyph(code, -g);
        } else {
            fraction(n, d);
        }
        if (style & kParenthesesPrimary)
            parenthesis(kCloseParenthesis);
        x += g / 2;
    }
    if (!(style & kHideSecond)) {
        if (style & kParenthesesSecond)
            parenthesis(kOpenParenthesis);
        bool firstFraction = true;
        for (const int offset : kSecondPartOffsets) {
            const std::string n = SlotText(meas.m_szTimeNumText, offset, kSecondPartLength);
            const std::string d = SlotText(meas.m_szTimeDenText, offset, kSecondPartLength);
            const bool later = !firstFraction;
            firstFraction = false;
            if (n.empty() || d.empty())
                continue;
            if (later) {
                const int w = width("+");
                const int pad = draw ? g / 4 : 0;
                x += pad + w / 2;
                text("+", x, y - g);
                x += pad + w / 2;
            }
            fraction(n, d);
        }
        if (style & kParenthesesSecond)
            parenthesis(kCloseParenthesis);
    }

    if (draw)
        m_pDC->SetTextAlign(oldAlign);
    if (oldFont)
        SelectFontObject(oldFont);
    return x - (start + (primary ? g / 2 : 0));
}
