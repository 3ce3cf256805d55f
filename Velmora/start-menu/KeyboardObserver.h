#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "Brindle/Object.h"
#include "Brindle/ObjectState.h"
#include "Velmora/settings/SettingsManager.h"
#include "platform/system/Event.h"
#include "rx/BehaviorRelay.h"
#include "rx/PublishSubject.h"
#include "rx/Unit.h"

namespace Velmora {

// The modifier mask whose tap stands for the setting; none for `none`, which gets no observer.
std::optional<std::uint64_t> modifierMask(MainMenuActivationKeys keys);

// Watches the keyboard and the mouse through the platform's event monitors and calls an action.
// Main thread only. Releasing the observer removes its monitors and ends its states' timers.
//
// A key-code observer (made with a key code) runs its action for that key: pressed without
// modifiers while another application is active, or with any modifiers in this application, which
// then never gets the key. Every key-code observer of the key runs, once for each press.
//
// A modifier-tap observer (made with a modifier mask) runs its action with the pointer's position
// when the mask is tapped: held while no ordinary key is down, released within
// `keyMaximumPressTime`, and followed by `keyTimeAfterBeforeAction` without a new press, an
// ordinary key or mouse activity. While idle it waits for the modifiers to change; only
// while a tap is under way do its states sample the modifier flags, every 5 or 10 ms.
// Only events sent to other applications are seen, as global monitors see them.
class KeyboardObserver : public Brindle::Object, public Brindle::ObjectStateMachine<KeyboardObserver> {
public:
    using KeyAction = std::function<void()>;
    using TapAction = std::function<void(double x, double y)>;
    using KeyCodes = std::vector<std::uint16_t>;

    static constexpr double keyMaximumPressTime = 0.2;
    static constexpr double keyTimeAfterBeforeAction = 0.3;

    KeyboardObserver(std::uint16_t keyCode, KeyAction action);
    KeyboardObserver(std::uint64_t systemKey, TapAction action);
    ~KeyboardObserver() override;
    KeyboardObserver(const KeyboardObserver&) = delete;
    KeyboardObserver& operator=(const KeyboardObserver&) = delete;

    void postInit() override;

    // The modifier-tap observer's mask and action; both empty for a key-code observer.
    const std::optional<std::uint64_t> systemKey;
    const TapAction action;

    // Ordinary keys held now; a key's repeats add it again, its key-up removes every entry.
    const rx::BehaviorRelay<KeyCodes> pressedKeysRelay{KeyCodes{}};
    // Told every change of the modifier keys, in this application or another.
    const rx::PublishSubject<rx::Unit> modifiersChanged;
    // Told the pointer position at every mouse event seen.
    const rx::BehaviorRelay<platform::Point> mousePos{platform::Point{0, 0}};
    // The pointer at creation, then at the latest mouse event and at every tap; the action is given
    // it.
    double mousePosX = -100.0;
    double mousePosY = -100.0;

private:
    void installKeyCodeMonitors();
    void installTapMonitors();

    const std::uint16_t keyCode_ = 0;
    const KeyAction keyAction_;
    // Kept so that the monitors go back to the service that installed them.
    std::shared_ptr<platform::EventMonitors> monitors_;
    std::vector<std::shared_ptr<platform::EventMonitor>> installed_;
};

// The modifier-tap observer's states. Each moves its observer on by switching from itself, so
// switches made by its timers or delayed steps after it has been left are refused.

// Waits for the modifier to go down.
class KeyboardObserverStateIdle final : public Brindle::ObjectState<KeyboardObserver> {
public:
    void enter(Brindle::WeakVariable<KeyboardObserver> owner) override;
};

// The modifier is down; times the press.
class KeyboardObserverPressingRightKey final : public Brindle::ObjectState<KeyboardObserver> {
public:
    void enter(Brindle::WeakVariable<KeyboardObserver> owner) override;
};

// Held too long for a tap; waits for the modifier to come up.
class KeyboardObserverPressingRightKeyTimeout final : public Brindle::ObjectState<KeyboardObserver> {
public:
    void enter(Brindle::WeakVariable<KeyboardObserver> owner) override;
};

// Released after a short press; runs the action unless anything happens before the quiet time ends.
class KeyboardObserverReleasingRightKey final : public Brindle::ObjectState<KeyboardObserver> {
public:
    void enter(Brindle::WeakVariable<KeyboardObserver> owner) override;
};

// An ordinary key or the mouse interfered; waits until no key has been held for a while.
class KeyboardObserverPressingWrongKeys final : public Brindle::ObjectState<KeyboardObserver> {
public:
    void enter(Brindle::WeakVariable<KeyboardObserver> owner) override;
};

}  // namespace Velmora
