#include <glib.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/xdg/AutostartLoginItem.h"
#include "tests/platform/xdg/XdgTesting.h"

namespace platform::xdg {
namespace {

TEST(AutostartLoginItemTests, RegisteringWritesAnEntryThatRunsTheProgramAndUnregisteringRemovesIt) {
    auto& desktop = xdg_testing::Desktop::shared();
    const std::string programs[] = {"/opt/velmora/bin/velmora", "/home/a user/odd \"$dir\"\\/`x`/velmora"};
    for (const auto& program : programs) {
        SCOPED_TRACE(program);
        AutostartLoginItem item(program);
        EXPECT_EQ(item.status(), LoginItemStatus::notRegistered);
        EXPECT_EQ(item.registerMainApp(), std::nullopt);
        EXPECT_EQ(AutostartLoginItem::entryPath(), desktop.path("config/autostart/velmora.desktop"));
        EXPECT_EQ(item.status(), LoginItemStatus::enabled);
        // The session reads the command back as the very path.
        GKeyFile* file = g_key_file_new();
        g_key_file_load_from_file(file, AutostartLoginItem::entryPath().c_str(), G_KEY_FILE_NONE, nullptr);
        gchar* exec = g_key_file_get_string(file, "Desktop Entry", "Exec", nullptr);
        gchar** argv = nullptr;
        g_shell_parse_argv(exec, nullptr, &argv, nullptr);
        EXPECT_EQ(argv && argv[0] && !argv[1] ? argv[0] : "", program);
        g_strfreev(argv);
        g_free(exec);
        g_key_file_free(file);
        EXPECT_EQ(item.unregisterMainApp(), std::nullopt);
        EXPECT_FALSE(std::filesystem::exists(AutostartLoginItem::entryPath()));
        EXPECT_EQ(item.status(), LoginItemStatus::notRegistered);
        EXPECT_EQ(item.unregisterMainApp(), std::nullopt);
    }
    EXPECT_NE(AutostartLoginItem("velmora").registerMainApp(), std::nullopt);
    EXPECT_TRUE(AutostartLoginItem::runningProgramPath().ends_with("platform_xdg_tests"));
}

}  // namespace
}  // namespace platform::xdg
