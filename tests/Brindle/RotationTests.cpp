#include <gtest/gtest.h>

#include "Brindle/Rotation.h"

using Brindle::Rotation;

TEST(Rotation, ConvertsBetweenDegreesAndRadians) {
    EXPECT_EQ(Rotation::halfTurn()->degrees(), 180);
    EXPECT_EQ(Rotation(Rotation::Degrees{90}), *Rotation::quarterTurn());
    EXPECT_EQ(Rotation::threeQuarterTurn()->radians(), 4.71238898038469);
}
