#include "Velmora/shell/OnboardingPage2ViewModel.h"

#include <iostream>

#include "Velmora/settings/SettingsManager.h"
#include "Velmora/shell/DockManager.h"
#include "Velmora/tracking/App.h"
#include "Velmora/tracking/ApplicationManager.h"
#include "Velmora/tracking/WindowSystemUtils.h"
#include "platform/base/Animation.h"
#include "platform/base/MainQueue.h"
#include "platform/base/NotificationCenter.h"
#include "platform/system/Accessibility.h"
#include "platform/system/DesktopSession.h"
#include "platform/system/LoginItems.h"
#include "platform/system/Workspace.h"

namespace Velmora {

// One registration with the distributed notification centre.
struct OnboardingPage2ViewModel::Watch {
    std::shared_ptr<platform::NotificationCenter::Token> token;
    bool ended = false;

    void end() {
        if (ended) return;
        ended = true;
        platform::NotificationCenter::distributedCenter()->removeObserver(token);
        token.reset();
    }
};

std::string OnboardingPage2ViewModel::explanation() {
    // A Linux desktop has no such framework or toggle: the button there records the user's consent.
    if (platform::DesktopSession::shared())
        return "Velmora shows a button for the windows of each of your programs and brings them forward, "
               "minimizes or closes them when you ask it to. To do that it has to watch and act on the "
               "windows of other programs.\n\nPress the button below to give your consent. Velmora keeps it "
               "until you remove its consent file (velmora/x11-consent in your configuration folder).";
    return "Velmora is built on macOS Accessability framework, which is required to control windows "
           "(minimizing, maximizing, closing etc). For the app to function properly, you need to give the "
           "app access this functionality. \n\nPress the button below and enable the toggle.";
}

OnboardingPage2ViewModel::OnboardingPage2ViewModel(Services services) : services_(std::move(services)) {
    showNextButton.set(false);
    nextButtonTitle.set(doneTitle);
}

OnboardingPage2ViewModel::~OnboardingPage2ViewModel() {
    for (const auto& watch : watches_) watch->end();
}

void OnboardingPage2ViewModel::postInit() {
    OnboardingPageViewModel::postInit();
    std::weak_ptr<OnboardingPage2ViewModel> weak = sharedAs<OnboardingPage2ViewModel>();
    platform::MainQueue::async([weak] {
        auto self = weak.lock();
        if (!self) return;
        self->observeAccessibilityChanges([weak](bool granted) {
            if (auto model = weak.lock()) model->permissionChanged(granted);
        });
    });
}

std::shared_ptr<SettingsManager> OnboardingPage2ViewModel::settings() const {
    return services_.settings ? services_.settings : SettingsManager::shared();
}

std::shared_ptr<DockManager> OnboardingPage2ViewModel::dock() const {
    return services_.dock ? services_.dock : DockManager::shared();
}

std::shared_ptr<ApplicationManager> OnboardingPage2ViewModel::applications() const {
    return services_.applications ? services_.applications : ApplicationManager::shared();
}

void OnboardingPage2ViewModel::observeAccessibilityChanges(std::function<void(bool granted)> onChange) {
    auto watch = std::make_shared<Watch>();
    watches_.push_back(watch);
    // The handler runs on the posting thread and only schedules the test.
    watch->token = platform::NotificationCenter::distributedCenter()->addObserver(
        platform::Accessibility::trustChangedNotification,
        [weakWatch = std::weak_ptr<Watch>(watch), onChange](const platform::Notification&) {
            platform::MainQueue::asyncAfter(permissionTestDelay, [weakWatch, onChange] {
                auto watch = weakWatch.lock();
                // A test scheduled before the first grant ended the watch would complete the
                // onboarding a second time.
                if (!watch || watch->ended) return;
                bool granted = Brindle::make<WindowSystemUtils>()->hasPermission();
                if (granted) watch->end();
                onChange(granted);
            });
        });
}

void OnboardingPage2ViewModel::permissionChanged(bool granted) {
    platform::withAnimation([&] { showNextButton.set(granted); });
    platform::MainQueue::async(
        [self = sharedAs<OnboardingPage2ViewModel>(), granted] { self->setPermissionRequired(!granted); });
}

void OnboardingPage2ViewModel::setPermissionRequired(bool required) {
    showPermissionButton.set(required);
    if (required) {
        title.set(requiredTitle);
        message.set(explanation());
        return;
    }
    title.set(grantedTitle);
    message.set(grantedMessage);
    dock()->hideDock();
    applications()->update.onNext(rx::Unit{});
    platform::MainQueue::asyncAfter(
        completionDelay, [self = sharedAs<OnboardingPage2ViewModel>()] { self->completeOnboarding(); });
}

void OnboardingPage2ViewModel::completeOnboarding() {
    std::vector<std::shared_ptr<platform::RunningApplication>> running;
    for (const auto& task : applications()->allTasks.value())
        if (task->runningApplication) running.push_back(task->runningApplication);

    auto settings = this->settings();
    if (settings->pinnedApplications.value().empty())
        settings->pinnedApplications.accept(App::resolve(App::defaultPinnedApps(), *applications()));

    for (const auto& application : running) {
        auto identifier = application->bundleIdentifier();
        if (identifier && *identifier == systemSettingsBundleIdentifier) {
            application->terminate();
            break;
        }
    }

    if (auto error = platform::LoginItems::shared()->registerMainApp()) std::cout << *error << std::endl;

    platform::MainQueue::async([] {
        auto workspace = platform::Workspace::shared();
        workspace->hideOtherApplications();
        for (const auto& application : workspace->runningApplications()) {
            if (application->bundleIdentifier() == velmoraBundleIdentifier) {
                application->activate(platform::ApplicationActivationOptions::activateIgnoringOtherApps);
                break;
            }
        }
    });
}

}  // namespace Velmora
