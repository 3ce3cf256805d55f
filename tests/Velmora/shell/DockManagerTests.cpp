#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "Brindle/Shell.h"
#include "Velmora/shell/DockManager.h"
#include "platform/testing/TestDispatchQueues.h"
#include "tests/support/ServicesTesting.h"
#include "tests/support/SessionSystem.h"
#include "tests/support/SimulatedDesktopTesting.h"
#include "tests/support/TemporaryFolder.h"

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

TEST_F(DockControl, OnTheSimulatedDesktopTheProgramsCommandsReachItsDockAndNothingOfThemRunsOnTheHost) {
    // Programs of these names on the host's path would note that they ran.
    test_support::TemporaryFolder host;
    for (const char* name : {"defaults", "killall"}) {
        test_support::writeFile(host / name, "#!/bin/sh\necho \"$0 $*\" >>'" + host / "ran" + "'\n");
        ::chmod((host / name).c_str(), 0755);
    }
    const std::string path = std::getenv("PATH");
    ::setenv("PATH", (host.path() + ":" + path).c_str(), 1);
    test_support::InstalledDesktop desktop;
    auto dockPid = [&] { return desktop->state()->dockApplication()->pid; };
    auto preferences = [&] { return desktop->state()->preferences.at("com.apple.dock"); };
    const auto firstDock = dockPid();

    auto dock = Brindle::make<Velmora::DockManager>();
    dock->hideDock();
    queue->runAll();
    const auto hiddenDock = dockPid();
    EXPECT_EQ(preferences()["autohide"], true);
    EXPECT_NE(hiddenDock, firstDock) << "restarted to apply them";
    dock->restoreDock();
    EXPECT_EQ(preferences()["autohide"], false);
    EXPECT_NE(dockPid(), hiddenDock);
    // Any other line is still the host's.
    EXPECT_EQ(Brindle::runShellCommand("echo other"), "other\n");
    ::setenv("PATH", path.c_str(), 1);
    EXPECT_FALSE(std::filesystem::exists(host / "ran")) << test_support::readWholeFile(host / "ran");
}

}  // namespace
