#pragma once

#include <chrono>
#include <thread>

namespace test_support {

// Waits for another thread to make `condition` hold. False after `limit` of real time: a wait that
// would hang fails the test instead.
template <class Condition>
bool waitUntil(Condition&& condition, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::yield();
    }
    return true;
}

}  // namespace test_support
