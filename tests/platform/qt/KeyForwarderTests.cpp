#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QTest>
#include <QWidget>

#include "platform/qt/KeyForwarder.h"
#include "tests/support/SimulatedDesktopTesting.h"

using namespace platform;

TEST(KeyForwarder, HandsKeysTypedIntoTheProgramsWindowsToTheLocalMonitorsOnce) {
    test_support::InstalledDesktop desktop;
    std::vector<Event> events;
    auto monitor = EventMonitors::shared()->addLocalMonitor(
        eventMask(EventType::keyDown) | eventMask(EventType::flagsChanged),
        [&](const Event& event) -> std::optional<Event> {
            events.push_back(event);
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
    ASSERT_TRUE(handle);
    QTest::keyClick(handle, Qt::Key_A);
    QTest::keyClick(handle, Qt::Key_Escape);
    QKeyEvent shift(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
    QCoreApplication::sendEvent(handle, &shift);
    qApp->removeEventFilter(&forwarder);
    EventMonitors::shared()->removeMonitor(monitor);

    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].type, EventType::keyDown);
    EXPECT_EQ(events[0].keyCode, 0);
    EXPECT_EQ(events[1].keyCode, KeyCode::escape);
    EXPECT_EQ(events[2].type, EventType::flagsChanged);
    EXPECT_EQ(events[2].modifierFlags, ModifierFlags::shift);
    EXPECT_EQ(Events::modifierFlags(), ModifierFlags::shift);
    EXPECT_EQ(window.keys, (std::vector<int>{Qt::Key_A, Qt::Key_Shift})) << "only Escape was swallowed";
}
