#include <gtest/gtest.h>

#include "platform/testing/VirtualMainLoop.h"
#include "tests/support/SimulatedDesktopTesting.h"
#include "tests/support/TemporaryFolder.h"

using namespace platform;
using namespace test_support;

// The second version moves Mail's window, makes Notes' full-screen, changes the badge, quits Music,
// starts Photos and withdraws trust.
static std::string scenario(bool second) {
    return std::string(R"({"accessibilityTrusted": )") + (second ? "false" : "true") + R"(, "applications": [
        {"pid": 812, "name": "Mail", "active": true, "windows": [{"title": "Inbox", "frame": [)" +
           (second ? "100, 125" : "0, 25") +
           R"(, 800, 600]}, {"title": "Draft", "frame": [40, 60, 500, 400]}]},
        {"name": "Notes", "windows": [{"title": "List", "frame": [1, 2, 3, 4], "fullscreen": )" +
           (second ? "true" : "false") + R"(}]}, {"name": ")" + (second ? "Photos" : "Music") +
           R"("}], "dock": {"badges": {"Mail": ")" + (second ? "2" : "1") + R"("}}})";
}

static std::shared_ptr<RunningApplication> withName(const std::string& name) {
    for (const auto& app : Workspace::shared()->runningApplications())
        if (app->localizedName() == name) return app;
    return nullptr;
}

TEST(SimulatedDesktopReload, TheWatchAppliesChangesOnTheMainQueueAndApplicationsThatStayKeepTheirProcess) {
    platform::testing::VirtualMainLoop loop;
    TemporaryFolder folder;
    const std::string path = folder / "desktop.json";
    writeFile(path, scenario(false));
    auto desktop = sim::SimulatedDesktop::load(path);
    ScopedSystem installed(desktop);
    auto mail = withName("Mail"), notes = withName("Notes"), music = withName("Music");
    const auto inboxNumber = desktop->state()->runningApplication(812)->windows[0].number;
    notes->activate(0);  // a change of the session that the file does not mention
    int spaceChanges = 0;
    auto center = NotificationCenter::workspaceCenter();
    auto token = center->addObserver(Workspace::activeSpaceDidChangeNotification,
                                     [&](const auto&) { ++spaceChanges; });
    desktop->startWatching(1.0);
    writeFile(path, scenario(true));
    loop.advance(0.5);
    EXPECT_FALSE(music->isTerminated()) << "before the next check";
    loop.advance(0.5);
    EXPECT_TRUE(music->isTerminated() && withName("Photos"));
    EXPECT_EQ(withName("Mail"), mail);
    EXPECT_TRUE(notes->isActive()) << "Mail's entry kept its active flag, so the file does not reactivate it";
    const auto state = desktop->state();
    EXPECT_EQ(state->runningApplication(812)->windows[0].number, inboxNumber) << "moved, not replaced";
    EXPECT_EQ(state->runningApplication(812)->windows[0].frame, Rect::make(100, 125, 800, 600));
    EXPECT_EQ(state->dock.badges.at("Mail"), "2");
    EXPECT_FALSE(state->accessibilityTrusted);
    EXPECT_EQ(spaceChanges, 1) << "a window went full-screen";
    center->removeObserver(token);
    // A file that cannot be read leaves the desktop as it was and is reported once, not on every tick.
    writeFile(path, "{");
    ::testing::internal::CaptureStdout();
    loop.advance(3.0);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Desktop scenario: " + path + ": not valid JSON\n");
    EXPECT_TRUE(withName("Photos"));
    desktop->stopWatching();
    writeFile(path, scenario(false));
    loop.advance(2.0);
    EXPECT_FALSE(withName("Music"));
}
