#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace platform {

class Accessibility;
class AppleScript;
class Application;
class DesktopSession;
class EventMonitors;
class LoginItems;
class WindowList;
class Workspace;

// The running system the program talks to. One is installed for the whole process: the
// simulated desktop in the program and in tests.
class System {
public:
    virtual ~System() = default;

    virtual std::shared_ptr<Workspace> workspace() = 0;
    virtual std::shared_ptr<Accessibility> accessibility() = 0;
    virtual std::shared_ptr<WindowList> windowList() = 0;
    virtual std::shared_ptr<EventMonitors> eventMonitors() = 0;
    virtual std::shared_ptr<LoginItems> loginItems() = 0;
    virtual std::shared_ptr<AppleScript> appleScript() = 0;
    virtual std::shared_ptr<Application> application() = 0;
    // A real desktop's session commands; none where the other platform's command lines apply.
    virtual std::shared_ptr<DesktopSession> desktopSession() { return nullptr; }
    // A number that changes whenever the running applications, the window list or the windows'
    // Accessibility records may read differently; none when the system cannot tell, and then
    // every reading must be fresh. Any thread.
    virtual std::optional<std::uint64_t> generation() { return std::nullopt; }
    // Runs a shell command line that this system carries out itself instead of the host (the
    // simulated desktop's Dock) and gives its output; none leaves the line to the host's shell.
    // Any thread.
    virtual std::optional<std::string> runCommandLine(const std::string&) { return std::nullopt; }

    // The installed system; asking before one is installed is a programming error. Any thread.
    static std::shared_ptr<System> current();
    // Installs `system` (none uninstalls) and returns the one it replaces.
    static std::shared_ptr<System> install(std::shared_ptr<System> system);
    // The installed system's `runCommandLine`; none when no system is installed.
    static std::optional<std::string> runCommandLineOfInstalled(const std::string& commandLine);
};

// Installs a system while it lives and then puts the previous one back.
class ScopedSystem {
public:
    explicit ScopedSystem(std::shared_ptr<System> system) : previous_(System::install(std::move(system))) {}
    ~ScopedSystem() { System::install(previous_); }
    ScopedSystem(const ScopedSystem&) = delete;
    ScopedSystem& operator=(const ScopedSystem&) = delete;

private:
    std::shared_ptr<System> previous_;
};

}  // namespace platform
