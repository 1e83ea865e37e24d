// Text through the font engine: fonts are realised at their device height,
// drawn at GDI's reference points, and measured back in logical units.

#include "GdiInternal.h"
#include "PixelOps.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace kvgdi {

std::shared_ptr<const kvfont::RealizedFont> RealizeSelectedFont(const HDC__* dc)
{
    const FontObject* font = LookupFont(dc->state.font);
    if (!font)
        font = LookupFont(GetStockObject(SYSTEM_FONT));
    LOGFONTA logFont = font->logFont;
    // A font record from a file may hold the most negative value, whose
    // magnitude has no int; it counts as the largest size.
    auto magnitude = [](LONG v) {
        return v == std::numeric_limits<LONG>::min() ? std::numeric_limits<LONG>::max() : std::abs(v);
    };
    // The height maps through the vertical scale with its sign kept; unequal
    // scales stretch the font horizontally.
    LONG height = 0;
    if (logFont.lfHeight != 0) {
        height = LengthToDeviceY(dc, magnitude(logFont.lfHeight));
        if (height == 0)
            height = 1;
        if (logFont.lfHeight < 0)
            height = -height;
    }
    logFont.lfWidth = LengthToDeviceX(dc, magnitude(logFont.lfWidth));
    const double stretch = ScaleX(dc) / ScaleY(dc);
    return kvfont::Realize(logFont, height, stretch);
}

} // namespace kvgdi

using namespace kvgdi;

namespace {

// GDI refuses longer strings in one call.
constexpr int kMaxTextCount = 8192;

struct Placement {
    double x = 0; // the baseline's left end, device pixels
    double y = 0;
    double cos = 1;
    double sin = 0;
    // A point `along` the baseline and `down` from it, in device pixels.
    void At(double along, double down, double& px, double& py) const
    {
        px = x + along * cos + down * sin;
        py = y - along * sin + down * cos;
    }
};

BOOL DrawText(HDC hdc, int x, int y, const std::u16string& units, const char* bytes, int count, bool wide)
{
    HDC__* dc = DrawingDC(hdc);
    if (!dc)
        return FALSE;
    const auto font = RealizeSelectedFont(dc);
    const TEXTMETRICA& tm = font->Metrics();
    const int width = font->TextWidth(units);
    const UINT align = dc->state.align;
    const bool updateCp = (align & TA_UPDATECP) != 0;
    const POINT reference = updateCp ? dc->state.position : POINT {x, y};
    const POINT device = ToDevice(dc, reference);

    double along = 0;
    if ((align & TA_CENTER) == TA_CENTER)
        along = -(width / 2);
    else if ((align & TA_CENTER) == TA_RIGHT)
        along = -width;
    double down = 0;
    if ((align & TA_BASELINE) == TA_BASELINE)
        down = 0;
    else if ((align & TA_BASELINE) == TA_BOTTOM)
        down = -tm.tmDescent;
    else
        down = tm.tmAscent;
    // Escapement turns the text about its reference point; the font
    // engine turns the glyphs about their origin.
    const FontObject* fontObject = LookupFont(dc->state.font);
    const double radians = fontObject ? fontObject->logFont.lfEscapement / 10.0 * 3.14159265358979323846 / 180 : 0;
    Placement place;
    place.cos = std::cos(radians);
    place.sin = std::sin(radians);
    place.x = device.x;
    place.y = device.y;
    double ox, oy;
    place.At(along, down, ox, oy);
    Placement origin = place;
    origin.x = ox;
    origin.y = oy;

    if (kvrec::Entry* entry = LogCall(dc, wide ? "TextOutW" : "TextOutA")) {
        entry->logical.push_back(reference);
        entry->device.push_back(device);
        if (bytes)
            entry->bytes.assign(bytes, static_cast<size_t>(count));
        entry->units = units;
        entry->resolvedFace = font->ResolvedFace();
        if (font->IsMusic()) {
            entry->glyphs = font->MusicCodes(units);
            int advance = 0;
            for (size_t i = 0; i < units.size(); ++i) {
                const int code = i < entry->glyphs.size() ? entry->glyphs[i] : -1;
                if (code >= 0) {
                    double gx, gy;
                    origin.At(advance, 0, gx, gy);
                    kvrec::GlyphHit hit;
                    hit.code = code;
                    hit.device = POINT {static_cast<LONG>(std::lround(gx)), static_cast<LONG>(std::lround(gy))};
                    hit.logical = ToLogical(dc, hit.device);
                    hit.colour = dc->state.textColour;
                    hit.em = tm.tmHeight - tm.tmInternalLeading;
                    entry->glyphHits.push_back(hit);
                }
                advance += font->Advance(units[i]);
            }
        }
    }

    if (TargetSurface(dc)) {
        const bool mono = IsMonochrome(dc);
        if (dc->state.bkMode == OPAQUE && width > 0) {
            // The cell is filled with the background colour first.
            std::vector<kvrec::PathOp> cell(5);
            const double corners[4][2] = {{0, -double(tm.tmAscent)},
                                          {double(width), -double(tm.tmAscent)},
                                          {double(width), double(tm.tmDescent)},
                                          {0, double(tm.tmDescent)}};
            for (int i = 0; i < 4; ++i) {
                cell[size_t(i)].kind = i == 0 ? kvrec::PathOp::Move : kvrec::PathOp::Line;
                origin.At(corners[i][0], corners[i][1], cell[size_t(i)].x[0], cell[size_t(i)].y[0]);
            }
            cell[4].kind = kvrec::PathOp::Close;
            Fill fill;
            fill.on = true;
            fill.colour = dc->state.bkColour;
            PaintPath(dc, cell, fill, Stroke {}, 0, R2_COPYPEN);
        }
        // Text ignores ROP2, as in GDI.
        const COLORREF colour = mono ? kvpix::ToMonochrome(dc->state.textColour) : dc->state.textColour;
        // Music glyphs join the fills before them, so that a row of
        // overlapping glyphs prints as one solid shape.
        cairo_t* cr = NewContext(dc, font->IsMusic());
        SetSource(cr, colour);
        if (FillRun* run = AttachedFillRun(cr))
            run->FlushUnlessSource(cr);
        font->Render(cr, origin.x, origin.y, units);
        cairo_destroy(cr);
        if (BitmapObject* bitmap = SelectedBitmap(dc)) {
            kvrec::DisplayItem item;
            item.kind = kvrec::DisplayItem::Text;
            item.font = font;
            item.units = units;
            item.x = origin.x;
            item.y = origin.y;
            item.colour = colour;
            item.em = tm.tmHeight - tm.tmInternalLeading;
            if (font->IsMusic())
                item.glyphs = font->MusicCodes(units);
            bitmap->displayList.push_back(std::move(item));
        }
    }

    if (updateCp) {
        // The current position moves past the text: to its right end for
        // left alignment, its left end for right alignment.
        double shift = 0;
        if ((align & TA_CENTER) == TA_LEFT)
            shift = width;
        else if ((align & TA_CENTER) == TA_RIGHT)
            shift = -width;
        double nx, ny;
        place.At(shift, 0, nx, ny);
        dc->state.position =
            ToLogical(dc, POINT {static_cast<LONG>(std::lround(nx)), static_cast<LONG>(std::lround(ny))});
    }
    return TRUE;
}

bool CountOk(const void* text, int count)
{
    return count >= 0 && count <= kMaxTextCount && (count == 0 || text);
}

BOOL Measure(HDC hdc, const std::u16string& units, LPSIZE size)
{
    const HDC__* dc = LookupDC(hdc);
    if (!dc || !size)
        return FALSE;
    const auto font = RealizeSelectedFont(dc);
    size->cx = LengthToLogicalX(dc, font->TextWidth(units));
    size->cy = LengthToLogicalY(dc, font->Metrics().tmHeight);
    return TRUE;
}

} // namespace

BOOL TextOutA(HDC hdc, int x, int y, LPCSTR text, int count)
{
    const HDC__* dc = DrawingDC(hdc);
    if (!dc || !CountOk(text, count))
        return FALSE;
    const auto font = RealizeSelectedFont(dc);
    return DrawText(hdc, x, y, font->DecodeBytes(text, count), text ? text : "", count, false);
}

BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR text, int count)
{
    if (!DrawingDC(hdc) || !CountOk(text, count))
        return FALSE;
    return DrawText(hdc, x, y, std::u16string(text ? text : u"", static_cast<size_t>(count)), nullptr, 0, true);
}

BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR text, int count, LPSIZE size)
{
    const HDC__* dc = LookupDC(hdc);
    if (!dc || !CountOk(text, count))
        return FALSE;
    return Measure(hdc, RealizeSelectedFont(dc)->DecodeBytes(text ? text : "", count), size);
}

BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int count, LPSIZE size)
{
    if (!CountOk(text, count))
        return FALSE;
    return Measure(hdc, std::u16string(text ? text : u"", static_cast<size_t>(count)), size);
}

BOOL GetTextMetricsA(HDC hdc, LPTEXTMETRICA metrics)
{
    const HDC__* dc = LookupDC(hdc);
    if (!dc || !metrics)
        return FALSE;
    const auto font = RealizeSelectedFont(dc);
    TEXTMETRICA tm = font->Metrics();
    // Metrics are device pixels; callers get logical units.
    tm.tmHeight = LengthToLogicalY(dc, tm.tmHeight);
    tm.tmAscent = LengthToLogicalY(dc, tm.tmAscent);
    tm.tmDescent = LengthToLogicalY(dc, tm.tmDescent);
    tm.tmInternalLeading = LengthToLogicalY(dc, tm.tmInternalLeading);
    tm.tmExternalLeading = LengthToLogicalY(dc, tm.tmExternalLeading);
    tm.tmAveCharWidth = LengthToLogicalX(dc, tm.tmAveCharWidth);
    tm.tmMaxCharWidth = LengthToLogicalX(dc, tm.tmMaxCharWidth);
    tm.tmOverhang = LengthToLogicalX(dc, tm.tmOverhang);
    *metrics = tm;
    return TRUE;
}
