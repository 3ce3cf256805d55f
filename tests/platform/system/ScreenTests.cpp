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

// Points are pointer locations: the top-left corner of the pixel under the pointer, y up.
TEST(Screens, APointerOnAnyLayoutLiesOnTheOneScreenShowingItsPixel) {
    const struct {
        const char* layout;
        std::vector<Rect> frames;
        std::vector<std::pair<Point, int>> pointers;  // the screen holding each, -1 for none
    } layouts[] = {
        {"side by side",
         {Rect::make(0, 0, 1600, 900), Rect::make(1600, 0, 1600, 900)},
         {{{1599, 450}, 0},
          {{1600, 450}, 1},
          {{0, 900}, 0},
          {{0, 0}, -1},
          {{3200, 450}, -1},
          {{-1, 450}, -1}}},
        {"stacked, the second above",
         {Rect::make(0, 0, 1600, 900), Rect::make(0, 900, 1600, 900)},
         {{{10, 900}, 0}, {{10, 901}, 1}, {{10, 1801}, -1}}},
        {"the second at scale 2, top-aligned",
         {Rect::make(0, 0, 1920, 1080), Rect::make(1920, 540, 960, 540)},
         {{{1919, 1080}, 0}, {{1920, 1080}, 1}, {{2879.5, 540.5}, 1}, {{1920, 540}, -1}, {{1919, 540}, 0}}},
        {"the second left of and above the first",
         {Rect::make(0, 0, 1920, 1080), Rect::make(-1280, 1080, 1280, 1024)},
         {{{-1, 1081}, 1}, {{0, 1080}, 0}, {{-1, 1080}, -1}, {{-1280, 2104}, 1}, {{0, 1081}, -1}}},
    };
    for (const auto& [layout, frames, pointers] : layouts) {
        for (const auto& [pointer, expected] : pointers) {
            int holding = -1, count = 0;
            for (std::size_t i = 0; i < frames.size(); ++i)
                if (mouseInRect(pointer, frames[i])) holding = static_cast<int>(i), ++count;
            EXPECT_EQ(holding, expected) << layout << ": " << pointer.x << "," << pointer.y;
            EXPECT_LE(count, 1) << layout << ": " << pointer.x << "," << pointer.y;
        }
    }
}
