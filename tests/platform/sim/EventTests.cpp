#include <gtest/gtest.h>

#include "tests/support/SimulatedDesktopTesting.h"
#include "tests/support/TemporaryFolder.h"

using namespace platform;
using namespace platform::sim;

TEST(SimulatedEvents,
     GlobalMonitorsSeeOtherApplicationsEventsLocalOnesMayChangeOrSwallowThemAndBothSetTheState) {
    test_support::InstalledDesktop desktop;
    auto monitors = EventMonitors::shared();
    const auto keyDown = eventMask(EventType::keyDown);
    std::vector<std::uint16_t> global, local;
    auto keys =
        monitors->addGlobalMonitor(keyDown, [&](const Event& event) { global.push_back(event.keyCode); });
    auto swallowEscape = monitors->addLocalMonitor(keyDown, [&](const Event& event) {
        local.push_back(event.keyCode);
        return event.keyCode == KeyCode::escape ? std::nullopt : std::optional<Event>(event);
    });
    auto change = monitors->addLocalMonitor(keyDown, [&](Event event) {
        local.push_back(event.keyCode += 1000);
        return std::optional<Event>(event);
    });
    desktop->injectEvent({EventType::keyDown, 53}, EventTarget::otherApplication);
    desktop->injectEvent({EventType::keyUp, 53}, EventTarget::otherApplication);
    EXPECT_EQ(desktop->injectEvent({EventType::keyDown, 53}, EventTarget::thisApplication), std::nullopt);
    EXPECT_EQ(desktop->injectEvent({EventType::keyDown, 12}, EventTarget::thisApplication)->keyCode, 1012);
    monitors->removeMonitor(keys);
    monitors->removeMonitor(keys);
    desktop->injectEvent({EventType::keyDown, 1}, EventTarget::otherApplication);
    EXPECT_EQ(global, std::vector<std::uint16_t>{53});
    EXPECT_EQ(local, (std::vector<std::uint16_t>{53, 12, 1012}));
    desktop->injectEvent({EventType::flagsChanged, 55, ModifierFlags::command},
                         EventTarget::otherApplication);
    desktop->injectEvent({EventType::keyDown, 0, ModifierFlags::shift}, EventTarget::otherApplication);
    EXPECT_EQ(Events::modifierFlags(), ModifierFlags::command) << "key events carry flags only";
    desktop->injectEvent({EventType::leftMouseDown, 0, 0, {300, 20}}, EventTarget::otherApplication);
    EXPECT_EQ(Events::mouseLocation(), (Point{300, 20}));
}

// A refused registration is checked by the application's onboarding tests.
TEST(SimulatedServices, LoginItemsAndScriptsAreRecordedAndLoggedOneJSONLineEach) {
    test_support::TemporaryFolder folder;
    platform::sim::SimulatedDesktop::Options options;
    options.actionLogPath = folder / "actions.log";
    ScopedSystem installed(test_support::loadDesktop("{}", options));
    EXPECT_EQ(LoginItems::shared()->registerMainApp(), std::nullopt);
    EXPECT_EQ(LoginItems::shared()->status(), LoginItemStatus::enabled);
    EXPECT_EQ(LoginItems::shared()->unregisterMainApp(), std::nullopt);
    EXPECT_EQ(LoginItems::shared()->status(), LoginItemStatus::notRegistered);
    EXPECT_FALSE(AppleScript::shared()->execute("tell application \"Finder\"\nrestart\nend tell").error);
    EXPECT_EQ(
        test_support::readWholeFile(folder / "actions.log"),
        "{\"action\":\"registerLoginItem\"}\n{\"action\":\"unregisterLoginItem\"}\n"
        "{\"action\":\"appleScript\",\"source\":\"tell application \\\"Finder\\\"\\nrestart\\nend tell\"}\n");
}
