#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/system/Event.h"

namespace platform::x11 {

class XInputSource;
struct X11Snapshot;

// The event monitors of the X11 desktop: global monitors get the display's input outside the
// program's own windows, local monitors the program's own events.
class X11EventMonitors final : public EventMonitors {
public:
    // `snapshot` gives the windows to tell the program's own from others' without waiting long.
    X11EventMonitors(std::shared_ptr<XInputSource> input, std::string ownIdentifier,
                     std::function<std::shared_ptr<const X11Snapshot>()> snapshot);

    std::shared_ptr<EventMonitor> addGlobalMonitor(EventMask mask, GlobalHandler handler) override;
    std::shared_ptr<EventMonitor> addLocalMonitor(EventMask mask, LocalHandler handler) override;
    std::optional<Event> deliverToApplication(const Event& event) override { return deliverLocal(event); }
    void removeMonitor(const std::shared_ptr<EventMonitor>& token) override;
    std::uint64_t modifierFlags() override;
    Point mouseLocation() override;

    // An event of the display (main thread): to the global monitors, or when it belongs to the
    // program's own windows and is no key, to the local ones.
    void deliverGlobal(const Event& event);
    // An event of the program's own windows through the local monitors; what the program gets.
    std::optional<Event> deliverLocal(Event event);

private:
    struct Monitor {
        std::shared_ptr<EventMonitor> token;
        bool global = true;
        EventMask mask = 0;
        GlobalHandler globalHandler;
        LocalHandler localHandler;
    };
    std::shared_ptr<EventMonitor> add(Monitor monitor);
    // A copy, so that handlers may add and remove monitors.
    std::vector<Monitor> matching(const Event& event, bool global);
    bool isOwn(const Event& event);

    const std::shared_ptr<XInputSource> input_;
    const std::string ownIdentifier_;
    const std::function<std::shared_ptr<const X11Snapshot>()> snapshot_;
    std::mutex mutex_;
    std::vector<Monitor> monitors_;
};

}  // namespace platform::x11
