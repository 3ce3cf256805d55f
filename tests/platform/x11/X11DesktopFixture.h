#pragma once
// A desktop over an Xvfb of the test's own with openbox, with or without desktop entries.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <future>
#include <map>

#include "platform/system/Accessibility.h"
#include "platform/system/Workspace.h"
#include "platform/testing/VirtualMainLoop.h"
#include "platform/x11/X11Desktop.h"
#include "tests/platform/x11/X11Session.h"

using namespace platform;
using platform::x11::X11Desktop;

class X11DesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(session.ready) << "no Xvfb with openbox";
        X11Desktop::Options options;
        options.consentPath = session.home.path() + "/consent";
        options.applications = applications;
        // Trust is the consent: given before the desktop opens, so the records can be read and no
        // change of trust is announced later.
        test_support::writeFile(options.consentPath, "");
        std::string error;
        desktop = X11Desktop::open(options, &error);
        ASSERT_TRUE(desktop) << error;
        ASSERT_TRUE(desktop->accessibility()->isProcessTrusted(false));
    }
    std::shared_ptr<RunningApplication> application(const std::string& identifier) {
        for (const auto& app : desktop->workspace()->runningApplications())
            if (app->bundleIdentifier() == identifier) return app;
        return nullptr;
    }
    // The application once it shows at least `windows` windows.
    std::shared_ptr<RunningApplication> waitForApplication(const std::string& id, std::size_t windows = 1) {
        std::shared_ptr<RunningApplication> app;
        waitFor(
            [&] { return (app = application(id)) && windowsOf(app->processIdentifier()).size() >= windows; });
        return app;
    }
    // Polls with the main loop turning, for what it announces.
    bool waitWithLoop(const std::function<bool()>& condition) {
        return waitFor(condition, 10, [&] { loop.runUntilIdle(); });
    }
    std::vector<AXUIElement> windowsOf(std::int32_t pid) {
        auto ax = desktop->accessibility();
        auto windows = ax->copyAttributeValue(ax->applicationElement(pid), "AXWindows");
        std::vector<AXUIElement> result;
        if (windows && windows->arrayValue())
            for (const auto& window : *windows->arrayValue()) result.push_back(window.elementValue());
        return result;
    }
    // A flag of the application's first window.
    bool flag(std::int32_t pid, const char* name) {
        auto windows = windowsOf(pid);
        auto value = windows.empty() ? std::nullopt
                                     : desktop->accessibility()->copyAttributeValue(windows.front(), name);
        return value && value->boolValue().value_or(false);
    }
    std::string frontmost() {
        auto app = desktop->workspace()->frontmostApplication();
        return app ? app->bundleIdentifier().value_or("") : "";
    }
    platform::testing::VirtualMainLoop loop;
    X11Session session;
    std::shared_ptr<xdg::DesktopApplications> applications;
    std::shared_ptr<X11Desktop> desktop;
};

// With desktop entries of our own that start the test client.
class X11DesktopEntriesTest : public X11DesktopTest {
protected:
    void SetUp() override {
        for (auto [name, folder] : {std::pair{"XDG_DATA_DIRS", "share"}, {"XDG_DATA_HOME", "data"}}) {
            saved[name] = std::getenv(name) ? std::optional<std::string>(std::getenv(name)) : std::nullopt;
            setenv(name, (data / folder).c_str(), 1);
        }
        std::filesystem::create_directories(data / "share/applications");
        for (std::string id : {"pinned-app", "launched"})
            test_support::writeFile(data / "share/applications/" + id + ".desktop",
                                    "[Desktop Entry]\nType=Application\nName=" + id +
                                        " entry\nExec=" X11_TEST_CLIENT " " + id +
                                        "Class Window 200x100\nStartupWMClass=" + id + "Class\n");
        applications = std::make_shared<xdg::DesktopApplications>(data / "cache");
        if (holdsFirstScan)
            applications->setBeforeReadingForTesting(
                [held = scanReleased] { held.wait_for(std::chrono::seconds(60)); });
        else
            applications->update();
        X11DesktopTest::SetUp();
    }
    // The next session's window manager reads its theme from the data folders.
    void TearDown() override {
        releaseScan();
        for (const auto& [name, value] : saved) value ? setenv(name, value->c_str(), 1) : unsetenv(name);
    }
    void releaseScan() {
        if (scanReleased.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            scanRelease.set_value();
    }
    // Whether the watch's first update, started by the test, waits for `releaseScan`.
    bool holdsFirstScan = false;
    std::promise<void> scanRelease;
    std::shared_future<void> scanReleased = scanRelease.get_future().share();
    test_support::TemporaryFolder data;
    std::map<const char*, std::optional<std::string>> saved;
};
