#pragma once
// The vector shapes of the music-font stand-in: the pieces that Emmentaler
// has no glyph for (bar lines, staff pieces, stems, fret-board pieces, ...).
// Coordinates are staff spaces with y downwards and the origin at the
// baseline's left end; every shape fills in the context's current source.

#include <cairo.h>

#include <string>
#include <vector>

namespace kvmusic {

// Stem thickness, shared by the stem shapes and the flag placement.
constexpr double kStemThickness = 0.13;

struct Shape {
    enum class Kind {
        VBar, HBar, StemUp, StemDown, Staff5, Staff1, Barline, BraceUpper, BraceLower,
        Slide, Percent, Colon, Dots2, FretGrid, FretX, FretO, FretDot, Barre, Box
    };
    Kind kind = Kind::VBar;
    std::vector<double> numbers;
    std::string word;   // barline variant, slide direction, fret-grid nut
};

// Parses "NAME args..." (the `what` of a draw entry); false when the name is
// unknown or the arguments do not fit it.
bool ParseShape(const std::string& text, Shape* shape);

// The shape's own advance in staff spaces.
double ShapeAdvance(const Shape& shape);

// Draws the shape with the current transformation taken as staff spaces.
void DrawShape(cairo_t* cr, const Shape& shape);

} // namespace kvmusic
