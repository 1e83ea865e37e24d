// The replay of a recorded drawing into another DC, call by call.

#include "support/Replay.h"

#include "GdiInternal.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace kvtest {

namespace {

constexpr DWORD kColouredTextBlit = 0x00A90189;

// The stock objects a recorded pen or font may stand for.
constexpr int kStockPens[] = {BLACK_PEN, WHITE_PEN, NULL_PEN};
constexpr int kStockFonts[] = {SYSTEM_FONT, DEFAULT_GUI_FONT, SYSTEM_FIXED_FONT};

UINT FullPenStyle(const kvrec::Entry& e)
{
    return e.penStyle | e.penType | e.penCap | e.penJoin;
}

bool SamePen(const kvgdi::PenObject& pen, const kvrec::Entry& e)
{
    return pen.style == FullPenStyle(e) && pen.width == e.penWidth && pen.colour == e.penColour
        && pen.dashes == e.penDashes;
}

std::string Bytes(const void* data, size_t size)
{
    return std::string(static_cast<const char*>(data), size);
}

class Replayer {
public:
    explicit Replayer(HDC target) : m_target(target), m_dc(kvgdi::LookupDC(target))
    {
        if (m_dc)
            m_original = {m_dc->state.pen, m_dc->state.brush, m_dc->state.font};
    }

    ~Replayer()
    {
        if (m_dc) {
            // What is still selected of ours goes back to the target's own.
            const HGDIOBJ current[3] = {m_dc->state.pen, m_dc->state.brush, m_dc->state.font};
            for (int i = 0; i < 3; ++i)
                if (m_made.count(current[i]) && kvgdi::Lookup(m_original[i]))
                    SelectObject(m_target, m_original[i]);
        }
        for (HGDIOBJ object : m_made)
            DeleteObject(object);
        if (m_memory) {
            SelectObject(m_memory, m_memoryDefault);
            DeleteObject(m_memoryBitmap);
            DeleteDC(m_memory);
        }
    }

    Replayer(const Replayer&) = delete;
    Replayer& operator=(const Replayer&) = delete;

    int Run(const kvrec::Recorder& log)
    {
        if (!m_dc)
            return static_cast<int>(log.Entries().size());
        int skipped = 0;
        for (const kvrec::Entry& entry : log.Entries())
            if (!Replay(entry))
                ++skipped;
        return skipped;
    }

private:
    bool Replay(const kvrec::Entry& e);
    bool Setter(const kvrec::Entry& e);
    bool Shape(const kvrec::Entry& e);
    bool Select(const kvrec::Entry& e);
    bool Blit(const kvrec::Entry& e);
    HGDIOBJ MakePen(const kvrec::Entry& e);
    HGDIOBJ MakeBrush(UINT style, COLORREF colour, int stock);
    HGDIOBJ MakeFont(const LOGFONTA& font);
    HGDIOBJ Keep(const std::string& key, HGDIOBJ object);
    HDC SourceHolding(const kvrec::Entry& e);

    HDC m_target;
    HDC__* m_dc;
    std::vector<HGDIOBJ> m_original;
    // Objects made so far, by their recorded fields, so that a page that
    // selects the same pen a hundred times makes it once.
    std::unordered_map<std::string, HGDIOBJ> m_byKey;
    std::unordered_set<HGDIOBJ> m_made;
    // The stand-in for the source of coloured text blits.
    HDC m_memory = nullptr;
    HBITMAP m_memoryBitmap = nullptr;
    HGDIOBJ m_memoryDefault = nullptr;
};

bool Replayer::Replay(const kvrec::Entry& e)
{
    if (Setter(e) || Shape(e))
        return true;
    const std::string& c = e.call;
    if (c == "SelectObject")
        return Select(e);
    if (c == "BitBlt" || c == "StretchBlt" || c == "PatBlt")
        return Blit(e);
    if (c == "TextOutA" && !e.logical.empty()) {
        TextOutA(m_target, e.logical[0].x, e.logical[0].y, e.bytes.data(), static_cast<int>(e.bytes.size()));
        return true;
    }
    if (c == "TextOutW" && !e.logical.empty()) {
        TextOutW(m_target, e.logical[0].x, e.logical[0].y, e.units.data(), static_cast<int>(e.units.size()));
        return true;
    }
    if (c == "NextPage") {
        KvPdfNextPage(m_target);
        return true;
    }
    return false;
}

// The setters that take their recorded values as they stand.
using Values = std::vector<LONG>;
using Setter = void (*)(HDC, const Values&);
const std::unordered_map<std::string, std::pair<size_t, Setter>>& Setters()
{
    static const std::unordered_map<std::string, std::pair<size_t, Setter>> setters = {
        {"SaveDC", {0, [](HDC dc, const Values&) { SaveDC(dc); }}},
        {"RestoreDC", {1, [](HDC dc, const Values& v) { RestoreDC(dc, int(v[0])); }}},
        {"SetMapMode", {1, [](HDC dc, const Values& v) { SetMapMode(dc, int(v[0])); }}},
        {"SetWindowOrgEx", {2, [](HDC dc, const Values& v) { SetWindowOrgEx(dc, v[0], v[1], nullptr); }}},
        {"SetViewportOrgEx", {2, [](HDC dc, const Values& v) { SetViewportOrgEx(dc, v[0], v[1], nullptr); }}},
        {"SetWindowExtEx", {2, [](HDC dc, const Values& v) { SetWindowExtEx(dc, v[0], v[1], nullptr); }}},
        {"SetViewportExtEx", {2, [](HDC dc, const Values& v) { SetViewportExtEx(dc, v[0], v[1], nullptr); }}},
        {"SetTextColor", {1, [](HDC dc, const Values& v) { SetTextColor(dc, COLORREF(v[0])); }}},
        {"SetBkColor", {1, [](HDC dc, const Values& v) { SetBkColor(dc, COLORREF(v[0])); }}},
        {"SetBkMode", {1, [](HDC dc, const Values& v) { SetBkMode(dc, int(v[0])); }}},
        {"SetTextAlign", {1, [](HDC dc, const Values& v) { SetTextAlign(dc, UINT(v[0])); }}},
        {"SetROP2", {1, [](HDC dc, const Values& v) { SetROP2(dc, int(v[0])); }}},
        {"SetPolyFillMode", {1, [](HDC dc, const Values& v) { SetPolyFillMode(dc, int(v[0])); }}},
        {"SetStretchBltMode", {1, [](HDC dc, const Values& v) { SetStretchBltMode(dc, int(v[0])); }}},
    };
    return setters;
}

bool Replayer::Setter(const kvrec::Entry& e)
{
    const auto& setters = Setters();
    const auto it = setters.find(e.call);
    if (it == setters.end() || e.values.size() != it->second.first)
        return false;
    it->second.second(m_target, e.values);
    return true;
}

bool Replayer::Shape(const kvrec::Entry& e)
{
    const std::string& c = e.call;
    const std::vector<POINT>& p = e.logical;
    const int count = static_cast<int>(p.size());
    if (c == "MoveToEx" && count == 1) {
        MoveToEx(m_target, p[0].x, p[0].y, nullptr);
    } else if (c == "LineTo" && count == 2) {
        // The line starts at the current position, where the replayed
        // calls before it have put it.
        LineTo(m_target, p[1].x, p[1].y);
    } else if (c == "Polyline") {
        Polyline(m_target, p.data(), count);
    } else if (c == "Polygon") {
        Polygon(m_target, p.data(), count);
    } else if (c == "PolyBezier") {
        PolyBezier(m_target, p.data(), static_cast<DWORD>(count));
    } else if ((c == "Rectangle" || c == "Ellipse") && count == 2) {
        (c == "Rectangle" ? Rectangle : Ellipse)(m_target, p[0].x, p[0].y, p[1].x, p[1].y);
    } else if (c == "RoundRect" && count == 2 && e.values.size() == 2) {
        RoundRect(m_target, p[0].x, p[0].y, p[1].x, p[1].y, e.values[0], e.values[1]);
    } else if (c == "Arc" && count == 4) {
        Arc(m_target, p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y, p[3].x, p[3].y);
    } else if (c == "BeginPath") {
        BeginPath(m_target);
    } else if (c == "EndPath") {
        EndPath(m_target);
    } else if (c == "FillPath") {
        FillPath(m_target);
    } else if (c == "StrokePath") {
        StrokePath(m_target);
    } else if (c == "StrokeAndFillPath") {
        StrokeAndFillPath(m_target);
    } else if (c == "FillSolidRect" && count == 2) {
        // Filled in the background colour, which the log set before.
        kvgdi::FillSolid(m_target, RECT {p[0].x, p[0].y, p[1].x, p[1].y});
    } else if (c == "FillRect" && count == 2) {
        HGDIOBJ brush = MakeBrush(e.brushStyle, e.brushColour, e.brushStock);
        if (!brush)
            return false;
        const RECT rect {p[0].x, p[0].y, p[1].x, p[1].y};
        ::FillRect(m_target, &rect, static_cast<HBRUSH>(brush));
    } else {
        return false;
    }
    return true;
}

bool Replayer::Select(const kvrec::Entry& e)
{
    HGDIOBJ object = nullptr;
    if (e.bytes == "pen")
        object = MakePen(e);
    else if (e.bytes == "brush")
        object = MakeBrush(e.brushStyle, e.brushColour, e.brushStock);
    else if (e.bytes == "font")
        object = MakeFont(e.font);
    // Bitmaps only go into memory DCs, which the log cannot rebuild.
    if (!object)
        return false;
    SelectObject(m_target, object);
    return true;
}

HGDIOBJ Replayer::Keep(const std::string& key, HGDIOBJ object)
{
    if (object) {
        m_byKey[key] = object;
        m_made.insert(object);
    }
    return object;
}

HGDIOBJ Replayer::MakePen(const kvrec::Entry& e)
{
    for (int index : kStockPens) {
        HGDIOBJ stock = GetStockObject(index);
        if (const kvgdi::PenObject* pen = kvgdi::LookupPen(stock); pen && SamePen(*pen, e))
            return stock;
    }
    const UINT style = FullPenStyle(e);
    std::string key = "pen" + Bytes(&style, sizeof style) + Bytes(&e.penWidth, sizeof e.penWidth)
        + Bytes(&e.penColour, sizeof e.penColour);
    for (DWORD dash : e.penDashes)
        key += Bytes(&dash, sizeof dash);
    if (auto it = m_byKey.find(key); it != m_byKey.end())
        return it->second;
    // Pens with a type, cap, join or pattern of their own came from
    // ExtCreatePen; the rest from CreatePen.
    const bool extended = style != e.penStyle || e.penStyle == PS_USERSTYLE || e.penStyle == PS_ALTERNATE;
    if (!extended)
        return Keep(key, CreatePen(static_cast<int>(e.penStyle), e.penWidth, e.penColour));
    const LOGBRUSH brush {BS_SOLID, e.penColour, 0};
    return Keep(key, ExtCreatePen(style, static_cast<DWORD>(e.penWidth), &brush,
                                  static_cast<DWORD>(e.penDashes.size()),
                                  e.penDashes.empty() ? nullptr : e.penDashes.data()));
}

HGDIOBJ Replayer::MakeBrush(UINT style, COLORREF colour, int stock)
{
    if (stock >= 0)
        return GetStockObject(stock);
    // A pattern's pixels are not in the log.
    if (style == BS_PATTERN)
        return nullptr;
    const std::string key = "brush" + Bytes(&style, sizeof style) + Bytes(&colour, sizeof colour);
    if (auto it = m_byKey.find(key); it != m_byKey.end())
        return it->second;
    const LOGBRUSH brush {style == BS_NULL ? BS_NULL : BS_SOLID, colour, 0};
    return Keep(key, CreateBrushIndirect(&brush));
}

HGDIOBJ Replayer::MakeFont(const LOGFONTA& font)
{
    for (int index : kStockFonts) {
        HGDIOBJ stock = GetStockObject(index);
        if (const kvgdi::FontObject* f = kvgdi::LookupFont(stock);
            f && std::memcmp(&f->logFont, &font, sizeof font) == 0)
            return stock;
    }
    const std::string key = "font" + Bytes(&font, sizeof font);
    if (auto it = m_byKey.find(key); it != m_byKey.end())
        return it->second;
    return Keep(key, CreateFontIndirectA(&font));
}

// A memory DC whose bitmap holds the entry's source list where the source
// held it, mapped so that the blit's logical source box lands on the
// recorded device rectangle.
HDC Replayer::SourceHolding(const kvrec::Entry& e)
{
    const RECT& s = e.sourceRect;
    const int width = std::max<int>(s.right, 1);
    const int height = std::max<int>(s.bottom, 1);
    if (!m_memory) {
        m_memory = CreateCompatibleDC(m_target);
        if (!m_memory)
            return nullptr;
    }
    kvgdi::BitmapObject* bitmap = kvgdi::LookupBitmap(m_memoryBitmap);
    if (!bitmap || bitmap->width < width || bitmap->height < height) {
        HBITMAP larger = CreateCompatibleBitmap(m_target, width, height);
        if (!larger)
            return nullptr;
        HGDIOBJ previous = SelectObject(m_memory, larger);
        if (!m_memoryDefault)
            m_memoryDefault = previous;
        DeleteObject(m_memoryBitmap);
        m_memoryBitmap = larger;
        bitmap = kvgdi::LookupBitmap(larger);
    }
    bitmap->displayList = e.sourceList;
    bitmap->rasterContent = false;
    HDC__* memory = kvgdi::LookupDC(m_memory);
    if (kvgdi::IsAliased(m_dc)) {
        // Aliased targets combine pixels: paint the list on white.
        cairo_t* cr = kvgdi::NewContext(memory);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
        kvgdi::ReplayDisplayList(cr, e.sourceList, false, 0, true);
        cairo_destroy(cr);
    }
    return m_memory;
}

bool Replayer::Blit(const kvrec::Entry& e)
{
    if (e.logical.size() != 2)
        return false;
    const POINT a = e.logical[0];
    const int w = e.logical[1].x - a.x;
    const int h = e.logical[1].y - a.y;
    if (!e.source) {
        PatBlt(m_target, a.x, a.y, w, h, e.rop3);
        return true;
    }
    const RECT& s = e.sourceRect;
    const int sw = s.right - s.left;
    const int sh = s.bottom - s.top;
    if (e.rop3 != kColouredTextBlit || w == 0 || h == 0 || sw <= 0 || sh <= 0)
        return false;
    HDC memory = SourceHolding(e);
    if (!memory)
        return false;
    if (e.call == "StretchBlt") {
        SetMapMode(memory, MM_TEXT);
        StretchBlt(m_target, a.x, a.y, w, h, memory, s.left, s.top, sw, sh, e.rop3);
        return true;
    }
    // The source box keeps the destination's direction, as a source that
    // copied the target's mapping does.
    const bool flipX = e.device.size() == 2 && e.device[1].x < e.device[0].x;
    const bool flipY = e.device.size() == 2 && e.device[1].y < e.device[0].y;
    SetMapMode(memory, MM_ANISOTROPIC);
    SetWindowExtEx(memory, w, h, nullptr);
    SetViewportExtEx(memory, flipX ? -sw : sw, flipY ? -sh : sh, nullptr);
    SetViewportOrgEx(memory, flipX ? s.right : s.left, flipY ? s.bottom : s.top, nullptr);
    BitBlt(m_target, a.x, a.y, w, h, memory, 0, 0, e.rop3);
    return true;
}

} // namespace

int ReplayLog(const kvrec::Recorder& log, HDC target)
{
    Replayer replayer(target);
    return replayer.Run(log);
}

} // namespace kvtest
