#include <gtest/gtest.h>

#include "tests/Velmora/taskbar/BarModelTesting.h"

using namespace bar_testing;

namespace {

// The bar of a desktop after one real refresh, with the action log and the refresh requests
// cleared.
struct Bar {
    Bar() {
        harness.refresh();
        harness.desktop->clearActions();
        harness.updates = 0;
    }
    nlohmann::json details(std::size_t action) const { return harness.desktop->actions().at(action).details; }

    Harness harness{buttonsScenario};
    std::shared_ptr<Velmora::TaskbarViewModel> bar = harness.makeBar();
};

}  // namespace

TEST(ButtonActions, AClickActivatesAndOpensOrOnlyOpensTheRunningBundle) {
    Bar fixture;
    ASSERT_EQ(titles(*fixture.bar), (Strings{"Photos", "Notes", "Music", "Mail"}));
    auto& manager = *fixture.harness.manager;
    std::vector<std::shared_ptr<Velmora::Task>> lastClicked;
    Brindle::subscribeNext(manager.lastClicked.asObservable().skip(1), false, [&](const auto& task) {
        lastClicked.push_back(task);
    }).disposed(fixture.harness.bag);

    auto music = button(*fixture.bar, "Music");
    music->click();
    EXPECT_EQ(lastClicked, (std::vector<std::shared_ptr<Velmora::Task>>{music->task, nullptr}));
    ASSERT_EQ(fixture.harness.actionNames(), (Strings{"activate", "open"}));
    EXPECT_EQ(fixture.details(0)["pid"], 502);
    EXPECT_EQ(fixture.details(0)["options"], 1) << "with all of its windows";
    EXPECT_EQ(fixture.details(1)["url"], "file:///Applications/Music.app/");
    EXPECT_EQ(fixture.harness.desktop->workspace()->frontmostApplication()->processIdentifier(), 502);

    // The active task, and one someone else marked as last clicked, only open their own bundle.
    auto notes = button(*fixture.bar, "Notes");
    ASSERT_TRUE(notes->task->isActive);
    manager.lastClicked.set(music->task);
    EXPECT_TRUE(music->isLastClicked());
    fixture.harness.desktop->clearActions();
    notes->click();
    music->click();
    EXPECT_EQ(fixture.harness.actionNames(), (Strings{"open", "open"}));
    EXPECT_EQ(fixture.details(0)["url"], "file:///Applications/Notes.app/");
    EXPECT_EQ(manager.lastClicked.value(), music->task) << "left as it was";
    EXPECT_EQ(fixture.harness.updates, 3);
}

TEST(ButtonActions, AClickLaunchesAPinnedApplicationAndLeavesSeveralWindowsToTheirList) {
    Bar fixture;
    auto mail = button(*fixture.bar, "Mail");
    ASSERT_TRUE(mail->multiButton);
    mail->click();
    EXPECT_TRUE(fixture.harness.actionNames().empty());
    EXPECT_EQ(fixture.harness.updates, 0);

    auto photos = button(*fixture.bar, "Photos");
    photos->click();
    ASSERT_EQ(fixture.harness.actionNames(), (Strings{"open"}));
    EXPECT_EQ(fixture.details(0)["launched"], true);
    EXPECT_EQ(fixture.harness.updates, 1);
    fixture.harness.refresh();
    EXPECT_TRUE(photos->isRunning.value());
}

TEST(ButtonActions, ChoosingAWindowUnminimisesItNowAndAgainLater) {
    Bar fixture;
    auto mail = button(*fixture.bar, "Mail");
    auto draft = mail->task->visibleWindows().at(1);
    ASSERT_EQ(draft->title, "Draft");

    mail->chooseWindow(draft);
    ASSERT_EQ(fixture.harness.actionNames(), (Strings{"activate", "unminimize"}));
    EXPECT_EQ(fixture.details(0)["options"], 0);
    EXPECT_EQ(fixture.details(1)["title"], "Draft");
    fixture.harness.loop.advance(0.29);
    EXPECT_EQ(fixture.harness.updates, 0);
    fixture.harness.loop.advance(0.01);
    EXPECT_EQ(fixture.harness.actionNames(), (Strings{"activate", "unminimize", "unminimize"}));
    EXPECT_EQ(fixture.harness.updates, 1);
}
