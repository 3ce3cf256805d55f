#include <gtest/gtest.h>

#include "platform/base/NotificationCenter.h"
#include "platform/system/Screen.h"

using platform::Rect;

TEST(Rect, ContainmentNeedsAnInnerRectangleThatIsNotEmpty) {
    auto screen = Rect::make(0, 0, 1920, 1080);
    EXPECT_TRUE(screen.contains(Rect::make(0, 0, 1920, 1080)));
    EXPECT_TRUE(screen.contains(Rect::make(10, 10, 100, 100)));
    EXPECT_FALSE(screen.contains(Rect::make(1900, 10, 100, 100)));
    EXPECT_FALSE(screen.contains(Rect::make(10, 10, 0, 100)));
    EXPECT_TRUE(screen.intersects(Rect::make(1900, 10, 100, 100)));
    EXPECT_FALSE(screen.intersects(Rect::make(1920, 0, 100, 100)));
}

TEST(Screens, UpdatePostsOnlyRealChangesAndMainFallsBackToTheFirst) {
    int changes = 0;
    auto token = platform::NotificationCenter::defaultCenter()->addObserver(
        platform::Screens::didChangeNotification, [&](const platform::Notification&) { ++changes; });
    platform::Screen first{"1", "Built-in", Rect::make(0, 0, 1440, 900), Rect::make(0, 0, 1440, 875), 2.0};
    platform::Screen second{"2", "External", Rect::make(1440, 0, 1920, 1080), Rect::make(1440, 0, 1920, 1080),
                            1.0};
    platform::Screens::update({first, second});
    platform::Screens::update({first, second});
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(platform::Screens::mainScreen(), first);
    platform::Screens::setMainScreenIdentifier("2");
    EXPECT_EQ(platform::Screens::mainScreen(), second);
    platform::Screens::update({});
    EXPECT_EQ(changes, 2);
    EXPECT_FALSE(platform::Screens::mainScreen());
    platform::Screens::setMainScreenIdentifier("");
    platform::NotificationCenter::defaultCenter()->removeObserver(token);
}
