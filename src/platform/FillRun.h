#pragma once
// Fills of one colour that follow each other on a PDF or SVG target, kept as
// one path and filled once. A viewer antialiases every fill on its own, so
// where two fills overlap their soft edges darken twice: a row of glyphs that
// overlap (staff pieces, stem pieces, a wavy line) would show a dark bead at
// every joint. One fill of their union shows none.

#include <cairo.h>

#include <vector>

namespace kvgdi {

class FillRun {
public:
    // Takes the context's current path (and clears it) as a fill in its
    // current source; FALSE, and nothing done, unless that is a solid colour
    // under the nonzero rule. What the run holds in another colour is
    // painted first. Each fill is turned to run the same way round as all
    // others, so that no two cancel where they overlap.
    bool Add(cairo_t* cr);
    // Paints what the run holds through `cr`'s target and clip, and empties
    // it; `cr`'s current path stays as it was.
    void Flush(cairo_t* cr);
    // Paints the run unless it is of `cr`'s current source: before something
    // in that colour is painted that does not join the run.
    void FlushUnlessSource(cairo_t* cr);
    bool Empty() const { return m_path.empty(); }

private:
    struct Colour {
        double r = 0, g = 0, b = 0, a = 0;
        bool operator==(const Colour&) const = default;
    };
    static bool SolidSource(cairo_t* cr, Colour& colour);

    std::vector<cairo_path_data_t> m_path; // device space
    Colour m_colour;
};

// Lets the ink that FillInk fills on `cr` join `run` (null: no run).
void AttachFillRun(cairo_t* cr, FillRun* run);
FillRun* AttachedFillRun(cairo_t* cr);
// Fills the context's current path in its current source: into the run
// attached to the context when the fill can join it (a solid colour under
// the nonzero rule), else at once, after the run.
void FillInk(cairo_t* cr);

} // namespace kvgdi
