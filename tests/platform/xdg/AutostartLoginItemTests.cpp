#include <gio/gdesktopappinfo.h>
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

TEST(AutostartLoginItemTests, ReservedCharactersAreEscapedSoTheEntryLaunchesTheVeryPath) {
    auto& desktop = xdg_testing::Desktop::shared();
    test_support::TemporaryFolder folder;
    // A newline made the rest of the path a second Exec line; a percent sign is a field code.
    // The last one is the reproducer's path: a shell command, quotes, a field code and a second line.
    for (const std::string name :
         {"50% off", "tab\there", "a b;$(touch $HOME/PWNED)`id`%f\"'\\/x\nExec=/opt"}) {
        std::filesystem::create_directories(folder / name);
        auto program = folder / name + "/velmora";
        auto marker = folder / "ran";
        std::filesystem::remove(marker);
        test_support::writeFile(program, "#!/bin/sh\nprintf %s \"$0\" > '" + marker + "'\n");
        std::filesystem::permissions(program, std::filesystem::perms::owner_all);
        ASSERT_EQ(AutostartLoginItem(program).registerMainApp(), std::nullopt);
        g_autoptr(GKeyFile) file = g_key_file_new();
        ASSERT_TRUE(g_key_file_load_from_file(file, AutostartLoginItem::entryPath().c_str(), G_KEY_FILE_NONE,
                                              nullptr));
        gsize keys = 0;
        g_strfreev(g_key_file_get_keys(file, "Desktop Entry", &keys, nullptr));
        EXPECT_EQ(keys, 4u) << "no key but the four written";
        // The session reads it back and runs the program itself.
        g_autoptr(GDesktopAppInfo) info =
            g_desktop_app_info_new_from_filename(AutostartLoginItem::entryPath().c_str());
        ASSERT_TRUE(info) << name;
        ASSERT_TRUE(g_app_info_launch(G_APP_INFO(info), nullptr, nullptr, nullptr));
        EXPECT_TRUE(test_support::waitUntil([&] { return test_support::readWholeFile(marker) == program; }))
            << test_support::readWholeFile(marker);
    }
    EXPECT_FALSE(std::filesystem::exists(desktop.path("home/PWNED")));
    for (const std::string program : {"/opt/\xff/velmora", "/opt/bell\a/velmora"}) {
        auto refusal = AutostartLoginItem(program).registerMainApp();
        EXPECT_TRUE(refusal && refusal->find("cannot hold") != std::string::npos) << refusal.value_or("none");
    }
    EXPECT_EQ(AutostartLoginItem("/x").unregisterMainApp(), std::nullopt);
}

TEST(AutostartLoginItemTests, ALinkAtTheEntrysPathIsReplacedNeverWrittenThrough) {
    auto& desktop = xdg_testing::Desktop::shared();
    const auto path = AutostartLoginItem::entryPath();
    std::filesystem::create_directories(desktop.path("config/autostart"));
    desktop.write("victim", "the user's own file\n");
    for (const auto& target : {desktop.path("victim"), desktop.path("created-by-us")}) {
        std::filesystem::remove(path);
        std::filesystem::create_symlink(target, path);
        testing::internal::CaptureStderr();
        EXPECT_EQ(AutostartLoginItem("/usr/bin/velmora").registerMainApp(), std::nullopt);
        EXPECT_NE(testing::internal::GetCapturedStderr().find("symbolic link"), std::string::npos);
        EXPECT_FALSE(std::filesystem::is_symlink(path));
        EXPECT_NE(test_support::readWholeFile(path).find("Exec=/usr/bin/velmora\n"), std::string::npos);
    }
    EXPECT_EQ(test_support::readWholeFile(desktop.path("victim")), "the user's own file\n");
    EXPECT_FALSE(std::filesystem::exists(desktop.path("created-by-us")));
    EXPECT_EQ(AutostartLoginItem("/x").unregisterMainApp(), std::nullopt);
}
