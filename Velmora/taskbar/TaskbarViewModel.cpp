#include "Velmora/taskbar/TaskbarViewModel.h"

#include <algorithm>
#include <utility>

#include "Brindle/QuickMap.h"
#include "Brindle/RxHelpers.h"
#include "Velmora/taskbar/MainMenuPlacement.h"
#include "Velmora/taskbar/TaskbarWindowRules.h"
#include "platform/base/Animation.h"
#include "platform/system/Application.h"
#include "platform/system/Screen.h"

namespace Velmora {

TaskbarViewModel::TaskbarViewModel(platform::Screen screen, std::weak_ptr<WindowControllerList> application,
                                   std::shared_ptr<ApplicationManager> applicationManager)
    : screen(std::move(screen)),
      application(std::move(application)),
      applicationManager_(std::move(applicationManager)) {}

void TaskbarViewModel::postInit() {
    ReactiveViewModel::postInit();
    availableWidth.accept(screen.visibleFrame.width() - reservedWidth);

    auto weak = weakAs<TaskbarViewModel>();
    brindle_core::disposed(Brindle::subscribeNext(settings()->mainMenuKeyboardShortcutRelay, false,
                                                  [weak](MainMenuActivationKeys keys) {
                                                      if (auto self = weak.lock())
                                                          self->updateShortcutObserver(keys);
                                                  }),
                           *this, true);
    keyboardObserver2 = Brindle::make<KeyboardObserver>(escapeKeyCode, [weak] {
        if (auto self = weak.lock()) self->closeMainMenu();
    });

    brindle_core::disposed(
        Brindle::subscribeNext(applicationManager_->tasksRelay, false,
                               [weak](const TaskList& newTasks) {
                                   if (auto self = weak.lock())
                                       self->updateTasks(self->tasksOnThisScreen(
                                           newTasks, self->settings()->showOnRunningMonitorOnly()));
                               }),
        *this, true);
    // Switching the setting regroups the buttons at once, not at the next change of the list. Its
    // observers hear the new value before the setting holds it.
    brindle_core::disposed(
        Brindle::subscribeNext(settings()->showOnRunningMonitorOnlyPublisher().skip(1), false,
                               [weak](bool runningScreensOnly) {
                                   if (auto self = weak.lock())
                                       self->updateTasks(self->tasksOnThisScreen(
                                           self->applicationManager_->tasksRelay.value(),
                                           runningScreensOnly));
                               }),
        *this, true);
}

TaskList TaskbarViewModel::tasksOnThisScreen(const TaskList& tasks, bool runningScreensOnly) const {
    std::int64_t index = 0;
    auto screens = platform::Screens::screens();
    for (std::size_t i = 0; i < screens.size(); ++i)
        if (screens[i].identifier == screen.identifier) index = static_cast<std::int64_t>(i);
    return TaskbarWindowRules::tasksOnScreen(tasks, index, runningScreensOnly);
}

void TaskbarViewModel::updateTasks(const TaskList& newTasks) {
    if (!newTasks.empty() && tasks.value().empty()) {
        tasks.set(makeButtons(newTasks));
        return;
    }

    auto buttons = tasks.value();
    // The tasks the kept buttons now hold, by identity: a second button made for a copy of the
    // first one's task (same id) is still marked.
    auto kept = Brindle::make<Brindle::QuickMap<std::shared_ptr<Task>>>();
    TaskList added;
    for (const auto& task : newTasks) {
        auto address = task->bundlePath.absoluteString();
        auto match = std::find_if(buttons.begin(), buttons.end(),
                                  [&](const auto& button) { return button->id() == address; });
        if (match == buttons.end()) {
            added.push_back(task);
            continue;
        }
        (*match)->task = task;
        kept->insert(task);
        updateButton(*match, *task);
    }

    for (const auto& button : buttons) {
        if (kept->contains(button->task)) continue;
        button->isExiting.accept(true);
        button->isRunning.accept(false);
        button->isPinned.accept(false);
    }

    for (const auto& task : added) appendButton(updateButton(makeButton(task), *task));
}

TaskbarButtons TaskbarViewModel::makeButtons(const TaskList& newTasks) {
    TaskbarButtons buttons;
    buttons.reserve(newTasks.size());
    for (const auto& task : newTasks) buttons.push_back(updateButton(makeButton(task), *task));
    return buttons;
}

std::shared_ptr<TaskbarButtonViewModel> TaskbarViewModel::makeButton(const std::shared_ptr<Task>& task) {
    return Brindle::make<TaskbarButtonViewModel>(task, sharedAs<TaskbarViewModel>(), applicationManager_);
}

const std::shared_ptr<TaskbarButtonViewModel>& TaskbarViewModel::updateButton(
    const std::shared_ptr<TaskbarButtonViewModel>& button, const Task& task) {
    const auto& application = task.runningApplication;
    button->isRunning.accept(application && !application->isTerminated());
    button->isActiveRelay.accept(task.isActive);
    button->isStarting.accept(application && !application->isFinishedLaunching());
    button->isExiting.accept(application && application->isTerminated());
    auto pinned = settings()->pinnedApplications.value();
    button->isPinned.accept(std::any_of(
        pinned.begin(), pinned.end(),
        [&](const std::shared_ptr<Task>& entry) { return entry->bundlePath == task.bundlePath; }));
    button->badge.accept(task.badge);
    button->listsWindows.accept(task.visibleWindows().size() > 1);
    return button;
}

void TaskbarViewModel::appendButton(const std::shared_ptr<TaskbarButtonViewModel>& button) {
    platform::withAnimation([&] {
        auto buttons = tasks.value();
        buttons.push_back(button);
        tasks.set(std::move(buttons));
    });
}

bool TaskbarViewModel::hasSpaceForTitles() const {
    double width = availableWidth.value().value_or(0.0);
    auto count = tasks.value().size();
    // No buttons: an infinite share for a positive width, and none for a zero one.
    if (count == 0) return width > 0;
    return width / static_cast<double>(count) >= minimumTitledButtonWidth;
}

void TaskbarViewModel::setTaskBounds(const platform::Rect& frame, const std::shared_ptr<Task>& task) {
    if (movingTask.value() || !task) return;
    taskBounds.insert_or_assign(task->bundlePath, frame);
}

void TaskbarViewModel::removeButton(const std::shared_ptr<TaskbarButtonViewModel>& button) {
    auto buttons = tasks.value();
    auto removed = std::erase_if(buttons, [&](const auto& entry) { return entry->id() == button->id(); });
    if (!removed) return;
    // Applications come and go all day: the bounds of buttons no longer there go with them.
    std::erase_if(taskBounds, [&](const auto& entry) {
        const auto id = entry.first.absoluteString();
        return std::none_of(buttons.begin(), buttons.end(),
                            [&](const auto& kept) { return kept->id() == id; });
    });
    tasks.set(std::move(buttons));
    // An application that came back while its button was closing matched that button, which is
    // gone now. The list may not change again for a long time (a window manager's restart brings
    // every application back within a moment): reconcile with it as it stands.
    if (button->isExiting.value()) return;
    auto current =
        tasksOnThisScreen(applicationManager_->tasksRelay.value(), settings()->showOnRunningMonitorOnly());
    if (std::any_of(current.begin(), current.end(), [&](const auto& task) {
            const auto& application = task->runningApplication;
            return task->bundlePath.absoluteString() == button->id() && application &&
                   !application->isTerminated();
        }))
        updateTasks(current);
}

void TaskbarViewModel::updateShortcutObserver(MainMenuActivationKeys keys) {
    keyboardObserver1 = nullptr;
    auto mask = modifierMask(keys);
    if (!mask) return;
    auto weak = weakAs<TaskbarViewModel>();
    keyboardObserver1 = Brindle::make<KeyboardObserver>(*mask, [weak](double x, double y) {
        if (auto self = weak.lock()) self->handleShortcut(x, y);
    });
}

void TaskbarViewModel::handleShortcut(double x, double y) {
    if (!platform::mouseInRect(platform::Point{x, y}, screen.frame)) return;
    if (!showingMainMenu.value()) {
        toggleMainMenu();
        return;
    }
    if (auto window = menuWindow.value()) window->close();
    showingMainMenu.accept(false);
}

void TaskbarViewModel::toggleMainMenu() {
    if (showingMainMenu.value()) {
        if (auto window = menuWindow.value()) window->close();
        showingMainMenu.accept(false);
        return;
    }

    auto weak = weakAs<TaskbarViewModel>();
    if (!menuWindow.value()) {
        if (const auto& factory = MainMenuWindow::factory()) {
            MainMenuWindow::Content content{screen, menuCornerRadius, [weak] {
                                                if (auto self = weak.lock()) self->closeMainMenu();
                                            }};
            if (auto window = factory(content)) {
                window->setCloseOnResignKey(true);
                menuWindow.set(window);
            }
        }
    }
    showingMainMenu.accept(true);

    TaskbarTheme theme = settings()->taskbarTheme.value();
    double x = theme == TaskbarTheme::fullscreenLeft
                   ? screen.frame.minX()
                   : screen.frame.minX() + menuButtonFrame.minX() - menuWidth / 2;
    double y = screen.frame.minY() + barHeight + theme.settings().padding.bottom - menuBarOverlap;

    auto window = menuWindow.value();
    if (!window) return;
    auto owner = application.lock();
    auto mainScreen = platform::Screens::mainScreen();
    // Without a main screen there is nothing to set the window up for; unregistered, it is still
    // shown and closed through this model.
    if (owner && mainScreen) {
        window->setup(*mainScreen, [weak, app = application](const std::shared_ptr<MainMenuWindow>& closed) {
            if (auto self = weak.lock()) {
                self->menuWindowDidClose(closed);
            } else if (auto owner = app.lock()) {
                // The list must not keep a closed window after its bar has gone.
                owner->removeWindowController(closed);
            }
        });
        owner->appendWindowController(window);
    }
    window->setFrame(MainMenuPlacement::fit(
                         platform::Rect::make(std::max(x, screen.frame.minX()), y, menuWidth, menuHeight),
                         screen.visibleFrame),
                     false);
    window->makeKeyAndOrderFront();
    platform::Application::shared()->activate(true);
}

void TaskbarViewModel::closeMainMenu() {
    if (auto window = menuWindow.value()) window->close();
    showingMainMenu.accept(false);
}

void TaskbarViewModel::menuWindowDidClose(const std::shared_ptr<MainMenuWindow>& window) {
    if (auto owner = application.lock()) owner->removeWindowController(window);
    showingMainMenu.accept(false);
}

}  // namespace Velmora
