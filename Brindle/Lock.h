#pragma once

#include <functional>
#include <semaphore>
#include <utility>

namespace Brindle {

// A value guarded by a counting semaphore of one. Not re-entrant: a body passed to `read` or
// `modify` must not take the same lock again.
template <class T>
class Lock {
public:
    explicit Lock(T value) : unsafeValue(std::move(value)) {}
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    void lock() { mutex_.acquire(); }
    void unlock() { mutex_.release(); }

    // Hands a copy of the value to `body`.
    void read(const std::function<void(T)>& body) {
        Guard guard(*this);
        body(unsafeValue);
    }

    // Stores what `body` returns for a copy of the value. The lock is released even when `body`
    // throws, and the value is then left as it was.
    void modify(const std::function<T(T)>& body) {
        Guard guard(*this);
        unsafeValue = body(unsafeValue);
    }

    // The guarded value; reading or writing it directly bypasses the lock.
    T unsafeValue;

private:
    struct Guard {
        explicit Guard(Lock& owner) : owner(owner) { owner.lock(); }
        ~Guard() { owner.unlock(); }
        Lock& owner;
    };

    std::binary_semaphore mutex_{1};
};

}  // namespace Brindle
