#pragma once
// The font engine under the device contexts: the registry of font families
// (fontconfig's scalable families, privately added font files, the test
// faces and the music-font stand-in), face matching, and realised fonts that
// measure and draw text in device pixels.
//
// Device contexts use it this way: on TextOut and on every query, they
// realise the selected LOGFONT at its device height (the logical height
// mapped through the DC's scale) and ask the realised font for metrics,
// advances and ink.

#include "GdiTypes.h"

#include <cairo.h>

#include <memory>
#include <string>
#include <vector>

namespace kvfont {

// One row of the enumeration: a family in one character set.
struct FamilyEntry {
    std::string face;       // family name, at most 31 bytes
    std::string script;     // "Western", "Cyrillic", ...
    BYTE charset = ANSI_CHARSET;
    BYTE pitchAndFamily = VARIABLE_PITCH | FF_DONTCARE;
    DWORD fontType = TRUETYPE_FONTTYPE;
    DWORD codePageBits = 0; // OS/2 ulCodePageRange1
    LONG weight = FW_NORMAL;
    bool italic = false;
    std::string style;      // "Regular", "Bold", ...
};

// Every family of the registry, in enumeration order: families in byte order
// of face name, then charsets in bit order. With `perCharset` false each
// family appears once (in its first charset).
std::vector<FamilyEntry> EnumerateFamilies(bool perCharset);

// The styles of one family (for EnumFontFamiliesA with a face name), one row
// each; empty when the family is unknown. Face names match ignoring case.
std::vector<FamilyEntry> EnumerateStyles(const std::string& face);

// Test hook: replaces the fontconfig scan with a fixed list (null restores
// the scan). The rows are copied and sorted into enumeration order. Private
// registrations and the test faces still join the list.
void SetFixedFamilyList(const std::vector<FamilyEntry>* families);

// The rows of one family for its OS/2 code-page bits: `family` copied once
// per character set the bits name, in bit order, with charset, script and
// codePageBits filled in. Without any known bit the family gets one row in
// `fallbackCharset`.
std::vector<FamilyEntry> CharsetRows(const FamilyEntry& family, DWORD codePageBits, BYTE fallbackCharset);

// The fontconfig scan is done once per process; this drops it, so that the
// next enumeration scans again (after fonts were installed, say).
void ResetFontScan();

// Private font files. AddFontResource returns the number of faces added;
// RemoveFontResource TRUE when a registration was removed. Each add needs one
// remove. The name resolves through the path mapping.
int AddFontResource(const char* name);
BOOL RemoveFontResource(const char* name);

// The text test face "KvTest" (installed by tests only), and the switch that
// routes every face other than "ZelvoraB" to it.
void InstallTestFaces(bool installed);
void RouteTextFacesToTestFace(bool route);

// A font realised at a device size. Immutable; shared by the DCs that use
// it. All numbers are device pixels.
class RealizedFont {
public:
    virtual ~RealizedFont();

    const std::string& RequestedFace() const { return m_requestedFace; }
    // The face that serves the request ("Liberation Serif" for "Times New
    // Roman", "KvTest", "ZelvoraB", ...).
    const std::string& ResolvedFace() const { return m_resolvedFace; }
    // The font's metrics in device pixels, as GetTextMetrics reports them
    // under a 1:1 mapping.
    const TEXTMETRICA& Metrics() const { return m_metrics; }
    // TRUE for the music font, whose code units fold onto glyph codes.
    virtual bool IsMusic() const { return false; }

    // TextOutA bytes as code units: decoded by the font's character set (0
    // Windows-1252, 1 the ANSI code page, 2 the bytes as codes, the other
    // charsets by their code pages). The music stand-in raises each byte b
    // to its wide unit (0x100 + b, or b for 0xF1-0xF9), so that bytes and
    // wide units fold alike, while bare wide units below 0x100 fold nowhere.
    virtual std::u16string DecodeBytes(const char* bytes, int count) const = 0;

    // Advance of each unit, rounded to whole device pixels per glyph; no
    // kerning. The text extent is their sum.
    virtual int Advance(char16_t unit) const = 0;
    int TextWidth(const std::u16string& units) const;

    // The glyph codes of the music font for each unit (-1 when a unit has
    // none); empty for text fonts. For the log of recording DCs.
    virtual std::vector<int> MusicCodes(const std::u16string& units) const;

    // Draws the units in the cairo context's current source, with the
    // baseline's left end at (x, y) in device pixels. Rotation by the
    // LOGFONT's escapement and the horizontal stretch are applied about
    // (x, y). Underline and strike-out draw their lines.
    virtual void Render(cairo_t* cr, double x, double y, const std::u16string& units) const = 0;

protected:
    std::string m_requestedFace;
    std::string m_resolvedFace;
    TEXTMETRICA m_metrics {};
};

// Realises `logFont` with its height given in device pixels (the logical
// lfHeight mapped through the DC's vertical scale, sign kept: negative is the
// em, positive the cell, 0 means 16 px) and a horizontal stretch (1 for equal
// scales). Never null: an unknown face falls back as matching says.
std::shared_ptr<const RealizedFont> Realize(const LOGFONTA& logFont, LONG deviceHeight, double xStretch);

} // namespace kvfont
