#pragma once

#include <memory>
#include <vector>

#include "Brindle/ObjectState.h"
#include "Brindle/WeakVariable.h"
#include "Velmora/shell/Application.h"
#include "platform/base/NotificationCenter.h"
#include "platform/system/Geometry.h"

namespace Velmora {

using AppState = Brindle::ObjectState<Application>;

// Sets the accessory activation policy, then goes on to the required update, the bars or the
// onboarding.
class AppStateStart : public AppState {
public:
    void enter(Brindle::WeakVariable<Application> owner) override;
    void exit(Brindle::WeakVariable<Application> owner) override;
};

// Shows the onboarding window; its completion leads to the bars.
class AppStateOnboarding : public AppState {
public:
    void enter(Brindle::WeakVariable<Application> owner) override;
    void exit(Brindle::WeakVariable<Application> owner) override;

private:
    std::shared_ptr<void> window_;
};

// Waits for the Accessibility permission. Nothing enters it.
class AppStateRequestPermission : public AppState {
public:
    void enter(Brindle::WeakVariable<Application> owner) override;
    void exit(Brindle::WeakVariable<Application> owner) override;

private:
    std::shared_ptr<platform::NotificationCenter::Token> observer_;
};

// Builds one bar per screen, asks for a task refresh and goes on to Idle.
class AppStateDetectedScreen : public AppState {
public:
    void enter(Brindle::WeakVariable<Application> owner) override;
    void exit(Brindle::WeakVariable<Application> owner) override;
};

// The bars are shown: hides the Dock and watches the screens, the permission and the update check.
class AppStateIdle : public AppState {
public:
    // Seconds between two looks at the screens.
    static constexpr double screenCheckInterval = 1.0;
    static constexpr double permissionCheckDelay = 0.1;
    static constexpr double requiredUpdateDelay = 0.1;

    AppStateIdle(std::vector<platform::Rect> detectedScreens, std::vector<double> detectedDpis)
        : detectedScreens(std::move(detectedScreens)), detectedDpis(std::move(detectedDpis)) {}

    void enter(Brindle::WeakVariable<Application> owner) override;
    // Closes every window the application holds and empties the list.
    void exit(Brindle::WeakVariable<Application> owner) override;

    // The visible frames and scale factors of the screens at the last detection, in screen order.
    const std::vector<platform::Rect> detectedScreens;
    const std::vector<double> detectedDpis;

private:
    bool screensChanged() const;

    std::shared_ptr<platform::NotificationCenter::Token> observer_;
};

// Shows the forced-update alert, then ends the program through the download.
class AppStateRequiresUpdate : public AppState {
public:
    static constexpr const char* downloadButtonTitle = "Download now";

    void enter(Brindle::WeakVariable<Application> owner) override;
    void exit(Brindle::WeakVariable<Application> owner) override;
};

// Restores the Dock when this run hid it.
class AppStateOnTermination : public AppState {
public:
    void enter(Brindle::WeakVariable<Application> owner) override;
    void exit(Brindle::WeakVariable<Application> owner) override;
};

}  // namespace Velmora
