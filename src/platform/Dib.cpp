#include "Dib.h"
#include "LittleEndian.h"

#include <algorithm>

namespace kvdib {

namespace {

constexpr DWORD kInfoHeaderSize = 40;
constexpr DWORD kCoreHeaderSize = 12;
// Sizes beyond these come from damaged files, not from real pictures.
constexpr int64_t kMaxSide = 16384;
constexpr int64_t kMaxPixelBytes = int64_t{256} * 1024 * 1024;

uint32_t PixelOf(const RGBQUAD& colour)
{
    return 0xFF000000u | (static_cast<uint32_t>(colour.rgbRed) << 16)
           | (static_cast<uint32_t>(colour.rgbGreen) << 8) | colour.rgbBlue;
}

int64_t AbsHeight(const Header& header)
{
    int64_t height = header.height;
    return height < 0 ? -height : height;
}

} // namespace

void ReadInfoHeader(const BYTE* p, BITMAPINFOHEADER& h)
{
    h.biSize = GetDword(p);
    h.biWidth = static_cast<LONG>(GetDword(p + 4));
    h.biHeight = static_cast<LONG>(GetDword(p + 8));
    h.biPlanes = GetWord(p + 12);
    h.biBitCount = GetWord(p + 14);
    h.biCompression = GetDword(p + 16);
    h.biSizeImage = GetDword(p + 20);
    h.biXPelsPerMeter = static_cast<LONG>(GetDword(p + 24));
    h.biYPelsPerMeter = static_cast<LONG>(GetDword(p + 28));
    h.biClrUsed = GetDword(p + 32);
    h.biClrImportant = GetDword(p + 36);
}

void WriteInfoHeader(BYTE* p, const BITMAPINFOHEADER& h)
{
    PutDword(p, h.biSize);
    PutDword(p + 4, static_cast<DWORD>(h.biWidth));
    PutDword(p + 8, static_cast<DWORD>(h.biHeight));
    PutWord(p + 12, h.biPlanes);
    PutWord(p + 14, h.biBitCount);
    PutDword(p + 16, h.biCompression);
    PutDword(p + 20, h.biSizeImage);
    PutDword(p + 24, static_cast<DWORD>(h.biXPelsPerMeter));
    PutDword(p + 28, static_cast<DWORD>(h.biYPelsPerMeter));
    PutDword(p + 32, h.biClrUsed);
    PutDword(p + 36, h.biClrImportant);
}

bool ParseHeader(const BYTE* info, size_t available, Header& header)
{
    header = Header{};
    if (info == nullptr || available < 4) {
        return false;
    }
    const DWORD size = GetDword(info);
    if (size == kInfoHeaderSize) {
        if (available < kInfoHeaderSize) {
            return false;
        }
        BITMAPINFOHEADER stored;
        ReadInfoHeader(info, stored);
        header.headerSize = size;
        header.width = stored.biWidth;
        header.height = stored.biHeight;
        header.bitCount = stored.biBitCount;
        header.compression = stored.biCompression;
        header.sizeImage = stored.biSizeImage;
        header.colorsUsed = stored.biClrUsed;
    } else if (size == kCoreHeaderSize) {
        if (available < kCoreHeaderSize) {
            return false;
        }
        // Core headers have unsigned sides, always bottom-up, and no
        // compression or colour count.
        header.headerSize = size;
        header.width = GetWord(info + 4);
        header.height = GetWord(info + 6);
        header.bitCount = GetWord(info + 10);
    } else {
        return false;
    }

    const size_t count = ColourCount(header);
    const size_t entrySize = size == kCoreHeaderSize ? 3 : 4;
    if ((available - size) / entrySize < count) {
        header.colours.clear();
        return false;
    }
    header.colours.resize(count);
    const BYTE* entry = info + size;
    for (size_t i = 0; i < count; ++i, entry += entrySize) {
        RGBQUAD& colour = header.colours[i];
        colour.rgbBlue = entry[0];
        colour.rgbGreen = entry[1];
        colour.rgbRed = entry[2];
        colour.rgbReserved = 0;
    }
    return true;
}

DWORD ColourCount(const Header& header)
{
    if (header.bitCount != 1 && header.bitCount != 4 && header.bitCount != 8) {
        return 0;
    }
    const DWORD full = DWORD{1} << header.bitCount;
    if (header.colorsUsed == 0) {
        return full;
    }
    return std::min(header.colorsUsed, full);
}

size_t Stride(const Header& header)
{
    if (header.width <= 0) {
        return 0;
    }
    const uint64_t bits = static_cast<uint64_t>(header.width) * header.bitCount;
    return static_cast<size_t>((bits + 31) / 32 * 4);
}

bool Decodable(const Header& header)
{
    if (header.compression != BI_RGB) {
        return false;
    }
    if (header.bitCount != 1 && header.bitCount != 4 && header.bitCount != 8
        && header.bitCount != 24) {
        return false;
    }
    const int64_t width = header.width;
    const int64_t height = AbsHeight(header);
    if (width <= 0 || height == 0 || width > kMaxSide || height > kMaxSide) {
        return false;
    }
    return width * height * 4 <= kMaxPixelBytes;
}

UINT DecodeRows(const Header& header, const BYTE* bits, UINT startScan, UINT lines,
                std::vector<uint32_t>& pixels)
{
    if (bits == nullptr || !Decodable(header)) {
        return 0;
    }
    const int64_t width = header.width;
    const int64_t height = AbsHeight(header);
    const size_t total = static_cast<size_t>(width * height);
    if (pixels.size() != total) {
        pixels.assign(total, 0xFF000000u);
    }
    if (startScan >= height) {
        return 0;
    }
    const UINT count = static_cast<UINT>(std::min<int64_t>(lines, height - startScan));
    const size_t stride = Stride(header);
    const bool topDown = header.height < 0;
    const std::vector<RGBQUAD>& table = header.colours;

    // Indexes past the end of a short table give black, as nothing beyond
    // the table is read.
    auto indexed = [&table](unsigned index) {
        return index < table.size() ? PixelOf(table[index]) : 0xFF000000u;
    };

    for (UINT k = 0; k < count; ++k) {
        const BYTE* in = bits + static_cast<size_t>(k) * stride;
        const int64_t scan = static_cast<int64_t>(startScan) + k;
        const int64_t y = topDown ? scan : height - 1 - scan;
        uint32_t* out = pixels.data() + static_cast<size_t>(y * width);
        for (int64_t x = 0; x < width; ++x) {
            switch (header.bitCount) {
            case 1:
                out[x] = indexed((in[x / 8] >> (7 - x % 8)) & 1);
                break;
            case 4:
                out[x] = indexed((in[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0x0F);
                break;
            case 8:
                out[x] = indexed(in[x]);
                break;
            default: {
                const BYTE* p = in + x * 3;
                out[x] = 0xFF000000u | (static_cast<uint32_t>(p[2]) << 16)
                         | (static_cast<uint32_t>(p[1]) << 8) | p[0];
                break;
            }
            }
        }
    }
    return count;
}

} // namespace kvdib
