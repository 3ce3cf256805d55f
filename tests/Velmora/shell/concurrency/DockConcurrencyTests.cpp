#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Velmora/shell/DockManager.h"
#include "tests/Velmora/shell/DockCommands.h"
#include "tests/support/ServicesTesting.h"

using Velmora::DockManager;

namespace {

struct Log {
    std::mutex mutex;
    std::vector<std::string> commands;
    std::promise<void> secondStarted;
    std::promise<void> release;
    // Commands running at once, and whether two ever did.
    std::atomic<int> running{0};
    std::atomic<bool> overlapped{false};
};

}  // namespace

// The restore starts while a hiding command runs on the pool: it waits for that command, and no
// hiding command runs after it.
TEST(DockConcurrency, TheRestoreWaitsForARunningHidingCommandAndStopsTheRest) {
    services_tests::ScopedDefaults defaults;
    auto log = std::make_shared<Log>();
    auto dock = Brindle::make<DockManager>([log](const std::string& command) {
        if (log->running.fetch_add(1) != 0) log->overlapped = true;
        bool second = false;
        {
            std::lock_guard lock(log->mutex);
            log->commands.push_back(command);
            second = log->commands.size() == 2;
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

    std::weak_ptr<DockManager> held = dock;
    dock.reset();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!held.expired() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    ASSERT_TRUE(held.expired());

    EXPECT_FALSE(log->overlapped);
    std::lock_guard lock(log->mutex);
    // The hiding ran its commands in order up to some point after the second, then the restore its own.
    const auto& hiding = dock_testing::hiding;
    ASSERT_GE(log->commands.size(), 7u);
    const std::vector<std::string> hid(log->commands.begin(), log->commands.end() - 5);
    ASSERT_LE(hid.size(), hiding.size());
    EXPECT_EQ(hid, std::vector<std::string>(hiding.begin(), hiding.begin() + hid.size()));
    EXPECT_EQ(std::vector<std::string>(log->commands.end() - 5, log->commands.end()),
              dock_testing::restoring);
}
