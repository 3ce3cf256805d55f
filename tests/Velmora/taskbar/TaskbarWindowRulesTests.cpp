#include <gtest/gtest.h>

#include "Brindle/Object.h"
#include "Velmora/taskbar/TaskbarWindowRules.h"
#include "Velmora/tracking/Window.h"

namespace {

using platform::Screen;
using Velmora::FullscreenSides;
using Velmora::TaskbarWindowRules::EdgeBand;

std::shared_ptr<Velmora::Window> window(double w, std::vector<FullscreenSides> sides, bool minimized = false,
                                        std::int64_t display = 0) {
    auto result = Brindle::make<Velmora::Window>(Velmora::WindowRecord{}, "", std::vector<Screen>{});
    result->w = w;
    result->fullscreenSides = std::move(sides);
    result->minimized = minimized;
    result->display = display;
    return result;
}

bool fills(const Velmora::Windows& windows, double width = 1440) {
    auto candidates = Velmora::TaskbarWindowRules::fullscreenCandidates(windows, 0);
    return Velmora::TaskbarWindowRules::fillsScreen(candidates, [width] { return width; });
}

TEST(FullscreenTest, NeedsAnUnminimisedWindowOfThisScreenAsWideAsTheScreenOrTwoSideBySide) {
    using enum FullscreenSides;
    EXPECT_TRUE(fills({window(1440, {left, top, right, bottom})}));
    EXPECT_FALSE(fills({window(1440, {left, top, right, bottom}, true)}));
    EXPECT_FALSE(fills({window(1440, {left, right})}));
    EXPECT_FALSE(fills({window(1440, {left, top, right, bottom}, false, 1)}));
    EXPECT_FALSE(fills({window(1439.5, {left, top, right, bottom})}));

    auto pair = [](double l, double r) {
        return fills({window(l, {left, top, bottom}), window(r, {right, top, bottom})});
    };
    EXPECT_TRUE(pair(700, 740));
    EXPECT_TRUE(pair(700, 720));
    EXPECT_TRUE(pair(690, 700));
    EXPECT_FALSE(pair(680, 700));
    EXPECT_FALSE(pair(720, 740));
    EXPECT_FALSE(fills({window(740, {right, top, bottom})}));
}

TEST(EdgeBandTest, EntersInTheBottomFivePointsAndStaysWithinSixty) {
    EdgeBand band;
    EXPECT_FALSE(band.update(895, 900));
    EXPECT_FALSE(band.update(900, 900));
    EXPECT_TRUE(band.update(896, 900));
    EXPECT_TRUE(band.update(841, 900));
    EXPECT_FALSE(band.update(500, std::nullopt));
    EXPECT_TRUE(band.revealed());
    EXPECT_FALSE(band.update(840, 900));
    EXPECT_FALSE(band.update(850, 900));
}

}  // namespace
