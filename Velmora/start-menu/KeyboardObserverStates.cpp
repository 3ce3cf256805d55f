#include <memory>
#include <utility>

#include "Brindle/FatalError.h"
#include "Brindle/RxHelpers.h"
#include "Velmora/start-menu/KeyboardObserver.h"
#include "platform/base/Clock.h"
#include "platform/base/MainQueue.h"
#include "rx/MainScheduler.h"

namespace Velmora {
namespace {

using State = Brindle::ObjectState<KeyboardObserver>;
using StatePtr = std::shared_ptr<State>;
using ObserverOwner = Brindle::WeakVariable<KeyboardObserver>;

constexpr double pressPollInterval = 0.005;
constexpr double releasePollInterval = 0.01;
// Not seen held for longer than this: released.
constexpr double releaseTime = 0.005;
// After a long press the modifier must stay up this long before a new press counts.
constexpr double timeoutReleaseTime = 0.1;
constexpr double wrongKeysQuietTime = 0.5;

double now() { return platform::Clock::wallSeconds(); }

// Other modifiers held at the same time do not matter.
bool isHeld(std::uint64_t systemKey) { return (systemKey & ~platform::Events::modifierFlags()) == 0; }

std::uint64_t systemKeyOf(const KeyboardObserver& observer) {
    if (!observer.systemKey) Brindle::fatalError("A key-code observer has no modifier states");
    return *observer.systemKey;
}

template <class Next>
void switchFrom(const StatePtr& current, std::shared_ptr<Next> next = Brindle::make<Next>()) {
    if (auto owner = current->owner()) owner->switchState(next, current);
}

// Runs `tick` every `interval` seconds while the state exists and has its observer. The timer
// holds the state weakly and stops at the first tick after it is gone.
template <class S, class F>
void repeat(S& state, double interval, F tick) {
    std::weak_ptr<S> weak = state.template weakAs<S>();
    platform::MainQueue::scheduledTimer(interval, true, [weak, tick](platform::Timer& timer) mutable {
        auto strong = weak.lock();
        if (!strong) {
            timer.invalidate();
            return;
        }
        if (strong->owner()) tick(StatePtr(strong));
    });
}

template <class S, class T, class F>
void onNext(S& state, const rx::Observable<T>& source, F handler) {
    std::weak_ptr<S> weak = state.template weakAs<S>();
    Brindle::subscribeNext(source, false, [weak, handler](const T&) {
        if (auto strong = weak.lock()) handler(StatePtr(strong));
    }).disposed(state.disposeBag());
}

template <class S>
void leaveOnOrdinaryKey(S& state, const KeyboardObserver& observer) {
    auto held = observer.pressedKeysRelay.filter(
        [](const KeyboardObserver::KeyCodes& keys) { return !keys.empty(); });
    onNext(state, held,
           [](const StatePtr& current) { switchFrom<KeyboardObserverPressingWrongKeys>(current); });
}

template <class S>
void leaveOnMouseActivity(S& state, const KeyboardObserver& observer) {
    // The relay's replay of the position seen before is no activity.
    onNext(state, observer.mousePos.skip(1),
           [](const StatePtr& current) { switchFrom<KeyboardObserverPressingWrongKeys>(current); });
}

}  // namespace

void KeyboardObserverStateIdle::enter(ObserverOwner owner) {
    ObjectState::enter(owner);
    auto observer = owner.get();
    if (!observer) return;
    const auto systemKey = systemKeyOf(*observer);
    // Nothing to sample while nothing happens: a change of the modifiers wakes it.
    onNext(*this, observer->modifiersChanged.asObservable(), [systemKey](const StatePtr& current) {
        if (isHeld(systemKey)) switchFrom<KeyboardObserverPressingRightKey>(current);
    });
    leaveOnOrdinaryKey(*this, *observer);
    // Held already when this state begins (after a long press or an ordinary key): a press from now.
    if (isHeld(systemKey))
        switchFrom<KeyboardObserverPressingRightKey>(sharedAs<KeyboardObserverStateIdle>());
}

void KeyboardObserverPressingRightKey::enter(ObserverOwner owner) {
    ObjectState::enter(owner);
    auto observer = owner.get();
    if (!observer) return;
    const auto systemKey = systemKeyOf(*observer);
    const double entered = now();
    double lastHeld = entered;
    // A release seen in the same tick in which the press gets too long still counts: the first
    // switch makes the second one refused.
    repeat(*this, pressPollInterval, [systemKey, entered, lastHeld](const StatePtr& current) mutable {
        const double time = now();
        if (isHeld(systemKey)) lastHeld = time;
        if (time - lastHeld > releaseTime) switchFrom<KeyboardObserverReleasingRightKey>(current);
        if (time - entered > KeyboardObserver::keyMaximumPressTime)
            switchFrom<KeyboardObserverPressingRightKeyTimeout>(current);
    });
    leaveOnMouseActivity(*this, *observer);
    leaveOnOrdinaryKey(*this, *observer);
}

void KeyboardObserverPressingRightKeyTimeout::enter(ObserverOwner owner) {
    ObjectState::enter(owner);
    auto observer = owner.get();
    if (!observer) return;
    const auto systemKey = systemKeyOf(*observer);
    double lastHeld = now();
    repeat(*this, pressPollInterval, [systemKey, lastHeld](const StatePtr& current) mutable {
        const double time = now();
        if (isHeld(systemKey)) lastHeld = time;
        if (time - lastHeld > timeoutReleaseTime) switchFrom<KeyboardObserverStateIdle>(current);
    });
}

void KeyboardObserverReleasingRightKey::enter(ObserverOwner owner) {
    ObjectState::enter(owner);
    auto observer = owner.get();
    if (!observer) return;
    const auto systemKey = systemKeyOf(*observer);
    // Holds this state strongly, so that no later state can take its place as the expected one.
    platform::MainQueue::asyncAfter(
        KeyboardObserver::keyTimeAfterBeforeAction, [self = sharedAs<KeyboardObserverReleasingRightKey>()] {
            auto machine = self->owner();
            if (!machine) return;
            if (!machine->switchState(Brindle::make<KeyboardObserverStateIdle>(), self)) return;
            // The pointer may have moved since the last click without a monitor seeing it: the
            // tap belongs where the pointer is now.
            auto location = platform::Events::mouseLocation();
            machine->mousePosX = location.x;
            machine->mousePosY = location.y;
            if (machine->action) machine->action(machine->mousePosX, machine->mousePosY);
        });
    leaveOnMouseActivity(*this, *observer);
    // A new press within the quiet time is timed afresh.
    repeat(*this, releasePollInterval, [systemKey](const StatePtr& current) {
        if (isHeld(systemKey)) switchFrom<KeyboardObserverPressingRightKey>(current);
    });
    leaveOnOrdinaryKey(*this, *observer);
}

void KeyboardObserverPressingWrongKeys::enter(ObserverOwner owner) {
    ObjectState::enter(owner);
    auto observer = owner.get();
    if (!observer) return;
    // Held keys are dropped before the debounce, so only a new key-up restarts the quiet time.
    auto released = observer->pressedKeysRelay.filter(
        [](const KeyboardObserver::KeyCodes& keys) { return keys.empty(); });
    onNext(*this, Brindle::debounceOnMain(released, wrongKeysQuietTime),
           [](const StatePtr& current) { switchFrom<KeyboardObserverStateIdle>(current); });
}

}  // namespace Velmora
