#pragma once
// Geometry that the measure, note and beam drawers share, as free functions
// that tests can call without a device.

#include "Platform.h"
#include "model/KVMsg.h"

namespace viewgeom {

// Note-head types from this value up are drawn as the number type minus
// this value instead of a head glyph, and their stems start half a gap
// further from the head.
inline constexpr int kNumberedHead = 100;

// The font size percent of a symbol's size word: the normal size 16 is 100
// percent, a grace or cue size 12 is 75.
inline int SizePercent(int size)
{
    return size * 100 / MSG_SIZE_NORMAL;
}

// The percent at which a staff's scaled line gap is a whole number of dots:
// the gap 4 * gap * percent / 100 quarter dots, rounded to whole dots. Never
// below 1, so that scaled lengths stay positive on the smallest staves.
inline int EffectivePercent(int gap, int percent)
{
    if (gap <= 0)
        return percent > 0 ? percent : 1;
    const int quarters = 4 * gap * percent / 100 + 2;
    const int effective = (quarters / 4) * 100 / gap;
    return effective > 0 ? effective : 1;
}

// The x of a position word (0 to 256) in a measure of the given content
// width; six dots at the end stay free.
inline int NoteX(int originX, int realWidth, int positionWord)
{
    return originX + (((realWidth - 6) * positionWord) >> 8);
}

// The y of a vertical position in line spacings `lineSpacing`, drawn with
// the gap `gap`: whole half spaces, the remainder keeping the sign.
inline int NoteY(int originY, int positionY, int lineSpacing, int gap)
{
    const int q = lineSpacing > 0 ? positionY * 2 / lineSpacing : 0;
    return (q / 2) * gap + (q % 2) * (gap / 2) + originY;
}

// Whether a block of `staves` staves is worth drawing for an update
// rectangle in page coordinates: its rectangle, moved by the drawing origin
// and widened by one average staff height above and below, meets the update
// rectangle. A block without staves meets nothing.
inline bool BlockMeetsUpdate(const RECT& block, int staves, POINT origin, const RECT& update)
{
    if (staves < 1)
        return false;
    const LONG h = (block.bottom - block.top) / staves;
    const RECT widened {origin.x + block.left, origin.y + block.top - h, origin.x + block.right,
                        origin.y + block.bottom + h};
    RECT common;
    return IntersectRect(&common, &widened, &update) != 0;
}

} // namespace viewgeom
