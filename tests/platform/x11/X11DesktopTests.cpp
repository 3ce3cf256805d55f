#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "platform/base/NotificationCenter.h"
#include "platform/foundation/FileManager.h"
#include "platform/system/Accessibility.h"
#include "platform/system/Application.h"
#include "platform/system/WindowList.h"
#include "platform/system/Workspace.h"
#include "platform/testing/VirtualMainLoop.h"
#include "platform/x11/X11Desktop.h"
#include "tests/platform/x11/X11Session.h"

using namespace platform;
using platform::x11::X11Desktop;
using velmora::testing::X11Session;

namespace {

class X11DesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(session.ready()) << "no Xvfb with openbox";
        X11Desktop::Options options;
        options.consentPath = session.home() + "/consent";
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
    std::shared_ptr<RunningApplication> waitForApplication(const std::string& identifier,
                                                           std::size_t windows = 1) {
        std::shared_ptr<RunningApplication> found;
        X11Session::waitFor([&] {
            found = application(identifier);
            return found && windowsOf(found->processIdentifier()).size() >= windows;
        });
        return found;
    }
    std::vector<AXUIElement> windowsOf(std::int32_t pid) {
        auto ax = desktop->accessibility();
        auto windows = ax->copyAttributeValue(ax->applicationElement(pid), "AXWindows");
        std::vector<AXUIElement> result;
        if (windows && windows->arrayValue())
            for (const auto& window : *windows->arrayValue()) result.push_back(window.elementValue());
        return result;
    }
    // An attribute of the application's first window.
    std::optional<AXValue> attribute(std::int32_t pid, const char* name) {
        auto windows = windowsOf(pid);
        if (windows.empty()) return std::nullopt;
        return desktop->accessibility()->copyAttributeValue(windows.front(), name);
    }
    bool flag(std::int32_t pid, const char* name) {
        return attribute(pid, name).value_or(false).boolValue().value_or(false);
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
        for (auto [id, wmClass] : {std::pair{"pinned-app", "PinnedClass"}, {"launched", "LaunchedClass"}})
            test_support::writeFile(data / "share/applications/" + id + ".desktop",
                                    "[Desktop Entry]\nType=Application\nName=" + std::string(id) +
                                        " entry\nExec=" X11_TEST_CLIENT " " + wmClass +
                                        " Window 200x100\nStartupWMClass=" + wmClass + "\n");
        applications = std::make_shared<xdg::DesktopApplications>(data / "cache");
        applications->update();
        X11DesktopTest::SetUp();
    }
    // The next session's window manager reads its theme from the data folders.
    void TearDown() override {
        for (const auto& [name, value] : saved) value ? setenv(name, value->c_str(), 1) : unsetenv(name);
    }

    test_support::TemporaryFolder data;
    std::map<const char*, std::optional<std::string>> saved;
};

TEST_F(X11DesktopTest, WindowsOfOneClassFromTwoProcessesAreOneApplicationUnderItsFirstProcess) {
    auto first = session.client({"Editor", "Notes", "300x200"});
    ASSERT_TRUE(waitForApplication("Editor"));
    session.client({"Editor", "Letters", "300x200", "nopid"});
    session.client({"Viewer", "Photo", "200x100"});
    auto editor = waitForApplication("Editor", 2);
    ASSERT_TRUE(editor && waitForApplication("Viewer"));
    auto player = session.client({"Player", "Film", "300x200", "fullscreen"});
    ASSERT_TRUE(waitForApplication("Player"));
    EXPECT_EQ(editor->processIdentifier(), first);
    std::vector<std::string> titles;
    for (const auto& window : windowsOf(first))
        titles.push_back(*desktop->accessibility()->copyAttributeValue(window, "AXTitle")->stringValue());
    std::sort(titles.begin(), titles.end());
    EXPECT_EQ(titles, (std::vector<std::string>{"Letters", "Notes"}));
    EXPECT_EQ(editor->localizedName(), "Editor");
    EXPECT_EQ(editor->bundleURL()->absoluteString(), "file:///usr/share/applications/Editor.app/");
    EXPECT_EQ(editor->activationPolicy(), ActivationPolicy::regular);
    // A window's icon as a PNG (openbox gives every window one).
    auto icon = application("Viewer")->icon();
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->format(), Image::Format::png);
    EXPECT_GT(icon->size().width, 0);
    // A full-screen window says so and fills the screen.
    EXPECT_TRUE(X11Session::waitFor([&] { return flag(player, "AXFullScreen"); }));
    auto size = attribute(player, "AXSize");
    ASSERT_TRUE(size && size->sizeValue());
    EXPECT_EQ(size->sizeValue()->width, 1280);

    // Launch order, the program itself first; every window under its application's process.
    std::vector<std::string> order;
    for (const auto& app : desktop->workspace()->runningApplications())
        order.push_back(app->bundleIdentifier().value_or(""));
    EXPECT_EQ(order, (std::vector<std::string>{"com.velmora.Velmora", "Editor", "Viewer", "Player"}));
    EXPECT_EQ(desktop->application()->currentApplication()->processIdentifier(), getpid());
    int editorWindows = 0;
    for (const auto& info : desktop->windowList()->copyWindowInfo(WindowListOption::onScreenOnly)) {
        if (*info.at("kCGWindowOwnerName").stringValue() != "Editor") continue;
        ++editorWindows;
        EXPECT_EQ(info.at("kCGWindowOwnerPID").integerValue(), first);
        // The frame, title bar included.
        EXPECT_GT(*info.at("kCGWindowBounds").dictionaryValue()->at("Height").doubleValue(), 200.0);
    }
    EXPECT_EQ(editorWindows, 2);

    // A window moved to another desktop is out of reach, as on another space, until that one shows.
    int spaceChanges = 0;
    auto token = Workspace::notificationCenter()->addObserver(Workspace::activeSpaceDidChangeNotification,
                                                              [&](const Notification&) { ++spaceChanges; });
    auto viewer = application("Viewer")->processIdentifier();
    auto id = std::to_string(desktop->snapshot()->groupOfPid(viewer)->windows.front());
    session.spawn({"xdotool", "set_desktop_for_window", id, "1"});
    auto listed = [&](std::uint32_t options) {
        return desktop->windowList()->copyWindowInfo(options).size();
    };
    EXPECT_TRUE(X11Session::waitFor([&] { return windowsOf(viewer).empty(); }));
    EXPECT_EQ(listed(WindowListOption::all) - listed(WindowListOption::onScreenOnly), 1u);
    EXPECT_TRUE(application("Viewer"));
    session.spawn({"xdotool", "set_desktop", "1"});
    EXPECT_TRUE(X11Session::waitFor([&] { return windowsOf(viewer).size() == 1 && spaceChanges == 1; }, 10,
                                    [&] { loop.runUntilIdle(); }));
    Workspace::notificationCenter()->removeObserver(token);
}

TEST_F(X11DesktopTest, ActionsOnApplicationsAndWindowsAreSeenByTheNextQuery) {
    session.client({"Panel", "Panel", "1280x30", "dock"});
    auto pid = session.client({"Editor", "Notes", "200x100"});
    session.client({"Viewer", "Photo", "200x100"});
    auto clockPid = session.client({"Clock", "Clock", "100x40", "noinput"});
    auto editor = waitForApplication("Editor"), viewer = waitForApplication("Viewer");
    auto clock = waitForApplication("Clock"), panel = waitForApplication("Panel", 0);
    ASSERT_TRUE(editor && viewer && clock && panel);
    EXPECT_EQ(panel->activationPolicy(), ActivationPolicy::accessory);
    auto ax = desktop->accessibility();

    EXPECT_EQ(ax->setAttributeValue(windowsOf(pid).front(), "AXMinimized", true), AXError::success);
    EXPECT_TRUE(X11Session::waitFor([&] { return flag(pid, "AXMinimized") && editor->isHidden(); }));
    EXPECT_EQ(ax->setAttributeValue(windowsOf(pid).front(), "AXMinimized", false), AXError::success);
    EXPECT_TRUE(X11Session::waitFor([&] { return !flag(pid, "AXMinimized"); }));
    EXPECT_EQ(ax->setAttributeValue(windowsOf(pid).front(), "AXTitle", "x"), AXError::attributeUnsupported);

    EXPECT_TRUE(viewer->hide());
    EXPECT_TRUE(X11Session::waitFor([&] { return viewer->isHidden(); }));
    EXPECT_TRUE(viewer->activate(0));
    EXPECT_TRUE(X11Session::waitFor([&] { return frontmost() == "Viewer" && viewer->isActive(); }));
    EXPECT_FALSE(viewer->isHidden());
    // The clock takes no focus: raised, it counts as active until another window is.
    EXPECT_TRUE(clock->activate(0));
    EXPECT_TRUE(X11Session::waitFor([&] {
        auto front = desktop->windowList()->copyWindowInfo(WindowListOption::onScreenOnly);
        return frontmost() == "Clock" && front.size() > 1 &&
               front[1].at("kCGWindowOwnerPID").integerValue() == clockPid;  // after the dock
    }));
    EXPECT_TRUE(editor->activate(0));
    EXPECT_TRUE(X11Session::waitFor([&] { return frontmost() == "Editor"; }));
    std::vector<std::pair<std::string, std::int64_t>> list;
    EXPECT_TRUE(X11Session::waitFor([&] {
        list.clear();
        for (const auto& info : desktop->windowList()->copyWindowInfo(WindowListOption::all))
            list.emplace_back(*info.at("kCGWindowName").stringValue(),
                              *info.at("kCGWindowLayer").integerValue());
        return list.size() == 4 && list[1].first == "Notes";
    }));
    EXPECT_EQ(list, (std::vector<std::pair<std::string, std::int64_t>>{
                        {"Panel", 20}, {"Notes", 0}, {"Clock", 0}, {"Photo", 0}}));

    desktop->workspace()->hideOtherApplications();
    EXPECT_TRUE(X11Session::waitFor([&] { return viewer->isHidden() && editor->isHidden(); }));

    // Terminating closes the windows; forcing it kills the process.
    EXPECT_TRUE(editor->terminate());
    EXPECT_TRUE(viewer->forceTerminate());
    auto own = desktop->application()->currentApplication();
    EXPECT_FALSE(own->forceTerminate());
    EXPECT_FALSE(own->terminate());
    ASSERT_TRUE(X11Session::waitFor([&] { return !application("Editor") && !application("Viewer"); }));
    EXPECT_TRUE(editor->isTerminated() && viewer->isTerminated());
    EXPECT_FALSE(editor->activate(0));
    session.client({"Editor", "Notes", "200x100"});
    auto again = waitForApplication("Editor");
    ASSERT_TRUE(again);
    EXPECT_NE(again, editor);
}

TEST_F(X11DesktopTest, ConsentIsTheTrustAndItsLossIsAnnounced) {
    int announced = 0;
    auto token = NotificationCenter::distributedCenter()->addObserver(
        Accessibility::trustChangedNotification, [&](const Notification&) { ++announced; });
    auto consent = desktop->options().consentPath;
    std::filesystem::remove(consent);
    auto ax = desktop->accessibility();
    ASSERT_TRUE(X11Session::waitFor([&] { return !ax->isProcessTrusted(false) && announced == 1; }, 10,
                                    [&] { loop.runUntilIdle(); }));
    session.client({"Editor", "Notes", "200x100"});
    auto editor = waitForApplication("Editor", 0);
    ASSERT_TRUE(editor);
    EXPECT_FALSE(ax->copyAttributeValue(ax->applicationElement(editor->processIdentifier()), "AXWindows"));
    // The permission page's button records the consent.
    EXPECT_FALSE(ax->isProcessTrusted(true));
    EXPECT_TRUE(std::filesystem::exists(consent));
    EXPECT_TRUE(X11Session::waitFor([&] { return ax->isProcessTrusted(false) && announced == 2; }, 10,
                                    [&] { loop.runUntilIdle(); }));
    NotificationCenter::distributedCenter()->removeObserver(token);
}

TEST_F(X11DesktopTest, GlobalMonitorsSeeModifierFlagsKeysAndThePointerOfOtherPrograms) {
    // Each event with its flags, or for a key pressed whether it is Escape.
    std::vector<std::pair<EventType, std::uint64_t>> seen;
    auto monitors = desktop->eventMonitors();
    auto mask = eventMask(EventType::flagsChanged) | eventMask(EventType::keyDown) |
                eventMask(EventType::keyUp) | eventMask(EventType::leftMouseUp) |
                eventMask(EventType::scrollWheel);
    auto global = monitors->addGlobalMonitor(mask, [&](const Event& event) {
        seen.emplace_back(event.type, event.type == EventType::flagsChanged ? event.modifierFlags
                                      : event.type == EventType::keyDown    ? event.keyCode == KeyCode::escape
                                                                            : 0);
    });
    session.spawn({"xdotool", "keydown",   "Control_L", "keydown", "Shift_L", "keyup", "Shift_L",
                   "keyup",   "Control_L", "key",       "Escape",  "key",     "a",     "mousemove",
                   "100",     "700",       "click",     "1",       "click",   "4"});
    using namespace ModifierFlags;
    const std::vector<std::pair<EventType, std::uint64_t>> expected{
        {EventType::flagsChanged, control},
        {EventType::flagsChanged, control | shift},
        {EventType::flagsChanged, control},
        {EventType::flagsChanged, 0},
        {EventType::keyDown, 1},
        {EventType::keyUp, 0},
        {EventType::keyDown, 0},
        {EventType::keyUp, 0},
        {EventType::leftMouseUp, 0},
        {EventType::scrollWheel, 0}};
    EXPECT_TRUE(X11Session::waitFor([&] { return seen.size() >= expected.size(); }, 10,
                                    [&] { loop.runUntilIdle(); }));
    EXPECT_EQ(seen, expected);
    // No screens are known here: y is measured up from the root window's bottom edge.
    EXPECT_EQ(monitors->mouseLocation(), (Point{100, 100}));
    EXPECT_EQ(monitors->modifierFlags(), 0u);
    monitors->removeMonitor(global);
}

TEST_F(X11DesktopEntriesTest, RunningWindowsAreTheirEntrysApplicationAndOpeningABundleStartsItsProgram) {
    auto listed = FileManager::shared()->contentsOfDirectory(URL::fileURL("/Applications/", true));
    ASSERT_TRUE(listed);
    EXPECT_EQ(listed->size(), 2u);
    auto pid = session.client({"PinnedClass", "Pinned", "200x100"});
    auto app = waitForApplication("pinned-app");
    ASSERT_TRUE(app);
    EXPECT_EQ(app->processIdentifier(), pid);
    EXPECT_EQ(app->localizedName(), "pinned-app entry");
    // The scan's address of the entry's bundle, which a pinned entry keeps, is the running one's.
    EXPECT_NE(std::find(listed->begin(), listed->end(), *app->bundleURL()), listed->end())
        << app->bundleURL()->absoluteString();

    std::optional<std::optional<std::string>> outcome;
    desktop->workspace()->openApplication(*URL::fromString("/Applications/launched.app/"), {},
                                          [&](auto, std::optional<std::string> error) { outcome = error; });
    loop.runUntilIdle();
    ASSERT_TRUE(outcome) << "the completion ran";
    EXPECT_EQ(*outcome, std::nullopt);
    auto launched = waitForApplication("launched");
    ASSERT_TRUE(launched);
    EXPECT_EQ(launched->bundleURL()->absoluteString(), "file:///Applications/launched.app/");
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
