#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "Velmora/shell/DockManager.h"
#include "tests/support/ServicesTesting.h"

// The restore starts while a hiding command runs on the pool: it waits for that command, and no
// hiding command runs after it.
TEST(DockConcurrency, TheRestoreWaitsForARunningHidingCommandAndStopsTheRest) {
    services_tests::ScopedDefaults defaults;
    struct Log {
        std::mutex mutex;
        std::vector<bool> byRestorer;  // a command each, in the order they began
        std::promise<void> secondStarted, release;
        std::atomic<int> running{0};
        std::atomic<bool> overlapped{false};
    };
    auto log = std::make_shared<Log>();
    auto dock =
        Brindle::make<Velmora::DockManager>([log, restorer = std::this_thread::get_id()](const std::string&) {
            if (log->running.fetch_add(1) != 0) log->overlapped = true;
            bool second = false;
            {
                std::lock_guard lock(log->mutex);
                log->byRestorer.push_back(std::this_thread::get_id() == restorer);
                second = log->byRestorer.size() == 2;
            }
            if (second) {
                log->secondStarted.set_value();
                // Bounded: a restore that never waits fails below instead of hanging here.
                log->release.get_future().wait_for(std::chrono::seconds(10));
            }
            log->running.fetch_sub(1);
            return std::string();
        });
    bool waited = false;
    dock->restoreWillWait = [&] {
        waited = true;
        log->release.set_value();
    };

    dock->hideDock();
    ASSERT_EQ(log->secondStarted.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
    dock->restoreDock();
    EXPECT_TRUE(waited);

    std::weak_ptr<Velmora::DockManager> held = dock;
    dock.reset();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!held.expired() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    ASSERT_TRUE(held.expired());

    EXPECT_FALSE(log->overlapped);
    std::lock_guard lock(log->mutex);
    // Some hiding commands, the second among them, then the restore's five and nothing after.
    const auto hid =
        std::find(log->byRestorer.begin(), log->byRestorer.end(), true) - log->byRestorer.begin();
    EXPECT_GE(hid, 2);
    EXPECT_LE(hid, 5);
    EXPECT_EQ(std::count(log->byRestorer.begin() + hid, log->byRestorer.end(), true), 5);
    EXPECT_EQ(log->byRestorer.size(), static_cast<std::size_t>(hid) + 5);
}
