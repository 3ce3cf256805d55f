#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/system/Geometry.h"

namespace platform {

// Event types with the platform's raw values.
enum class EventType : std::uint32_t {
    leftMouseDown = 1,
    leftMouseUp = 2,
    rightMouseDown = 3,
    rightMouseUp = 4,
    mouseMoved = 5,
    leftMouseDragged = 6,
    rightMouseDragged = 7,
    keyDown = 10,
    keyUp = 11,
    flagsChanged = 12,
    scrollWheel = 22,
};

using EventMask = std::uint64_t;
constexpr EventMask eventMask(EventType type) { return EventMask{1} << static_cast<std::uint32_t>(type); }

// Modifier flags with the platform's bit values.
namespace ModifierFlags {
constexpr std::uint64_t capsLock = 1 << 16;
constexpr std::uint64_t shift = 1 << 17;
constexpr std::uint64_t control = 1 << 18;
constexpr std::uint64_t option = 1 << 19;
constexpr std::uint64_t command = 1 << 20;
constexpr std::uint64_t numericPad = 1 << 21;
constexpr std::uint64_t help = 1 << 22;
constexpr std::uint64_t function = 1 << 23;
constexpr std::uint64_t deviceIndependentFlagsMask = 0xffff0000;
}  // namespace ModifierFlags

namespace KeyCode {
constexpr std::uint16_t escape = 53;
}  // namespace KeyCode

struct Event {
    EventType type = EventType::keyDown;
    std::uint16_t keyCode = 0;
    std::uint64_t modifierFlags = 0;
    // In the platform's global coordinates (origin at the bottom-left of the first screen, y up).
    Point location;
};

// A monitor that `removeMonitor` takes back.
class EventMonitor {
public:
    virtual ~EventMonitor() = default;
};

// Event monitors and the input state. Handlers run on the main thread, in the order the monitors
// were added.
class EventMonitors {
public:
    using GlobalHandler = std::function<void(const Event&)>;
    // Returns the event to pass on (possibly changed), or none to swallow it.
    using LocalHandler = std::function<std::optional<Event>(const Event&)>;

    virtual ~EventMonitors() = default;

    // The installed system's.
    static std::shared_ptr<EventMonitors> shared();

    // Sees the matching events sent to other applications.
    virtual std::shared_ptr<EventMonitor> addGlobalMonitor(EventMask mask, GlobalHandler handler) = 0;
    // Sees the matching events sent to this application before it handles them.
    virtual std::shared_ptr<EventMonitor> addLocalMonitor(EventMask mask, LocalHandler handler) = 0;
    // Unknown or already removed monitors are ignored.
    virtual void removeMonitor(const std::shared_ptr<EventMonitor>& monitor) = 0;
    // An event that reached one of this application's own windows (a key typed into it), handed
    // to its local monitors; returns what the window then gets. A system whose monitors already
    // see its own windows' input passes it on unchanged. Main thread.
    virtual std::optional<Event> deliverToApplication(const Event& event) { return event; }

    // The modifier keys held now. Any thread.
    virtual std::uint64_t modifierFlags() = 0;
    // The pointer now, in the platform's global coordinates. Any thread.
    virtual Point mouseLocation() = 0;
};

// The class-wide input state of the installed system.
class Events {
public:
    static std::uint64_t modifierFlags() { return EventMonitors::shared()->modifierFlags(); }
    static Point mouseLocation() { return EventMonitors::shared()->mouseLocation(); }
};

}  // namespace platform
