#include <gtest/gtest.h>

#include "platform/testing/VirtualMainLoop.h"
#include "tests/support/SimulatedDesktopTesting.h"
#include "tests/support/TemporaryFolder.h"

using platform::NotificationCenter;
using platform::Workspace;
using test_support::writeFile;

namespace {

// The second version moves Mail's window, changes its badge, quits Music, starts Photos and
// withdraws trust.
std::string scenario(bool second) {
    return std::string(R"({"accessibilityTrusted": )") + (second ? "false" : "true") + R"(, "applications": [
        {"pid": 812, "name": "Mail", "active": true, "windows": [{"title": "Inbox", "frame": [)" +
           (second ? "100, 125" : "0, 25") +
           R"(, 800, 600]}, {"title": "Draft", "frame": [40, 60, 500, 400]}]},
        {"name": "Notes", "windows": [{"title": "List", "frame": [1, 2, 3, 4]}]},
        {"name": ")" +
           (second ? "Photos" : "Music") + R"("}], "dock": {"badges": {"Mail": ")" + (second ? "2" : "1") +
           R"("}}})";
}

std::shared_ptr<platform::RunningApplication> withName(const std::string& name) {
    for (const auto& app : Workspace::shared()->runningApplications())
        if (app->localizedName() == name) return app;
    return nullptr;
}

// A desktop read from a file of the test's own, installed as the system.
struct FileDesktop {
    explicit FileDesktop(const std::string& json)
        : desktop((writeFile(path, json), platform::sim::SimulatedDesktop::load(path))), installed(desktop) {}
    test_support::TemporaryFolder folder;
    const std::string path = folder / "desktop.json";
    std::shared_ptr<platform::sim::SimulatedDesktop> desktop;
    platform::ScopedSystem installed;
};

}  // namespace

TEST(SimulatedDesktopReload, TheWatchAppliesChangesOnTheMainQueueAndApplicationsThatStayKeepTheirProcess) {
    platform::testing::VirtualMainLoop loop;
    FileDesktop file(scenario(false));
    auto mail = withName("Mail"), notes = withName("Notes"), music = withName("Music");
    auto numbers = [&] {
        std::vector<std::int64_t> result;
        for (const auto& window : file.desktop->state()->runningApplication(812)->windows)
            result.push_back(window.number);
        return result;
    };
    auto mailWindows = numbers();
    notes->activate(0);  // a change of the session that the file does not mention
    file.desktop->startWatching(1.0);
    writeFile(file.path, scenario(true));
    loop.advance(0.5);
    EXPECT_FALSE(music->isTerminated()) << "before the next check";
    loop.advance(0.5);
    EXPECT_TRUE(music->isTerminated());
    EXPECT_TRUE(withName("Photos"));
    EXPECT_EQ(withName("Mail"), mail);
    EXPECT_TRUE(notes->isActive()) << "Mail's entry kept its active flag, so the file does not reactivate it";
    EXPECT_EQ(numbers(), mailWindows);
    EXPECT_EQ(file.desktop->state()->runningApplication(812)->windows[0].frame,
              platform::Rect::make(100, 125, 800, 600));
    EXPECT_EQ(file.desktop->state()->dock.badges.at("Mail"), "2");
    EXPECT_FALSE(file.desktop->state()->accessibilityTrusted);
    // A file that cannot be read leaves the desktop as it was and is reported once, not on every tick.
    writeFile(file.path, "{");
    testing::internal::CaptureStdout();
    loop.advance(3.0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Desktop scenario: " + file.path + ": not valid JSON\n");
    EXPECT_TRUE(withName("Photos"));
    EXPECT_EQ(file.desktop->reload(), file.path + ": not valid JSON");
    file.desktop->stopWatching();
    writeFile(file.path, scenario(false));
    loop.advance(2.0);
    EXPECT_FALSE(withName("Music"));
}

TEST(SimulatedDesktopReload, AFullScreenChangeAnnouncesASpaceChange) {
    const std::string player = R"({"applications": [{"name": "Player", "windows": [{"title": "Film", )";
    FileDesktop file(player + R"("frame": [0, 0, 10, 10]}]}]})");
    int spaceChanges = 0;
    auto token = NotificationCenter::workspaceCenter()->addObserver(
        Workspace::activeSpaceDidChangeNotification, [&](const auto&) { ++spaceChanges; });
    writeFile(file.path, player + R"("frame": [0, 0, 1440, 900], "fullscreen": true}]}]})");
    EXPECT_EQ(file.desktop->reload(), std::nullopt);
    EXPECT_EQ(spaceChanges, 1);
    NotificationCenter::workspaceCenter()->removeObserver(token);
}
