#include <gtest/gtest.h>

#include <filesystem>

#include "platform/xdg/Session.h"
#include "tests/platform/xdg/XdgTesting.h"

using platform::xdg::Session;

TEST(SessionTests, PowerAndTerminalReachTheirCommands) {
    auto& desktop = xdg_testing::Desktop::shared();
    Session session;
    const std::pair<bool (Session::*)(), const char*> commands[] = {
        {&Session::suspend, "systemctl suspend"},
        {&Session::reboot, "systemctl reboot"},
        {&Session::powerOff, "systemctl poweroff"},
        {&Session::openTerminal, "x-terminal-emulator "}};
    for (const auto& [call, line] : commands) {
        EXPECT_TRUE((session.*call)());
        EXPECT_TRUE(desktop.waitForCall(line));
    }
    EXPECT_TRUE(session.canOpenTerminal());
    std::filesystem::remove(desktop.path("bin/x-terminal-emulator"));
    EXPECT_FALSE(session.canOpenTerminal() || session.openTerminal());
    desktop.stub("x-terminal-emulator");
}
