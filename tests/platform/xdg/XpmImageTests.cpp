#include <gtest/gtest.h>

#include <filesystem>

#include "platform/xdg/DesktopApplications.h"
#include "platform/xdg/XpmImage.h"
#include "tests/platform/xdg/XdgTesting.h"

using platform::xdg::svgFromXpm;

static const std::string tiny =
    "/* XPM */\nstatic char *tiny[] = {\n\"3 2 3 1\",\n\". c None\",\n\"# c #FF0000 m black\",\n"
    "\"o c blue\",\n\"##.\",\n\"oo#\"};\n";

TEST(XpmImageTests, PixelsBecomeRunsOfRectanglesAndWhatIsNoPictureIsRefused) {
    EXPECT_EQ(svgFromXpm(tiny),
              "<svg xmlns='http://www.w3.org/2000/svg' width='3' height='2' viewBox='0 0 3 2' "
              "shape-rendering='crispEdges'><rect x='0' y='0' width='2' height='1' fill='#ff0000'/>"
              "<rect x='0' y='1' width='2' height='1' fill='#0000ff'/>"
              "<rect x='2' y='1' width='1' height='1' fill='#ff0000'/></svg>");
    const std::string refused[] = {
        "",
        "\"3 2 3 1\"",
        "/* XPM */ \"3 2 1 1\" \". c None\" \"...\"",  // a row too few
        "/* XPM */ \"1 1 1 1\" \". c None\" \"x\"",    // a pixel of no colour
        "/* XPM */ \"100000 1 1 1\" \". c None\"",
        "/* XPM */ \"1 1 1 9\" \". c None\" \".\"",
        "/* XPM */ \"-1 1 1 1\"",
        "/* XPM */ \"1 1 99999999 1\"",
    };
    for (const auto& xpm : refused) EXPECT_EQ(svgFromXpm(xpm), std::nullopt) << xpm;
}

TEST(XpmImageTests, AnEntrysXpmIconFromThePixmapsFolderIsDrawnAsItsSvgCopy) {
    auto& desktop = xdg_testing::Desktop::shared();
    desktop.write("share/pixmaps/tiny-program.xpm", tiny);
    auto entry = desktop.entry("tiny-program", "Name=Tiny\nExec=editor-bin\nIcon=tiny-program\n", true);
    platform::xdg::DesktopApplications applications(desktop.path("cache/xpm"));
    applications.update();
    EXPECT_FALSE(applications.update()) << "the copy is the same the next time";
    std::filesystem::remove(entry);
    auto icon = applications.bundleIcon("/Applications/tiny-program.app");
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->format(), platform::Image::Format::svg);
    EXPECT_EQ(icon->data(), *svgFromXpm(tiny));
}
