#pragma once
// Replays a recorded drawing into another DC: the same calls with the same
// arguments, objects made afresh from the fields each entry recorded. It is
// what drawing a page costs without the engine's own work, and so the floor
// that page drawing is measured against.

#include "Platform.h"

namespace kvtest {

// Re-issues every entry of `log` into `target`, in order:
// - state setters (mapping, colours, modes, alignment, SaveDC/RestoreDC);
// - SelectObject of pens, brushes and fonts, each made from the entry's
//   recorded fields (an object equal to a stock one is that stock object);
// - lines, shapes, paths, text, FillRect and FillSolidRect, PatBlt;
// - a 0x00A90189 blit from a memory DC, through a memory DC of our own that
//   holds the recorded source list (and its pixels, for aliased targets);
// - NextPage of a PDF.
// Objects it made are deleted at the end; whatever it left selected goes
// back to the target's own objects first. Returns the number of entries it
// could not replay: palettes, bitmaps, pattern brushes, other blits from a
// source DC, and calls it does not know.
int ReplayLog(const kvrec::Recorder& log, HDC target);

} // namespace kvtest
