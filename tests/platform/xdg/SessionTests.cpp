#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <sstream>

#include "platform/testing/VirtualMainLoop.h"
#include "platform/xdg/Session.h"
#include "tests/platform/xdg/PrivateBus.h"
#include "tests/platform/xdg/StubPortal.h"
#include "tests/platform/xdg/XdgTesting.h"
#include "tests/support/Waiting.h"

using platform::xdg::Session;

namespace {

// A session manager that records the methods called, as "name(arguments) ", and answers each with
// nothing, or with the D-Bus error `refusal` when one is given.
struct StubSessionManager {
    StubSessionManager(const std::string& address, const char* name, const char* path, const char* interface,
                       const std::string& methods, std::string refusal = {})
        : service(address, name, path,
                  std::string("<interface name='") + interface + "'>" + methods + "</interface>",
                  [this, refusal](const std::string& method, GVariant* parameters,
                                  std::string& error) -> GVariant* {
                      auto* arguments = g_variant_print(parameters, FALSE);
                      std::lock_guard lock(mutex);
                      called += method + arguments + " ";
                      g_free(arguments);
                      error = refusal;
                      return nullptr;
                  }) {}
    std::string calls() {
        std::lock_guard lock(mutex);
        return called;
    }
    std::mutex mutex;
    std::string called;
    bus_testing::StubService service;
};

std::string methods(const std::string& names, const std::string& argument = "") {
    std::string xml;
    std::istringstream words(names);
    for (std::string name; words >> name;) xml += "<method name='" + name + "'>" + argument + "</method>";
    return xml;
}

// Asks for `action` and turns the main loop until it is told what came of it (bounded); whether
// the request was made.
std::optional<bool> perform(platform::testing::VirtualMainLoop& loop, Session& session,
                            Session::Action action, Session::Confirmation confirm) {
    std::optional<bool> made;
    session.perform(action, std::move(confirm), [&](bool result) { made = result; });
    test_support::waitUntil([&] {
        loop.runUntilIdle();
        return made.has_value();
    });
    return made;
}

}  // namespace

TEST(SessionTests, WithoutASessionManagerTheUserIsAskedBeforeRestartOrShutDown) {
    auto& desktop = xdg_testing::Desktop::shared();
    platform::testing::VirtualMainLoop loop;
    bus_testing::PrivateBus bus;
    ASSERT_FALSE(bus.address.empty());
    Session session(bus.address);
    // What the user answers and what runs; only suspending goes without asking.
    const std::tuple<Session::Action, bool, std::string> cases[] = {
        {Session::Action::suspend, false, "systemctl suspend"},  {Session::Action::reboot, false, ""},
        {Session::Action::reboot, true, "systemctl reboot"},     {Session::Action::powerOff, false, ""},
        {Session::Action::powerOff, true, "systemctl poweroff"},
    };
    for (const auto& [action, answer, ran] : cases) {
        desktop.clearCalls();
        int asked = 0;
        EXPECT_EQ(perform(loop, session, action, [&] { return ++asked, answer; }), !ran.empty());
        EXPECT_EQ(asked, action == Session::Action::suspend ? 0 : 1);
        EXPECT_TRUE(ran.empty() || desktop.waitForCall(ran));
        EXPECT_EQ(test_support::readWholeFile(desktop.path("calls.log")), ran.empty() ? "" : ran + "\n");
    }
}

TEST(SessionTests, ABusThatIsStoppedOrNeverAnswersCountsAsNoSessionManagerAfterABoundedWait) {
    auto& desktop = xdg_testing::Desktop::shared();
    platform::testing::VirtualMainLoop loop;
    bus_testing::PrivateBus stopped;
    bus_testing::SilentBus silent;
    ASSERT_FALSE(stopped.address.empty() || silent.address.empty());
    stopped.stop();
    for (const auto& address : {stopped.address, silent.address}) {
        desktop.clearCalls();
        Session session(address);
        int asked = 0;
        EXPECT_EQ(perform(loop, session, Session::Action::powerOff, [&] { return ++asked, false; }), false);
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(test_support::readWholeFile(desktop.path("calls.log")), "");
    }
}

TEST(SessionTests, TheTerminalOpensInTheHomeFolder) {
    auto& desktop = xdg_testing::Desktop::shared();
    desktop.clearCalls();
    desktop.write("bin/x-terminal-emulator",
                  "#!/bin/sh\necho \"x-terminal-emulator in $PWD\" >> " + desktop.path("calls.log") + "\n");
    std::filesystem::permissions(desktop.path("bin/x-terminal-emulator"), std::filesystem::perms::owner_all);
    Session session;
    EXPECT_TRUE(session.canOpenTerminal() && session.openTerminal());
    EXPECT_TRUE(desktop.waitForCall("x-terminal-emulator in " + desktop.path("home")));
    std::filesystem::remove(desktop.path("bin/x-terminal-emulator"));
    EXPECT_FALSE(session.canOpenTerminal() || session.openTerminal());
    desktop.stub("x-terminal-emulator");
}

TEST(SessionTests, TheDesktopsSessionManagerIsAskedWhereItOffersTheAction) {
    auto& desktop = xdg_testing::Desktop::shared();
    platform::testing::VirtualMainLoop loop;
    // What suspend, reboot and power-off call on it; systemctl suspends where it cannot, nothing else.
    const struct {
        const char *name, *path, *interface;
        std::string methods, calls;
    } cases[] = {
        {"org.gnome.SessionManager", "/org/gnome/SessionManager", "org.gnome.SessionManager",
         methods("Reboot Shutdown Logout"), "Reboot() Shutdown() "},
        {"org.kde.LogoutPrompt", "/LogoutPrompt", "org.kde.LogoutPrompt",
         methods("promptLogout promptReboot promptShutDown"), "promptReboot() promptShutDown() "},
        {"org.kde.Shutdown", "/Shutdown", "org.kde.Shutdown", methods("logoutAndReboot logoutAndShutdown"),
         "logoutAndReboot() logoutAndShutdown() "},
        {"org.xfce.SessionManager", "/org/xfce/SessionManager", "org.xfce.Session.Manager",
         methods("Restart Shutdown", "<arg type='b' direction='in'/>") + methods("Suspend"),
         "Suspend() Restart(true,) Shutdown(true,) "},
        {"org.lxqt.session", "/LXQtSession", "org.lxqt.session", methods("reboot powerOff"),
         "reboot() powerOff() "},
    };
    for (const auto& test : cases) {
        bus_testing::PrivateBus bus;
        StubSessionManager manager(bus.address, test.name, test.path, test.interface, test.methods);
        ASSERT_TRUE(manager.service.ready) << test.name;
        Session session(bus.address);
        desktop.clearCalls();
        // The session manager asks the user itself.
        int asked = 0;
        for (auto action : {Session::Action::suspend, Session::Action::reboot, Session::Action::powerOff})
            EXPECT_EQ(perform(loop, session, action, [&] { return ++asked, true; }), true) << test.name;
        EXPECT_EQ(asked, 0);
        EXPECT_EQ(manager.calls(), test.calls);
        bool suspendsItself = test.calls.starts_with("Suspend");
        EXPECT_TRUE(suspendsItself || desktop.waitForCall("systemctl suspend")) << test.name;
        EXPECT_EQ(test_support::readWholeFile(desktop.path("calls.log")),
                  suspendsItself ? "" : "systemctl suspend\n");
    }
}

TEST(SessionTests, ASessionManagerThatRefusesIsNotGoneRound) {
    auto& desktop = xdg_testing::Desktop::shared();
    platform::testing::VirtualMainLoop loop;
    bus_testing::PrivateBus bus;
    StubSessionManager manager(bus.address, "org.gnome.SessionManager", "/org/gnome/SessionManager",
                               "org.gnome.SessionManager", methods("Reboot Shutdown"),
                               "org.gnome.SessionManager.NotInRunning");
    ASSERT_TRUE(manager.service.ready);
    desktop.clearCalls();
    Session session(bus.address);
    EXPECT_EQ(perform(loop, session, Session::Action::powerOff, [] { return true; }), false);
    EXPECT_EQ(manager.calls() + test_support::readWholeFile(desktop.path("calls.log")), "Shutdown() ");
}

TEST(SessionTests, DesktopAndDownloadsAreTheUsersNamedFolders) {
    auto& desktop = xdg_testing::Desktop::shared();
    Session session;
    auto folders = [&] {
        return session.folder(Session::Folder::desktop).value_or("-") + " " +
               session.folder(Session::Folder::downloads).value_or("-");
    };
    // Without user-dirs.dirs the desktop is the home's "Desktop" and downloads are not named.
    std::filesystem::remove(desktop.path("config/user-dirs.dirs"));
    EXPECT_EQ(folders(), desktop.path("home") + "/Desktop -");
    desktop.write("config/user-dirs.dirs",
                  "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\nXDG_DOWNLOAD_DIR=\"/srv/Herunterladen/\"\n");
    EXPECT_EQ(folders(), desktop.path("home") + "/Schreibtisch /srv/Herunterladen");
    std::filesystem::remove(desktop.path("config/user-dirs.dirs"));
}
