#pragma once

#include <memory>

#include "Brindle/FatalError.h"
#include "Brindle/Logging.h"
#include "Brindle/Object.h"
#include "Brindle/WeakVariable.h"
#include "rx/Rx.h"

namespace Brindle {

// One state of a state machine owned by `Owner`. Subclasses override `enter` and `exit` only,
// calling the base first. A state refers to its owner weakly.
template <class Owner>
class ObjectState : public Object {
public:
    ObjectState() = default;

    // Called when the state becomes current.
    virtual void enter(WeakVariable<Owner> owner) {
        (void)owner;
        isActive_ = true;
    }

    // Called when the state stops being current: ends every subscription in the dispose bag and
    // fires `onStateExit`. Timers, observers and blocks the state started are left running; their
    // switches name this state as the expected one, so they are refused from now on.
    virtual void exit(WeakVariable<Owner> owner) {
        (void)owner;
        isActive_ = false;
        disposeBag_ = std::make_unique<rx::DisposeBag>();  // the old bag disposes what it held
        onStateExit.onNext(rx::Unit{});
    }

    rx::DisposeBag& disposeBag() { return *disposeBag_; }
    std::shared_ptr<Owner> owner() const { return owner_.lock(); }
    void setOwner(const std::shared_ptr<Owner>& owner) { owner_ = owner; }
    bool isActive() const { return isActive_; }
    void setActive(bool active) { isActive_ = active; }

    // Fires once each time the state is exited.
    const rx::PublishSubject<rx::Unit> onStateExit;

private:
    std::unique_ptr<rx::DisposeBag> disposeBag_ = std::make_unique<rx::DisposeBag>();
    std::weak_ptr<Owner> owner_;
    bool isActive_ = false;
};

// Mixed into the owner of a state machine: `Machine` is the owner's own class, which must derive
// from `Brindle::Object`. The current state is published in `newState`.
template <class Machine>
class ObjectStateMachine {
public:
    using State = ObjectState<Machine>;
    using StatePtr = std::shared_ptr<State>;

    virtual ~ObjectStateMachine() = default;

    // Makes `state` the first current state: no log line, no exit of a state already current.
    void start(const StatePtr& state) {
        auto machine = self();
        state->setOwner(machine);
        newState.accept(state);
        state->enter(WeakVariable<Machine>(machine));
    }

    // Moves from `expected` (which must be the current state, by identity; none matches none) to
    // `next`; false, and nothing done, otherwise. Observers of `newState` see `next` twice: before
    // the old state is exited and again before `next` is entered.
    bool switchState(const StatePtr& next, const StatePtr& expected) {
        if (newState.value() != expected) return false;
        auto old = newState.value();
        newState.accept(next);
        Logging::shared()->log("Switching to state: " + next->description());
        auto machine = self();
        if (old) old->exit(WeakVariable<Machine>(machine));
        next->setActive(true);
        next->setOwner(machine);
        newState.accept(next);
        next->enter(WeakVariable<Machine>(machine));
        return true;
    }

    StatePtr currentState() const { return newState.value(); }

    const rx::BehaviorRelay<StatePtr> newState{nullptr};

private:
    std::shared_ptr<Machine> self() {
        auto* machine = dynamic_cast<Machine*>(this);
        if (!machine) fatalError("A state machine must be its own machine type");
        return std::static_pointer_cast<Machine>(machine->shared_from_this());
    }
};

}  // namespace Brindle
