#pragma once

#include <memory>

#include "Velmora/taskbar/views/BaseWindow.h"

namespace Velmora {

// The borderless, transparent window at the main-menu level that hosts the main menu.
class TransparentWindow : public BaseWindow {
public:
    using BaseWindow::BaseWindow;

    // The base set-up, then borderless, without title, buttons or shadow, at the main-menu level,
    // clear, and covering the whole screen until the caller places it.
    std::shared_ptr<BaseWindow> setup(platform::Screen display, OnClose onClose) override;

    // A borderless window refuses both otherwise.
    bool canBecomeKeyWindow() const override { return true; }
    bool canBecomeMainWindow() const override { return true; }
};

}  // namespace Velmora
