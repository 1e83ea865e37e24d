#pragma once
// The rows of data/zelvorab-map.txt as the build compiles them (see
// cmake/GenerateGlyphMap.cmake). The syntax is checked at build time; the
// music-font stand-in parses the `what` field of each row once.

namespace kvmusic {

struct GlyphMapRow {
    int code;
    const char* align;    // "L", "R" or "LR"
    bool autoAdvance;     // advance = the content's own advance x scale
    double advance;       // staff spaces (when not auto)
    double dx;            // staff spaces, y downwards
    double dy;
    double scale;
    const char* kind;     // glyph, seq, text, blank, draw
    const char* what;     // the rest of the line
    int line;             // line number in the data file, for messages
};

extern const GlyphMapRow kGlyphMapRows[];
extern const int kGlyphMapRowCount;

} // namespace kvmusic
