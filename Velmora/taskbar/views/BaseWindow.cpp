#include "Velmora/taskbar/views/BaseWindow.h"

#include "platform/base/MainQueue.h"

namespace Velmora {

std::shared_ptr<BaseWindow> BaseWindow::setup(platform::Screen display, OnClose onClose) {
    auto self = sharedAs<BaseWindow>();
    this->display = std::move(display);
    this->onClose = std::move(onClose);
    closedSinceSetup_ = false;
    setOpaque(true);
    setHasShadow(false);
    setDelegate(std::weak_ptr<platform::qt::WindowDelegate>(self));
    // After the caller's own set-up (a subclass's style and frame) has been applied.
    std::weak_ptr<BaseWindow> weak = self;
    platform::MainQueue::async([weak] {
        auto window = weak.lock();
        if (!window || window->closedSinceSetup_) return;
        window->makeMainWindow();
        window->makeKeyAndOrderFront();
        window->orderFrontRegardless();
    });
    return self;
}

void BaseWindow::close() {
    // The callback may release the window, or close it again.
    auto self = sharedAs<BaseWindow>();
    closedSinceSetup_ = true;
    auto callback = std::move(onClose);
    onClose = nullptr;
    if (callback) callback(self);
    display.reset();
    platform::qt::Window::close();
}

void BaseWindow::windowDidResignMain(platform::qt::Window&) {
    if (closeOnResignKey) close();
}

}  // namespace Velmora
