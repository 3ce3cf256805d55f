#include <algorithm>

#include "tests/Velmora/tracking/TrackingTesting.h"

using namespace tracking_testing;
using Velmora::ApplicationManager;
using Velmora::BadgeMap;

// Mail and Safari pinned (in that order), Notes and then Safari running; the scenario's end to add.
const std::string pinnedMailAndSafari = R"({"applications": [
    {"pid": 501, "name": "Notes", "bundleIdentifier": "com.apple.Notes", "windows": [{"frame": [100, 100, 600, 400]}]},
    {"pid": 502, "name": "Safari", "bundleIdentifier": "com.apple.Safari", "active": true,
     "windows": [{"frame": [0, 0, 900, 700]}]}],
  "installed": [{"name": "Mail", "bundleIdentifier": "com.apple.mail"}],
  "defaults": {"pinned": ["file:///Applications/Mail.app/", "file:///Applications/Safari.app/"]})";

TEST(TaskListBuilder, PinnedApplicationsComeFirstARunningOneTakesThePinnedPlaceAndBadgesGoByTitle) {
    Harness harness(pinnedMailAndSafari + R"(, "dock": {"items": [{"title": "Mail", "statusLabel": "07"},
        {"title": "Notes", "statusLabel": "99+"}, {"title": "Gone", "statusLabel": "4"}]}})",
                    true);
    const auto pinned = harness.settings->pinnedApplications.value();
    auto result = harness.build(pinned).value();
    const auto& atStart = result.tasksRelay;
    ASSERT_EQ(listing(atStart), "Mail 0, Safari 1, Notes 2");
    const auto safari = harness.desktop->runningApplication(502);
    EXPECT_EQ(atStart[1]->runningApplication, safari);
    EXPECT_EQ(atStart[1]->icon, safari->icon()) << "the running application's icon";
    EXPECT_TRUE(atStart[1]->isActive);
    EXPECT_FALSE(atStart[2]->isActive);
    EXPECT_NE(atStart[0], pinned[0]) << "the pinned entry is output as a copy";
    EXPECT_FALSE(pinned[1]->runningApplication) << "the settings' own tasks are never written";
    EXPECT_EQ(result.badges, (BadgeMap{{"Mail", "7"}, {"Gone", "4"}}));
    EXPECT_EQ(atStart[0]->badge, "7");
    EXPECT_FALSE(atStart[2]->badge);
    EXPECT_FALSE(pinned[0]->badge);
    // Badges are decimal integers read in full.
    BadgeMap labels;
    for (const char* label : {"3", "07", "+3", "-3", "99+", "\xe2\x80\xa2", "", "+", "+-3", " 3",
                              "9223372036854775808", "-9223372036854775808", "-0", "\xd9\xa3"})
        labels.emplace(label, label);
    BadgeMap numbers{{"3", "3"}, {"07", "7"}, {"+3", "3"}, {"-3", "-3"}, {"-0", "0"}};
    numbers.emplace("-9223372036854775808", "-9223372036854775808");
    EXPECT_EQ(ApplicationManager::numericBadges(labels), numbers);
    EXPECT_TRUE(ApplicationManager::numericBadges(std::nullopt).empty());
    auto fromNothing = harness.tasksFrom({});
    EXPECT_EQ(listing(fromNothing), "Mail 0, Notes 2, Safari 3");
    EXPECT_EQ(listing(harness.tasksFrom(fromNothing)), "Mail 0, Notes 2, Safari 3")
        << "Safari keeps 3 by pid";
}

TEST(TaskListBuilder, OnlyRegularBundledNamedApplicationsOtherThanTheProgramGetANewTaskWithAFallbackTitle) {
    Harness harness(R"({"applications": [
    {"pid": 700, "name": "Editor", "bundleIdentifier": "example.editor", "windows": [{"frame": [0, 0, 9, 9]}]},
    {"pid": 801, "name": "Agent", "bundleIdentifier": "example.agent", "policy": "accessory",
     "windows": [{"frame": [0, 0, 9, 9]}]},
    {"pid": 802, "name": "Script", "windows": [{"frame": [0, 0, 9, 9]}]},
    {"pid": 803, "name": "Velmora Copy", "bundleIdentifier": "com.velmora.Velmora", "windows": [{"frame": [0, 0, 9, 9]}]},
    {"pid": 804, "name": "Loose", "bundleIdentifier": "example.loose", "bundle": null, "windows": [{"frame": [0, 0, 9, 9]}]},
    {"pid": 805, "bundleIdentifier": "example.nameless", "bundle": "/Applications/Nameless.app"},
    {"pid": 806, "name": "Iconless", "bundleIdentifier": "example.plain", "icon": null, "windows": [{"frame": [0, 0, 9, 9]}]},
    {"pid": 901, "bundleIdentifier": "example.untitled", "bundle": "/Applications/Untitled.app",
     "windows": [{"title": "Report", "frame": [0, 0, 9, 9]}, {"title": "Other", "frame": [0, 0, 9, 9]}]},
    {"pid": 902, "name": "", "bundleIdentifier": "example.tool", "bundle": "/Applications/Tool.app",
     "info": {"CFBundleExecutable": "tool"}, "windows": [{"frame": [0, 0, 9, 9]}]},
    {"pid": 903, "name": "", "bundle": null},
    {"pid": 601, "name": "Term", "bundleIdentifier": "example.term", "windows": [{"frame": [0, 0, 9, 9]}]},
    {"pid": 602, "name": "Term", "bundleIdentifier": "example.term", "windows": [{"frame": [0, 0, 9, 9]}]}]})",
                    true);
    EXPECT_EQ(listing(harness.tasksFrom({})), "Editor 0, Report 1, tool 2, Term 3")
        << "a name, else the first window's title, else the executable; two instances show once";
    EXPECT_EQ(ApplicationManager::applicationTitle(*harness.desktop->runningApplication(901), {}), "");
    EXPECT_EQ(ApplicationManager::applicationTitle(*harness.desktop->runningApplication(903), {}), "");
    // A previous task matches whatever the policy, by process before bundle, and keeps its title;
    // running tasks are numbered after the pinned ones in the order they run.
    auto agent = task("file:///Applications/Agent.app/", 0, {}, "Agent");
    agent->processIdentifier = 801;
    auto loose = task("pid://804", 1, {}, "Loose");
    loose->processIdentifier = 804;
    auto byPath = task("file:///Applications/Editor.app/", 5, {}, "By address");
    auto byPid = task("file:///Applications/Other.app/", 9, {}, "By process");
    byPid->processIdentifier = 700;
    auto result = harness.tasksFrom({agent, loose, byPath, byPid});
    ASSERT_EQ(listing(result), "By process 0, Agent 1, Loose 2, Report 3, tool 4, Term 5");
    EXPECT_EQ(result[0]->bundlePath, byPid->bundlePath);
    EXPECT_FALSE(byPid->runningApplication) << "the previous task itself is not written";
    result = harness.tasksFrom({byPath});
    ASSERT_EQ(listing(result), "By address 0, Report 1, tool 2, Term 3");
    EXPECT_EQ(result[0]->processIdentifier, 700);
    harness.settings->loadPinned({tracking_testing::url("file:///Applications/Term.app/")});
    result = harness.tasksFrom({});
    ASSERT_EQ(listing(result), "Editor 1, Report 2, tool 3, Term 4")
        << "a pinned bundle shows its first instance";
    EXPECT_EQ(result[3]->processIdentifier, 601);
}

TEST(TaskListBuilder, OneApplicationIsOneTaskHoldingTheWindowsOfAllItsProcessesWhateverTheyClaim) {
    Harness harness(R"({"applications": [
    {"pid": 601, "name": "Term", "bundleIdentifier": "example.term", "windows": [{"title": "One", "frame": [0, 0, 300, 300]}]},
    {"pid": 700, "name": "Editor", "bundleIdentifier": "example.editor", "windows": [{"frame": [0, 0, 9, 9]}]},
    {"pid": 602, "name": "Term", "bundleIdentifier": "example.term", "active": true,
     "windows": [{"title": "Two", "frame": [0, 0, 300, 300]}]}],
      "defaults": {"pinned": ["file:///Applications/Editor.app/", "file:///Applications/Editor.app/"]}})",
                    true);
    auto sortedTitles = [](const Velmora::TaskList& tasks) {
        auto result = titles(tasks);
        std::sort(result.begin(), result.end());
        return result;
    };
    const std::vector<std::string> once{"Editor", "Term"};
    for (const auto& previous : {Velmora::TaskList{}, harness.settings->pinnedApplications.value()}) {
        auto result = harness.tasksFrom(previous);
        ASSERT_EQ(sortedTitles(result), once) << "pinned twice, running twice";
        const auto& term = result[0]->title == "Term" ? result[0] : result[1];
        EXPECT_EQ(term->processIdentifier, 601);
        EXPECT_EQ(term->windows.size(), 2u);
        EXPECT_TRUE(term->isActive) << "its second process is active";
        // The next refresh finds the second process by its bundle: still one task.
        EXPECT_EQ(sortedTitles(harness.tasksFrom(result)), once);
    }
    // A previous list that already holds an application twice is not copied.
    auto twice = harness.tasksFrom({});
    twice.push_back(twice.front()->copy());
    twice.back()->processIdentifier = 602;
    EXPECT_EQ(sortedTitles(harness.tasksFrom(twice)), once);
}
