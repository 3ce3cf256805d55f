#include <gtest/gtest.h>

#include "Brindle/GeometryExtensions.h"

using namespace Brindle;

namespace {
struct Point {
    double x = 0, y = 0;
};
struct Size {
    double width = 0, height = 0;
};
struct Rect {
    Point origin;
    Size size;
};
}  // namespace

TEST(GeometryExtensions, DistancesRangesWithBothEndsAndMovedRectangles) {
    EXPECT_DOUBLE_EQ(squaredDifferenceRoot(Point{4, 5}, Point{1, 1}), 5.0);
    EXPECT_DOUBLE_EQ(horizontalDistance(Point{1, 9}, 4), 3.0);
    EXPECT_DOUBLE_EQ(verticalDistance(Point{1, 9}, 12), 3.0);
    EXPECT_TRUE(isHorizontallyBetween(Point{2, 0}, 2, 5));
    EXPECT_TRUE(isHorizontallyBetween(Point{5, 0}, 2, 5));
    EXPECT_FALSE(isHorizontallyBetween(Point{5.01, 0}, 2, 5));
    EXPECT_TRUE(isVerticallyBetween(Point{0, -1}, -1, 0));
    EXPECT_FALSE(isVerticallyBetween(Point{0, 1}, -1, 0));
    // Sizes come out never negative.
    const auto rect = moved(Rect{{10, 20}, {-30, -40}}, Point{1, -2});
    EXPECT_EQ(std::tuple(rect.origin.x, rect.origin.y, rect.size.width, rect.size.height),
              std::tuple(11, 18, 30, 40));
}
