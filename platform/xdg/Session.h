#pragma once

#include <functional>
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
//
// The session manager is looked for and asked on a thread of its own, each step bounded (the
// connection `SessionBus::connectTimeoutMs`, the look-up `lookUpTimeoutMs`, the request
// `requestTimeoutMs`); a bus that does not answer in time counts as one without a session manager.
class Session final : public DesktopSession {
public:
    static constexpr int lookUpTimeoutMs = 2000;
    // Session managers answer at once and ask the user afterwards.
    static constexpr int requestTimeoutMs = 5000;

    // An empty address is the desktop's session bus.
    explicit Session(std::string busAddress = {}) : busAddress_(std::move(busAddress)) {}

    void suspend() override;
    void reboot(Confirmation confirm) override;
    void powerOff(Confirmation confirm) override;
    bool canOpenTerminal() override;
    bool openTerminal() override;
    std::optional<std::string> folder(Folder folder) override;

    enum class Action { suspend, reboot, powerOff };
    // Runs `action` without waiting; `confirm` (when given) is asked on the main thread before
    // `systemctl` restarts or shuts down, and `done` is told there whether the request was made.
    void perform(Action action, Confirmation confirm, std::function<void(bool made)> done = {});

private:
    const std::string busAddress_;
};

}  // namespace platform::xdg
