// Blits and pixels. Aliased targets combine pixels bitwise in software;
// vector and recording targets paint what a white page would show, and
// leave out what only a screen can do.

#include "GdiInternal.h"
#include "PixelOps.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

using namespace kvgdi;

namespace {

struct DeviceBox {
    int x = 0, y = 0, w = 0, h = 0;
};

// The far corner saturates: a stored size may reach past the int range.
LONG FarEdge(int origin, int size)
{
    return static_cast<LONG>(std::clamp<int64_t>(int64_t(origin) + size, INT32_MIN, INT32_MAX));
}

DeviceBox MapBox(const HDC__* dc, int x, int y, int w, int h)
{
    const POINT a = ToDevice(dc, POINT {x, y});
    const POINT b = ToDevice(dc, POINT {FarEdge(x, w), FarEdge(y, h)});
    return DeviceBox {a.x, a.y, b.x - a.x, b.y - a.y};
}

RECT Normalised(const DeviceBox& box)
{
    return RECT {std::min(box.x, box.x + box.w), std::min(box.y, box.y + box.h), std::max(box.x, box.x + box.w),
                 std::max(box.y, box.y + box.h)};
}

RECT Clipped(RECT r, int width, int height)
{
    r.left = std::clamp<LONG>(r.left, 0, width);
    r.right = std::clamp<LONG>(r.right, 0, width);
    r.top = std::clamp<LONG>(r.top, 0, height);
    r.bottom = std::clamp<LONG>(r.bottom, 0, height);
    return r;
}

// FNV-1a over the pixels of a rectangle of an image surface.
uint64_t Digest(cairo_surface_t* surface, const RECT& area)
{
    uint64_t hash = 1469598103934665603ULL;
    if (!surface)
        return 0;
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const RECT r = Clipped(area, cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface));
    for (LONG y = r.top; y < r.bottom; ++y)
        for (LONG x = r.left; x < r.right; ++x) {
            uint32_t pixel = reinterpret_cast<const uint32_t*>(data + y * stride)[x];
            for (int i = 0; i < 4; ++i) {
                hash ^= (pixel >> (8 * i)) & 0xFF;
                hash *= 1099511628211ULL;
            }
        }
    return hash;
}

// Maps the context from source device pixels to destination device pixels.
void SourceToDestination(cairo_t* cr, const DeviceBox& d, const DeviceBox& s)
{
    cairo_translate(cr, d.x, d.y);
    cairo_scale(cr, double(d.w) / s.w, double(d.h) / s.h);
    cairo_translate(cr, -s.x, -s.y);
}

void ClipToSource(cairo_t* cr, const DeviceBox& s, int width, int height)
{
    const RECT r = Clipped(Normalised(s), width, height);
    cairo_rectangle(cr, r.left, r.top, r.right - r.left, r.bottom - r.top);
    cairo_clip(cr);
}

// The glyphs of a memory DC's display list that a 0x00A90189 blit carries.
void LogBlitGlyphs(kvrec::Entry* entry, const HDC__* dc, const std::vector<kvrec::DisplayItem>& items,
                   const DeviceBox& d, const DeviceBox& s, COLORREF brush)
{
    const RECT area = Normalised(s);
    const double sx = double(d.w) / s.w, sy = double(d.h) / s.h;
    for (const kvrec::DisplayItem& item : items) {
        if (item.kind != kvrec::DisplayItem::Text || !item.font)
            continue;
        double advance = 0;
        for (size_t i = 0; i < item.units.size(); ++i) {
            const int code = i < item.glyphs.size() ? item.glyphs[i] : -1;
            const double gx = item.x + advance, gy = item.y;
            advance += item.font->Advance(item.units[i]);
            if (code < 0 || gx < area.left || gx > area.right || gy < area.top || gy > area.bottom)
                continue;
            kvrec::GlyphHit hit;
            hit.code = code;
            hit.device = POINT {static_cast<LONG>(std::lround(d.x + (gx - s.x) * sx)),
                                static_cast<LONG>(std::lround(d.y + (gy - s.y) * sy))};
            hit.logical = ToLogical(dc, hit.device);
            hit.colour = (item.colour | brush) & 0x00FFFFFF;
            hit.em = static_cast<int>(std::lround(item.em * std::fabs(sy)));
            entry->glyphHits.push_back(hit);
        }
    }
}

// Paints the brush colour through the dark pixels of the source: the
// 0x00A90189 result on a white page for sources no item describes.
void PaintThroughDarkPixels(cairo_t* cr, HDC__* source, const DeviceBox& s, COLORREF brush)
{
    cairo_surface_t* pixels = TargetSurface(source);
    const int width = cairo_image_surface_get_width(pixels);
    const int height = cairo_image_surface_get_height(pixels);
    cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, width, height);
    cairo_surface_flush(pixels);
    cairo_surface_flush(mask);
    const unsigned char* in = cairo_image_surface_get_data(pixels);
    unsigned char* out = cairo_image_surface_get_data(mask);
    const int inStride = cairo_image_surface_get_stride(pixels);
    const int outStride = cairo_image_surface_get_stride(mask);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t p = reinterpret_cast<const uint32_t*>(in + y * inStride)[x];
            const COLORREF c = RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
            out[y * outStride + x] = kvpix::ToMonochrome(c) == RGB(0, 0, 0) ? 0xFF : 0;
        }
    cairo_surface_mark_dirty(mask);
    ClipToSource(cr, s, width, height);
    SetSource(cr, brush);
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(mask);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
    cairo_mask(cr, pattern);
    cairo_pattern_destroy(pattern);
    cairo_surface_destroy(mask);
}

// Raster operations that do not read the destination, as a fill colour.
bool FillColourOf(DWORD rop, const Fill& brush, COLORREF& colour)
{
    switch (rop) {
    case BLACKNESS: colour = RGB(0, 0, 0); return true;
    case WHITENESS: colour = RGB(255, 255, 255); return true;
    case PATCOPY: colour = brush.colour; return true;
    default: return false;
    }
}

BOOL Blit(const char* call, HDC hdc, int x, int y, int w, int h, HDC hsrc, int xs, int ys, int ws, int hs,
          DWORD rop)
{
    HDC__* dc = DrawingDC(hdc);
    if (!dc)
        return FALSE;
    const bool usesSource = kvpix::RopUsesSource(rop);
    HDC__* source = usesSource ? LookupDC(hsrc) : nullptr;
    if (usesSource && !source)
        return FALSE;
    const DeviceBox d = MapBox(dc, x, y, w, h);
    const DeviceBox s = source ? MapBox(source, xs, ys, ws, hs) : DeviceBox {};
    const Fill brush = BrushFill(dc);
    const BitmapObject* sourceBitmap = source ? SelectedBitmap(source) : nullptr;

    if (kvrec::Entry* entry = LogCall(dc, call)) {
        const POINT corners[2] = {POINT {x, y}, POINT {x + w, y + h}};
        LogPoints(entry, dc, corners, 2);
        entry->rop3 = rop;
        entry->source = hsrc;
        entry->destRect = Normalised(d);
        entry->sourceRect = Normalised(s);
        entry->brushColour = brush.on ? brush.colour : RGB(255, 255, 255);
        if (sourceBitmap)
            entry->sourceList = sourceBitmap->displayList;
        if (source)
            entry->sourceDigest = Digest(TargetSurface(source), entry->sourceRect);
        if (rop == ROP_DPSOXN && sourceBitmap)
            LogBlitGlyphs(entry, dc, sourceBitmap->displayList, d, s, entry->brushColour);
    }
    if (d.w == 0 || d.h == 0 || (source && (s.w == 0 || s.h == 0)))
        return TRUE;

    cairo_surface_t* target = TargetSurface(dc);
    cairo_surface_t* sourcePixels = source && HasPixels(source) ? TargetSurface(source) : nullptr;
    if (usesSource && !sourcePixels && IsAliased(dc))
        return FALSE;

    // A memory DC's display list follows what lands on it.
    if (SelectedBitmap(dc)) {
        COLORREF colour;
        const RECT area = Normalised(d);
        if (FillColourOf(rop, brush, colour) && !(rop == PATCOPY && brush.pattern)) {
            NoteErase(dc, area);
            kvrec::DisplayItem item;
            item.fill = true;
            item.fillColour = IsMonochrome(dc) ? kvpix::ToMonochrome(colour) : colour;
            AddRect(item.path, area.left, area.top, area.right, area.bottom);
            SelectedBitmap(dc)->displayList.push_back(std::move(item));
        } else {
            NoteRaster(dc, area);
        }
    }

    if (IsAliased(dc)) {
        kvpix::Blit blit;
        blit.destination = target;
        blit.dx = d.x;
        blit.dy = d.y;
        blit.dw = d.w;
        blit.dh = d.h;
        blit.source = sourcePixels;
        blit.sx = s.x;
        blit.sy = s.y;
        blit.sw = s.w;
        blit.sh = s.h;
        blit.pattern.colour = brush.colour;
        blit.pattern.tile = brush.pattern;
        blit.rop = rop;
        blit.sourceMonochrome = source && IsMonochrome(source);
        blit.destinationMonochrome = IsMonochrome(dc);
        blit.textColour = dc->state.textColour;
        blit.backgroundColour = dc->state.bkColour;
        cairo_surface_flush(target);
        if (sourcePixels)
            cairo_surface_flush(sourcePixels);
        const BOOL done = kvpix::ApplyBlit(blit);
        cairo_surface_mark_dirty(target);
        return done;
    }

    // Vector rules, on PDF, SVG and page rasters, and in the log.
    COLORREF colour;
    const bool fills = FillColourOf(rop, brush, colour);
    const bool replays = rop == ROP_DPSOXN && sourceBitmap;
    if (!fills && rop != SRCCOPY && !replays) {
        char text[80];
        std::snprintf(text, sizeof text, "%s with raster operation %08X is screen-only; nothing drawn", call, rop);
        Warn(dc, text);
        return TRUE;
    }
    if (!target)
        return TRUE;
    if (rop == SRCCOPY && !sourcePixels)
        return FALSE;
    cairo_t* cr = NewContext(dc);
    if (fills) {
        const RECT area = Normalised(d);
        cairo_rectangle(cr, area.left, area.top, area.right - area.left, area.bottom - area.top);
        if (rop == PATCOPY && brush.pattern) {
            cairo_pattern_t* pattern = cairo_pattern_create_for_surface(brush.pattern);
            cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
            cairo_set_source(cr, pattern);
            cairo_pattern_destroy(pattern);
        } else {
            SetSource(cr, colour);
        }
        cairo_fill(cr);
    } else if (rop == SRCCOPY) {
        SourceToDestination(cr, d, s);
        ClipToSource(cr, s, cairo_image_surface_get_width(sourcePixels), cairo_image_surface_get_height(sourcePixels));
        cairo_surface_flush(sourcePixels);
        cairo_set_source_surface(cr, sourcePixels, 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
        cairo_paint(cr);
    } else {
        SourceToDestination(cr, d, s);
        const COLORREF brushColour = brush.on ? brush.colour : RGB(255, 255, 255);
        if (sourceBitmap->rasterContent) {
            PaintThroughDarkPixels(cr, source, s, brushColour);
        } else {
            ClipToSource(cr, s, sourceBitmap->width, sourceBitmap->height);
            // The glyphs of the image (a stem in pieces, say) print as one
            // shape, as on the DC itself.
            FillRun run;
            if (dc->backend == Backend::Pdf || dc->backend == Backend::Svg)
                AttachFillRun(cr, &run);
            ReplayDisplayList(cr, sourceBitmap->displayList, true, brushColour, false);
            run.Flush(cr);
        }
    }
    cairo_destroy(cr);
    return TRUE;
}

} // namespace

BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop)
{
    if (kvpix::RopUsesSource(rop))
        return FALSE;
    return Blit("PatBlt", hdc, x, y, width, height, nullptr, 0, 0, 0, 0, rop);
}

BOOL BitBlt(HDC hdc, int x, int y, int width, int height, HDC source, int xSource, int ySource, DWORD rop)
{
    return Blit("BitBlt", hdc, x, y, width, height, source, xSource, ySource, width, height, rop);
}

BOOL StretchBlt(HDC hdc, int x, int y, int width, int height, HDC source, int xSource, int ySource,
                int widthSource, int heightSource, DWORD rop)
{
    return Blit("StretchBlt", hdc, x, y, width, height, source, xSource, ySource, widthSource, heightSource, rop);
}

COLORREF GetPixel(HDC hdc, int x, int y)
{
    const HDC__* dc = LookupDC(hdc);
    if (!dc || !HasPixels(dc))
        return CLR_INVALID;
    cairo_surface_t* surface = TargetSurface(dc);
    if (!surface)
        return CLR_INVALID;
    const POINT p = ToDevice(dc, POINT {x, y});
    if (p.x < 0 || p.y < 0 || p.x >= cairo_image_surface_get_width(surface) ||
        p.y >= cairo_image_surface_get_height(surface))
        return CLR_INVALID;
    cairo_surface_flush(surface);
    const unsigned char* row = cairo_image_surface_get_data(surface) + p.y * cairo_image_surface_get_stride(surface);
    const uint32_t pixel = reinterpret_cast<const uint32_t*>(row)[p.x];
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

BOOL kvgdi::FillSolid(HDC hdc, const RECT& rect)
{
    HDC__* dc = DrawingDC(hdc);
    if (!dc)
        return FALSE;
    if (kvrec::Entry* entry = LogCall(dc, "FillSolidRect")) {
        const POINT corners[2] = {POINT {rect.left, rect.top}, POINT {rect.right, rect.bottom}};
        LogPoints(entry, dc, corners, 2);
        entry->brushStyle = BS_SOLID;
        entry->brushColour = dc->state.bkColour;
        entry->brushStock = -1;
    }
    const DeviceBox box = MapBox(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    const RECT area = Normalised(box);
    NoteErase(dc, area);
    std::vector<kvrec::PathOp> path;
    AddRect(path, area.left, area.top, area.right, area.bottom);
    Fill fill;
    fill.on = true;
    fill.colour = dc->state.bkColour;
    PaintPath(dc, path, fill, Stroke {}, 0, R2_COPYPEN);
    return TRUE;
}
