#pragma once

#include <memory>
#include <optional>
#include <string>

namespace platform {

struct AppleScriptResult {
    // The script's result as text, when it gave one.
    std::optional<std::string> output;
    // Why the script failed; none when it ran.
    std::optional<std::string> error;
};

// Runs scripts in the platform's scripting language.
class AppleScript {
public:
    virtual ~AppleScript() = default;

    // The installed system's.
    static std::shared_ptr<AppleScript> shared();

    virtual AppleScriptResult execute(const std::string& source) = 0;
};

}  // namespace platform
