#pragma once

#include <atomic>
#include <mutex>
#include <type_traits>

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
    // Runs `work` and returns what it returns (nothing, or a small plain value).
    template <class F>
    [[gnu::always_inline]] auto run(F&& work) {
        if (owner_.load(std::memory_order_relaxed) == currentThread() &&
            !inside_.load(std::memory_order_relaxed)) [[likely]] {
            inside_.store(true, std::memory_order_relaxed);
            // Pairs with the barrier in lock(): either that sees this entry or this sees it.
            std::atomic_signal_fence(std::memory_order_seq_cst);
            if (!takenBack_.load(std::memory_order_relaxed)) [[likely]]
                return runThen(work, [this] { inside_.store(false, std::memory_order_release); });
            inside_.store(false, std::memory_order_release);
        }
        return runRarely(work);
    }

private:
    // Runs `work`, then `leave` (also when `work` throws).
    template <class F, class L>
    [[gnu::always_inline]] static auto runThen(F& work, L leave) {
        using Result = std::invoke_result_t<F&>;
        static_assert(std::is_void_v<Result> || std::is_trivially_copyable_v<Result>);
        try {
            if constexpr (std::is_void_v<Result>) {
                work();
                leave();
            } else {
                const Result result = work();
                leave();
                return result;
            }
        } catch (...) {
            leave();
            throw;
        }
    }

    // The first entry, a nested one, and every entry once the gate is taken back. Out of line and
    // given the work by value (a few references), so that the owner's path keeps to few registers.
    template <class F>
    [[gnu::noinline]] auto runRarely(F work) {
        const void* owner = owner_.load(std::memory_order_relaxed);
        if (owner == nullptr) owner = claim();
        if (owner == currentThread()) {
            // A nested entry runs at once.
            if (inside_.load(std::memory_order_relaxed)) return work();
            // The first entry of the owner; once the gate is being taken back, the lock.
            if (!takenBack_.load(std::memory_order_relaxed)) return run(work);
        }
        lock();
        return runThen(work, [this] { mutex_.unlock(); });
    }

    // Takes the lock, and the gate back from its owner the first time.
    void lock();

    static const void* currentThread() {
        static thread_local const char marker = 0;
        return &marker;
    }

    // Makes the calling thread the owner unless another one is already; returns the owner (none
    // when the system has no process-wide barrier).
    const void* claim();

    std::atomic<const void*> owner_{nullptr};
    std::atomic<bool> inside_{false};
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
