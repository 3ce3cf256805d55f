#include <gtest/gtest.h>

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
