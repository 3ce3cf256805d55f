#include "Brindle/Platform.h"

#include <sys/utsname.h>

#include <cstdlib>

namespace Brindle {

std::string Platform::modelIdentifier() {
    struct utsname info {};
    ::uname(&info);
    std::string machine = info.machine;
    if (machine == "i386" || machine == "x86_64" || machine == "arm64") {
        if (const char* simulated = std::getenv("SIMULATOR_MODEL_IDENTIFIER")) return simulated;
    }
    return machine;
}

bool Platform::isListedModel() {
    auto model = modelIdentifier();
    return model == "iPhone15,2" || model == "iPhone15,3";
}

}  // namespace Brindle
