#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <future>

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
    auto stale = applications.root() + "/Applications/stale.app";
    EXPECT_TRUE(test_support::waitUntil(
        [&] { return std::filesystem::exists(late) && !std::filesystem::exists(stale); }));
    applications.stopWatching();
    EXPECT_EQ(bundles(applications.root()).size(), 5u);
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

static ino_t inodeOf(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 ? status.st_ino : 0;
}

TEST(DesktopApplicationsTests, IconsAreLinkedAndOversizedOrSpecialIconFilesAreLeftOut) {
    auto& desktop = Desktop::shared();
    test_support::TemporaryFolder icons;
    // A large sparse file was read whole and copied into the cache; a FIFO blocked the update.
    std::filesystem::resize_file((test_support::writeFile(icons / "huge.png", ""), icons / "huge.png"),
                                 100 << 20);
    ::mkfifo((icons / "pipe.png").c_str(), 0600);
    test_support::writeFile(icons / "small.png", xdg_testing::png);
    std::vector<std::string> files;
    for (const char* name : {"huge", "pipe", "small"})
        files.push_back(desktop.entry(std::string("icon-") + name,
                                      "Name=I\nExec=editor-bin\nIcon=" + icons / name + ".png\n", true));
    DesktopApplications applications(desktop.path("cache/icons"));
    applications.update();
    for (auto& file : files) std::filesystem::remove(file);
    auto bundle = [&](const char* name) {
        return applications.root() + "/Applications/icon-" + name + ".app";
    };
    for (const char* name : {"huge", "pipe"}) {
        EXPECT_FALSE(std::filesystem::exists(bundle(name) + "/Contents/Resources/AppIcon.png")) << name;
        EXPECT_EQ(infoOf(bundle(name)).count("CFBundleIconFile"), 0u) << name;
    }
    auto small = bundle("small") + "/Contents/Resources/AppIcon.png";
    EXPECT_EQ(std::filesystem::read_symlink(small), icons / "small.png");
    EXPECT_TRUE(applications.bundleIcon("/Applications/icon-small.app"));
    std::uintmax_t cached = 0;
    for (const auto& item : std::filesystem::recursive_directory_iterator(applications.root()))
        if (item.is_regular_file() && !item.is_symlink()) cached += item.file_size();
    EXPECT_LT(cached, 1u << 20);
}

TEST(DesktopApplicationsTests, AChangeReplacesOnlyItsBundleAndLeftoversOfAKilledUpdateGo) {
    auto& desktop = Desktop::shared();
    DesktopApplications applications(desktop.path("cache/partial"));
    // What kill -9 during an update left: copies of the whole folder, a bundle half built.
    for (const char* leftover :
         {".Applications-Ab12Cd/files.app/Contents/Info.plist", "Applications/.new-Xy34Zw/x"})
        desktop.write("cache/partial/" + std::string(leftover), "left");
    applications.update();
    EXPECT_FALSE(std::filesystem::exists(applications.root() + "/.Applications-Ab12Cd"));
    EXPECT_FALSE(std::filesystem::exists(applications.root() + "/Applications/.new-Xy34Zw"));
    auto files = applications.root() + "/Applications/files.app/Contents/Info.plist";
    auto before = inodeOf(files);
    auto changing = desktop.entry("changing", "Name=Before\nExec=editor-bin\n", true);
    EXPECT_TRUE(applications.update());
    desktop.entry("changing", "Name=After, a little longer\nExec=editor-bin\n", true);
    EXPECT_TRUE(applications.update());
    std::filesystem::remove(changing);
    EXPECT_EQ(infoOf(applications.root() + "/Applications/changing.app")["CFBundleName"],
              "After, a little longer");
    EXPECT_EQ(inodeOf(files), before) << "an unchanged bundle stays as it was";
    EXPECT_TRUE(applications.update());
    EXPECT_EQ(bundles(applications.root()).size(), 4u);
}

TEST(DesktopApplicationsTests, TheWatchReadsTheEntriesOnItsOwnThreadAndMatchingCanWaitForThem) {
    auto& desktop = Desktop::shared();
    DesktopApplications applications(desktop.path("cache/watched"));
    applications.startWatching();
    EXPECT_TRUE(applications.waitForEntries(std::chrono::seconds(30)));
    auto match = applications.match("ExampleEdit", "", "");
    EXPECT_EQ(match ? match->groupIdentifier : "none", "org.example.Editor");
    EXPECT_TRUE(test_support::waitUntil([&] {
        return std::filesystem::exists(applications.root() + "/Applications/files.app/Contents/Info.plist");
    }));
    // A folder below an applications folder is watched as well, once an update has walked it.
    auto nested = desktop.entry("kde/nested", "Name=Nested\nExec=editor-bin\n", true);
    auto info = applications.root() + "/Applications/kde-nested.app/Contents/Info.plist";
    auto named = [&](const std::string& name) {
        return test_support::waitUntil([&] {
            return std::filesystem::exists(info) &&
                   infoOf(applications.root() + "/Applications/kde-nested.app")["CFBundleName"] == name;
        });
    };
    EXPECT_TRUE(named("Nested"));
    desktop.entry("kde/nested", "Name=Renamed\nExec=editor-bin\n", true);
    EXPECT_TRUE(named("Renamed"));
    applications.stopWatching();
    std::filesystem::remove_all(std::filesystem::path(nested).parent_path());
}

TEST(DesktopApplicationsTests, DuringTheFirstScanMatchingAnswersFromWhatIsKnownAndTheEndOfTheScanIsTold) {
    auto& desktop = Desktop::shared();
    DesktopApplications applications(desktop.path("cache/early"));
    // The scan is held until released, or for five seconds: a match that waited for it would then
    // see the entries.
    std::promise<void> release;
    applications.setBeforeReadingForTesting(
        [held = release.get_future().share()] { held.wait_for(std::chrono::seconds(5)); });
    std::atomic<int> told = 0;
    applications.setEntriesReadHandler([&] { ++told; });
    applications.startWatching();
    bool provisional = false;
    auto early = applications.match("ExampleEdit", "", "", &provisional);
    EXPECT_EQ(early ? early->groupIdentifier : "none", "none");
    EXPECT_TRUE(provisional);
    EXPECT_EQ(told, 0);
    auto waiting =
        std::async(std::launch::async, [&] { return applications.waitForEntries(std::chrono::seconds(30)); });
    release.set_value();
    EXPECT_TRUE(waiting.get());
    EXPECT_TRUE(test_support::waitUntil([&] { return told == 1; }));
    auto late = applications.match("ExampleEdit", "", "", &provisional);
    EXPECT_EQ(late ? late->groupIdentifier : "none", "org.example.Editor");
    EXPECT_FALSE(provisional);
    // Later updates are no first scan.
    applications.update();
    EXPECT_EQ(told, 1);
    applications.stopWatching();
}

TEST(DesktopApplicationsTests, AMissingFolderIsWatchedThroughItsNearestParentUntilItIsMade) {
    auto& desktop = Desktop::shared();
    auto base = desktop.path("fresh");
    std::filesystem::remove_all(base);
    std::filesystem::create_directories(base);
    const std::string dataHome = base + "/local/share";
    const std::string previous = std::getenv("XDG_DATA_HOME");
    ::setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
    DesktopApplications applications(desktop.path("cache/velmora-fresh"));
    applications.startWatching();
    ASSERT_TRUE(applications.waitForEntries(std::chrono::seconds(30)));
    // Each folder is watched once made, its parent no longer; GLib would poll a missing one.
    const auto watchesOnly = [&](const std::string& folder, const std::string& notThat) {
        const auto watched = applications.watchedFoldersForTesting();
        return std::ranges::count(watched, folder) == 1 && std::ranges::count(watched, notThat) == 0 &&
               std::ranges::all_of(watched,
                                   [](const auto& each) { return std::filesystem::is_directory(each); });
    };
    EXPECT_TRUE(watchesOnly(base, base + "/local"));
    std::filesystem::create_directory(base + "/local");
    EXPECT_TRUE(test_support::waitUntil([&] { return watchesOnly(base + "/local", base); }));
    // The rest at once, with an entry in it: the watch list follows the read that made the bundle.
    std::filesystem::create_directories(dataHome + "/applications");
    test_support::writeFile(dataHome + "/applications/fresh-app.desktop",
                            "[Desktop Entry]\nType=Application\nName=Fresh\nExec=editor-bin\n");
    auto bundle = applications.root() + "/Applications/fresh-app.app";
    EXPECT_TRUE(test_support::waitUntil([&] { return std::filesystem::exists(bundle); }));
    EXPECT_TRUE(
        test_support::waitUntil([&] { return watchesOnly(dataHome + "/applications", base + "/local"); }));
    applications.stopWatching();
    ::setenv("XDG_DATA_HOME", previous.c_str(), 1);
}

TEST(DesktopApplicationsTests, AnEntryInstalledWhileTheFolderKeepsChangingShowsBeforeTheChangesStop) {
    auto& desktop = Desktop::shared();
    const auto base = desktop.path("busy"), folder = base + "/applications";
    std::filesystem::remove_all(base);
    std::filesystem::create_directories(folder);
    const std::string previous = std::getenv("XDG_DATA_HOME");
    ::setenv("XDG_DATA_HOME", base.c_str(), 1);
    DesktopApplications applications(desktop.path("cache/velmora-busy"));
    applications.startWatching();
    ASSERT_TRUE(applications.waitForEntries(std::chrono::seconds(30)));
    // Without a free inotify instance (a per-user limit) no change is ever seen.
    ASSERT_EQ(std::ranges::count(applications.watchedFoldersForTesting(), folder), 1);
    // A package manager at work: a change every 100 ms, an entry installed half a second in; the
    // changes go on until the entry shows, for at most 30 s.
    bool shown = false;
    for (int step = 0; !shown && step < 300; ++step) {
        test_support::writeFile(folder + "/churn-" + std::to_string(step % 2) + ".txt", std::to_string(step));
        if (step == 5)
            test_support::writeFile(folder + "/busy-new.desktop",
                                    "[Desktop Entry]\nType=Application\nName=Busy\nExec=editor-bin\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        shown = applications.entryForBundle("/Applications/busy-new.app").has_value();
    }
    EXPECT_TRUE(shown);
    applications.stopWatching();
    ::setenv("XDG_DATA_HOME", previous.c_str(), 1);
}

TEST(DesktopApplicationsTests, WhileAListOfDefaultApplicationsIsAFifoTheWatchWaitsAndReadsOnceItIsAFile) {
    auto& desktop = Desktop::shared();
    const auto list = desktop.path("config/mimeapps.list");
    const xdg_testing::KeptFile kept(list);
    std::filesystem::remove(list);
    ASSERT_EQ(::mkfifo(list.c_str(), 0600), 0);
    std::filesystem::remove_all(desktop.path("cache/velmora-list"));
    DesktopApplications applications(desktop.path("cache/velmora-list"));
    applications.startWatching();
    ASSERT_TRUE(applications.waitForEntries(std::chrono::seconds(30))) << "GIO waited on the FIFO";
    EXPECT_TRUE(applications.entries().empty());
    // Though no applications folder changes.
    std::filesystem::remove(list);
    EXPECT_TRUE(test_support::waitUntil([&] { return !applications.entries().empty(); }));
    applications.stopWatching();
}
