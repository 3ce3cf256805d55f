#include <gtest/gtest.h>

#include "Brindle/Rotation.h"

using Brindle::Rotation;

TEST(Rotation, ConvertsBetweenDegreesAndRadians) {
    EXPECT_EQ(Rotation(Rotation::Radians{3.141592653589793}).degrees(), 180);
    EXPECT_EQ(Rotation(Rotation::Degrees{90}), *Rotation::quarterTurn());
    EXPECT_EQ(Rotation::threeQuarterTurn()->radians(), 4.71238898038469);
}
