#include "Velmora/shell/Application.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "Brindle/RxHelpers.h"
#include "Velmora/settings/EventManager.h"
#include "Velmora/settings/UpdateManager.h"
#include "Velmora/shell/AppState.h"
#include "Velmora/shell/DockManager.h"
#include "Velmora/taskbar/MouseManager.h"
#include "Velmora/tracking/ApplicationManager.h"
#include "platform/base/Process.h"

namespace Velmora {

namespace {

std::mutex currentMutex;
std::weak_ptr<Application> currentApplication;

}  // namespace

Application::Application(Services services) : services_(std::move(services)) {
    if (!services_.updateManager) services_.updateManager = UpdateManager::shared();
    if (!services_.dockManager) services_.dockManager = DockManager::shared();
    if (!services_.applicationManager) services_.applicationManager = ApplicationManager::shared();
    if (!services_.eventManager) services_.eventManager = EventManager::shared();
    if (!services_.startMouseManager) services_.startMouseManager = [] { MouseManager::shared(); };
}

void Application::postInit() {
    // The first states switch on synchronously: the bars or the onboarding window exist when this
    // returns.
    start(Brindle::make<AppStateStart>());
    {
        std::lock_guard lock(currentMutex);
        currentApplication = std::static_pointer_cast<Application>(shared_from_this());
    }
    services_.startMouseManager();

    std::weak_ptr<Application> weakSelf = std::static_pointer_cast<Application>(shared_from_this());
    disposeBag.insert(
        Brindle::subscribeNext(services_.eventManager->showSettings, false, [weakSelf](rx::Unit) {
            if (auto application = weakSelf.lock()) application->openSettingsWindow();
        }));
    disposeBag.insert(Brindle::subscribeNext(services_.eventManager->exit, false, [weakSelf](rx::Unit) {
        if (auto application = weakSelf.lock()) application->quit();
    }));
}

std::shared_ptr<Application> Application::current() {
    std::lock_guard lock(currentMutex);
    return currentApplication.lock();
}

void Application::appendWindowController(WindowController controller) {
    windowControllers_.push_back(std::move(controller));
}

void Application::removeWindowController(const void* window) {
    std::erase_if(windowControllers_,
                  [window](const WindowController& entry) { return entry.window.get() == window; });
}

void Application::closeWindowControllers() {
    // A copy: each close may remove its own entry from the list meanwhile.
    auto controllers = windowControllers_;
    for (const auto& controller : controllers)
        if (controller.close) controller.close();
}

void Application::openSettingsWindow() {
    if (!services_.openSettings) return;
    // The close callback holds the application strongly, as the window may outlive every state.
    auto self = std::static_pointer_cast<Application>(shared_from_this());
    appendWindowController(
        services_.openSettings([self](const void* window) { self->removeWindowController(window); }));
}

void Application::quit() {
    switchState(Brindle::make<AppStateOnTermination>(), currentState());
    platform::exitProcess(0);
}

void Application::willTerminate() { switchState(Brindle::make<AppStateOnTermination>(), currentState()); }

std::shared_ptr<FeatureAvailability> FeatureAvailability::shared() {
    static auto* instance = new std::shared_ptr<FeatureAvailability>(Brindle::make<FeatureAvailability>());
    return *instance;
}

}  // namespace Velmora
