#pragma once

#include <string>

namespace Brindle {

enum class PlatformType { mobile, desktop, tablet };

class Platform {
public:
    // The machine name from uname; on "i386", "x86_64" and "arm64" machines the environment's
    // SIMULATOR_MODEL_IDENTIFIER wins when it is set.
    static std::string modelIdentifier();
    // One of two particular handset models.
    static bool isListedModel();
};

}  // namespace Brindle
