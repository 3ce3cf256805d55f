#include "Velmora/taskbar/views/MainMenuTransparentWindow.h"

#include <cmath>
#include <utility>

#include "Velmora/start-menu/MainMenuViewModel.h"
#include "Velmora/start-menu/views/MainMenuView.h"

namespace Velmora {

namespace {

MainMenuView* makeView(const MainMenuWindow::Content& content) {
    auto model = Brindle::make<MainMenuViewModel>(
        MainMenuViewModel::cachedInstalledApps(), MainMenuViewModel::cachedRecommendedApps(), TaskList{},
        false, false, std::string(), content.cornerRadius, content.screen, content.closeClosure);
    auto* view = new MainMenuView(std::move(model));
    view->setFixedSize(MainMenuView::frameWidth, MainMenuView::frameHeight);
    return view;
}

}  // namespace

MainMenuTransparentWindow::MainMenuTransparentWindow(const Content& content)
    : view_(makeView(content)), window_(Brindle::make<TransparentWindow>(view_)) {}

void MainMenuTransparentWindow::installFactory() {
    MainMenuWindow::setFactory([](const Content& content) -> std::shared_ptr<MainMenuWindow> {
        return Brindle::make<MainMenuTransparentWindow>(content);
    });
}

void MainMenuTransparentWindow::setCloseOnResignKey(bool value) { window_->closeOnResignKey = value; }

void MainMenuTransparentWindow::setup(const platform::Screen& display, OnClose onClose) {
    std::weak_ptr<MainMenuTransparentWindow> weak =
        std::static_pointer_cast<MainMenuTransparentWindow>(shared_from_this());
    window_->setup(display, [weak, onClose = std::move(onClose)](const std::shared_ptr<BaseWindow>&) {
        auto self = weak.lock();
        if (self && onClose) onClose(self);
    });
}

void MainMenuTransparentWindow::setFrame(const platform::Rect& frame, bool display) {
    // A menu shortened to fit a small screen scrolls instead of being cut off.
    view_->setFixedSize(static_cast<int>(std::lround(frame.width())),
                        static_cast<int>(std::lround(frame.height())));
    window_->setFrame(frame, display);
}

void MainMenuTransparentWindow::makeKeyAndOrderFront() { window_->makeKeyAndOrderFront(); }

void MainMenuTransparentWindow::close() { window_->close(); }

}  // namespace Velmora
