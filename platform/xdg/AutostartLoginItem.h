#pragma once

#include <optional>
#include <string>

#include "platform/system/LoginItems.h"

namespace platform::xdg {

// The program as a login item of a Linux desktop: an autostart entry of its own,
// $XDG_CONFIG_HOME/autostart/velmora.desktop, that runs the program by its absolute path. The
// entry replaces whatever is at its path, a symbolic link included, without following it.
class AutostartLoginItem final : public LoginItems {
public:
    explicit AutostartLoginItem(std::string programPath = runningProgramPath());

    static std::string entryPath();
    // The running program's absolute path (/proc/self/exe).
    static std::string runningProgramPath();
    // The entry's contents for a program path, quoted and escaped as Exec needs; none, with the
    // reason, for a path no entry can hold.
    static std::optional<std::string> entryContents(const std::string& programPath,
                                                    std::string* why = nullptr);

    std::optional<std::string> registerMainApp() override;
    std::optional<std::string> unregisterMainApp() override;
    // Enabled while the entry is there with a command and not hidden.
    LoginItemStatus status() override;

private:
    const std::string programPath_;
};

}  // namespace platform::xdg
