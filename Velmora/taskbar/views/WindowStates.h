#pragma once

#include <memory>

#include "Brindle/ObjectState.h"
#include "Velmora/taskbar/views/TaskbarWindow.h"

namespace Velmora {

// The bar is shown; it moves on when its screen turns full screen or is asked to hide.
class WindowStateIdle : public Brindle::ObjectState<TaskbarWindow> {
public:
    // True for the state the window starts with.
    explicit WindowStateIdle(bool first) : first(first) {}

    const bool first;

    void enter(Brindle::WeakVariable<TaskbarWindow> owner) override;
};

// The bar is hidden, because a window fills the screen or on request, and shows while the pointer
// rests at the screen's bottom edge or the main menu is open. Reaching the edge ends a hide on
// request.
class WindowStateFullscreen : public Brindle::ObjectState<TaskbarWindow> {
public:
    static constexpr double edgeDebounce = 0.3;

    // `autohide`: entered on a hide request rather than for a full-screen window.
    explicit WindowStateFullscreen(bool autohide) : autohide(autohide) {}

    const bool autohide;

    void enter(Brindle::WeakVariable<TaskbarWindow> owner) override;
};

}  // namespace Velmora
