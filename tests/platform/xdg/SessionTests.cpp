#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>

#include "platform/xdg/Session.h"
#include "tests/platform/xdg/PrivateBus.h"
#include "tests/platform/xdg/StubService.h"
#include "tests/platform/xdg/XdgTesting.h"

using platform::xdg::Session;

namespace {

// A session manager that records the methods called, as "name(arguments)", and answers each with
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
                      called.push_back(method + arguments);
                      g_free(arguments);
                      error = refusal;
                      return nullptr;
                  }) {}
    std::vector<std::string> calls() {
        std::lock_guard lock(mutex);
        return called;
    }
    std::mutex mutex;
    std::vector<std::string> called;
    bus_testing::StubService service;
};

std::string methods(std::initializer_list<const char*> names, bool allowSave = false) {
    std::string xml;
    for (const char* name : names)
        xml += std::string("<method name='") + name + "'>" +
               (allowSave ? "<arg type='b' direction='in'/>" : "") + "</method>";
    return xml;
}

}  // namespace

TEST(SessionTests, WithoutASessionManagerPowerAndTerminalReachTheirCommands) {
    auto& desktop = xdg_testing::Desktop::shared();
    bus_testing::PrivateBus bus;
    ASSERT_FALSE(bus.address.empty());
    Session session(bus.address);
    desktop.clearCalls();
    EXPECT_TRUE(session.suspend() && session.reboot() && session.powerOff() && session.openTerminal());
    for (const char* line :
         {"systemctl suspend", "systemctl reboot", "systemctl poweroff", "x-terminal-emulator "})
        EXPECT_TRUE(desktop.waitForCall(line)) << line;
    EXPECT_TRUE(session.canOpenTerminal());
    std::filesystem::remove(desktop.path("bin/x-terminal-emulator"));
    EXPECT_FALSE(session.canOpenTerminal() || session.openTerminal());
    desktop.stub("x-terminal-emulator");
}

TEST(SessionTests, TheDesktopsSessionManagerIsAskedWhereItOffersTheAction) {
    auto& desktop = xdg_testing::Desktop::shared();
    struct Case {
        const char* name;
        const char* path;
        const char* interface;
        std::string methods;
        // What suspend, reboot and power-off call on it; empty where systemctl does it.
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"org.gnome.SessionManager",
         "/org/gnome/SessionManager",
         "org.gnome.SessionManager",
         methods({"Reboot", "Shutdown", "Logout"}),
         {"", "Reboot()", "Shutdown()"}},
        {"org.kde.LogoutPrompt",
         "/LogoutPrompt",
         "org.kde.LogoutPrompt",
         methods({"promptLogout", "promptReboot", "promptShutDown"}),
         {"", "promptReboot()", "promptShutDown()"}},
        {"org.kde.Shutdown",
         "/Shutdown",
         "org.kde.Shutdown",
         methods({"logoutAndReboot", "logoutAndShutdown"}),
         {"", "logoutAndReboot()", "logoutAndShutdown()"}},
        {"org.xfce.SessionManager",
         "/org/xfce/SessionManager",
         "org.xfce.Session.Manager",
         methods({"Restart", "Shutdown"}, true) + methods({"Suspend"}),
         {"Suspend()", "Restart(true,)", "Shutdown(true,)"}},
        {"org.lxqt.session",
         "/LXQtSession",
         "org.lxqt.session",
         methods({"reboot", "powerOff"}),
         {"", "reboot()", "powerOff()"}},
    };
    for (const auto& test : cases) {
        bus_testing::PrivateBus bus;
        ASSERT_FALSE(bus.address.empty());
        StubSessionManager manager(bus.address, test.name, test.path, test.interface, test.methods);
        ASSERT_TRUE(manager.service.ready) << test.name;
        Session session(bus.address);
        desktop.clearCalls();
        EXPECT_TRUE(session.suspend() && session.reboot() && session.powerOff()) << test.name;
        std::vector<std::string> called;
        for (const auto& call : test.expected)
            if (!call.empty()) called.push_back(call);
        EXPECT_EQ(manager.calls(), called) << test.name;
        // Sleep goes to the login manager where the session manager has no such action; nothing else does.
        if (test.expected[0].empty()) {
            EXPECT_TRUE(desktop.waitForCall("systemctl suspend")) << test.name;
        }
        EXPECT_EQ(test_support::readWholeFile(desktop.path("calls.log")).find("systemctl reboot"),
                  std::string::npos);
    }
}

TEST(SessionTests, ASessionManagerThatRefusesIsNotGoneRound) {
    auto& desktop = xdg_testing::Desktop::shared();
    bus_testing::PrivateBus bus;
    ASSERT_FALSE(bus.address.empty());
    StubSessionManager manager(bus.address, "org.gnome.SessionManager", "/org/gnome/SessionManager",
                               "org.gnome.SessionManager", methods({"Reboot", "Shutdown"}),
                               "org.gnome.SessionManager.NotInRunning");
    ASSERT_TRUE(manager.service.ready);
    desktop.clearCalls();
    EXPECT_FALSE(Session(bus.address).powerOff());
    EXPECT_EQ(manager.calls(), std::vector<std::string>{"Shutdown()"});
    EXPECT_TRUE(test_support::readWholeFile(desktop.path("calls.log")).empty());
}

TEST(SessionTests, DesktopAndDownloadsAreTheUsersNamedFolders) {
    auto& desktop = xdg_testing::Desktop::shared();
    const auto home = desktop.path("home");
    Session session;
    // Without user-dirs.dirs the desktop is the home's "Desktop" and downloads are not named.
    std::filesystem::remove(desktop.path("config/user-dirs.dirs"));
    EXPECT_EQ(session.folder(Session::Folder::desktop), home + "/Desktop");
    EXPECT_EQ(session.folder(Session::Folder::downloads), std::nullopt);
    desktop.write("config/user-dirs.dirs",
                  "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
                  "XDG_DOWNLOAD_DIR=\"/srv/Herunterladen/\"\n");
    EXPECT_EQ(session.folder(Session::Folder::desktop), home + "/Schreibtisch");
    EXPECT_EQ(session.folder(Session::Folder::downloads), "/srv/Herunterladen");
    std::filesystem::remove(desktop.path("config/user-dirs.dirs"));
}
