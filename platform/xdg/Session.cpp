#include "platform/xdg/Session.h"

#include <cstdio>
#include <string>
#include <vector>

#include "platform/xdg/Launcher.h"

namespace platform::xdg {
namespace {

constexpr const char* terminalCommand = "x-terminal-emulator";

bool run(const std::vector<std::string>& arguments) {
    auto outcome = runCommand(arguments);
    if (!outcome.ok()) {
        std::printf("%s: %s\n", arguments.front().c_str(), outcome.error->c_str());
        std::fflush(stdout);
    }
    return outcome.ok();
}

}  // namespace

bool Session::suspend() { return run({"systemctl", "suspend"}); }
bool Session::reboot() { return run({"systemctl", "reboot"}); }
bool Session::powerOff() { return run({"systemctl", "poweroff"}); }
bool Session::canOpenTerminal() { return isOnPath(terminalCommand); }
bool Session::openTerminal() { return run({terminalCommand}); }

}  // namespace platform::xdg
