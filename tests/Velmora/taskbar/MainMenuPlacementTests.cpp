#include <gtest/gtest.h>

#include "Velmora/taskbar/MainMenuPlacement.h"
#include "tests/Velmora/taskbar/BarModelTesting.h"

using platform::Rect;
using Velmora::MainMenuPlacement;

TEST(MainMenuPlacement, TheMenuStaysWhereItFitsAndElseStaysInsideItsScreensVisibleFrame) {
    const struct {
        const char* screen;
        Rect wanted, visible, placed;
    } cases[]{
        {"1440x900, a top panel", Rect::make(300, 58, 800, 640), Rect::make(0, 0, 1440, 875),
         Rect::make(300, 58, 800, 640)},
        {"exactly tall enough", Rect::make(0, 52, 800, 640), Rect::make(0, 0, 1024, 692),
         Rect::make(0, 52, 800, 640)},
        // 1600x900 at scale 2: the top is cut down to the screen, the bottom stays on the bar.
        {"800x450", Rect::make(0, 58, 800, 640), Rect::make(0, 0, 800, 450), Rect::make(0, 58, 800, 392)},
        {"1280x720 at scale 2 below the first", Rect::make(0, -302, 800, 640), Rect::make(0, -360, 640, 360),
         Rect::make(0, -302, 640, 302)},
        // Too short above the bar: down over it, no further than the screen.
        {"640x280", Rect::make(0, 58, 800, 640), Rect::make(0, 0, 640, 280), Rect::make(0, 40, 640, 240)},
        {"640x200", Rect::make(0, 58, 800, 640), Rect::make(0, 0, 640, 200), Rect::make(0, 0, 640, 200)},
        // Across: kept off the right edge, and off a side panel on the left.
        {"1000 wide, the button far right", Rect::make(300, 58, 800, 640), Rect::make(0, 0, 1000, 900),
         Rect::make(200, 58, 800, 640)},
        {"a left panel", Rect::make(0, 58, 800, 640), Rect::make(48, 0, 1392, 900),
         Rect::make(48, 58, 800, 640)},
        // A bottom panel of another program: the menu stands on it.
        {"a bottom panel", Rect::make(0, 58, 800, 640), Rect::make(0, 70, 1440, 830),
         Rect::make(0, 70, 800, 640)},
        {"no visible frame", Rect::make(0, 58, 800, 640), Rect::make(0, 0, 0, 0),
         Rect::make(0, 58, 800, 640)},
    };
    for (const auto& c : cases) {
        auto placed = MainMenuPlacement::fit(c.wanted, c.visible);
        EXPECT_EQ(placed, c.placed) << c.screen << ": " << placed.minX() << "," << placed.minY() << " "
                                    << placed.width() << "x" << placed.height();
    }
}

TEST(MainMenuPlacement, TheBarOpensItsMenuOnASmallScreenWhollyOnIt) {
    bar_testing::Harness harness{R"({"screens": [
        {"id": "small", "frame": [0, 0, 800, 450], "visibleFrame": [0, 0, 800, 450]}]})"};
    auto bar = harness.makeBar(0);
    bar->menuButtonFrame = Rect::make(8, 0, 0, 0);
    bar->toggleMainMenu();
    ASSERT_EQ(harness.menus.size(), 1u);
    EXPECT_EQ(harness.menus[0]->frame, Rect::make(0, 80 + 6 - 28, 800, 450 - 58));
}
