#pragma once

#include <functional>

class QWidget;

namespace platform::qt {

// Whether an X11 window manager still manages the window: it has not yet marked it withdrawn
// (WM_STATE) or not yet taken it out of its frame. False off X11 and without a native window.
bool x11WindowManagerHolds(QWidget* window);

// Calls `done` on the main thread once the window manager has let go of the window, which was
// just unmapped, or after `timeout` seconds if it never does. A window mapped again before the
// manager has seen it withdrawn is still withdrawn afterwards by that manager (and may end up
// unmapped); its attributes must not change before either. At once when the manager holds it
// not; never once the widget is gone.
void whenX11WindowManagerLetsGo(QWidget* window, double timeout, std::function<void()> done);

}  // namespace platform::qt
