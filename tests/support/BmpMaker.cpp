// BMP files and image records built byte by byte.

#include "support/BmpMaker.h"

#include "platform/LittleEndian.h"

namespace kvtest {

namespace {

void Word(std::vector<BYTE>& out, WORD value)
{
    out.push_back(BYTE(value));
    out.push_back(BYTE(value >> 8));
}

void Dword(std::vector<BYTE>& out, DWORD value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(BYTE(value >> (8 * i)));
}

} // namespace

std::vector<BYTE> MakeBmp(const BmpShape& shape)
{
    const DWORD entries = shape.clrUsed ? shape.clrUsed : (shape.bitCount <= 8 ? 1u << shape.bitCount : 0);
    const DWORD stride = ((DWORD(shape.width) * shape.bitCount + 31) / 32) * 4;
    const DWORD rows = DWORD(shape.height < 0 ? -shape.height : shape.height);
    std::vector<BYTE> bits = shape.bits;
    if (bits.empty())
        bits.assign(size_t(stride) * rows, 0);
    const DWORD offBits = 14 + shape.headerSize + entries * 4 + shape.gap;
    const DWORD length = offBits + DWORD(bits.size());

    std::vector<BYTE> out;
    Word(out, 0x4D42);
    Dword(out, shape.fileSize.value_or(length));
    Word(out, shape.scaleX);
    Word(out, shape.scaleY);
    Dword(out, offBits);
    Dword(out, shape.headerSize);
    Dword(out, DWORD(shape.width));
    Dword(out, DWORD(shape.height));
    Word(out, 1);
    Word(out, shape.bitCount);
    Dword(out, shape.compression);
    Dword(out, shape.sizeImage);
    Dword(out, 2835);
    Dword(out, 2835);
    Dword(out, shape.clrUsed);
    Dword(out, 0);
    out.resize(14 + std::max<DWORD>(shape.headerSize, 40), 0);
    out.resize(14 + shape.headerSize);
    for (DWORD i = 0; i < entries; ++i)
        Dword(out, i < shape.colours.size() ? shape.colours[i] : 0);
    out.resize(out.size() + shape.gap, 0xEE);
    out.insert(out.end(), bits.begin(), bits.end());
    return out;
}

std::vector<BYTE> MakeImageRecord(LONG x, LONG y, LONG width, LONG height, const BmpShape& shape)
{
    std::vector<BYTE> out;
    for (LONG v : {x, y, width, height})
        Dword(out, DWORD(v));
    const std::vector<BYTE> bmp = MakeBmp(shape);
    out.insert(out.end(), bmp.begin(), bmp.end());
    return out;
}

} // namespace kvtest
