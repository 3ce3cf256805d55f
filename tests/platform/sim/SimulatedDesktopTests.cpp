#include <gtest/gtest.h>

#include "platform/base/NotificationCenter.h"
#include "platform/system/Accessibility.h"
#include "platform/system/Workspace.h"
#include "platform/testing/VirtualMainLoop.h"
#include "tests/platform/sim/DesktopTesting.h"

using namespace sim_tests;
using platform::Workspace;

namespace {

const char* firstVersion = R"({
  "applications": [
    {"pid": 812, "name": "Mail", "bundleIdentifier": "com.apple.mail", "active": true,
     "windows": [{"title": "Inbox", "frame": [0, 25, 800, 600]}, {"title": "Draft", "frame": [40, 60, 500, 400]}]},
    {"name": "Notes", "bundleIdentifier": "com.apple.Notes", "windows": [{"title": "List", "frame": [1, 2, 3, 4]}]},
    {"name": "Music", "bundleIdentifier": "com.apple.Music"}
  ],
  "dock": {"badges": {"Mail": "1"}}
})";

// Mail's window moved and a badge changed, Music quit, Photos started, trust withdrawn.
const char* secondVersion = R"({
  "accessibilityTrusted": false,
  "applications": [
    {"pid": 812, "name": "Mail", "bundleIdentifier": "com.apple.mail", "active": true,
     "windows": [{"title": "Inbox", "frame": [100, 125, 800, 600]}, {"title": "Draft", "frame": [40, 60, 500, 400]}]},
    {"name": "Notes", "bundleIdentifier": "com.apple.Notes", "windows": [{"title": "List", "frame": [1, 2, 3, 4]}]},
    {"name": "Photos", "bundleIdentifier": "com.apple.Photos"}
  ],
  "dock": {"badges": {"Mail": "2"}}
})";

std::shared_ptr<platform::RunningApplication> withName(const std::string& name) {
    for (const auto& app : Workspace::shared()->runningApplications())
        if (app->localizedName() == name) return app;
    return nullptr;
}

}  // namespace

TEST(SimulatedDesktopReload, ApplicationsThatStayKeepTheirProcessAndWhatTheSessionChanged) {
    TemporaryFolder folder;
    auto path = folder / "desktop.json";
    writeFile(path, firstVersion);
    std::string error;
    auto desktop = SimulatedDesktop::load(path, {}, &error);
    ASSERT_TRUE(desktop) << error;
    platform::ScopedSystem installed(desktop);
    int trustChanges = 0;
    auto token = platform::NotificationCenter::distributedCenter()->addObserver(
        platform::Accessibility::trustChangedNotification,
        [&](const platform::Notification&) { ++trustChanges; });

    auto mail = withName("Mail");
    auto notes = withName("Notes");
    auto music = withName("Music");
    auto notesPid = notes->processIdentifier();
    auto windowNumbers = [&] {
        std::vector<std::int64_t> numbers;
        for (const auto& window : desktop->state()->runningApplication(812)->windows)
            numbers.push_back(window.number);
        return numbers;
    };
    auto mailWindows = windowNumbers();
    notes->activate(0);  // a change of the session that the file does not mention

    writeFile(path, secondVersion);
    EXPECT_EQ(desktop->reload(), std::nullopt);

    EXPECT_EQ(withName("Mail"), mail);
    EXPECT_EQ(withName("Notes"), notes);
    EXPECT_EQ(notes->processIdentifier(), notesPid);
    EXPECT_TRUE(notes->isActive()) << "Mail's entry kept its active flag, so the file does not reactivate it";
    EXPECT_TRUE(music->isTerminated());
    ASSERT_TRUE(withName("Photos"));
    EXPECT_EQ(windowNumbers(), mailWindows);
    EXPECT_EQ(desktop->state()->runningApplication(812)->windows[0].frame,
              platform::Rect::make(100, 125, 800, 600));
    EXPECT_EQ(desktop->state()->dock.badges.at("Mail"), "2");
    EXPECT_FALSE(desktop->state()->accessibilityTrusted);
    EXPECT_EQ(trustChanges, 1);

    writeFile(path, R"({"applications": [ {"name": )");
    EXPECT_EQ(desktop->reload(), path + ": not valid JSON");
    EXPECT_TRUE(withName("Photos")) << "a broken file leaves the desktop as it was";
    platform::NotificationCenter::distributedCenter()->removeObserver(token);
}

TEST(SimulatedDesktopReload, TheWatchFollowsTheFileOnTheMainQueue) {
    platform::testing::VirtualMainLoop loop;
    TemporaryFolder folder;
    auto path = folder / "desktop.json";
    writeFile(path, firstVersion);
    auto desktop = SimulatedDesktop::load(path);
    ASSERT_TRUE(desktop);
    platform::ScopedSystem installed(desktop);
    desktop->startWatching(1.0);

    writeFile(path, secondVersion);
    EXPECT_TRUE(withName("Music"));
    loop.advance(1.0);
    EXPECT_FALSE(withName("Music"));
    EXPECT_TRUE(withName("Photos"));

    // A file that cannot be read is reported once, not on every tick.
    writeFile(path, "{");
    testing::internal::CaptureStdout();
    loop.advance(3.0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Desktop scenario: " + path + ": not valid JSON\n");

    desktop->stopWatching();
    writeFile(path, firstVersion);
    loop.advance(2.0);
    EXPECT_FALSE(withName("Music"));
}

TEST(SimulatedDesktopReload, AFullScreenChangeAnnouncesASpaceChange) {
    TemporaryFolder folder;
    auto path = folder / "desktop.json";
    writeFile(
        path,
        R"({"applications": [{"name": "Player", "windows": [{"title": "Film", "frame": [0, 0, 10, 10]}]}]})");
    auto desktop = SimulatedDesktop::load(path);
    ASSERT_TRUE(desktop);
    int spaceChanges = 0;
    auto token = platform::NotificationCenter::workspaceCenter()->addObserver(
        Workspace::activeSpaceDidChangeNotification, [&](const platform::Notification&) { ++spaceChanges; });
    writeFile(path, R"({"applications": [{"name": "Player",
        "windows": [{"title": "Film", "frame": [0, 0, 1440, 900], "fullscreen": true}]}]})");
    EXPECT_EQ(desktop->reload(), std::nullopt);
    EXPECT_EQ(spaceChanges, 1);
    platform::NotificationCenter::workspaceCenter()->removeObserver(token);
}
