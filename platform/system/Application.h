#pragma once

#include <functional>
#include <memory>

#include "platform/system/RunningApplication.h"

namespace platform {

// The program's own application object. Main thread only.
class Application {
public:
    virtual ~Application() = default;

    // The installed system's.
    static std::shared_ptr<Application> shared();

    virtual ActivationPolicy activationPolicy() = 0;
    // False when the system refused the change.
    virtual bool setActivationPolicy(ActivationPolicy policy) = 0;
    virtual void activate(bool ignoringOtherApps) = 0;
    virtual void hideOtherApplications() = 0;
    // The program itself among the running applications.
    virtual std::shared_ptr<RunningApplication> currentApplication() = 0;

    // Runs when the application is about to terminate.
    virtual void setWillTerminateHandler(std::function<void()> handler) = 0;
    // Runs the will-terminate handler, then ends the process with status 0.
    virtual void terminate() = 0;
};

}  // namespace platform
