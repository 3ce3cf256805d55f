#include <gtest/gtest.h>

#include "tests/support/SimulatedDesktopTesting.h"
#include "tests/support/TemporaryFolder.h"

using namespace platform;
using sim::CommandResult;
using test_support::loadDesktop;

namespace {

std::int32_t dockPid(const sim::SimulatedDesktop& desktop) {
    const auto* dock = desktop.state()->dockApplication();
    return dock ? dock->pid : 0;
}

}  // namespace

TEST(SimulatedDock, TheDocksControlLinesRewriteItsPreferencesAndRestartItAndAreRecorded) {
    test_support::TemporaryFolder folder;
    sim::SimulatedDesktop::Options options;
    options.actionLogPath = folder / "actions.log";
    auto desktop = loadDesktop(R"({"dock": {"pid": 400}})", options);
    auto run = [&](const std::string& line) {
        return desktop->simulateCommandLine(line).value_or(CommandResult{-1, ""});
    };

    for (const char* line : {"defaults write com.apple.dock orientation left",
                             "defaults write com.apple.dock autohide -bool true",
                             "defaults write com.apple.dock autohide-delay -float 1000",
                             "defaults write com.apple.dock no-bouncing -bool TRUE"})
        EXPECT_EQ(run(line), CommandResult{}) << line;
    EXPECT_EQ(
        run("defaults read com.apple.dock"),
        (CommandResult{0,
                       "{\n    autohide = 1;\n    \"autohide-delay\" = 1000;\n    \"no-bouncing\" = 1;\n"
                       "    orientation = left;\n}\n"}));
    EXPECT_EQ(
        run("defaults read com.apple.dock autohide-delay; defaults read-type com.apple.dock autohide-delay"),
        (CommandResult{0, "1000\nType is float\n"}));
    EXPECT_EQ(dockPid(*desktop), 400) << "reading and writing leave the Dock running";

    auto oldDock = desktop->runningApplication(400);
    EXPECT_EQ(run("killall Dock"), CommandResult{});
    const auto restarted = dockPid(*desktop);
    EXPECT_TRUE(restarted != 400 && restarted != 0 && oldDock->isTerminated());
    EXPECT_EQ(desktop->state()->running.size(), 2u) << "one Dock and the program itself";

    // A failing command stops its "&&" chain; "||" runs on failure; ";" runs either way.
    const std::string deleteAndRestart = "defaults delete com.apple.dock autohide-delay && killall Dock";
    EXPECT_EQ(run(deleteAndRestart), CommandResult{});
    const auto afterDelete = dockPid(*desktop);
    EXPECT_NE(afterDelete, restarted);
    const std::string missing =
        "The domain/default pair of (com.apple.dock, autohide-delay) does not exist\n";
    EXPECT_EQ(run(deleteAndRestart), (CommandResult{1, missing}));
    EXPECT_EQ(dockPid(*desktop), afterDelete) << "the restart after the failed delete did not run";
    EXPECT_EQ(
        run("defaults read com.apple.dock autohide-delay || defaults write com.apple.dock autohide-delay "
            "-float 0.5; defaults read com.apple.dock autohide-delay"),
        (CommandResult{0, missing + "0.5\n"}));

    // Each line and each restart is recorded.
    auto log = test_support::readWholeFile(folder / "actions.log");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 12);
    for (const auto& line :
         {R"({"action":"restartDock","pid":)" + std::to_string(restarted) + R"(,"previousPid":400})",
          R"({"action":"commandLine","command":")" + deleteAndRestart + R"(","output":")" +
              missing.substr(0, missing.size() - 1) + R"(\n","status":1})"})
        EXPECT_NE(log.find(line + "\n"), std::string::npos) << line << "\n" << log;
}

TEST(SimulatedDock, LinesItCannotRunFaithfullyFailAndChangeNothingAndOtherLinesAreTheHostsAgain) {
    auto desktop =
        loadDesktop(R"({"applications": [{"pid": 812, "name": "Mail"}, {"pid": 813, "name": "Notes"}]})");
    ASSERT_EQ(desktop->simulateCommandLine("defaults write com.apple.dock orientation left")->status, 0);
    const auto dock = dockPid(*desktop);
    const std::string usage = "Command line interface to a user's defaults.";
    const std::string killallUsage = "usage: killall [-SIGNAL] procname ...\n";
    const std::string noMatch = "No matching processes belonging to you were found\n";
    const struct {
        std::string line, outputStart;
    } cases[] = {
        {"defaults write com.apple.dock orientation", usage},
        {"defaults write com.apple.dock autohide -bool maybe", usage},
        {"defaults write com.apple.dock autohide-delay -int 1.5", usage},
        {"defaults write com.apple.dock persistent-apps -array x", usage},
        {"defaults frobnicate com.apple.dock", usage},
        {"defaults read com.apple.dock nope",
         "The domain/default pair of (com.apple.dock, nope) does not exist"},
        {"defaults read no.such.domain", "Domain no.such.domain does not exist"},
        {"defaults delete no.such.domain",
         "Domain (no.such.domain) not found.\nDefaults have not been changed."},
        {"killall", killallUsage},
        {"killall -z Dock", killallUsage},
        {"killall Velmora", noMatch},
        {"killall Dock | cat", "simulated desktop: "},
        {"echo done && killall Dock", "simulated desktop: "},
        {"killall 'Dock", "zsh:1: unmatched '"},
    };
    for (const auto& each : cases) {
        auto result = desktop->simulateCommandLine(each.line);
        ASSERT_TRUE(result) << each.line;
        EXPECT_TRUE(result->status == 1 && result->output.starts_with(each.outputStart))
            << each.line << ": " << result->output;
        EXPECT_EQ(dockPid(*desktop), dock) << each.line;
    }
    EXPECT_EQ(desktop->state()->preferences.at("com.apple.dock"), (nlohmann::json{{"orientation", "left"}}));
    EXPECT_EQ(desktop->actionNames(), std::vector<std::string>(std::size(cases) + 1, "commandLine"));

    // killall ends other simulated processes by name, with a signal or without, and only the Dock comes back.
    EXPECT_EQ(*desktop->simulateCommandLine("killall -9 Mail Safari"), CommandResult{});
    EXPECT_EQ(*desktop->simulateCommandLine("/usr/bin/killall -SIGTERM Notes"), CommandResult{});
    EXPECT_EQ(desktop->state()->running.size(), 2u);
    EXPECT_EQ(desktop->actions()[std::size(cases) + 1].jsonLine(),
              R"({"action":"kill","name":"Mail","pid":812})");

    for (const char* host :
         {"echo defaults", "pmset sleepnow", "", "  ", "killallx Dock", "open -b com.apple.dock"})
        EXPECT_FALSE(desktop->simulateCommandLine(host)) << host;
    EXPECT_FALSE(desktop->runCommandLine("echo killall Dock"));
    EXPECT_EQ(desktop->runCommandLine("defaults read com.apple.dock orientation"), "left\n");

    // Without a running Dock there is nothing to restart, and "||" goes on.
    auto withoutDock = loadDesktop(R"({"dock": {"running": false}})");
    EXPECT_EQ(*withoutDock->simulateCommandLine("killall Dock || defaults write com.apple.dock a b"),
              (CommandResult{0, noMatch}));
    EXPECT_FALSE(withoutDock->state()->dockApplication());
}
