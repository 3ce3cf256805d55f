#include <glib.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/xdg/AutostartLoginItem.h"
#include "tests/platform/xdg/XdgTesting.h"

using namespace platform;
using platform::xdg::AutostartLoginItem;

TEST(AutostartLoginItemTests, RegisteringWritesAnEntryThatRunsTheProgramAndUnregisteringRemovesIt) {
    auto& desktop = xdg_testing::Desktop::shared();
    // Even a path full of what a shell would expand comes back as itself.
    const std::string program = "/home/a user/odd \"$dir\"\\/`x`/velmora";
    AutostartLoginItem item(program);
    EXPECT_EQ(item.status(), LoginItemStatus::notRegistered);
    EXPECT_EQ(item.registerMainApp(), std::nullopt);
    EXPECT_EQ(AutostartLoginItem::entryPath(), desktop.path("config/autostart/velmora.desktop"));
    EXPECT_EQ(item.status(), LoginItemStatus::enabled);
    // The session reads the command back as the very path.
    g_autoptr(GKeyFile) file = g_key_file_new();
    g_key_file_load_from_file(file, AutostartLoginItem::entryPath().c_str(), G_KEY_FILE_NONE, nullptr);
    g_autofree gchar* exec = g_key_file_get_string(file, "Desktop Entry", "Exec", nullptr);
    g_auto(GStrv) argv = nullptr;
    g_shell_parse_argv(exec, nullptr, &argv, nullptr);
    EXPECT_EQ(argv && argv[0] && !argv[1] ? argv[0] : "", program);
    EXPECT_EQ(item.unregisterMainApp(), std::nullopt);
    EXPECT_FALSE(std::filesystem::exists(AutostartLoginItem::entryPath()));
    EXPECT_EQ(item.status(), LoginItemStatus::notRegistered);
    EXPECT_EQ(item.unregisterMainApp(), std::nullopt);
    EXPECT_NE(AutostartLoginItem("velmora").registerMainApp(), std::nullopt) << "a relative path";
    EXPECT_TRUE(AutostartLoginItem::runningProgramPath().ends_with("platform_xdg_tests"));
}
