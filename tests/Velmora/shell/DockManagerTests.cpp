#include <gtest/gtest.h>

#include "Velmora/shell/DockManager.h"
#include "platform/testing/TestDispatchQueues.h"
#include "tests/support/ServicesTesting.h"
#include "tests/support/SessionSystem.h"

using platform::QualityOfService;
using Strings = std::vector<std::string>;

namespace {

// Every queue handed out is the one manual queue; what was asked for is recorded, and so is every
// command run.
class DockControl : public ::testing::Test {
protected:
    std::shared_ptr<Velmora::DockManager> makeManager() {
        return Brindle::make<Velmora::DockManager>([this](const std::string& command) {
            commands.push_back(command);
            return "zsh: command not found: " + command;
        });
    }
    Strings from(std::size_t first) const {
        return {commands.begin() + static_cast<long>(first), commands.end()};
    }

    services_tests::ScopedDefaults defaults;
    std::shared_ptr<platform::testing::ManualDispatchQueue> queue =
        std::make_shared<platform::testing::ManualDispatchQueue>();
    std::vector<std::pair<QualityOfService, bool>> requested;
    platform::testing::ScopedDispatchFactory factory{
        [this](const std::string&, QualityOfService qos, bool serial) {
            requested.push_back({qos, serial});
            return queue;
        }};
    Strings commands;
};

TEST_F(DockControl, HidingRunsOncePerRunInTheBackgroundUnlessSwitchedOffAndEachRestoreRunsAtOnce) {
    defaults->set("dontRestartDock", true);
    auto dock = makeManager();
    dock->hideDock();
    EXPECT_FALSE(dock->isHidden());
    dock->restoreDock();
    EXPECT_TRUE(requested.empty());
    EXPECT_TRUE(commands.empty()) << "nothing to restore before a hiding";
    // The switch is read at every call: cleared, the next call hides, marked before any command runs.
    defaults->set("dontRestartDock", false);
    dock->hideDock();
    dock->hideDock();
    EXPECT_TRUE(dock->isHidden());
    EXPECT_TRUE(commands.empty());
    EXPECT_EQ(requested, (std::vector{std::pair{QualityOfService::userInteractive, false}}));
    EXPECT_EQ(queue->runAll(), 1u);
    ASSERT_EQ(commands.size(), 5u);
    EXPECT_EQ(commands.back(), "killall Dock") << "the Dock restarts with what was written";
    dock->hideDock();
    EXPECT_EQ(queue->runAll(), 0u);
    // Every termination while hidden restores again.
    dock->restoreDock();
    const Strings restoring = from(5);
    EXPECT_EQ(restoring.size(), 5u);
    EXPECT_NE(restoring, from(0));
    dock->restoreDock();
    EXPECT_EQ(from(10), restoring);
    EXPECT_TRUE(dock->isHidden());
    // Hiding commands not yet run are dropped once the restore has run.
    auto other = makeManager();
    other->hideDock();
    other->restoreDock();
    queue->runAll();
    EXPECT_EQ(from(15), restoring);
    // A Linux desktop has no Dock; `killall Dock` would end the user's processes of that name.
    services_tests::EmptyDesktop desktop;
    platform::ScopedSystem onLinux(std::make_shared<test_support::SessionSystem>(desktop.desktop));
    auto onLinuxDock = makeManager();
    onLinuxDock->hideDock();
    onLinuxDock->restoreDock();
    EXPECT_FALSE(onLinuxDock->isHidden());
    EXPECT_EQ(queue->runAll(), 0u);
    EXPECT_EQ(commands.size(), 20u);
}

}  // namespace
