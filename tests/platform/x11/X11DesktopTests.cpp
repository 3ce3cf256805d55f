#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <mutex>

#include "platform/base/NotificationCenter.h"
#include "platform/system/Accessibility.h"
#include "platform/system/Application.h"
#include "platform/system/WindowList.h"
#include "platform/system/Workspace.h"
#include "platform/testing/VirtualMainLoop.h"
#include "platform/x11/XInputSource.h"
#include "tests/platform/x11/X11Session.h"

using platform::x11::X11Desktop;
using velmora::testing::X11Session;

namespace {

class X11DesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(session.ready()) << "no Xvfb with openbox";
        X11Desktop::Options options;
        options.consentPath = session.home() + "/consent";
        std::string error;
        desktop = X11Desktop::open(options, &error);
        ASSERT_TRUE(desktop) << error;
        // Trust is the consent: given here so the records can be read.
        std::system(("touch " + options.consentPath).c_str());
        ASSERT_TRUE(X11Session::waitFor([&] { return desktop->accessibility()->isProcessTrusted(false); }));
        loop.runUntilIdle();
    }

    std::shared_ptr<platform::RunningApplication> application(const std::string& identifier) {
        for (const auto& app : desktop->workspace()->runningApplications())
            if (app->bundleIdentifier() == identifier) return app;
        return nullptr;
    }
    std::shared_ptr<platform::RunningApplication> waitForApplication(const std::string& identifier,
                                                                     std::size_t windows = 1) {
        std::shared_ptr<platform::RunningApplication> found;
        X11Session::waitFor([&] {
            found = application(identifier);
            return found && titles(found->processIdentifier()).size() >= windows;
        });
        return found;
    }
    std::vector<std::string> titles(std::int32_t pid) {
        std::vector<std::string> result;
        auto ax = desktop->accessibility();
        auto windows = ax->copyAttributeValue(ax->applicationElement(pid), "AXWindows");
        if (!windows || !windows->arrayValue()) return result;
        for (const auto& window : *windows->arrayValue())
            if (auto title = ax->copyAttributeValue(window.elementValue(), "AXTitle"))
                result.push_back(*title->stringValue());
        std::sort(result.begin(), result.end());
        return result;
    }
    platform::AXUIElement firstWindow(std::int32_t pid) {
        auto ax = desktop->accessibility();
        auto windows = ax->copyAttributeValue(ax->applicationElement(pid), "AXWindows");
        return windows && !windows->arrayValue()->empty() ? windows->arrayValue()->front().elementValue()
                                                          : nullptr;
    }
    bool windowFlag(std::int32_t pid, const char* attribute) {
        auto value = desktop->accessibility()->copyAttributeValue(firstWindow(pid), attribute);
        return value && value->boolValue().value_or(false);
    }
    std::string frontmost() {
        auto app = desktop->workspace()->frontmostApplication();
        return app ? app->bundleIdentifier().value_or("") : "";
    }

    platform::testing::VirtualMainLoop loop;
    X11Session session;
    std::shared_ptr<X11Desktop> desktop;
};

TEST_F(X11DesktopTest, WindowsOfOneClassFromTwoProcessesAreOneApplicationUnderItsFirstProcess) {
    auto first = session.client("Editor", "Notes", "300x200");
    ASSERT_TRUE(waitForApplication("Editor"));
    session.client("Editor", "Letters", "300x200", {"nopid"});
    session.client("Viewer", "Photo");
    auto editor = waitForApplication("Editor", 2);
    ASSERT_TRUE(waitForApplication("Viewer"));
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->processIdentifier(), first);
    EXPECT_EQ(titles(first), (std::vector<std::string>{"Letters", "Notes"}));
    EXPECT_EQ(editor->localizedName(), "Editor");
    EXPECT_EQ(editor->bundleURL()->absoluteString(), "file:///usr/share/applications/Editor.app/");
    EXPECT_EQ(editor->activationPolicy(), platform::ActivationPolicy::regular);
    // A window's icon as a PNG (openbox gives every window one).
    auto icon = application("Viewer")->icon();
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->format(), platform::Image::Format::png);
    EXPECT_GT(icon->size().width, 0);

    // Launch order, the program itself first; every window under its application's process.
    std::vector<std::string> order;
    for (const auto& app : desktop->workspace()->runningApplications())
        order.push_back(app->bundleIdentifier().value_or(""));
    EXPECT_EQ(order, (std::vector<std::string>{"com.velmora.Velmora", "Editor", "Viewer"}));
    EXPECT_EQ(desktop->application()->currentApplication()->processIdentifier(), getpid());
    int editorWindows = 0;
    for (const auto& info : desktop->windowList()->copyWindowInfo(platform::WindowListOption::onScreenOnly)) {
        if (*info.at("kCGWindowOwnerName").stringValue() != "Editor") continue;
        ++editorWindows;
        EXPECT_EQ(info.at("kCGWindowOwnerPID").integerValue(), first);
        // The frame, title bar included.
        EXPECT_GT(*info.at("kCGWindowBounds").dictionaryValue()->at("Height").doubleValue(), 200.0);
    }
    EXPECT_EQ(editorWindows, 2);
}

TEST_F(X11DesktopTest, LaunchAndQuitAreSeenByTheNextQuery) {
    auto pid = session.client("Editor", "Notes");
    auto editor = waitForApplication("Editor");
    ASSERT_TRUE(editor);
    kill(pid, SIGTERM);
    ASSERT_TRUE(X11Session::waitFor([&] { return !application("Editor"); }));
    EXPECT_TRUE(editor->isTerminated());
    EXPECT_FALSE(editor->activate(0));
    session.client("Editor", "Notes");
    auto again = waitForApplication("Editor");
    ASSERT_TRUE(again);
    EXPECT_NE(again, editor);
}

TEST_F(X11DesktopTest, WindowListRunsFrontToBackWithDocksOnTheirOwnLayer) {
    session.client("Panel", "Panel", "1280x30", {"dock"});
    session.client("Editor", "Notes");
    session.client("Viewer", "Photo");
    auto editor = waitForApplication("Editor");
    ASSERT_TRUE(waitForApplication("Viewer") && editor);
    ASSERT_TRUE(X11Session::waitFor([&] { return application("Panel") != nullptr; }));
    EXPECT_EQ(application("Panel")->activationPolicy(), platform::ActivationPolicy::accessory);
    ASSERT_TRUE(editor->activate(0));
    std::vector<std::pair<std::string, std::int64_t>> list;
    ASSERT_TRUE(X11Session::waitFor([&] {
        list.clear();
        for (const auto& info : desktop->windowList()->copyWindowInfo(platform::WindowListOption::all))
            list.emplace_back(*info.at("kCGWindowName").stringValue(),
                              *info.at("kCGWindowLayer").integerValue());
        return list.size() == 3 && list[1].first == "Notes";
    })) << list.size();
    EXPECT_EQ(list,
              (std::vector<std::pair<std::string, std::int64_t>>{{"Panel", 20}, {"Notes", 0}, {"Photo", 0}}));
}

TEST_F(X11DesktopTest, MinimiseHideAndActivateWindows) {
    auto pid = session.client("Editor", "Notes");
    auto viewerPid = session.client("Viewer", "Photo");
    auto clockPid = session.client("Clock", "Clock", "100x40", {"noinput"});
    auto editor = waitForApplication("Editor");
    auto viewer = waitForApplication("Viewer");
    auto clock = waitForApplication("Clock");
    ASSERT_TRUE(editor && viewer && clock);
    auto ax = desktop->accessibility();

    EXPECT_EQ(ax->setAttributeValue(firstWindow(pid), "AXMinimized", true), platform::AXError::success);
    EXPECT_TRUE(X11Session::waitFor([&] { return windowFlag(pid, "AXMinimized") && editor->isHidden(); }));
    EXPECT_EQ(ax->setAttributeValue(firstWindow(pid), "AXMinimized", false), platform::AXError::success);
    EXPECT_TRUE(X11Session::waitFor([&] { return !windowFlag(pid, "AXMinimized"); }));
    EXPECT_EQ(ax->setAttributeValue(firstWindow(pid), "AXTitle", "x"),
              platform::AXError::attributeUnsupported);

    EXPECT_TRUE(viewer->hide());
    EXPECT_TRUE(X11Session::waitFor([&] { return viewer->isHidden(); }));
    EXPECT_TRUE(viewer->activate(0));
    EXPECT_TRUE(X11Session::waitFor([&] { return frontmost() == "Viewer" && viewer->isActive(); }));
    EXPECT_FALSE(viewer->isHidden());

    // The clock takes no focus: raised, it counts as active until another window is.
    EXPECT_TRUE(clock->activate(0));
    EXPECT_TRUE(X11Session::waitFor([&] {
        auto front = desktop->windowList()->copyWindowInfo(platform::WindowListOption::onScreenOnly);
        return frontmost() == "Clock" && !front.empty() &&
               front.front().at("kCGWindowOwnerPID").integerValue() == clockPid;
    }));
    EXPECT_TRUE(editor->activate(0));
    EXPECT_TRUE(X11Session::waitFor([&] { return frontmost() == "Editor"; }));

    desktop->workspace()->hideOtherApplications();
    EXPECT_TRUE(X11Session::waitFor([&] { return viewer->isHidden() && editor->isHidden(); }));
    (void)viewerPid;
}

TEST_F(X11DesktopTest, TerminateClosesWindowsAndForceTerminateKillsProcesses) {
    auto editorPid = session.client("Editor", "Notes");
    auto viewerPid = session.client("Viewer", "Photo");
    auto editor = waitForApplication("Editor");
    auto viewer = waitForApplication("Viewer");
    ASSERT_TRUE(editor && viewer);
    EXPECT_TRUE(editor->terminate());
    EXPECT_TRUE(session.exited(editorPid));
    EXPECT_TRUE(viewer->forceTerminate());
    EXPECT_TRUE(session.exited(viewerPid));
    auto own = desktop->application()->currentApplication();
    EXPECT_FALSE(own->forceTerminate());
    EXPECT_FALSE(own->terminate());
    EXPECT_TRUE(X11Session::waitFor([&] { return editor->isTerminated() && viewer->isTerminated(); }));
}

TEST_F(X11DesktopTest, FullScreenWindowsSayWhatTheyAre) {
    auto pid = session.client("Player", "Film", "300x200", {"fullscreen"});
    auto player = waitForApplication("Player");
    ASSERT_TRUE(player);
    EXPECT_TRUE(X11Session::waitFor([&] { return windowFlag(pid, "AXFullScreen"); }));
    auto size = desktop->accessibility()->copyAttributeValue(firstWindow(pid), "AXSize");
    ASSERT_TRUE(size && size->sizeValue());
    EXPECT_EQ(size->sizeValue()->width, 1280);
}

TEST_F(X11DesktopTest, WindowsOnOtherDesktopsCountAsOnOtherSpaces) {
    int spaceChanges = 0;
    auto token = platform::Workspace::notificationCenter()->addObserver(
        platform::Workspace::activeSpaceDidChangeNotification,
        [&](const platform::Notification&) { ++spaceChanges; });
    auto pid = session.client("Viewer", "Photo");
    ASSERT_TRUE(waitForApplication("Viewer"));
    auto id = std::to_string(desktop->snapshot()->groupOfPid(pid)->windows.front());
    session.spawn({"xdotool", "set_desktop_for_window", id, "1"});
    auto onScreen = [&](std::uint32_t options) {
        return desktop->windowList()->copyWindowInfo(options).size();
    };
    EXPECT_TRUE(X11Session::waitFor([&] { return titles(pid).empty(); }));
    EXPECT_EQ(onScreen(platform::WindowListOption::onScreenOnly), 0u);
    EXPECT_EQ(onScreen(platform::WindowListOption::all), 1u);
    EXPECT_TRUE(application("Viewer"));
    session.spawn({"xdotool", "set_desktop", "1"});
    EXPECT_TRUE(X11Session::waitFor([&] { return titles(pid).size() == 1 && spaceChanges == 1; }, 10,
                                    [&] { loop.runUntilIdle(); }));
    platform::Workspace::notificationCenter()->removeObserver(token);
}

TEST_F(X11DesktopTest, ConsentIsTheTrustAndItsLossIsAnnounced) {
    int announced = 0;
    auto token = platform::NotificationCenter::distributedCenter()->addObserver(
        platform::Accessibility::trustChangedNotification,
        [&](const platform::Notification&) { ++announced; });
    auto consent = desktop->options().consentPath;
    std::filesystem::remove(consent);
    auto ax = desktop->accessibility();
    ASSERT_TRUE(X11Session::waitFor([&] { return !ax->isProcessTrusted(false) && announced == 1; }, 10,
                                    [&] { loop.runUntilIdle(); }));
    session.client("Editor", "Notes");
    ASSERT_TRUE(X11Session::waitFor([&] { return application("Editor") != nullptr; }));
    EXPECT_FALSE(ax->copyAttributeValue(ax->applicationElement(application("Editor")->processIdentifier()),
                                        "AXWindows"));
    // The permission page's button records the consent.
    EXPECT_FALSE(ax->isProcessTrusted(true));
    EXPECT_TRUE(std::filesystem::exists(consent));
    EXPECT_TRUE(X11Session::waitFor([&] { return ax->isProcessTrusted(false) && announced == 2; }, 10,
                                    [&] { loop.runUntilIdle(); }));
    platform::NotificationCenter::distributedCenter()->removeObserver(token);
}

TEST_F(X11DesktopTest, RawInputGivesModifierFlagsKeysAndThePointer) {
    std::mutex mutex;
    std::vector<platform::Event> events;
    desktop->input()->setHandler([&](const platform::Event& event) {
        std::lock_guard lock(mutex);
        events.push_back(event);
    });
    auto count = [&](platform::EventType type) {
        std::lock_guard lock(mutex);
        return std::count_if(events.begin(), events.end(),
                             [&](const auto& event) { return event.type == type; });
    };
    session.spawn({"xdotool", "keydown",   "Control_L", "keydown", "Shift_L", "keyup", "Shift_L",
                   "keyup",   "Control_L", "key",       "Escape",  "key",     "a",     "mousemove",
                   "100",     "700",       "click",     "1",       "click",   "4"});
    ASSERT_TRUE(X11Session::waitFor([&] {
        return count(platform::EventType::flagsChanged) == 4 && count(platform::EventType::keyUp) == 2 &&
               count(platform::EventType::scrollWheel) == 1 && count(platform::EventType::leftMouseUp) == 1;
    }));
    std::lock_guard lock(mutex);
    std::vector<std::uint64_t> flags;
    std::vector<std::uint16_t> keys;
    for (const auto& event : events) {
        if (event.type == platform::EventType::flagsChanged) flags.push_back(event.modifierFlags);
        if (event.type == platform::EventType::keyDown) keys.push_back(event.keyCode);
    }
    using namespace platform::ModifierFlags;
    EXPECT_EQ(flags, (std::vector<std::uint64_t>{control, control | shift, control, 0}));
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0], platform::KeyCode::escape);
    EXPECT_NE(keys[1], platform::KeyCode::escape);
    // No screens are known here: y is measured up from the root window's bottom edge.
    EXPECT_EQ(desktop->input()->mouseLocation(), (platform::Point{100, 100}));
    EXPECT_EQ(desktop->input()->modifierFlags(), 0u);
}

TEST(X11DisplayTest, ADisplayWithoutAWindowManagerIsNoEwmhDesktop) {
    X11Session session(false);
    ASSERT_TRUE(session.ready());
    std::string why;
    EXPECT_FALSE(X11Desktop::hasEwmhWindowManager(session.display(), &why));
    EXPECT_EQ(why, "no window manager announces EWMH support");
    EXPECT_FALSE(X11Desktop::hasEwmhWindowManager(":4093", &why));
    EXPECT_EQ(why, "cannot open the display");
}

}  // namespace
