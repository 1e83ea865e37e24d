#include "Dib.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;

void PutWord(Bytes& b, WORD v)
{
    b.push_back(static_cast<BYTE>(v));
    b.push_back(static_cast<BYTE>(v >> 8));
}

void PutDword(Bytes& b, DWORD v)
{
    PutWord(b, static_cast<WORD>(v));
    PutWord(b, static_cast<WORD>(v >> 16));
}

Bytes InfoHeader(LONG width, LONG height, WORD bitCount, DWORD compression = BI_RGB,
                 DWORD colorsUsed = 0)
{
    Bytes b;
    PutDword(b, 40);
    PutDword(b, static_cast<DWORD>(width));
    PutDword(b, static_cast<DWORD>(height));
    PutWord(b, 1);
    PutWord(b, bitCount);
    PutDword(b, compression);
    PutDword(b, 0);
    PutDword(b, 2835);
    PutDword(b, 2835);
    PutDword(b, colorsUsed);
    PutDword(b, 0);
    return b;
}

// Entry i of a test table is (red i, green 2i, blue 3i).
void PutTable(Bytes& b, int count, int entrySize = 4)
{
    for (int i = 0; i < count; ++i) {
        b.push_back(static_cast<BYTE>(3 * i));
        b.push_back(static_cast<BYTE>(2 * i));
        b.push_back(static_cast<BYTE>(i));
        if (entrySize == 4) {
            b.push_back(0);
        }
    }
}

uint32_t Entry(int i)
{
    return 0xFF000000u | ((i & 0xFF) << 16) | (((2 * i) & 0xFF) << 8) | ((3 * i) & 0xFF);
}

std::vector<uint32_t> Decode(const Bytes& info, const Bytes& bits, UINT lines = 2)
{
    kvdib::Header header;
    EXPECT_TRUE(kvdib::ParseHeader(info.data(), info.size(), header));
    std::vector<uint32_t> pixels;
    EXPECT_EQ(kvdib::DecodeRows(header, bits.data(), 0, lines, pixels), lines);
    return pixels;
}

TEST(Dib, DecodesTwoByTwoImagesBottomUpWithPaddedRows)
{
    // The first row in the bits is the bottom one; rows are padded to 4 bytes.
    Bytes info = InfoHeader(2, 2, 1);
    PutTable(info, 2);
    EXPECT_EQ(Decode(info, {0x40, 0, 0, 0, 0x80, 0, 0, 0}),
              (std::vector<uint32_t>{Entry(1), Entry(0), Entry(0), Entry(1)}));

    info = InfoHeader(2, 2, 4);
    PutTable(info, 16);
    EXPECT_EQ(Decode(info, {0x12, 0, 0, 0, 0x3F, 0, 0, 0}),
              (std::vector<uint32_t>{Entry(3), Entry(15), Entry(1), Entry(2)}));

    info = InfoHeader(2, 2, 8);
    PutTable(info, 256);
    EXPECT_EQ(Decode(info, {5, 6, 0, 0, 7, 255, 0, 0}),
              (std::vector<uint32_t>{Entry(7), Entry(255), Entry(5), Entry(6)}));

    info = InfoHeader(2, 2, 24);
    Bytes bits = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0, 0,
                  0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0, 0};
    EXPECT_EQ(Decode(info, bits),
              (std::vector<uint32_t>{0xFF131211, 0xFF161514, 0xFF030201, 0xFF060504}));

    // Negative height: the first row is the top one.
    info = InfoHeader(2, -2, 24);
    EXPECT_EQ(Decode(info, bits),
              (std::vector<uint32_t>{0xFF030201, 0xFF060504, 0xFF131211, 0xFF161514}));
}

TEST(Dib, StrideRoundsRowsUpToFourBytes)
{
    kvdib::Header header;
    header.width = 1;
    header.bitCount = 1;
    EXPECT_EQ(kvdib::Stride(header), 4u);
    header.width = 33;
    EXPECT_EQ(kvdib::Stride(header), 8u);
    header.width = 5;
    header.bitCount = 24;
    EXPECT_EQ(kvdib::Stride(header), 16u);
    header.width = INT_MAX;
    EXPECT_EQ(kvdib::Stride(header), (uint64_t{INT_MAX} * 24 + 31) / 32 * 4);
}

TEST(Dib, UndecodableFormatsGiveNoLines)
{
    const Bytes bits(64, 0);
    struct Case {
        WORD bitCount;
        DWORD compression;
    };
    for (Case c : {Case{8, BI_RLE8}, Case{4, BI_RLE4}, Case{16, BI_RGB}, Case{32, BI_RGB},
                   Case{32, BI_BITFIELDS}, Case{16, BI_BITFIELDS}}) {
        Bytes info = InfoHeader(2, 2, c.bitCount, c.compression);
        PutTable(info, 256);
        kvdib::Header header;
        ASSERT_TRUE(kvdib::ParseHeader(info.data(), info.size(), header));
        EXPECT_FALSE(kvdib::Decodable(header));
        std::vector<uint32_t> pixels;
        EXPECT_EQ(kvdib::DecodeRows(header, bits.data(), 0, 2, pixels), 0u)
            << c.bitCount << "/" << c.compression;
    }
}

TEST(Dib, AbsurdSizesAreNotDecoded)
{
    kvdib::Header header;
    header.bitCount = 24;
    header.width = 8192;
    header.height = -8192; // 256 MiB exactly
    EXPECT_TRUE(kvdib::Decodable(header));
    header.width = 16384;
    EXPECT_FALSE(kvdib::Decodable(header));
    header.width = 16385;
    header.height = 1;
    EXPECT_FALSE(kvdib::Decodable(header));
    header.width = 1;
    header.height = INT_MIN;
    EXPECT_FALSE(kvdib::Decodable(header));
    header.width = -2;
    header.height = 2;
    EXPECT_FALSE(kvdib::Decodable(header));
    header.width = 0;
    EXPECT_FALSE(kvdib::Decodable(header));

    header.width = 16385;
    std::vector<uint32_t> pixels;
    BYTE bits[4] = {};
    EXPECT_EQ(kvdib::DecodeRows(header, bits, 0, 1, pixels), 0u);
    EXPECT_TRUE(pixels.empty());
}

TEST(Dib, ColourTablesAreClampedAndNeverOverread)
{
    // 300 colours at 8 bpp: the table holds 256, and the buffer ends there.
    Bytes info = InfoHeader(2, 2, 8, BI_RGB, 300);
    PutTable(info, 256);
    kvdib::Header header;
    ASSERT_TRUE(kvdib::ParseHeader(info.data(), info.size(), header));
    EXPECT_EQ(kvdib::ColourCount(header), 256u);
    EXPECT_EQ(header.colours.size(), 256u);
    EXPECT_EQ(header.colorsUsed, 300u);

    // A short table: indexes past it give black, and nothing past it is read.
    info = InfoHeader(2, 1, 4, BI_RGB, 3);
    PutTable(info, 3);
    ASSERT_TRUE(kvdib::ParseHeader(info.data(), info.size(), header));
    EXPECT_EQ(header.colours.size(), 3u);
    EXPECT_EQ(Decode(info, {0x29, 0, 0, 0}, 1), (std::vector<uint32_t>{Entry(2), 0xFF000000u}));

    // 24 bpp has no table.
    info = InfoHeader(2, 2, 24);
    ASSERT_TRUE(kvdib::ParseHeader(info.data(), info.size(), header));
    EXPECT_TRUE(header.colours.empty());
}

TEST(Dib, CoreHeaderWithFourBitImageDecodes)
{
    Bytes info;
    PutDword(info, 12);
    PutWord(info, 2);
    PutWord(info, 2);
    PutWord(info, 1);
    PutWord(info, 4);
    PutTable(info, 16, 3);
    ASSERT_EQ(info.size(), 12u + 48u);
    kvdib::Header header;
    ASSERT_TRUE(kvdib::ParseHeader(info.data(), info.size(), header));
    EXPECT_EQ(header.headerSize, 12u);
    EXPECT_EQ(header.colours.size(), 16u);
    EXPECT_EQ(Decode(info, {0x9A, 0, 0, 0, 0xBC, 0, 0, 0}),
              (std::vector<uint32_t>{Entry(11), Entry(12), Entry(9), Entry(10)}));
}

TEST(Dib, TruncatedHeadersAndTablesFail)
{
    Bytes info = InfoHeader(2, 2, 8);
    PutTable(info, 256);
    kvdib::Header header;
    EXPECT_FALSE(kvdib::ParseHeader(info.data(), 39, header));
    EXPECT_FALSE(kvdib::ParseHeader(info.data(), info.size() - 1, header));
    EXPECT_FALSE(kvdib::ParseHeader(info.data(), 3, header));
    EXPECT_FALSE(kvdib::ParseHeader(nullptr, 0, header));

    Bytes core;
    PutDword(core, 12);
    PutWord(core, 2);
    PutWord(core, 2);
    PutWord(core, 1);
    PutWord(core, 1);
    PutTable(core, 1, 3);
    EXPECT_FALSE(kvdib::ParseHeader(core.data(), core.size(), header));

    // Other header sizes are not read.
    Bytes odd = InfoHeader(2, 2, 24);
    odd[0] = 64;
    odd.resize(64);
    EXPECT_FALSE(kvdib::ParseHeader(odd.data(), odd.size(), header));
}

TEST(Dib, DecodesOnlyTheLinesAsked)
{
    Bytes info = InfoHeader(1, 3, 8);
    PutTable(info, 256);
    kvdib::Header header;
    ASSERT_TRUE(kvdib::ParseHeader(info.data(), info.size(), header));

    // Scan 1 of a bottom-up image is the middle row; other rows keep their
    // pixels.
    std::vector<uint32_t> pixels(3, 0xFFABCDEF);
    Bytes one = {4, 0, 0, 0};
    EXPECT_EQ(kvdib::DecodeRows(header, one.data(), 1, 1, pixels), 1u);
    EXPECT_EQ(pixels, (std::vector<uint32_t>{0xFFABCDEF, Entry(4), 0xFFABCDEF}));

    // More lines than the image has: the count is clamped, and only the rows
    // that exist are read.
    Bytes two = {5, 0, 0, 0, 6, 0, 0, 0};
    EXPECT_EQ(kvdib::DecodeRows(header, two.data(), 1, 100, pixels), 2u);
    EXPECT_EQ(pixels, (std::vector<uint32_t>{Entry(6), Entry(5), 0xFFABCDEF}));
    EXPECT_EQ(kvdib::DecodeRows(header, two.data(), 3, 1, pixels), 0u);
    EXPECT_EQ(kvdib::DecodeRows(header, nullptr, 0, 1, pixels), 0u);
}

TEST(Dib, InfoHeaderFieldsStandAtTheirOffsetsBothWays)
{
    // Every field a different value, so a field read or written at another
    // field's offset shows.
    Bytes stored;
    PutDword(stored, 40);
    PutDword(stored, static_cast<DWORD>(-300));
    PutDword(stored, static_cast<DWORD>(-200));
    PutWord(stored, 1);
    PutWord(stored, 8);
    PutDword(stored, BI_RGB);
    PutDword(stored, 60000);
    PutDword(stored, 2835);
    PutDword(stored, 3780);
    PutDword(stored, 17);
    PutDword(stored, 9);
    ASSERT_EQ(stored.size(), 40u);

    BITMAPINFOHEADER h {};
    kvdib::ReadInfoHeader(stored.data(), h);
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, -300);
    EXPECT_EQ(h.biHeight, -200);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 8);
    EXPECT_EQ(h.biCompression, DWORD(BI_RGB));
    EXPECT_EQ(h.biSizeImage, 60000u);
    EXPECT_EQ(h.biXPelsPerMeter, 2835);
    EXPECT_EQ(h.biYPelsPerMeter, 3780);
    EXPECT_EQ(h.biClrUsed, 17u);
    EXPECT_EQ(h.biClrImportant, 9u);

    Bytes written(40, 0xCC);
    kvdib::WriteInfoHeader(written.data(), h);
    EXPECT_EQ(written, stored);
}

} // namespace
