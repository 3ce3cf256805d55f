#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "Brindle/Object.h"
#include "platform/qt/Window.h"
#include "platform/system/Screen.h"

namespace Velmora {

// The program's ordinary windows (settings, onboarding, main menu). Made with Brindle::make, since
// a set-up window is its own delegate and its close callback receives it. Main thread only.
class BaseWindow : public Brindle::Object, public platform::qt::Window, public platform::qt::WindowDelegate {
public:
    using OnClose = std::function<void(const std::shared_ptr<BaseWindow>&)>;

    using platform::qt::Window::Window;

    // Run once when the window closes.
    OnClose onClose;
    // The screen the window belongs to.
    std::optional<platform::Screen> display;
    // Close the window when it stops being the main window.
    bool closeOnResignKey = false;

    // Remembers the screen and the callback, makes the window opaque, shadowless and its own
    // delegate, and brings it to the front (main and key) on the next turn of the main queue.
    virtual std::shared_ptr<BaseWindow> setup(platform::Screen display, OnClose onClose);

    // Runs the close callback (at most once per set-up), forgets the screen, then closes.
    void close() override;

    void windowDidResignMain(platform::qt::Window&) override;

private:
    // Set by close, cleared by setup: a window closed before its queued front-ordering has run
    // stays closed.
    bool closedSinceSetup_ = false;
};

}  // namespace Velmora
