#include <gtest/gtest.h>

#include <cmath>

#include "Brindle/Math.h"

using Brindle::Math;

TEST(Math, MapsClampsAndInterpolates) {
    EXPECT_EQ(Math::map(5, 0, 10, 0, 100), 50);
    EXPECT_EQ(Math::interpolate(5, 0, 100, 0, 10), 50);
    EXPECT_EQ(Math::lerp(0.25, 0, 8), 2);
    EXPECT_TRUE(std::isinf(Math::map(1, 2, 2, 0, 1)));
    EXPECT_EQ(Math::clamp(5.0, 0.0, 3.0), 3.0);
    EXPECT_EQ(Math::clamp(-1.0, 0.0, 3.0), 0.0);
    EXPECT_EQ(Math::clamp(1.5, 0.0, 3.0), 1.5);
    EXPECT_EQ(Math::clamp(2, 0, 3), 2);
    EXPECT_EQ(Math::clamp(-1, 0, 3), 0);
    // An inverted range: the upper bound is checked first.
    EXPECT_EQ(Math::clamp(5, 10, 3), 3);
}
