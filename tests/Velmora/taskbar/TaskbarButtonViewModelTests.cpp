#include <gtest/gtest.h>

#include "tests/Velmora/taskbar/BarModelTesting.h"

using namespace bar_testing;

namespace {

using Desktop = ButtonsDesktop<platform::testing::VirtualMainLoop>;

TEST(ButtonActions, AClickActivatesAndOpensOnlyOpensOrLaunchesTheBundleOrLeavesItToTheWindowList) {
    Desktop fixture;
    auto& manager = *fixture.manager;
    std::vector<std::shared_ptr<Velmora::Task>> lastClicked;
    Brindle::subscribeNext(manager.lastClicked.asObservable().skip(1), false, [&](const auto& task) {
        lastClicked.push_back(task);
    }).disposed(fixture.bag);

    auto music = fixture.model("Music");
    music->click();
    EXPECT_EQ(lastClicked, (std::vector<std::shared_ptr<Velmora::Task>>{music->task, nullptr}));
    ASSERT_EQ(fixture.actionNames(), (Strings{"activate", "open"}));
    EXPECT_EQ(fixture.details(0)["pid"], 502);
    EXPECT_EQ(fixture.details(0)["options"], 1) << "with all of its windows";
    EXPECT_EQ(fixture.details(1)["url"], "file:///Applications/Music.app/");
    EXPECT_EQ(fixture.desktop->workspace()->frontmostApplication()->processIdentifier(), 502);

    // The active task, and one someone else marked as last clicked, only open their own bundle.
    manager.lastClicked.set(music->task);
    EXPECT_TRUE(music->isLastClicked());
    fixture.desktop->clearActions();
    fixture.model("Notes")->click();
    music->click();
    EXPECT_EQ(fixture.actionNames(), (Strings{"open", "open"}));
    EXPECT_EQ(fixture.details(0)["url"], "file:///Applications/Notes.app/");
    EXPECT_EQ(manager.lastClicked.value(), music->task) << "left as it was";

    // Several windows are left to their list; a pinned application is launched.
    fixture.desktop->clearActions();
    fixture.model("Mail")->click();
    EXPECT_TRUE(fixture.actionNames().empty());
    auto photos = fixture.model("Photos");
    photos->click();
    ASSERT_EQ(fixture.actionNames(), (Strings{"open"}));
    EXPECT_EQ(fixture.details(0)["launched"], true);
    EXPECT_EQ(fixture.updates, 4) << "a refresh for every click but Mail's";
    fixture.refresh();
    EXPECT_TRUE(photos->isRunning.value());
}

TEST(ButtonActions, ChoosingAWindowUnminimisesItNowAndAgainLater) {
    Desktop fixture;
    auto mail = fixture.model("Mail");
    mail->chooseWindow(mail->task->visibleWindows().at(1));
    ASSERT_EQ(fixture.actionNames(), (Strings{"activate", "unminimize"}));
    EXPECT_EQ(fixture.details(0)["options"], 0);
    EXPECT_EQ(fixture.details(1)["title"], "Draft");
    fixture.loop.advance(0.29);
    EXPECT_EQ(fixture.updates, 0);
    fixture.loop.advance(0.01);
    EXPECT_EQ(fixture.actionNames(), (Strings{"activate", "unminimize", "unminimize"}));
    EXPECT_EQ(fixture.updates, 1);
}

}  // namespace
