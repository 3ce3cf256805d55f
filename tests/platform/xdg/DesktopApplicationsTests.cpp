#include <gtest/gtest.h>
#include <plist/plist.h>

#include <filesystem>

#include "platform/xdg/DesktopApplications.h"
#include "tests/platform/xdg/XdgTesting.h"

using platform::xdg::DesktopApplications;
using xdg_testing::Desktop;

namespace {

// The property list's text values; none when it holds anything else.
std::map<std::string, std::string> infoOf(const std::string& bundle) {
    auto xml = test_support::readWholeFile(bundle + "/Contents/Info.plist");
    plist_t dict = nullptr;
    plist_from_xml(xml.data(), static_cast<uint32_t>(xml.size()), &dict);
    std::map<std::string, std::string> values;
    for (const char* key :
         {"CFBundleName", "CFBundleIdentifier", "CFBundleExecutable", "CFBundleIconFile", "StartupWMClass"})
        if (plist_t item = plist_dict_get_item(dict, key)) values[key] = plist_get_string_ptr(item, nullptr);
    if (plist_dict_get_size(dict) != values.size()) values.clear();
    plist_free(dict);
    return values;
}

std::vector<std::string> bundles(const std::string& root) {
    std::vector<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(root + "/Applications"))
        names.push_back(item.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

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
    EXPECT_TRUE(applications.bundleIcon("/Applications/org.example.Editor.app/"));
    EXPECT_FALSE(applications.bundleIcon("/Applications/browser.app"));
    EXPECT_EQ(applications.entryForBundle("/Applications/files.app/")->name, "Files");
    EXPECT_FALSE(applications.update());

    // Whatever else was in the folder goes with the next change, which the watch makes.
    desktop.write("cache/velmora/Applications/stale.app/Contents/Info.plist", "");
    applications.startWatching();
    desktop.entry(desktop.dataHome(), "late", "Name=Late\nExec=editor-bin\n");
    auto late = applications.root() + "/Applications/late.app";
    for (int i = 0; i < 1000 && !std::filesystem::exists(late); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    applications.stopWatching();
    EXPECT_EQ(bundles(applications.root()).size(), 5u);
    EXPECT_EQ(infoOf(late).at("CFBundleName"), "Late");
    std::filesystem::remove(desktop.dataHome() + "/late.desktop");
    EXPECT_TRUE(applications.update());
    EXPECT_EQ(bundles(applications.root()).size(), 4u);
    EXPECT_FALSE(applications.entryForBundle("/Applications/late.app"));
}

TEST(DesktopApplicationsTests, WindowsMatchTheirEntryByClassThenIdThenCommand) {
    auto& desktop = Desktop::shared();
    desktop.entry(desktop.dataDir(), "classy", "Name=Classy\nExec=browser-stub\nStartupWMClass=browser\n");
    DesktopApplications applications(desktop.path("cache/matching"));
    applications.update();
    std::filesystem::remove(desktop.dataDir() + "/classy.desktop");
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
