#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace platform {

// The commands of a Linux desktop session that take the place of the other platform's own: its
// power commands, its terminal and its Dock. A system without one (the simulated desktop) runs the
// other platform's command lines as the program always has.
class DesktopSession {
public:
    virtual ~DesktopSession() = default;

    // The installed system's; none on the simulated desktop or when no system is installed.
    static std::shared_ptr<DesktopSession> shared();

    // Asked on the main thread before a restart or shut-down that nobody else puts to the user (no
    // session manager lets the programs save and the user confirm); true goes ahead.
    using Confirmation = std::function<bool()>;

    // Asks the session's manager, else its login manager, and returns at once: a session bus that
    // does not answer holds nothing up. Failures are told on standard output.
    virtual void suspend() = 0;
    virtual void reboot(Confirmation confirm) = 0;
    virtual void powerOff(Confirmation confirm) = 0;

    // The system's default terminal emulator, started in the user's home folder.
    virtual bool canOpenTerminal() = 0;
    virtual bool openTerminal() = 0;

    // The user's own folders of these kinds, as the desktop names them (a platform path); none
    // leaves the other platform's folder in the home folder.
    enum class Folder { desktop, downloads };
    virtual std::optional<std::string> folder(Folder) { return std::nullopt; }
};

}  // namespace platform
