#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/UserDefaults.h"
#include "platform/system/Image.h"

namespace platform {

// One entry of the system's window list: a dictionary with the platform's keys
// ("kCGWindowNumber", "kCGWindowOwnerPID", "kCGWindowOwnerName", "kCGWindowName",
// "kCGWindowLayer", "kCGWindowIsOnscreen", "kCGWindowAlpha" and "kCGWindowBounds", itself a
// dictionary of "X", "Y", "Width" and "Height" with the origin at the top-left of the first
// screen and y growing downwards). Keys the system cannot report are left out.
using WindowInfo = std::map<std::string, DefaultsValue>;

namespace WindowListOption {
constexpr std::uint32_t all = 0;
constexpr std::uint32_t onScreenOnly = 1 << 0;
}  // namespace WindowListOption

class WindowList {
public:
    virtual ~WindowList() = default;

    // Posted on the workspace's centre, on the main queue, once for a burst of changes: the
    // windows, their owners, names or states, or the active window may have changed.
    static constexpr const char* didChangeNotification = "VelmoraWindowListDidChangeNotification";
    // Posted likewise when a window's state or the active window may have changed.
    static constexpr const char* windowStateDidChangeNotification = "VelmoraWindowStateDidChangeNotification";

    // The installed system's.
    static std::shared_ptr<WindowList> shared();

    // Every window of every application, front to back. Any thread.
    virtual std::vector<WindowInfo> copyWindowInfo(std::uint32_t options) = 0;
    // The picture of the window with this "kCGWindowNumber" as it shows now; none when the window
    // does not exist or cannot be read, and on systems that keep no pictures of windows. Any thread.
    virtual std::optional<Image> createImage(std::uint32_t windowNumber) {
        (void)windowNumber;
        return std::nullopt;
    }
};

}  // namespace platform
