#include <algorithm>

#include "platform/sim/SimulatedDesktop.h"

namespace platform::sim {

class SimulatedDesktop::MonitorImpl final : public EventMonitor {};

class SimulatedDesktop::EventMonitorsImpl final : public EventMonitors {
public:
    explicit EventMonitorsImpl(Weak desktop) : desktop_(std::move(desktop)) {}

    std::shared_ptr<EventMonitor> addGlobalMonitor(EventMask mask, GlobalHandler handler) override {
        Monitor monitor;
        monitor.global = true;
        monitor.mask = mask;
        monitor.globalHandler = std::move(handler);
        return add(std::move(monitor));
    }

    std::shared_ptr<EventMonitor> addLocalMonitor(EventMask mask, LocalHandler handler) override {
        Monitor monitor;
        monitor.global = false;
        monitor.mask = mask;
        monitor.localHandler = std::move(handler);
        return add(std::move(monitor));
    }

    void removeMonitor(const std::shared_ptr<EventMonitor>& token) override {
        auto desktop = desktop_.lock();
        if (!desktop || !token) return;
        std::lock_guard lock(desktop->inputMutex_);
        auto& monitors = desktop->monitors_;
        monitors.erase(std::remove_if(monitors.begin(), monitors.end(),
                                      [&](const Monitor& monitor) { return monitor.token == token; }),
                       monitors.end());
    }

    std::uint64_t modifierFlags() override {
        auto desktop = desktop_.lock();
        if (!desktop) return 0;
        std::shared_ptr<InputSource> source;
        {
            std::lock_guard lock(desktop->inputMutex_);
            if (!desktop->inputSource_) return desktop->modifierFlags_;
            source = desktop->inputSource_;
        }
        return source->modifierFlags();
    }

    Point mouseLocation() override {
        auto desktop = desktop_.lock();
        if (!desktop) return {};
        std::shared_ptr<InputSource> source;
        {
            std::lock_guard lock(desktop->inputMutex_);
            if (!desktop->inputSource_) return desktop->mouseLocation_;
            source = desktop->inputSource_;
        }
        return source->mouseLocation();
    }

    std::optional<Event> deliverToApplication(const Event& event) override {
        auto desktop = desktop_.lock();
        if (!desktop) return event;
        return desktop->injectEvent(event, EventTarget::thisApplication);
    }

private:
    std::shared_ptr<EventMonitor> add(Monitor monitor) {
        monitor.token = std::make_shared<MonitorImpl>();
        auto token = monitor.token;
        if (auto desktop = desktop_.lock()) {
            std::lock_guard lock(desktop->inputMutex_);
            desktop->monitors_.push_back(std::move(monitor));
        }
        return token;
    }

    const Weak desktop_;
};

class SimulatedDesktop::LoginItemsImpl final : public LoginItems {
public:
    explicit LoginItemsImpl(Weak desktop) : desktop_(std::move(desktop)) {}

    std::optional<std::string> registerMainApp() override {
        auto desktop = desktop_.lock();
        if (!desktop) return std::string("The operation couldn't be completed.");
        auto error = desktop->change([](DesktopState& state, Announcements&) {
            if (!state.loginItemError) state.loginItemStatus = LoginItemStatus::enabled;
            return state.loginItemError;
        });
        nlohmann::json details = nlohmann::json::object();
        if (error) details["error"] = *error;
        desktop->record("registerLoginItem", details);
        return error;
    }

    std::optional<std::string> unregisterMainApp() override {
        auto desktop = desktop_.lock();
        if (!desktop) return std::string("The operation couldn't be completed.");
        desktop->change([](DesktopState& state, Announcements&) {
            state.loginItemStatus = LoginItemStatus::notRegistered;
            return true;
        });
        desktop->record("unregisterLoginItem");
        return std::nullopt;
    }

    LoginItemStatus status() override {
        auto desktop = desktop_.lock();
        return desktop ? desktop->state()->loginItemStatus : LoginItemStatus::notFound;
    }

private:
    const Weak desktop_;
};

// There is no interpreter here: a script is recorded and runs without a result.
class SimulatedDesktop::AppleScriptImpl final : public AppleScript {
public:
    explicit AppleScriptImpl(Weak desktop) : desktop_(std::move(desktop)) {}

    AppleScriptResult execute(const std::string& source) override {
        if (auto desktop = desktop_.lock()) desktop->record("appleScript", {{"source", source}});
        return {};
    }

private:
    const Weak desktop_;
};

std::shared_ptr<EventMonitors> SimulatedDesktop::makeEventMonitors(const Weak& desktop) {
    return std::make_shared<EventMonitorsImpl>(desktop);
}

std::shared_ptr<LoginItems> SimulatedDesktop::makeLoginItems(const Weak& desktop) {
    return std::make_shared<LoginItemsImpl>(desktop);
}

std::shared_ptr<AppleScript> SimulatedDesktop::makeAppleScript(const Weak& desktop) {
    return std::make_shared<AppleScriptImpl>(desktop);
}

}  // namespace platform::sim
