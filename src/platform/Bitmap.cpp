// Bitmaps: device-dependent ones from bits, compatible ones, and DIBs
// decoded by kvdib.

#include "Dib.h"
#include "GdiInternal.h"
#include "LittleEndian.h"
#include "PixelOps.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

using namespace kvgdi;

namespace {

uint32_t* Row(cairo_surface_t* surface, int y)
{
    return reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(surface) +
                                       y * cairo_image_surface_get_stride(surface));
}



// The bytes of a BITMAPINFO that the header and its colour table take: the
// parser reads no further.
size_t InfoBytes(const BITMAPINFO* info)
{
    const BYTE* p = reinterpret_cast<const BYTE*>(info);
    const DWORD size = GetDword(p);
    if (size == sizeof(BITMAPCOREHEADER)) {
        const WORD bits = GetWord(p + 10);
        return size + (bits <= 8 ? (size_t(1) << bits) * 3 : 0);
    }
    if (size < sizeof(BITMAPINFOHEADER))
        return size;
    const WORD bits = GetWord(p + 14);
    const DWORD used = GetDword(p + 32);
    size_t count = bits <= 8 ? size_t(1) << bits : 0;
    if (used != 0)
        count = std::min<size_t>(used, bits <= 8 ? count : 256);
    return size + std::min<size_t>(count, 256) * 4;
}

void CopyRows(BitmapObject* bitmap, const kvdib::Header& header, const std::vector<uint32_t>& pixels, UINT first,
              UINT count)
{
    const int width = std::min<int>(bitmap->width, header.width);
    const int height = std::abs(header.height);
    cairo_surface_flush(bitmap->surface);
    for (UINT i = 0; i < count; ++i) {
        const UINT scan = first + i;
        // Scan lines count from the bottom of bottom-up images.
        const int top = header.height > 0 ? height - 1 - int(scan) : int(scan);
        if (top < 0 || top >= height || top >= bitmap->height)
            continue;
        std::memcpy(Row(bitmap->surface, top), pixels.data() + size_t(top) * size_t(header.width),
                    size_t(width) * 4);
    }
    cairo_surface_mark_dirty(bitmap->surface);
    if (bitmap->monochrome)
        kvpix::MakeMonochrome(bitmap->surface);
    // Pixels from a file: no display item describes them.
    kvrec::DisplayItem item;
    item.kind = kvrec::DisplayItem::Image;
    item.area = RECT {0, 0, bitmap->width, bitmap->height};
    bitmap->displayList.push_back(std::move(item));
    bitmap->rasterContent = true;
}

} // namespace

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits)
{
    const UINT depth = planes * bitsPerPixel;
    if (planes == 0 || planes > 32 || bitsPerPixel == 0 || bitsPerPixel > 32)
        return nullptr;
    HBITMAP handle = NewBitmap(width, height, depth == 1);
    BitmapObject* bitmap = LookupBitmap(handle);
    if (!bitmap || !bits)
        return handle;
    // Device-dependent rows are padded to 16 bits.
    const BYTE* data = static_cast<const BYTE*>(bits);
    cairo_surface_flush(bitmap->surface);
    if (depth == 1 || depth == 24 || depth == 32) {
        const size_t stride = (size_t(width) * depth + 15) / 16 * 2;
        for (int y = 0; y < height; ++y) {
            const BYTE* row = data + size_t(y) * stride;
            uint32_t* out = Row(bitmap->surface, y);
            for (int x = 0; x < width; ++x) {
                if (depth == 1) {
                    const bool white = (row[x / 8] >> (7 - x % 8)) & 1;
                    out[x] = white ? 0xFFFFFFFF : 0xFF000000;
                } else {
                    const BYTE* p = row + size_t(x) * (depth / 8);
                    out[x] = 0xFF000000 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
                }
            }
        }
    }
    cairo_surface_mark_dirty(bitmap->surface);
    bitmap->rasterContent = true;
    return handle;
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height)
{
    bool monochrome = false;
    if (hdc) {
        const HDC__* dc = LookupDC(hdc);
        if (!dc)
            return nullptr;
        // A memory DC still on its monochrome bitmap makes monochrome ones.
        monochrome = IsMonochrome(dc);
    }
    return NewBitmap(width, height, monochrome);
}

HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT)
{
    if (!header || (hdc && !LookupDC(hdc)))
        return nullptr;
    LONG width = header->biWidth;
    LONG height = header->biHeight;
    if (header->biSize == sizeof(BITMAPCOREHEADER)) {
        const auto* core = reinterpret_cast<const BITMAPCOREHEADER*>(header);
        width = core->bcWidth;
        height = core->bcHeight;
    }
    if (height == INT32_MIN)
        return nullptr;
    HBITMAP handle = NewBitmap(width, std::abs(height), false);
    BitmapObject* bitmap = LookupBitmap(handle);
    if (!bitmap || !(init & CBM_INIT) || !bits || !info)
        return handle;
    kvdib::Header parsed;
    if (!kvdib::ParseHeader(reinterpret_cast<const BYTE*>(info), InfoBytes(info), parsed) ||
        !kvdib::Decodable(parsed))
        return handle;
    std::vector<uint32_t> pixels(size_t(parsed.width) * size_t(std::abs(parsed.height)), 0xFF000000);
    const UINT lines = UINT(std::abs(parsed.height));
    const UINT done = kvdib::DecodeRows(parsed, static_cast<const BYTE*>(bits), 0, lines, pixels);
    if (done > 0)
        CopyRows(bitmap, parsed, pixels, 0, done);
    return handle;
}

int SetDIBits(HDC hdc, HBITMAP hbitmap, UINT startScan, UINT lines, const void* bits, const BITMAPINFO* info,
              UINT)
{
    BitmapObject* bitmap = LookupBitmap(hbitmap);
    if ((hdc && !LookupDC(hdc)) || !bitmap || !bits || !info)
        return 0;
    kvdib::Header parsed;
    if (!kvdib::ParseHeader(reinterpret_cast<const BYTE*>(info), InfoBytes(info), parsed) ||
        !kvdib::Decodable(parsed))
        return 0;
    const UINT height = UINT(std::abs(parsed.height));
    if (startScan >= height)
        return 0;
    lines = std::min(lines, height - startScan);
    if (size_t(parsed.width) * height > size_t(16384) * 16384)
        return 0;
    std::vector<uint32_t> pixels(size_t(parsed.width) * height, 0xFF000000);
    const UINT done = kvdib::DecodeRows(parsed, static_cast<const BYTE*>(bits), startScan, lines, pixels);
    if (done > 0)
        CopyRows(bitmap, parsed, pixels, startScan, done);
    return static_cast<int>(done);
}
