#include <gtest/gtest.h>

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "platform/qt/QtDesktopBridge.h"
#include "platform/qt/Window.h"
#include "platform/qt/testing/GuiTestLoop.h"

using namespace platform;
using namespace platform::qt;

TEST(QtDesktopBridge, ReportsQtsScreensAtOnceAndThePointerAndModifiersInThePlatformsTerms) {
    std::vector<std::vector<Screen>> reports;
    QtDesktopBridge bridge([&](std::vector<Screen> screens) { reports.push_back(std::move(screens)); });
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], QtDesktopBridge::currentScreens());
    auto first = QGuiApplication::screens().front()->geometry();
    EXPECT_EQ(reports[0].at(0).frame, Rect::make(0, 0, first.width(), first.height()));
    Screens::update({});
    QCursor::setPos(first.x() + 10, first.y() + first.height() - 1);
    EXPECT_EQ(QtDesktopBridge::mouseLocation(), (Point{10, 1}));

    EXPECT_EQ(QtDesktopBridge::modifierFlags(), 0u) << "no key is held";
    EXPECT_EQ(QtDesktopBridge::modifierFlags(Qt::ShiftModifier), 1u << 17);
    EXPECT_EQ(QtDesktopBridge::modifierFlags(Qt::ControlModifier | Qt::AltModifier), (1u << 18) | (1u << 19));
    EXPECT_EQ(QtDesktopBridge::modifierFlags(Qt::MetaModifier | Qt::KeypadModifier), 1u << 20);
}

// Runs with two offscreen screens (see CMakeLists.txt): 1440×900 at scale 2 and, to its right and
// 180 points higher, 1920×1080 at scale 1.
TEST(TwoScreens, TheBridgeListsBothAndWindowsAndThePointerGoThroughTheScreenTheyAreOn) {
    if (QGuiApplication::screens().size() < 2) GTEST_SKIP() << "needs the two-screen configuration";
    GuiTestLoop loop;
    struct Forget {
        ~Forget() { Screens::update({}); }
    } forget;
    QtDesktopBridge bridge;
    auto screens = Screens::screens();
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(screens[0].frame, Rect::make(0, 0, 1440, 900));
    EXPECT_EQ(screens[1].frame, Rect::make(1440, 0, 1920, 1080));
    Window bar(Rect::make(1440, 0, 1920, 86), WindowStyleMask::borderless);
    bar.orderFront();
    loop.runUntilIdle();
    EXPECT_EQ(bar.widget()->geometry(), QRect(1440, 814, 1920, 86));
    EXPECT_EQ(bar.widget()->screen(), QGuiApplication::screens()[1]);
    EXPECT_EQ(bar.screen()->identifier, screens[1].identifier);
    // Moved by Qt (the user or the window manager) onto the first screen.
    bar.widget()->setGeometry(0, 814, 1440, 86);
    loop.runUntilIdle();
    EXPECT_EQ(bar.frame(), Rect::make(0, 0, 1440, 86));
    EXPECT_EQ(bar.screen()->identifier, screens[0].identifier);
    // The pointer above the first screen has a y above its height.
    QCursor::setPos(2000, -100);
    EXPECT_EQ(QtDesktopBridge::mouseLocation(), (Point{2000, 1000}));
}
