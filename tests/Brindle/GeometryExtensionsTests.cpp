#include <gtest/gtest.h>

#include "Brindle/GeometryExtensions.h"

using namespace Brindle;

namespace {
struct Point {
    double x = 0;
    double y = 0;
};
struct Size {
    double width = 0;
    double height = 0;
};
struct Rect {
    Point origin;
    Size size;
};
}  // namespace

TEST(GeometryExtensions, DistancesAndRanges) {
    EXPECT_DOUBLE_EQ(squaredDifferenceRoot(Point{1, 1}, Point{4, 5}), 5.0);
    EXPECT_DOUBLE_EQ(squaredDifferenceRoot(Point{4, 5}, Point{1, 1}), 5.0);
    EXPECT_DOUBLE_EQ(horizontalDistance(Point{1, 9}, 4), 3.0);
    EXPECT_DOUBLE_EQ(verticalDistance(Point{1, 9}, 12), 3.0);
    EXPECT_TRUE(isHorizontallyBetween(Point{2, 0}, 2, 5));
    EXPECT_TRUE(isHorizontallyBetween(Point{5, 0}, 2, 5));
    EXPECT_FALSE(isHorizontallyBetween(Point{5.01, 0}, 2, 5));
    EXPECT_TRUE(isVerticallyBetween(Point{0, -1}, -1, 0));
    EXPECT_FALSE(isVerticallyBetween(Point{0, 1}, -1, 0));

    const auto rect = moved(Rect{{10, 20}, {-30, 40}}, Point{1, -2});
    EXPECT_DOUBLE_EQ(rect.origin.x, 11);
    EXPECT_DOUBLE_EQ(rect.origin.y, 18);
    EXPECT_DOUBLE_EQ(rect.size.width, 30);
    EXPECT_DOUBLE_EQ(rect.size.height, 40);
}
