#include "Platform.h"

#include <gtest/gtest.h>

namespace {

// A stored field wraps a value beyond 16 bits; a computed position keeps the
// nearest value that fits. Mixing the two up moves a symbol to the other side
// of the staff or changes the bytes of a saved score.
TEST(ShortCast, TruncationWrapsWhereClampingStopsAtTheLimit)
{
    struct Case {
        int value;
        short truncated;
        short clamped;
    };
    const Case cases[] = {
        {40000, -25536, 32767},
        {-40000, 25536, -32768},
        {65536 + 5, 5, 32767},
        {32767, 32767, 32767},
        {-32768, -32768, -32768},
        {-7, -7, -7},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TruncateToShort(c.value), c.truncated) << c.value;
        EXPECT_EQ(ClampToShort(c.value), c.clamped) << c.value;
    }
}

} // namespace
