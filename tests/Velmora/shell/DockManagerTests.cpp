#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Velmora/shell/DockManager.h"
#include "platform/base/DispatchQueue.h"
#include "platform/base/MainQueue.h"
#include "platform/testing/TestDispatchQueues.h"
#include "platform/testing/VirtualMainLoop.h"
#include "tests/Velmora/shell/DockCommands.h"
#include "tests/support/ServicesTesting.h"
#include "tests/support/SessionSystem.h"

using platform::QualityOfService;
using platform::testing::ManualDispatchQueue;
using Velmora::DockManager;

namespace {

using dock_testing::hiding;
using dock_testing::restoring;

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class DockControl : public ::testing::Test {
protected:
    // Every queue handed out is the one manual queue; what was asked for is recorded.
    DockControl()
        : factory_([this](const std::string&, QualityOfService qos, bool serial) {
              requested.push_back({qos, serial});
              return queue;
          }) {}

    std::shared_ptr<DockManager> makeManager() {
        return Brindle::make<DockManager>([this](const std::string& command) {
            std::lock_guard lock(mutex_);
            commands.push_back(command);
            onMainThread = onMainThread && platform::MainQueue::isMainThread();
            return std::string("zsh: command not found: ") + command;
        });
    }

    std::vector<std::string> ran() {
        std::lock_guard lock(mutex_);
        return commands;
    }

    platform::testing::VirtualMainLoop loop;
    services_tests::ScopedDefaults defaults;
    std::shared_ptr<ManualDispatchQueue> queue = std::make_shared<ManualDispatchQueue>();
    std::vector<std::pair<QualityOfService, bool>> requested;
    std::vector<std::string> commands;
    bool onMainThread = true;

private:
    std::mutex mutex_;
    platform::testing::ScopedDispatchFactory factory_;
};

TEST_F(DockControl, HidingRunsItsCommandsInOrderOnTheUserInteractiveQueueOncePerRun) {
    auto dock = makeManager();
    dock->hideDock();
    // Marked before any command has run.
    EXPECT_TRUE(dock->isHidden());
    EXPECT_TRUE(ran().empty());
    ASSERT_EQ(requested.size(), 1u);
    EXPECT_EQ(requested[0], std::make_pair(QualityOfService::userInteractive, false));

    dock->hideDock();
    EXPECT_EQ(queue->runAll(), 1u);
    EXPECT_EQ(ran(), hiding);

    dock->hideDock();
    EXPECT_EQ(queue->runAll(), 0u);
    EXPECT_EQ(ran(), hiding);
}

TEST_F(DockControl, TheRestoreRunsSynchronouslyOnlyAfterTheDockWasHidden) {
    auto dock = makeManager();
    dock->restoreDock();
    EXPECT_TRUE(ran().empty());

    dock->hideDock();
    queue->runAll();
    dock->restoreDock();
    EXPECT_EQ(ran(), hiding + restoring);
    EXPECT_TRUE(onMainThread);
    EXPECT_TRUE(dock->isHidden());

    // Every termination while hidden restores again.
    dock->restoreDock();
    EXPECT_EQ(ran(), hiding + restoring + restoring);
}

TEST_F(DockControl, DontRestartDockAndALinuxDesktopLeaveTheDockAlone) {
    defaults->set("dontRestartDock", true);
    auto dock = makeManager();
    dock->hideDock();
    dock->hideDock();
    EXPECT_FALSE(dock->isHidden());
    EXPECT_EQ(queue->runAll(), 0u);
    dock->restoreDock();
    EXPECT_TRUE(ran().empty());

    // The switch is read at every call: cleared, the next call hides.
    defaults->set("dontRestartDock", false);
    dock->hideDock();
    queue->runAll();
    EXPECT_EQ(ran(), hiding);

    // A Linux desktop has no Dock; `killall Dock` would end the user's processes of that name.
    services_tests::EmptyDesktop desktop;
    platform::ScopedSystem onLinux(std::make_shared<test_support::SessionSystem>(desktop.desktop));
    auto other = makeManager();
    other->hideDock();
    other->restoreDock();
    EXPECT_FALSE(other->isHidden());
    EXPECT_EQ(queue->runAll(), 0u);
    EXPECT_EQ(ran(), hiding);
}

TEST_F(DockControl, HidingCommandsNotYetRunAreDroppedOnceTheRestoreHasRun) {
    auto dock = makeManager();
    dock->hideDock();
    dock->restoreDock();
    queue->runAll();
    EXPECT_EQ(ran(), restoring);
}

}  // namespace
