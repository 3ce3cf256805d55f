#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "platform/system/Accessibility.h"
#include "platform/system/Workspace.h"
#include "platform/x11/X11Desktop.h"
#include "platform/xdg/SessionBus.h"
#include "tests/platform/x11/X11Session.h"
#include "tests/platform/xdg/PrivateBus.h"

using namespace platform;
using platform::x11::X11Desktop;
using Badges = std::optional<std::map<std::string, std::string>>;

namespace {

// What the tracking reads: the Dock application's list, each item's title and status label.
Badges dockBadges(X11Desktop& desktop) {
    auto ax = desktop.accessibility();
    std::shared_ptr<RunningApplication> dock;
    for (const auto& application : desktop.workspace()->runningApplications())
        if (application->bundleIdentifier() == "com.apple.dock") dock = application;
    if (!dock) return std::nullopt;
    auto children = ax->copyAttributeValue(ax->applicationElement(dock->processIdentifier()), "AXChildren");
    if (!children || !children->arrayValue() || children->arrayValue()->empty()) return std::nullopt;
    auto list = children->arrayValue()->front().elementValue();
    if (ax->copyAttributeValue(list, "AXRole") != AXValue("AXList")) return std::nullopt;
    auto items = ax->copyAttributeValue(list, "AXChildren");
    if (!items || !items->arrayValue() || items->arrayValue()->empty()) return std::nullopt;
    std::map<std::string, std::string> badges;
    for (const auto& value : *items->arrayValue()) {
        auto item = value.elementValue();
        auto title = ax->copyAttributeValue(item, "AXTitle");
        auto label = ax->copyAttributeValue(item, "AXStatusLabel");
        if (ax->copyAttributeValue(item, "AXRole") == AXValue("AXDockItem") && title && label)
            badges[*title->stringValue()] = *label->stringValue();
    }
    return badges;
}

}  // namespace

TEST(X11DockBadgesTest, ALaunchersVisibleCountIsTheBadgeOfItsApplicationsTitle) {
    bus_testing::PrivateBus bus;
    ASSERT_FALSE(bus.address.empty());
    X11Session session;
    ASSERT_TRUE(session.ready) << "no Xvfb with openbox";
    // An installed entry, and one whose program runs under another name than its entry's.
    std::optional<std::string> savedDirs;
    if (const char* dirs = std::getenv("XDG_DATA_DIRS")) savedDirs = dirs;
    setenv("XDG_DATA_DIRS", (session.home / "share").c_str(), 1);
    std::filesystem::create_directories(session.home / "share/applications");
    test_support::writeFile(session.home / "share/applications/org.example.Mail.desktop",
                            "[Desktop Entry]\nType=Application\nName=Mail\nExec=/bin/true\n");
    test_support::writeFile(
        session.home / "share/applications/notes.desktop",
        "[Desktop Entry]\nType=Application\nName=Notes\nExec=/bin/true\nStartupWMClass=NotesClass\n");
    auto applications = std::make_shared<xdg::DesktopApplications>(session.home / "cache");
    applications->update();

    auto* context = g_main_context_new();
    X11Desktop::Options options;
    options.consentPath = session.home / "consent";
    test_support::writeFile(options.consentPath, "");
    options.applications = applications;
    options.launcherBadges = xdg::LauncherBadges::open(nullptr, context, bus.address);
    ASSERT_TRUE(options.launcherBadges);
    std::string error;
    auto desktop = X11Desktop::open(options, &error);
    ASSERT_TRUE(desktop) << error;
    auto until = [&](const Badges& expected) {
        return bus_testing::iterateUntil(context, [&] { return dockBadges(*desktop) == expected; });
    };
    EXPECT_EQ(dockBadges(*desktop), std::nullopt);

    auto publisher = xdg::SessionBus::connect(&error, nullptr, bus.address);
    ASSERT_TRUE(publisher) << error;
    ASSERT_TRUE(bus_testing::iterateUntil(context, [&] { return options.launcherBadges->listening(); }));
    auto publish = [&](const char* uri, const char* properties) {
        bus_testing::publishLauncherUpdate(publisher->connection(), uri, properties);
    };
    // An installed application not running, a running one titled as its window's group, and one
    // unknown to the desktop, which has no title to show it under.
    publish("application://org.example.Mail.desktop", "{'count': <int64 3>, 'count-visible': <true>}");
    publish("application://unknown.desktop", "{'count': <int64 9>, 'count-visible': <true>}");
    EXPECT_TRUE(until(std::map<std::string, std::string>{{"Mail", "3"}}));
    session.client({"NotesClass", "Today", "200x100"});
    publish("application://notes.desktop", "{'count': <int64 120>, 'count-visible': <true>}");
    EXPECT_TRUE(until(std::map<std::string, std::string>{{"Mail", "3"}, {"Notes", "120"}}));

    ASSERT_EQ(bus.emitLauncherUpdate("application://org.example.Mail.desktop", "{'count-visible': <false>}"),
              0);
    EXPECT_TRUE(until(std::map<std::string, std::string>{{"Notes", "120"}}));
    publisher.reset();
    EXPECT_TRUE(until(std::nullopt));

    desktop.reset();
    options.launcherBadges.reset();
    g_main_context_unref(context);
    savedDirs ? setenv("XDG_DATA_DIRS", savedDirs->c_str(), 1) : unsetenv("XDG_DATA_DIRS");
}

TEST(X11DockBadgesTest, WithoutASessionBusThereIsNoDockAndOneLineSaysWhy) {
    X11Session session;
    ASSERT_TRUE(session.ready) << "no Xvfb with openbox";
    std::optional<std::string> saved, savedRuntime;
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS")) saved = address;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR")) savedRuntime = runtime;
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
    setenv("XDG_RUNTIME_DIR", session.home.path().c_str(), 1);
    X11Desktop::Options options;
    options.consentPath = session.home / "consent";
    test_support::writeFile(options.consentPath, "");
    testing::internal::CaptureStderr();
    auto desktop = X11Desktop::open(options);
    auto said = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(desktop);
    // The window manager may speak on the same stream; of ours there is one line.
    auto first = said.find("Velmora: no launcher counts: ");
    EXPECT_NE(first, std::string::npos) << said;
    EXPECT_EQ(said.find("Velmora", first + 1), std::string::npos) << said;
    EXPECT_EQ(dockBadges(*desktop), std::nullopt);
    for (const auto& application : desktop->workspace()->runningApplications())
        EXPECT_NE(application->bundleIdentifier(), "com.apple.dock");
    if (saved) setenv("DBUS_SESSION_BUS_ADDRESS", saved->c_str(), 1);
    savedRuntime ? setenv("XDG_RUNTIME_DIR", savedRuntime->c_str(), 1) : unsetenv("XDG_RUNTIME_DIR");
}
