#include <gtest/gtest.h>
#include <unistd.h>

#include <QWidget>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Velmora/settings/EventManager.h"
#include "Velmora/settings/SettingsManager.h"
#include "Velmora/taskbar/MouseManager.h"
#include "Velmora/taskbar/TaskbarViewModel.h"
#include "Velmora/taskbar/TaskbarWindowRules.h"
#include "Velmora/taskbar/views/MainMenuTransparentWindow.h"
#include "Velmora/taskbar/views/TaskbarWindow.h"
#include "Velmora/taskbar/views/WindowStates.h"
#include "Velmora/tracking/ApplicationManager.h"
#include "Velmora/tracking/Window.h"
#include "Velmora/tracking/WindowSystemUtils.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/qt/testing/GuiTestLoop.h"
#include "platform/sim/SimulatedDesktop.h"
#include "platform/system/Screen.h"
#include "platform/system/System.h"
#include "platform/testing/TestDispatchQueues.h"
#include "tests/support/FreshDefaults.h"

namespace {

using platform::Rect;
using platform::Screen;
using Velmora::FullscreenSides;
using Velmora::TaskbarWindow;
using Velmora::TaskbarWindowRules::EdgeBand;

constexpr const char* twoScreens = R"({"screens": [
    {"id": "built-in", "frame": [0, 0, 1440, 900]},
    {"id": "external", "frame": [1440, 0, 1920, 1080]}]})";

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

TEST(RectangleTextTest, PrintsEachNumberInItsShortestExactForm) {
    using Velmora::TaskbarWindowRules::describe;
    EXPECT_EQ(describe(platform::Rect::make(1000.125, -0.5, 86, 1234567.875)),
              "(1000.125, -0.5, 86.0, 1234567.875)");
    EXPECT_EQ(describe(platform::Rect::make(0.1, 1e-7, 0, 33.333333333333336)),
              "(0.1, 1e-07, 0.0, 33.333333333333336)");
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

namespace {

using test_support::FreshDefaults;

struct Controllers : Velmora::WindowControllerList {
    void appendWindowController(const std::shared_ptr<Velmora::MainMenuWindow>& window) override {
        windows.push_back(window);
    }
    void removeWindowController(const std::shared_ptr<Velmora::MainMenuWindow>& window) override {
        std::erase(windows, window);
    }
    std::vector<std::shared_ptr<Velmora::MainMenuWindow>> windows;
};

// The full-screen flag is set by the tests themselves.
class ManualTaskbarWindow : public TaskbarWindow {
public:
    using TaskbarWindow::TaskbarWindow;
    void updateFullscreenMode() override { ++tests; }
    int tests = 0;
};

class BarWindowTest : public ::testing::Test {
protected:
    void SetUp() override { Velmora::MainMenuTransparentWindow::installFactory(); }
    void TearDown() override {
        Velmora::MainMenuWindow::setFactory(nullptr);
        loop.runUntilIdle();
    }

    Screen screen(std::size_t index) const { return platform::Screens::screens().at(index); }

    struct Bar {
        std::shared_ptr<Velmora::TaskbarViewModel> model;
        std::shared_ptr<ManualTaskbarWindow> window;
    };
    Bar makeBar(std::size_t index) {
        auto model = Brindle::make<Velmora::TaskbarViewModel>(screen(index), controllers, manager);
        auto window = Brindle::make<ManualTaskbarWindow>(new QWidget, manager);
        window->taskbarViewModel = model;
        window->setup(screen(index));
        return {model, window};
    }
    // The pointer, y measured from the top of the first screen.
    void movePointer(double x, double y) {
        desktop->setMouseLocation({x, 900 - y});
        Velmora::MouseManager::shared()->mouseMos.accept({x, y});
    }
    template <class State>
    static bool isIn(const Bar& bar) {
        return std::dynamic_pointer_cast<State>(bar.window->currentState()) != nullptr;
    }

    platform::qt::GuiTestLoop loop;
    FreshDefaults defaults;
    std::shared_ptr<platform::sim::SimulatedDesktop> desktop =
        platform::sim::SimulatedDesktop::fromJSON(twoScreens);
    platform::ScopedSystem installed{desktop};
    std::shared_ptr<platform::testing::ManualDispatchQueue> queue =
        std::make_shared<platform::testing::ManualDispatchQueue>("refresh");
    platform::testing::ScopedDispatchFactory factory{
        [queue = queue](const std::string&, platform::QualityOfService,
                        bool) -> std::shared_ptr<platform::DispatchQueue> { return queue; }};
    std::shared_ptr<Velmora::SettingsManager> settings = Brindle::make<Velmora::SettingsManager>();
    std::shared_ptr<Velmora::ApplicationManager> manager =
        Brindle::make<Velmora::ApplicationManager>(settings);
    std::shared_ptr<Controllers> controllers = std::make_shared<Controllers>();
};

TEST_F(BarWindowTest, EachBarLiesAlongTheBottomOfItsScreenAndShowsAfterTheDebounce) {
    auto first = makeBar(0);
    auto second = makeBar(1);
    EXPECT_EQ(first.window->frame(), Rect::make(0, 0, 1440, 86));
    EXPECT_EQ(second.window->frame(), Rect::make(1440, 0, 1920, 86));
    EXPECT_EQ(second.window->level(), platform::qt::WindowLevel::screenSaver);
    EXPECT_EQ(second.window->styleMask(), platform::qt::WindowStyleMask::borderless);
    EXPECT_TRUE(isIn<Velmora::WindowStateIdle>(second));

    second.model->show.set(false);
    loop.advance(0.1);
    EXPECT_FALSE(second.model->show.value());
    loop.advance(0.15);
    EXPECT_TRUE(second.model->show.value());
    EXPECT_TRUE(second.window->isVisible());
    EXPECT_GE(second.window->tests, 1);
    EXPECT_FALSE(second.window->hasShadow());
}

TEST_F(BarWindowTest, FullScreenHidesTheBarUntilThePointerRestsAtTheBottomEdge) {
    auto bar = makeBar(0);
    loop.advance(0.3);
    bar.window->fullscreen.accept(true);
    EXPECT_TRUE(isIn<Velmora::WindowStateFullscreen>(bar));
    loop.advance(0.3);
    EXPECT_FALSE(bar.model->show.value());
    EXPECT_TRUE(bar.window->isVisible());

    movePointer(100, 897);
    loop.advance(0.6);
    EXPECT_TRUE(bar.model->show.value());
    EXPECT_TRUE(isIn<Velmora::WindowStateFullscreen>(bar));
    movePointer(100, 850);
    loop.advance(0.6);
    EXPECT_TRUE(bar.model->show.value());
    movePointer(100, 500);
    loop.advance(0.6);
    EXPECT_FALSE(bar.model->show.value());

    bar.window->fullscreen.accept(false);
    EXPECT_TRUE(isIn<Velmora::WindowStateIdle>(bar));
    loop.advance(0.3);
    EXPECT_TRUE(bar.model->show.value());
}

TEST_F(BarWindowTest, AlreadyFullScreenMovesOnDuringSetup) {
    auto model = Brindle::make<Velmora::TaskbarViewModel>(screen(0), controllers, manager);
    auto window = Brindle::make<ManualTaskbarWindow>(new QWidget, manager);
    window->taskbarViewModel = model;
    window->fullscreen.accept(true);
    window->setup(screen(0));
    EXPECT_TRUE(std::dynamic_pointer_cast<Velmora::WindowStateFullscreen>(window->currentState()));
    loop.advance(0.3);
    EXPECT_FALSE(model->show.value());
}

TEST_F(BarWindowTest, AHideRequestHidesOnlyThatScreensBarUntilThePointerReachesTheEdge) {
    auto first = makeBar(0);
    auto second = makeBar(1);
    movePointer(100, 400);
    loop.advance(0.3);
    Velmora::EventManager::shared()->hideOnScreen.onNext(screen(1));
    loop.advance(0.3);
    EXPECT_TRUE(first.model->show.value());
    EXPECT_FALSE(second.model->show.value());
    EXPECT_TRUE(second.window->autoHide.value());

    // The menu shows the hidden bar without ending the hide.
    second.model->toggleMainMenu();
    loop.advance(0.3);
    EXPECT_TRUE(second.model->show.value());
    second.model->closeMainMenu();
    loop.advance(0.3);
    EXPECT_FALSE(second.model->show.value());
    // A second request while hidden is ignored.
    Velmora::EventManager::shared()->hideOnScreen.onNext(screen(1));
    EXPECT_TRUE(isIn<Velmora::WindowStateFullscreen>(second));

    // Only the height counts: the first screen's bottom edge lies at the same height.
    movePointer(100, 898);
    loop.advance(0.6);
    EXPECT_FALSE(second.window->autoHide.value());
    EXPECT_TRUE(isIn<Velmora::WindowStateIdle>(second));
    EXPECT_TRUE(second.model->show.value());
}

TEST_F(BarWindowTest, TheMenuOpensAboveItsButtonAndClosesFromTheButtonEscapeOrLosingMainStatus) {
    auto bar = makeBar(1);
    loop.advance(0.3);
    bar.model->menuButtonFrame = Rect::make(700, 0, 0, 0);
    bar.model->toggleMainMenu();
    loop.runUntilIdle();
    auto menu = std::dynamic_pointer_cast<Velmora::MainMenuTransparentWindow>(bar.model->menuWindow.value());
    ASSERT_TRUE(menu);
    EXPECT_TRUE(menu->window()->isVisible());
    EXPECT_EQ(menu->window()->frame(), Rect::make(1440 + 700 - 400, 58, 800, 640));
    EXPECT_EQ(menu->window()->level(), platform::qt::WindowLevel::mainMenu);
    EXPECT_EQ(controllers->windows.size(), 1u);

    bar.model->toggleMainMenu();
    EXPECT_FALSE(menu->window()->isVisible());
    EXPECT_FALSE(bar.model->showingMainMenu.value());
    EXPECT_TRUE(controllers->windows.empty());

    bar.model->toggleMainMenu();
    loop.runUntilIdle();
    EXPECT_EQ(bar.model->menuWindow.value(), menu);
    bar.model->closeMainMenu();
    EXPECT_FALSE(menu->window()->isVisible());
    EXPECT_TRUE(controllers->windows.empty());

    bar.model->toggleMainMenu();
    loop.runUntilIdle();
    EXPECT_TRUE(bar.model->showingMainMenu.value());
    menu->window()->windowDidResignMain(*menu->window());
    EXPECT_FALSE(menu->window()->isVisible());
    EXPECT_FALSE(bar.model->showingMainMenu.value());
    EXPECT_TRUE(controllers->windows.empty());
}

}  // namespace
