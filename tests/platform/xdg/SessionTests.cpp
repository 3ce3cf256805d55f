#include <gtest/gtest.h>

#include <filesystem>

#include "platform/xdg/Session.h"
#include "tests/platform/xdg/XdgTesting.h"

using platform::xdg::Session;

TEST(SessionTests, PowerAndTerminalReachTheirCommands) {
    auto& desktop = xdg_testing::Desktop::shared();
    Session session;
    EXPECT_TRUE(session.suspend() && session.reboot() && session.powerOff() && session.openTerminal());
    for (const char* line :
         {"systemctl suspend", "systemctl reboot", "systemctl poweroff", "x-terminal-emulator "})
        EXPECT_TRUE(desktop.waitForCall(line)) << line;
    EXPECT_TRUE(session.canOpenTerminal());
    std::filesystem::remove(desktop.path("bin/x-terminal-emulator"));
    EXPECT_FALSE(session.canOpenTerminal() || session.openTerminal());
    desktop.stub("x-terminal-emulator");
}
