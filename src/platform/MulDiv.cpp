#include "MulDiv.h"

#include <cstdint>
#include <limits>

int MulDiv(int number, int numerator, int denominator)
{
    if (denominator == 0)
        return -1;

    // |product| is at most 2^62 and |denominator| / 2 at most 2^30, so the
    // rounding below cannot overflow 64 bits.
    const int64_t product = static_cast<int64_t>(number) * numerator;
    const bool negative = (product < 0) != (denominator < 0);
    const int64_t magnitude = product < 0 ? -product : product;
    const int64_t divisor = denominator < 0 ? -static_cast<int64_t>(denominator) : denominator;

    // Adding half the divisor before truncating rounds halves up; applying
    // the sign afterwards makes that "away from zero" for negative results.
    const int64_t rounded = (magnitude + divisor / 2) / divisor;
    const int64_t result = negative ? -rounded : rounded;

    if (result > std::numeric_limits<int32_t>::max() || result < std::numeric_limits<int32_t>::min())
        return -1;
    return static_cast<int>(result);
}
