#include "platform/x11/X11EventMonitors.h"

#include <algorithm>

#include "platform/system/Screen.h"
#include "platform/x11/X11Snapshot.h"
#include "platform/x11/XInputSource.h"

namespace platform::x11 {
namespace {

class MonitorToken final : public EventMonitor {};

bool isKey(const Event& event) {
    return event.type == EventType::keyDown || event.type == EventType::keyUp ||
           event.type == EventType::flagsChanged;
}

}  // namespace

X11EventMonitors::X11EventMonitors(std::shared_ptr<XInputSource> input, std::string ownIdentifier,
                                   std::function<std::shared_ptr<const X11Snapshot>()> snapshot)
    : input_(std::move(input)), ownIdentifier_(std::move(ownIdentifier)), snapshot_(std::move(snapshot)) {}

std::shared_ptr<EventMonitor> X11EventMonitors::addGlobalMonitor(EventMask mask, GlobalHandler handler) {
    return add(Monitor{nullptr, true, mask, std::move(handler), {}});
}

std::shared_ptr<EventMonitor> X11EventMonitors::addLocalMonitor(EventMask mask, LocalHandler handler) {
    return add(Monitor{nullptr, false, mask, {}, std::move(handler)});
}

void X11EventMonitors::removeMonitor(const std::shared_ptr<EventMonitor>& token) {
    std::lock_guard lock(mutex_);
    std::erase_if(monitors_, [&](const Monitor& monitor) { return monitor.token == token; });
}

std::uint64_t X11EventMonitors::modifierFlags() { return input_->modifierFlags(); }
Point X11EventMonitors::mouseLocation() { return input_->mouseLocation(); }

bool X11EventMonitors::isOwn(const Event& event) {
    // The last reading serves: the pointer's every move must not wait on the display.
    auto snapshot = snapshot_();
    if (!snapshot) return false;
    if (isKey(event)) return snapshot->activeGroup == ownIdentifier_;
    double height = 0;
    if (auto screens = Screens::screens(); !screens.empty()) height = screens.front().frame.height();
    Point root{event.location.x, height - event.location.y};
    for (const auto& window : snapshot->windows) {
        if (window.hidden || !window.onCurrentDesktop || !window.frame.contains(root)) continue;
        return window.group == ownIdentifier_;
    }
    return false;
}

void X11EventMonitors::deliverGlobal(const Event& event) {
    // Events of the program's own windows are its own, not another application's: its pointer
    // events go to the local monitors (Qt hands them none), its keys reach them through Qt.
    if (isOwn(event)) {
        if (!isKey(event)) deliverLocal(event);
        return;
    }
    for (auto& monitor : matching(event, true)) monitor.globalHandler(event);
}

std::optional<Event> X11EventMonitors::deliverLocal(Event event) {
    for (auto& monitor : matching(event, false)) {
        auto result = monitor.localHandler(event);
        if (!result) return std::nullopt;
        event = *result;
    }
    return event;
}

std::shared_ptr<EventMonitor> X11EventMonitors::add(Monitor monitor) {
    monitor.token = std::make_shared<MonitorToken>();
    std::lock_guard lock(mutex_);
    monitors_.push_back(monitor);
    return monitor.token;
}

std::vector<X11EventMonitors::Monitor> X11EventMonitors::matching(const Event& event, bool global) {
    std::vector<Monitor> result;
    std::lock_guard lock(mutex_);
    for (const auto& monitor : monitors_)
        if (monitor.global == global && (monitor.mask & eventMask(event.type))) result.push_back(monitor);
    return result;
}

}  // namespace platform::x11
