#include "Velmora/start-menu/KeyboardObserver.h"

#include <algorithm>
#include <utility>

namespace Velmora {

using platform::Event;
using platform::eventMask;
using platform::EventType;

std::optional<std::uint64_t> modifierMask(MainMenuActivationKeys keys) {
    switch (keys) {
        case MainMenuActivationKeys::none:
            return std::nullopt;
        case MainMenuActivationKeys::fn:
            return platform::ModifierFlags::function;
        case MainMenuActivationKeys::control:
            return platform::ModifierFlags::control;
        case MainMenuActivationKeys::options:
            return platform::ModifierFlags::option;
        case MainMenuActivationKeys::command:
            return platform::ModifierFlags::command;
    }
    return std::nullopt;
}

namespace {

// The live key-code observers, oldest first. Main thread only.
std::vector<std::weak_ptr<KeyboardObserver>>& keyCodeObservers() {
    static auto* observers = new std::vector<std::weak_ptr<KeyboardObserver>>();
    return *observers;
}

}  // namespace

KeyboardObserver::KeyboardObserver(std::uint16_t keyCode, KeyAction action)
    : keyCode_(keyCode), keyAction_(std::move(action)) {}

KeyboardObserver::KeyboardObserver(std::uint64_t systemKey, TapAction action)
    : systemKey(systemKey), action(std::move(action)) {}

KeyboardObserver::~KeyboardObserver() {
    for (const auto& monitor : installed_) monitors_->removeMonitor(monitor);
}

void KeyboardObserver::postInit() {
    Object::postInit();
    monitors_ = platform::EventMonitors::shared();
    if (!systemKey) {
        installKeyCodeMonitors();
        return;
    }
    start(Brindle::make<KeyboardObserverStateIdle>());
    auto location = platform::Events::mouseLocation();
    mousePosX = location.x;
    mousePosY = location.y;
    installTapMonitors();
}

void KeyboardObserver::installKeyCodeMonitors() {
    // The global handler holds the action rather than the observer: only removing the monitors
    // stops it. One global monitor: a second one would run the action twice for one key press.
    installed_.push_back(monitors_->addGlobalMonitor(
        eventMask(EventType::keyDown), [keyCode = keyCode_, action = keyAction_](const Event& event) {
            if (event.keyCode == keyCode && event.modifierFlags == 0) action();
        }));
    // The first local monitor to see the key takes it from the others, so it runs every observer
    // of the key on the same monitors: each bar's Escape closes its own menu, whichever is open.
    auto& observers = keyCodeObservers();
    std::erase_if(observers, [](const auto& observer) { return observer.expired(); });
    observers.push_back(weakAs<KeyboardObserver>());
    installed_.push_back(monitors_->addLocalMonitor(
        eventMask(EventType::keyDown),
        [keyCode = keyCode_, monitors = monitors_.get()](const Event& event) -> std::optional<Event> {
            if (event.keyCode != keyCode) return event;
            std::vector<KeyAction> actions;
            for (const auto& weak : keyCodeObservers())
                if (auto observer = weak.lock();
                    observer && observer->keyCode_ == keyCode && observer->monitors_.get() == monitors)
                    actions.push_back(observer->keyAction_);
            for (const auto& action : actions) action();
            return std::nullopt;
        }));
}

void KeyboardObserver::installTapMonitors() {
    auto weak = weakAs<KeyboardObserver>();
    installed_.push_back(
        monitors_->addGlobalMonitor(eventMask(EventType::keyDown), [weak](const Event& event) {
            auto self = weak.lock();
            if (!self) return;
            auto keys = self->pressedKeysRelay.value();
            keys.push_back(event.keyCode);
            self->pressedKeysRelay.accept(keys);
        }));
    installed_.push_back(monitors_->addGlobalMonitor(eventMask(EventType::keyUp), [weak](const Event& event) {
        auto self = weak.lock();
        if (!self) return;
        auto keys = self->pressedKeysRelay.value();
        std::erase(keys, event.keyCode);
        self->pressedKeysRelay.accept(keys);
    }));
    installed_.push_back(
        monitors_->addGlobalMonitor(eventMask(EventType::flagsChanged), [weak](const Event&) {
            if (auto self = weak.lock()) self->modifiersChanged.onNext();
        }));
    // The program's own windows see the modifiers too: a tap while one of them has the focus counts.
    installed_.push_back(monitors_->addLocalMonitor(eventMask(EventType::flagsChanged),
                                                    [weak](const Event& event) -> std::optional<Event> {
                                                        if (auto self = weak.lock())
                                                            self->modifiersChanged.onNext();
                                                        return event;
                                                    }));
    constexpr auto mouseActivity = eventMask(EventType::leftMouseDown) | eventMask(EventType::leftMouseUp) |
                                   eventMask(EventType::leftMouseDragged) | eventMask(EventType::scrollWheel);
    installed_.push_back(monitors_->addGlobalMonitor(mouseActivity, [weak](const Event&) {
        auto self = weak.lock();
        if (!self) return;
        auto location = platform::Events::mouseLocation();
        self->mousePosX = location.x;
        self->mousePosY = location.y;
        self->mousePos.accept(location);
    }));
}

}  // namespace Velmora
