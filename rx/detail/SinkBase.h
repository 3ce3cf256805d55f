#pragma once

#include <mutex>

#include "rx/Disposable.h"

namespace rx::detail {

// The state every locking operator's sink shares: once stopped (by an error, the completion or
// dispose), nothing more reaches downstream. `stop()` drops what the sink holds through
// `release()`, under the lock, the first time only.
template <class Mutex = std::recursive_mutex>
class SinkBase : public DisposableBase {
public:
    void dispose() override {
        std::lock_guard lock(mutex_);
        stop();
    }
    bool isDisposed() const override {
        std::lock_guard lock(mutex_);
        return stopped_;
    }

protected:
    // True the first time only: the caller then sends the error or the completion.
    bool stop() {
        if (stopped_) return false;
        stopped_ = true;
        release();
        return true;
    }
    virtual void release() {}

    // Recursive by default: a scheduler may run a timer at once, and downstream may dispose from
    // within a delivery.
    mutable Mutex mutex_;
    bool stopped_ = false;
};

}  // namespace rx::detail
