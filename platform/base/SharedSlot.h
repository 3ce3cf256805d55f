#pragma once

#include <memory>
#include <mutex>

namespace platform {

// A shared pointer that any thread may read and replace. libstdc++ 12's
// std::atomic<std::shared_ptr> releases its internal lock with relaxed ordering after a load,
// which ThreadSanitizer rightly reports as a race with the next store; a mutex is as cheap here.
template <typename T>
class SharedSlot {
public:
    explicit SharedSlot(std::shared_ptr<T> value = {}) : value_(std::move(value)) {}

    std::shared_ptr<T> load() const {
        std::lock_guard lock(mutex_);
        return value_;
    }
    std::shared_ptr<T> exchange(std::shared_ptr<T> value) {
        std::lock_guard lock(mutex_);
        value_.swap(value);
        return value;
    }

private:
    mutable std::mutex mutex_;
    std::shared_ptr<T> value_;
};

}  // namespace platform
