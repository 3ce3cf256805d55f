#pragma once

#include <memory>

namespace Brindle {

// A box holding one weak reference.
template <class T>
struct WeakVariable {
    WeakVariable() = default;
    explicit WeakVariable(const std::shared_ptr<T>& object) : value(object) {}

    std::shared_ptr<T> get() const { return value.lock(); }

    std::weak_ptr<T> value;
};

}  // namespace Brindle
