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

// Screens as the platform lists them (y up from the first screen's bottom) and a window covering
// one of them as the desktop hands it over (y down from the first screen's top).
TEST(FullscreenTest, AWindowCoveringOneScreenFillsThatScreenOnlyWhereverTheScreensLie) {
    auto screen = [](double x, double y, double w, double h, double scale = 1) {
        return platform::Screen{"", "", platform::Rect::make(x, y, w, h), platform::Rect::make(x, y, w, h),
                                scale};
    };
    struct Layout {
        const char* name;
        std::vector<platform::Screen> screens;
    };
    const std::vector<Layout> layouts{
        {"side by side", {screen(0, 0, 1920, 1080), screen(1920, 56, 1280, 1024)}},
        {"the second below", {screen(0, 0, 1920, 1080), screen(0, -1080, 1920, 1080)}},
        {"the second left of and above", {screen(0, 0, 1920, 1080), screen(-1280, 1080, 1280, 1024)}},
        {"the second at scale 2", {screen(0, 0, 1920, 1080), screen(1920, 540, 960, 540, 2)}},
    };
    for (const auto& layout : layouts) {
        const auto& screens = layout.screens;
        auto firstHeight = screens.front().frame.height();
        for (std::size_t covered = 0; covered < screens.size(); ++covered) {
            auto frame = Velmora::TaskbarWindowRules::invertedFrame(screens[covered].frame, firstHeight);
            auto film = Brindle::make<Velmora::Window>(Velmora::WindowRecord{{"minimized", false},
                                                                             {"position_x", frame.origin.x},
                                                                             {"position_y", frame.origin.y},
                                                                             {"size_w", frame.size.width},
                                                                             {"size_h", frame.size.height}},
                                                       "Player", screens);
            for (std::size_t index = 0; index < screens.size(); ++index) {
                auto candidates = Velmora::TaskbarWindowRules::fullscreenCandidates(
                    {film}, static_cast<std::int64_t>(index));
                bool full = Velmora::TaskbarWindowRules::fillsScreen(
                    candidates, [&] { return screens[index].frame.width(); });
                EXPECT_EQ(full, index == covered)
                    << layout.name << ": covering " << covered << ", bar " << index;
            }
        }
    }
}

TEST(TasksOnScreenTest, WithTheSettingABarKeepsTasksWithAWindowOnItsScreenAndThoseWithoutWindows) {
    auto task = [](const std::string& title, std::vector<std::int64_t> displays) {
        Velmora::Windows windows;
        for (auto display : displays) windows.push_back(window(100, {}, false, display));
        return Brindle::make<Velmora::Task>(nullptr, 0,
                                            *platform::URL::fromString("file:///Applications/" + title),
                                            false, 0, title, std::nullopt, windows);
    };
    Velmora::TaskList tasks{task("Pinned", {}), task("First", {0}), task("Second", {1}),
                            task("Both", {1, 0})};
    auto titles = [&](std::int64_t screen, bool only) {
        std::vector<std::string> result;
        for (const auto& shown : Velmora::TaskbarWindowRules::tasksOnScreen(tasks, screen, only))
            result.push_back(shown->title);
        return result;
    };
    using Titles = std::vector<std::string>;
    EXPECT_EQ(titles(1, false), (Titles{"Pinned", "First", "Second", "Both"}));
    EXPECT_EQ(titles(0, true), (Titles{"Pinned", "First", "Both"}));
    EXPECT_EQ(titles(1, true), (Titles{"Pinned", "Second", "Both"}));
}

TEST(FullscreenMemoTest, ADecisionStandsOnlyForTheSameReadingScreenAndWidth) {
    using Velmora::TaskbarWindowRules::FullscreenMemo;
    FullscreenMemo memo;
    EXPECT_FALSE(memo.recall(1, 0, 1440)) << "nothing decided yet";
    memo.store(7, 0, 1440, true);
    struct Case {
        std::optional<std::uint64_t> stamp;
        std::int64_t screen;
        double width;
        std::optional<bool> recalled;
    };
    for (const auto& [stamp, screen, width, recalled] : std::vector<Case>{
             {7, 0, 1440, true},
             {8, 0, 1440, std::nullopt},             // another reading of the windows
             {std::nullopt, 0, 1440, std::nullopt},  // a desktop that cannot tell its changes
             {7, 1, 1440, std::nullopt},             // the bar's screen moved in the list
             {7, 0, 1920, std::nullopt},             // the screen changed size
         })
        EXPECT_EQ(memo.recall(stamp, screen, width), recalled)
            << stamp.value_or(0) << " " << screen << " " << width;
    memo.store(std::nullopt, 0, 1440, false);
    EXPECT_FALSE(memo.recall(7, 0, 1440)) << "a decision without a stamp replaces the last and is not kept";
}
