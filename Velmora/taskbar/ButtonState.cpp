#include "Velmora/taskbar/ButtonState.h"

#include <utility>

#include "Brindle/MainQueue.h"
#include "Brindle/RxHelpers.h"
#include "Velmora/taskbar/TaskbarViewModel.h"
#include "platform/base/Animation.h"

namespace Velmora {

using ButtonOwner = Brindle::WeakVariable<TaskbarButtonViewModel>;

namespace {

// A handler that runs `body(model, state, element)` while both the model and the state live.
template <class State, class Body>
auto guarded(State& state, const ButtonOwner& owner, Body body) {
    return [model = owner.value, weakState = state.template weakAs<State>(),
            body = std::move(body)](const auto& element) {
        auto strongModel = model.lock();
        auto strongState = weakState.lock();
        if (!strongModel || !strongState) return;
        body(*strongModel, strongState, element);
    };
}

// Whether the button's application runs and whether it is pinned, told whenever either changes.
auto runningAndPinned(TaskbarButtonViewModel& model) {
    return rx::combineLatest(model.isRunning, model.isPinned,
                             [](bool running, bool pinned) { return std::pair(running, pinned); });
}

}  // namespace

void ButtonStateIdle::enter(ButtonOwner owner) {
    ObjectState::enter(owner);
    auto model = owner.get();
    if (!model) return;
    auto appeared = model->onAppearedCalled.filter([](bool value) { return value; });
    Brindle::subscribeNext(appeared, false,
                           guarded(*this, owner,
                                   [](TaskbarButtonViewModel& model, const auto& self, bool) {
                                       model.maxWidth.accept(std::nullopt);
                                       model.switchState(Brindle::make<ButtonStateRunning>(), self);
                                   }))
        .disposed(disposeBag());
}

void ButtonStateIdle::exit(ButtonOwner owner) { ObjectState::exit(owner); }

void ButtonStateRunning::enter(ButtonOwner owner) {
    ObjectState::enter(owner);
    auto model = owner.get();
    if (!model) return;
    // First, so that a pinned application that stops running becomes a placeholder before the
    // rule for a stopped one can close it.
    Brindle::subscribeNext(
        runningAndPinned(*model), false,
        guarded(*this, owner,
                [](TaskbarButtonViewModel& model, const auto& self, const std::pair<bool, bool>& value) {
                    if (!value.first && value.second)
                        model.switchState(Brindle::make<ButtonStatePinned>(), self);
                }))
        .disposed(disposeBag());
    Brindle::subscribeNext(model->isRunning, true,
                           guarded(*this, owner,
                                   [](TaskbarButtonViewModel& model, const auto& self, bool running) {
                                       if (!running)
                                           model.switchState(Brindle::make<ButtonStateClosing>(), self);
                                   }))
        .disposed(disposeBag());
    Brindle::subscribeNext(model->isExiting, true,
                           guarded(*this, owner,
                                   [](TaskbarButtonViewModel& model, const auto& self, bool exiting) {
                                       if (!exiting) return;
                                       model.alpha.accept(ButtonStateClosing::hiddenAlpha);
                                       model.switchState(Brindle::make<ButtonStateClosing>(), self);
                                   }))
        .disposed(disposeBag());
}

void ButtonStateRunning::exit(ButtonOwner owner) { ObjectState::exit(owner); }

void ButtonStatePinned::enter(ButtonOwner owner) {
    ObjectState::enter(owner);
    auto model = owner.get();
    if (!model) return;
    // Its application starting makes it a working button again; unpinned while not running, it
    // leaves like any other.
    Brindle::subscribeNext(
        runningAndPinned(*model), false,
        guarded(*this, owner,
                [](TaskbarButtonViewModel& model, const auto& self, const std::pair<bool, bool>& value) {
                    // An unlisted application is still marked running until its exit is done.
                    if (value.first && !model.isExiting.value()) {
                        model.alpha.accept(1.0);
                        model.switchState(Brindle::make<ButtonStateRunning>(), self);
                    } else if (!value.first && !value.second) {
                        model.switchState(Brindle::make<ButtonStateClosing>(), self);
                    }
                }))
        .disposed(disposeBag());
}

void ButtonStatePinned::exit(ButtonOwner owner) { ObjectState::exit(owner); }

void ButtonStateClosing::enter(ButtonOwner owner) {
    ObjectState::enter(owner);
    auto model = owner.get();
    if (!model) return;
    auto self = weakAs<ButtonStateClosing>().lock();
    if (model->isPinned.value()) {
        model->switchState(Brindle::make<ButtonStatePinned>(), self);
        return;
    }
    model->alpha.accept(hiddenAlpha);
    model->maxWidth.accept(collapsedWidth);
    model->switchState(Brindle::make<ButtonStateClosed>(), self);
}

void ButtonStateClosing::exit(ButtonOwner owner) { ObjectState::exit(owner); }

void ButtonStateClosed::enter(ButtonOwner owner) {
    ObjectState::enter(owner);
    // Not cancelled when the state is left: the button is removed whatever happens meanwhile.
    Brindle::runOnMainQueue(removalDelay, [model = owner.value] {
        auto strongModel = model.lock();
        if (!strongModel) return;
        auto bar = strongModel->taskbarViewModel.lock();
        if (!bar) return;
        platform::withAnimation([&] { bar->removeButton(strongModel); });
    });
}

void ButtonStateClosed::exit(ButtonOwner owner) { ObjectState::exit(owner); }

}  // namespace Velmora
