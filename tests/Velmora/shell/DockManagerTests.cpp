#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Velmora/shell/DockManager.h"
#include "platform/base/MainQueue.h"
#include "platform/testing/TestDispatchQueues.h"
#include "platform/testing/VirtualMainLoop.h"
#include "tests/support/ServicesTesting.h"
#include "tests/support/SessionSystem.h"

using platform::QualityOfService;
using Strings = std::vector<std::string>;

namespace {

const Strings hiding = {
    "defaults write com.apple.dock orientation left",
    "defaults write com.apple.dock autohide -bool true",
    "defaults write com.apple.dock autohide-delay -float 1000",
    "defaults write com.apple.dock no-bouncing -bool TRUE",
    "killall Dock",
};
const Strings restoring = {
    "defaults write com.apple.dock autohide -bool false && killall Dock",
    "defaults write com.apple.dock orientation bottom",
    "defaults delete com.apple.dock autohide-delay && killall Dock",
    "defaults write com.apple.dock no-bouncing -bool FALSE && killall Dock",
    "killall Dock",
};

Strings operator+(Strings a, const Strings& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class DockControl : public ::testing::Test {
protected:
    std::shared_ptr<Velmora::DockManager> makeManager() {
        return Brindle::make<Velmora::DockManager>([this](const std::string& command) {
            commands.push_back(command);
            onMainThread = onMainThread && platform::MainQueue::isMainThread();
            return "zsh: command not found: " + command;
        });
    }

    platform::testing::VirtualMainLoop loop;
    services_tests::ScopedDefaults defaults;
    // Every queue handed out is the one manual queue; what was asked for is recorded.
    std::shared_ptr<platform::testing::ManualDispatchQueue> queue =
        std::make_shared<platform::testing::ManualDispatchQueue>();
    std::vector<std::pair<QualityOfService, bool>> requested;
    platform::testing::ScopedDispatchFactory factory{
        [this](const std::string&, QualityOfService qos, bool serial) {
            requested.push_back({qos, serial});
            return queue;
        }};
    Strings commands;
    bool onMainThread = true;
};

TEST_F(DockControl, HidingRunsOncePerRunInTheBackgroundAndEachRestoreRunsAtOnceOnTheMainThread) {
    auto dock = makeManager();
    dock->hideDock();
    EXPECT_TRUE(dock->isHidden()) << "marked before any command has run";
    EXPECT_TRUE(commands.empty());
    ASSERT_EQ(requested.size(), 1u);
    EXPECT_EQ(requested[0], std::make_pair(QualityOfService::userInteractive, false));
    dock->hideDock();
    EXPECT_EQ(queue->runAll(), 1u);
    EXPECT_EQ(commands, hiding);
    dock->hideDock();
    EXPECT_EQ(queue->runAll(), 0u);

    // Every termination while hidden restores again.
    dock->restoreDock();
    dock->restoreDock();
    EXPECT_EQ(commands, hiding + restoring + restoring);
    EXPECT_TRUE(onMainThread);
    EXPECT_TRUE(dock->isHidden());
}

TEST_F(DockControl, HidingCommandsNotYetRunAreDroppedOnceTheRestoreHasRun) {
    auto dock = makeManager();
    dock->hideDock();
    dock->restoreDock();
    queue->runAll();
    EXPECT_EQ(commands, restoring);
}

TEST_F(DockControl, DontRestartDockAndALinuxDesktopLeaveTheDockAlone) {
    defaults->set("dontRestartDock", true);
    auto dock = makeManager();
    dock->hideDock();
    EXPECT_FALSE(dock->isHidden());
    EXPECT_EQ(queue->runAll(), 0u);
    dock->restoreDock();
    EXPECT_TRUE(commands.empty()) << "nothing to restore before a hiding";

    // The switch is read at every call: cleared, the next call hides.
    defaults->set("dontRestartDock", false);
    dock->hideDock();
    queue->runAll();
    EXPECT_EQ(commands, hiding);

    // A Linux desktop has no Dock; `killall Dock` would end the user's processes of that name.
    services_tests::EmptyDesktop desktop;
    platform::ScopedSystem onLinux(std::make_shared<test_support::SessionSystem>(desktop.desktop));
    auto other = makeManager();
    other->hideDock();
    other->restoreDock();
    EXPECT_FALSE(other->isHidden());
    EXPECT_EQ(queue->runAll(), 0u);
    EXPECT_EQ(commands, hiding);
}

}  // namespace
