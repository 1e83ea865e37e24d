#pragma once
// The outlines that the exact hit-test of lines and shapes draws: each kind's
// outline in black, in the coordinates of the symbol's last drawing minus an
// origin, so that the tested point falls on the device's pixel (0, 0).

#include "Platform.h"

class CKVMsg;

namespace hitshape {

// Whether the kind has an outline test at all.
bool HasOutline(int kind);

// Draws the outline of `msg` on `dc` with `origin` subtracted from every
// coordinate. Returns the part index that a hit on it reports, or -1 when
// the shape cannot be hit at this point (too thin for its pen, the point
// outside its rectangle or span, nothing to draw).
int DrawOutline(CDC& dc, CKVMsg& msg, POINT origin);

} // namespace hitshape
