#include "Velmora/taskbar/views/TransparentWindow.h"

#include <QColor>

namespace Velmora {

using platform::qt::WindowLevel;
using platform::qt::WindowStyleMask;

std::shared_ptr<BaseWindow> TransparentWindow::setup(platform::Screen display, OnClose onClose) {
    auto self = BaseWindow::setup(display, std::move(onClose));
    setStyleMask(WindowStyleMask::borderless);
    setTitlebarAppearsTransparent(true);
    setTitleHidden(true);
    setHasShadow(false);
    setStandardButtonsHidden(true);
    setLevel(WindowLevel::mainMenu);
    setFrame(display.frame, false);
    setBackgroundColor(Qt::transparent);
    return self;
}

}  // namespace Velmora
