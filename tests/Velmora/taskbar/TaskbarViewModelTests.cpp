#include "platform/base/Animation.h"
#include "tests/Velmora/taskbar/BarModelTesting.h"

using namespace bar_testing;

// Mail is still starting; the bar lies on the first of three screens, the last without room.
class TaskbarViewModelTest : public ::testing::Test {
protected:
    Harness harness{
        R"({"screens": [{"id": "a", "frame": [0, 0, 1500, 900], "visibleFrame": [0, 0, 1500, 875]},
        {"id": "b", "frame": [1500, 0, 1508, 900], "visibleFrame": [1500, 0, 1508, 875]},
        {"id": "c", "frame": [3008, 0, 108, 900], "visibleFrame": [3008, 0, 108, 875]}],
      "applications": [{"pid": 501, "name": "Notes", "bundle": "/Applications/Notes.app"},
        {"pid": 502, "name": "Mail", "bundle": "/Applications/Mail.app", "finishedLaunching": false},
        {"pid": 503, "name": "Music", "bundle": "/Applications/Music.app"}],
      "defaults": {"pinned": ["file:///Applications/Photos.app/"]}})"};
    std::shared_ptr<Velmora::TaskbarViewModel> bar = harness.makeBar();
};

TEST_F(TaskbarViewModelTest, FillsOnceInListOrderAndAppendsLaterArrivalsAtTheRightEnd) {
    std::vector<bool> animated;
    Brindle::subscribeNext(bar->tasks.asObservable().skip(1), false, [&](const auto&) {
        animated.push_back(platform::isInAnimationTransaction());
    }).disposed(harness.bag);
    harness.publish({});
    harness.publish({Harness::notRunning("Photos"), harness.running(501)});
    auto kept = bar->tasks.value();
    // Music sorts first in the new list but still goes to the right end; kept buttons take the
    // new records.
    auto activeNotes = harness.running(501, true);
    activeNotes->badge = "3";
    harness.publish({harness.running(503), harness.running(502), Harness::notRunning("Photos"), activeNotes});
    EXPECT_EQ(titles(*bar), (Strings{"Photos", "Notes", "Music", "Mail"}));
    EXPECT_EQ(bar->tasks.value()[0], kept[0]);
    EXPECT_EQ(bar->tasks.value()[1], kept[1]);
    EXPECT_EQ(animated, (std::vector<bool>{false, true, true})) << "only the first fill is not animated";
    EXPECT_EQ(kept[1]->task, activeNotes);
    EXPECT_EQ(kept[1]->badge.value(), std::optional<std::string>("3"));
    EXPECT_EQ(std::pair(kept[1]->isStarting.value(), button(*bar, "Mail")->isStarting.value()),
              std::pair(false, true));
}

TEST_F(TaskbarViewModelTest, VanishedButtonsStayUntilTheirClosingStateRemovesThem) {
    harness.publish({harness.running(501), harness.running(502), harness.running(503)});
    auto mail = bar->tasks.value()[1];
    mail->onAppearedCalled.accept(true);
    harness.publish({harness.running(503)});
    EXPECT_EQ(titles(*bar), (Strings{"Notes", "Mail", "Music"}));
    EXPECT_TRUE(mail->isExiting.value());
    // Back before the removal: the same button matches and no second one is made.
    harness.loop.advance(0.4);
    harness.publish({harness.running(502), harness.running(503)});
    EXPECT_EQ(titles(*bar), (Strings{"Notes", "Mail", "Music"}));
    EXPECT_FALSE(mail->isExiting.value());
    // The closed button leaves anyway, and the list as it stands makes a new one at the right end
    // without waiting for another. Notes, never shown, stays although it is gone.
    harness.loop.advance(0.1);
    EXPECT_EQ(titles(*bar), (Strings{"Notes", "Music", "Mail"}));
    EXPECT_NE(bar->tasks.value()[2], mail);
    harness.publish({harness.running(502), harness.running(503)});
    EXPECT_EQ(titles(*bar), (Strings{"Notes", "Music", "Mail"}));
    // Gone for good, it leaves no button behind.
    auto newMail = bar->tasks.value()[2];
    newMail->onAppearedCalled.accept(true);
    harness.publish({harness.running(503)});
    harness.loop.advance(0.5);
    EXPECT_EQ(titles(*bar), (Strings{"Notes", "Music"}));
}

TEST_F(TaskbarViewModelTest, RepeatedBundlePathsGetOneButtonAfterTheFirstFill) {
    auto notes = harness.running(501);
    harness.publish({notes, notes->copy()});
    ASSERT_EQ(titles(*bar), (Strings{"Notes", "Notes"}));
    auto first = bar->tasks.value()[0];
    auto second = bar->tasks.value()[1];
    EXPECT_EQ(*first, *second);
    harness.publish({notes, notes->copy()});
    EXPECT_FALSE(first->isExiting.value());
    EXPECT_TRUE(second->isExiting.value()) << "every task matched the first button";
    bar->removeButton(second);
    EXPECT_TRUE(bar->tasks.value().empty()) << "both buttons share the path";
}

TEST_F(TaskbarViewModelTest, AnswersTheBarViewsLayoutQuestions) {
    EXPECT_EQ(bar->availableWidth.value(), std::optional<double>(1392.0));
    EXPECT_TRUE(bar->hasSpaceForTitles()) << "no buttons, a positive width";
    EXPECT_FALSE(harness.makeBar(2)->hasSpaceForTitles()) << "no buttons, no width";
    Velmora::TaskList ten;
    for (int i = 0; i < 10; ++i) ten.push_back(Harness::notRunning("App" + std::to_string(i)));
    harness.publish(ten);
    EXPECT_FALSE(bar->hasSpaceForTitles()) << "139.2 points a button";
    EXPECT_TRUE(harness.makeBar(1)->hasSpaceForTitles()) << "exactly 140 points a button";
    auto task = ten[0];
    bar->setTaskBounds(platform::Rect::make(1, 2, 48, 60), task);
    bar->setTaskBounds(platform::Rect::make(10, 2, 48, 60), Harness::notRunning("App0"));
    EXPECT_EQ(bar->taskBounds.at(task->bundlePath), platform::Rect::make(10, 2, 48, 60));
    bar->movingTask.accept(Velmora::TaskbarViewModel::MovingTask{task, {5, 0}});
    bar->setTaskBounds(platform::Rect::make(99, 2, 48, 60), task);
    EXPECT_EQ(bar->taskBounds.at(task->bundlePath), platform::Rect::make(10, 2, 48, 60))
        << "ignored while dragging";
}

TEST_F(TaskbarViewModelTest, ButtonBoundsLeaveWithTheirButtonsHoweverManyApplicationsComeAndGo) {
    harness.publish({harness.running(501)});
    auto notes = bar->tasks.value()[0];
    bar->setTaskBounds(platform::Rect::make(0, 2, 48, 60), notes->task);
    for (int i = 0; i < 20; ++i) {
        harness.publish({notes->task, Harness::notRunning("Churn" + std::to_string(i))});
        auto churned = bar->tasks.value().back();
        churned->onAppearedCalled.accept(true);
        bar->setTaskBounds(platform::Rect::make(48, 2, 48, 60), churned->task);
        harness.publish({notes->task});
        // The leaving button's view still moves while it goes.
        bar->setTaskBounds(platform::Rect::make(40, 2, 48, 60), churned->task);
        harness.loop.advance(1.0);
    }
    EXPECT_EQ(titles(*bar), (Strings{"Notes"}));
    EXPECT_EQ(bar->taskBounds.size(), 1u);
    EXPECT_TRUE(bar->taskBounds.count(notes->task->bundlePath));
}

TEST_F(TaskbarViewModelTest,
       ShowingApplicationsOnTheirMonitorsKeepsEachBarToItsScreensWindowsAndSwitchesAtOnce) {
    auto second = harness.makeBar(1);
    auto on = [&](std::int32_t pid, std::int64_t display) {
        auto window =
            Brindle::make<Velmora::Window>(Velmora::WindowRecord{}, "", std::vector<platform::Screen>{});
        window->display = display;
        auto plain = harness.running(pid);
        return Brindle::make<Velmora::Task>(plain->runningApplication, 0, plain->bundlePath, false, pid,
                                            plain->title, std::nullopt, Velmora::Windows{window});
    };
    harness.publish({Harness::notRunning("Photos"), on(501, 0), on(503, 1)});
    auto exiting = [](const Velmora::TaskbarViewModel& model) {
        Strings result;
        for (const auto& button : model.tasks.value())
            if (button->isExiting.value()) result.push_back(button->title);
        return result;
    };
    EXPECT_EQ(titles(*bar), titles(*second));
    bar->settings()->setShowOnRunningMonitorOnly(true);
    EXPECT_EQ(exiting(*bar), Strings{"Music"}) << "Photos has no windows and stays";
    EXPECT_EQ(exiting(*second), Strings{"Notes"});
    bar->settings()->setShowOnRunningMonitorOnly(false);
    EXPECT_TRUE(exiting(*bar).empty() && exiting(*second).empty());
}

// Pinned while they ran, the active Notes and the two-windowed Mail end: each is then a pinned
// application that does not run, whatever its record held when it was pinned.
TEST(PinnedApplicationThatEnds, LosesItsActiveMarkItsWindowsAndItsProcess) {
    ButtonsDesktop<platform::testing::VirtualMainLoop> desktop;
    for (const auto& button : desktop.bar->tasks.value()) button->onAppearedCalled.accept(true);
    auto notes = desktop.model("Notes");
    auto mail = desktop.model("Mail");
    notes->pin();
    mail->pin();
    desktop.refresh();
    ASSERT_TRUE(notes->isActiveRelay.value() && notes->isPinned.value() && mail->listsWindows.value());
    for (std::int32_t pid : {501, 503}) ASSERT_TRUE(desktop.desktop->quit(pid));
    desktop.refresh();
    for (const auto& model : {notes, mail}) {
        SCOPED_TRACE(model->title);
        EXPECT_FALSE(model->isActiveRelay.value());
        EXPECT_FALSE(model->isRunning.value());
        EXPECT_FALSE(model->listsWindows.value());
        EXPECT_FALSE(model->task->runningApplication);
    }
    desktop.desktop->clearActions();
    notes->click();
    ASSERT_EQ(desktop.actionNames(), (Strings{"open"}));
    EXPECT_EQ(desktop.details(0)["launched"], true);
}
