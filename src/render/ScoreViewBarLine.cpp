// Bar lines at the start and end of measures.

#include "render/ScoreView.h"

#include "document/KVDoc.h"
#include "model/KVMeas.h"
#include "model/KVStaff.h"
#include "model/MeasPlace.h"
#include "model/TextHelpers.h"
#include "render/GlyphTables.h"

namespace {

constexpr BYTE kUncoloured = 0;

// The pen, brush, text colour and (off 100 percent) music font that bar
// lines draw with, selected for the lifetime of the object.
class BarLinePaint {
public:
    BarLinePaint(CScoreView& view, int percent) : m_view(view), m_dc(view.m_pDC)
    {
        const COLORREF colour = view.m_crBarLine;
        m_pen.CreatePen(PS_SOLID, 0, colour);
        m_brush.CreateSolidBrush(colour);
        m_oldPen = m_dc->SelectObject(&m_pen);
        m_oldBrush = m_dc->SelectObject(&m_brush);
        m_oldText = m_dc->SetTextColor(colour);
        if (percent != 100) {
            LOGFONT lf;
            const int dpi = view.m_nDpiY > 0 ? view.m_nDpiY : 96;
            GetDefaultLogFont(lf, static_cast<short>(MulDiv(view.m_nStaffSpace, percent * 2880, dpi * 100)),
                              view.m_lfMusic.lfFaceName, 0, m_dc);
            m_font = CreateFontIndirectA(&lf);
            if (m_font)
                m_oldFont = view.SelectFontObject(m_font);
        }
        m_dotWidth = view.GetTextExtent(static_cast<char>(codeDot)).cx;
    }
    ~BarLinePaint()
    {
        if (m_font) {
            m_view.SelectFontObject(m_oldFont);
            DeleteObject(m_font);
        }
        m_dc->SetTextColor(m_oldText);
        m_dc->SelectObject(m_oldBrush);
        m_dc->SelectObject(m_oldPen);
    }
    BarLinePaint(const BarLinePaint&) = delete;
    BarLinePaint& operator=(const BarLinePaint&) = delete;

    void Rect(LONG left, LONG top, LONG right, LONG bottom)
    {
        m_view.DrawRectangle(static_cast<int>(left), static_cast<int>(top), static_cast<int>(right),
                             static_cast<int>(bottom));
    }
    // The two dots of a repeat, centred on x in the two middle spaces of a
    // staff whose top line is at `top`.
    void RepeatDots(LONG x, LONG top, int gap)
    {
        const char code = static_cast<char>(codeDot);
        for (const LONG y : {top + gap + gap / 2, top + 2 * gap + gap / 2})
            m_view.DrawTextOut(static_cast<int>(x - m_dotWidth / 2), static_cast<int>(y), &code, 1, kUncoloured);
    }

private:
    CScoreView& m_view;
    CDC* m_dc;
    CPen m_pen;
    CBrush m_brush;
    CPen* m_oldPen = nullptr;
    CBrush* m_oldBrush = nullptr;
    COLORREF m_oldText = 0;
    HFONT m_font = nullptr;
    HFONT m_oldFont = nullptr;
    int m_dotWidth = 0;
};

// The sizes of a bar line on one staff: the scaled gap, the height from
// the bottom line to the top line and the distance of paired lines.
struct BarSize {
    int g;
    int h;
    int t;
};

bool DrawsNothing(BYTE bar)
{
    switch (bar) {
    case CKVMeas::BAR_THIN:
    case CKVMeas::BAR_SINGLE:
    case CKVMeas::BAR_REPEAT:
    case CKVMeas::BAR_FINAL:
    case CKVMeas::BAR_DOUBLE:
    case CKVMeas::BAR_DASHED:
        return false;
    default:
        return true;
    }
}

} // namespace

short CScoreView::DrawBarLine(CKVMeas& meas, unsigned short sizePercent, short xEnd, int drawStart)
{
    if (!m_bOpened)
        return 0;
    const bool start = drawStart && !DrawsNothing(meas.m_byStartBar);
    const bool end = !DrawsNothing(meas.m_byEndBar);
    if (!start && !end)
        return 0;
    CKVStaff* staff = measplace::StaffOf(meas);
    const int percent = staff ? EffectivePercentOf(staff) : sizePercent;
    const int g = MulDiv(m_nStaffSpace, percent, 100);
    const int h = staff && staff->m_byStaffKind == CKVStaff::KIND_FREE_LINE ? g * (staff->m_byLineCount - 1) : 4 * g;
    const int t = g / 2;
    const int w = MulDiv(1, m_nDpiY, 144);
    const LONG bottom = m_lOrgY + meas.m_nStaffY;
    const LONG top = bottom - h;
    const LONG groupTop = m_lBarClipTop;
    BarLinePaint paint(*this, percent);

    // Within a group the line goes on up to the group's first staff.
    auto bar = [&](LONG left, LONG right) {
        paint.Rect(left, top, right, bottom);
        if (groupTop >= 0)
            paint.Rect(left, groupTop, right, bottom);
    };

    if (start) {
        const LONG x = m_lOrgX + meas.m_nLeftX;
        switch (meas.m_byStartBar) {
        case CKVMeas::BAR_REPEAT:
        case CKVMeas::BAR_FINAL:
            bar(x + t - w, x + t);
            bar(x - g / 2, x);
            if (meas.m_byStartBar == CKVMeas::BAR_REPEAT)
                paint.RepeatDots(x + 2 * t, top, g);
            break;
        case CKVMeas::BAR_DOUBLE:
            bar(x, x + w);
            bar(x + t, x + t + w);
            break;
        case CKVMeas::BAR_DASHED:
            if (groupTop >= 0)
                DrawThickDash(x, bottom, x, groupTop - h + 1, m_crBarLine, 1);
            break;
        default:
            bar(x - w, x);
            break;
        }
    }
    if (end) {
        const LONG x = m_lOrgX + xEnd;
        switch (meas.m_byEndBar) {
        case CKVMeas::BAR_REPEAT:
        case CKVMeas::BAR_FINAL: {
            const LONG thin = x - t - g / 2;
            bar(thin, thin + w);
            bar(thin + t, thin + t + g / 2);
            if (meas.m_byEndBar == CKVMeas::BAR_REPEAT)
                paint.RepeatDots(thin - t, top, g);
            break;
        }
        case CKVMeas::BAR_DOUBLE: {
            const LONG first = x - (t + w);
            bar(first, first + w);
            bar(first + t, first + t + w);
            break;
        }
        case CKVMeas::BAR_DASHED:
            DrawThickDash(x, bottom, x, groupTop >= 0 ? groupTop - h + 1 : top, m_crBarLine, 1);
            break;
        default:
            bar(x - w, x);
            break;
        }
    }
    return 0;
}

short CScoreView::DrawMeasLeftBarA(CKVMeas* meas, int x)
{
    if (!m_bOpened || !meas || DrawsNothing(meas->m_byStartBar))
        return 0;
    CKVStaff* staff = measplace::StaffOf(*meas);
    const int percent = staff ? EffectivePercentOf(staff) : m_nSizePercent;
    const int g = MulDiv(m_nStaffSpace, percent, 100);
    const int h = staff && staff->m_byStaffKind == CKVStaff::KIND_FREE_LINE ? g * (staff->m_byLineCount - 1)
                                                                             : MulDiv(m_wSymbolSize, percent, 100);
    const int t = g / 2;
    const int S = m_pDoc ? m_pDoc->m_nStaffSpace : m_nStaffSpace;
    const int w = MulDiv(S, m_nSizePercent, 2000);
    const LONG left = m_lOrgX + x;
    const LONG bottom = m_lOrgY;
    const LONG top = bottom - h;
    BarLinePaint paint(*this, percent);

    switch (meas->m_byStartBar) {
    case CKVMeas::BAR_REPEAT:
    case CKVMeas::BAR_FINAL:
        paint.Rect(left + t - w, top, left + t, bottom);
        paint.Rect(left - g / 2, top, left, bottom);
        if (meas->m_byStartBar == CKVMeas::BAR_REPEAT)
            paint.RepeatDots(left + 2 * t, top, g);
        return static_cast<short>(g / 2);
    case CKVMeas::BAR_DOUBLE:
        paint.Rect(left, top, left + w, bottom);
        paint.Rect(left + t, top, left + t + w, bottom);
        return static_cast<short>(t + 2 * w);
    case CKVMeas::BAR_DASHED: {
        CPen dotted;
        dotted.CreatePen(PS_DOT, 0, m_crBarLine);
        CPen* old = m_pDC->SelectObject(&dotted);
        m_pDC->MoveTo(left, bottom);
        m_pDC->LineTo(left, top);
        m_pDC->SelectObject(old);
        return static_cast<short>(t + 2 * w);
    }
    default:
        paint.Rect(left, top, left + w, bottom);
        return static_cast<short>(w);
    }
}
