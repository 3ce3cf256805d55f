#include "Velmora/shell/views/SettingsWindow.h"

#include "Brindle/Object.h"
#include "Velmora/shell/views/SettingsView.h"

namespace Velmora {

platform::Screen mainDisplay() { return platform::Screens::mainScreen().value_or(platform::Screen{}); }

std::shared_ptr<SettingsWindow> SettingsWindow::open(OnClose onClose, std::optional<platform::Screen> display,
                                                     std::shared_ptr<SettingsManager> settings) {
    auto window = Brindle::make<SettingsWindow>(new SettingsView(std::move(settings)));
    window->setup(display ? *display : mainDisplay(), std::move(onClose));
    window->setTitle(windowTitle);
    return window;
}

SettingsView* SettingsWindow::settingsView() const { return qobject_cast<SettingsView*>(contentView()); }

}  // namespace Velmora
