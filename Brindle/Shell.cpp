#include "Brindle/Shell.h"

#include "Brindle/UTF8.h"
#include "platform/foundation/Process.h"
#include "platform/system/System.h"

namespace Brindle {

std::string runShellCommand(const std::string& command) {
    // The simulated desktop runs the lines meant for its own Dock, which would act on the host.
    if (auto output = platform::System::runCommandLineOfInstalled(command)) return *output;
    auto output = platform::Process::runCollectingOutput("/bin/zsh", {"-c", command});
    return output ? decodingUTF8(*output) : std::string();
}

}  // namespace Brindle
