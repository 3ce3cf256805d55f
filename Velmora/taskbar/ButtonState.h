#pragma once

#include "Brindle/ObjectState.h"
#include "Velmora/taskbar/TaskbarButtonViewModel.h"

namespace Velmora {

// The states of a bar button. Each moves its model on by switching from itself, so a handler of a
// state that has been left is refused. Handlers hold the model and the state weakly.

// Until the view has been shown; then the button opens to its natural width.
class ButtonStateIdle final : public Brindle::ObjectState<TaskbarButtonViewModel> {
public:
    void enter(Brindle::WeakVariable<TaskbarButtonViewModel> owner) override;
    void exit(Brindle::WeakVariable<TaskbarButtonViewModel> owner) override;
};

// A shown button of a running application: waits for it to quit or to leave the list.
class ButtonStateRunning final : public Brindle::ObjectState<TaskbarButtonViewModel> {
public:
    void enter(Brindle::WeakVariable<TaskbarButtonViewModel> owner) override;
    void exit(Brindle::WeakVariable<TaskbarButtonViewModel> owner) override;
};

// A pinned placeholder while its application is not running.
class ButtonStatePinned final : public Brindle::ObjectState<TaskbarButtonViewModel> {
public:
    void enter(Brindle::WeakVariable<TaskbarButtonViewModel> owner) override;
    void exit(Brindle::WeakVariable<TaskbarButtonViewModel> owner) override;
};

// Decides once, on entry, between staying as a pinned placeholder and fading out.
class ButtonStateClosing final : public Brindle::ObjectState<TaskbarButtonViewModel> {
public:
    static constexpr double hiddenAlpha = 0.0;
    static constexpr double collapsedWidth = 0.0;

    void enter(Brindle::WeakVariable<TaskbarButtonViewModel> owner) override;
    void exit(Brindle::WeakVariable<TaskbarButtonViewModel> owner) override;
};

// Faded and collapsed; the bar drops the button a moment later. Final.
class ButtonStateClosed final : public Brindle::ObjectState<TaskbarButtonViewModel> {
public:
    // Lets the collapse finish before the bar closes the gap.
    static constexpr double removalDelay = 0.5;

    void enter(Brindle::WeakVariable<TaskbarButtonViewModel> owner) override;
    void exit(Brindle::WeakVariable<TaskbarButtonViewModel> owner) override;
};

}  // namespace Velmora
