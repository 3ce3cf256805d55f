#include <gtest/gtest.h>

#include "platform/base/NotificationCenter.h"
#include "platform/system/Screen.h"

using platform::Rect;
using platform::Screens;

TEST(Rect, ContainmentNeedsAnInnerRectangleThatIsNotEmpty) {
    auto screen = Rect::make(0, 0, 1920, 1080);
    EXPECT_TRUE(screen.contains(screen));
    EXPECT_TRUE(screen.contains(Rect::make(10, 10, 100, 100)));
    EXPECT_FALSE(screen.contains(Rect::make(1900, 10, 100, 100)));
    EXPECT_FALSE(screen.contains(Rect::make(10, 10, 0, 100)));
    EXPECT_TRUE(screen.intersects(Rect::make(1900, 10, 100, 100)));
    EXPECT_FALSE(screen.intersects(Rect::make(1920, 0, 100, 100)));
}

TEST(Screens, UpdatePostsOnlyRealChangesAndMainFallsBackToTheFirst) {
    int changes = 0;
    auto center = platform::NotificationCenter::defaultCenter();
    auto token = center->addObserver(Screens::didChangeNotification, [&](const auto&) { ++changes; });
    platform::Screen first{"1", "Built-in", Rect::make(0, 0, 1440, 900), Rect::make(0, 0, 1440, 875), 2.0};
    platform::Screen second{"2", "External", Rect::make(1440, 0, 1920, 1080),
                            Rect::make(1440, 0, 1920, 1080)};
    Screens::update({first, second});
    Screens::update({first, second});
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
