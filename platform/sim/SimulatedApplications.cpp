#include <utility>

#include "platform/base/Process.h"
#include "platform/sim/SimulatedDesktop.h"

namespace platform::sim {
namespace {

nlohmann::json describe(const SimApplication& app) {
    nlohmann::json details = {{"pid", app.pid}};
    if (app.bundleIdentifier) details["bundleIdentifier"] = *app.bundleIdentifier;
    if (app.name) details["name"] = *app.name;
    return details;
}

const char* policyName(ActivationPolicy policy) {
    switch (policy) {
        case ActivationPolicy::regular:
            return "regular";
        case ActivationPolicy::accessory:
            return "accessory";
        case ActivationPolicy::prohibited:
            return "prohibited";
    }
    return "regular";
}

}  // namespace

class SimulatedDesktop::RunningApplicationImpl final : public RunningApplication {
public:
    RunningApplicationImpl(std::shared_ptr<Store> store, Weak desktop, std::uint64_t serial, std::int32_t pid)
        : store_(std::move(store)), desktop_(std::move(desktop)), serial_(serial), pid_(pid) {}

    std::int32_t processIdentifier() const override { return pid_; }
    std::optional<URL> bundleURL() const override {
        return read([](const SimApplication& app) { return app.bundleURL; });
    }
    std::optional<std::string> bundleIdentifier() const override {
        return read([](const SimApplication& app) { return app.bundleIdentifier; });
    }
    std::optional<std::string> localizedName() const override {
        return read([](const SimApplication& app) { return app.name; });
    }
    std::optional<Image> icon() const override {
        auto path = read([](const SimApplication& app) { return app.iconPath; });
        auto desktop = desktop_.lock();
        if (!path || !desktop) return std::nullopt;
        return desktop->image(*path);
    }
    ActivationPolicy activationPolicy() const override {
        return read([](const SimApplication& app) { return app.policy; });
    }
    bool isActive() const override {
        return read([](const SimApplication& app) { return app.active; });
    }
    bool isHidden() const override {
        return read([](const SimApplication& app) { return app.hidden; });
    }
    bool isTerminated() const override {
        return read([](const SimApplication& app) { return app.terminated; });
    }
    bool isFinishedLaunching() const override {
        return read([](const SimApplication& app) { return app.finishedLaunching; });
    }
    bool ownsMenuBar() const override {
        return read(
            [](const SimApplication& app) { return app.active && app.policy == ActivationPolicy::regular; });
    }

    bool activate(std::uint64_t options) override {
        return act([&](SimulatedDesktop& desktop) { return desktop.activate(serial_, options); });
    }
    bool terminate() override {
        return act([&](SimulatedDesktop& desktop) { return desktop.terminate(serial_, false); });
    }
    bool forceTerminate() override {
        return act([&](SimulatedDesktop& desktop) { return desktop.terminate(serial_, true); });
    }
    bool hide() override {
        return act([&](SimulatedDesktop& desktop) { return desktop.setHidden(serial_, true); });
    }
    bool unhide() override {
        return act([&](SimulatedDesktop& desktop) { return desktop.setHidden(serial_, false); });
    }

private:
    // An action on a desktop that is gone does nothing.
    template <class Action>
    bool act(Action action) const {
        auto desktop = desktop_.lock();
        return desktop && action(*desktop);
    }

    template <class Read>
    auto read(Read body) const -> decltype(body(std::declval<const SimApplication&>())) {
        auto state = store_->get();
        // Applications are never removed from the state, so this one is always there.
        return body(*state->application(serial_));
    }

    const std::shared_ptr<Store> store_;
    const Weak desktop_;
    const std::uint64_t serial_;
    const std::int32_t pid_;
};

class SimulatedDesktop::ApplicationImpl final : public Application {
public:
    explicit ApplicationImpl(Weak desktop) : desktop_(std::move(desktop)) {}

    ActivationPolicy activationPolicy() override {
        auto desktop = desktop_.lock();
        if (!desktop) return ActivationPolicy::regular;
        auto state = desktop->state();
        return state->application(state->currentSerial)->policy;
    }

    bool setActivationPolicy(ActivationPolicy policy) override {
        auto desktop = desktop_.lock();
        if (!desktop) return false;
        desktop->change([&](DesktopState& state, Announcements&) {
            state.mutableApplication(state.currentSerial)->policy = policy;
            return true;
        });
        desktop->record("setActivationPolicy", {{"policy", policyName(policy)}});
        return true;
    }

    void activate(bool ignoringOtherApps) override {
        auto desktop = desktop_.lock();
        if (!desktop) return;
        desktop->activate(desktop->state()->currentSerial,
                          ignoringOtherApps ? ApplicationActivationOptions::activateIgnoringOtherApps
                                            : ApplicationActivationOptions::none);
    }

    void hideOtherApplications() override {
        if (auto desktop = desktop_.lock()) desktop->hideOthers("hideOtherApplications");
    }

    std::shared_ptr<RunningApplication> currentApplication() override {
        auto desktop = desktop_.lock();
        return desktop ? desktop->object(desktop->state()->currentSerial) : nullptr;
    }

    void setWillTerminateHandler(std::function<void()> handler) override {
        willTerminate_ = std::move(handler);
    }

    void terminate() override {
        if (auto desktop = desktop_.lock()) desktop->record("terminateProgram");
        if (willTerminate_) willTerminate_();
        exitProcess(0);
    }

private:
    const Weak desktop_;
    std::function<void()> willTerminate_;
};

std::shared_ptr<Application> SimulatedDesktop::makeApplication(const Weak& desktop) {
    return std::make_shared<ApplicationImpl>(desktop);
}

std::shared_ptr<RunningApplication> SimulatedDesktop::object(std::uint64_t serial) {
    std::lock_guard lock(objectsMutex_);
    auto& object = objects_[serial];
    if (!object) {
        auto state = store_->get();
        object = std::make_shared<RunningApplicationImpl>(store_, weak_from_this(), serial,
                                                          state->application(serial)->pid);
    }
    return object;
}

bool SimulatedDesktop::activate(std::uint64_t serial, std::uint64_t options) {
    nlohmann::json details;
    bool activated = change([&](DesktopState& state, Announcements&) {
        const auto* app = state.application(serial);
        details = describe(*app);
        if (app->terminated || app->policy == ActivationPolicy::prohibited) return false;
        bringForward(state, serial);
        return true;
    });
    details["options"] = options;
    record("activate", details);
    return activated;
}

bool SimulatedDesktop::terminate(std::uint64_t serial, bool force) {
    nlohmann::json details;
    bool terminated = change([&](DesktopState& state, Announcements&) {
        const auto* app = state.application(serial);
        details = describe(*app);
        if (app->terminated || serial == state.currentSerial) return false;
        stop(state, serial);
        return true;
    });
    record(force ? "forceTerminate" : "terminate", details);
    return terminated;
}

bool SimulatedDesktop::setHidden(std::uint64_t serial, bool hidden) {
    nlohmann::json details;
    bool changed = change([&](DesktopState& state, Announcements&) {
        auto* app = state.mutableApplication(serial);
        details = describe(*app);
        if (app->terminated) return false;
        app->hidden = hidden;
        if (hidden && app->active) {
            app->active = false;
            activateNext(state);
        }
        return true;
    });
    record(hidden ? "hide" : "unhide", details);
    return changed;
}

void SimulatedDesktop::hideOthers(const char* actionName) {
    change([&](DesktopState& state, Announcements&) {
        for (auto serial : state.running) {
            auto* app = state.mutableApplication(serial);
            if (serial == state.currentSerial || app->policy != ActivationPolicy::regular) continue;
            app->hidden = true;
            app->active = false;
        }
        return true;
    });
    record(actionName);
}

}  // namespace platform::sim
