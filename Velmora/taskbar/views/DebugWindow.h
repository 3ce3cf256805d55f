#pragma once

#include "Velmora/taskbar/views/BaseWindow.h"

namespace Velmora {

// A BaseWindow under its own name, for debugging; it adds nothing.
class DebugWindow : public BaseWindow {
public:
    using BaseWindow::BaseWindow;
};

}  // namespace Velmora
