#include <gtest/gtest.h>

#include "platform/xdg/IconTheme.h"
#include "tests/platform/xdg/XdgTesting.h"

namespace platform::xdg {
namespace {

TEST(IconThemeTests, FindsTheBestFileInTheUsersThemeThenInWhatItInherits) {
    auto& desktop = xdg_testing::Desktop::shared();
    desktop.write("home/.icons/Mine/index.theme",
                  "[Icon Theme]\nName=Mine\nInherits=hicolor\nDirectories=32x32/apps,64x64/apps@2\n"
                  "[32x32/apps]\nSize=32\n[64x64/apps@2]\nSize=32\nScale=2\n");
    desktop.write("home/.icons/Mine/32x32/apps/own.svg", "<svg/>");
    desktop.write("home/.icons/Mine/64x64/apps/scaled.png", xdg_testing::png);
    auto hicolor = desktop.path("share/icons/hicolor/");
    IconTheme theme({"Mine"});
    struct Case {
        std::string name;
        int size;
        std::optional<std::string> path;
    };
    const Case cases[] = {
        {"example-editor", 48, hicolor + "48x48/apps/example-editor.png"},
        {"example-editor", 20, hicolor + "16x16/apps/example-editor.png"},
        {"vector", 48, hicolor + "scalable/apps/vector.svg"},
        // The user's theme wins at any size within its threshold; scaled folders are not read.
        {"own", 30, desktop.path("home/.icons/Mine/32x32/apps/own.svg")},
        {"own", 200, desktop.path("home/.icons/Mine/32x32/apps/own.svg")},
        {"scaled", 32, std::nullopt},
        {"missing", 48, std::nullopt},
        {hicolor + "16x16/apps/example-editor.png", 48, hicolor + "16x16/apps/example-editor.png"},
        {hicolor + "nothing.png", 48, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(theme.lookup(c.name, c.size), c.path) << c.name << " at " << c.size;
}

}  // namespace
}  // namespace platform::xdg
