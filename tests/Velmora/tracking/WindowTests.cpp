#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Brindle/Object.h"
#include "Velmora/tracking/Window.h"
#include "platform/system/Screen.h"

using platform::DefaultsValue;
using platform::Rect;
using Velmora::FullscreenSides;
using Velmora::Window;
using Velmora::WindowRecord;

namespace {

using Sides = std::vector<FullscreenSides>;
constexpr auto left = FullscreenSides::left;
constexpr auto top = FullscreenSides::top;
constexpr auto right = FullscreenSides::right;
constexpr auto bottom = FullscreenSides::bottom;

// The built-in display with an external one to its right, in the platform's coordinates.
class TwoScreens : public testing::Test {
protected:
    void SetUp() override {
        previous_ = platform::Screens::screens();
        platform::Screens::update({
            {"1", "Built-in", Rect::make(0, 0, 1440, 900), Rect::make(0, 0, 1440, 875), 2},
            {"2", "External", Rect::make(1440, 0, 1920, 1080), Rect::make(1440, 0, 1920, 1055), 1},
        });
    }
    void TearDown() override { platform::Screens::update(previous_); }

private:
    std::vector<platform::Screen> previous_;
};

WindowRecord listRecord(double x, double y, double w, double h) {
    return WindowRecord{{"minimized", false}, {"position_x", x}, {"position_y", y},  {"size_w", w},
                        {"size_h", h},        {"pid", 812},      {"title", "Inbox"}, {"layer", 0}};
}

std::shared_ptr<Window> window(const WindowRecord& record, const std::string& owner = "Mail") {
    return Brindle::make<Window>(record, owner);
}

}  // namespace

TEST_F(TwoScreens, TitleFallsBackToTheOwnerAndOnlyANonEmptyOneIsReal) {
    auto record = listRecord(0, 0, 10, 10);
    EXPECT_TRUE(window(record)->hasRealTitle);
    record.insert_or_assign("title", "");
    EXPECT_EQ(window(record)->title, "");
    EXPECT_FALSE(window(record)->hasRealTitle);
    record.erase("title");
    EXPECT_EQ(window(record, "Notes")->title, "Notes");
    EXPECT_FALSE(window(record, "Notes")->hasRealTitle);
}

TEST_F(TwoScreens, AnAccessibilityRecordWithoutMinimisedStateIsMinimised) {
    auto record = listRecord(0, 0, 10, 10);
    EXPECT_FALSE(window(record)->minimized);
    record.erase("minimized");
    EXPECT_TRUE(window(record)->minimized);
}

TEST_F(TwoScreens, ProcessAndLayerThatAreNoNumbersReadAsZero) {
    auto record = listRecord(0, 0, 10, 10);
    record.insert_or_assign("layer", 25);
    EXPECT_EQ(window(record)->layer, 25);
    EXPECT_EQ(window(record)->pid, 812);
    record.insert_or_assign("pid", "812");
    record.erase("layer");
    EXPECT_EQ(window(record)->pid, 0);
    EXPECT_EQ(window(record)->layer, 0);
    record.insert_or_assign("pid", std::int64_t{1} << 40);
    EXPECT_EQ(window(record)->pid, std::numeric_limits<std::int32_t>::max());
}

TEST_F(TwoScreens, FrameKeyAndActivationKeyUseTheIntegerParts) {
    auto record = listRecord(-0.5, 3.9, 100.2, 50.8);
    record.insert_or_assign("pid", 5);
    EXPECT_EQ(window(record)->frameKey(), "5_0_3_100_50");
    auto inbox = window(listRecord(10.7, -25.2, 800.0, 600.9));
    EXPECT_EQ(inbox->frameKey(), "812_10_-25_800_600");
    EXPECT_EQ(inbox->activationKey(), "812_Inbox_10_-25_800_600");
}

TEST_F(TwoScreens, CoordinatesOutsideTheIntegerRangeSaturateAndNaNReadsAsZero) {
    const double infinity = std::numeric_limits<double>::infinity();
    auto huge = window(listRecord(std::nan(""), infinity, 1e300, -1e300));
    EXPECT_EQ(huge->frameKey(), "812_0_9223372036854775807_9223372036854775807_-9223372036854775808");
    EXPECT_EQ(huge->activationKey(), "812_Inbox_0_2147483647_2147483647_-2147483648");
    EXPECT_EQ(window(listRecord(3e9, -3e9, 2147483647.9, 0))->activationKey(),
              "812_Inbox_2147483647_-2147483648_2147483647_0");
}

TEST_F(TwoScreens, AWindowCoveringTheSecondScreenTouchesAllItsSidesAndLiesOnIt) {
    // The external screen's frame, measured from the top of the first screen.
    auto covering = window(listRecord(1440, -180, 1920, 1080));
    EXPECT_EQ(covering->display, 1);
    EXPECT_EQ(covering->fullscreenSides, (Sides{left, top, bottom, right}));

    auto straddling = window(listRecord(1200, 100, 600, 400));
    EXPECT_EQ(straddling->display, 0);
    auto onSecond = window(listRecord(1500, 100, 600, 400));
    EXPECT_EQ(onSecond->display, 1);
    EXPECT_EQ(onSecond->fullscreenSides, (Sides{left, top}))
        << "with the first screen at 0, 0 every window has these";
}

TEST_F(TwoScreens, RightAndBottomFollowTheScreensEdgesAndTheWindowsSize) {
    EXPECT_EQ(window(listRecord(1000, 100, 440, 300))->fullscreenSides, (Sides{left, top, right}))
        << "the right edge on the first screen's right edge";
    EXPECT_EQ(window(listRecord(100, 50, 1440, 200))->fullscreenSides, (Sides{left, top, right}))
        << "a width equal to a screen's right edge counts too";
    EXPECT_EQ(window(listRecord(100, 700, 200, 200))->fullscreenSides, (Sides{left, top, bottom}));
    EXPECT_EQ(window(listRecord(100, 100, 200, 200))->fullscreenSides, (Sides{left, top}));
}

TEST(WindowWithoutScreens, HasNoSidesAndTheFirstDisplay) {
    auto previous = platform::Screens::screens();
    platform::Screens::update({});
    auto lonely = window(listRecord(0, 0, 1440, 900));
    platform::Screens::update(previous);
    EXPECT_TRUE(lonely->fullscreenSides.empty());
    EXPECT_EQ(lonely->display, 0);
}

TEST_F(TwoScreens, EqualWindowsCompareFrameTitleStateSidesAndProcessAndHashAlike) {
    auto a = window(listRecord(10, 20, 300, 200));
    auto b = window(listRecord(10, 20, 300, 200), "Other owner");
    b->layer = 3;
    b->isRealWindow = true;
    b->display = 1;
    EXPECT_NE(a->id, b->id);
    EXPECT_EQ(*a, *b);
    EXPECT_EQ(std::hash<Window>()(*a), std::hash<Window>()(*b));

    b->fullscreenSides = {top, left};
    EXPECT_NE(*a, *b) << "the sides compare in order";
    auto moved = window(listRecord(10, 20, 300, 200.5));
    EXPECT_NE(*a, *moved);
    EXPECT_EQ(std::hash<Window>()(*a), std::hash<Window>()(*moved));
    auto other = listRecord(10, 20, 300, 200);
    other.insert_or_assign("pid", 813);
    EXPECT_NE(*a, *window(other));
    EXPECT_LT(left, top);
    EXPECT_LT(right, bottom);
}
