// The free text drawing itself: tagged runs laid out line by line in a box,
// with alignment, fonts, sizes, colours, line spacing and field codes.

#include "model/KVDrawnMsgs.h"

#include "model/KVCtrlPoint.h"
#include "model/DrawnText.h"
#include "model/TextHelpers.h"
#include "model/TextRuns.h"
#include "platform/ProcessState.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

// Tags of the runs.
enum TextTag : BYTE {
    TAG_ALIGN = 1,
    TAG_FONT = 2,
    TAG_STYLE = 3,
    TAG_SIZE = 4,
    TAG_COLOUR = 5,
    TAG_RUN = 6,
    TAG_SPACING = 7,
    TAG_EXTRA = 9,
    TAG_PARAGRAPH = 10,
};

// Alignment values of tag 1.
constexpr short kAlignLeft = -2;
constexpr short kAlignRight = -1;
constexpr short kAlignCentre = 1;

// A size below 1 point is laid out and drawn at this size.
constexpr int kDefaultPoints = 13;

constexpr int kMarkerBytes = kWideRunMarkerBytes;

// A character set whose lines are given room for their ascent once more.
constexpr BYTE kTallCharSet = 128;

constexpr char kResourceError[] = "Error: There is no enough resource. \nRestart Ornivo!";

// The format that runs leave in force for the next line and the next text.
struct CarriedFormat {
    int font = -1;
    int size = 0;
    int style = 0;
    COLORREF colour = 0;
};
CarriedFormat s_carried;

void ResetCarried()
{
    s_carried = CarriedFormat {};
}
KvProcessReset s_reset("carried text format", &ResetCarried);

// One tagged record: its tag, and where and how long its operand is.
struct Record {
    BYTE tag = 0;
    int at = 0;
    int length = 0;
    int end = 0; // the byte after the record
};

// The record at pos; false when the head ends there or the record's
// operand does not fit in it, which ends the walk.
bool ReadRecord(const BYTE* p, int length, int pos, Record& record)
{
    if (!p || pos >= length)
        return false;
    record.tag = p[pos];
    int operand = TextRunOperandSize(record.tag);
    int at = pos + 1;
    if (operand < 0) {
        if (at + 2 > length)
            return false;
        operand = GetWord(p + at);
        at += 2;
    }
    if (at + operand > length)
        return false;
    record.at = at;
    record.length = operand;
    record.end = at + operand;
    return true;
}

short ShortAt(const BYTE* p)
{
    return static_cast<short>(GetWord(p));
}

// A run's text and what its marker says.
struct Run {
    bool wide = false;
    BYTE charSet = 0;
    BYTE pitchAndFamily = 0;
    int textBytes = 0;
    bool endsLine = false;
};

Run ReadRun(const BYTE* p, int n)
{
    Run run;
    run.textBytes = n;
    if (IsWideTextRun(p, n)) {
        run.wide = true;
        run.textBytes = n - kMarkerBytes;
        run.charSet = p[n - 2];
        run.pitchAndFamily = p[n - 1];
    }
    if (run.wide) {
        const int last = (run.textBytes & ~1) - 2;
        const int unit = last >= 0 ? GetWord(p + last) : 0;
        run.endsLine = unit == 13 || unit == 10;
    } else if (run.textBytes > 0) {
        const BYTE last = p[run.textBytes - 1];
        run.endsLine = last == 13 || last == 10;
    }
    return run;
}

template <class Text>
void TrimLineEnd(Text& text)
{
    while (!text.empty() && (text.back() == 13 || text.back() == 10))
        text.pop_back();
}

// Replaces the field codes of a text held as units of any width.
template <class Text, class Widen>
Text ExpandFields(const Text& text, int page, Widen widen)
{
    SYSTEMTIME now {};
    bool haveTime = false;
    Text out;
    for (size_t i = 0; i < text.size(); ++i) {
        const int code = i + 1 < text.size() && text[i] == '#' ? text[i + 1] : 0;
        char field[48] = {};
        if (code == 'P' || code == 'p') {
            std::snprintf(field, sizeof field, "%d", page);
        } else if (code == 'T' || code == 't' || code == 'D' || code == 'd') {
            if (!haveTime) {
                GetSystemTime(&now);
                haveTime = true;
            }
            if (code == 'T' || code == 't')
                std::snprintf(field, sizeof field, "%d:%d", now.wHour, now.wMinute);
            else
                std::snprintf(field, sizeof field, "%d/%d/%d", now.wYear, now.wMonth, now.wDay);
        } else {
            out.push_back(text[i]);
            continue;
        }
        for (const char* c = field; *c; ++c)
            out.push_back(widen(*c));
        ++i;
    }
    return out;
}

// The font of a size in points at the target's vertical resolution.
int HeightOf(int points, int dpiY)
{
    return -MulDiv(points < 1 ? kDefaultPoints : points, dpiY, 72);
}

void TakeTextStyle(LOGFONT& font, int style)
{
    font.lfWeight = (style & 1) ? 700 : 400;
    font.lfItalic = (style & 2) ? 1 : 0;
    font.lfUnderline = (style & 4) ? 1 : 0;
}

void ReportResourceError()
{
    AfxMessageBox(kResourceError);
}

// A 1-pixel black frame, not filled.
void Frame(CDC* dc, const CRect& box)
{
    CPen pen(PS_SOLID, 1, RGB(0, 0, 0));
    CPen* oldPen = dc->SelectObject(&pen);
    CGdiObject* oldBrush = dc->SelectStockObject(NULL_BRUSH);
    dc->Rectangle(&box);
    if (oldBrush)
        dc->SelectObject(oldBrush);
    if (oldPen)
        dc->SelectObject(oldPen);
}

// The lines of a text being laid out.
struct LineState {
    int width = 0;
    int height = 0;
    int descent = 0;
    int start = 0; // first byte of the line's records
};

} // namespace

CKVTextMsg& CKVTextMsg::operator=(const CKVMsg& source)
{
    CKVMsg::operator=(source);
    return *this;
}

void CKVTextMsg::AnalizeText(CString& text, int page)
{
    std::string bytes(static_cast<const char*>(text), static_cast<size_t>(text.GetLength()));
    bytes = ExpandFields(bytes, page, [](char c) { return c; });
    text = CString(bytes.data(), static_cast<int>(bytes.size()));
}

CSize CKVTextMsg::DrawMsg(CDC* dc, CRect* rect, CKVCtrlTool*, CFontDatas* fonts, short, int page, int)
{
    if (!dc || !rect)
        return CSize(0, 0);
    CDC screen;
    int screenY = 96;
    if (screen.CreateIC("DISPLAY", nullptr, nullptr, nullptr)) {
        screenY = screen.GetDeviceCaps(LOGPIXELSY);
        screen.DeleteDC();
    }
    if (m_wObjWord != 0)
        return CSize(0, 0);
    const int dpiX = dc->GetDeviceCaps(LOGPIXELSX);
    const int dpiY = dc->GetDeviceCaps(LOGPIXELSY);

    // The caller's rectangle is worked on: it ends up one unit higher.
    CRect& box = *rect;
    box.OffsetRect(0, -1);
    const int mx = MulDiv(5, dpiX, 72);
    const int my = MulDiv(5, dpiY, 72);
    const int frameStyle = m_wHeadType >> 8;
    const bool frameOn = (m_wHeadType & 0xFF) != 0;
    const bool shrink = frameStyle != 1;
    if (shrink) {
        if (frameOn) {
            CRect frame = box;
            frame.DeflateRect(mx / 2, my / 2);
            Frame(dc, frame);
        }
        box.DeflateRect(mx, my);
    } else if (frameOn) {
        CRect frame = box;
        frame.InflateRect(mx / 2, my / 2);
        Frame(dc, frame);
    }

    const BYTE* p = m_pHead;
    const int length = p ? m_wHeadLen : 0;
    LOGFONT font {};
    font.lfHeight = HeightOf(0, dpiY);
    font.lfWeight = 400;
    font.lfOutPrecision = 3;
    font.lfClipPrecision = 2;
    font.lfQuality = 1;
    short align = kAlignLeft;
    int extra = 0;
    int spacing = 0;
    int pending = 0;
    int previousHeight = 0;
    int previousDescent = 0;
    int y = box.top;
    int widest = box.left;
    LineState line;

    auto outputLine = [&](int end, bool paragraph) {
        y += line.height;
        int x = box.left;
        if (align == kAlignRight)
            x = box.right - line.width;
        else if (align == kAlignCentre)
            x = box.left + box.Width() / 2 - line.width / 2;
        if (paragraph && line.height > 0 && pending != 0)
            y += std::max(0, spacing - (previousHeight + previousDescent));
        else
            y += pending;
        pending = 0;
        RichTextLineOut(dc, POINT {x, y}, line.start, end - line.start, fonts, page);
        widest = std::max(widest, x + line.width);
        y += line.descent;
        previousHeight = line.height;
        previousDescent = line.descent;
        line = LineState {};
        line.start = end;
    };

    Record record;
    for (int pos = 0; ReadRecord(p, length, pos, record); pos = record.end) {
        const BYTE* operand = p + record.at;
        switch (record.tag) {
        case TAG_ALIGN:
            align = ShortAt(operand);
            break;
        case TAG_FONT:
            drawntext::TakeFace(fonts, ShortAt(operand), font);
            break;
        case TAG_STYLE:
            TakeTextStyle(font, operand[0]);
            break;
        case TAG_SIZE:
            font.lfHeight = HeightOf(ShortAt(operand), dpiY);
            break;
        case TAG_SPACING: {
            const int value = MulDiv(ShortAt(operand + 2), dpiY, screenY);
            if (value != spacing) {
                pending = value - (previousHeight + previousDescent) - spacing;
                spacing = value;
            }
            break;
        }
        case TAG_EXTRA:
            extra = ShortAt(operand);
            break;
        case TAG_PARAGRAPH:
            outputLine(record.end, true);
            break;
        case TAG_RUN: {
            const Run run = ReadRun(operand, record.length);
            drawntext::TextState state(dc);
            TEXTMETRIC metrics {};
            if (!state.Select(font))
                ReportResourceError();
            if (!dc->GetTextMetrics(&metrics))
                ReportResourceError();
            CSize extent;
            if (run.wide) {
                std::u16string text = drawntext::ReadUnits(operand, run.textBytes);
                TrimLineEnd(text);
                extent = drawntext::ExtentW(dc, ExpandFields(text, page, [](char c) { return char16_t(c); }));
            } else {
                CString text(reinterpret_cast<const char*>(operand), run.textBytes);
                AnalizeText(text, page);
                std::string bytes(static_cast<const char*>(text), static_cast<size_t>(text.GetLength()));
                TrimLineEnd(bytes);
                extent = dc->GetTextExtent(CString(bytes.data(), static_cast<int>(bytes.size())));
            }
            line.width += extent.cx;
            int height = metrics.tmHeight;
            if (font.lfCharSet == kTallCharSet)
                height += metrics.tmAscent;
            line.height = std::max(line.height, height);
            line.descent = std::max(line.descent, static_cast<int>(metrics.tmAscent + metrics.tmInternalLeading) + extra);
            if (run.wide) {
                font.lfCharSet = run.charSet;
                font.lfPitchAndFamily = run.pitchAndFamily;
            }
            if (run.endsLine)
                outputLine(record.end, false);
            break;
        }
        default:
            break;
        }
    }
    if (length - line.start > 1)
        outputLine(length, false);

    if (shrink)
        box.InflateRect(mx, my);
    return CSize(widest - box.left, y - box.top);
}

short CKVTextMsg::RichTextLineOut(CDC* dc, POINT point, int first, int count, CFontDatas* fonts, int)
{
    const BYTE* p = m_pHead;
    const int end = std::min<int>(first + count, p ? m_wHeadLen : 0);
    const int dpiY = dc->GetDeviceCaps(LOGPIXELSY);
    drawntext::TextState state(dc);
    if (s_carried.font >= 0)
        dc->SetTextColor(s_carried.colour);
    int x = point.x;
    Record record;
    for (int pos = first; pos < end && ReadRecord(p, end, pos, record); pos = record.end) {
        const BYTE* operand = p + record.at;
        switch (record.tag) {
        case TAG_FONT:
            s_carried.font = ShortAt(operand);
            break;
        case TAG_STYLE:
            s_carried.style = operand[0];
            break;
        case TAG_SIZE:
            s_carried.size = ShortAt(operand);
            break;
        case TAG_COLOUR:
            s_carried.colour = GetDword(operand);
            dc->SetTextColor(s_carried.colour);
            break;
        case TAG_RUN: {
            const Run run = ReadRun(operand, record.length);
            LOGFONT font {};
            font.lfOutPrecision = 3;
            font.lfClipPrecision = 2;
            font.lfQuality = 1;
            if (s_carried.font >= 0)
                drawntext::TakeFace(fonts, s_carried.font, font);
            if (run.wide) {
                font.lfCharSet = run.charSet;
                font.lfPitchAndFamily = run.pitchAndFamily;
            }
            font.lfHeight = HeightOf(s_carried.size, dpiY);
            TakeTextStyle(font, s_carried.style);
            state.Select(font);
            std::u16string text = drawntext::ReadUnits(operand, run.textBytes);
            TrimLineEnd(text);
            drawntext::TextOutW(dc, x, point.y, text);
            x += drawntext::ExtentW(dc, text).cx;
            break;
        }
        default:
            break;
        }
    }
    return static_cast<short>(x);
}
