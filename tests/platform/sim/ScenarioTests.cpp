#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "platform/foundation/FileManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/system/Image.h"
#include "platform/system/Screen.h"
#include "platform/system/Workspace.h"
#include "tests/platform/sim/DesktopTesting.h"

using namespace sim_tests;
using platform::FileManager;
using platform::URL;
using platform::sim::Scenario;

namespace {

// The standard defaults in a file of the test's own, put back afterwards.
class ScopedDefaults {
public:
    ScopedDefaults() {
        platform::UserDefaults::setStandard(std::make_shared<platform::UserDefaults>(folder_ / "d.json"));
    }
    ~ScopedDefaults() { platform::UserDefaults::setStandard(nullptr); }

private:
    TemporaryFolder folder_;
};

std::string twoScreensPath() { return platform::sim::resourcesDirectory() + "/desktop/two-screens.json"; }

}  // namespace

TEST(DesktopScenarios, TheDemoAndTheTwoScreenDesktopLoadWithRealBundlesAndIcons) {
    ScopedDefaults defaults;
    for (const auto& path : {platform::sim::demoScenarioPath(), twoScreensPath()}) {
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
            if (app->bundlePath) {
                EXPECT_TRUE(FileManager::shared()->fileExists(*app->bundlePath + "/Contents/Info.plist"))
                    << *app->bundlePath;
            }
        }
    }
}

TEST(DesktopScenarios, TheDemoHasTenApplicationsWindowsABadgeAndAPinnedOne) {
    ScopedDefaults defaults;
    std::string error;
    auto desktop = SimulatedDesktop::load(platform::sim::demoScenarioPath(), {}, &error);
    ASSERT_TRUE(desktop) << error;
    auto state = desktop->state();

    int regular = 0;
    int withSeveralWindows = 0;
    for (auto serial : state->running) {
        const auto* app = state->application(serial);
        if (app->policy != platform::ActivationPolicy::regular || serial == state->currentSerial) continue;
        ++regular;
        EXPECT_TRUE(app->iconPath);
        if (app->windows.size() >= 2) ++withSeveralWindows;
    }
    std::vector<std::string> bundles;
    for (const auto* folder : {"/Applications/", "/System/Applications/"}) {
        auto listing = FileManager::shared()->contentsOfDirectory(*URL::fromString(folder));
        ASSERT_TRUE(listing);
        for (const auto& item : *listing)
            if (item.lastPathComponent().ends_with(".app")) bundles.push_back(item.lastPathComponent());
    }
    EXPECT_EQ(regular + 3, 10);
    EXPECT_GE(withSeveralWindows, 2);
    EXPECT_NE(std::find(bundles.begin(), bundles.end(), "Photos.app"), bundles.end());
    EXPECT_EQ(state->dock.badges, (std::map<std::string, std::string>{{"Mail", "3"}}));
    EXPECT_EQ(platform::Screens::screens().size(), 1u);

    auto pinned = platform::UserDefaults::standard()->dataForKey("pinned");
    ASSERT_TRUE(pinned);
    EXPECT_EQ(nlohmann::json::parse(*pinned),
              nlohmann::json::array({"file:///System/Applications/Photos.app/"}));
}

TEST(DesktopScenarios, InitialDefaultsNeverReplaceWhatTheUserStored) {
    ScopedDefaults defaults;
    platform::UserDefaults::standard()->setData("pinned", "[]");
    auto desktop = desktopFrom(R"({"defaults": {"pinned": ["file:///Applications/A.app/"], "ThemeKey": 0}})");
    EXPECT_EQ(platform::UserDefaults::standard()->dataForKey("pinned"), "[]");
    EXPECT_EQ(platform::UserDefaults::standard()->dataForKey("ThemeKey"), "0");
}

TEST(DesktopScenarios, FormatErrorsNameThePlace) {
    auto errorOf = [](const std::string& json) {
        auto result = Scenario::parse(json, "/tmp");
        auto* error = std::get_if<std::string>(&result);
        return error ? *error : std::string("no error");
    };
    EXPECT_EQ(errorOf("{"), "not valid JSON");
    EXPECT_EQ(errorOf(R"({"aplications": []})"), "aplications: unknown key");
    EXPECT_EQ(errorOf(R"({"applications": [{"name": "A", "windows": [{"frame": [1, 2, 3]}]}]})"),
              "applications[0].windows[0].frame: expected [x, y, width, height]");
    EXPECT_EQ(errorOf(R"({"applications": [{"name": "A", "bundle": "/Users/me/A.app"}]})"),
              "applications[0].bundle: a bundle must lie below /Applications, /System or /Library");
    EXPECT_EQ(errorOf(R"({"installed": [{"name": "A", "bundle": null}]})"),
              "installed[0]: an installed application needs a bundle");
    EXPECT_EQ(errorOf(R"({"applications": [{"pid": 0}]})"), "applications[0].pid: out of range");

    // Deep nesting once overflowed the stack, of the loader and of the bundle writer.
    std::string deep = R"({"applications": [{"name": "A", "info": {"x": )";
    for (int level = 0; level < 100'000; ++level) deep += "{\"x\": ";
    EXPECT_EQ(errorOf(deep), "nests too deeply");

    std::string error;
    const std::string reproducer = VELMORA_CORPUS_DIR "/scenario/scenario-deep-info-5k.json";
    EXPECT_FALSE(SimulatedDesktop::load(reproducer, {}, &error));
    EXPECT_EQ(error, reproducer + ": nests too deeply");
    EXPECT_FALSE(SimulatedDesktop::load("/nonexistent/desktop.json", {}, &error));
    EXPECT_EQ(error, "cannot read /nonexistent/desktop.json");
}

TEST(DesktopScenarios, SpecialFilesAreNeverReadAsScenariosOrIcons) {
    TemporaryFolder folder;
    ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", folder / "zero");
    std::string error;
    EXPECT_FALSE(SimulatedDesktop::load(folder / "fifo", {}, &error));
    EXPECT_EQ(error, "cannot read " + (folder / "fifo") + ": not a regular file");

    auto desktop = desktopFrom(R"({"applications": [
        {"name": "Piped", "icon": ")" +
                               (folder / "fifo") + R"("},
        {"name": "Zero", "icon": ")" +
                               (folder / "zero") + R"("}]})");
    for (const auto* name : {"Piped", "Zero"}) {
        EXPECT_FALSE(std::filesystem::exists(desktop->rootFolder() + "/Applications/" + name +
                                             ".app/Contents/Resources/AppIcon.png"))
            << name;
    }
}

TEST(DesktopScenarios, BundlesAreFoldersBelowTheDesktopsRootThatTheFileManagerServes) {
    std::string root;
    {
        auto desktop = desktopFrom(R"({"applications": [
            {"name": "Editor", "bundleIdentifier": "com.example.editor", "bundle": "/Applications/Tools/Editor.app",
             "icon": "icons/notes.png", "info": {"CFBundleName": "", "LSMinimumSystemVersion": "13.0"}},
            {"name": "Bare", "bundle": "/Applications/Bare.app", "icon": null, "info": {"CFBundleName": null}},
            {"name": "NoBundle", "bundle": null}]})");
        root = desktop->rootFolder();
        auto files = FileManager::shared();
        EXPECT_EQ(files->resolvedPath("/Applications/Tools"), root + "/Applications/Tools");
        EXPECT_TRUE(
            std::filesystem::exists(root + "/Applications/Tools/Editor.app/Contents/Resources/AppIcon.png"));
        EXPECT_FALSE(std::filesystem::exists(root + "/Applications/Bare.app/Contents/Resources/AppIcon.png"));
        EXPECT_FALSE(std::filesystem::exists(root + "/Applications/NoBundle.app"));

        auto plist = readWholeFile(root + "/Applications/Tools/Editor.app/Contents/Info.plist");
        EXPECT_NE(plist.find("<key>CFBundleIdentifier</key>\n\t<string>com.example.editor</string>"),
                  std::string::npos);
        EXPECT_NE(plist.find("<key>CFBundleName</key>\n\t<string></string>"), std::string::npos);
        EXPECT_NE(plist.find("<key>CFBundleExecutable</key>\n\t<string>Editor</string>"), std::string::npos);
        EXPECT_NE(plist.find("<key>LSMinimumSystemVersion</key>"), std::string::npos);
        auto bare = readWholeFile(root + "/Applications/Bare.app/Contents/Info.plist");
        EXPECT_EQ(bare.find("CFBundleName"), std::string::npos);
        EXPECT_EQ(bare.find("CFBundleIconFile"), std::string::npos);

        auto state = desktop->state();
        const auto* editor = state->application(state->running[1]);
        EXPECT_EQ(editor->bundleURL->absoluteString(), "file:///Applications/Tools/Editor.app/");
    }
    EXPECT_FALSE(std::filesystem::exists(root));
    EXPECT_NE(FileManager::systemRoot(), root);
}

TEST(DesktopScenarios, AnUnreadableScenarioGivesADesktopThatStillFollowsTheFile) {
    TemporaryFolder folder;
    auto path = folder / "desktop.json";
    writeFile(path, R"({"applications": [)");
    ::setenv("VELMORA_DESKTOP", path.c_str(), 1);
    testing::internal::CaptureStdout();
    auto desktop = SimulatedDesktop::loadDefault();
    auto printed = testing::internal::GetCapturedStdout();
    ::unsetenv("VELMORA_DESKTOP");
    EXPECT_EQ(printed, "Desktop scenario: " + path + ": not valid JSON\n");
    // A key is outside text: it can neither start a line of its own nor reach the terminal.
    writeFile(path, R"({"applications": [{"name\nFAKE: line \u001b[2J": 1}]})");
    ::setenv("VELMORA_DESKTOP", path.c_str(), 1);
    testing::internal::CaptureStdout();
    EXPECT_TRUE(SimulatedDesktop::loadDefault());
    printed = testing::internal::GetCapturedStdout();
    ::unsetenv("VELMORA_DESKTOP");
    EXPECT_EQ(printed,
              "Desktop scenario: " + path + ": applications[0].name\\nFAKE: line \\x1b[2J: unknown key\n");
    writeFile(path, R"({"applications": [)");
    platform::ScopedSystem installed(desktop);
    EXPECT_EQ(platform::Workspace::shared()->runningApplications().size(), 2u);  // the Dock and the program

    writeFile(path, R"({"applications": [{"name": "Notes", "bundleIdentifier": "com.apple.Notes"}]})");
    EXPECT_EQ(desktop->reload(), std::nullopt);
    auto running = platform::Workspace::shared()->runningApplications();
    ASSERT_EQ(running.size(), 3u);
    EXPECT_EQ(running[2]->localizedName(), "Notes");
}
