#pragma once

#include "platform/system/DesktopSession.h"

namespace platform::xdg {

// A Linux desktop session: power through the login manager (`systemctl`, which logind authorises)
// and Debian's default terminal (`x-terminal-emulator`). Failures are printed.
class Session final : public DesktopSession {
public:
    bool suspend() override;
    bool reboot() override;
    bool powerOff() override;
    bool canOpenTerminal() override;
    bool openTerminal() override;
};

}  // namespace platform::xdg
