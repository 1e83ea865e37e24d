#pragma once
// The log of a device context with recording switched on: every drawing call
// and state change in order, with the state it ran under, plus warnings and
// queries over the entries. Tests assert drawing through it, and the one-line
// dump serves failure messages and golden files.

#include "GdiTypes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kvfont {
class RealizedFont;
}

namespace kvrec {

// One element of a path in device pixels.
struct PathOp {
    enum Kind { Move, Line, Curve, Close };
    Kind kind = Move;
    double x[3] = {0, 0, 0};
    double y[3] = {0, 0, 0};
};

// Something drawn into a memory DC since its last full erase, in that DC's
// device pixels. Blits onto vector and recording targets replay these.
struct DisplayItem {
    enum Kind { Path, Text, Image };
    Kind kind = Path;
    // Path: the outline, its fill and its stroke.
    std::vector<PathOp> path;
    bool fill = false;
    COLORREF fillColour = 0;
    int fillRule = ALTERNATE;
    bool stroke = false;
    COLORREF strokeColour = 0;
    double strokeWidth = 1;
    std::vector<double> dashes;
    UINT cap = PS_ENDCAP_FLAT;
    UINT join = PS_JOIN_MITER;
    // Text: the baseline's left end, the units and the font that drew them.
    std::shared_ptr<const kvfont::RealizedFont> font;
    std::u16string units;
    double x = 0;
    double y = 0;
    COLORREF colour = 0;
    std::vector<int> glyphs; // music glyph codes, -1 where a unit has none
    int em = 0;              // device em of the font
    // Image: pixels that no item describes (a DIB, a blit); the rectangle.
    RECT area {0, 0, 0, 0};
};

// A music glyph drawn: its code, the glyph origin (the baseline's left end of
// its advance) in logical and device units, its colour and its device em.
struct GlyphHit {
    int code = 0;
    POINT logical {0, 0};
    POINT device {0, 0};
    COLORREF colour = 0;
    int em = 0;
};

struct Entry {
    int seq = 0;
    std::string call;
    BOOL result = TRUE;
    // Arguments: points and rectangle corners as passed, and mapped.
    std::vector<POINT> logical;
    std::vector<POINT> device;
    std::vector<LONG> values; // other numbers (new values of setters, counts)
    // Text.
    std::string bytes;        // TextOutA
    std::u16string units;     // TextOutW, or the decoded bytes
    std::vector<int> glyphs;  // music glyph codes
    std::string requestedFace;
    std::string resolvedFace;
    LOGFONTA font {};
    // Colours and text state.
    COLORREF textColour = 0;
    COLORREF bkColour = 0;
    int bkMode = OPAQUE;
    UINT align = 0;
    // Pen and brush.
    UINT penStyle = PS_SOLID;   // the style bits (PS_STYLE_MASK)
    UINT penType = PS_COSMETIC;
    LONG penWidth = 0;
    COLORREF penColour = 0;
    std::vector<DWORD> penDashes;
    UINT penCap = PS_ENDCAP_ROUND;
    UINT penJoin = PS_JOIN_ROUND;
    UINT brushStyle = BS_SOLID;
    COLORREF brushColour = 0;
    int brushStock = -1;        // the stock index, or -1
    // Raster operations.
    int rop2 = R2_COPYPEN;
    DWORD rop3 = 0;
    HDC source = nullptr;
    RECT destRect {0, 0, 0, 0};
    RECT sourceRect {0, 0, 0, 0};
    std::vector<DisplayItem> sourceList;
    uint64_t sourceDigest = 0;
    int stretchMode = BLACKONWHITE;
    int polyFillMode = ALTERNATE;
    // Clip and mapping.
    RECT clip {0, 0, 0, 0};
    int mapMode = MM_TEXT;
    POINT windowOrg {0, 0};
    SIZE windowExt {1, 1};
    POINT viewportOrg {0, 0};
    SIZE viewportExt {1, 1};
    bool inPath = false;
    // Music glyphs this entry drew.
    std::vector<GlyphHit> glyphHits;

    // The entry as one line, e.g.
    // "TextOutW x=210 y=188 face=ZelvoraB h=-32 align=26 color=000000 glyphs=D9".
    std::string Dump() const;
};

class Recorder {
public:
    const std::vector<Entry>& Entries() const { return m_entries; }
    const std::vector<std::string>& Warnings() const { return m_warnings; }

    std::vector<GlyphHit> Glyphs() const;
    std::vector<const Entry*> Texts() const;  // TextOutA, TextOutW
    std::vector<const Entry*> Lines() const;  // LineTo, Polyline
    std::vector<const Entry*> Shapes() const; // closed shapes, fills, paths, PolyBezier
    // The entries with this call name.
    std::vector<const Entry*> Calls(const std::string& call) const;

    // One line per entry.
    std::string Dump() const;
    void Clear();

    Entry& Add(Entry entry);
    void Warn(const std::string& text) { m_warnings.push_back(text); }

private:
    std::vector<Entry> m_entries;
    std::vector<std::string> m_warnings;
    int m_nextSeq = 1;
};

// Every warning of the drawing layer since the last process reset, whether
// or not a recording DC was involved.
const std::vector<std::string>& Warnings();

// Live GDI objects by type, stock objects left out.
struct LiveCounts {
    int pens = 0;
    int brushes = 0;
    int fonts = 0;
    int bitmaps = 0;
    int palettes = 0;
    bool operator==(const LiveCounts&) const = default;
};
LiveCounts LiveObjectCounts();

} // namespace kvrec
