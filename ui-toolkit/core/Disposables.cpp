#include "ui-toolkit/core/Disposables.h"

#include <utility>

namespace brindle_core {

IDisposeBag::~IDisposeBag() { IDisposeBag::dispose(); }

void IDisposeBag::add(IDisposablePtr disposable) { disposables.push_back(std::move(disposable)); }

void IDisposeBag::dispose() {
    // Taken out first: a disposable that adds to or disposes this bag again must not disturb the
    // walk, nor be disposed twice.
    auto held = std::exchange(disposables, {});
    for (auto& disposable : held)
        if (disposable) disposable->dispose();
}

void DisposableToIDisposable::dispose() {
    if (auto held = std::exchange(disposable, std::nullopt)) held->dispose();
}

AutoDisposer::~AutoDisposer() { AutoDisposer::disposeAll(); }

void AutoDisposer::add(IDisposablePtr disposable, int key) {
    auto bag = Brindle::make<IDisposeBag>();
    auto replaced = std::exchange(disposeBags[key], bag);
    replaced.reset();  // the only reference: its release ends what it held
    bag->add(std::move(disposable));
}

void AutoDisposer::reset(int key) {
    if (auto found = disposeBags.find(key); found != disposeBags.end()) found->second->dispose();
    disposeBags[key] = Brindle::make<IDisposeBag>();
}

void AutoDisposer::disposeAll() {
    auto bags = std::exchange(disposeBags, {});
    for (auto& [key, bag] : bags) bag->dispose();
}

void AutoDisposer::add(int key, const std::function<IDisposablePtr()>& make) { add(make(), key); }

void AutoDisposer::addRx(int key, const std::function<rx::Disposable()>& make) {
    add(Brindle::make<DisposableToIDisposable>(make()), key);
}

}  // namespace brindle_core
