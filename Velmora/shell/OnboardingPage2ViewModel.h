#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Velmora/shell/OnboardingPageViewModel.h"
#include "platform/base/TimeInterval.h"
#include "rx/Published.h"

namespace Velmora {

class ApplicationManager;
class DockManager;
class SettingsManager;

// The permission page: it waits for the system's Accessibility notification, shows the success
// texts and lets "Done!" appear once the permission has been granted, and then runs the
// onboarding's completion steps (Dock hidden, task refresh, default pins, System Settings quit,
// login item, other applications hidden, the program in front). Main thread only.
class OnboardingPage2ViewModel : public OnboardingPageViewModel {
public:
    static constexpr const char* doneTitle = "Done!";
    static constexpr const char* requiredTitle = "Permission required";
    static constexpr const char* grantedTitle = "All required permissions are fixed.";
    static constexpr const char* grantedMessage = "Velmora now has all that's required to be run";
    static constexpr const char* systemSettingsBundleIdentifier = "com.apple.systempreferences";
    // From a notification to the permission test, and from the grant to the completion steps.
    static constexpr platform::TimeInterval permissionTestDelay = 0.1;
    static constexpr platform::TimeInterval completionDelay = 0.3;

    // Why the program needs the permission, and what to do; on a Linux desktop, what the button
    // records.
    static std::string explanation();

    // The shared objects unless given (tests give their own).
    struct Services {
        std::shared_ptr<SettingsManager> settings;
        std::shared_ptr<DockManager> dock;
        std::shared_ptr<ApplicationManager> applications;
    };

    explicit OnboardingPage2ViewModel(Services services = {});
    ~OnboardingPage2ViewModel() override;
    // Starts the permission watch on the next turn of the main queue.
    void postInit() override;

    // True while the permission is missing: the request button and the picture are shown.
    rx::Published<bool> showPermissionButton{true};
    rx::Published<std::string> title{requiredTitle};
    rx::Published<std::string> message{explanation()};

    // Shows the missing or the granted state; the granted one also starts the completion.
    virtual void setPermissionRequired(bool required);
    // Calls `onChange` with the permission 0.1 s after each Accessibility notification, until the
    // first time it is granted.
    virtual void observeAccessibilityChanges(std::function<void(bool granted)> onChange);
    void permissionChanged(bool granted);
    void completeOnboarding();

private:
    struct Watch;

    std::shared_ptr<SettingsManager> settings() const;
    std::shared_ptr<DockManager> dock() const;
    std::shared_ptr<ApplicationManager> applications() const;

    const Services services_;
    std::vector<std::shared_ptr<Watch>> watches_;
};

}  // namespace Velmora
