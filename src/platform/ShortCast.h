#pragma once
// A wider value narrowed into a 16-bit field, in one of two ways that must
// not be mixed up:
// - TruncateToShort keeps the low 16 bits, as a stored 16-bit field holds
//   a value and as the score files expect it: 40000 becomes -25536.
// - ClampToShort keeps the nearest value that fits: 40000 becomes 32767. It
//   serves positions and offsets computed in a wider type, which must stay
//   on the side of the staff they were computed for.

#include <algorithm>
#include <cstdint>

inline short TruncateToShort(int value)
{
    return static_cast<short>(value);
}

// Truncated towards zero first; a value beyond what 64 bits hold (or not a
// number) gives 0, so the conversion stays defined.
inline short TruncateToShort(double value)
{
    if (!(value > -9.0e18 && value < 9.0e18))
        return 0;
    return static_cast<short>(static_cast<std::int64_t>(value));
}

inline short ClampToShort(int value)
{
    return static_cast<short>(std::clamp(value, -32768, 32767));
}
