#include <QWidget>

#include "Velmora/settings/EventManager.h"
#include "Velmora/taskbar/MouseManager.h"
#include "Velmora/taskbar/TimeManager.h"
#include "Velmora/taskbar/views/MainMenuTransparentWindow.h"
#include "Velmora/taskbar/views/Taskbar.h"
#include "Velmora/taskbar/views/TaskbarWindow.h"
#include "Velmora/taskbar/views/WindowStates.h"
#include "platform/qt/testing/GuiTestLoop.h"
#include "tests/Velmora/taskbar/BarModelTesting.h"

using platform::Rect;
using Velmora::TaskbarWindow;
using Velmora::WindowStateFullscreen;
using Velmora::WindowStateIdle;

class BarWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The pointer is shared by every bar: away from the bottom edge, whatever an earlier test did.
        movePointer(100, 400);
        harness.refresh();
        Velmora::MainMenuTransparentWindow::installFactory();
    }
    void TearDown() override { loop.runUntilIdle(); }
    struct Bar {
        template <class State>
        bool isIn() const {
            return std::dynamic_pointer_cast<State>(window->currentState()) != nullptr;
        }
        std::shared_ptr<Velmora::TaskbarViewModel> model;
        std::shared_ptr<TaskbarWindow> window;
    };
    Bar makeBar(std::size_t index) {
        Bar bar{harness.makeBar(index), Brindle::make<TaskbarWindow>(new QWidget, harness.manager)};
        bar.window->taskbarViewModel = bar.model;
        bar.window->setup(screen(index));
        return bar;
    }
    platform::Screen screen(std::size_t index) const { return platform::Screens::screens().at(index); }
    // The pointer, y measured from the top of the first screen.
    void movePointer(double x, double y) {
        harness.desktop->setMouseLocation({x, 900 - y});
        Velmora::MouseManager::shared()->mouseMos.accept({x, y});
    }
    // Two screens and a player whose window a test may make fill the first one.
    bar_testing::BarHarness<platform::qt::GuiTestLoop> harness{R"({"screens": [
        {"id": "built-in", "frame": [0, 0, 1440, 900]}, {"id": "external", "frame": [1440, 0, 1920, 1080]}],
      "applications": [{"pid": 700, "name": "Player", "bundleIdentifier": "com.example.player",
                        "windows": [{"title": "Film", "frame": [100, 100, 400, 300]}]}]})"};
    platform::qt::GuiTestLoop& loop = harness.loop;
};

TEST_F(BarWindowTest, EachBarLiesAlongItsScreensBottomAndAHideRequestHidesOnlyThatBarUntilTheEdge) {
    auto first = makeBar(0);
    auto second = makeBar(1);
    EXPECT_EQ(second.window->frame(), Rect::make(1440, 0, 1920, 86));
    // Shown after the debounce.
    second.model->show.set(false);
    loop.advance(0.1);
    EXPECT_FALSE(second.model->show.value());
    loop.advance(0.15);
    EXPECT_TRUE(second.model->show.value());
    Velmora::EventManager::shared()->hideOnScreen.onNext(screen(1));
    loop.advance(0.3);
    EXPECT_TRUE(first.model->show.value());
    EXPECT_FALSE(second.model->show.value());
    // The menu opens above its button and shows the hidden bar without ending the hide.
    second.model->menuButtonFrame = Rect::make(700, 0, 0, 0);
    second.model->toggleMainMenu();
    loop.advance(0.3);
    EXPECT_TRUE(second.model->show.value());
    auto menu =
        std::dynamic_pointer_cast<Velmora::MainMenuTransparentWindow>(second.model->menuWindow.value());
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->window()->frame(), Rect::make(1440 + 700 - 400, 58, 800, 640));
    second.model->closeMainMenu();
    loop.advance(0.3);
    EXPECT_FALSE(second.model->show.value() || menu->window()->isVisible());
    // A second request while hidden is ignored.
    Velmora::EventManager::shared()->hideOnScreen.onNext(screen(1));
    EXPECT_TRUE(second.isIn<WindowStateFullscreen>());
    // Only the height counts: the first screen's bottom edge lies at the same height.
    movePointer(100, 898);
    loop.advance(0.6);
    EXPECT_TRUE(second.isIn<WindowStateIdle>());
    EXPECT_TRUE(second.model->show.value());
}

TEST_F(BarWindowTest, AWindowFillingTheScreenHidesItsBarUntilThePointerRestsAtTheBottomEdge) {
    auto fillFirstScreen = [&](bool fill) {
        auto frame = fill ? Rect::make(0, 0, 1440, 900) : Rect::make(100, 100, 400, 300);
        harness.desktop->setWindows(700, {{.title = "Film", .frame = frame}});
    };
    fillFirstScreen(true);
    auto bar = makeBar(0);
    auto other = makeBar(1);
    loop.runUntilIdle();
    loop.advance(TaskbarWindow::firstFullscreenTestDelay);
    EXPECT_TRUE(bar.isIn<WindowStateFullscreen>()) << "from the first test on";
    EXPECT_FALSE(other.window->fullscreen.value()) << "the window lies on the first screen only";
    loop.advance(0.3);
    EXPECT_FALSE(bar.model->show.value());
    movePointer(100, 897);
    loop.advance(0.6);
    EXPECT_TRUE(bar.model->show.value());
    EXPECT_TRUE(bar.isIn<WindowStateFullscreen>());
    movePointer(100, 500);
    loop.advance(0.6);
    EXPECT_FALSE(bar.model->show.value());
    EXPECT_TRUE(bar.window->isVisible()) << "only the bar slides away";
    fillFirstScreen(false);
    loop.advance(TaskbarWindow::fullscreenTestPeriod);
    EXPECT_TRUE(bar.isIn<WindowStateIdle>());
    loop.advance(0.3);
    EXPECT_TRUE(bar.model->show.value());
}

TEST_F(BarWindowTest, OnlyTheBodyShowsAndTheBarReservesItsHeightOnlyWhileShownOfItsOwnAccord) {
    auto model = harness.makeBar(0);
    auto* view = new Velmora::Taskbar(harness.manager, harness.settings,
                                      Brindle::make<Velmora::TimeManager>(), nullptr, model, nullptr);
    auto window = Brindle::make<TaskbarWindow>(view, harness.manager);
    window->taskbarViewModel = model;
    window->setup(screen(0));
    loop.runUntilIdle();
    loop.advance(0.3);
    auto settings = view->themeSettings();
    const double shownHeight = settings.defaultHeight + settings.padding.bottom;
    auto body = [&] { return QRect(view->body()->mapTo(window->widget(), QPoint()), view->body()->size()); };
    // The body's rounded outline, as far as it lies in the window.
    auto followsBody = [&] {
        auto region = window->visibleRegion();
        auto shown = body() & window->widget()->rect();
        bool rounded = view->themeSettings().cornerRadius > 0;
        return region.boundingRect() == shown && (shown.isEmpty() || region.contains(shown.center())) &&
               region.contains(body().topLeft()) != rounded;
    };
    EXPECT_EQ(window->reservedBottomEdge(), shownHeight);
    ASSERT_GT(settings.cornerRadius, 0);
    EXPECT_TRUE(followsBody());
    EXPECT_LT(body().width(), window->widget()->width()) << "the centred body leaves room beside it";
    EXPECT_EQ(window->widget()->height() - body().top(), shownHeight);
    EXPECT_FALSE(window->bypassesWindowManager());
    // Another layout: the region follows the body across the screen.
    harness.settings->taskbarTheme.accept(Velmora::TaskbarTheme::fullscreenLeft);
    loop.advance(0.3);
    EXPECT_GT(body().width(), window->widget()->width() - 40);
    EXPECT_TRUE(followsBody());
    EXPECT_EQ(window->reservedBottomEdge(),
              view->themeSettings().defaultHeight + view->themeSettings().padding.bottom);
    harness.settings->taskbarTheme.accept(Velmora::TaskbarTheme::centered);
    loop.advance(0.3);
    EXPECT_TRUE(followsBody());

    // Hidden on request: nothing reserved, and the region follows the body down.
    Velmora::EventManager::shared()->hideOnScreen.onNext(screen(0));
    loop.advance(0.3);
    EXPECT_FALSE(model->show.value());
    EXPECT_EQ(window->reservedBottomEdge(), 0);
    EXPECT_TRUE(followsBody());
    EXPECT_TRUE(window->visibleRegion().isEmpty()) << "no strip of the body stays";
    movePointer(100, 899);
    loop.advance(0.6);
    EXPECT_TRUE(model->show.value());
    EXPECT_EQ(window->reservedBottomEdge(), shownHeight) << "reaching the edge ends the hide";
    movePointer(100, 400);

    // Over a full-screen window: nothing reserved, even while revealed at the edge, and the window
    // leaves the window manager until the full screen ends.
    harness.desktop->setWindows(700, {{.title = "Film", .frame = Rect::make(0, 0, 1440, 900)}});
    loop.advance(TaskbarWindow::fullscreenTestPeriod);
    loop.advance(0.3);
    EXPECT_TRUE(window->fullscreen.value());
    EXPECT_EQ(window->reservedBottomEdge(), 0);
    EXPECT_TRUE(window->bypassesWindowManager());
    movePointer(100, 899);
    loop.advance(0.6);
    EXPECT_TRUE(model->show.value());
    EXPECT_EQ(window->reservedBottomEdge(), 0);
    EXPECT_TRUE(followsBody());
    movePointer(100, 400);
    harness.desktop->setWindows(700, {{.title = "Film", .frame = Rect::make(100, 100, 400, 300)}});
    loop.advance(TaskbarWindow::fullscreenTestPeriod);
    loop.advance(0.3);
    EXPECT_EQ(window->reservedBottomEdge(), shownHeight);
    EXPECT_FALSE(window->bypassesWindowManager());
}

TEST_F(BarWindowTest, ABurstOfWindowChangesMakesOneFullScreenTestOnTheNextTurn) {
    auto bar = makeBar(0);
    loop.runUntilIdle();
    loop.advance(TaskbarWindow::firstFullscreenTestDelay);
    int tests = 0;
    rx::DisposeBag bag;
    bar.window->shouldUpdateFullscreenMode.asObservable()
        .subscribe([&](const rx::Unit&) { ++tests; })
        .disposed(bag);
    // The player goes full screen amid a burst of state, active-window and occlusion changes.
    harness.desktop->setWindows(700, {{.title = "Film", .frame = Rect::make(0, 0, 1440, 900)}});
    for (int change = 0; change < 5; ++change) {
        platform::Workspace::notificationCenter()->post(
            platform::WindowList::windowStateDidChangeNotification);
        platform::NotificationCenter::defaultCenter()->post(
            platform::qt::Window::didChangeOcclusionStateNotification);
    }
    loop.runUntilIdle();
    EXPECT_EQ(tests, 1);
    EXPECT_TRUE(bar.window->fullscreen.value()) << "without waiting for the periodic test";
    // A later change is tested again.
    harness.desktop->setWindows(700, {{.title = "Film", .frame = Rect::make(100, 100, 400, 300)}});
    platform::Workspace::notificationCenter()->post(platform::WindowList::windowStateDidChangeNotification);
    loop.runUntilIdle();
    EXPECT_FALSE(bar.window->fullscreen.value());
}
