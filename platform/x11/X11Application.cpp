#include <atomic>
#include <functional>

#include "platform/base/Process.h"
#include "platform/system/AppleScript.h"
#include "platform/system/Application.h"
#include "platform/x11/X11Desktop.h"
#include "platform/x11/X11Services.h"

namespace platform::x11 {
namespace {

// The program itself as an application of the X11 desktop.
class X11Application final : public Application {
public:
    explicit X11Application(std::weak_ptr<X11Desktop> desktop) : desktop_(std::move(desktop)) {}

    ActivationPolicy activationPolicy() override { return policy_; }
    bool setActivationPolicy(ActivationPolicy policy) override {
        policy_ = policy;
        if (auto desktop = desktop_.lock()) desktop->setOwnActivationPolicy(policy);
        return true;
    }
    void activate(bool) override {
        if (auto desktop = desktop_.lock())
            desktop->activateGroup(desktop->options().ownBundleIdentifier,
                                   ApplicationActivationOptions::none);
    }
    // As the workspace's: nothing to make room for on X11.
    void hideOtherApplications() override {}
    std::shared_ptr<RunningApplication> currentApplication() override {
        auto desktop = desktop_.lock();
        return desktop ? desktop->runningApplication(desktop->options().ownBundleIdentifier) : nullptr;
    }
    void setWillTerminateHandler(std::function<void()> handler) override {
        willTerminate_ = std::move(handler);
    }
    void terminate() override {
        if (willTerminate_) willTerminate_();
        exitProcess(0);
    }

private:
    const std::weak_ptr<X11Desktop> desktop_;
    std::atomic<ActivationPolicy> policy_{ActivationPolicy::regular};
    std::function<void()> willTerminate_;
};

// No scripting language of the other platform exists here: a script runs without a result.
class X11AppleScript final : public AppleScript {
public:
    AppleScriptResult execute(const std::string&) override { return {}; }
};

}  // namespace

std::shared_ptr<Application> makeX11Application(std::weak_ptr<X11Desktop> desktop) {
    return std::make_shared<X11Application>(std::move(desktop));
}

std::shared_ptr<AppleScript> makeX11AppleScript() { return std::make_shared<X11AppleScript>(); }

}  // namespace platform::x11
