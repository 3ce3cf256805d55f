#include <gtest/gtest.h>

#include <QKeyEvent>
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
