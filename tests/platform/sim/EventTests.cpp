#include <gtest/gtest.h>

#include "platform/system/AppleScript.h"
#include "platform/system/Event.h"
#include "platform/system/LoginItems.h"
#include "tests/platform/sim/DesktopTesting.h"

using namespace sim_tests;
using platform::Event;
using platform::eventMask;
using platform::EventMonitors;
using platform::EventType;
using platform::sim::EventTarget;

TEST(SimulatedEvents, GlobalMonitorsSeeOtherApplicationsEventsAndLocalOnesMayChangeOrSwallowThem) {
    InstalledDesktop installed("{}");
    auto monitors = EventMonitors::shared();
    std::vector<std::uint16_t> global;
    std::vector<std::uint16_t> local;
    auto keys = monitors->addGlobalMonitor(eventMask(EventType::keyDown),
                                           [&](const Event& event) { global.push_back(event.keyCode); });
    auto swallowEscape = monitors->addLocalMonitor(eventMask(EventType::keyDown), [&](const Event& event) {
        local.push_back(event.keyCode);
        return event.keyCode == platform::KeyCode::escape ? std::nullopt : std::optional<Event>(event);
    });
    auto second = monitors->addLocalMonitor(eventMask(EventType::keyDown), [&](const Event& event) {
        local.push_back(1000 + event.keyCode);
        Event changed = event;
        changed.keyCode = 7;
        return std::optional<Event>(changed);
    });

    auto& desktop = *installed.desktop;
    EXPECT_TRUE(desktop.injectEvent({EventType::keyDown, 53}, EventTarget::otherApplication));
    desktop.injectEvent({EventType::keyUp, 53}, EventTarget::otherApplication);
    EXPECT_EQ(desktop.injectEvent({EventType::keyDown, 53}, EventTarget::thisApplication), std::nullopt);
    auto delivered = desktop.injectEvent({EventType::keyDown, 12}, EventTarget::thisApplication);
    ASSERT_TRUE(delivered);
    EXPECT_EQ(delivered->keyCode, 7);
    EXPECT_EQ(global, std::vector<std::uint16_t>{53});
    EXPECT_EQ(local, (std::vector<std::uint16_t>{53, 12, 1012}));

    monitors->removeMonitor(keys);
    monitors->removeMonitor(keys);
    desktop.injectEvent({EventType::keyDown, 1}, EventTarget::otherApplication);
    EXPECT_EQ(global.size(), 1u);
    monitors->removeMonitor(swallowEscape);
    monitors->removeMonitor(second);
}

TEST(SimulatedEvents, FlagChangesAndMouseEventsSetTheInputState) {
    InstalledDesktop installed("{}");
    auto& desktop = *installed.desktop;
    desktop.injectEvent({EventType::flagsChanged, 55, platform::ModifierFlags::command},
                        EventTarget::otherApplication);
    EXPECT_EQ(platform::Events::modifierFlags(), platform::ModifierFlags::command);
    desktop.injectEvent({EventType::keyDown, 0, platform::ModifierFlags::shift},
                        EventTarget::otherApplication);
    EXPECT_EQ(platform::Events::modifierFlags(), platform::ModifierFlags::command)
        << "key events carry flags only";
    desktop.injectEvent({EventType::leftMouseDown, 0, 0, {300, 20}}, EventTarget::otherApplication);
    EXPECT_EQ(platform::Events::mouseLocation(), (platform::Point{300, 20}));
    desktop.setModifierFlags(0);
    desktop.setMouseLocation({1, 2});
    EXPECT_EQ(platform::Events::modifierFlags(), 0u);
    EXPECT_EQ(platform::Events::mouseLocation(), (platform::Point{1, 2}));
}

TEST(SimulatedServices, LoginItemsAndScriptsAreRecorded) {
    InstalledDesktop installed("{}");
    auto login = platform::LoginItems::shared();
    EXPECT_EQ(login->status(), platform::LoginItemStatus::notRegistered);
    EXPECT_EQ(login->registerMainApp(), std::nullopt);
    EXPECT_EQ(login->status(), platform::LoginItemStatus::enabled);
    EXPECT_EQ(login->unregisterMainApp(), std::nullopt);
    auto result = platform::AppleScript::shared()->execute("tell application \"Finder\"\nrestart\nend tell");
    EXPECT_FALSE(result.error);
    EXPECT_EQ(installed.desktop->actionNames(),
              (std::vector<std::string>{"registerLoginItem", "unregisterLoginItem", "appleScript"}));
    EXPECT_EQ(installed.desktop->actions()[2].details["source"],
              "tell application \"Finder\"\nrestart\nend tell");

    InstalledDesktop refusing(R"({"loginItem": {"registerError": "Operation not permitted"}})");
    EXPECT_EQ(platform::LoginItems::shared()->registerMainApp(), "Operation not permitted");
    EXPECT_EQ(platform::LoginItems::shared()->status(), platform::LoginItemStatus::notRegistered);
}

TEST(SimulatedServices, TheActionLogFileGetsOneJSONLinePerAction) {
    TemporaryFolder folder;
    SimulatedDesktop::Options options;
    options.actionLogPath = folder / "actions.log";
    InstalledDesktop installed("{}", options);
    platform::AppleScript::shared()->execute("beep");
    platform::LoginItems::shared()->registerMainApp();
    EXPECT_EQ(readWholeFile(folder / "actions.log"),
              "{\"action\":\"appleScript\",\"source\":\"beep\"}\n{\"action\":\"registerLoginItem\"}\n");
}
