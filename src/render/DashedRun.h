#pragma once
// Dashed runs of pen lines (one-line staves, dashed lines, octave and pedal
// lines, bent lines): dashes half a staff-line gap long, never shorter than
// 4 units, with half a dash between them; the last dash is cut at the end.

#include <algorithm>

namespace dashedrun {

inline int DashLength(int gap)
{
    return std::max(4, gap / 2);
}

// Calls dash(from, to) for each dash from a to b (a <= b): [s, s + d] for
// s = a, a + 1.5 d, ... while s + d < b, then [s, b] when s < b. A dash
// length below 1 counts as 1, so that the run always ends.
template <class T, class Dash>
void ForEachDash(T a, T b, int dashLength, Dash dash)
{
    const T d = static_cast<T>(std::max(1, dashLength));
    const T step = d + d / 2;
    T s = a;
    for (; s + d < b; s += step)
        dash(s, s + d);
    if (s < b)
        dash(s, b);
}

} // namespace dashedrun
