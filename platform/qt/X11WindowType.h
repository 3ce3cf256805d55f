#pragma once

class QWidget;

namespace platform::qt {

// On an X11 display, makes the window a dock: above others, on every desktop, out of task lists
// and pagers, reserving no space. Must come before the window is mapped. Elsewhere it does nothing.
void makeX11Dock(QWidget* window);

}  // namespace platform::qt
