#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include "platform/qt/KeyForwarder.h"
#include "tests/support/SimulatedDesktopTesting.h"

using namespace platform;

TEST(KeyForwarder, HandsKeysTypedIntoTheProgramsWindowsToTheLocalMonitorsOnce) {
    test_support::InstalledDesktop desktop;
    std::vector<std::tuple<EventType, std::uint16_t, std::uint64_t>> events;
    auto monitor = EventMonitors::shared()->addLocalMonitor(
        eventMask(EventType::keyDown) | eventMask(EventType::flagsChanged),
        [&](const Event& event) -> std::optional<Event> {
            events.emplace_back(event.type, event.keyCode, event.modifierFlags);
            if (event.keyCode == KeyCode::escape) return std::nullopt;
            return event;
        });
    struct KeyCounter : QWidget {
        void keyPressEvent(QKeyEvent* event) override { keys.push_back(event->key()); }
        std::vector<int> keys;
    } window;
    window.show();
    qt::KeyForwarder forwarder;
    qApp->installEventFilter(&forwarder);
    auto* handle = window.windowHandle();
    QTest::keyClick(handle, Qt::Key_A);
    QTest::keyClick(handle, Qt::Key_Escape);
    QKeyEvent shift(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
    QCoreApplication::sendEvent(handle, &shift);
    qApp->removeEventFilter(&forwarder);
    EventMonitors::shared()->removeMonitor(monitor);
    EXPECT_EQ(events, (decltype(events){{EventType::keyDown, 0, 0},
                                        {EventType::keyDown, KeyCode::escape, 0},
                                        {EventType::flagsChanged, 0, ModifierFlags::shift}}));
    EXPECT_EQ(Events::modifierFlags(), ModifierFlags::shift);
    EXPECT_EQ(window.keys, (std::vector<int>{Qt::Key_A, Qt::Key_Shift})) << "only Escape was swallowed";
}

TEST(KeyForwarder, HandsPointerMovesOverTheProgramsWindowsToTheLocalMonitorsWithoutTakingThem) {
    // The platform's one screen is Qt's, so that a position converts by turning y over.
    const auto qtScreen = QGuiApplication::primaryScreen()->geometry();
    test_support::InstalledDesktop desktop(R"({"screens": [{"frame": [0, 0, )" +
                                           std::to_string(qtScreen.width()) + ", " +
                                           std::to_string(qtScreen.height()) + R"(], "scale": 1}]})");
    std::vector<std::pair<EventType, Point>> events;
    constexpr auto moves = eventMask(EventType::mouseMoved) | eventMask(EventType::leftMouseDragged) |
                           eventMask(EventType::rightMouseDragged);
    auto monitor =
        EventMonitors::shared()->addLocalMonitor(moves, [&](const Event& event) -> std::optional<Event> {
            events.emplace_back(event.type, event.location);
            return std::nullopt;
        });
    struct MoveCounter : QWidget {
        void mouseMoveEvent(QMouseEvent*) override { ++moves; }
        int moves = 0;
    } window;
    window.setMouseTracking(true);
    window.setGeometry(100, 50, 200, 100);
    window.show();
    qt::KeyForwarder forwarder;
    qApp->installEventFilter(&forwarder);
    auto* handle = window.windowHandle();
    QTest::mouseMove(handle, QPoint(10, 20));
    QTest::mousePress(handle, Qt::LeftButton, {}, QPoint(10, 20));
    QTest::mouseMove(handle, QPoint(30, 40));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, QPoint(30, 40));
    QTest::mousePress(handle, Qt::RightButton, {}, QPoint(30, 40));
    QTest::mouseMove(handle, QPoint(50, 60));
    QTest::mouseRelease(handle, Qt::RightButton, {}, QPoint(50, 60));
    qApp->removeEventFilter(&forwarder);
    EventMonitors::shared()->removeMonitor(monitor);
    const double bottom = qtScreen.height();
    const auto origin = handle->mapToGlobal(QPoint(0, 0));
    auto at = [&](int x, int y) { return Point{double(origin.x() + x), bottom - (origin.y() + y)}; };
    EXPECT_EQ(events, (decltype(events){{EventType::mouseMoved, at(10, 20)},
                                        {EventType::leftMouseDragged, at(30, 40)},
                                        {EventType::rightMouseDragged, at(50, 60)}}));
    EXPECT_EQ(window.moves, 3) << "a monitor does not take a move from the window";
    EXPECT_EQ(Events::mouseLocation(), at(50, 60));
}
