#include "Brindle/Shell.h"

#include "Brindle/UTF8.h"
#include "platform/foundation/Process.h"

namespace Brindle {

std::string runShellCommand(const std::string& command) {
    auto output = platform::Process::runCollectingOutput("/bin/zsh", {"-c", command});
    return output ? decodingUTF8(*output) : std::string();
}

}  // namespace Brindle
