#include "Velmora/taskbar/MouseManager.h"

#include "platform/base/MainQueue.h"
#include "platform/system/Event.h"
#include "platform/system/Screen.h"

namespace Velmora {

std::shared_ptr<MouseManager> MouseManager::shared() {
    static auto* instance = new std::shared_ptr<MouseManager>(Brindle::make<MouseManager>());
    return *instance;
}

MouseManager::~MouseManager() {
    for (const auto& monitor : installed_) monitors_->removeMonitor(monitor);
}

void MouseManager::postInit() {
    Object::postInit();
    mouseMos.accept(platform::Point{0, 0});
    monitors_ = platform::EventMonitors::shared();
    using platform::EventType;
    constexpr auto moves = platform::eventMask(EventType::mouseMoved) |
                           platform::eventMask(EventType::leftMouseDragged) |
                           platform::eventMask(EventType::rightMouseDragged);
    auto weak = weakAs<MouseManager>();
    installed_.push_back(monitors_->addGlobalMonitor(moves, [weak](const platform::Event&) {
        if (auto self = weak.lock()) self->startSampling();
    }));
    installed_.push_back(monitors_->addLocalMonitor(
        moves, [weak](const platform::Event& event) -> std::optional<platform::Event> {
            if (auto self = weak.lock()) self->startSampling();
            return event;
        }));
    startSampling();
}

void MouseManager::startSampling() {
    stillSamples_ = 0;
    if (sampling_) return;
    sampling_ = true;
    // While it samples, the timer holds the manager; the manager does not hold the timer, so that
    // the main loop alone decides how long both live.
    auto self = sharedAs<MouseManager>();
    platform::MainQueue::scheduledTimer(samplingInterval, true, [self](platform::Timer& timer) {
        if (self->sample()) return;
        self->sampling_ = false;
        timer.invalidate();
    });
}

bool MouseManager::sample() {
    auto location = platform::Events::mouseLocation();
    const bool moved = !lastLocation_ || lastLocation_->x != location.x || lastLocation_->y != location.y;
    lastLocation_ = location;
    stillSamples_ = moved ? 0 : stillSamples_ + 1;
    auto screens = platform::Screens::screens();
    // Without a screen there is no top edge to measure from; the last position stands.
    if (!screens.empty())
        mouseMos.accept(platform::Point{location.x, screens.front().frame.height() - location.y});
    return stillSamples_ * samplingInterval < quietTime;
}

}  // namespace Velmora
