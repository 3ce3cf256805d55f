#include "Velmora/taskbar/MainMenuWindow.h"

#include <utility>

namespace Velmora {

namespace {
MainMenuWindow::Factory& storedFactory() {
    static MainMenuWindow::Factory factory;
    return factory;
}
}  // namespace

void MainMenuWindow::setFactory(Factory factory) { storedFactory() = std::move(factory); }

const MainMenuWindow::Factory& MainMenuWindow::factory() { return storedFactory(); }

}  // namespace Velmora
