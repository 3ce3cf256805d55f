#include <gtest/gtest.h>

#include <QWidget>
#include <memory>
#include <vector>

#include "Brindle/Object.h"
#include "Velmora/taskbar/views/BaseWindow.h"
#include "Velmora/taskbar/views/DebugWindow.h"
#include "Velmora/taskbar/views/TransparentWindow.h"
#include "platform/qt/Window.h"
#include "platform/qt/testing/GuiTestLoop.h"
#include "platform/sim/SimulatedDesktop.h"
#include "platform/system/Screen.h"
#include "platform/system/System.h"
#include "tests/support/SimulatedDesktopTesting.h"

namespace {

using platform::Rect;
using platform::Screen;
using platform::qt::WindowLevel;
using platform::qt::WindowStyleMask;
using Velmora::BaseWindow;
using Velmora::TransparentWindow;

constexpr const char* twoScreens = R"({"screens": [
    {"id": "built-in", "frame": [0, 0, 1440, 900]},
    {"id": "external", "frame": [1440, 0, 1920, 1080]}]})";

class WindowClassTest : public ::testing::Test {
protected:
    void TearDown() override { loop.runUntilIdle(); }

    Screen screen(std::size_t index) const { return platform::Screens::screens().at(index); }
    template <class W = BaseWindow>
    std::shared_ptr<W> makeWindow(Rect frame = Rect::make(100, 100, 400, 400)) {
        return Brindle::make<W>(frame);
    }

    platform::qt::GuiTestLoop loop;
    test_support::InstalledDesktop desktop{twoScreens};
};

// What a close callback saw.
struct Closes {
    std::vector<BaseWindow*> windows;
    BaseWindow::OnClose callback() {
        return [this](const std::shared_ptr<BaseWindow>& window) { windows.push_back(window.get()); };
    }
};

TEST_F(WindowClassTest, SetupRemembersTheScreenAndComesToTheFrontOnTheNextTurn) {
    auto window = makeWindow<Velmora::DebugWindow>();
    EXPECT_FALSE(window->display);
    EXPECT_EQ(window->setup(screen(1), nullptr), window);
    EXPECT_EQ(window->display, screen(1));
    EXPECT_TRUE(window->isOpaque());
    EXPECT_FALSE(window->hasShadow());
    EXPECT_EQ(window->delegate(), window);
    EXPECT_FALSE(window->isVisible());

    loop.runUntilIdle();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isKeyWindow());
    EXPECT_TRUE(window->isMainWindow());
}

TEST_F(WindowClassTest, CloseRunsTheCallbackOnceAndForgetsTheScreen) {
    Closes closes;
    auto window = makeWindow();
    window->setup(screen(0), closes.callback());
    loop.runUntilIdle();

    window->close();
    window->close();
    EXPECT_EQ(closes.windows, std::vector<BaseWindow*>{window.get()});
    EXPECT_FALSE(window->onClose);
    EXPECT_FALSE(window->display);
    EXPECT_FALSE(window->isVisible());

    // Without a callback the window still forgets its screen and closes.
    auto plain = makeWindow();
    plain->setup(screen(0), nullptr);
    loop.runUntilIdle();
    plain->close();
    EXPECT_FALSE(plain->display);
    EXPECT_FALSE(plain->isVisible());

    // A closed window can be set up again, as the main menu is at every opening.
    window->setup(screen(0), closes.callback());
    loop.runUntilIdle();
    EXPECT_TRUE(window->isVisible());
    // The window manager's close button closes through the same path.
    window->widget()->close();
    loop.runUntilIdle();
    EXPECT_EQ(closes.windows.size(), 2u);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(WindowClassTest, ACallbackMayReleaseTheWindowOrCloseItAgain) {
    std::vector<std::shared_ptr<BaseWindow>> windowControllers{makeWindow()};
    int calls = 0;
    QWidget* widget = windowControllers.front()->widget();
    windowControllers.front()->setup(screen(0), [&](const std::shared_ptr<BaseWindow>& closed) {
        ++calls;
        closed->close();
        std::erase(windowControllers, closed);
    });
    loop.runUntilIdle();
    std::weak_ptr<BaseWindow> weak = windowControllers.front();

    widget->close();
    loop.runUntilIdle();
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(windowControllers.empty());
    EXPECT_TRUE(weak.expired());
}

TEST_F(WindowClassTest, OnlyAWindowThatAsksForItClosesWhenAnotherBecomesMain) {
    Closes closes;
    auto menu = makeWindow<TransparentWindow>();
    menu->closeOnResignKey = true;
    menu->setup(screen(0), closes.callback());
    auto settings = makeWindow();
    settings->setup(screen(0), closes.callback());
    loop.runUntilIdle();
    // Both came forward in turn; the settings window took main status from the menu.
    EXPECT_EQ(closes.windows, std::vector<BaseWindow*>{menu.get()});
    EXPECT_FALSE(menu->isVisible());
    EXPECT_TRUE(settings->isMainWindow());

    auto onboarding = makeWindow();
    onboarding->setup(screen(0), closes.callback());
    loop.runUntilIdle();
    EXPECT_TRUE(onboarding->isMainWindow());
    EXPECT_TRUE(settings->isVisible());
    EXPECT_EQ(closes.windows.size(), 1u);
}

TEST_F(WindowClassTest, AWindowClosedBeforeItsTurnStaysClosed) {
    Closes closes;
    auto menu = makeWindow<TransparentWindow>();
    menu->setup(screen(0), closes.callback());
    menu->close();
    loop.runUntilIdle();
    EXPECT_FALSE(menu->isVisible());
    EXPECT_FALSE(menu->isKeyWindow());
    EXPECT_EQ(closes.windows.size(), 1u);

    // A window released before its turn is simply gone.
    std::weak_ptr<BaseWindow> weak;
    {
        auto released = makeWindow();
        released->setup(screen(0), nullptr);
        weak = released;
    }
    loop.runUntilIdle();
    EXPECT_TRUE(weak.expired());
}

TEST_F(WindowClassTest, TheTransparentWindowIsABorderlessMainMenuLevelWindowOverTheWholeScreen) {
    auto menu = makeWindow<TransparentWindow>(Rect::make(0, 0, 800, 640));
    menu->setup(screen(1), nullptr);
    EXPECT_EQ(menu->styleMask(), WindowStyleMask::borderless);
    EXPECT_TRUE(menu->titlebarAppearsTransparent());
    EXPECT_TRUE(menu->titleHidden());
    EXPECT_TRUE(menu->standardButtonsHidden());
    EXPECT_FALSE(menu->hasShadow());
    EXPECT_EQ(menu->level(), WindowLevel::mainMenu);
    EXPECT_EQ(menu->frame(), screen(1).frame);
    EXPECT_EQ(menu->backgroundColor().alpha(), 0);
    EXPECT_EQ(menu->display, screen(1));

    // The caller places it before it comes forward; borderless, it still becomes key and main.
    menu->setFrame(Rect::make(1500, 52, 800, 640), false);
    loop.runUntilIdle();
    EXPECT_TRUE(menu->isVisible());
    EXPECT_TRUE(menu->isKeyWindow());
    EXPECT_TRUE(menu->isMainWindow());
    EXPECT_EQ(menu->frame(), Rect::make(1500, 52, 800, 640));
    EXPECT_EQ(menu->screen()->identifier, "external");
    EXPECT_TRUE(menu->widget()->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(menu->widget()->windowFlags() & Qt::WindowStaysOnTopHint);
}

}  // namespace
