#include "rx/detail/SerialGate.h"

#include <linux/membarrier.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace rx::detail {

bool processWideBarrierAvailable() {
    static const bool available = [] {
        const long commands = syscall(__NR_membarrier, MEMBARRIER_CMD_QUERY, 0, 0);
        return commands > 0 && (commands & MEMBARRIER_CMD_PRIVATE_EXPEDITED) &&
               syscall(__NR_membarrier, MEMBARRIER_CMD_REGISTER_PRIVATE_EXPEDITED, 0, 0) == 0;
    }();
    return available;
}

bool processWideBarrier() {
    return processWideBarrierAvailable() &&
           syscall(__NR_membarrier, MEMBARRIER_CMD_PRIVATE_EXPEDITED, 0, 0) == 0;
}

const void* SerialGate::claim() {
    if (!processWideBarrierAvailable()) return nullptr;
    const void* owner = nullptr;
    if (owner_.compare_exchange_strong(owner, currentThread())) return currentThread();
    return owner;
}

void SerialGate::lock() {
    mutex_.lock();
    if (takenBack_.load(std::memory_order_relaxed)) return;
    takenBack_.store(true, std::memory_order_relaxed);
    // Without the barrier no thread ever owned the gate.
    if (!processWideBarrier()) return;
    // The owner stays inside for as long as a delivery of its own takes.
    for (int spins = 0; inside_.load(std::memory_order_acquire); ++spins) {
        if (spins < 100)
            std::this_thread::yield();
        else
            std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    // From now on the former owner goes straight to the lock.
    owner_.store(this, std::memory_order_relaxed);
}

}  // namespace rx::detail
