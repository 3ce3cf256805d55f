#pragma once

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

    // Asks the session's login manager; false when the request could not be made.
    virtual bool suspend() = 0;
    virtual bool reboot() = 0;
    virtual bool powerOff() = 0;

    // The system's default terminal emulator.
    virtual bool canOpenTerminal() = 0;
    virtual bool openTerminal() = 0;

    // The user's own folders of these kinds, as the desktop names them (a platform path); none
    // leaves the other platform's folder in the home folder.
    enum class Folder { desktop, downloads };
    virtual std::optional<std::string> folder(Folder) { return std::nullopt; }
};

}  // namespace platform
