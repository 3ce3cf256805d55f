#include <gtest/gtest.h>

#include "platform/base/NotificationCenter.h"
#include "platform/system/Screen.h"

using namespace platform;

TEST(Rect, ContainmentNeedsAnInnerRectangleThatIsNotEmpty) {
    auto screen = Rect::make(0, 0, 1920, 1080);
    EXPECT_TRUE(screen.contains(screen) && screen.contains(Rect::make(10, 10, 100, 100)));
    EXPECT_FALSE(screen.contains(Rect::make(1900, 10, 100, 100)) ||
                 screen.contains(Rect::make(10, 10, 0, 100)));
    EXPECT_TRUE(screen.intersects(Rect::make(1900, 10, 100, 100)) &&
                !screen.intersects(Rect::make(1920, 0, 100, 100)));
}

TEST(Rect, OverlapCountsSharedAreaAndDistanceOnlyWhatLiesOutside) {
    auto screen = Rect::make(0, 0, 100, 50);
    struct Case {
        Rect other;
        double overlap;
    };
    for (const auto& c : {Case{Rect::make(50, 25, 100, 100), 50 * 25}, Case{Rect::make(100, 0, 10, 10), 0},
                          Case{Rect::make(10, 60, 10, 10), 0}, Case{Rect::make(110, 10, -20, 10), 100}})
        EXPECT_EQ(screen.overlapArea(c.other), c.overlap);
    EXPECT_EQ(screen.distanceTo({50, 25}), 0);
    EXPECT_EQ(screen.distanceTo({100, 50}), 0);
    EXPECT_EQ(screen.distanceTo({-30, 25}), 30);
    EXPECT_EQ(screen.distanceTo({103, 54}), 5);
}

TEST(Screens, UpdatePostsOnlyRealChangesAndMainFallsBackToTheFirst) {
    int changes = 0;
    auto center = NotificationCenter::defaultCenter();
    auto token = center->addObserver(Screens::didChangeNotification, [&](const auto&) { ++changes; });
    Screen first{"1", "Built-in", Rect::make(0, 0, 1440, 900), Rect::make(0, 0, 1440, 875), 2.0};
    Screen second{"2", "External", Rect::make(1440, 0, 1920, 1080), Rect::make(1440, 0, 1920, 1080)};
    for (int twice = 0; twice < 2; ++twice) Screens::update({first, second});
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(Screens::screens(), (std::vector{first, second}));
    EXPECT_EQ(Screens::mainScreen(), first);
    Screens::setMainScreenIdentifier("2");
    EXPECT_EQ(Screens::mainScreen(), second);
    Screens::update({});
    EXPECT_EQ(changes, 2);
    EXPECT_FALSE(Screens::mainScreen());
    Screens::setMainScreenIdentifier("");
    center->removeObserver(token);
}
