#include <gtest/gtest.h>

#include <filesystem>

#include "platform/xdg/Session.h"
#include "tests/platform/xdg/XdgTesting.h"

namespace platform::xdg {
namespace {

TEST(SessionTests, PowerAndTerminalReachTheirCommands) {
    auto& desktop = xdg_testing::Desktop::shared();
    desktop.clearCalls();
    Session session;
    EXPECT_TRUE(session.suspend());
    EXPECT_TRUE(desktop.waitForCall("systemctl suspend"));
    EXPECT_TRUE(session.reboot());
    EXPECT_TRUE(desktop.waitForCall("systemctl reboot"));
    EXPECT_TRUE(session.powerOff());
    EXPECT_TRUE(desktop.waitForCall("systemctl poweroff"));
    EXPECT_TRUE(session.canOpenTerminal());
    EXPECT_TRUE(session.openTerminal());
    EXPECT_TRUE(desktop.waitForCall("x-terminal-emulator "));

    std::filesystem::rename(desktop.path("bin/x-terminal-emulator"), desktop.path("terminal"));
    EXPECT_FALSE(session.canOpenTerminal());
    EXPECT_FALSE(session.openTerminal());
    std::filesystem::rename(desktop.path("terminal"), desktop.path("bin/x-terminal-emulator"));
}

}  // namespace
}  // namespace platform::xdg
