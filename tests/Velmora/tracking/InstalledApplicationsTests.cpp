#include "Velmora/tracking/App.h"
#include "tests/Velmora/tracking/TrackingTesting.h"

using namespace test_support;
using namespace tracking_testing;
using Velmora::App;
using Names = std::vector<std::string>;

// Resolves `slots` and tells what it printed.
static std::pair<Velmora::TaskList, std::string> resolved(const App::Slots& slots,
                                                          Velmora::ApplicationManager& manager) {
    testing::internal::CaptureStdout();
    auto found = App::resolve(slots, manager);
    return {found, testing::internal::GetCapturedStdout()};
}

TEST(InstalledApplications, TheScanLooksOneFolderDeepAndTakesEveryNameHoldingDotApp) {
    Harness harness(installed({app("Mail", "com.apple.mail"), app("Editor", "com.example.editor"),
                               app("Editor", "com.example.editor", "/Applications/Tools/Editor.app"),
                               app("Hidden", "com.example.hidden", "/Applications/Tools/Deep/Hidden.app"),
                               app("Photos", "com.apple.Photos", "/System/Applications/Photos.app"),
                               app("Lower", "com.example.lower", "/Applications/Lower.APP")}),
                    true);
    harness.installedDesktop.write("/Applications/Notes.app.zip", "zip");
    harness.installedDesktop.write("/Applications/Appliance/readme.txt", "text");
    harness.installedDesktop.write("/Applications/Notes.application/Contents/Info.plist", "broken");
    auto tasks = harness.manager->loadInstalledTasks(false);
    Names found;
    for (const auto& task : tasks) found.push_back(task->bundlePath.absoluteString());
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (Names{"file:///Applications/Editor.app/", "file:///Applications/Mail.app/",
                            "file:///Applications/Notes.app.zip", "file:///Applications/Notes.application/",
                            "file:///System/Applications/Photos.app/"}))
        << "file addresses, as running applications carry them, none twice for the local domain's folder, "
           "and "
           "of two equal copies the first";
    for (const auto& task : tasks) EXPECT_TRUE(task->icon) << task->title;
    harness.settings->loadPinned({tracking_testing::url("file:///Applications/Tools/Editor.app/")});
    EXPECT_EQ(harness.manager->loadInstalledTasks(true).size(), 6u)
        << "a pinned copy differs from the others";
}

TEST(InstalledApplications, TheListIsCachedUntilARescanAndAnEmptyOneOrAnUnreadableFolderIsSkipped) {
    Harness harness("{}", true);
    EXPECT_TRUE(harness.manager->loadInstalledTasks(false).empty());
    harness.installedDesktop.write("/Applications/Late.app/Contents/Info.plist", "");
    EXPECT_EQ(titles(harness.manager->loadInstalledTasks(false)), Names{"Late.app"})
        << "an empty list is no cache";
    harness.installedDesktop.write("/Applications/Later.app/Contents/Info.plist", "");
    EXPECT_EQ(harness.manager->loadInstalledTasks(false).size(), 1u);
    EXPECT_EQ(harness.manager->loadInstalledTasks(true).size(), 2u);
    EXPECT_EQ(harness.manager->installedTasks().size(), 2u);
    // A folder that cannot be read is reported once and skipped.
    std::filesystem::remove_all(harness.installedDesktop.real("/System/Applications"));
    const auto gone = tracking_testing::url("file:///System/Applications/");
    EXPECT_EQ(Velmora::ApplicationManager::folderAndSubfolders(gone), std::vector{gone});
    testing::internal::CaptureStdout();
    EXPECT_EQ(harness.manager->loadInstalledTasks(true).size(), 2u);
    auto printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("/System/Applications"), std::string::npos) << printed;
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1);
}

TEST(App, EachSlotResolvesToItsFirstInstalledAlternativeByIdWindowClassOrCommandAndPrintsTheMissingOnes) {
    Harness harness(
        installed(
            {app("Firefox", "org.example.NotFirefox"),
             app("Web", "firefox-esr", "/Applications/firefox-esr.app"),
             R"({"name": "Chromium", "bundleIdentifier": "org.example.Chromium", "bundle": "/Applications/c.app",
                             "info": {"StartupWMClass": "chromium"}})",
             R"({"name": "Player", "bundleIdentifier": "org.example.Player", "bundle": "/Applications/p.app",
                             "info": {"CFBundleExecutable": "/usr/share/spotify/spotify"}})",
             app("Settings", "gnome-control-center", "/Applications/gnome-control-center.app"),
             app("iTerm", "com.googlecode.iterm2"),
             app("Mail", "com.apple.mail", "/System/Applications/Mail.app"),
             app("Mail Copy", "com.apple.mail")}),
        true);
    auto& manager = *harness.manager;
    const auto installedTasks = manager.loadInstalledTasks(false);
    auto [found, printed] = resolved(App::defaultPinnedApps(), manager);
    EXPECT_EQ(titles(found), (Names{"Web", "Player", "Mail Copy"}))
        << "not by name; of two bundles with one identifier the first in the installed list";
    EXPECT_NE(std::find(installedTasks.begin(), installedTasks.end(), found[0]), installedTasks.end())
        << "the installed task itself";
    EXPECT_EQ(resolved({{App::xcode, App::iTerm}, {App::chrome}}, manager).second,
              "Couldn't find app: xcode\n");
    EXPECT_EQ(titles(resolved(App::terminals(), manager).first), Names{"iTerm"});
    EXPECT_EQ(resolved(App::folderOpeners(), manager), (std::pair{Velmora::TaskList{}, std::string()}));
    std::tie(found, printed) = resolved(App::recommendedApps(), manager);
    EXPECT_EQ(titles(found), (Names{"Web", "Player", "Mail Copy", "Settings"}));
    std::string missing;
    for (const char* name : {"xcode", "battle", "appStore", "twitter", "photos", "calendar", "messages",
                             "pages", "reminders", "notes", "podcasts", "tv", "home"})
        missing += "Couldn't find app: " + std::string(name) + "\n";
    EXPECT_EQ(printed, missing);
    EXPECT_EQ(App(App::velmora).bundleIdentifier(), Velmora::velmoraBundleIdentifier)
        << "the program's own entry names the identifier the task list leaves out";
}
