#include "Velmora/taskbar/TaskbarButtonViewModel.h"

#include <algorithm>
#include <utility>

#include "Brindle/MainQueue.h"
#include "Velmora/settings/SettingsManager.h"
#include "Velmora/taskbar/ButtonState.h"
#include "Velmora/tracking/ApplicationManager.h"
#include "Velmora/tracking/WindowSystemUtils.h"
#include "platform/system/RunningApplication.h"
#include "platform/system/Workspace.h"

namespace Velmora {

namespace {

bool hasUnminimisedWindow(const ApplicationManager& manager, std::int32_t pid) {
    auto windows = manager.lastVisibleWindows();
    auto entry = windows.find(pid);
    if (entry == windows.end()) return false;
    return std::any_of(entry->second.begin(), entry->second.end(),
                       [](const std::shared_ptr<Window>& window) { return !window->minimized; });
}

bool activateWindow(const std::shared_ptr<platform::RunningApplication>& application,
                    const std::optional<std::string>& key) {
    return Brindle::make<WindowSystemUtils>()->activate(application, key);
}

}  // namespace

TaskbarButtonViewModel::TaskbarButtonViewModel(std::shared_ptr<Task> task,
                                               const std::shared_ptr<TaskbarViewModel>& taskbarViewModel,
                                               std::shared_ptr<ApplicationManager> applicationManager)
    : pid(task->processIdentifier),
      icon(task->icon),
      title(task->title),
      multiButton(task->visibleWindows().size() > 1),
      task(task),
      isActive(task->runningApplication && task->runningApplication->ownsMenuBar()),
      anyWindowVisible(hasUnminimisedWindow(*applicationManager, task->processIdentifier)),
      taskbarViewModel(taskbarViewModel),
      applicationManager_(std::move(applicationManager)),
      id_(task->bundlePath.absoluteString()) {}

void TaskbarButtonViewModel::postInit() {
    listsWindows.accept(multiButton);
    ReactiveViewModel::postInit();
    start(Brindle::make<ButtonStateIdle>());
}

bool TaskbarButtonViewModel::isLastClicked() const {
    auto last = applicationManager_->lastClicked.value();
    return last && last->processIdentifier == task->processIdentifier;
}

void TaskbarButtonViewModel::click() {
    if (listsWindows.value()) return;
    const auto& application = task->runningApplication;
    auto workspace = platform::Workspace::shared();
    if (!task->isActive && !isLastClicked()) {
        applicationManager_->lastClicked.set(task);
        if (isLastClicked()) applicationManager_->lastClicked.set(nullptr);
        if (application) application->activate(platform::ApplicationActivationOptions::activateAllWindows);
        // Without a window key nothing is un-minimised, so the bundle is always opened: that
        // brings a running application forward and launches a pinned one.
        if (!activateWindow(application, std::nullopt)) workspace->open(task->bundlePath);
    } else if (!activateWindow(application, std::nullopt) && application) {
        if (auto bundle = application->bundleURL()) workspace->open(*bundle);
    }
    applicationManager_->update.onNext(rx::Unit{});
}

void TaskbarButtonViewModel::chooseWindow(const std::shared_ptr<Window>& window) {
    if (!window) return;
    auto key = window->activationKey();
    if (task->runningApplication)
        task->runningApplication->activate(platform::ApplicationActivationOptions::none);
    activateWindow(task->runningApplication, key);
    // Once the application has come forward it may have minimised the window again.
    Brindle::runOnMainQueue(windowActivationRepeatDelay, [task = task, manager = applicationManager_, key] {
        activateWindow(task->runningApplication, key);
        manager->update.onNext(rx::Unit{});
    });
}

void TaskbarButtonViewModel::pin() { applicationManager_->settings()->pin(task); }

void TaskbarButtonViewModel::unpin() {
    const auto& settings = applicationManager_->settings();
    auto pinned = settings->pinnedApplications.value();
    std::erase_if(pinned,
                  [&](const std::shared_ptr<Task>& entry) { return entry->bundlePath == task->bundlePath; });
    settings->pinnedApplications.accept(pinned);
}

void TaskbarButtonViewModel::forceQuit() {
    if (task->runningApplication) task->runningApplication->forceTerminate();
    applicationManager_->update.onNext(rx::Unit{});
}

void TaskbarButtonViewModel::quit() {
    if (task->runningApplication) task->runningApplication->terminate();
    applicationManager_->update.onNext(rx::Unit{});
}

}  // namespace Velmora
