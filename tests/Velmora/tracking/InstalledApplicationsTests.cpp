#include <gtest/gtest.h>

#include <filesystem>

#include "Velmora/tracking/App.h"
#include "Velmora/tracking/ApplicationManager.h"
#include "tests/Velmora/tracking/TrackingTesting.h"

using test_support::app;
using test_support::installed;
using tracking_testing::Harness;
using tracking_testing::titles;
using Velmora::App;
using Velmora::ApplicationManager;
using Names = std::vector<std::string>;

namespace {

Names addresses(const Velmora::TaskList& tasks) {
    Names result;
    for (const auto& task : tasks) result.push_back(task->bundlePath.absoluteString());
    return result;
}

}  // namespace

TEST(InstalledApplications, TheScanLooksOneFolderDeepAndTakesEveryNameHoldingDotApp) {
    Harness harness(installed({app("Mail", "com.apple.mail", "/Applications/Mail.app"),
                               app("Editor", "com.example.editor", "/Applications/Tools/Editor.app"),
                               app("Hidden", "com.example.hidden", "/Applications/Tools/Deep/Hidden.app"),
                               app("Photos", "com.apple.Photos", "/System/Applications/Photos.app"),
                               app("Lower", "com.example.lower", "/Applications/Lower.APP")}),
                    true);
    harness.installedDesktop.write("/Applications/Notes.app.zip", "zip");
    harness.installedDesktop.write("/Applications/Appliance/readme.txt", "text");
    harness.installedDesktop.write("/Applications/Notes.application/Contents/Info.plist", "broken");

    auto tasks = harness.manager->loadInstalledTasks(false);
    auto found = addresses(tasks);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found,
              (Names{"file:///Applications/Mail.app/", "file:///Applications/Notes.app.zip",
                     "file:///Applications/Notes.application/", "file:///Applications/Tools/Editor.app/",
                     "file:///System/Applications/Photos.app/"}))
        << "file addresses, as running applications carry them, and none twice for the local domain's folder";
    for (const auto& task : tasks) {
        EXPECT_EQ(task->index, 1);
        EXPECT_FALSE(task->runningApplication);
        EXPECT_TRUE(task->icon) << task->title;
    }
}

TEST(InstalledApplications, TheFirstOfTwoCopiesWinsUnlessExactlyOneIsPinned) {
    auto found = [](const std::string& pinned) {
        Harness harness(installed({app("Editor", "com.example.editor", "/Applications/Editor.app"),
                                   app("Editor", "com.example.editor", "/Applications/Tools/Editor.app")}),
                        true);
        if (!pinned.empty()) harness.settings->loadPinned({tracking_testing::url(pinned)});
        return addresses(harness.manager->loadInstalledTasks(true));
    };
    EXPECT_EQ(found(""), Names{"file:///Applications/Editor.app/"});
    EXPECT_EQ(found("file:///Applications/Tools/Editor.app/"),
              (Names{"file:///Applications/Editor.app/", "file:///Applications/Tools/Editor.app/"}))
        << "the pinned copy differs from the others, which equal each other";
}

TEST(InstalledApplications, TheListIsCachedUntilARescanAndAnEmptyOneIsScannedAgain) {
    Harness harness("{}", true);
    EXPECT_TRUE(harness.manager->loadInstalledTasks(false).empty());
    harness.installedDesktop.write("/Applications/Late.app/Contents/Info.plist", "");
    EXPECT_EQ(titles(harness.manager->loadInstalledTasks(false)), (Names{"Late.app"}))
        << "an empty list is no cache";
    harness.installedDesktop.write("/Applications/Later.app/Contents/Info.plist", "");
    EXPECT_EQ(harness.manager->loadInstalledTasks(false).size(), 1u);
    EXPECT_EQ(harness.manager->loadInstalledTasks(true).size(), 2u);
    EXPECT_EQ(harness.manager->installedTasks().size(), 2u);
}

TEST(InstalledApplications, AFolderThatCannotBeReadIsReportedAndSkipped) {
    Harness harness(installed({app("Mail", "com.apple.mail", "/Applications/Mail.app")}), true);
    std::filesystem::remove_all(harness.installedDesktop.real("/System/Applications"));
    const auto gone = tracking_testing::url("file:///System/Applications/");
    EXPECT_EQ(ApplicationManager::folderAndSubfolders(gone), std::vector{gone});
    testing::internal::CaptureStdout();
    auto tasks = harness.manager->loadInstalledTasks(true);
    auto printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(titles(tasks), (Names{"Mail"}));
    EXPECT_NE(printed.find("/System/Applications"), std::string::npos) << printed;
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1);
}

TEST(App, EachSlotResolvesToItsFirstInstalledAlternative) {
    Harness harness(
        installed({app("Chrome", "com.google.Chrome", "/Applications/Chrome.app"),
                   app("Safari", "com.apple.Safari", "/Applications/Safari.app"),
                   app("Terminal", "com.apple.Terminal", "/System/Applications/Utilities/Terminal.app"),
                   app("iTerm", "com.googlecode.iterm2", "/Applications/iTerm.app"),
                   app("Music", "com.apple.Music", "/System/Applications/Music.app"),
                   app("Mail", "com.apple.mail", "/System/Applications/Mail.app"),
                   app("Mail Copy", "com.apple.mail", "/Applications/Mail Copy.app")}),
        true);
    auto& manager = *harness.manager;
    const auto installedTasks = manager.loadInstalledTasks(false);

    testing::internal::CaptureStdout();
    auto browsers = App::resolve({App::browsers()}, manager);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Couldn't find app: firefox\n");
    ASSERT_EQ(titles(browsers), (Names{"Chrome"}));
    EXPECT_NE(std::find(installedTasks.begin(), installedTasks.end(), browsers[0]), installedTasks.end())
        << "the installed task itself";

    testing::internal::CaptureStdout();
    EXPECT_EQ(titles(App::resolve(App::terminals(), manager)), (Names{"iTerm"}));
    EXPECT_TRUE(App::resolve(App::folderOpeners(), manager).empty());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    testing::internal::CaptureStdout();
    auto recommended = App::resolve(App::recommendedApps(), manager);
    auto printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(titles(recommended), (Names{"Chrome", "Music", "Mail Copy"}))
        << "the first of two bundles with one identifier, in the installed list's order";
    EXPECT_NE(printed.find("Couldn't find app: spotify\n"), std::string::npos);
    EXPECT_NE(printed.find("Couldn't find app: systemPreferences\n"), std::string::npos);
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 16) << "firefox and the 15 missing slots";
}

TEST(App, AMissingSlotPrintsALineForEachAlternative) {
    Harness harness("{}", true);
    testing::internal::CaptureStdout();
    EXPECT_TRUE(App::resolve(App::defaultPinnedApps(), *harness.manager).empty());
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Couldn't find app: firefox\nCouldn't find app: chrome\nCouldn't find app: safari\n"
              "Couldn't find app: spotify\nCouldn't find app: mail\n");
    EXPECT_EQ(App(App::velmora).bundleIdentifier(), Velmora::velmoraBundleIdentifier)
        << "the program's own entry names the identifier the task list leaves out";
}

TEST(App, DesktopEntriesCountByTheirIdWindowClassOrCommandExactly) {
    Harness harness(
        installed(
            {app("Firefox", "org.example.NotFirefox", "/Applications/Firefox.app"),
             app("Web", "firefox-esr", "/Applications/firefox-esr.app"),
             R"({"name": "Chromium", "bundleIdentifier": "org.example.Chromium", "bundle": "/Applications/c.app",
                       "info": {"StartupWMClass": "chromium"}})",
             R"({"name": "Player", "bundleIdentifier": "org.example.Player", "bundle": "/Applications/p.app",
                       "info": {"CFBundleExecutable": "/usr/share/spotify/spotify"}})",
             app("Settings", "gnome-control-center", "/Applications/gnome-control-center.app")}),
        true);
    testing::internal::CaptureStdout();
    auto found =
        App::resolve({{App::firefox}, {App::chrome}, {App::spotify}, {App::systemPreferences}, {App::mail}},
                     *harness.manager);
    EXPECT_EQ(titles(found), (Names{"Web", "Chromium", "Player", "Settings"}));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Couldn't find app: mail\n");
}
