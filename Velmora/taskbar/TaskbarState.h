#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "Brindle/ObjectState.h"
#include "Velmora/taskbar/TaskbarViewModel.h"
#include "Velmora/tracking/Task.h"
#include "platform/system/Geometry.h"

namespace Velmora {

class ApplicationManager;
class SettingsManager;

// Rebuilds the pinned list in the order of the manager's tasks (by `index`); a pinned application
// that has no task there is dropped. Done when a drag of a button ends.
void syncPinnedOrder(SettingsManager& settings, const ApplicationManager& manager);

// Drag-to-reorder states of a bar's model. The bar never starts its machine, so neither is entered;
// they work once an owner starts in `TaskbarStateIdle` and feeds `movingTask` during a drag.

// Follows the per-screen button lists and waits for a drag to begin.
class TaskbarStateIdle final : public Brindle::ObjectState<TaskbarViewModel> {
public:
    void enter(Brindle::WeakVariable<TaskbarViewModel> owner) override;
    void exit(Brindle::WeakVariable<TaskbarViewModel> owner) override;
};

// A button is being dragged: shows the drop position and, at the end, moves the task there in the
// manager's list and stores the pinned order.
class TaskbarStateMovingApp final : public Brindle::ObjectState<TaskbarViewModel> {
public:
    explicit TaskbarStateMovingApp(std::shared_ptr<Task> task) : task(std::move(task)) {}

    void enter(Brindle::WeakVariable<TaskbarViewModel> owner) override;
    void exit(Brindle::WeakVariable<TaskbarViewModel> owner) override;
    // The drop position for the dragged button's recorded frame moved by `offset`; none without
    // recorded frames.
    void updateTarget(const platform::Rect& frame, const platform::Point& offset);

    const std::shared_ptr<Task> task;

private:
    void endDrag();
};

}  // namespace Velmora
