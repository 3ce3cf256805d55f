#pragma once

namespace platform::qt {

// Whether the program runs on an X11 display (xcb).
bool onX11Display();
// Whether one of the program's own windows has the keyboard focus.
bool programHasFocus();
// Whether one of the program's own windows lies under the pointer.
bool programWindowUnderPointer();

}  // namespace platform::qt
