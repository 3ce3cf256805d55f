#include <gtest/gtest.h>

#include <sstream>

#include "Brindle/JSONCoding.h"
#include "Velmora/taskbar/TaskbarState.h"
#include "tests/Velmora/taskbar/BarModelTesting.h"
#include "tests/Velmora/tracking/TrackingTesting.h"

TEST(SettingsSync, PinnedOrderFollowsTheTaskIndexesAndDropsWhatHasNoTask) {
    tracking_testing::Harness harness(R"({"installed": [
        {"name": "Mail", "bundleIdentifier": "com.apple.mail", "bundle": "/Applications/Mail.app"},
        {"name": "Notes", "bundleIdentifier": "com.apple.Notes", "bundle": "/Applications/Notes.app"},
        {"name": "Photos", "bundleIdentifier": "com.apple.Photos", "bundle": "/Applications/Photos.app"}],
      "defaults": {"pinned": ["file:///Applications/Mail.app/", "file:///Applications/Notes.app/",
                              "file:///Applications/Photos.app/"]}})",
                                      true);
    auto& settings = *harness.settings;
    auto before = settings.pinnedApplications.value();
    using tracking_testing::task;
    harness.manager->allTasks.set({task("file:///Applications/Mail.app/", 4, {}, "Mail"),
                                   task("file:///Applications/Other.app/", 0, {}, "Other"),
                                   task("file:///Applications/Notes.app/", 1, {}, "Notes"),
                                   task("file:///Applications/Notes.app/", 4, {}, "Notes again")});
    syncPinnedOrder(settings, *harness.manager);
    auto after = settings.pinnedApplications.value();
    EXPECT_EQ(tracking_testing::titles(after), (std::vector<std::string>{"Notes", "Mail", "Notes"}))
        << "equal indexes keep their order; Photos has no task";
    EXPECT_EQ(tracking_testing::indexes(after), (std::vector<std::int64_t>{0, 1, 2}));
    EXPECT_NE(after[1], before.at(0)) << "new tasks";
    EXPECT_EQ(platform::UserDefaults::standard()->dataForKey(Velmora::SettingsManager::pinnedKey),
              Brindle::encodeJSON(std::vector<std::string>{"file:///Applications/Notes.app/",
                                                           "file:///Applications/Mail.app/",
                                                           "file:///Applications/Notes.app/"}));
}

namespace {

using Velmora::TaskbarStateIdle;
using Velmora::TaskbarStateMovingApp;
using Velmora::TaskbarViewModel;

// Two screens, the bar on the second; Photos and Music pinned. Frames at 100, 150, 200 and 250.
class DragTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const auto& task : tasks)
            bar->setTaskBounds(platform::Rect::make(50.0 * task->index + 100, 0, 48, 80), task);
        harness.manager->allTasks.set(tasks);
    }
    static std::shared_ptr<Velmora::Task> app(const std::string& name, std::int64_t index) {
        auto task = bar_testing::Harness::notRunning(name);
        task->index = index;
        return task;
    }
    // The lines printed while `feed` runs and the loop settles, state switches aside.
    template <class Feed>
    std::string printed(Feed feed) {
        testing::internal::CaptureStdout();
        feed();
        harness.loop.runUntilIdle();
        std::istringstream lines(testing::internal::GetCapturedStdout());
        std::string result;
        for (std::string line; std::getline(lines, line);)
            if (!line.starts_with("Switching to state: ")) result += line + "\n";
        return result;
    }
    void drag(const std::shared_ptr<Velmora::Task>& task, double dx) {
        bar->movingTask.accept(TaskbarViewModel::MovingTask{task, {dx, 0}});
    }
    std::vector<std::string> allTitles() const {
        std::vector<std::string> result;
        for (const auto& task : harness.manager->allTasks.value())
            result.push_back(task->title + " " + std::to_string(task->index));
        return result;
    }

    bar_testing::Harness harness{
        R"({"screens": [{"id": "a", "frame": [0, 0, 1500, 900], "visibleFrame": [0, 0, 1500, 875]},
        {"id": "b", "frame": [1500, 0, 1500, 900], "visibleFrame": [1500, 0, 1500, 875]}],
      "defaults": {"pinned": ["file:///Applications/Photos.app/", "file:///Applications/Music.app/"]}})"};
    std::shared_ptr<TaskbarViewModel> bar = harness.makeBar(1);
    Velmora::TaskList tasks{app("Photos", 0), app("Notes", 1), app("Music", 2), app("Mail", 3)};
};

}  // namespace

TEST_F(DragTest, TheBarNeverStartsItsMachineAndAStartedOneShowsTheDropIndexOfEachMove) {
    EXPECT_FALSE(bar->currentState()) << "no drag without an owner that starts the machine";
    drag(tasks[2], 5);
    harness.loop.runUntilIdle();
    EXPECT_FALSE(bar->draggingTargetIndex.value());
    bar->movingTask.accept(std::nullopt);

    bar->start(Brindle::make<TaskbarStateIdle>());
    // Music's frame starts at 200: the index counts the frames starting left of where it is now;
    // exactly on the leftmost frame counts as 1.
    const struct {
        double dx;
        std::int64_t index;
        const char* line;
    } moves[]{{0, 2, "2 index: (0.0, 0.0)\n"},       {-100, 1, "1 index: (-100.0, 0.0)\n"},
              {-101, 0, "0 index: (-101.0, 0.0)\n"}, {0.5, 3, "3 index: (0.5, 0.0)\n"},
              {-49.5, 2, "2 index: (-49.5, 0.0)\n"}, {300, 4, "4 index: (300.0, 0.0)\n"}};
    for (const auto& move : moves) {
        SCOPED_TRACE(move.dx);
        EXPECT_EQ(printed([&] { drag(tasks[2], move.dx); }), move.line);
        EXPECT_EQ(bar->draggingTargetIndex.value(), move.index);
        EXPECT_TRUE(std::dynamic_pointer_cast<TaskbarStateMovingApp>(bar->currentState()));
    }
    // Without frames there is no index to show, and nothing is printed.
    auto frames = std::exchange(bar->taskBounds, {});
    bar->draggingTargetIndex.set(std::nullopt);
    auto moving = std::dynamic_pointer_cast<TaskbarStateMovingApp>(bar->currentState());
    EXPECT_EQ(printed([&] { moving->updateTarget(frames.at(tasks[2]->bundlePath), {10, 0}); }), "");
    EXPECT_FALSE(bar->draggingTargetIndex.value());
    bar->taskBounds = frames;
    EXPECT_EQ(printed([&] { bar->movingTask.accept(std::nullopt); }), "");
    EXPECT_TRUE(std::dynamic_pointer_cast<TaskbarStateIdle>(bar->currentState()))
        << "a drop without an index";
    EXPECT_EQ(allTitles(), (std::vector<std::string>{"Photos 0", "Notes 1", "Music 2", "Mail 3"}));
}

TEST_F(DragTest, ADropMovesTheTaskInTheManagersListRenumbersItStoresThePinnedOrderAndClearsTheIndex) {
    bar->start(Brindle::make<TaskbarStateIdle>());
    // With no per-screen lists the drop goes to the front.
    printed([&] {
        drag(tasks[2], 60);
        bar->movingTask.accept(std::nullopt);
    });
    EXPECT_EQ(allTitles(), (std::vector<std::string>{"Music 0", "Photos 1", "Notes 2", "Mail 3"}));
    EXPECT_FALSE(bar->draggingTargetIndex.value());
    EXPECT_EQ(harness.settings->pinnedApplicationsState(),
              (std::vector<platform::URL>{tasks[2]->bundlePath, tasks[0]->bundlePath}));
    EXPECT_EQ(tasks[2]->index, 2) << "the published tasks are not written";
    ASSERT_TRUE(std::dynamic_pointer_cast<TaskbarStateIdle>(bar->currentState()));

    // The buttons of the screens before this bar's come first; a second copy of the task goes.
    auto other = harness.makeBar(0);
    harness.manager->taskPerScreenRelay.accept({{other->makeButtons({tasks[3]})}, {}});
    auto all = harness.manager->allTasks.value();
    all.push_back(tasks[1]->copy());
    harness.manager->allTasks.set(all);
    printed([&] {
        drag(tasks[1], -51);
        bar->movingTask.accept(std::nullopt);
    });
    EXPECT_EQ(allTitles(), (std::vector<std::string>{"Music 0", "Notes 1", "Photos 2", "Mail 3"}));
    // Past the end it is appended.
    printed([&] {
        drag(tasks[0], 1000);
        bar->movingTask.accept(std::nullopt);
    });
    EXPECT_EQ(allTitles(), (std::vector<std::string>{"Music 0", "Notes 1", "Mail 2", "Photos 3"}));
    EXPECT_EQ(harness.settings->pinnedApplicationsState(),
              (std::vector<platform::URL>{tasks[2]->bundlePath, tasks[0]->bundlePath}));
    // Buttons hold the manager that holds them here.
    harness.manager->taskPerScreenRelay.accept({});
}

TEST_F(DragTest, ADragOfAButtonWithoutAFrameShowsNothingAndItsDropMovesNothing) {
    bar->start(Brindle::make<TaskbarStateIdle>());
    auto unlaidOut = bar_testing::Harness::notRunning("Maps");
    EXPECT_EQ(printed([&] { drag(unlaidOut, 10); }), "");
    EXPECT_FALSE(bar->draggingTargetIndex.value());
    printed([&] { bar->movingTask.accept(std::nullopt); });
    EXPECT_EQ(allTitles(), (std::vector<std::string>{"Photos 0", "Notes 1", "Music 2", "Mail 3"}));
    EXPECT_TRUE(std::dynamic_pointer_cast<TaskbarStateIdle>(bar->currentState()));
    // The next drag starts afresh.
    EXPECT_EQ(printed([&] { drag(tasks[3], 0); }), "3 index: (0.0, 0.0)\n");
}
