#include <gtest/gtest.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <filesystem>
#include <future>
#include <map>
#include <set>

#include "platform/base/NotificationCenter.h"
#include "platform/foundation/FileManager.h"
#include "platform/system/Accessibility.h"
#include "platform/system/Application.h"
#include "platform/system/WindowList.h"
#include "platform/system/WindowManagerNotification.h"
#include "platform/system/Workspace.h"
#include "platform/testing/VirtualMainLoop.h"
#include "platform/x11/X11Desktop.h"
#include "tests/platform/x11/X11DesktopFixture.h"

using namespace platform;
using platform::x11::X11Desktop;

TEST_F(X11DesktopTest, WindowsOfOneClassAreOneApplicationAndWindowsOnOtherDesktopsAndInputOfOthersAreSeen) {
    auto first = session.client({"Editor", "Notes", "300x200"});
    ASSERT_TRUE(waitForApplication("Editor"));
    session.client({"Editor", "Letters", "300x200", "nopid"});
    session.client({"Viewer", "Photo", "200x100"});
    auto editor = waitForApplication("Editor", 2);
    ASSERT_TRUE(editor && waitForApplication("Viewer"));
    EXPECT_EQ(editor->processIdentifier(), first);
    std::set<std::string> titles;
    for (const auto& window : windowsOf(first))
        titles.insert(*desktop->accessibility()->copyAttributeValue(window, "AXTitle")->stringValue());
    EXPECT_EQ(titles, (std::set<std::string>{"Letters", "Notes"}));
    EXPECT_TRUE(editor->localizedName() == "Editor" &&
                editor->activationPolicy() == ActivationPolicy::regular);
    EXPECT_EQ(editor->bundleURL()->absoluteString(), "file:///usr/share/applications/Editor.app/");
    // A window's icon as a PNG (openbox gives every window one).
    auto icon = application("Viewer")->icon();
    EXPECT_TRUE(icon && icon->format() == Image::Format::png && icon->size().width > 0);
    // In launch order (the end-to-end script's bar shows it), the program itself first.
    EXPECT_EQ(desktop->workspace()->runningApplications().front()->bundleIdentifier(), "com.velmora.Velmora");
    EXPECT_EQ(desktop->application()->currentApplication()->processIdentifier(), getpid());
    int editorWindows = 0;  // with their frames, title bar included
    for (const auto& info : desktop->windowList()->copyWindowInfo(WindowListOption::onScreenOnly))
        editorWindows += *info.at("kCGWindowOwnerName").stringValue() == "Editor" &&
                         info.at("kCGWindowOwnerPID").integerValue() == first &&
                         *info.at("kCGWindowBounds").dictionaryValue()->at("Height").doubleValue() > 200.0;
    EXPECT_EQ(editorWindows, 2);
    // A window moved to another desktop is out of reach, as on another space, until that one shows.
    int spaceChanges = 0;
    auto token = Workspace::notificationCenter()->addObserver(Workspace::activeSpaceDidChangeNotification,
                                                              [&](const Notification&) { ++spaceChanges; });
    auto viewer = application("Viewer")->processIdentifier();
    auto id = std::to_string(desktop->snapshot()->groupOfPid(viewer)->windows.front());
    session.spawn({"xdotool", "set_desktop_for_window", id, "1"});
    auto listed = [&](std::uint32_t option) { return desktop->windowList()->copyWindowInfo(option).size(); };
    EXPECT_TRUE(waitFor([&] { return windowsOf(viewer).empty(); }));
    EXPECT_EQ(listed(WindowListOption::all), listed(WindowListOption::onScreenOnly) + 1);
    EXPECT_TRUE(application("Viewer"));
    session.spawn({"xdotool", "set_desktop", "1"});
    EXPECT_TRUE(waitWithLoop([&] { return windowsOf(viewer).size() == 1 && spaceChanges == 1; }));
    Workspace::notificationCenter()->removeObserver(token);
    // Global monitors see other programs' input (the modifier tap and Escape the main menu listens
    // for are the end-to-end script's).
    using enum EventType;
    std::vector<EventType> types;
    std::vector<std::uint64_t> flags;
    auto monitors = desktop->eventMonitors();
    auto mask = eventMask(flagsChanged) | eventMask(keyDown) | eventMask(keyUp) | eventMask(leftMouseUp) |
                eventMask(scrollWheel);
    auto global = monitors->addGlobalMonitor(mask, [&](const Event& event) {
        types.push_back(event.type);
        if (event.type == flagsChanged) flags.push_back(event.modifierFlags);
    });
    session.spawn({"xdotool", "keydown", "Control_L", "keydown", "Shift_L", "keyup", "Shift_L", "keyup",
                   "Control_L", "key", "a", "mousemove", "100", "700", "click", "1", "click", "4"});
    EXPECT_TRUE(waitWithLoop([&] { return types.size() >= 8; }));
    EXPECT_EQ(types, (std::vector{flagsChanged, flagsChanged, flagsChanged, flagsChanged, keyDown, keyUp,
                                  leftMouseUp, scrollWheel}));
    using namespace ModifierFlags;
    EXPECT_EQ(flags, (std::vector<std::uint64_t>{control, control | shift, control, 0}));
    // No screens are known here: y is measured up from the root window's bottom edge.
    EXPECT_EQ(monitors->mouseLocation(), (Point{100, 100}));
    EXPECT_EQ(monitors->modifierFlags(), 0u);
    monitors->removeMonitor(global);
}

TEST_F(X11DesktopTest, ActionsOnApplicationsAndWindowsAndLossOfConsentAreSeenByTheNextQuery) {
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
    EXPECT_TRUE(waitFor([&] { return flag(pid, "AXMinimized") && editor->isHidden(); }));
    EXPECT_EQ(ax->setAttributeValue(windowsOf(pid).front(), "AXMinimized", false), AXError::success);
    EXPECT_TRUE(waitFor([&] { return !flag(pid, "AXMinimized"); }));
    EXPECT_EQ(ax->setAttributeValue(windowsOf(pid).front(), "AXTitle", "x"), AXError::attributeUnsupported);
    EXPECT_TRUE(viewer->hide());
    EXPECT_TRUE(waitFor([&] { return viewer->isHidden(); }));
    EXPECT_TRUE(viewer->activate(0));
    EXPECT_TRUE(waitFor([&] { return frontmost() == "Viewer" && viewer->isActive(); }));
    EXPECT_FALSE(viewer->isHidden());
    // The clock takes no focus: raised, it counts as active until another window is.
    EXPECT_TRUE(clock->activate(0));
    EXPECT_TRUE(waitFor([&] {
        auto front = desktop->windowList()->copyWindowInfo(WindowListOption::onScreenOnly);
        return frontmost() == "Clock" && front.size() > 1 &&
               front[1].at("kCGWindowOwnerPID").integerValue() == clockPid;  // after the dock
    }));
    // The window that kept the focus under the clock is active again once brought forward.
    EXPECT_TRUE(viewer->activate(0));
    EXPECT_TRUE(waitFor([&] { return frontmost() == "Viewer"; }));
    EXPECT_TRUE(clock->activate(0));
    EXPECT_TRUE(waitFor([&] { return frontmost() == "Clock"; }));
    EXPECT_TRUE(editor->activate(0));
    std::vector<std::pair<std::string, std::int64_t>> list;
    EXPECT_TRUE(waitFor([&] {
        list.clear();
        for (const auto& info : desktop->windowList()->copyWindowInfo(WindowListOption::all))
            list.emplace_back(*info.at("kCGWindowName").stringValue(),
                              *info.at("kCGWindowLayer").integerValue());
        return list.size() == 4 && list[1].first == "Notes";
    }));
    EXPECT_EQ(list, (std::vector<std::pair<std::string, std::int64_t>>{
                        {"Panel", 20}, {"Notes", 0}, {"Clock", 0}, {"Photo", 0}}));
    // Hiding the others makes room for nothing on X11: it leaves the user's windows alone.
    desktop->workspace()->hideOtherApplications();
    desktop->application()->hideOtherApplications();
    EXPECT_TRUE(viewer->hide());
    EXPECT_TRUE(waitFor([&] { return viewer->isHidden(); }));
    EXPECT_FALSE(editor->isHidden());
    // Terminating closes the windows; forcing it kills the process.
    EXPECT_TRUE(editor->terminate());
    EXPECT_TRUE(viewer->forceTerminate());
    auto own = desktop->application()->currentApplication();
    EXPECT_FALSE(own->forceTerminate() || own->terminate());
    ASSERT_TRUE(waitFor([&] { return !application("Editor") && !application("Viewer"); }));
    EXPECT_TRUE(editor->isTerminated() && viewer->isTerminated());
    EXPECT_FALSE(editor->activate(0));
    session.client({"Editor", "Notes", "200x100"});
    auto again = waitForApplication("Editor");
    ASSERT_TRUE(again && again != editor);
    // Consent is the trust: without it no window can be read, and each change is announced.
    int announced = 0;
    auto token = NotificationCenter::distributedCenter()->addObserver(
        Accessibility::trustChangedNotification, [&](const Notification&) { ++announced; });
    std::filesystem::remove(desktop->options().consentPath);
    EXPECT_TRUE(waitWithLoop([&] { return !ax->isProcessTrusted(false) && announced == 1; }));
    EXPECT_FALSE(ax->copyAttributeValue(ax->applicationElement(again->processIdentifier()), "AXWindows"));
    // The permission page's button records the consent.
    EXPECT_FALSE(ax->isProcessTrusted(true));
    EXPECT_TRUE(waitWithLoop([&] { return ax->isProcessTrusted(false) && announced == 2; }));
    NotificationCenter::distributedCenter()->removeObserver(token);
}

TEST_F(X11DesktopTest, TheConsentIsSeenInItsFolderMadeAgainAfterTheFolderWentOrMoved) {
    X11Desktop::Options options;
    const auto folder = session.home / "velmora";
    options.consentPath = folder + "/consent";
    const auto give = [&] {
        std::filesystem::create_directories(folder);
        test_support::writeFile(options.consentPath, "");
    };
    give();
    auto own = X11Desktop::open(options);
    ASSERT_TRUE(own && own->trusted());
    for (bool moved : {false, true}) {
        moved ? std::filesystem::rename(folder, session.home / "moved")
              : (void)std::filesystem::remove_all(folder);
        EXPECT_TRUE(waitWithLoop([&] { return !own->trusted(); })) << moved;
        give();
        EXPECT_TRUE(waitWithLoop([&] { return own->trusted(); })) << moved;
    }
}

TEST_F(X11DesktopTest, WindowChangesAreAnnouncedOncePerBurstAndTheGenerationHoldsWhileNothingChanges) {
    int listed = 0, states = 0;
    auto center = Workspace::notificationCenter();
    auto listToken =
        center->addObserver(WindowList::didChangeNotification, [&](const Notification&) { ++listed; });
    auto stateToken = center->addObserver(WindowList::windowStateDidChangeNotification,
                                          [&](const Notification&) { ++states; });
    auto pid = session.client({"Editor", "Notes", "300x200"});
    ASSERT_TRUE(waitForApplication("Editor"));
    EXPECT_TRUE(waitWithLoop([&] { return listed > 0; })) << "a new window";
    auto generation = desktop->generation();
    ASSERT_TRUE(generation);
    EXPECT_EQ(desktop->generation(), generation);
    auto window = std::to_string(desktop->snapshot()->groupOfPid(pid)->windows.front());
    const auto title = [&] { return desktop->snapshot()->window(std::stoul(window))->title; };
    // Three new names while the main queue waits: announced once when it runs.
    loop.runUntilIdle();
    listed = states = 0;
    session.spawn({"xdotool", "set_window", "--name", "One", window, "set_window", "--name", "Two", window,
                   "set_window", "--name", "Three", window});
    ASSERT_TRUE(waitFor([&] { return title() == "Three"; }));
    EXPECT_NE(desktop->generation(), generation);
    loop.runUntilIdle();
    EXPECT_EQ(listed, 1);
    EXPECT_EQ(states, 0) << "a name is no state";
    // A minimised window changes its state: both are announced.
    auto ax = desktop->accessibility();
    EXPECT_EQ(ax->setAttributeValue(windowsOf(pid).front(), "AXMinimized", true), AXError::success);
    EXPECT_TRUE(waitWithLoop([&] { return states > 0 && listed > 1; }));
    // Minimised, brought back and made active again while the main queue waits: one announcement.
    listed = states = 0;
    const auto id = static_cast<std::uint32_t>(std::stoul(window));
    const auto shown = [&](bool hidden) {
        auto snapshot = desktop->snapshot();
        return snapshot->window(id)->hidden == hidden && (hidden || snapshot->activeWindow == id);
    };
    for (bool hidden : {false, true, false}) {
        EXPECT_EQ(ax->setAttributeValue(windowsOf(pid).front(), "AXMinimized", hidden), AXError::success);
        ASSERT_TRUE(waitFor([&] { return shown(hidden); }));
    }
    loop.runUntilIdle();
    // A late event of the window manager may land while the queue runs and start a second burst;
    // one announcement per change would be six or more.
    EXPECT_TRUE(states >= 1 && states <= 2 && listed >= 1 && listed <= 2) << states << ", " << listed;
    center->removeObserver(listToken);
    center->removeObserver(stateToken);
}

TEST_F(X11DesktopEntriesTest, RunningWindowsAreTheirEntrysApplicationAndOpeningABundleStartsItsProgram) {
    auto listed = FileManager::shared()->contentsOfDirectory(URL::fileURL("/Applications/", true));
    ASSERT_TRUE(listed && listed->size() == 2u);
    auto pid = session.client({"pinned-appClass", "Pinned", "200x100"});
    auto app = waitForApplication("pinned-app");
    ASSERT_TRUE(app);
    EXPECT_TRUE(app->processIdentifier() == pid && app->localizedName() == "pinned-app entry");
    // The scan's address of the entry's bundle, which a pinned entry keeps, is the running one's.
    EXPECT_NE(std::find(listed->begin(), listed->end(), *app->bundleURL()), listed->end())
        << app->bundleURL()->absoluteString();
    std::optional<std::optional<std::string>> outcome;
    desktop->workspace()->openApplication(*URL::fromString("/Applications/launched.app/"), {},
                                          [&](auto, std::optional<std::string> error) { outcome = error; });
    loop.runUntilIdle();
    EXPECT_EQ(outcome, std::make_optional(std::optional<std::string>()))
        << "the completion ran, with no error";
    auto launched = waitForApplication("launched");
    EXPECT_TRUE(launched && launched->bundleURL()->absoluteString() == "file:///Applications/launched.app/");
}

TEST_F(X11DesktopEntriesTest, InstalledApplicationsAndTheConsentMoveTheGeneration) {
    auto generation = desktop->generation();
    ASSERT_TRUE(generation);
    const auto entry = data / "share/applications/added.desktop";
    for (bool installed : {true, false}) {
        installed
            ? test_support::writeFile(entry, "[Desktop Entry]\nType=Application\nName=Added\nExec=true\n")
            : (void)std::filesystem::remove(entry);
        ASSERT_TRUE(applications->update());
        EXPECT_NE(desktop->generation(), generation) << installed;
        generation = desktop->generation();
    }
    // Consent withdrawn and given again: what was read before it went is no answer.
    const auto consent = desktop->options().consentPath;
    std::filesystem::remove(consent);
    ASSERT_TRUE(waitWithLoop([&] { return !desktop->generation(); }));
    test_support::writeFile(consent, "");
    EXPECT_TRUE(waitWithLoop([&] { return desktop->generation() && desktop->generation() != generation; }));
}

// A client of the test's own, with a window to own selections by; both go with the object.
class OwnClient {
public:
    OwnClient() {
        xcb_ = xcb_connect(nullptr, &screen_);
        root_ = xcb_setup_roots_iterator(xcb_get_setup(xcb_)).data->root;
        window_ = xcb_generate_id(xcb_);
        xcb_create_window(xcb_, 0, window_, root_, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, 0, 0, nullptr);
    }
    ~OwnClient() { xcb_disconnect(xcb_); }

    // As a settings daemon (XSETTINGS): one text setting, little-endian, texts padded to 4 bytes.
    void announceIconTheme(const std::string& theme) {
        auto number = [](std::size_t value) {
            return std::string{char(value), char(value >> 8), char(value >> 16), char(value >> 24)};
        };
        auto bytes = std::string("\0\0\0\0\0\0\0\0\1\0\0\0\1\0\x11\0Net/IconThemeName\0\0\0", 36) +
                     number(++serial_) + number(theme.size()) + theme + std::string(-theme.size() % 4, '\0');
        auto property = atom("_XSETTINGS_SETTINGS");
        xcb_change_property(xcb_, XCB_PROP_MODE_REPLACE, window_, property, property, 8,
                            static_cast<std::uint32_t>(bytes.size()), bytes.data());
        if (serial_ == 1) xcb_set_selection_owner(xcb_, window_, atom("_XSETTINGS_S0"), XCB_CURRENT_TIME);
        xcb_flush(xcb_);
    }

    // Takes the window manager's selection, as a new manager does first; whether the old one then
    // let go of every window.
    bool takeWindowManagerSelection() {
        xcb_set_selection_owner(xcb_, window_, atom("WM_S" + std::to_string(screen_)), XCB_CURRENT_TIME);
        return waitFor([&, list = atom("_NET_CLIENT_LIST")] {
            auto* reply = xcb_get_property_reply(
                xcb_, xcb_get_property(xcb_, 0, root_, list, XCB_ATOM_ANY, 0, 1024), nullptr);
            bool empty = !reply || xcb_get_property_value_length(reply) == 0;
            std::free(reply);
            return empty;
        });
    }

private:
    xcb_atom_t atom(const std::string& name) {
        auto* reply = xcb_intern_atom_reply(
            xcb_, xcb_intern_atom(xcb_, 0, static_cast<std::uint16_t>(name.size()), name.c_str()), nullptr);
        auto atom = reply ? reply->atom : 0;
        std::free(reply);
        return atom;
    }
    xcb_connection_t* xcb_;
    int screen_ = 0;
    xcb_window_t root_ = 0, window_ = 0;
    std::uint32_t serial_ = 0;
};

TEST_F(X11DesktopEntriesTest, AnotherIconThemeGivesTheApplicationsItsIconsAndMovesTheGeneration) {
    for (std::string theme : {"First", "Second"}) {
        std::filesystem::create_directories(data / ("share/icons/" + theme + "/48x48/apps"));
        test_support::writeFile(
            data / ("share/icons/" + theme + "/index.theme"),
            "[Icon Theme]\nName=" + theme + "\nDirectories=48x48/apps\n[48x48/apps]\nSize=48\nType=Fixed\n");
        test_support::writeFile(data / ("share/icons/" + theme + "/48x48/apps/probe.png"), theme);
    }
    test_support::writeFile(data / "share/applications/probe.desktop",
                            "[Desktop Entry]\nType=Application\nName=Probe\nExec=true\nIcon=probe\n");
    ASSERT_TRUE(applications->update());
    const auto icon = data / "cache/Applications/probe.app/Contents/Resources/AppIcon.png";
    const auto iconTheme = [&] { return test_support::readWholeFile(icon); };
    EXPECT_EQ(iconTheme(), "") << "no theme of the desktop's has the icon";
    auto generation = desktop->generation();
    ASSERT_TRUE(generation);
    OwnClient daemon;
    for (std::string theme : {"First", "Second"}) {
        daemon.announceIconTheme(theme);
        std::optional<std::uint64_t> now;
        EXPECT_TRUE(
            waitFor([&] { return iconTheme() == theme && (now = desktop->generation()) != generation; }, 10))
            << theme;
        generation = now;
    }
}

class X11DesktopFirstScanTest : public X11DesktopEntriesTest {
protected:
    X11DesktopFirstScanTest() { holdsFirstScan = true; }
};

TEST_F(X11DesktopFirstScanTest, AWindowSeenBeforeTheEntriesAreReadIsItsEntrysApplicationOnceTheyAre) {
    applications->startWatching();
    // A reading elsewhere waits for the entries without holding up the main thread's.
    auto elsewhere = std::async(std::launch::async, [&] { return desktop->snapshot(); });
    auto pid = session.client({"pinned-appClass", "Pinned", "200x100"});
    auto early = waitForApplication("pinned-appClass");
    ASSERT_TRUE(early) << "the main thread answers from what it knows";
    EXPECT_FALSE(applications->entriesRead());
    loop.runUntilIdle();
    int announced = 0;
    auto token = Workspace::notificationCenter()->addObserver(WindowList::didChangeNotification,
                                                              [&](const Notification&) { ++announced; });
    releaseScan();
    EXPECT_TRUE(elsewhere.get());
    EXPECT_TRUE(waitWithLoop([&] { return announced > 0; })) << "the bar is told to read the windows again";
    auto app = application("pinned-app");
    EXPECT_TRUE(app && app->processIdentifier() == pid && app->localizedName() == "pinned-app entry");
    EXPECT_TRUE(early->isTerminated() && !application("pinned-appClass"));
    Workspace::notificationCenter()->removeObserver(token);
}

TEST_F(X11DesktopTest, AChangeOfWindowManagerEndsNoApplicationAndIsAnnouncedOnce) {
    session.client({"Editor", "Notes", "300x200"});
    session.client({"Viewer", "Photo", "200x100"});
    auto editor = waitForApplication("Editor"), viewer = waitForApplication("Viewer");
    ASSERT_TRUE(editor && viewer);
    int announced = 0;
    auto token = Workspace::notificationCenter()->addObserver(windowManagerDidChangeNotification,
                                                              [&](const Notification&) { ++announced; });
    const auto unchanged = [&] {
        return application("Editor") == editor && application("Viewer") == viewer &&
               !editor->isTerminated() && !viewer->isTerminated() &&
               windowsOf(editor->processIdentifier()).size() == 1;
    };
    const auto replaceOpenbox = [&](const std::string& name) {
        auto started = session.home.path() + "/" + name;
        session.spawn({"openbox", "--replace", "--sm-disable", "--startup", "touch " + started});
        return waitFor([&] { return access(started.c_str(), F_OK) == 0; });
    };
    {
        OwnClient taker;
        ASSERT_TRUE(taker.takeWindowManagerSelection());
        // Between the two managers the client list is empty, yet every window is still there.
        EXPECT_TRUE(unchanged());
    }
    ASSERT_TRUE(replaceOpenbox("second"));
    EXPECT_TRUE(waitWithLoop([&] { return unchanged() && announced == 1; }));
    // Windows are followed again under the new manager.
    auto window = desktop->snapshot()->groupOfPid(editor->processIdentifier())->windows.front();
    session.spawn({"xdotool", "set_window", "--name", "Renamed", std::to_string(window)});
    EXPECT_TRUE(waitFor([&] { return desktop->snapshot()->window(window)->title == "Renamed"; }));
    // No manager comes: after a while the windows are taken as they are, unlisted.
    {
        OwnClient taker;
        ASSERT_TRUE(taker.takeWindowManagerSelection());
        EXPECT_TRUE(unchanged());
        loop.advance(3);
        EXPECT_TRUE(waitFor([&] { return !application("Editor") && editor->isTerminated(); }));
    }
    ASSERT_TRUE(replaceOpenbox("third"));
    EXPECT_TRUE(
        waitWithLoop([&] { return application("Editor") && application("Viewer") && announced == 2; }));
    loop.runUntilIdle();
    EXPECT_EQ(announced, 2);
    Workspace::notificationCenter()->removeObserver(token);
}

TEST_F(X11DesktopTest, ATitleInCompoundTextReadsAsItsCharacters) {
    // xterm writes its title as compound text and sets no UTF-8 name.
    auto pid = session.spawn({"xterm", "-T", "Caf\u00e9 na\u00efve", "-e", "sleep 60"});
    auto xterm = waitForApplication("XTerm");
    ASSERT_TRUE(xterm && xterm->processIdentifier() == pid);
    auto title = desktop->accessibility()->copyAttributeValue(windowsOf(pid).front(), "AXTitle");
    ASSERT_TRUE(title && title->stringValue());
    EXPECT_EQ(*title->stringValue(), "Caf\u00e9 na\u00efve");
}

TEST(X11DisplayTest, ADisplayWithoutAWindowManagerIsNoEwmhDesktop) {
    X11Session session(false);
    ASSERT_TRUE(session.ready);
    std::string why;
    EXPECT_FALSE(X11Desktop::hasEwmhWindowManager(session.display, &why));
    EXPECT_EQ(why, "no window manager announces EWMH support");
    EXPECT_FALSE(X11Desktop::hasEwmhWindowManager(":4093", &why)) << "no such display";
}
