#include "Velmora/tracking/Window.h"
#include "tests/Velmora/tracking/TrackingTesting.h"

using Velmora::FullscreenSides;
using Velmora::Window;
using Velmora::WindowRecord;

namespace {

using Sides = std::vector<FullscreenSides>;
constexpr auto left = FullscreenSides::left, top = FullscreenSides::top, right = FullscreenSides::right,
               bottom = FullscreenSides::bottom;

// Windows of Mail (812) on the two-screen desktop.
class TwoScreens : public testing::Test {
protected:
    static WindowRecord record(double x, double y, double w, double h) {
        return WindowRecord{{"minimized", false}, {"position_x", x}, {"position_y", y},  {"size_w", w},
                            {"size_h", h},        {"pid", 812},      {"title", "Inbox"}, {"layer", 0}};
    }
    static std::shared_ptr<Window> window(double x, double y, double w, double h) {
        return Brindle::make<Window>(record(x, y, w, h), "Mail");
    }
    test_support::InstalledDesktop two{tracking_testing::twoScreens()};
};

}  // namespace

TEST_F(TwoScreens, MissingOrOddRecordEntriesFallBackAndKeysUseTheIntegerPartsSaturating) {
    // Title (and whether it is the window's own), minimised state, process and layer.
    auto fields = [](const WindowRecord& entries, const std::string& owner = "Mail") {
        auto made = Brindle::make<Window>(entries, owner);
        return made->title + (made->hasRealTitle ? " own " : " owner's ") +
               (made->minimized ? "min " : "shown ") + std::to_string(made->pid) + " " +
               std::to_string(made->layer);
    };
    auto entries = record(0, 0, 10, 10);
    entries.insert_or_assign("layer", 25);
    EXPECT_EQ(fields(entries), "Inbox own shown 812 25");
    entries.insert_or_assign("title", "");
    EXPECT_EQ(fields(entries), " owner's shown 812 25") << "only a non-empty title is the window's own";
    // No title gives the owner's name, no state a minimised window; a process or layer that is no
    // number reads as 0, and one past the 32-bit range saturates.
    for (const char* key : {"title", "minimized", "layer"}) entries.erase(key);
    entries.insert_or_assign("pid", "812");
    EXPECT_EQ(fields(entries, "Notes"), "Notes owner's min 0 0");
    entries.insert_or_assign("pid", std::int64_t{1} << 40);
    EXPECT_EQ(fields(entries), "Mail owner's min 2147483647 0");
    // Keys take the integer parts, saturating, and NaN as 0.
    auto keys = [&](double x, double y, double w, double h) {
        auto made = window(x, y, w, h);
        return made->frameKey() + " " + made->activationKey();
    };
    EXPECT_EQ(keys(-0.5, 3.9, 100.2, 50.8), "812_0_3_100_50 812_Inbox_0_3_100_50");
    EXPECT_EQ(keys(std::nan(""), std::numeric_limits<double>::infinity(), 1e300, -1e300),
              "812_0_9223372036854775807_9223372036854775807_-9223372036854775808 "
              "812_Inbox_0_2147483647_2147483647_-2147483648");
    EXPECT_EQ(keys(3e9, -3e9, 2147483647.9, 0),
              "812_3000000000_-3000000000_2147483647_0 812_Inbox_2147483647_-2147483648_2147483647_0");
}

TEST_F(TwoScreens, TheDisplayHoldsTheWindowSidesFollowItsEdgesAndEqualityItsFrameTitleSidesAndProcess) {
    // With the first screen at 0, 0 every window has left and top.
    auto placed = [&](double x, double y, double w, double h) {
        auto made = window(x, y, w, h);
        return std::pair{made->display, made->fullscreenSides};
    };
    using Placed = std::pair<std::int64_t, Sides>;
    EXPECT_EQ(placed(1440, -180, 1920, 1080), Placed(1, {left, top, bottom, right})) << "covering the second";
    EXPECT_EQ(placed(1200, 100, 600, 400), Placed(1, {left, top})) << "straddling both, mostly the second";
    EXPECT_EQ(placed(1000, 100, 600, 400), Placed(0, {left, top})) << "straddling both, mostly the first";
    EXPECT_EQ(placed(4000, 100, 600, 400), Placed(0, {left, top})) << "on no screen";
    EXPECT_EQ(placed(1500, 100, 600, 400), Placed(1, {left, top})) << "on the second";
    EXPECT_EQ(placed(1000, 100, 440, 300), Placed(0, {left, top, right})) << "on the first's right edge";
    EXPECT_EQ(placed(100, 50, 1440, 200), Placed(0, {left, top, right})) << "as wide as the edge is far";
    EXPECT_EQ(placed(100, 700, 200, 200), Placed(0, {left, top, bottom})) << "on the first's bottom edge";
    EXPECT_EQ(placed(100, 100, 200, 200), Placed(0, {left, top})) << "inside the first";
    auto a = window(10, 20, 300, 200);
    auto b = Brindle::make<Window>(record(10, 20, 300, 200), "Other owner");
    b->layer = 3;
    b->isRealWindow = true;
    b->display = 1;
    EXPECT_EQ(*a, *b) << "owner, layer, display and realness take no part";
    EXPECT_EQ(std::hash<Window>()(*a), std::hash<Window>()(*b));
    b->fullscreenSides = {top, left};
    EXPECT_NE(*a, *b) << "the sides compare in order";
    auto moved = window(10, 20, 300, 200.5);
    EXPECT_NE(*a, *moved);
    EXPECT_EQ(std::hash<Window>()(*a), std::hash<Window>()(*moved));
    b = window(10, 20, 300, 200);
    b->pid = 813;
    EXPECT_NE(*a, *b);
    two->setScreens({});
    EXPECT_EQ(placed(0, 0, 1440, 900), Placed(0, {})) << "no screens";
}
