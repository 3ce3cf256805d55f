#pragma once

#include <optional>
#include <string>
#include <utility>

#include "platform/system/DesktopSession.h"

namespace platform::xdg {

// A Linux desktop session. Power goes through the desktop's session manager on the session bus
// where one offers the action (GNOME, KDE, Xfce, LXQt), so that programs may save their work and
// the user confirm; else through the login manager (`systemctl`, which logind authorises). The
// terminal is Debian's default (`x-terminal-emulator`); the folders are the XDG user directories.
// Failures are printed.
class Session final : public DesktopSession {
public:
    // An empty address is the desktop's session bus.
    explicit Session(std::string busAddress = {}) : busAddress_(std::move(busAddress)) {}

    bool suspend() override;
    bool reboot() override;
    bool powerOff() override;
    bool canOpenTerminal() override;
    bool openTerminal() override;
    std::optional<std::string> folder(Folder folder) override;

    enum class Action { suspend, reboot, powerOff };

private:
    bool perform(Action action);

    const std::string busAddress_;
};

}  // namespace platform::xdg
