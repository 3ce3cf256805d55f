#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/foundation/URL.h"
#include "platform/system/Image.h"

namespace platform {

// Whether an application shows in the Dock and may be activated, with the platform's raw values.
enum class ActivationPolicy : std::int64_t { regular = 0, accessory = 1, prohibited = 2 };

// Options of `RunningApplication::activate`, with the platform's bit values.
namespace ApplicationActivationOptions {
constexpr std::uint64_t none = 0;
constexpr std::uint64_t activateAllWindows = 1 << 0;
constexpr std::uint64_t activateIgnoringOtherApps = 1 << 1;
}  // namespace ApplicationActivationOptions

// One application process as the workspace reports it. The object stays the same for the life of
// the process and keeps answering after it has quit (then `isTerminated`). Any thread may read it.
class RunningApplication {
public:
    virtual ~RunningApplication() = default;

    virtual std::int32_t processIdentifier() const = 0;
    // A folder address ending with "/".
    virtual std::optional<URL> bundleURL() const = 0;
    virtual std::optional<std::string> bundleIdentifier() const = 0;
    virtual std::optional<std::string> localizedName() const = 0;
    virtual std::optional<Image> icon() const = 0;
    virtual ActivationPolicy activationPolicy() const = 0;
    virtual bool isActive() const = 0;
    virtual bool isHidden() const = 0;
    virtual bool isTerminated() const = 0;
    virtual bool isFinishedLaunching() const = 0;
    virtual bool ownsMenuBar() const = 0;

    // False when the application could not be activated (for example because it has quit).
    virtual bool activate(std::uint64_t options) = 0;
    // A polite quit request; false when it could not be sent.
    virtual bool terminate() = 0;
    virtual bool forceTerminate() = 0;
    virtual bool hide() = 0;
    virtual bool unhide() = 0;
};

}  // namespace platform
