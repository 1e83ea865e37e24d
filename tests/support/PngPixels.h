#pragma once
// A PNG that a picture test wrote, read back with Cairo's reader, and the
// questions the tests ask of its pixels: ink (anything not white) at a
// point, its colour, and runs of ink along a row or a column.

#include <cairo.h>

#include <cstdint>
#include <string>

namespace kvtest {

class PngPixels {
public:
    explicit PngPixels(const std::string& path) : m_png(cairo_image_surface_create_from_png(path.c_str())) {}
    ~PngPixels() { cairo_surface_destroy(m_png); }
    PngPixels(const PngPixels&) = delete;
    PngPixels& operator=(const PngPixels&) = delete;

    bool Ok() const { return cairo_surface_status(m_png) == CAIRO_STATUS_SUCCESS; }
    int Width() const { return cairo_image_surface_get_width(m_png); }
    int Height() const { return cairo_image_surface_get_height(m_png); }
    // The pixel as 0x00RRGGBB.
    uint32_t Rgb(int x, int y) const
    {
        const unsigned char* row = cairo_image_surface_get_data(m_png) + y * cairo_image_surface_get_stride(m_png);
        return *reinterpret_cast<const uint32_t*>(row + 4 * x) & 0x00FFFFFF;
    }
    bool Ink(int x, int y) const { return Rgb(x, y) != 0x00FFFFFF; }
    // Separate runs of ink from `from` to `to` (inclusive) along a row or a
    // column.
    int Runs(bool alongRow, int fixed, int from, int to) const
    {
        int runs = 0;
        bool inside = false;
        for (int i = from; i <= to; ++i) {
            const bool ink = alongRow ? Ink(i, fixed) : Ink(fixed, i);
            runs += ink && !inside;
            inside = ink;
        }
        return runs;
    }

private:
    cairo_surface_t* m_png;
};

} // namespace kvtest
