#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/system/Event.h"
#include "platform/x11/EventThread.h"

namespace platform::x11 {

// Keys, buttons, scrolls and pointer motion of the whole display, from XInput2 raw events on the
// root window, over a connection of its own read on the shared EventThread. The
// pointer and the held modifiers are cached from the events, so reading them never waits on the display.
//
// Events carry the platform's values: modifier flags by the platform's bits, Escape as key code
// 53 (other keys get their X key code plus 256, so they never pass for one of the platform's
// codes), locations in the platform's global coordinates. Buttons 1 and 3 are the left and right
// buttons, 4 to 7 the scroll wheels; modifier keys give `flagsChanged` only.
class XInputSource {
public:
    using Handler = std::function<void(const Event&)>;

    // None, with the reason in `error`, when the display cannot be opened or has no XInput 2.
    // An empty name means $DISPLAY.
    static std::unique_ptr<XInputSource> open(const std::string& displayName = {},
                                              std::string* error = nullptr);
    ~XInputSource();
    XInputSource(const XInputSource&) = delete;
    XInputSource& operator=(const XInputSource&) = delete;

    // Called on the event thread for every event, in order. Replaces the previous one.
    void setHandler(Handler handler);
    // Where a point of the root window lies in the coordinates of window frames (top-left of the
    // first screen, y down, in the points of the screen under it); without one, root pixels are
    // those coordinates. Called on the event thread.
    void setPointMapping(std::function<Point(Point)> mapping);

    std::uint64_t modifierFlags() const;
    // In the platform's global coordinates, by the screens and the mapping of now.
    Point mouseLocation() const;

    // X11 key code of Escape on this display's keyboard.
    std::uint8_t escapeKeyCode() const { return escapeKeyCode_; }

    // The platform point for a point of the root window: y flips at the first screen's bottom
    // edge (the root's height when no screens are known).
    static Point platformPoint(double rootX, double rootY, double rootHeight);

    // The thread reading this source, for other connections of the same display to share.
    const std::shared_ptr<EventThread>& eventThread() const { return thread_; }

private:
    struct Connection;
    XInputSource() = default;
    // Takes the waiting events; false once the connection is gone.
    bool read();
    void handle(const void* event);
    void refreshPointer(bool announce);
    void deliver(Event event);
    // A point of the root window in the platform's coordinates, by the mapping and screens of now.
    // With `mutex_` held.
    Point locate(Point root) const;

    std::unique_ptr<Connection> connection_;
    std::shared_ptr<EventThread> thread_;
    int readerKey_ = -1;
    std::uint8_t opcode_ = 0;
    std::uint8_t escapeKeyCode_ = 0;
    // Modifier bit per X key code, from the server's modifier mapping.
    std::uint64_t modifierOfKey_[256] = {};
    double rootHeight_ = 0;

    mutable std::mutex mutex_;
    Handler handler_;
    std::function<Point(Point)> pointMapping_;
    std::uint64_t flags_ = 0;
    std::uint32_t heldButtons_ = 0;
    // Kept in the root's pixels: a change of the screens or of the mapping moves the platform's
    // location of a pointer that stays where it is.
    Point rootLocation_;
    // Held modifier keys, by key code, so two keys for one modifier release it only together.
    std::uint8_t heldModifierKeys_[256] = {};
};

}  // namespace platform::x11
