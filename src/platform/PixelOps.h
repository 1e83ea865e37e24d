#pragma once
// Raster operations done in software on ARGB32 image surfaces (alpha kept
// opaque), because Cairo's operators are not bitwise: the ternary operations
// of blits, the binary operations of pen and brush output, and the colour
// rules of monochrome bitmaps.

#include "GdiTypes.h"

#include <cairo.h>

#include <cstdint>

namespace kvpix {

// A pixel of an ARGB32 surface (0xAARRGGBB) and a COLORREF (0x00BBGGRR).
uint32_t PixelOf(COLORREF colour);
COLORREF ColourOf(uint32_t pixel);

// The nearer of black and white: luminance (0.299 R + 0.587 G + 0.114 B)
// of at least 128 is white.
COLORREF ToMonochrome(COLORREF colour);

// The result of ternary raster operation `rop` (bits 16-23 are its truth
// table) on one channel's bits: pattern, source and destination.
uint8_t Rop3Bits(DWORD rop, uint8_t pattern, uint8_t source, uint8_t destination);
// The same for the 16 binary operations (R2_BLACK ... R2_WHITE) of pen P on
// destination D.
uint8_t Rop2Bits(int rop2, uint8_t pen, uint8_t destination);

// TRUE when the operation reads the source (the truth table depends on S).
bool RopUsesSource(DWORD rop);
bool RopUsesPattern(DWORD rop);

// The pattern of a blit: a solid colour, or a bitmap tiled from the
// destination's device origin.
struct Pattern {
    COLORREF colour = 0;
    cairo_surface_t* tile = nullptr; // ARGB32; when set, it wins over colour
};

// A blit in device pixels. The destination rectangle is (dx, dy, dw, dh);
// the source rectangle (sx, sy, sw, sh) is stretched onto it by nearest
// neighbour, and negative widths or heights mirror. Source pixels outside
// the source surface are never read (that part of the rectangle is left
// out). Destination pixels outside the destination surface are skipped.
struct Blit {
    cairo_surface_t* destination = nullptr;
    int dx = 0, dy = 0, dw = 0, dh = 0;
    cairo_surface_t* source = nullptr; // null when the operation needs none
    int sx = 0, sy = 0, sw = 0, sh = 0;
    Pattern pattern;
    DWORD rop = SRCCOPY;
    // A monochrome source maps black (0) bits to the destination's text
    // colour and white (1) bits to its background colour when the
    // destination is in colour.
    bool sourceMonochrome = false;
    bool destinationMonochrome = false;
    COLORREF textColour = 0;
    COLORREF backgroundColour = 0x00FFFFFF;
};
// Returns FALSE for a bad argument (no destination, a source missing where
// the operation needs one); TRUE otherwise, even when nothing was in range.
BOOL ApplyBlit(const Blit& blit);

// Combines pen output with the destination under `rop2`: every pixel whose
// mask coverage is at least half (A8 or A1 mask of the destination's size)
// becomes rop2(pen, destination). A monochrome destination gets the
// monochrome pen colour and stays black and white.
void ApplyRop2(cairo_surface_t* destination, cairo_surface_t* mask, COLORREF pen, int rop2,
               bool destinationMonochrome);

// Turns every pixel of the surface into black or white (ToMonochrome).
void MakeMonochrome(cairo_surface_t* surface);

} // namespace kvpix
