#include <gtest/gtest.h>

#include "platform/qt/ScreenGeometry.h"

using namespace platform;
using namespace platform::qt;

// A 2880×1800 panel at scale 2 and, to its right and 180 pixels higher, a 1920×1080 monitor at
// scale 1. Qt keeps each screen's native top-left corner, so the first screen ends at x 1440 but
// the second starts at x 2880. The first screen's system bar takes 25 points at the top and its
// dock 50 at the bottom.
const std::vector<QtScreen> qtGiven{
    {"eDP-1", "Built-in", QRect(0, 0, 1440, 900), QRect(0, 25, 1440, 825), 2.0},
    {"HDMI-1#42", "External", QRect(2880, -180, 1920, 1080), QRect(2880, -180, 1920, 1080), 1.0},
};

TEST(ScreenGeometry, QtScreensBecomePlatformScreensAndPositionsConvertThroughTheScreenTheyLieOn) {
    auto screens = platformScreens(qtGiven);
    auto placed = placements(screens, qtGiven);
    // Measured up from the first screen's bottom edge.
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(screens[0].frame, Rect::make(0, 0, 1440, 900));
    EXPECT_EQ(screens[0].visibleFrame, Rect::make(0, 50, 1440, 825));
    EXPECT_TRUE(screens[1].frame == Rect::make(2880, 0, 1920, 1080) &&
                screens[1].visibleFrame == screens[1].frame);
    EXPECT_TRUE(platformScreens({}).empty());
    // A bar along the bottom of each screen, and a window straddling both, which goes with the
    // screen holding most of it.
    const std::pair<Rect, QRect> frames[] = {
        {Rect::make(0, 0, 1440, 86), QRect(0, 814, 1440, 86)},
        {Rect::make(2880, 0, 1920, 86), QRect(2880, 814, 1920, 86)},
        {Rect::make(2800, 100, 400, 300), QRect(2800, 500, 400, 300)},
    };
    for (const auto& [frame, geometry] : frames) {
        EXPECT_EQ(toQt(frame, placed), geometry);
        EXPECT_EQ(fromQt(geometry, placed), frame);
    }
    // Fractional edges round so that neighbours still meet.
    auto left = toQt(Rect::make(10.4, 0, 20.3, 10), placed),
         right = toQt(Rect::make(30.7, 0, 20, 10), placed);
    EXPECT_EQ(left.x() + left.width(), right.x());
    // Points on the bottom edge and above the first screen.
    EXPECT_EQ(fromQt(QPointF(700, 900), placed), (Point{700, 0}));
    EXPECT_EQ(fromQt(QPointF(700, 899), placed), (Point{700, 1}));
    EXPECT_EQ(fromQt(QPointF(3000, -180), placed), (Point{3000, 1080}));
    EXPECT_EQ(toQt(Point{3000, 1080}, placed), QPointF(3000, -180));
    // With no screens at all, y only flips.
    EXPECT_EQ(toQt(Rect::make(10, 20, 30, 40), {}), QRect(10, -60, 30, 40));
    EXPECT_EQ(fromQt(QRect(10, -60, 30, 40), {}), Rect::make(10, 20, 30, 40));
    EXPECT_EQ(toQt(Point{5, 6}, {}), QPointF(5, -6));
    EXPECT_EQ(fromQt(QPointF(5, -6), {}), (Point{5, 6}));
}

TEST(ScreenGeometry, PlatformScreensPairWithQtScreensByIdentifierThenPositionThenTheFirst) {
    Screen external{"HDMI-1#42", "External", Rect::make(-1920, 0, 1920, 1080), {}, 1.0};
    Screen builtIn{"unknown", "Built-in", Rect::make(0, 0, 1440, 900), {}, 2.0};
    Screen third{"scenario-3", "Third", Rect::make(1440, 0, 1280, 800), {}, 1.0};
    auto paired = placements({external, builtIn, third}, qtGiven);
    EXPECT_EQ(paired[0].qtGeometry, qtGiven[1].geometry);
    EXPECT_EQ(paired[1].qtGeometry, qtGiven[1].geometry);  // second in the list
    EXPECT_EQ(paired[2].qtGeometry, qtGiven[0].geometry);  // no such Qt screen: the first
    // A frame on the scenario's third screen shows on Qt's first screen, at the same offset from
    // the top-left corner.
    EXPECT_EQ(toQt(Rect::make(1440, 0, 1280, 86), paired), QRect(0, 714, 1280, 86));
    // No Qt screen at all: a screen of the platform's size at the origin.
    EXPECT_EQ(placements({third}, {})[0].qtGeometry, QRect(0, 0, 1280, 800));
}

TEST(ScreenGeometry, AFrameOffEveryScreenConvertsThroughTheNearestOne) {
    // A scenario's screens side by side, shown on Qt's screens as in the test above.
    Screen external{"HDMI-1#42", "External", Rect::make(-1920, 0, 1920, 1080), {}, 1.0};
    Screen builtIn{"eDP-1", "Built-in", Rect::make(0, 0, 1440, 900), {}, 2.0};
    Screen third{"scenario-3", "Third", Rect::make(1440, 0, 1280, 800), {}, 1.0};
    auto paired = placements({external, builtIn, third}, qtGiven);
    // Each keeps its offset from the corner of the screen nearest to its centre.
    const std::pair<Rect, QRect> frames[] = {
        {Rect::make(3000, 100, 200, 100), QRect(1560, 600, 200, 100)},   // right of the third
        {Rect::make(100, -500, 200, 100), QRect(100, 1300, 200, 100)},   // below the built-in
        {Rect::make(-2500, 100, 200, 100), QRect(2300, 700, 200, 100)},  // left of the external
    };
    for (const auto& [frame, geometry] : frames) EXPECT_EQ(toQt(frame, paired), geometry);
    EXPECT_EQ(toQt(Point{3000, 100}, paired), QPointF(1560, 700));
    // Right of the external monitor's Qt screen, which is not the first in the list.
    auto reversed = placements({builtIn, external}, qtGiven);
    EXPECT_EQ(fromQt(QRect(5000, 0, 100, 100), reversed), Rect::make(200, 800, 100, 100));
    EXPECT_EQ(fromQt(QPointF(5000, 0), reversed), (Point{200, 900}));
}

TEST(ScreenGeometry, TheProgramsOwnReservationAtTheBottomLeavesTheAvailableAreaWhole) {
    const QRect screen(0, 0, 1280, 800);
    const struct {
        QRect available;
        double ratio;
        int own;
        QRect expected;
    } cases[]{
        {QRect(0, 0, 1280, 714), 1, 86, screen},                    // the bar's own
        {QRect(0, 0, 1280, 740), 1, 86, screen},                    // less than it ever reserved
        {QRect(0, 0, 1280, 714), 2, 172, screen},                   // in device pixels
        {QRect(0, 0, 1280, 628), 1, 172, screen},                   // a scaled monitor's bar beside
        {QRect(0, 0, 1280, 700), 1, 86, QRect(0, 0, 1280, 700)},    // someone else's, taller
        {QRect(0, 0, 1280, 714), 2, 86, QRect(0, 0, 1280, 714)},    // 172 device pixels: taller
        {QRect(0, 0, 1280, 714), 1, 0, QRect(0, 0, 1280, 714)},     // none of ours
        {QRect(0, 30, 1280, 684), 1, 86, QRect(0, 30, 1280, 770)},  // a panel at the top stays
    };
    for (const auto& c : cases)
        EXPECT_EQ(availableWithoutOwnReservation(screen, c.available, c.ratio, c.own), c.expected);
    noteOwnBottomReservation(86);
    noteOwnBottomReservation(40);
    EXPECT_GE(ownBottomReservation(), 86) << "the largest is kept";
}
