#include "platform/xdg/Session.h"

#include <cstdio>
#include <string>
#include <vector>

#include "platform/xdg/Launcher.h"
#include "platform/xdg/SessionBus.h"
#include "platform/xdg/UserDirectories.h"

namespace platform::xdg {
namespace {

constexpr const char* terminalCommand = "x-terminal-emulator";
// Session managers answer at once and ask the user afterwards; a hung one must not hold the menu.
constexpr int sessionManagerTimeoutMs = 5000;

// One session manager's method for an action; a null method where it offers none. Those that take
// a Boolean get true: the session is saved.
struct SessionManager {
    const char* name;
    const char* path;
    const char* interface;
    const char* suspend;
    const char* reboot;
    const char* powerOff;
    bool allowSave;
};

// In the order asked. KDE's prompt comes before its direct command, so that the user confirms.
constexpr SessionManager sessionManagers[] = {
    {"org.gnome.SessionManager", "/org/gnome/SessionManager", "org.gnome.SessionManager", nullptr, "Reboot",
     "Shutdown", false},
    {"org.kde.LogoutPrompt", "/LogoutPrompt", "org.kde.LogoutPrompt", nullptr, "promptReboot",
     "promptShutDown", false},
    {"org.kde.Shutdown", "/Shutdown", "org.kde.Shutdown", nullptr, "logoutAndReboot", "logoutAndShutdown",
     false},
    {"org.xfce.SessionManager", "/org/xfce/SessionManager", "org.xfce.Session.Manager", "Suspend", "Restart",
     "Shutdown", true},
    {"org.lxqt.session", "/LXQtSession", "org.lxqt.session", nullptr, "reboot", "powerOff", false},
};

const char* methodFor(const SessionManager& manager, Session::Action action) {
    switch (action) {
        case Session::Action::suspend:
            return manager.suspend;
        case Session::Action::reboot:
            return manager.reboot;
        case Session::Action::powerOff:
            return manager.powerOff;
    }
    return nullptr;
}

const char* systemctlVerb(Session::Action action) {
    switch (action) {
        case Session::Action::suspend:
            return "suspend";
        case Session::Action::reboot:
            return "reboot";
        case Session::Action::powerOff:
            return "poweroff";
    }
    return "";
}

bool run(const std::vector<std::string>& arguments) {
    auto outcome = runCommand(arguments);
    if (!outcome.ok()) {
        std::printf("%s: %s\n", arguments.front().c_str(), outcome.error->c_str());
        std::fflush(stdout);
    }
    return outcome.ok();
}

// Errors that say the manager offers no such action, so the next one may.
bool notOffered(const GError* error) {
    return g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_SERVICE_UNKNOWN) ||
           g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NAME_HAS_NO_OWNER) ||
           g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_METHOD) ||
           g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_OBJECT) ||
           g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_INTERFACE);
}

}  // namespace

bool Session::perform(Action action) {
    if (auto bus = SessionBus::connect(nullptr, nullptr, busAddress_)) {
        for (const auto& manager : sessionManagers) {
            const char* method = methodFor(manager, action);
            if (!method || !bus->hasOwner(manager.name)) continue;
            GError* error = nullptr;
            auto* reply = bus->call(
                manager.name, manager.path, manager.interface, method,
                manager.allowSave && action != Action::suspend ? g_variant_new("(b)", TRUE) : nullptr,
                nullptr, sessionManagerTimeoutMs, &error);
            if (reply) {
                g_variant_unref(reply);
                return true;
            }
            if (notOffered(error)) {
                g_error_free(error);
                continue;
            }
            // The session manager is in charge: going round it would end the programs unsaved.
            std::printf("%s %s: %s\n", manager.name, method, error->message);
            std::fflush(stdout);
            g_error_free(error);
            return false;
        }
    }
    return run({"systemctl", systemctlVerb(action)});
}

bool Session::suspend() { return perform(Action::suspend); }
bool Session::reboot() { return perform(Action::reboot); }
bool Session::powerOff() { return perform(Action::powerOff); }
bool Session::canOpenTerminal() { return isOnPath(terminalCommand); }
bool Session::openTerminal() { return run({terminalCommand}); }

std::optional<std::string> Session::folder(Folder folder) {
    auto path = folder == Folder::desktop ? userDesktopFolder() : userDownloadsFolder();
    if (path.empty()) return std::nullopt;
    return path;
}

}  // namespace platform::xdg
