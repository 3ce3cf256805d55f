#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace test_support {

// Waits for another thread to make `condition` hold. False after `limit` of real time: a wait that
// would hang fails the test instead. Between checks it sleeps a little, so that on a machine with
// few cores it leaves them to the threads it waits for.
template <class Condition>
bool waitUntil(Condition&& condition, std::chrono::milliseconds limit = std::chrono::seconds(30)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

// Opens once `count` threads have called done(); wait() gives up after `limit`, so a lost
// completion fails the test instead of hanging it.
class Countdown {
public:
    explicit Countdown(int count = 1) : count_(count) {}
    void done() {
        std::lock_guard lock(mutex_);
        if (--count_ <= 0) changed_.notify_all();
    }
    bool wait(std::chrono::milliseconds limit = std::chrono::seconds(60)) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [this] { return count_ <= 0; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int count_;
};

}  // namespace test_support
