#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include "platform/xdg/IconTheme.h"
#include "tests/platform/xdg/XdgTesting.h"

TEST(IconThemeTests, FindsTheBestFileInTheUsersThemeThenInWhatItInherits) {
    auto& desktop = xdg_testing::Desktop::shared();
    desktop.write("home/.icons/Mine/index.theme",
                  "[Icon Theme]\nName=Mine\nInherits=hicolor\nDirectories=32x32/apps,64x64/apps@2\n"
                  "[32x32/apps]\nSize=32\n[64x64/apps@2]\nSize=32\nScale=2\n");
    desktop.write("home/.icons/Mine/32x32/apps/own.svg", "<svg/>");
    desktop.write("home/.icons/Mine/64x64/apps/scaled.png", xdg_testing::png);
    auto hicolor = desktop.path("share/icons/hicolor/"),
         own = desktop.path("home/.icons/Mine/32x32/apps/own.svg");
    platform::xdg::IconTheme theme({"Mine"});
    const std::tuple<std::string, int, std::optional<std::string>> cases[] = {
        {"example-editor", 48, hicolor + "48x48/apps/example-editor.png"},
        {"example-editor", 20, hicolor + "16x16/apps/example-editor.png"},
        {"vector", 48, hicolor + "scalable/apps/vector.svg"},
        // The user's theme wins at any size within its threshold; scaled folders are not read.
        {"own", 30, own},
        {"own", 200, own},
        {"scaled", 32, std::nullopt},
        {"missing", 48, std::nullopt},
        {hicolor + "16x16/apps/example-editor.png", 48, hicolor + "16x16/apps/example-editor.png"},
        {hicolor + "nothing.png", 48, std::nullopt},
    };
    for (const auto& [name, size, path] : cases)
        EXPECT_EQ(theme.lookup(name, size), path) << name << " at " << size;
}

TEST(IconThemeTests, NumbersAtTheIntegerLimitsAreHeldToIconSizes) {
    // As a hostile theme's index.theme says them; they overflowed the distance of every lookup.
    const std::string index =
        "[Icon Theme]\nName=A\nInherits=cyc-b\nDirectories=48x48/apps,scalable/apps\n"
        "[48x48/apps]\nSize=48\nThreshold=2147483647\n"
        "[scalable/apps]\nSize=48\nType=Scalable\nMinSize=-2147483648\nMaxSize=-2147483648\n";
    auto& desktop = xdg_testing::Desktop::shared();
    desktop.write("home/.icons/cyc-a/index.theme", index);
    desktop.write("home/.icons/cyc-b/index.theme", "[Icon Theme]\nName=B\nInherits=cyc-a\nDirectories=\n");
    for (const char* folder : {"48x48/apps", "scalable/apps"})
        desktop.write("home/.icons/cyc-a/" + std::string(folder) + "/both.png", xdg_testing::png);
    platform::xdg::IconTheme theme({"cyc-a"});
    for (int size : {1, 48, 1 << 20, INT_MAX})
        EXPECT_EQ(theme.lookup("both", size), desktop.path("home/.icons/cyc-a/48x48/apps/both.png")) << size;
    EXPECT_EQ(platform::xdg::IconTheme::describe("[Icon Theme\nbroken"), std::nullopt);
}

TEST(IconThemeTests, TheUsersThemeIsTheDesktopsThenGtksThenKdesAndTheFallbacksFollowIt) {
    auto& desktop = xdg_testing::Desktop::shared();
    using Files = std::vector<std::pair<std::string, std::string>>;
    const std::tuple<std::optional<std::string>, Files, std::vector<std::string>> cases[] = {
        {"Announced",
         {{"config/gtk-3.0/settings.ini", "[Settings]\ngtk-icon-theme-name=Gtk3\n"}},
         {"Announced"}},
        {std::nullopt,
         {{"config/gtk-4.0/settings.ini", "[Settings]\ngtk-icon-theme-name = Gtk4\n"},
          {"config/gtk-3.0/settings.ini", "[Settings]\ngtk-icon-theme-name=Gtk3\n"}},
         {"Gtk4"}},
        {"",
         {{"config/gtk-3.0/settings.ini",
           "[Other]\ngtk-icon-theme-name=No\n[Settings]\ngtk-icon-theme-name=Gtk3\n"}},
         {"Gtk3"}},
        {std::nullopt,
         {{"home/.gtkrc-2.0", "gtk-icon-theme-name=\"Gtk2\"\n"},
          {"config/kdeglobals", "[Icons]\nTheme=breeze\n"}},
         {"Gtk2"}},
        // KDE's file holds lines GLib's key files refuse.
        {std::nullopt,
         {{"config/kdeglobals", "[General]\nodd line\nTheme[$e]=x\n[Icons]\nTheme=breeze\n"}},
         {"breeze"}},
        {std::nullopt, {}, {}},
    };
    for (const auto& [announced, files, themes] : cases) {
        for (const auto& [path, text] : files) desktop.write(path, text);
        EXPECT_EQ(platform::xdg::IconTheme::userThemes(announced), themes) << announced.value_or("none");
        for (const auto& [path, text] : files) std::filesystem::remove(desktop.path(path));
    }
    // Without the icon in the user's theme: Adwaita, then hicolor, then the pixmaps, XPM included.
    desktop.write("share/icons/Adwaita/index.theme",
                  "[Icon Theme]\nName=Adwaita\nDirectories=48x48/apps\n[48x48/apps]\nSize=48\n");
    desktop.write("share/icons/Adwaita/48x48/apps/system-thing.png", xdg_testing::png);
    desktop.write("share/icons/Adwaita/48x48/apps/example-editor.svg", "<svg/>");
    desktop.write("share/pixmaps/old-program.xpm", "/* XPM */\n");
    platform::xdg::IconTheme theme({"NotInstalled"});
    const std::pair<std::string, std::optional<std::string>> lookups[] = {
        {"system-thing", desktop.path("share/icons/Adwaita/48x48/apps/system-thing.png")},
        {"example-editor", desktop.path("share/icons/Adwaita/48x48/apps/example-editor.svg")},
        {"vector", desktop.path("share/icons/hicolor/scalable/apps/vector.svg")},
        {"old-program", desktop.path("share/pixmaps/old-program.xpm")},
        {"../pixmaps/old-program", std::nullopt},
    };
    for (const auto& [name, path] : lookups) EXPECT_EQ(theme.lookup(name, 48), path) << name;
    std::filesystem::remove_all(desktop.path("share/icons/Adwaita"));
}

TEST(IconThemeTests, IconsInstalledLaterAreFoundAfterARefresh) {
    auto& desktop = xdg_testing::Desktop::shared();
    platform::xdg::IconTheme theme({"hicolor"});
    const std::pair<const char*, std::string> later[] = {
        {"installed-later", "share/icons/hicolor/48x48/apps/installed-later.png"},
        {"pixmap-later", "share/pixmaps/pixmap-later.png"}};
    for (const auto& [name, file] : later) {
        EXPECT_EQ(theme.lookup(name, 48), std::nullopt);
        desktop.write(file, xdg_testing::png);
    }
    theme.refresh();
    for (const auto& [name, file] : later) {
        EXPECT_EQ(theme.lookup(name, 48), desktop.path(file));
        std::filesystem::remove(desktop.path(file));
    }
}
