#include "Platform.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(MulDiv, RoundsScalingFormulasToNearest)
{
    EXPECT_EQ(MulDiv(720, 6, 254), 17);
    EXPECT_EQ(MulDiv(17, 96, 72), 23);
    EXPECT_EQ(MulDiv(160, 256, 960), 43);
    EXPECT_EQ(MulDiv(-46, 24, 32), -35);
    EXPECT_EQ(MulDiv(3, 96, 72), 4);
    EXPECT_EQ(MulDiv(1, 96, 144), 1);
    EXPECT_EQ(MulDiv(8, 216000, 9600), 180);
}

TEST(MulDiv, RoundsQuotientsNearAHalf)
{
    EXPECT_EQ(MulDiv(768, 1, 5), 154);
    EXPECT_EQ(MulDiv(507, 1, 4), 127);
    EXPECT_EQ(MulDiv(513, 1, 4), 128);
}

TEST(MulDiv, RoundsHalvesAwayFromZeroWhateverSignsTheArgumentsHave)
{
    EXPECT_EQ(MulDiv(5, 1, 2), 3);
    EXPECT_EQ(MulDiv(-5, 1, 2), -3);
    EXPECT_EQ(MulDiv(5, -1, 2), -3);
    EXPECT_EQ(MulDiv(5, 1, -2), -3);
    EXPECT_EQ(MulDiv(-5, -1, 2), 3);
    EXPECT_EQ(MulDiv(-5, 1, -2), 3);
    EXPECT_EQ(MulDiv(-5, -1, -2), -3);
    EXPECT_EQ(MulDiv(-1, 1, 2), -1);
    // Just below a half rounds towards zero on both sides.
    EXPECT_EQ(MulDiv(4, 1, 3), 1);
    EXPECT_EQ(MulDiv(-4, 1, 3), -1);
}

TEST(MulDiv, FailsWithMinusOneForZeroDivisorOrOverflow)
{
    EXPECT_EQ(MulDiv(7, 3, 0), -1);
    EXPECT_EQ(MulDiv(0, 0, 0), -1);
    EXPECT_EQ(MulDiv(0x7FFFFFFF, 2, 1), -1);
    EXPECT_EQ(MulDiv(65536, 65536, 1), -1);
    EXPECT_EQ(MulDiv(INT_MIN, -1, 1), -1);
}

TEST(MulDiv, KeepsTheFull64BitProduct)
{
    EXPECT_EQ(MulDiv(0x40000000, 4, 8), 0x20000000);
    EXPECT_EQ(MulDiv(INT_MAX, INT_MAX, INT_MAX), INT_MAX);
    EXPECT_EQ(MulDiv(INT_MIN, INT_MIN, INT_MIN), INT_MIN);
    EXPECT_EQ(MulDiv(INT_MIN, 1, 1), INT_MIN);
    EXPECT_EQ(MulDiv(INT_MAX, 3, INT_MIN), -3);
}

} // namespace
