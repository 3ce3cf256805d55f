#include "Velmora/taskbar/MouseManager.h"

#include "platform/base/MainQueue.h"
#include "platform/system/Event.h"
#include "platform/system/Screen.h"

namespace Velmora {

std::shared_ptr<MouseManager> MouseManager::shared() {
    static auto* instance = new std::shared_ptr<MouseManager>(Brindle::make<MouseManager>());
    return *instance;
}

void MouseManager::postInit() {
    Object::postInit();
    mouseMos.accept(platform::Point{0, 0});
    // The timer holds the manager; the manager does not hold the timer, so that the main loop
    // alone decides how long both live.
    auto self = sharedAs<MouseManager>();
    platform::MainQueue::scheduledTimer(samplingInterval, true, [self](platform::Timer&) { self->sample(); });
}

void MouseManager::sample() {
    auto screens = platform::Screens::screens();
    // Without a screen there is no top edge to measure from; the last position stands.
    if (screens.empty()) return;
    auto location = platform::Events::mouseLocation();
    mouseMos.accept(platform::Point{location.x, screens.front().frame.height() - location.y});
}

}  // namespace Velmora
