#include "platform/xdg/Session.h"

#include <cstdio>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/MainQueue.h"
#include "platform/foundation/FileManager.h"
#include "platform/xdg/Launcher.h"
#include "platform/xdg/SessionBus.h"
#include "platform/xdg/UserDirectories.h"

namespace platform::xdg {
namespace {

constexpr const char* terminalCommand = "x-terminal-emulator";

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

bool run(const std::vector<std::string>& arguments, const std::string& workingDirectory = {}) {
    auto outcome = runCommand(arguments, workingDirectory);
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

void say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// The names owned on the bus, in one round trip.
std::optional<std::set<std::string>> ownedNames(const SessionBus& bus) {
    GError* error = nullptr;
    auto* reply = bus.call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                           "ListNames", nullptr, G_VARIANT_TYPE("(as)"), Session::lookUpTimeoutMs, &error);
    if (!reply) {
        say(std::string("session bus: ") + error->message);
        g_error_free(error);
        return std::nullopt;
    }
    std::set<std::string> names;
    GVariantIter* iter = nullptr;
    g_variant_get(reply, "(as)", &iter);
    const char* name = nullptr;
    while (g_variant_iter_next(iter, "&s", &name)) names.insert(name);
    g_variant_iter_free(iter);
    g_variant_unref(reply);
    return names;
}

enum class Answer { done, refused, noManager };

// Blocks for a bounded time; never on the main thread.
Answer askSessionManager(const std::string& address, Session::Action action) {
    std::string failure;
    auto bus = SessionBus::connect(&failure, nullptr, address);
    if (!bus) {
        say("session bus: " + failure);
        return Answer::noManager;
    }
    auto names = ownedNames(*bus);
    if (!names) return Answer::noManager;
    for (const auto& manager : sessionManagers) {
        const char* method = methodFor(manager, action);
        if (!method || !names->count(manager.name)) continue;
        GError* error = nullptr;
        auto* reply = bus->call(
            manager.name, manager.path, manager.interface, method,
            manager.allowSave && action != Session::Action::suspend ? g_variant_new("(b)", TRUE) : nullptr,
            nullptr, Session::requestTimeoutMs, &error);
        if (reply) {
            g_variant_unref(reply);
            return Answer::done;
        }
        if (notOffered(error)) {
            g_error_free(error);
            continue;
        }
        // The session manager is in charge: going round it would end the programs unsaved.
        say(std::string(manager.name) + " " + method + ": " + error->message);
        g_error_free(error);
        return Answer::refused;
    }
    return Answer::noManager;
}

}  // namespace

void Session::perform(Action action, Confirmation confirm, std::function<void(bool made)> done) {
    std::thread([address = busAddress_, action, confirm = std::move(confirm), done = std::move(done)] {
        auto answer = askSessionManager(address, action);
        MainQueue::async([answer, action, confirm, done] {
            bool made = answer == Answer::done;
            // Sleeping ends no program: nothing to ask.
            if (answer == Answer::noManager && (action == Action::suspend || !confirm || confirm()))
                made = run({"systemctl", systemctlVerb(action)});
            if (done) done(made);
        });
    }).detach();
}

void Session::suspend() { perform(Action::suspend, {}); }
void Session::reboot(Confirmation confirm) { perform(Action::reboot, std::move(confirm)); }
void Session::powerOff(Confirmation confirm) { perform(Action::powerOff, std::move(confirm)); }
bool Session::canOpenTerminal() { return isOnPath(terminalCommand); }
bool Session::openTerminal() {
    // Not the program's own working folder, which is wherever it was started from.
    return run({terminalCommand}, FileManager::homePath());
}

std::optional<std::string> Session::folder(Folder folder) {
    auto path = folder == Folder::desktop ? userDesktopFolder() : userDownloadsFolder();
    if (path.empty()) return std::nullopt;
    return path;
}

}  // namespace platform::xdg
