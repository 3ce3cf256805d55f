#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "Brindle/ObjectState.h"
#include "Velmora/settings/SettingsManager.h"
#include "Velmora/start-menu/KeyboardObserver.h"
#include "Velmora/taskbar/MainMenuWindow.h"
#include "Velmora/taskbar/TaskbarButtonViewModel.h"
#include "Velmora/tracking/ApplicationManager.h"
#include "Velmora/tracking/Task.h"
#include "platform/foundation/URL.h"
#include "platform/system/Geometry.h"
#include "platform/system/Screen.h"
#include "rx/Rx.h"
#include "ui-toolkit/core/ReactiveViewModel.h"

namespace Velmora {

using TaskbarButtons = std::vector<std::shared_ptr<TaskbarButtonViewModel>>;

// The model of one bar: turns every task list the application manager publishes into the bar's
// ordered buttons, answers the bar view's layout questions, and opens and closes the screen's main
// menu, from its button, the shortcut setting's modifier tap or Escape. Buttons keep the place
// they were given: the first list in its order, later arrivals at the right end. Its state machine
// (TaskbarState.h) is never started, so buttons are not reordered by dragging. Main thread only.
class TaskbarViewModel : public brindle_core::ReactiveViewModel,
                         public Brindle::ObjectStateMachine<TaskbarViewModel> {
public:
    // A button being dragged and how far.
    struct MovingTask {
        std::shared_ptr<Task> task;
        platform::Point offset;
    };

    // Taken off the screen's width for the menu button and the clock.
    static constexpr double reservedWidth = 108.0;
    static constexpr double minimumTitledButtonWidth = 140.0;
    static constexpr std::uint16_t escapeKeyCode = 53;
    static constexpr double menuWidth = 800.0;
    static constexpr double menuHeight = 640.0;
    static constexpr double menuCornerRadius = 12.0;
    // The menu stands on the bar, overlapping its top by this much.
    static constexpr double menuBarOverlap = 28.0;
    static constexpr double barHeight = 80.0;

    // Use `Brindle::make`. The application is held weakly.
    TaskbarViewModel(platform::Screen screen, std::weak_ptr<WindowControllerList> application,
                     std::shared_ptr<ApplicationManager> applicationManager = ApplicationManager::shared());
    void postInit() override;

    // Never written by the bar: nothing starts a drag.
    const rx::BehaviorRelay<std::optional<MovingTask>> movingTask{std::nullopt};
    // The width the buttons share, set once at creation.
    const rx::BehaviorRelay<std::optional<double>> availableWidth{std::nullopt};
    // From the opening of the main menu until it closes.
    const rx::BehaviorRelay<bool> showingMainMenu{false};
    // The buttons, left to right.
    const rx::Published<TaskbarButtons> tasks{TaskbarButtons{}};
    // Only the drag state writes it.
    const rx::Published<std::optional<std::int64_t>> draggingTargetIndex{std::nullopt};
    // Whether the bar shows its content; the bar window writes it.
    const rx::Published<bool> show{true};
    const platform::Screen screen;
    // Last reported frame of each button, by its task's bundle address.
    std::unordered_map<platform::URL, platform::Rect> taskBounds;
    // Made at the first opening and kept for every later one.
    const rx::Published<std::shared_ptr<MainMenuWindow>> menuWindow{nullptr};
    // Written by the bar view: its x is the content's offset from the screen's left edge.
    platform::Rect menuButtonFrame;
    const std::weak_ptr<WindowControllerList> application;
    // The shortcut's modifier-tap observer; none while the setting is none.
    std::shared_ptr<KeyboardObserver> keyboardObserver1;
    // Escape closes the menu.
    std::shared_ptr<KeyboardObserver> keyboardObserver2;

    const std::shared_ptr<ApplicationManager>& applicationManager() const { return applicationManager_; }
    const std::shared_ptr<SettingsManager>& settings() const { return applicationManager_->settings(); }

    // Reconciles the buttons with a new task list: buttons of applications that stay keep their
    // place and are updated, new ones are appended, vanished ones are marked for closing and
    // leave through their own states.
    void updateTasks(const TaskList& newTasks);
    // The tasks this bar shows: with "show on the monitor where it runs", only those with a window
    // on its screen and those without windows.
    TaskList tasksOnThisScreen(const TaskList& tasks, bool runningScreensOnly) const;
    bool hasSpaceForTitles() const;
    // Ignored while a button is dragged.
    void setTaskBounds(const platform::Rect& frame, const std::shared_ptr<Task>& task);
    // Removes every button with the same application identity.
    void removeButton(const std::shared_ptr<TaskbarButtonViewModel>& button);

    void toggleMainMenu();
    void closeMainMenu();

    // Parts of the above, open for the bar's own states and tests.
    TaskbarButtons makeButtons(const TaskList& newTasks);
    const std::shared_ptr<TaskbarButtonViewModel>& updateButton(
        const std::shared_ptr<TaskbarButtonViewModel>& button, const Task& task);
    void appendButton(const std::shared_ptr<TaskbarButtonViewModel>& button);
    void updateShortcutObserver(MainMenuActivationKeys keys);
    // Only the bar whose screen holds the pointer reacts.
    void handleShortcut(double x, double y);
    void menuWindowDidClose(const std::shared_ptr<MainMenuWindow>& window);

private:
    std::shared_ptr<TaskbarButtonViewModel> makeButton(const std::shared_ptr<Task>& task);

    const std::shared_ptr<ApplicationManager> applicationManager_;
};

}  // namespace Velmora
