#pragma once

#include <functional>

class QWidget;

namespace platform::qt {

// Whether an X11 window manager still manages the window: it has not yet marked it withdrawn
// (WM_STATE) or not yet taken it out of its frame. False off X11 and without a native window.
bool x11WindowManagerHolds(QWidget* window);

// Calls `done` on the main thread once the window manager has let go of the window, which was
// just unmapped: a window mapped again before its manager has seen the withdrawal is withdrawn by
// that manager afterwards, and may end up unmapped. At once when no manager holds the window,
// after `timeout` seconds when its manager never lets go; never once the widget is gone.
void whenX11WindowManagerLetsGo(QWidget* window, double timeout, std::function<void()> done);

}  // namespace platform::qt
