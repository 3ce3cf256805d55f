#include <gtest/gtest.h>

#include <cstdio>
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
    // Then the state it leaves.
    template <class Feed>
    std::string printedThenState(Feed feed) {
        auto lines = printed(feed);
        return lines + state();
    }
    void drag(const std::shared_ptr<Velmora::Task>& task, double dx) {
        bar->movingTask.accept(TaskbarViewModel::MovingTask{task, {dx, 0}});
    }
    void dragAndDrop(const std::shared_ptr<Velmora::Task>& task, double dx) {
        printed([&] {
            drag(task, dx);
            bar->movingTask.accept(std::nullopt);
        });
    }
    // The machine's state and the drop index, as "moving 2" or "idle -".
    std::string state() const {
        auto index = bar->draggingTargetIndex.value();
        return std::string(std::dynamic_pointer_cast<TaskbarStateMovingApp>(bar->currentState()) ? "moving"
                           : std::dynamic_pointer_cast<TaskbarStateIdle>(bar->currentState())    ? "idle"
                                                                                                 : "none") +
               " " + (index ? std::to_string(*index) : "-");
    }
    std::string allTitles() const {
        std::string result;
        for (const auto& task : harness.manager->allTasks.value())
            result += task->title + " " + std::to_string(task->index) + ", ";
        return result;
    }
    const std::string unmoved = "Photos 0, Notes 1, Music 2, Mail 3, ";

    bar_testing::Harness harness{
        R"({"screens": [{"id": "a", "frame": [0, 0, 1500, 900], "visibleFrame": [0, 0, 1500, 875]},
        {"id": "b", "frame": [1500, 0, 1500, 900], "visibleFrame": [1500, 0, 1500, 875]}],
      "defaults": {"pinned": ["file:///Applications/Photos.app/", "file:///Applications/Music.app/"]}})"};
    std::shared_ptr<TaskbarViewModel> bar = harness.makeBar(1);
    Velmora::TaskList tasks{app("Photos", 0), app("Notes", 1), app("Music", 2), app("Mail", 3)};
};

}  // namespace

TEST_F(DragTest,
       TheBarNeverStartsItsMachineAndAStartedOneShowsTheDropIndexOfEachMoveWhereTheButtonHasAFrame) {
    drag(tasks[2], 5);
    harness.loop.runUntilIdle();
    EXPECT_EQ(state(), "none -") << "no drag without an owner that starts the machine";
    bar->movingTask.accept(std::nullopt);

    bar->start(Brindle::make<TaskbarStateIdle>());
    // Music's frame starts at 200: the index counts the frames starting left of where it is now;
    // exactly on the leftmost frame counts as 1.
    const std::pair<double, int> moves[]{{0, 2}, {-100, 1}, {-101, 0}, {0.5, 3}, {-49.5, 2}, {300, 4}};
    for (const auto& [dx, index] : moves) {
        char line[64];
        std::snprintf(line, sizeof line, "%d index: (%.1f, 0.0)\nmoving %d", index, dx, index);
        EXPECT_EQ(printedThenState([&] { drag(tasks[2], dx); }), line);
    }
    // Without frames there is no index to show, and nothing is printed.
    auto frames = std::exchange(bar->taskBounds, {});
    bar->draggingTargetIndex.set(std::nullopt);
    auto moving = std::dynamic_pointer_cast<TaskbarStateMovingApp>(bar->currentState());
    EXPECT_EQ(printedThenState([&] {
                  moving->updateTarget(frames.at(tasks[2]->bundlePath), {10, 0});
              }),
              "moving -");
    bar->taskBounds = frames;
    auto dropped = printedThenState([&] { bar->movingTask.accept(std::nullopt); });
    EXPECT_EQ(dropped + ": " + allTitles(), "idle -: " + unmoved) << "a drop without an index";
    // So for a button without a frame; the next drag starts afresh.
    EXPECT_EQ(printedThenState([&] { drag(bar_testing::Harness::notRunning("Maps"), 10); }), "moving -");
    dropped = printedThenState([&] { bar->movingTask.accept(std::nullopt); });
    EXPECT_EQ(dropped + ": " + allTitles(), "idle -: " + unmoved);
    EXPECT_EQ(printed([&] { drag(tasks[3], 0); }), "3 index: (0.0, 0.0)\n");
}

TEST_F(DragTest, ADropMovesTheTaskInTheManagersListRenumbersItStoresThePinnedOrderAndClearsTheIndex) {
    bar->start(Brindle::make<TaskbarStateIdle>());
    const std::vector<platform::URL> musicThenPhotos{tasks[2]->bundlePath, tasks[0]->bundlePath};
    // With no per-screen lists the drop goes to the front.
    dragAndDrop(tasks[2], 60);
    EXPECT_EQ(state() + ": " + allTitles(), "idle -: Music 0, Photos 1, Notes 2, Mail 3, ");
    EXPECT_EQ(harness.settings->pinnedApplicationsState(), musicThenPhotos);
    EXPECT_EQ(tasks[2]->index, 2) << "the published tasks are not written";

    // The buttons of the screens before this bar's come first; a second copy of the task goes.
    auto other = harness.makeBar(0);
    harness.manager->taskPerScreenRelay.accept({{other->makeButtons({tasks[3]})}, {}});
    auto all = harness.manager->allTasks.value();
    all.push_back(tasks[1]->copy());
    harness.manager->allTasks.set(all);
    dragAndDrop(tasks[1], -51);
    EXPECT_EQ(allTitles(), "Music 0, Notes 1, Photos 2, Mail 3, ");
    // Past the end it is appended.
    dragAndDrop(tasks[0], 1000);
    EXPECT_EQ(allTitles(), "Music 0, Notes 1, Mail 2, Photos 3, ");
    EXPECT_EQ(harness.settings->pinnedApplicationsState(), musicThenPhotos);
    // Buttons hold the manager that holds them here.
    harness.manager->taskPerScreenRelay.accept({});
}
