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

namespace {

std::vector<std::string> addresses(const Velmora::TaskList& tasks) {
    std::vector<std::string> result;
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
    auto found = titles(tasks);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found,
              (std::vector<std::string>{"Editor", "Mail", "Notes.app.zip", "Notes.application", "Photos"}));
    for (const auto& task : tasks) {
        EXPECT_EQ(task->index, 1);
        EXPECT_FALSE(task->runningApplication);
        EXPECT_TRUE(task->icon) << task->title;
    }
    auto photos =
        std::find_if(tasks.begin(), tasks.end(), [](const auto& task) { return task->title == "Photos"; });
    ASSERT_NE(photos, tasks.end());
    EXPECT_EQ((*photos)->bundleIdentifier, "com.apple.Photos");
    EXPECT_EQ((*photos)->bundlePath.absoluteString(), "file:///System/Applications/Photos.app/");
    EXPECT_EQ(tasks.front()->bundlePath.absoluteString().rfind("file:///Applications/", 0), 0u)
        << "file addresses, as running applications carry them, and no second task for the local domain's "
           "same folder";
}

TEST(InstalledApplications, TheFirstOfTwoCopiesWinsUnlessExactlyOneIsPinned) {
    const auto copies = installed({app("Editor", "com.example.editor", "/Applications/Editor.app"),
                                   app("Editor", "com.example.editor", "/Applications/Tools/Editor.app")});
    {
        Harness harness(copies, true);
        auto editors = harness.manager->loadInstalledTasks(true);
        ASSERT_EQ(editors.size(), 1u);
        EXPECT_EQ(editors[0]->bundlePath.absoluteString(), "file:///Applications/Editor.app/");
    }
    {
        Harness harness(copies, true);
        harness.settings->loadPinned({tracking_testing::url("file:///Applications/Tools/Editor.app/")});
        EXPECT_EQ(addresses(harness.manager->loadInstalledTasks(true)),
                  (std::vector<std::string>{"file:///Applications/Editor.app/",
                                            "file:///Applications/Tools/Editor.app/"}))
            << "the pinned copy differs from the others, which equal each other";
    }
}

TEST(InstalledApplications, TheListIsCachedUntilARescanAndAnEmptyOneIsScannedAgain) {
    Harness harness("{}", true);
    EXPECT_TRUE(harness.manager->loadInstalledTasks(false).empty());
    harness.installedDesktop.write("/Applications/Late.app/Contents/Info.plist", "");
    EXPECT_EQ(titles(harness.manager->loadInstalledTasks(false)), (std::vector<std::string>{"Late.app"}))
        << "an empty list is no cache";
    harness.installedDesktop.write("/Applications/Later.app/Contents/Info.plist", "");
    EXPECT_EQ(harness.manager->loadInstalledTasks(false).size(), 1u);
    EXPECT_EQ(harness.manager->loadInstalledTasks(true).size(), 2u);
    EXPECT_EQ(harness.manager->installedTasks().size(), 2u);
}

TEST(InstalledApplications, AFolderThatCannotBeReadIsReportedAndSkipped) {
    Harness harness(installed({app("Mail", "com.apple.mail", "/Applications/Mail.app")}), true);
    std::filesystem::remove_all(harness.installedDesktop.real("/System/Applications"));
    EXPECT_EQ(
        ApplicationManager::folderAndSubfolders(*platform::URL::fromString("file:///System/Applications/"))
            .size(),
        1u);
    testing::internal::CaptureStdout();
    auto tasks = harness.manager->loadInstalledTasks(true);
    auto printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(titles(tasks), (std::vector<std::string>{"Mail"}));
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
    ASSERT_EQ(titles(browsers), (std::vector<std::string>{"Chrome"}));
    EXPECT_NE(std::find(installedTasks.begin(), installedTasks.end(), browsers[0]), installedTasks.end())
        << "the installed task itself";

    testing::internal::CaptureStdout();
    EXPECT_EQ(titles(App::resolve(App::terminals(), manager)), (std::vector<std::string>{"iTerm"}));
    EXPECT_TRUE(App::resolve(App::folderOpeners(), manager).empty());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    testing::internal::CaptureStdout();
    auto recommended = App::resolve(App::recommendedApps(), manager);
    auto printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(titles(recommended), (std::vector<std::string>{"Chrome", "Music", "Mail Copy"}))
        << "the first of two bundles with one identifier, in the installed list's order";
    EXPECT_NE(printed.find("Couldn't find app: spotify\n"), std::string::npos);
    EXPECT_NE(printed.find("Couldn't find app: systemPreferences\n"), std::string::npos);
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 16) << "firefox and the 15 missing slots";
}

TEST(App, AMissingTerminalPrintsALineForEachAlternative) {
    Harness harness("{}", true);
    testing::internal::CaptureStdout();
    EXPECT_TRUE(App::resolve(App::terminals(), *harness.manager).empty());
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Couldn't find app: iTerm\nCouldn't find app: terminal\n");
    EXPECT_EQ(App(App::velmora).bundleIdentifier(), Velmora::velmoraBundleIdentifier);
    EXPECT_EQ(App(App::twitter).bundleIdentifier(), "maccatalyst.com.atebits.Tweetie2");
    EXPECT_EQ(App::recommendedApps().size(), 17u);
    EXPECT_EQ(App::defaultPinnedApps()[0], App::browsers());
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
    EXPECT_EQ(titles(found), (std::vector<std::string>{"Web", "Chromium", "Player", "Settings"}));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Couldn't find app: mail\n");
}
