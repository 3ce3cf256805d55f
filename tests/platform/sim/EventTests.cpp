#include <gtest/gtest.h>

#include "tests/support/SimulatedDesktopTesting.h"
#include "tests/support/TemporaryFolder.h"

using platform::Event;
using platform::EventType;
using platform::LoginItems;
using platform::sim::EventTarget;

TEST(SimulatedEvents,
     GlobalMonitorsSeeOtherApplicationsEventsLocalOnesMayChangeOrSwallowThemAndBothSetTheState) {
    test_support::InstalledDesktop desktop;
    auto monitors = platform::EventMonitors::shared();
    const auto keyDown = platform::eventMask(EventType::keyDown);
    std::vector<std::uint16_t> global, local;
    auto keys =
        monitors->addGlobalMonitor(keyDown, [&](const Event& event) { global.push_back(event.keyCode); });
    auto swallowEscape = monitors->addLocalMonitor(keyDown, [&](const Event& event) {
        local.push_back(event.keyCode);
        return event.keyCode == platform::KeyCode::escape ? std::nullopt : std::optional<Event>(event);
    });
    auto change = monitors->addLocalMonitor(keyDown, [&](Event event) {
        local.push_back(1000 + event.keyCode);
        event.keyCode = 7;
        return std::optional<Event>(event);
    });
    EXPECT_TRUE(desktop->injectEvent({EventType::keyDown, 53}, EventTarget::otherApplication));
    desktop->injectEvent({EventType::keyUp, 53}, EventTarget::otherApplication);
    EXPECT_EQ(desktop->injectEvent({EventType::keyDown, 53}, EventTarget::thisApplication), std::nullopt);
    EXPECT_EQ(desktop->injectEvent({EventType::keyDown, 12}, EventTarget::thisApplication).value().keyCode,
              7);
    monitors->removeMonitor(keys);
    monitors->removeMonitor(keys);
    desktop->injectEvent({EventType::keyDown, 1}, EventTarget::otherApplication);
    EXPECT_EQ(global, std::vector<std::uint16_t>{53});
    EXPECT_EQ(local, (std::vector<std::uint16_t>{53, 12, 1012}));
    monitors->removeMonitor(swallowEscape);
    monitors->removeMonitor(change);
    desktop->injectEvent({EventType::flagsChanged, 55, platform::ModifierFlags::command},
                         EventTarget::otherApplication);
    desktop->injectEvent({EventType::keyDown, 0, platform::ModifierFlags::shift},
                         EventTarget::otherApplication);
    EXPECT_EQ(platform::Events::modifierFlags(), platform::ModifierFlags::command)
        << "key events carry flags only";
    desktop->injectEvent({EventType::leftMouseDown, 0, 0, {300, 20}}, EventTarget::otherApplication);
    EXPECT_EQ(platform::Events::mouseLocation(), (platform::Point{300, 20}));
    desktop->setModifierFlags(0);
    desktop->setMouseLocation({1, 2});
    EXPECT_EQ(platform::Events::modifierFlags(), 0u);
    EXPECT_EQ(platform::Events::mouseLocation(), (platform::Point{1, 2}));
}

TEST(SimulatedServices, LoginItemsAndScriptsAreRecordedAndLoggedOneJSONLineEach) {
    test_support::TemporaryFolder folder;
    platform::sim::SimulatedDesktop::Options options;
    options.actionLogPath = folder / "actions.log";
    auto desktop = test_support::loadDesktop("{}", options);
    platform::ScopedSystem installed(desktop);
    EXPECT_EQ(LoginItems::shared()->registerMainApp(), std::nullopt);
    EXPECT_EQ(LoginItems::shared()->status(), platform::LoginItemStatus::enabled);
    EXPECT_EQ(LoginItems::shared()->unregisterMainApp(), std::nullopt);
    EXPECT_EQ(LoginItems::shared()->status(), platform::LoginItemStatus::notRegistered);
    EXPECT_FALSE(
        platform::AppleScript::shared()->execute("tell application \"Finder\"\nrestart\nend tell").error);
    EXPECT_EQ(
        test_support::readWholeFile(folder / "actions.log"),
        "{\"action\":\"registerLoginItem\"}\n{\"action\":\"unregisterLoginItem\"}\n"
        "{\"action\":\"appleScript\",\"source\":\"tell application \\\"Finder\\\"\\nrestart\\nend tell\"}\n");
    test_support::InstalledDesktop refusing(R"({"loginItem": {"registerError": "Operation not permitted"}})");
    EXPECT_EQ(LoginItems::shared()->registerMainApp(), "Operation not permitted");
    EXPECT_EQ(LoginItems::shared()->status(), platform::LoginItemStatus::notRegistered);
}
