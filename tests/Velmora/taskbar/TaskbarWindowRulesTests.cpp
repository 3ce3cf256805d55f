#include <gtest/gtest.h>

#include "Brindle/Object.h"
#include "Velmora/taskbar/TaskbarWindowRules.h"
#include "Velmora/tracking/Window.h"

using Velmora::FullscreenSides;
using Velmora::TaskbarWindowRules::EdgeBand;

std::shared_ptr<Velmora::Window> window(double w, std::vector<FullscreenSides> sides, bool minimized = false,
                                        std::int64_t display = 0) {
    auto result =
        Brindle::make<Velmora::Window>(Velmora::WindowRecord{}, "", std::vector<platform::Screen>{});
    result->w = w;
    result->fullscreenSides = std::move(sides);
    result->minimized = minimized;
    result->display = display;
    return result;
}

bool fills(const Velmora::Windows& windows) {
    auto candidates = Velmora::TaskbarWindowRules::fullscreenCandidates(windows, 0);
    return Velmora::TaskbarWindowRules::fillsScreen(candidates, [] { return 1440.0; });
}

TEST(FullscreenTest, NeedsAnUnminimisedWindowOfThisScreenAsWideAsTheScreenOrTwoSideBySide) {
    using enum FullscreenSides;
    const std::vector all{left, top, right, bottom};
    EXPECT_TRUE(fills({window(1440, all)}));
    EXPECT_FALSE(fills({window(1440, all, true)}));
    EXPECT_FALSE(fills({window(1440, {left, right})}));
    EXPECT_FALSE(fills({window(1440, all, false, 1)}));
    EXPECT_FALSE(fills({window(1439.5, all)}));
    auto pair = [](double l, double r) {
        return fills({window(l, {left, top, bottom}), window(r, {right, top, bottom})});
    };
    EXPECT_TRUE(pair(700, 740) && pair(700, 720) && pair(690, 700));
    EXPECT_FALSE(pair(680, 700) || pair(720, 740));
    EXPECT_FALSE(fills({window(740, {right, top, bottom})}));
}

TEST(EdgeBandTest, EntersInTheBottomFivePointsAndStaysWithinSixty) {
    EdgeBand band;
    std::vector<bool> inside;
    for (double y : {895, 900, 896, 841}) inside.push_back(band.update(y, 900));
    EXPECT_EQ(inside, (std::vector<bool>{false, false, true, true}));
    EXPECT_FALSE(band.update(500, std::nullopt)) << "no screen";
    EXPECT_TRUE(band.revealed()) << "kept";
    EXPECT_FALSE(band.update(840, 900) || band.update(850, 900)) << "left, it must enter again";
}
