#pragma once
// The stand-in for the music font "ZelvoraB": Emmentaler glyphs (and a few
// shapes of our own) placed at the font's glyph codes through the glyph map
// compiled from data/zelvorab-map.txt.
//
// A code b arrives as the wide unit 0x100 + b (b itself for 0xF1-0xF9), as
// the ANSI byte b, or as a raised custom-symbol text item; all fold onto b's
// entry, so measuring and drawing agree. Units that fold nowhere, and codes
// without an entry, draw nothing and have advance 0.
//
// Sizes: the em is the font's |lfHeight| in device pixels (1 em = 4 staff
// spaces); the cell has ascent 1.5 em and descent 1 em.

#include "WinTypes.h"

#include <cairo.h>

#include <map>
#include <string>
#include <vector>

namespace kvmusic {

// The glyph code of a code unit, or -1. Wide units 0x100-0x1FF fold to their
// low byte and units 0xF1-0xF9 to themselves; anything else to -1 (so
// TextOutW of U+0041 draws nothing). The text side raises an ANSI byte b to
// the unit 0x100 + b before folding.
int FoldUnit(char16_t unit);

// TRUE when the map has an entry for the code.
bool HasEntry(int code);
// Every code with an entry, ascending.
std::vector<int> MappedCodes();

// The alignments an entry declares: any of 'L', 'R' ("LR" for heads).
std::string DeclaredAlignments(int code);

// TRUE when Emmentaler was found; without it the stand-in cannot register.
bool Available();
// The Emmentaler file used (empty when none).
std::string EmmentalerPath();

// Advance of a code at em `em` device pixels (0 for codes without an entry).
double Advance(int code, double em);
// Ascent and descent of the cell at em `em`: 1.5 em and 1 em.
double CellAscent(double em);
double CellDescent(double em);

// Draws the code's entry in the context's current source with its origin
// (the baseline's left end, before the entry's dx and dy) at (x, y). Its
// fills join the context's fill run when one is attached (FillRun.h).
void Render(cairo_t* cr, int code, double em, double x, double y);

// Glyph names that the map uses but the installed Emmentaler lacks (for the
// glyph-sheet test).
std::vector<std::string> MissingGlyphNames();

// Test metrics: each code drawn as a filled box of the given advance, ascent
// and descent in 32nds of the em; codes the table omits get advance 10,
// ascent 16 and descent 16. Null switches them off.
struct TestMetric {
    int advance = 10;
    int ascent = 16;
    int descent = 16;
};
void UseTestMetrics(const std::map<int, TestMetric>* table);
bool TestMetricsActive();

} // namespace kvmusic
