#include "Velmora/tracking/ApplicationManager.h"
#include "platform/system/Accessibility.h"
#include "platform/system/Screen.h"
#include "platform/system/WindowList.h"
#include "platform/system/Workspace.h"
#include "tests/Velmora/tracking/TrackingTesting.h"

using namespace tracking_testing;
using Velmora::TaskList;
using Names = std::vector<std::string>;

constexpr const char* notesAndMail = R"({"applications": [
    {"pid": 501, "name": "Notes", "bundleIdentifier": "com.apple.Notes",
     "windows": [{"title": "List", "frame": [100, 100, 600, 400]}]},
    {"pid": 502, "name": "Mail", "bundleIdentifier": "com.apple.mail",
     "windows": [{"title": "Inbox", "frame": [10, 25, 800, 600]}, {"title": "Draft", "frame": [900, 25, 300, 300]}]}],
  "installed": [{"name": "Photos", "bundleIdentifier": "com.apple.Photos"}],
  "dock": {"badges": {"Notes": "5"}})";

const std::string photosPinned =
    std::string(notesAndMail) + R"(, "defaults": {"pinned": ["file:///Applications/Photos.app/"]}})";

TEST(ApplicationManager, QueuedRefreshesEachPublishOnTheMainQueueAndTheLastResultStays) {
    Harness harness(photosPinned, true);
    auto manager = harness.manager;
    EXPECT_EQ(titles(manager->allTasks.value()), Names{"Photos"}) << "the pinned list at first";
    EXPECT_TRUE(manager->fetchAXWindows().empty()) << "no running task yet";
    harness.queue->runAll();
    harness.loop.runUntilIdle();
    // Both start-up builds ran before the first result reached the main queue, so each compared
    // with the empty list the bars had then.
    ASSERT_EQ(harness.published.size(), 2u);
    EXPECT_TRUE(Velmora::tasksEqual(harness.published[0], harness.published[1]));
    EXPECT_EQ(titles(manager->tasksRelay.value()), (Names{"Photos", "Notes", "Mail"}));
    // Accessibility windows come in task order, and replace the last ones unless no task runs.
    auto reversed = manager->allTasks.value();
    std::reverse(reversed.begin(), reversed.end());
    manager->allTasks.set(reversed);
    Names found;
    for (const auto& window : manager->fetchAXWindows())
        found.push_back(window->title + "/" + window->ownerName);
    EXPECT_EQ(found, (Names{"Inbox/Mail", "Draft/Mail", "List/Notes"}));
    EXPECT_EQ(manager->lastVisibleWindows().at(502).size(), 2u);
    manager->allTasks.set({tracking_testing::task("file:///Applications/Photos.app/")});
    EXPECT_TRUE(manager->fetchAXWindows().empty());
    EXPECT_EQ(manager->lastVisibleWindows().size(), 2u);
    harness.published.clear();
    harness.desktop->quit(501);
    manager->update.onNext();
    manager->update.onNext();
    EXPECT_EQ(harness.queue->runAll(), 1u) << "one drain hands both triggers on, one after the other";
    EXPECT_TRUE(harness.published.empty()) << "results are published on the main queue";
    harness.loop.runUntilIdle();
    ASSERT_EQ(harness.published.size(), 2u);
    EXPECT_EQ(titles(manager->allTasks.value()), (Names{"Photos", "Mail"}));
    harness.refresh();
    EXPECT_EQ(harness.published.size(), 2u) << "nothing changed since the last publication";
    harness.desktop->setDockBadge("Mail", "6");
    harness.refresh();
    EXPECT_EQ(harness.published.size(), 3u) << "a new badge is a change";
}

TEST(ApplicationManager, EveryTriggerGivesOneBuildAndAnEqualPinnedListNone) {
    Harness harness(std::string(notesAndMail) + "}");
    // While this setting is on every build publishes, so publications count builds.
    harness.settings->setShowOnRunningMonitorOnly(true);
    harness.loop.runUntilIdle();
    harness.published.clear();
    harness.manager->update.onNext();
    harness.manager->update.onNext();
    harness.loop.runUntilIdle();
    EXPECT_EQ(harness.published.size(), 2u) << "two quick updates, two builds";
    harness.loop.advance(0.5);
    EXPECT_EQ(harness.published.size(), 3u) << "the poll";
    harness.published.clear();
    harness.settings->pinnedApplications.accept(TaskList{});
    harness.loop.runUntilIdle();
    EXPECT_TRUE(harness.published.empty()) << "an equal list triggers nothing";
    for (int time = 0; time < 2; ++time) {
        harness.settings->loadPinned({tracking_testing::url("file:///Applications/Photos.app/")});
        harness.loop.runUntilIdle();
        ASSERT_EQ(harness.published.size(), 1u) << "the same pins as new objects are an equal list";
        EXPECT_EQ(titles(harness.published[0]), (Names{"Photos", "Notes", "Mail"}));
    }
}

TEST(ApplicationManager, PublishingSetsTheRelayTheListAndTheBadgesInThatOrderAndReportsTheCache) {
    Harness harness(photosPinned, true);
    std::vector<std::string> seen;
    Brindle::subscribeNext(harness.manager->tasksRelay.skip(1), false, [&](const TaskList& tasks) {
        seen.push_back("relay " + std::to_string(tasks.size()) + " list " +
                       std::to_string(harness.manager->allTasks.value().size()));
    }).disposed(harness.bag);
    Brindle::subscribeNext(harness.manager->allTasks.asObservable().skip(1), false, [&](const TaskList&) {
        seen.push_back("list badges " + std::to_string(harness.manager->badges().size()));
    }).disposed(harness.bag);
    harness.settings->setShowOnRunningMonitorOnly(true);
    testing::internal::CaptureStdout();
    harness.refresh();
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[0], "relay 3 list 1") << "the relay first, while the list still holds the pinned one";
    EXPECT_EQ(seen[1], "list badges 0") << "then the list, before the badges";
    EXPECT_EQ(harness.manager->badges(), (Velmora::BadgeMap{{"Notes", "5"}}));
    // A cached accessibility window lends its title to the listed one of its frame and makes it
    // real; the cache's size is printed when it changes, and only then.
    auto cached = tracking_testing::window(100, 100, 600, 400, "From Accessibility", 0, 501);
    harness.manager->betterProcessInfo->insert(cached->frameKey(), cached);
    harness.refresh();
    harness.refresh();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Better info count: 1\n");
    EXPECT_EQ(harness.manager->betterProcessInfoCountReported(), 1u);
    const auto tasks = harness.manager->tasksRelay.value();
    ASSERT_EQ(titles(tasks), (Names{"Photos", "Notes", "Mail"}));
    EXPECT_EQ(tasks[1]->windows[0]->title, "From Accessibility");
    EXPECT_TRUE(tasks[1]->windows[0]->isRealWindow);
    EXPECT_FALSE(tasks[2]->windows[0]->isRealWindow);
}

namespace {

// The installed desktop, counting how often the tracking asks it for its applications, window
// list or Accessibility.
struct CountingSystem final : platform::System {
    explicit CountingSystem(std::shared_ptr<platform::System> inner) : inner(std::move(inner)) {}
    std::shared_ptr<platform::Workspace> workspace() override { return ++reads, inner->workspace(); }
    std::shared_ptr<platform::Accessibility> accessibility() override {
        return ++reads, inner->accessibility();
    }
    std::shared_ptr<platform::WindowList> windowList() override { return ++reads, inner->windowList(); }
    std::shared_ptr<platform::EventMonitors> eventMonitors() override { return inner->eventMonitors(); }
    std::shared_ptr<platform::LoginItems> loginItems() override { return inner->loginItems(); }
    std::shared_ptr<platform::AppleScript> appleScript() override { return inner->appleScript(); }
    std::shared_ptr<platform::Application> application() override { return inner->application(); }
    std::optional<std::uint64_t> generation() override { return inner->generation(); }
    std::optional<std::string> runCommandLine(const std::string& line) override {
        return inner->runCommandLine(line);
    }
    std::shared_ptr<platform::System> inner;
    int reads = 0;
};

}  // namespace

TEST(ApplicationManager, DesktopChangesAskForOneRefreshPerBurstAndAnUnchangedDesktopIsNotReadAgain) {
    Harness harness(std::string(notesAndMail) + "}", true);
    harness.refresh();
    auto counting = std::make_shared<CountingSystem>(harness.desktop);
    platform::ScopedSystem installed(counting);
    int asked = 0;
    Brindle::subscribeNext(harness.manager->update, false, [&](rx::Unit) { ++asked; }).disposed(harness.bag);
    const auto readsOf = [&](auto&& action) {
        const int before = counting->reads;
        action();
        return counting->reads - before;
    };
    harness.refresh();
    EXPECT_EQ(readsOf([&] { harness.refresh(); }), 0) << "nothing changed since the last refresh";
    EXPECT_GT(readsOf([&] { harness.manager->fetchAXWindows(); }), 0);
    EXPECT_EQ(readsOf([&] { harness.manager->fetchAXWindows(); }), 0)
        << "nor since the last full-screen read";
    asked = 0;
    harness.published.clear();
    harness.desktop->setWindows(501, {{.title = "List", .frame = platform::Rect::make(100, 100, 600, 400)},
                                      {.title = "Today", .frame = platform::Rect::make(50, 50, 300, 200)}});
    harness.desktop->setDockBadge("Notes", "7");
    harness.loop.runUntilIdle();
    EXPECT_EQ(asked, 1) << "a burst of changes asks once";
    EXPECT_GT(readsOf([&] { harness.queue->runAll(), harness.loop.runUntilIdle(); }), 0);
    ASSERT_EQ(harness.published.size(), 1u);
    EXPECT_EQ(harness.published[0][0]->windows.size(), 2u);
    EXPECT_EQ(harness.manager->badges(), (Velmora::BadgeMap{{"Notes", "7"}}));
    EXPECT_EQ(harness.manager->fetchAXWindows().size(), 4u) << "the full-screen read sees the new window";
}

// The poll's ticks on an unchanged desktop are settled where they fire; each change of what a
// refresh reads hands the next tick (or its own trigger) on to the refresh queue.
TEST(ApplicationManager, APollTickFindingNothingChangedQueuesNoRefreshButEveryKindOfChangeDoes) {
    Harness harness(std::string(notesAndMail) + "}", true);
    auto manager = harness.manager;
    // Each tick's refreshes, run: how many the tick queued.
    const auto tick = [&] {
        harness.loop.advance(Velmora::ApplicationManager::pollPeriod);
        const auto queued = harness.queue->runAll();
        harness.loop.runUntilIdle();
        return queued;
    };
    const auto settle = [&] {
        for (int round = 0; round < 5; ++round)
            if (tick() == 0) return true;
        return false;
    };
    ASSERT_TRUE(settle());
    EXPECT_EQ(tick(), 0u) << "the last finding is trusted";
    struct Change {
        const char* name;
        std::function<void()> apply;
    };
    const std::vector<Change> changes = {
        {"a button dragged to another place",
         [&] {
             auto tasks = manager->allTasks.value();
             std::reverse(tasks.begin(), tasks.end());
             manager->allTasks.set(tasks);
         }},
        {"the desktop, unannounced", [&] { harness.desktop->setDockBadge("Mail", "4"); }},
        {"the screens",
         [&] {
             platform::Screens::update(
                 {platform::Screen{.identifier = "wide",
                                   .frame = platform::Rect::make(0, 0, 1920, 1080),
                                   .visibleFrame = platform::Rect::make(0, 0, 1920, 1055)}});
         }},
        {"the pinned list",
         [&] { harness.settings->loadPinned({tracking_testing::url("file:///Applications/Photos.app/")}); }},
    };
    for (const auto& change : changes) {
        change.apply();
        harness.loop.runUntilIdle();
        EXPECT_GE(harness.queue->pendingCount() + tick(), 1u) << change.name;
        EXPECT_TRUE(settle()) << change.name;
    }
    EXPECT_EQ(harness.manager->badges(), (Velmora::BadgeMap{{"Notes", "5"}, {"Mail", "4"}}));
    // With the bars' setting on, every tick refreshes; off again, the ticks settle.
    harness.settings->setShowOnRunningMonitorOnly(true);
    EXPECT_EQ(tick(), 1u);
    EXPECT_EQ(tick(), 1u);
    harness.settings->setShowOnRunningMonitorOnly(false);
    EXPECT_TRUE(settle());
    // A window cached for its title lends it only for a while: every tick refreshes meanwhile.
    harness.manager->betterProcessInfo->insert("cached",
                                               tracking_testing::window(1, 1, 1, 1, "Cached", 0, 501));
    EXPECT_EQ(tick(), 1u);
    EXPECT_EQ(tick(), 1u);
}

TEST(ApplicationManager, TheFullScreenReadingsStampStaysWhileTheDesktopAndTheTasksDo) {
    Harness harness(std::string(notesAndMail) + "}");
    auto manager = harness.manager;
    harness.refresh();
    EXPECT_FALSE(manager->currentAXWindowsStamp()) << "nothing read yet";
    const auto first = manager->fetchStampedAXWindows();
    ASSERT_TRUE(first.stamp);
    EXPECT_EQ(manager->currentAXWindowsStamp(), first.stamp);
    EXPECT_EQ(manager->fetchStampedAXWindows().stamp, first.stamp);
    // The tasks in another order read the windows in another order.
    auto tasks = manager->allTasks.value();
    std::reverse(tasks.begin(), tasks.end());
    manager->allTasks.set(tasks);
    EXPECT_FALSE(manager->currentAXWindowsStamp());
    const auto reordered = manager->fetchStampedAXWindows();
    EXPECT_NE(reordered.stamp, first.stamp);
    // A new window: a new reading, which holds it.
    harness.desktop->setWindows(501, {{.title = "List", .frame = platform::Rect::make(100, 100, 600, 400)},
                                      {.title = "Today", .frame = platform::Rect::make(50, 50, 300, 200)}});
    EXPECT_FALSE(manager->currentAXWindowsStamp());
    const auto grown = manager->fetchStampedAXWindows();
    EXPECT_EQ(grown.windows.size(), 4u);
    EXPECT_NE(grown.stamp, reordered.stamp);
    manager->allTasks.set({});
    EXPECT_EQ(manager->fetchStampedAXWindows().stamp, 0u) << "no running task: the empty answer";
}
