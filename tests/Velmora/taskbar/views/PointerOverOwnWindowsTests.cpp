#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include "Velmora/taskbar/MouseManager.h"
#include "Velmora/taskbar/views/TaskbarWindow.h"
#include "platform/qt/KeyForwarder.h"
#include "platform/qt/testing/GuiTestLoop.h"
#include "tests/Velmora/taskbar/BarModelTesting.h"

using Velmora::MouseManager;

// The desktop leaves the pointer's moves over the program's own windows to the program. The
// pointer's position must follow them all the same: resting on the bar, the pointer lies in the
// bottom band that keeps a revealed bar shown, and sampling stops whenever the pointer keeps still.
TEST(PointerOverOwnWindows, ThePointersPositionFollowsItOntoTheBarAfterSamplingHasStopped) {
    // The platform's one screen is Qt's, so that a position converts by turning y over.
    const auto qtScreen = QGuiApplication::primaryScreen()->geometry();
    const double height = qtScreen.height();
    bar_testing::BarHarness<platform::qt::GuiTestLoop> harness{
        R"({"screens": [{"frame": [0, 0, )" + std::to_string(qtScreen.width()) + ", " +
        std::to_string(qtScreen.height()) + R"(], "scale": 1}]})"};
    auto bar = Brindle::make<Velmora::TaskbarWindow>(new QWidget, harness.manager);
    bar->taskbarViewModel = harness.makeBar(0);
    bar->setup(platform::Screens::screens().at(0));
    harness.loop.advance(0.5);
    auto* window = bar->widget()->windowHandle();
    ASSERT_TRUE(window && window->isVisible());
    platform::qt::KeyForwarder forwarder;
    qApp->installEventFilter(&forwarder);

    auto mouse = Brindle::make<MouseManager>();
    harness.desktop->setMouseLocation({200, 400});
    harness.loop.advance(MouseManager::quietTime + 1.0);
    ASSERT_EQ(mouse->mouseMos.value(), (platform::Point{200, height - 400}));
    // Onto the bar, 3 points above the screen's bottom edge.
    QTest::mouseMove(window, window->mapFromGlobal(QPoint(300, qtScreen.bottom() - 2)));
    harness.loop.advance(MouseManager::samplingInterval);
    EXPECT_EQ(mouse->mouseMos.value(), (platform::Point{300, height - 3}));
    qApp->removeEventFilter(&forwarder);
}
