#include "PixelOps.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace kvpix {

namespace {

constexpr uint32_t kOpaque = 0xFF000000u;

// A readable or writable view of an image surface's 32-bit pixels.
struct PixelView {
    unsigned char* data = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;

    uint32_t* Row(int y) const
    {
        return reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
    }
};

bool ViewOf(cairo_surface_t* surface, PixelView& view)
{
    if (surface == nullptr || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS
        || cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE) {
        return false;
    }
    cairo_format_t format = cairo_image_surface_get_format(surface);
    if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24) {
        return false;
    }
    cairo_surface_flush(surface);
    view.data = cairo_image_surface_get_data(surface);
    view.width = cairo_image_surface_get_width(surface);
    view.height = cairo_image_surface_get_height(surface);
    view.stride = cairo_image_surface_get_stride(surface);
    return view.data != nullptr;
}

// The ternary operation on whole pixels: each of the eight minterms of the
// truth table selects the bits where P, S and D take its values.
uint32_t Rop3Word(uint8_t table, uint32_t p, uint32_t s, uint32_t d)
{
    uint32_t result = 0;
    for (int index = 0; index < 8; ++index) {
        if ((table >> index) & 1) {
            uint32_t pm = (index & 4) ? p : ~p;
            uint32_t sm = (index & 2) ? s : ~s;
            uint32_t dm = (index & 1) ? d : ~d;
            result |= pm & sm & dm;
        }
    }
    return result;
}

uint32_t Rop2Word(int rop2, uint32_t p, uint32_t d)
{
    if (rop2 < R2_BLACK || rop2 > R2_WHITE) {
        return d; // not an operation: leave the destination alone
    }
    uint8_t table = static_cast<uint8_t>(rop2 - 1);
    uint32_t result = 0;
    for (int index = 0; index < 4; ++index) {
        if ((table >> index) & 1) {
            uint32_t pm = (index & 2) ? p : ~p;
            uint32_t dm = (index & 1) ? d : ~d;
            result |= pm & dm;
        }
    }
    return result;
}

uint32_t MonoPixel(uint32_t pixel)
{
    return PixelOf(ToMonochrome(ColourOf(pixel)));
}

// A rectangle given by a corner and signed extents, normalised as GDI does:
// a negative extent spans the pixels before the corner.
void Normalise(int origin, int extent, int64_t& start, int64_t& length)
{
    if (extent < 0) {
        start = static_cast<int64_t>(origin) + extent;
        length = -static_cast<int64_t>(extent);
    } else {
        start = origin;
        length = extent;
    }
}

// Nearest neighbour: destination pixel i of `dstLength` samples the source at
// its centre.
int64_t SourceOffset(int64_t i, int64_t dstLength, int64_t srcLength, bool mirror)
{
    int64_t offset = ((2 * i + 1) * srcLength) / (2 * dstLength);
    return mirror ? srcLength - 1 - offset : offset;
}

} // namespace

uint32_t PixelOf(COLORREF colour)
{
    uint32_t r = colour & 0xFF;
    uint32_t g = (colour >> 8) & 0xFF;
    uint32_t b = (colour >> 16) & 0xFF;
    return kOpaque | (r << 16) | (g << 8) | b;
}

COLORREF ColourOf(uint32_t pixel)
{
    uint32_t r = (pixel >> 16) & 0xFF;
    uint32_t g = (pixel >> 8) & 0xFF;
    uint32_t b = pixel & 0xFF;
    return r | (g << 8) | (b << 16);
}

COLORREF ToMonochrome(COLORREF colour)
{
    // In thousandths, so the threshold is exact.
    uint32_t r = colour & 0xFF;
    uint32_t g = (colour >> 8) & 0xFF;
    uint32_t b = (colour >> 16) & 0xFF;
    uint32_t luminance = 299 * r + 587 * g + 114 * b;
    return luminance >= 128000 ? 0x00FFFFFF : 0x00000000;
}

uint8_t Rop3Bits(DWORD rop, uint8_t pattern, uint8_t source, uint8_t destination)
{
    uint8_t table = static_cast<uint8_t>(rop >> 16);
    return static_cast<uint8_t>(Rop3Word(table, pattern, source, destination));
}

uint8_t Rop2Bits(int rop2, uint8_t pen, uint8_t destination)
{
    return static_cast<uint8_t>(Rop2Word(rop2, pen, destination));
}

bool RopUsesSource(DWORD rop)
{
    // Minterms differing only in S sit two bits apart.
    uint8_t table = static_cast<uint8_t>(rop >> 16);
    return (table & 0x33) != ((table >> 2) & 0x33);
}

bool RopUsesPattern(DWORD rop)
{
    uint8_t table = static_cast<uint8_t>(rop >> 16);
    return (table & 0x0F) != ((table >> 4) & 0x0F);
}

BOOL ApplyBlit(const Blit& blit)
{
    PixelView dst;
    if (!ViewOf(blit.destination, dst)) {
        return FALSE;
    }
    const uint8_t table = static_cast<uint8_t>(blit.rop >> 16);
    const bool usesSource = RopUsesSource(blit.rop);
    const bool usesPattern = RopUsesPattern(blit.rop);

    PixelView src;
    std::vector<unsigned char> sourceCopy;
    if (usesSource) {
        if (!ViewOf(blit.source, src)) {
            return FALSE;
        }
        if (blit.source == blit.destination) {
            // Overlapping blits within one surface read the pixels as they
            // were before the blit.
            size_t bytes = static_cast<size_t>(src.stride) * src.height;
            sourceCopy.assign(src.data, src.data + bytes);
            src.data = sourceCopy.data();
        }
    }

    PixelView tile;
    bool tiled = usesPattern && blit.pattern.tile != nullptr && ViewOf(blit.pattern.tile, tile)
                 && tile.width > 0 && tile.height > 0;
    uint32_t solid = PixelOf(blit.pattern.colour);
    if (blit.destinationMonochrome) {
        solid = MonoPixel(solid);
    }

    int64_t left, width, top, height;
    Normalise(blit.dx, blit.dw, left, width);
    Normalise(blit.dy, blit.dh, top, height);
    int64_t srcLeft = 0, srcWidth = 0, srcTop = 0, srcHeight = 0;
    bool mirrorX = false, mirrorY = false;
    if (usesSource) {
        Normalise(blit.sx, blit.sw, srcLeft, srcWidth);
        Normalise(blit.sy, blit.sh, srcTop, srcHeight);
        if (srcWidth == 0 || srcHeight == 0) {
            return TRUE;
        }
        mirrorX = (blit.dw < 0) != (blit.sw < 0);
        mirrorY = (blit.dh < 0) != (blit.sh < 0);
    }
    if (width == 0 || height == 0) {
        return TRUE;
    }

    // Only destination pixels inside the surface are visited.
    const int64_t firstColumn = left < 0 ? -left : 0;
    const int64_t endColumn = std::min<int64_t>(width, dst.width - left);
    const int64_t firstRow = top < 0 ? -top : 0;
    const int64_t endRow = std::min<int64_t>(height, dst.height - top);

    for (int64_t j = firstRow; j < endRow; ++j) {
        const int y = static_cast<int>(top + j);
        const uint32_t* sourceRow = nullptr;
        if (usesSource) {
            int64_t sy = srcTop + SourceOffset(j, height, srcHeight, mirrorY);
            if (sy < 0 || sy >= src.height) {
                continue;
            }
            sourceRow = src.Row(static_cast<int>(sy));
        }
        uint32_t* row = dst.Row(y);
        const uint32_t* tileRow = nullptr;
        if (tiled) {
            tileRow = tile.Row(((y % tile.height) + tile.height) % tile.height);
        }
        for (int64_t i = firstColumn; i < endColumn; ++i) {
            const int x = static_cast<int>(left + i);
            uint32_t s = 0;
            if (usesSource) {
                int64_t sx = srcLeft + SourceOffset(i, width, srcWidth, mirrorX);
                if (sx < 0 || sx >= src.width) {
                    continue;
                }
                s = sourceRow[sx];
                if (blit.sourceMonochrome && !blit.destinationMonochrome) {
                    bool white = ToMonochrome(ColourOf(s)) != 0;
                    s = PixelOf(white ? blit.backgroundColour : blit.textColour);
                } else if (blit.destinationMonochrome) {
                    s = MonoPixel(s);
                }
            }
            uint32_t p = solid;
            if (tiled) {
                p = tileRow[((x % tile.width) + tile.width) % tile.width];
                if (blit.destinationMonochrome) {
                    p = MonoPixel(p);
                }
            }
            uint32_t result = kOpaque | Rop3Word(table, p, s, row[x]);
            if (blit.destinationMonochrome) {
                result = MonoPixel(result);
            }
            row[x] = result;
        }
    }
    cairo_surface_mark_dirty(blit.destination);
    return TRUE;
}

void ApplyRop2(cairo_surface_t* destination, cairo_surface_t* mask, COLORREF pen, int rop2,
               bool destinationMonochrome)
{
    PixelView dst;
    if (!ViewOf(destination, dst) || mask == nullptr
        || cairo_surface_status(mask) != CAIRO_STATUS_SUCCESS
        || cairo_surface_get_type(mask) != CAIRO_SURFACE_TYPE_IMAGE) {
        return;
    }
    cairo_format_t format = cairo_image_surface_get_format(mask);
    if (format != CAIRO_FORMAT_A8 && format != CAIRO_FORMAT_A1) {
        return;
    }
    cairo_surface_flush(mask);
    const unsigned char* maskData = cairo_image_surface_get_data(mask);
    if (maskData == nullptr) {
        return;
    }
    const int maskStride = cairo_image_surface_get_stride(mask);
    const int width = std::min(dst.width, cairo_image_surface_get_width(mask));
    const int height = std::min(dst.height, cairo_image_surface_get_height(mask));

    uint32_t p = PixelOf(destinationMonochrome ? ToMonochrome(pen) : pen);
    for (int y = 0; y < height; ++y) {
        const unsigned char* maskRow = maskData + static_cast<size_t>(y) * maskStride;
        uint32_t* row = dst.Row(y);
        for (int x = 0; x < width; ++x) {
            bool covered;
            if (format == CAIRO_FORMAT_A8) {
                covered = maskRow[x] >= 128;
            } else {
                // A1 packs 32 pixels per native-endian word, the first pixel
                // in the low bit on little-endian machines.
                uint32_t word;
                std::memcpy(&word, maskRow + (x / 32) * 4, sizeof word);
                int bit = x % 32;
                if constexpr (__BYTE_ORDER__ == __ORDER_BIG_ENDIAN__) {
                    bit = 31 - bit;
                }
                covered = (word >> bit) & 1;
            }
            if (!covered) {
                continue;
            }
            uint32_t result = kOpaque | Rop2Word(rop2, p, row[x]);
            if (destinationMonochrome) {
                result = MonoPixel(result);
            }
            row[x] = result;
        }
    }
    cairo_surface_mark_dirty(destination);
}

void MakeMonochrome(cairo_surface_t* surface)
{
    PixelView view;
    if (!ViewOf(surface, view)) {
        return;
    }
    for (int y = 0; y < view.height; ++y) {
        uint32_t* row = view.Row(y);
        for (int x = 0; x < view.width; ++x) {
            row[x] = MonoPixel(row[x]);
        }
    }
    cairo_surface_mark_dirty(surface);
}

} // namespace kvpix
