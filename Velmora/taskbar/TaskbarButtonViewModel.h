#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "Brindle/ObjectState.h"
#include "Velmora/tracking/Task.h"
#include "Velmora/tracking/Window.h"
#include "platform/system/Image.h"
#include "rx/Rx.h"
#include "ui-toolkit/core/ReactiveViewModel.h"

namespace Velmora {

class ApplicationManager;
class TaskbarViewModel;

// The model of one button on a bar, for one task. The plain fields are a snapshot of the task at
// creation; what follows the application comes through the relays, which the bar's model sets on
// every refresh. A small state machine (ButtonState.h) decides when the button opens, becomes a
// pinned placeholder, or fades out and leaves the bar. Main thread only.
class TaskbarButtonViewModel : public brindle_core::ReactiveViewModel,
                               public Brindle::ObjectStateMachine<TaskbarButtonViewModel> {
public:
    // Use `Brindle::make`: the model starts its state machine in `postInit`.
    TaskbarButtonViewModel(std::shared_ptr<Task> task,
                           const std::shared_ptr<TaskbarViewModel>& taskbarViewModel,
                           std::shared_ptr<ApplicationManager> applicationManager);
    void postInit() override;

    const std::int32_t pid;
    const std::optional<platform::Image> icon;
    const std::string title;
    // More than one visible window at creation.
    const bool multiButton;
    // The latest record of the button's application (same identity): a kept button takes each
    // refresh's record, so that a pinned button made before its application started acts on the
    // running application.
    std::shared_ptr<Task> task;
    // The application owned the menu bar at creation.
    const bool isActive;
    // The last Accessibility read found a window of the process that is not minimised.
    const bool anyWindowVisible;
    const std::weak_ptr<TaskbarViewModel> taskbarViewModel;

    // Set by the view each time it is shown.
    const rx::BehaviorRelay<bool> onAppearedCalled{false};
    const rx::BehaviorRelay<bool> isStarting{true};
    const rx::BehaviorRelay<bool> isRunning{true};
    const rx::BehaviorRelay<bool> isPinned{false};
    const rx::BehaviorRelay<bool> isExiting{false};
    const rx::BehaviorRelay<bool> isActiveRelay{false};
    const rx::BehaviorRelay<std::optional<std::string>> badge{std::nullopt};
    // The latest record has more than one visible window: the button offers a window list instead
    // of its click. Follows the records, as windows open and close.
    const rx::BehaviorRelay<bool> listsWindows{false};
    // The view's width limit: none for the natural width; the button starts and ends collapsed.
    const rx::BehaviorRelay<std::optional<double>> maxWidth{0.0};
    const rx::BehaviorRelay<double> alpha{1.0};

    // The task's application identity as text; models with the same one are equal.
    const std::string& id() const { return id_; }
    friend bool operator==(const TaskbarButtonViewModel& a, const TaskbarButtonViewModel& b) {
        return a.id_ == b.id_;
    }

    // What the button view does on the user's behalf; each ends with a refresh request.

    // The manager's last-clicked task is this task's process.
    bool isLastClicked() const;
    // Brings the application forward, or launches a pinned one that is not running. Does nothing
    // while the button lists two or more visible windows instead.
    void click();
    // Brings the application forward and takes the window out of the minimised state, again 0.3 s
    // later.
    void chooseWindow(const std::shared_ptr<Window>& window);
    // The context menu.
    void pin();
    void unpin();
    void forceQuit();
    void quit();

    static constexpr double windowActivationRepeatDelay = 0.3;

private:
    const std::shared_ptr<ApplicationManager> applicationManager_;
    const std::string id_;
};

}  // namespace Velmora
