#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/foundation/FileManager.h"
#include "tests/support/FreshDefaults.h"
#include "tests/support/SimulatedDesktopTesting.h"
#include "tests/support/TemporaryFolder.h"

using namespace platform;
using namespace platform::sim;
using namespace test_support;

TEST(DesktopScenarios, InitialDefaultsNeverReplaceWhatTheUserStoredAndTheShippedDesktopsLoad) {
    FreshDefaults defaults;
    UserDefaults::standard()->setData("pinned", "[]");
    loadDesktop(R"({"defaults": {"pinned": ["file:///Applications/A.app/"], "ThemeKey": 0}})");
    EXPECT_EQ(UserDefaults::standard()->dataForKey("pinned"), "[]");
    EXPECT_EQ(UserDefaults::standard()->dataForKey("ThemeKey"), "0");
    for (const auto& path : {demoScenarioPath(), resourcesDirectory() + "/desktop/two-screens.json"}) {
        std::string error;
        EXPECT_TRUE(SimulatedDesktop::load(path, {}, &error)) << error;
    }
}

TEST(DesktopScenarios, FormatErrorsNameThePlace) {
    for (const auto& [json, error] : std::vector<std::pair<std::string, std::string>>{
             {"{", "not valid JSON"},
             {R"({"aplications": []})", "aplications: unknown key"},
             {R"({"applications": [{"name": "A", "windows": [{"frame": [1, 2, 3]}]}]})",
              "applications[0].windows[0].frame: expected [x, y, width, height]"},
             {R"({"applications": [{"name": "A", "bundle": "/Users/me/A.app"}]})",
              "applications[0].bundle: a bundle must lie below /Applications, /System or /Library"},
             {R"({"installed": [{"name": "A", "bundle": null}]})",
              "installed[0]: an installed application needs a bundle"},
             {R"({"applications": [{"pid": 0}]})", "applications[0].pid: out of range"}}) {
        auto result = platform::sim::Scenario::parse(json, "/tmp");
        EXPECT_EQ(std::get_if<std::string>(&result) ? *std::get_if<std::string>(&result) : "no error", error);
    }
    // Deep nesting once overflowed the stack, of the loader and of the bundle writer.
    std::string error;
    const std::string reproducer = VELMORA_CORPUS_DIR "/scenario/scenario-deep-info-5k.json";
    EXPECT_FALSE(SimulatedDesktop::load(reproducer, {}, &error));
    EXPECT_EQ(error, reproducer + ": nests too deeply");
}

TEST(DesktopScenarios, BundlesAreFoldersBelowTheDesktopsRootAndSpecialFilesAreNeverReadAsIconsOrScenarios) {
    TemporaryFolder folder;
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
        EXPECT_EQ(FileManager::shared()->resolvedPath("/Applications/Tools"), root + "/Applications/Tools");
        for (auto* bundle : {"Tools/Editor", "Bare", "NoBundle", "Piped", "Zero"})
            EXPECT_EQ(std::filesystem::exists(root + "/Applications/" + bundle +
                                              ".app/Contents/Resources/AppIcon.png"),
                      bundle == std::string("Tools/Editor"))
                << bundle;
        auto plist = readWholeFile(root + "/Applications/Tools/Editor.app/Contents/Info.plist");
        for (auto* entry :
             {"<key>CFBundleIdentifier</key>\n\t<string>com.example.editor</string>",
              "<key>CFBundleName</key>\n\t<string></string>", "<key>LSMinimumSystemVersion</key>"})
            EXPECT_NE(plist.find(entry), std::string::npos) << entry;
        auto bare = readWholeFile(root + "/Applications/Bare.app/Contents/Info.plist");
        EXPECT_TRUE(bare.find("CFBundleName") == bare.find("CFBundleIconFile")) << "neither is there";
    }
    EXPECT_FALSE(std::filesystem::exists(root));
    EXPECT_NE(FileManager::systemRoot(), root);
    EXPECT_FALSE(SimulatedDesktop::load(folder / "fifo", {}, &error));
    EXPECT_EQ(error, "cannot read " + (folder / "fifo") + ": not a regular file");
}

TEST(DesktopScenarios, AnUnreadableScenarioGivesADesktopThatStillFollowsTheFile) {
    TemporaryFolder folder;
    auto path = folder / "desktop.json";
    // A key is outside text: it can neither start a line of its own nor reach the terminal.
    writeFile(path, R"({"applications": [{"name\nFAKE: line \u001b[2J": 1}]})");
    ::setenv("VELMORA_DESKTOP", path.c_str(), 1);
    ::testing::internal::CaptureStdout();
    auto desktop = SimulatedDesktop::loadDefault();
    ::unsetenv("VELMORA_DESKTOP");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "Desktop scenario: " + path + ": applications[0].name\\nFAKE: line \\x1b[2J: unknown key\n");
    ScopedSystem installed(desktop);
    EXPECT_EQ(Workspace::shared()->runningApplications().size(), 2u);  // the Dock and the program
    writeFile(path, R"({"applications": [{"name": "Notes", "bundleIdentifier": "com.apple.Notes"}]})");
    EXPECT_EQ(desktop->reload(), std::nullopt);
    EXPECT_EQ(Workspace::shared()->runningApplications().at(2)->localizedName(), "Notes");
}
