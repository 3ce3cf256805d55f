#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/foundation/FileManager.h"
#include "tests/support/FreshDefaults.h"
#include "tests/support/SimulatedDesktopTesting.h"
#include "tests/support/TemporaryFolder.h"

using platform::FileManager;
using platform::UserDefaults;
using platform::sim::SimulatedDesktop;
using test_support::loadDesktop;
using test_support::readWholeFile;
using test_support::writeFile;

TEST(DesktopScenarios, TheDemoAndTheTwoScreenDesktopLoadWithRealBundlesAndSmallIcons) {
    test_support::FreshDefaults defaults;
    for (const auto& path : {platform::sim::demoScenarioPath(),
                             platform::sim::resourcesDirectory() + "/desktop/two-screens.json"}) {
        std::string error;
        auto desktop = SimulatedDesktop::load(path, {}, &error);
        ASSERT_TRUE(desktop) << error;
        auto state = desktop->state();
        for (auto serial : state->running) {
            const auto* app = state->application(serial);
            if (app->iconPath) {
                EXPECT_TRUE(platform::Image::contentsOfFile(*app->iconPath)) << *app->iconPath;
                EXPECT_LE(std::filesystem::file_size(*app->iconPath), 8u * 1024) << *app->iconPath;
            }
            EXPECT_TRUE(!app->bundlePath ||
                        FileManager::shared()->fileExists(*app->bundlePath + "/Contents/Info.plist"));
        }
    }
}

TEST(DesktopScenarios, InitialDefaultsNeverReplaceWhatTheUserStored) {
    test_support::FreshDefaults defaults;
    UserDefaults::standard()->setData("pinned", "[]");
    loadDesktop(R"({"defaults": {"pinned": ["file:///Applications/A.app/"], "ThemeKey": 0}})");
    EXPECT_EQ(UserDefaults::standard()->dataForKey("pinned"), "[]");
    EXPECT_EQ(UserDefaults::standard()->dataForKey("ThemeKey"), "0");
}

TEST(DesktopScenarios, FormatErrorsNameThePlace) {
    // Deep nesting once overflowed the stack, of the loader and of the bundle writer.
    std::string deep = R"({"applications": [{"name": "A", "info": {"x": )";
    for (int level = 0; level < 100'000; ++level) deep += "{\"x\": ";
    for (const auto& [json, error] : std::vector<std::pair<std::string, std::string>>{
             {"{", "not valid JSON"},
             {R"({"aplications": []})", "aplications: unknown key"},
             {R"({"applications": [{"name": "A", "windows": [{"frame": [1, 2, 3]}]}]})",
              "applications[0].windows[0].frame: expected [x, y, width, height]"},
             {R"({"applications": [{"name": "A", "bundle": "/Users/me/A.app"}]})",
              "applications[0].bundle: a bundle must lie below /Applications, /System or /Library"},
             {R"({"installed": [{"name": "A", "bundle": null}]})",
              "installed[0]: an installed application needs a bundle"},
             {R"({"applications": [{"pid": 0}]})", "applications[0].pid: out of range"},
             {deep, "nests too deeply"}}) {
        auto result = platform::sim::Scenario::parse(json, "/tmp");
        EXPECT_EQ(std::get_if<std::string>(&result) ? *std::get_if<std::string>(&result) : "no error", error);
    }
    std::string error;
    const std::string reproducer = VELMORA_CORPUS_DIR "/scenario/scenario-deep-info-5k.json";
    EXPECT_FALSE(SimulatedDesktop::load(reproducer, {}, &error));
    EXPECT_EQ(error, reproducer + ": nests too deeply");
    EXPECT_FALSE(SimulatedDesktop::load("/nonexistent/desktop.json", {}, &error));
    EXPECT_EQ(error, "cannot read /nonexistent/desktop.json");
}

TEST(DesktopScenarios, BundlesAreFoldersBelowTheDesktopsRootAndSpecialFilesAreNeverReadAsIconsOrScenarios) {
    test_support::TemporaryFolder folder;
    ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", folder / "zero");
    std::string root, error;
    {
        auto desktop = loadDesktop(R"({"applications": [
            {"name": "Editor", "bundleIdentifier": "com.example.editor", "bundle": "/Applications/Tools/Editor.app",
             "icon": "icons/notes.png", "info": {"CFBundleName": "", "LSMinimumSystemVersion": "13.0"}},
            {"name": "Bare", "bundle": "/Applications/Bare.app", "icon": null, "info": {"CFBundleName": null}},
            {"name": "NoBundle", "bundle": null}, {"name": "Piped", "icon": ")" +
                                   (folder / "fifo") + R"("}, {"name": "Zero", "icon": ")" +
                                   (folder / "zero") + R"("}]})");
        root = desktop->rootFolder();
        auto exists = [&](const std::string& path) {
            return std::filesystem::exists(root + "/Applications/" + path);
        };
        EXPECT_EQ(FileManager::shared()->resolvedPath("/Applications/Tools"), root + "/Applications/Tools");
        EXPECT_TRUE(exists("Tools/Editor.app/Contents/Resources/AppIcon.png"));
        for (auto* absent :
             {"Bare.app/Contents/Resources/AppIcon.png", "NoBundle.app",
              "Piped.app/Contents/Resources/AppIcon.png", "Zero.app/Contents/Resources/AppIcon.png"})
            EXPECT_FALSE(exists(absent)) << absent;
        auto plist = readWholeFile(root + "/Applications/Tools/Editor.app/Contents/Info.plist");
        for (auto* entry : {"<key>CFBundleIdentifier</key>\n\t<string>com.example.editor</string>",
                            "<key>CFBundleName</key>\n\t<string></string>",
                            "<key>CFBundleExecutable</key>\n\t<string>Editor</string>",
                            "<key>LSMinimumSystemVersion</key>"})
            EXPECT_NE(plist.find(entry), std::string::npos) << entry;
        auto bare = readWholeFile(root + "/Applications/Bare.app/Contents/Info.plist");
        EXPECT_EQ(bare.find("CFBundleName"), std::string::npos);
        EXPECT_EQ(bare.find("CFBundleIconFile"), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(root));
    EXPECT_NE(FileManager::systemRoot(), root);
    EXPECT_FALSE(SimulatedDesktop::load(folder / "fifo", {}, &error));
    EXPECT_EQ(error, "cannot read " + (folder / "fifo") + ": not a regular file");
}

TEST(DesktopScenarios, AnUnreadableScenarioGivesADesktopThatStillFollowsTheFile) {
    test_support::TemporaryFolder folder;
    auto path = folder / "desktop.json";
    auto loadDefault = [&](const std::string& json) {
        writeFile(path, json);
        ::setenv("VELMORA_DESKTOP", path.c_str(), 1);
        testing::internal::CaptureStdout();
        auto desktop = SimulatedDesktop::loadDefault();
        ::unsetenv("VELMORA_DESKTOP");
        return std::pair(desktop, testing::internal::GetCapturedStdout());
    };
    // A key is outside text: it can neither start a line of its own nor reach the terminal.
    auto [other, printed] = loadDefault(R"({"applications": [{"name\nFAKE: line \u001b[2J": 1}]})");
    EXPECT_EQ(printed,
              "Desktop scenario: " + path + ": applications[0].name\\nFAKE: line \\x1b[2J: unknown key\n");
    auto [desktop, said] = loadDefault(R"({"applications": [)");
    EXPECT_EQ(said, "Desktop scenario: " + path + ": not valid JSON\n");
    platform::ScopedSystem installed(desktop);
    EXPECT_EQ(platform::Workspace::shared()->runningApplications().size(), 2u);  // the Dock and the program
    writeFile(path, R"({"applications": [{"name": "Notes", "bundleIdentifier": "com.apple.Notes"}]})");
    EXPECT_EQ(desktop->reload(), std::nullopt);
    EXPECT_EQ(platform::Workspace::shared()->runningApplications().at(2)->localizedName(), "Notes");
}
