#pragma once
// What the desktop asks of other programs' windows: EWMH and ICCCM client messages, and signals.

#include <cstdint>
#include <string>
#include <vector>

namespace platform::x11 {

class X11Connection;
struct X11Snapshot;

class X11Actions {
public:
    explicit X11Actions(X11Connection& connection) : x_(connection) {}

    // Asks the window manager to raise and focus the window, un-minimising it.
    void activateWindow(std::uint32_t window, std::uint32_t currentlyActive);
    // Whether the window takes the focus when asked (ICCCM input hint or WM_TAKE_FOCUS).
    bool takesFocus(std::uint32_t window);
    // Raises the window above its siblings without focusing it.
    void raise(std::uint32_t window);
    // Minimises the windows; false when there are none.
    bool iconify(const std::vector<std::uint32_t>& windows);
    // Asks each window to close, as its close button would.
    void close(const std::vector<std::uint32_t>& windows);
    // SIGKILL to the user's processes that the server says made the group's windows, never to
    // `spared`; true when any was sent.
    bool killGroup(const X11Snapshot& snapshot, const std::string& group, std::int32_t spared);

private:
    X11Connection& x_;
};

}  // namespace platform::x11
