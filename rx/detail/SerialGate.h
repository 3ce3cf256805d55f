#pragma once

#include <atomic>
#include <mutex>

#include "rx/Disposable.h"

namespace rx::detail {

// A full fence on every thread of the process at once, paid for by the caller alone (false when
// the system has none, and then no gate is ever owned).
bool processWideBarrier();
bool processWideBarrierAvailable();

// Runs the events of an operator with several sources one at a time. Events mostly arrive on one
// thread, so the first thread to enter owns the gate and enters it with plain stores. The first
// entry from another thread takes the gate back for good (one process-wide barrier and a wait for
// the owner to leave), and from then on a recursive lock guards every entry. Either way a nested
// entry on the thread inside runs at once, as it would under a recursive lock.
class SerialGate {
public:
    template <class F>
    [[gnu::always_inline]] void run(F&& work) {
        const void* self = currentThread();
        const void* owner = owner_.load(std::memory_order_relaxed);
        if (owner == nullptr && processWideBarrierAvailable()) {
            owner_.compare_exchange_strong(owner, self);
            if (owner == nullptr) owner = self;
        }
        if (owner == self) {
            const unsigned depth = depth_.load(std::memory_order_relaxed);
            depth_.store(depth + 1, std::memory_order_relaxed);
            // Pairs with the barrier in takeBack(): either that sees this entry or this sees it.
            std::atomic_signal_fence(std::memory_order_seq_cst);
            if (depth > 0 || !takenBack_.load(std::memory_order_relaxed)) {
                Leave leave{depth_, depth};
                work();
                return;
            }
            depth_.store(depth, std::memory_order_release);
        }
        std::lock_guard lock(mutex_);
        if (!takenBack_.load(std::memory_order_relaxed)) takeBack();
        work();
    }

private:
    struct Leave {
        std::atomic<unsigned>& depth;
        unsigned previous;
        ~Leave() { depth.store(previous, std::memory_order_release); }
    };

    static const void* currentThread() {
        static thread_local const char marker = 0;
        return &marker;
    }

    // Called with the lock held, once.
    void takeBack();

    std::atomic<const void*> owner_{nullptr};
    std::atomic<unsigned> depth_{0};
    std::atomic<bool> takenBack_{false};
    std::recursive_mutex mutex_;
};

// The state of a sink whose events pass a gate: once stopped (by an error, the completion or
// dispose), nothing more reaches downstream. Dispose does not wait for a delivery under way on
// another thread, as with subjects.
class GatedSink : public DisposableBase {
public:
    void dispose() override { stopped_.store(true, std::memory_order_release); }
    bool isDisposed() const override { return stopped_.load(std::memory_order_acquire); }

protected:
    bool stopped() const { return stopped_.load(std::memory_order_acquire); }
    // True the first time only: the caller then sends the error or the completion.
    bool stop() { return !stopped_.exchange(true); }

    SerialGate gate_;

private:
    std::atomic<bool> stopped_{false};
};

}  // namespace rx::detail
