#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Velmora/shell/DockManager.h"
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

bool waitFor(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

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
            log->release.get_future().wait();
        }
        log->running.fetch_sub(1);
        return std::string();
    });

    dock->hideDock();
    ASSERT_EQ(log->secondStarted.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
    // Let the command go a moment after the restore has started waiting for it.
    std::thread releaser([log] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        log->release.set_value();
    });
    dock->restoreDock();
    releaser.join();

    std::weak_ptr<DockManager> held = dock;
    dock.reset();
    ASSERT_TRUE(waitFor([&] { return held.expired(); }));

    const std::vector<std::string> hiding = {
        "defaults write com.apple.dock orientation left",
        "defaults write com.apple.dock autohide -bool true",
        "defaults write com.apple.dock autohide-delay -float 1000",
        "defaults write com.apple.dock no-bouncing -bool TRUE",
        "killall Dock",
    };
    EXPECT_FALSE(log->overlapped);
    std::lock_guard lock(log->mutex);
    ASSERT_GE(log->commands.size(), 7u);
    const std::vector<std::string> hid(log->commands.begin(), log->commands.end() - 5);
    const std::vector<std::string> restored(log->commands.end() - 5, log->commands.end());
    // The hiding ran its commands in order up to some point after the second, then the restore ran.
    ASSERT_LE(hid.size(), hiding.size());
    EXPECT_EQ(hid, std::vector<std::string>(hiding.begin(), hiding.begin() + hid.size()));
    EXPECT_EQ(restored.front(), "defaults write com.apple.dock autohide -bool false && killall Dock");
    EXPECT_EQ(restored.back(), "killall Dock");
}
