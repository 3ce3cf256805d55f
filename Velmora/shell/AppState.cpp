#include "Velmora/shell/AppState.h"

#include <utility>

#include "Velmora/settings/UpdateManager.h"
#include "Velmora/shell/DockManager.h"
#include "Velmora/tracking/ApplicationManager.h"
#include "Velmora/tracking/WindowSystemUtils.h"
#include "platform/base/MainQueue.h"
#include "platform/base/Process.h"
#include "platform/system/Accessibility.h"
#include "platform/system/Alert.h"
#include "platform/system/Application.h"
#include "platform/system/Screen.h"
#include "platform/system/Workspace.h"

namespace Velmora {

namespace {

std::shared_ptr<AppState> self(AppState& state) {
    return std::static_pointer_cast<AppState>(state.shared_from_this());
}

bool switchFrom(AppState& state, const std::shared_ptr<AppState>& next) {
    auto application = state.owner();
    if (!application) return false;
    return application->switchState(next, self(state));
}

std::vector<platform::Rect> visibleFrames() {
    std::vector<platform::Rect> frames;
    for (const auto& screen : platform::Screens::screens()) frames.push_back(screen.visibleFrame);
    return frames;
}

std::vector<double> scaleFactors() {
    std::vector<double> factors;
    for (const auto& screen : platform::Screens::screens()) factors.push_back(screen.backingScaleFactor);
    return factors;
}

std::shared_ptr<platform::NotificationCenter> distributedCenter() {
    return platform::NotificationCenter::distributedCenter();
}

}  // namespace

void AppStateStart::enter(Brindle::WeakVariable<Application> owner) {
    AppState::enter(owner);
    auto application = owner.get();
    if (!application) return;
    platform::Application::shared()->setActivationPolicy(platform::ActivationPolicy::accessory);

    std::shared_ptr<AppState> next;
    if (application->services().updateManager->requiresUpdate.value())
        next = Brindle::make<AppStateRequiresUpdate>();
    else if (Brindle::make<WindowSystemUtils>()->hasPermission())
        next = Brindle::make<AppStateDetectedScreen>();
    else
        next = Brindle::make<AppStateOnboarding>();
    switchFrom(*this, next);
}

void AppStateStart::exit(Brindle::WeakVariable<Application> owner) { AppState::exit(owner); }

void AppStateOnboarding::enter(Brindle::WeakVariable<Application> owner) {
    AppState::enter(owner);
    auto application = owner.get();
    if (!application || !application->services().openOnboarding) return;
    std::weak_ptr<AppStateOnboarding> weakSelf = std::static_pointer_cast<AppStateOnboarding>(self(*this));
    auto controller = application->services().openOnboarding(
        [weakSelf, owner](const void* window) {
            if (auto application = owner.get()) application->removeWindowController(window);
            if (auto state = weakSelf.lock()) state->window_.reset();
        },
        // Holds the state strongly: it is the one the switch names.
        [state = self(*this)] { switchFrom(*state, Brindle::make<AppStateDetectedScreen>()); });
    window_ = controller.window;
    application->appendWindowController(std::move(controller));
}

void AppStateOnboarding::exit(Brindle::WeakVariable<Application> owner) { AppState::exit(owner); }

void AppStateRequestPermission::enter(Brindle::WeakVariable<Application> owner) {
    AppState::enter(owner);
    std::weak_ptr<AppStateRequestPermission> weakSelf =
        std::static_pointer_cast<AppStateRequestPermission>(self(*this));
    observer_ = distributedCenter()->addObserver(
        platform::Accessibility::trustChangedNotification, [weakSelf](const platform::Notification&) {
            auto state = weakSelf.lock();
            if (!state) return;
            platform::MainQueue::asyncAfter(AppStateIdle::permissionCheckDelay, [state] {
                if (!Brindle::make<WindowSystemUtils>()->hasPermission()) {
                    platform::exitProcess(0);
                    return;
                }
                distributedCenter()->removeObserver(state->observer_);
                switchFrom(*state, Brindle::make<AppStateStart>());
            });
        });
}

void AppStateRequestPermission::exit(Brindle::WeakVariable<Application> owner) { AppState::exit(owner); }

void AppStateDetectedScreen::enter(Brindle::WeakVariable<Application> owner) {
    AppState::enter(owner);
    auto application = owner.get();
    if (!application) return;
    auto frames = visibleFrames();
    auto factors = scaleFactors();
    if (application->services().makeTaskbar) {
        for (const auto& screen : platform::Screens::screens())
            application->appendWindowController(application->services().makeTaskbar(screen, application));
    }
    application->services().applicationManager->update.onNext(rx::Unit{});
    switchFrom(*this, Brindle::make<AppStateIdle>(std::move(frames), std::move(factors)));
}

void AppStateDetectedScreen::exit(Brindle::WeakVariable<Application> owner) { AppState::exit(owner); }

bool AppStateIdle::screensChanged() const {
    if (visibleFrames() != detectedScreens) return true;
    return scaleFactors() != detectedDpis;
}

void AppStateIdle::enter(Brindle::WeakVariable<Application> owner) {
    AppState::enter(owner);
    auto application = owner.get();
    if (!application) return;
    application->services().dockManager->hideDock();

    std::weak_ptr<AppStateIdle> weakSelf = std::static_pointer_cast<AppStateIdle>(self(*this));
    // Left running by exit: once the state is gone it stops at its next tick, and a switch it makes
    // after the state was left is refused.
    platform::MainQueue::scheduledTimer(screenCheckInterval, true, [weakSelf](platform::Timer& timer) {
        auto state = weakSelf.lock();
        if (!state) {
            timer.invalidate();
            return;
        }
        if (!state->screensChanged()) return;
        timer.invalidate();
        switchFrom(*state, Brindle::make<AppStateDetectedScreen>());
    });

    observer_ = distributedCenter()->addObserver(
        platform::Accessibility::trustChangedNotification, [weakSelf](const platform::Notification&) {
            auto state = weakSelf.lock();
            if (!state) return;
            platform::MainQueue::asyncAfter(permissionCheckDelay, [state] {
                if (Brindle::make<WindowSystemUtils>()->hasPermission()) return;
                distributedCenter()->removeObserver(state->observer_);
                switchFrom(*state, Brindle::make<AppStateStart>());
            });
        });

    disposeBag().insert(application->services()
                            .updateManager->requiresUpdate.filter([](bool required) { return required; })
                            .delay(requiredUpdateDelay, rx::MainScheduler::instance())
                            .subscribe([weakSelf](bool) {
                                if (auto state = weakSelf.lock())
                                    switchFrom(*state, Brindle::make<AppStateRequiresUpdate>());
                            }));
}

void AppStateIdle::exit(Brindle::WeakVariable<Application> owner) {
    AppState::exit(owner);
    auto application = owner.get();
    if (!application) return;
    application->closeWindowControllers();
    application->setWindowControllers({});
}

void AppStateRequiresUpdate::enter(Brindle::WeakVariable<Application> owner) {
    AppState::enter(owner);
    auto application = owner.get();
    if (!application) return;
    const auto& info = application->services().updateManager->updateInfo();
    if (!info) return;
    const UpdateInfo required = info->required;

    platform::Alert alert;
    alert.messageText = required.title;
    alert.informativeText = required.text;
    alert.addButton(downloadButtonTitle);
    alert.runModal();

    application->closeWindowControllers();
    switchFrom(*this, Brindle::make<AppStateOnTermination>());

    // Only web addresses: the reply must not make the program open files or launch applications.
    auto url = required.downloadURL();
    if (!url) return;
    platform::Workspace::shared()->open(*url, platform::OpenConfiguration{},
                                        [](auto, auto) { platform::exitProcess(0); });
}

void AppStateRequiresUpdate::exit(Brindle::WeakVariable<Application> owner) { AppState::exit(owner); }

void AppStateOnTermination::enter(Brindle::WeakVariable<Application> owner) {
    AppState::enter(owner);
    auto application = owner.get();
    if (!application) return;
    auto dock = application->services().dockManager;
    if (dock->isHidden()) dock->restoreDock();
}

void AppStateOnTermination::exit(Brindle::WeakVariable<Application> owner) { AppState::exit(owner); }

}  // namespace Velmora
