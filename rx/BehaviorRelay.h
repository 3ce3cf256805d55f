#pragma once

#include <memory>

#include "rx/BehaviorSubject.h"

namespace rx {

// A state holder: the latest value, told to every new subscriber first and then every accepted
// value, equal or not. It never ends. Copies share the relay.
template <class T>
class BehaviorRelay : public Observable<T> {
public:
    explicit BehaviorRelay(T value)
        : Observable<T>(std::make_shared<detail::BehaviorCore<T>>(std::move(value))) {}

    T value() const { return core().value(); }
    void accept(const T& value) const { core().next(value); }

    bool hasObservers() const { return core().hasObservers(); }

private:
    detail::BehaviorCore<T>& core() const { return static_cast<detail::BehaviorCore<T>&>(*this->source_); }
};

}  // namespace rx
