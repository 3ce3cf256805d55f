#include <gtest/gtest.h>

#include "platform/x11/X11Screens.h"

using platform::Point;
using platform::Rect;
using platform::Screen;
using platform::x11::Monitor;
using platform::x11::ScreenMap;

namespace {

// Monitor A is the primary one at 1920 by 1080; B, 1280 by 1024 or 1920 by 1080, lies beside it.
// The screens are those Qt makes of them: each screen's corner stays at its monitor's corner, its
// size is in its own points, and the platform measures them up from the bottom of the first.
struct Layout {
    const char* name;
    std::vector<Monitor> monitors;
    std::vector<Screen> screens;
    // Device rectangle → where it is handed over.
    std::vector<std::pair<Rect, Rect>> frames;
};

Screen screen(const char* identifier, double x, double y, double w, double h, double scale = 1) {
    return Screen{identifier, identifier, Rect::make(x, y, w, h), Rect::make(x, y, w, h), scale};
}

const std::vector<Layout>& layouts() {
    static const std::vector<Layout> value{
        {"side by side",
         {{"A", Rect::make(0, 0, 1920, 1080), true}, {"B", Rect::make(1920, 0, 1280, 1024), false}},
         {screen("A", 0, 0, 1920, 1080), screen("B", 1920, 56, 1280, 1024)},
         {{Rect::make(1920, 0, 1280, 1024), Rect::make(1920, 0, 1280, 1024)},
          {Rect::make(100, 200, 300, 400), Rect::make(100, 200, 300, 400)},
          // Mostly on B; B's scale is A's, so nothing changes.
          {Rect::make(1800, 10, 400, 300), Rect::make(1800, 10, 400, 300)}}},
        {"second monitor left of and above the first",
         {{"A", Rect::make(1280, 1024, 1920, 1080), true}, {"B", Rect::make(0, 0, 1280, 1024), false}},
         {screen("A", 0, 0, 1920, 1080), screen("B", -1280, 1080, 1280, 1024)},
         {{Rect::make(1280, 1024, 1920, 1080), Rect::make(0, 0, 1920, 1080)},
          {Rect::make(0, 0, 1280, 1024), Rect::make(-1280, -1024, 1280, 1024)},
          {Rect::make(1300, 1100, 200, 100), Rect::make(20, 76, 200, 100)}}},
        {"second monitor at scale 2",
         {{"A", Rect::make(0, 0, 1920, 1080), true}, {"B", Rect::make(1920, 0, 1920, 1080), false}},
         {screen("A", 0, 0, 1920, 1080), screen("B", 1920, 540, 960, 540, 2)},
         {{Rect::make(1920, 0, 1920, 1080), Rect::make(1920, 0, 960, 540)},
          {Rect::make(2020, 100, 400, 300), Rect::make(1970, 50, 200, 150)},
          {Rect::make(0, 0, 1920, 1080), Rect::make(0, 0, 1920, 1080)},
          // Mostly on B: its size in B's points, its corner left of B's.
          {Rect::make(1820, 0, 1000, 200), Rect::make(1870, 0, 500, 100)}}},
    };
    return value;
}

}  // namespace

TEST(ScreenMap, FramesLandOnTheirMonitorsScreenInItsPointsFromTheFirstScreensCorner) {
    for (const auto& layout : layouts()) {
        auto map = ScreenMap::pair(layout.monitors, layout.screens);
        for (const auto& [device, logical] : layout.frames)
            EXPECT_EQ(map.toLogical(device), logical) << layout.name;
    }
}

TEST(ScreenMap, MonitorsPairWithScreensByNameThenByPositionAndWithoutAScreenKeepTheirPixels) {
    std::vector<Monitor> monitors{{"A", Rect::make(100, 0, 1920, 1080), true},
                                  {"B", Rect::make(2020, 0, 1920, 1080), false},
                                  {"C", Rect::make(3940, 0, 800, 600), false}};
    // Qt adds the serial number; the second screen has a name of its own and pairs by position.
    auto map = ScreenMap::pair(monitors,
                               {screen("A#0042", 0, 0, 960, 540, 2), screen("HDMI-1", 1920, 0, 1920, 1080)});
    EXPECT_EQ(map.toLogical(Rect::make(100, 0, 1920, 1080)), Rect::make(0, 0, 960, 540));
    EXPECT_EQ(map.toLogical(Rect::make(2020, 0, 1920, 1080)), Rect::make(1920, -540, 1920, 1080));
    EXPECT_EQ(map.toLogical(Rect::make(3940, 0, 800, 600)), Rect::make(3840, 0, 800, 600)) << "no screen";
    // Names win over positions: the screens in the other order still pair by name.
    map = ScreenMap::pair(monitors, {screen("B", 0, 0, 1920, 1080), screen("A", -1920, 0, 1920, 1080)});
    EXPECT_EQ(map.toLogical(Rect::make(100, 0, 1920, 1080)), Rect::make(-1920, 0, 1920, 1080));
    EXPECT_EQ(map.toLogical(Rect::make(3940, 0, 800, 600)), Rect::make(3840, 0, 800, 600));

    // Without screens the pixels stay, from the first monitor's corner; without monitors, as they are.
    EXPECT_EQ(ScreenMap::pair(monitors, {}).toLogical(Rect::make(150, 10, 20, 30)),
              Rect::make(50, 10, 20, 30));
    EXPECT_EQ(ScreenMap::pair({}, {screen("A", 0, 0, 10, 10)}).toLogical(Rect::make(150, 10, 20, 30)),
              Rect::make(150, 10, 20, 30));
    EXPECT_EQ(ScreenMap().toLogical(Point{3, 4}), (Point{3, 4}));
}

TEST(ScreenMap, PointsGoThroughTheMonitorTheyLieOnOrTheNearest) {
    const auto& scaled = layouts()[2];
    auto map = ScreenMap::pair(scaled.monitors, scaled.screens);
    EXPECT_EQ(map.toLogical(Point{1919, 1079}), (Point{1919, 1079}));
    EXPECT_EQ(map.toLogical(Point{1920, 0}), (Point{1920, 0})) << "B's first column is B's";
    EXPECT_EQ(map.toLogical(Point{3838, 1078}), (Point{2879, 539}));
    EXPECT_EQ(map.toLogical(Point{4000, 1080}), (Point{2960, 540})) << "beyond B, by B's scale";
}
