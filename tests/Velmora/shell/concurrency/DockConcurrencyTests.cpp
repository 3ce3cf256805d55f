#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>
#include <regex>
#include <thread>

#include "Velmora/shell/DockManager.h"
#include "tests/support/ServicesTesting.h"

// The restore starts while a hiding command runs on the pool: it waits for that command, and no
// hiding command runs after it.
TEST(DockConcurrency, TheRestoreWaitsForARunningHidingCommandAndStopsTheRest) {
    services_tests::ScopedDefaults defaults;
    struct Log {
        std::mutex mutex;
        std::string commands;  // "H" or "R" as a hiding or restoring command begins, ")" as it ends
        std::promise<void> secondStarted, release;
    };
    auto log = std::make_shared<Log>();
    auto dock =
        Brindle::make<Velmora::DockManager>([log, restorer = std::this_thread::get_id()](const std::string&) {
            auto append = [&](const char* text) {
                std::lock_guard lock(log->mutex);
                return (log->commands += text).size();
            };
            if (append(std::this_thread::get_id() == restorer ? "R" : "H") == 3) {
                log->secondStarted.set_value();
                // Bounded: a restore that never waits fails below instead of hanging here.
                log->release.get_future().wait_for(std::chrono::seconds(10));
            }
            append(")");
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
    std::lock_guard lock(log->mutex);
    // Two to five hiding commands, never two at once, then the restore's five and nothing after.
    EXPECT_TRUE(std::regex_match(log->commands, std::regex(R"((H\)){2,5}(R\)){5})"))) << log->commands;
}
