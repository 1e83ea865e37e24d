#include "PixelOps.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

namespace {

using kvpix::ApplyBlit;
using kvpix::Blit;

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kBlue = 0xFF0000FF;
constexpr uint32_t kGreen = 0xFF00FF00;

struct SurfaceDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

Surface MakeSurface(int width, int height, uint32_t fill, cairo_format_t format = CAIRO_FORMAT_ARGB32)
{
    Surface s(cairo_image_surface_create(format, width, height));
    if (format == CAIRO_FORMAT_ARGB32) {
        unsigned char* data = cairo_image_surface_get_data(s.get());
        int stride = cairo_image_surface_get_stride(s.get());
        for (int y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(data + y * stride);
            std::fill(row, row + width, fill);
        }
        cairo_surface_mark_dirty(s.get());
    }
    return s;
}

uint32_t& Px(const Surface& s, int x, int y)
{
    unsigned char* data = cairo_image_surface_get_data(s.get());
    int stride = cairo_image_surface_get_stride(s.get());
    return reinterpret_cast<uint32_t*>(data + y * stride)[x];
}

std::vector<uint32_t> Pixels(const Surface& s)
{
    std::vector<uint32_t> out;
    for (int y = 0; y < cairo_image_surface_get_height(s.get()); ++y) {
        for (int x = 0; x < cairo_image_surface_get_width(s.get()); ++x) {
            out.push_back(Px(s, x, y));
        }
    }
    return out;
}

Surface RandomSurface(int width, int height, uint32_t seed)
{
    std::mt19937 random(seed);
    Surface s = MakeSurface(width, height, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Px(s, x, y) = 0xFF000000u | (random() & 0x00FFFFFF);
        }
    }
    return s;
}

// Black and white in a pattern that is neither all one nor the other.
Surface BlackAndWhite(int width, int height)
{
    Surface s = MakeSurface(width, height, kWhite);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if ((x * 7 + y * 3) % 5 < 2) {
                Px(s, x, y) = kBlack;
            }
        }
    }
    return s;
}

Blit CopyBlit(const Surface& destination, const Surface& source, DWORD rop)
{
    Blit b;
    b.destination = destination.get();
    b.source = source ? source.get() : nullptr;
    b.dw = b.sw = cairo_image_surface_get_width(destination.get());
    b.dh = b.sh = cairo_image_surface_get_height(destination.get());
    b.rop = rop;
    return b;
}

TEST(PixelOps, MonochromeSplitsAtLuminance128)
{
    EXPECT_EQ(kvpix::ToMonochrome(0x00808080), 0x00FFFFFFu);
    EXPECT_EQ(kvpix::ToMonochrome(0x007F7F7F), 0x00000000u);
    EXPECT_EQ(kvpix::ToMonochrome(0x000000FF), 0x00000000u); // red: 76
    EXPECT_EQ(kvpix::ToMonochrome(0x0000FF00), 0x00FFFFFFu); // green: 150
    EXPECT_EQ(kvpix::ToMonochrome(0x00FF0000), 0x00000000u); // blue: 29
    EXPECT_EQ(kvpix::ToMonochrome(0x0000FFFF), 0x00FFFFFFu); // yellow: 226
}

TEST(PixelOps, EveryRopCodeFollowsItsTruthTable)
{
    // With P, S and D set to the truth table's column patterns, an operation
    // reproduces its own code.
    for (DWORD code = 0; code < 256; ++code) {
        EXPECT_EQ(kvpix::Rop3Bits(code << 16, 0xF0, 0xCC, 0xAA), code) << code;
    }
    for (int rop2 = R2_BLACK; rop2 <= R2_WHITE; ++rop2) {
        EXPECT_EQ(kvpix::Rop2Bits(rop2, 0x0C, 0x0A) & 0x0F, rop2 - 1) << rop2;
    }
    EXPECT_EQ(kvpix::Rop2Bits(R2_NOTXORPEN, 0x0F, 0x33), 0xC3);
    EXPECT_EQ(kvpix::Rop2Bits(R2_COPYPEN, 0x5A, 0x33), 0x5A);

    EXPECT_TRUE(kvpix::RopUsesSource(SRCCOPY));
    EXPECT_FALSE(kvpix::RopUsesPattern(SRCCOPY));
    EXPECT_TRUE(kvpix::RopUsesPattern(PATCOPY));
    EXPECT_FALSE(kvpix::RopUsesSource(PATCOPY));
    EXPECT_FALSE(kvpix::RopUsesSource(BLACKNESS) || kvpix::RopUsesPattern(WHITENESS));
    EXPECT_FALSE(kvpix::RopUsesSource(DSTINVERT) || kvpix::RopUsesPattern(DSTINVERT));
    EXPECT_TRUE(kvpix::RopUsesSource(ROP_DPSOXN) && kvpix::RopUsesPattern(ROP_DPSOXN));
}

TEST(PixelOps, StandardBlitsGiveTheBitwiseBytes)
{
    const COLORREF brush = 0x00336699;
    const uint32_t p = 0xFF996633;
    struct Case {
        DWORD rop;
        uint32_t (*expected)(uint32_t p, uint32_t s, uint32_t d);
    };
    const Case cases[] = {
        {SRCCOPY, [](uint32_t, uint32_t s, uint32_t) { return s; }},
        {SRCAND, [](uint32_t, uint32_t s, uint32_t d) { return s & d; }},
        {SRCPAINT, [](uint32_t, uint32_t s, uint32_t d) { return s | d; }},
        {SRCINVERT, [](uint32_t, uint32_t s, uint32_t d) { return s ^ d; }},
        {NOTSRCCOPY, [](uint32_t, uint32_t s, uint32_t) { return ~s; }},
        {PATCOPY, [](uint32_t p, uint32_t, uint32_t) { return p; }},
        {BLACKNESS, [](uint32_t, uint32_t, uint32_t) { return 0u; }},
        {WHITENESS, [](uint32_t, uint32_t, uint32_t) { return ~0u; }},
    };
    for (const Case& c : cases) {
        Surface source = RandomSurface(8, 5, 1);
        Surface destination = RandomSurface(8, 5, 2);
        std::vector<uint32_t> s = Pixels(source);
        std::vector<uint32_t> d = Pixels(destination);
        Blit b = CopyBlit(destination, source, c.rop);
        b.pattern.colour = brush;
        ASSERT_TRUE(ApplyBlit(b));
        std::vector<uint32_t> result = Pixels(destination);
        for (size_t i = 0; i < result.size(); ++i) {
            ASSERT_EQ(result[i], 0xFF000000u | c.expected(p, s[i], d[i]))
                << std::hex << "rop " << c.rop << " pixel " << i;
        }
    }
}

TEST(PixelOps, XnorBlitInvertsUnderBlackAndTwiceRestores)
{
    Surface source = BlackAndWhite(16, 9);
    Surface destination = RandomSurface(16, 9, 7);
    const std::vector<uint32_t> before = Pixels(destination);
    const std::vector<uint32_t> mask = Pixels(source);

    ASSERT_TRUE(ApplyBlit(CopyBlit(destination, source, ROP_DSXN)));
    std::vector<uint32_t> once = Pixels(destination);
    for (size_t i = 0; i < once.size(); ++i) {
        uint32_t expected = mask[i] == kBlack ? (0xFF000000u | ~before[i]) : before[i];
        ASSERT_EQ(once[i], expected) << i;
    }

    ASSERT_TRUE(ApplyBlit(CopyBlit(destination, source, ROP_DSXN)));
    EXPECT_EQ(Pixels(destination), before);
}

TEST(PixelOps, ColouredGlyphBlitGivesTheBrushColourUnderBlackOnly)
{
    Surface source = BlackAndWhite(12, 6);
    Surface destination = MakeSurface(12, 6, kWhite);
    Blit b = CopyBlit(destination, source, ROP_DPSOXN);
    b.pattern.colour = 0x000000FF;
    ASSERT_TRUE(ApplyBlit(b));
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 12; ++x) {
            uint32_t expected = Px(source, x, y) == kBlack ? kRed : kWhite;
            ASSERT_EQ(Px(destination, x, y), expected) << x << "," << y;
        }
    }
    EXPECT_EQ(kvpix::ColourOf(Px(destination, 0, 0)), 0x000000FFu);
}

TEST(PixelOps, PatternTilesFromTheDestinationOrigin)
{
    Surface tile = MakeSurface(2, 1, kBlack);
    Px(tile, 1, 0) = kWhite;
    Surface destination = MakeSurface(5, 2, kRed);
    Blit b;
    b.destination = destination.get();
    b.dx = 1;
    b.dw = 4;
    b.dh = 2;
    b.rop = PATCOPY;
    b.pattern.tile = tile.get();
    ASSERT_TRUE(ApplyBlit(b));
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(Px(destination, 0, y), kRed);
        EXPECT_EQ(Px(destination, 1, y), kWhite);
        EXPECT_EQ(Px(destination, 2, y), kBlack);
        EXPECT_EQ(Px(destination, 3, y), kWhite);
        EXPECT_EQ(Px(destination, 4, y), kBlack);
    }
}

TEST(PixelOps, StretchIsNearestNeighbourAndNegativeExtentsMirror)
{
    Surface source = MakeSurface(2, 1, kRed);
    Px(source, 1, 0) = kBlue;

    Surface wide = MakeSurface(4, 2, kWhite);
    Blit b = CopyBlit(wide, source, SRCCOPY);
    b.sw = 2;
    b.sh = 1;
    ASSERT_TRUE(ApplyBlit(b));
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(Px(wide, 0, y), kRed);
        EXPECT_EQ(Px(wide, 1, y), kRed);
        EXPECT_EQ(Px(wide, 2, y), kBlue);
        EXPECT_EQ(Px(wide, 3, y), kBlue);
    }

    // A negative destination width spans the pixels left of dx, mirrored.
    Surface mirrored = MakeSurface(4, 1, kWhite);
    b = CopyBlit(mirrored, source, SRCCOPY);
    b.dx = 4;
    b.dw = -4;
    b.sw = 2;
    b.sh = 1;
    ASSERT_TRUE(ApplyBlit(b));
    EXPECT_EQ(Pixels(mirrored), (std::vector<uint32_t>{kBlue, kBlue, kRed, kRed}));

    // Both negative: the mirrors cancel.
    Surface both = MakeSurface(2, 1, kWhite);
    b = CopyBlit(both, source, SRCCOPY);
    b.dx = 2;
    b.dw = -2;
    b.sx = 2;
    b.sw = -2;
    b.sh = 1;
    ASSERT_TRUE(ApplyBlit(b));
    EXPECT_EQ(Pixels(both), (std::vector<uint32_t>{kRed, kBlue}));

    // Shrinking a tall source upside down.
    Surface column = MakeSurface(1, 4, kRed);
    Px(column, 0, 2) = kBlue;
    Surface flipped = MakeSurface(1, 2, kWhite);
    b = CopyBlit(flipped, column, SRCCOPY);
    b.dy = 2;
    b.dh = -2;
    b.sh = 4;
    ASSERT_TRUE(ApplyBlit(b));
    EXPECT_EQ(Pixels(flipped), (std::vector<uint32_t>{kBlue, kRed}));
}

TEST(PixelOps, SourceRectangleIsClippedToTheSourceSurface)
{
    // A 1 x 1 source asked for more than it has: only its one pixel is read
    // (the sanitiser builds catch any read beyond it).
    Surface source = MakeSurface(1, 1, kGreen);
    Surface destination = MakeSurface(4, 4, kWhite);
    Blit b = CopyBlit(destination, source, SRCCOPY);
    ASSERT_TRUE(ApplyBlit(b));
    std::vector<uint32_t> expected(16, kWhite);
    expected[0] = kGreen;
    EXPECT_EQ(Pixels(destination), expected);

    // A source origin before the surface: the pixel lands one in.
    destination = MakeSurface(4, 4, kWhite);
    b = CopyBlit(destination, source, ROP_DSXN);
    b.sx = -1;
    b.sy = -1;
    ASSERT_TRUE(ApplyBlit(b));
    expected.assign(16, kWhite);
    expected[5] = kGreen;
    EXPECT_EQ(Pixels(destination), expected);

    // Stretched from far outside: nothing is read, nothing changes.
    destination = MakeSurface(4, 4, kWhite);
    b = CopyBlit(destination, source, SRCCOPY);
    b.sx = 1000;
    b.sw = 3;
    ASSERT_TRUE(ApplyBlit(b));
    EXPECT_EQ(Pixels(destination), std::vector<uint32_t>(16, kWhite));
}

TEST(PixelOps, DestinationOutsideTheSurfaceIsSkipped)
{
    Surface source = MakeSurface(3, 3, kRed);
    Surface destination = MakeSurface(2, 2, kWhite);
    Blit b = CopyBlit(destination, source, SRCCOPY);
    b.dx = -1;
    b.dy = 1;
    b.dw = b.sw = 3;
    b.dh = b.sh = 3;
    ASSERT_TRUE(ApplyBlit(b));
    EXPECT_EQ(Pixels(destination), (std::vector<uint32_t>{kWhite, kWhite, kRed, kRed}));

    b.dx = INT32_MAX - 1;
    b.dw = INT32_MAX;
    EXPECT_TRUE(ApplyBlit(b));
}

TEST(PixelOps, BlitWithinOneSurfaceReadsThePixelsAsTheyWere)
{
    Surface s = MakeSurface(4, 1, kRed);
    Px(s, 1, 0) = kGreen;
    Px(s, 2, 0) = kBlue;
    Px(s, 3, 0) = kBlack;
    Blit b;
    b.destination = b.source = s.get();
    b.dx = 1;
    b.dw = b.sw = 3;
    b.dh = b.sh = 1;
    ASSERT_TRUE(ApplyBlit(b));
    EXPECT_EQ(Pixels(s), (std::vector<uint32_t>{kRed, kRed, kGreen, kBlue}));
}

TEST(PixelOps, BlitRejectsMissingSurfaces)
{
    Surface destination = MakeSurface(2, 2, kWhite);
    Blit b;
    b.dw = b.dh = 2;
    EXPECT_FALSE(ApplyBlit(b));
    b.destination = destination.get();
    b.rop = SRCCOPY;
    EXPECT_FALSE(ApplyBlit(b));
    b.rop = BLACKNESS;
    EXPECT_TRUE(ApplyBlit(b));
    EXPECT_EQ(Px(destination, 1, 1), kBlack);
}

TEST(PixelOps, MonochromeSourceTakesTextAndBackgroundColours)
{
    Surface source = BlackAndWhite(6, 4);
    Surface destination = MakeSurface(6, 4, kWhite);
    Blit b = CopyBlit(destination, source, SRCCOPY);
    b.sourceMonochrome = true;
    b.textColour = 0x0000FF00;       // green for 0 bits
    b.backgroundColour = 0x00FF0000; // blue for 1 bits
    ASSERT_TRUE(ApplyBlit(b));
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) {
            ASSERT_EQ(Px(destination, x, y), Px(source, x, y) == kBlack ? kGreen : kBlue);
        }
    }
}

TEST(PixelOps, MonochromeDestinationStaysBlackAndWhite)
{
    Surface source = MakeSurface(3, 1, 0xFF800000); // dark red
    Px(source, 1, 0) = 0xFFFFFF00;                  // yellow
    Px(source, 2, 0) = 0xFF808080;                  // the grey at the threshold
    Surface destination = MakeSurface(3, 1, kWhite);
    Blit b = CopyBlit(destination, source, SRCCOPY);
    b.destinationMonochrome = true;
    ASSERT_TRUE(ApplyBlit(b));
    EXPECT_EQ(Pixels(destination), (std::vector<uint32_t>{kBlack, kWhite, kWhite}));

    Blit pat = CopyBlit(destination, nullptr, PATCOPY);
    pat.pattern.colour = 0x000000FF; // red is dark
    pat.destinationMonochrome = true;
    ASSERT_TRUE(ApplyBlit(pat));
    EXPECT_EQ(Pixels(destination), std::vector<uint32_t>(3, kBlack));

    Surface colour = RandomSurface(5, 5, 3);
    kvpix::MakeMonochrome(colour.get());
    for (uint32_t p : Pixels(colour)) {
        ASSERT_TRUE(p == kBlack || p == kWhite) << std::hex << p;
    }
}

Surface MaskWithRect(cairo_format_t format, int width, int height, int x, int y, int w, int h)
{
    Surface mask(cairo_image_surface_create(format, width, height));
    cairo_t* cr = cairo_create(mask.get());
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
    cairo_destroy(cr);
    cairo_surface_flush(mask.get());
    return mask;
}

TEST(PixelOps, Rop2CombinesPenWithCoveredPixelsOnly)
{
    Surface page = RandomSurface(40, 6, 11);
    const std::vector<uint32_t> before = Pixels(page);
    Surface mask = MaskWithRect(CAIRO_FORMAT_A8, 40, 6, 3, 2, 30, 2);
    // Coverage below a half leaves the pixel alone.
    unsigned char* m = cairo_image_surface_get_data(mask.get());
    m[cairo_image_surface_get_stride(mask.get()) * 2 + 3] = 127;
    cairo_surface_mark_dirty(mask.get());

    kvpix::ApplyRop2(page.get(), mask.get(), 0x00123456, R2_NOTXORPEN, false);
    std::vector<uint32_t> once = Pixels(page);
    int changed = 0;
    for (size_t i = 0; i < once.size(); ++i) {
        changed += once[i] != before[i];
    }
    EXPECT_EQ(changed, 59);
    EXPECT_EQ(Px(page, 3, 2), before[2 * 40 + 3]);
    EXPECT_EQ(Px(page, 4, 2), 0xFF000000u | ~(before[2 * 40 + 4] ^ 0xFF563412u));

    kvpix::ApplyRop2(page.get(), mask.get(), 0x00123456, R2_NOTXORPEN, false);
    EXPECT_EQ(Pixels(page), before);
}

TEST(PixelOps, Rop2CopyPenPaintsThroughA1Masks)
{
    // Pixels past the first 32-bit word of the row check the A1 bit order.
    Surface page = MakeSurface(40, 3, kWhite);
    Surface mask = MaskWithRect(CAIRO_FORMAT_A1, 40, 3, 30, 1, 5, 1);
    kvpix::ApplyRop2(page.get(), mask.get(), 0x000000FF, R2_COPYPEN, false);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 40; ++x) {
            bool inside = y == 1 && x >= 30 && x < 35;
            ASSERT_EQ(Px(page, x, y), inside ? kRed : kWhite) << x << "," << y;
        }
    }
}

TEST(PixelOps, Rop2OnMonochromeKeepsBlackAndWhite)
{
    Surface page = MakeSurface(4, 1, kWhite);
    Px(page, 1, 0) = kBlack;
    Surface mask = MaskWithRect(CAIRO_FORMAT_A8, 4, 1, 0, 0, 3, 1);
    kvpix::ApplyRop2(page.get(), mask.get(), 0x00C8C8C8, R2_XORPEN, true);
    EXPECT_EQ(Pixels(page), (std::vector<uint32_t>{kBlack, kWhite, kBlack, kWhite}));
    kvpix::ApplyRop2(page.get(), mask.get(), 0x000000FF, R2_COPYPEN, true);
    EXPECT_EQ(Pixels(page), (std::vector<uint32_t>{kBlack, kBlack, kBlack, kWhite}));
}

} // namespace
