#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QWidget>

#include "Brindle/Object.h"
#include "Velmora/start-menu/views/MainMenuView.h"
#include "Velmora/taskbar/views/BaseWindow.h"
#include "Velmora/taskbar/views/DebugWindow.h"
#include "Velmora/taskbar/views/MainMenuTransparentWindow.h"
#include "Velmora/taskbar/views/TransparentWindow.h"
#include "platform/qt/testing/GuiTestLoop.h"
#include "platform/system/Screen.h"
#include "tests/support/SimulatedDesktopTesting.h"

using platform::Rect;
using Velmora::BaseWindow;

class WindowClassTest : public ::testing::Test {
protected:
    void TearDown() override { loop.runUntilIdle(); }
    platform::Screen screen(std::size_t index) const { return platform::Screens::screens().at(index); }
    template <class W = BaseWindow>
    std::shared_ptr<W> makeWindow() {
        return Brindle::make<W>(Rect::make(100, 100, 400, 400));
    }
    // A close callback that records the window.
    BaseWindow::OnClose recordClose() {
        return [this](const std::shared_ptr<BaseWindow>& window) { closed.push_back(window.get()); };
    }
    platform::qt::GuiTestLoop loop;
    test_support::InstalledDesktop desktop{R"({"screens": [{"id": "built-in", "frame": [0, 0, 1440, 900]},
                                                          {"id": "external", "frame": [1440, 0, 1920, 1080]}]})"};
    std::vector<BaseWindow*> closed;
};

TEST_F(WindowClassTest, SetUpComesForwardOnTheNextTurnAndEachCloseRunsTheCallbackOnce) {
    auto window = makeWindow<Velmora::DebugWindow>();
    EXPECT_EQ(window->setup(screen(1), recordClose())->display, screen(1));
    EXPECT_FALSE(window->isVisible());
    loop.runUntilIdle();
    EXPECT_TRUE(window->isMainWindow());
    window->close();
    window->close();
    EXPECT_EQ(closed, std::vector<BaseWindow*>{window.get()});
    EXPECT_FALSE(window->display);
    // Closed before its turn, without a callback, it stays closed; released before it, it is gone.
    window->setup(screen(0), nullptr);
    window->close();
    loop.runUntilIdle();
    EXPECT_FALSE(window->isVisible());
    std::weak_ptr<BaseWindow> weak = window;
    window->setup(screen(0), nullptr);
    window.reset();
    loop.runUntilIdle();
    EXPECT_TRUE(weak.expired());
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
    EXPECT_TRUE(weak.expired());
}

TEST_F(WindowClassTest, TheMenuWindowCoversItsScreenUntilPlacedAndAloneClosesWhenAnotherBecomesMain) {
    auto menu = Brindle::make<Velmora::TransparentWindow>(Rect::make(0, 0, 800, 640));
    menu->closeOnResignKey = true;
    menu->setup(screen(1), recordClose());
    EXPECT_EQ(menu->frame(), screen(1).frame);
    // The caller places it before it comes forward; borderless, it still becomes key and main.
    menu->setFrame(Rect::make(1500, 52, 800, 640), false);
    loop.runUntilIdle();
    EXPECT_TRUE(menu->isMainWindow());
    EXPECT_EQ(menu->screen()->identifier, "external");
    auto settings = makeWindow();
    settings->setup(screen(0), recordClose());
    loop.runUntilIdle();
    EXPECT_EQ(closed, std::vector<BaseWindow*>{menu.get()});
    EXPECT_FALSE(menu->isVisible());
    auto onboarding = makeWindow();
    onboarding->setup(screen(0), recordClose());
    loop.runUntilIdle();
    EXPECT_TRUE(onboarding->isMainWindow());
    EXPECT_TRUE(settings->isVisible()) << "it did not ask to close";
}

TEST_F(WindowClassTest, EveryOpeningOfTheMenuPutsTheKeyboardInItsSearchField) {
    Velmora::MainMenuTransparentWindow::installFactory();
    auto menu = std::static_pointer_cast<Velmora::MainMenuTransparentWindow>(
        Velmora::MainMenuWindow::factory()(Velmora::MainMenuWindow::Content{screen(0), 12.0, nullptr}));
    auto* field = menu->view()->searchField();
    for (int opening = 0; opening < 2; ++opening) {
        SCOPED_TRACE(opening);
        menu->setup(screen(0), nullptr);
        menu->setFrame(Rect::make(320, 52, 800, 640), false);
        loop.runUntilIdle();
        EXPECT_EQ(menu->window()->widget()->focusWidget(), field);
        // The offscreen platform activates a window only the first time it is shown.
        if (opening == 0) {
            EXPECT_EQ(QApplication::focusWidget(), field);
            QTest::keyClicks(QApplication::focusWidget(), "ter");
            EXPECT_EQ(field->text(), "ter");
        }
        // Something else in the menu had the keyboard when it closed.
        menu->view()->setFocus();
        menu->close();
        loop.runUntilIdle();
    }
    // A frame shortened for a small screen shortens the menu inside it.
    menu->setFrame(Rect::make(0, 58, 800, 392), false);
    EXPECT_EQ(menu->view()->size(), QSize(800, 392));
    Velmora::MainMenuWindow::setFactory(nullptr);
}
