#include <gtest/gtest.h>

#include "Velmora/tracking/ApplicationManager.h"
#include "platform/system/Workspace.h"
#include "tests/Velmora/tracking/TrackingTesting.h"

using tracking_testing::Harness;
using tracking_testing::indexes;
using tracking_testing::task;
using tracking_testing::titles;
using tracking_testing::url;
using Velmora::ApplicationManager;
using Velmora::BadgeMap;
using Velmora::TaskList;

namespace {

// Mail and Safari pinned (in that order), Notes and then Safari running.
constexpr const char* pinnedMailAndSafari = R"({
  "applications": [
    {"pid": 501, "name": "Notes", "bundleIdentifier": "com.apple.Notes", "bundle": "/Applications/Notes.app",
     "windows": [{"title": "Shopping", "frame": [100, 100, 600, 400]}]},
    {"pid": 502, "name": "Safari", "bundleIdentifier": "com.apple.Safari", "bundle": "/Applications/Safari.app",
     "active": true, "windows": [{"title": "Start", "frame": [200, 100, 900, 700]}]}],
  "installed": [{"name": "Mail", "bundleIdentifier": "com.apple.mail", "bundle": "/Applications/Mail.app"}],
  "defaults": {"pinned": ["file:///Applications/Mail.app/", "file:///Applications/Safari.app/"]}})";

}  // namespace

TEST(TaskListBuilder, PinnedApplicationsComeFirstAndARunningOneTakesThePinnedPlace) {
    Harness harness(pinnedMailAndSafari, true);
    const auto pinned = harness.settings->pinnedApplications.value();
    auto atStart = harness.tasksFrom(pinned);
    EXPECT_EQ(titles(atStart), (std::vector<std::string>{"Mail", "Safari", "Notes"}));
    EXPECT_EQ(indexes(atStart), (std::vector<std::int64_t>{0, 1, 2}));
    const auto& safari = atStart[1];
    EXPECT_EQ(safari->runningApplication, harness.desktop->runningApplication(502));
    EXPECT_EQ(safari->processIdentifier, 502);
    EXPECT_EQ(safari->icon, harness.desktop->runningApplication(502)->icon())
        << "the running application's icon";
    EXPECT_TRUE(safari->isActive);
    EXPECT_FALSE(atStart[2]->isActive);
    EXPECT_NE(atStart[0], pinned[0]) << "the pinned entry is output as a copy";
    EXPECT_EQ(atStart[0]->id, pinned[0]->id);
    EXPECT_FALSE(pinned[1]->runningApplication) << "the settings' own tasks are never written";

    auto fromNothing = harness.tasksFrom({});
    EXPECT_EQ(titles(fromNothing), (std::vector<std::string>{"Mail", "Notes", "Safari"}));
    EXPECT_EQ(indexes(fromNothing), (std::vector<std::int64_t>{0, 2, 3}));
    EXPECT_EQ(indexes(harness.tasksFrom(fromNothing)), (std::vector<std::int64_t>{0, 2, 3}))
        << "Safari keeps index 3 by pid";
}

TEST(TaskListBuilder, AProcessIdMatchWinsOverABundleMatchAndKeepsThePreviousTitle) {
    Harness harness(
        R"({"applications": [{"pid": 700, "name": "Editor", "bundleIdentifier": "com.example.editor",
        "windows": [{"title": "Draft", "frame": [0, 0, 500, 500]}]}]})",
        true);
    auto byPath = task("file:///Applications/Editor.app/", 5, {}, "By address");
    auto byPid = task("file:///Applications/Other.app/", 9, {}, "By process");
    byPid->processIdentifier = 700;
    auto result = harness.tasksFrom({byPath, byPid});
    ASSERT_EQ(result.size(), 1u);
    EXPECT_EQ(result[0]->title, "By process");
    EXPECT_EQ(result[0]->bundlePath, byPid->bundlePath);
    EXPECT_EQ(result[0]->index, 0) << "an unpinned task is renumbered after the pinned ones";
    EXPECT_FALSE(byPid->runningApplication);

    result = harness.tasksFrom({byPath});
    ASSERT_EQ(result.size(), 1u);
    EXPECT_EQ(result[0]->title, "By address");
    EXPECT_EQ(result[0]->processIdentifier, 700);
}

TEST(TaskListBuilder, OnlyRegularBundledApplicationsOtherThanTheProgramGetANewTask) {
    Harness harness(R"({"applications": [
        {"pid": 801, "name": "Agent", "bundleIdentifier": "com.example.agent", "policy": "accessory",
         "windows": [{"title": "Panel", "frame": [0, 0, 300, 300]}]},
        {"pid": 802, "name": "Script", "bundle": "/Applications/Script.app",
         "windows": [{"title": "Run", "frame": [0, 0, 300, 300]}]},
        {"pid": 803, "name": "Velmora Copy", "bundleIdentifier": "com.velmora.Velmora", "bundle": "/Applications/Velmora.app",
         "windows": [{"title": "Bar", "frame": [0, 0, 300, 300]}]},
        {"pid": 804, "name": "Loose", "bundleIdentifier": "com.example.loose", "bundle": null,
         "windows": [{"title": "Loose", "frame": [0, 0, 300, 300]}]},
        {"pid": 805, "bundleIdentifier": "com.example.nameless", "bundle": "/Applications/Nameless.app"},
        {"pid": 806, "name": "Iconless", "bundleIdentifier": "com.example.iconless", "icon": null,
         "windows": [{"title": "Plain", "frame": [0, 0, 300, 300]}]},
        {"pid": 807, "name": "Kept", "bundleIdentifier": "com.example.kept",
         "windows": [{"title": "Main", "frame": [0, 0, 300, 300]}]}]})",
                    true);
    EXPECT_EQ(titles(harness.tasksFrom({})), (std::vector<std::string>{"Kept"}));

    auto agent = task("file:///Applications/Agent.app/", 0, {}, "Agent");
    agent->processIdentifier = 801;
    auto loose = task("pid://804", 1, {}, "Loose");
    loose->processIdentifier = 804;
    EXPECT_EQ(titles(harness.tasksFrom({agent, loose})), (std::vector<std::string>{"Agent", "Loose", "Kept"}))
        << "a previous task matches whatever the policy";
}

TEST(TaskListBuilder, TheTitleFallsBackToTheFirstWindowAndThenToTheExecutable) {
    Harness harness(R"({"applications": [
        {"pid": 901, "bundleIdentifier": "com.example.untitled", "bundle": "/Applications/Untitled.app",
         "windows": [{"title": "Report", "frame": [0, 0, 300, 300]}, {"title": "Other", "frame": [0, 0, 300, 300]}]},
        {"pid": 902, "name": "", "bundleIdentifier": "com.example.tool", "bundle": "/Applications/Tool.app",
         "info": {"CFBundleExecutable": "tool"}},
        {"pid": 903, "name": "", "bundle": null}]})",
                    true);
    auto title = [&](std::int32_t pid, const Velmora::Windows& windows = {}) {
        return ApplicationManager::applicationTitle(*harness.desktop->runningApplication(pid), windows);
    };
    EXPECT_EQ(title(901), "");
    EXPECT_EQ(title(901, {tracking_testing::window(0, 0, 300, 300, "Report")}), "Report");
    EXPECT_EQ(title(902), "tool");
    EXPECT_EQ(title(903), "");
}

TEST(TaskListBuilder, BadgesReadInFullAsDecimalIntegersAndReachTasksByTitle) {
    BadgeMap labels;
    for (const char* label : {"3", "07", "+3", "-3", "99+", "\xe2\x80\xa2", "", "+", "+-3", " 3",
                              "9223372036854775808", "-9223372036854775808", "-0", "\xd9\xa3"})
        labels.emplace(label, label);
    BadgeMap numbers{{"3", "3"}, {"07", "7"}, {"+3", "3"}, {"-3", "-3"}, {"-0", "0"}};
    numbers.emplace("-9223372036854775808", "-9223372036854775808");
    EXPECT_EQ(ApplicationManager::numericBadges(labels), numbers);
    EXPECT_TRUE(ApplicationManager::numericBadges(std::nullopt).empty());

    Harness harness(R"({
      "applications": [{"pid": 501, "name": "Notes", "bundleIdentifier": "com.apple.Notes",
                        "windows": [{"title": "List", "frame": [0, 0, 400, 400]}]}],
      "installed": [{"name": "Mail", "bundleIdentifier": "com.apple.mail", "bundle": "/Applications/Mail.app"}],
      "dock": {"items": [{"title": "Mail", "statusLabel": "07"}, {"title": "Notes", "statusLabel": "99+"},
                         {"title": "Gone", "statusLabel": "4"}]},
      "defaults": {"pinned": ["file:///Applications/Mail.app/"]}})",
                    true);
    auto result = harness.mustBuild(harness.input({}));
    EXPECT_EQ(result.badges, (BadgeMap{{"Mail", "7"}, {"Gone", "4"}}));
    ASSERT_EQ(result.tasksRelay.size(), 2u);
    EXPECT_EQ(result.tasksRelay[0]->badge, "7");
    EXPECT_FALSE(result.tasksRelay[1]->badge);
    EXPECT_FALSE(harness.settings->pinnedApplications.value()[0]->badge)
        << "the pinned entry itself stays as it was";
}

TEST(TaskListBuilder, TwoInstancesOfOneApplicationShowTwiceUnlessOneIsPinned) {
    const std::string twoCopies = R"({"applications": [
        {"pid": 601, "name": "Term", "bundleIdentifier": "com.example.term", "bundle": "/Applications/Term.app",
         "windows": [{"title": "One", "frame": [0, 0, 400, 400]}]},
        {"pid": 602, "name": "Term", "bundleIdentifier": "com.example.term", "bundle": "/Applications/Term.app",
         "windows": [{"title": "Two", "frame": [0, 0, 400, 400]}]}])";
    auto processes = [](const std::string& json) {
        Harness harness(json, true);
        return tracking_testing::each(harness.tasksFrom({}), &Velmora::Task::processIdentifier);
    };
    EXPECT_EQ(processes(twoCopies + "}"), (std::vector<std::int32_t>{601, 602}));
    EXPECT_EQ(processes(twoCopies + R"(, "defaults": {"pinned": ["file:///Applications/Term.app/"]}})"),
              std::vector<std::int32_t>{601});
}

TEST(TaskListBuilder, TasksWithEqualIndexesKeepTheMergedOrder) {
    auto a = task("file:///A.app/", 1, {}, "A");
    auto b = task("file:///B.app/", 0, {}, "B");
    auto c = task("file:///C.app/", 5, {}, "C");
    auto merged = ApplicationManager::mergePinnedTasks({a, c}, {b, task("file:///D.app/", 1, {}, "D")});
    EXPECT_EQ(titles(merged), (std::vector<std::string>{"B", "D", "A", "C"}));
    EXPECT_EQ(indexes(merged), (std::vector<std::int64_t>{0, 1, 2, 3}));
    c->index = 2;
    auto tied = ApplicationManager::mergePinnedTasks({c, a}, {});
    EXPECT_EQ(indexes(tied), (std::vector<std::int64_t>{0, 1}));
}

TEST(TaskListBuilder, AnUnchangedResultIsPublishedOnlyWhileTheScreenSettingIsOn) {
    Harness harness(pinnedMailAndSafari, true);
    auto first = harness.mustBuild(harness.input({}));
    auto again = harness.input(first.tasksRelay);
    again.publishedTasks = first.tasksRelay;
    again.badges = first.badges;
    EXPECT_FALSE(harness.build(again));

    harness.desktop->setDockBadge("Notes", "2");
    EXPECT_TRUE(harness.build(again)) << "a new badge is a change";
    harness.desktop->setDockBadge("Notes", std::nullopt);

    harness.settings->setShowOnRunningMonitorOnly(true);
    EXPECT_TRUE(harness.build(again));
    again.settingsShowOnCurrentScreenOnly = true;
    EXPECT_FALSE(harness.build(again));
}

TEST(TaskListBuilder, ACachedWindowLendsItsTitleAndMarksTheWindowReal) {
    Harness harness(R"({"applications": [{"pid": 501, "name": "Notes", "bundleIdentifier": "com.apple.Notes",
        "windows": [{"title": "Listed", "frame": [0, 0, 100, 100]}, {"title": "Other", "frame": [300, 0, 100, 100]}]}]})",
                    true);
    auto cached = tracking_testing::window(0, 0, 100, 100, "From Accessibility", 0, 501);
    harness.manager->betterProcessInfo->insert(cached->frameKey(), cached);
    auto result = harness.tasksFrom({});
    ASSERT_EQ(result.size(), 1u);
    const auto& windows = result[0]->windows;
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows[0]->title, "From Accessibility");
    EXPECT_TRUE(windows[0]->isRealWindow);
    EXPECT_FALSE(windows[1]->isRealWindow);
    EXPECT_EQ(result[0]->visibleWindows().size(), 1u) << "only the real window is large enough to list";
}
