#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Brindle/Object.h"
#include "Velmora/tracking/WindowSystemUtils.h"
#include "platform/base/UUID.h"
#include "platform/system/Screen.h"

namespace Velmora {

// The screen edges a window's frame lies on, ordered as declared.
enum class FullscreenSides { left, top, right, bottom };

// One window of one application, made from a window record in either form. Shared between the
// task list, the window cache and the bar; read-only once published, except for `title`,
// `hasRealTitle` and `isRealWindow`, which the task-list builder may set before publishing.
class Window : public Brindle::Object {
public:
    // Against the platform's screen list as it is now.
    Window(const WindowRecord& dictionary, const std::string& ownerName);
    // Against the given screen list, for callers that make many windows at once.
    Window(const WindowRecord& dictionary, const std::string& ownerName,
           const std::vector<platform::Screen>& screens);
    // The same window as made from the entry's record.
    Window(const ListedWindow& listed, const std::string& ownerName,
           const std::vector<platform::Screen>& screens);

    platform::UUID id;
    bool minimized = true;
    // Held at the desktop's whole work area by the window manager: whatever it covers, not full
    // screen.
    bool zoomed = false;
    // Without repeats, in the order found.
    std::vector<FullscreenSides> fullscreenSides;
    bool hasRealTitle = false;
    // Top-left origin of the first screen, y growing downwards.
    double x = 0;
    double y = 0;
    double w = 0;
    double h = 0;
    std::int32_t pid = 0;
    std::int64_t layer = 0;
    // Position in the screen list of the first screen that holds the whole window, else of the
    // screen that holds most of it; 0 when it lies on none.
    std::int64_t display = 0;
    bool isRealWindow = false;
    std::string title;
    std::string ownerName;

    // pid_x_y_w_h with the integer parts of the frame: the key of the per-process window cache.
    std::string frameKey() const;
    // The window identity of the bridge, by which `WindowSystemUtils::activate` finds the window.
    std::string activationKey() const;

    // Minimised state and title only, so equal windows hash equal.
    std::size_t hashValue() const;
    friend bool operator==(const Window& a, const Window& b);

private:
    // The screen edges and the screen, from the frame.
    void place(const std::vector<platform::Screen>& screens);
};

}  // namespace Velmora

template <>
struct std::hash<Velmora::Window> {
    std::size_t operator()(const Velmora::Window& window) const noexcept { return window.hashValue(); }
};
