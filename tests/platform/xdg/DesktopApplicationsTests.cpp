#include <gtest/gtest.h>

#include <filesystem>

#include "platform/xdg/DesktopApplications.h"
#include "tests/platform/xdg/XdgTesting.h"

using platform::xdg::DesktopApplications;
using xdg_testing::Desktop;

// The property list's values, "?" for one that is no text.
static std::map<std::string, std::string> infoOf(const std::string& bundle) {
    auto xml = test_support::readWholeFile(bundle + "/Contents/Info.plist");
    std::map<std::string, std::string> values;
    for (auto at = xml.find("<key>"); at != std::string::npos; at = xml.find("<key>", at + 1)) {
        auto end = xml.find("</key>", at), value = xml.find('<', end + 6);
        values[xml.substr(at + 5, end - at - 5)] =
            xml.compare(value, 8, "<string>") ? "?"
                                              : xml.substr(value + 8, xml.find('<', value + 8) - value - 8);
    }
    return values;
}

static std::vector<std::string> bundles(const std::string& root) {
    std::vector<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(root + "/Applications"))
        names.push_back(item.path().filename().string());
    std::ranges::sort(names);
    return names;
}

TEST(DesktopApplicationsTests, VisibleEntriesBecomeBundlesThatFollowChanges) {
    auto& desktop = Desktop::shared();
    std::filesystem::remove_all(desktop.path("cache/velmora"));  // from an earlier run of the test
    DesktopApplications applications(desktop.path("cache/velmora"));
    EXPECT_TRUE(applications.update());
    // Hidden (even when only the user's copy is), no-display, other-desktop and TryExec-less
    // entries are left out.
    EXPECT_EQ(
        bundles(applications.root()),
        (std::vector<std::string>{"browser.app", "console-tool.app", "files.app", "org.example.Editor.app"}));
    auto editor = applications.root() + "/Applications/org.example.Editor.app";
    EXPECT_EQ(infoOf(editor),
              (std::map<std::string, std::string>{{"CFBundleName", "Bearbeiter"},
                                                  {"CFBundleIdentifier", "org.example.Editor"},
                                                  {"CFBundleExecutable", "editor-bin"},
                                                  {"CFBundleIconFile", "AppIcon"},
                                                  {"StartupWMClass", "ExampleEdit"}}));
    EXPECT_EQ(test_support::readWholeFile(editor + "/Contents/Resources/AppIcon.png"), xdg_testing::png);
    EXPECT_TRUE(applications.bundleIcon("/Applications/org.example.Editor.app/") &&
                !applications.bundleIcon("/Applications/browser.app"));
    EXPECT_EQ(applications.entryForBundle("/Applications/files.app/")->name, "Files");
    EXPECT_FALSE(applications.update());
    // Whatever else was in the folder goes with the next change, which the watch makes.
    desktop.write("cache/velmora/Applications/stale.app/Contents/Info.plist", "");
    applications.startWatching();
    auto lateEntry = desktop.entry("late", "Name=Late\nExec=editor-bin\n", true);
    auto late = applications.root() + "/Applications/late.app";
    EXPECT_TRUE(test_support::waitUntil([&] { return std::filesystem::exists(late); }));
    applications.stopWatching();
    EXPECT_EQ(bundles(applications.root()).size(), 5u) << "the stale bundle is gone";
    EXPECT_EQ(infoOf(late)["CFBundleName"], "Late");
    std::filesystem::remove(lateEntry);
    EXPECT_TRUE(applications.update());
    EXPECT_FALSE(std::filesystem::exists(late) || applications.entryForBundle("/Applications/late.app"));
}

TEST(DesktopApplicationsTests, WindowsMatchTheirEntryByClassThenIdThenCommand) {
    auto& desktop = Desktop::shared();
    auto classy = desktop.entry("classy", "Name=Classy\nExec=browser-stub\nStartupWMClass=browser\n");
    DesktopApplications applications(desktop.path("cache/matching"));
    applications.update();
    std::filesystem::remove(classy);
    const std::tuple<std::string, std::string, std::string, std::optional<std::string>> cases[] = {
        {"ExampleEdit", "exampleedit", "/usr/bin/python3", "org.example.Editor"},
        {"Other", "EXAMPLEEDIT", "", "org.example.Editor"},
        {"Browser", "browser", "", "classy"},  // the window class beats an id of the same name
        {"Files", "files", "/usr/bin/other", "files"},
        {"Unknown", "unknown", "/opt/editor/editor-bin", "org.example.Editor"},
        {"Unknown", "unknown", "/usr/bin/unknown", std::nullopt},
        {"", "", "", std::nullopt},
    };
    for (const auto& [wmClass, wmInstance, executable, id] : cases) {
        auto match = applications.match(wmClass, wmInstance, executable);
        EXPECT_EQ(match ? match->bundlePath : "none", id ? "/Applications/" + *id + ".app" : "none")
            << wmClass << "/" << wmInstance << "/" << executable;
    }
}
