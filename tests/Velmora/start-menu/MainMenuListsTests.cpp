#include <gtest/gtest.h>

#include "Brindle/RxHelpers.h"
#include "tests/Velmora/start-menu/MainMenuTesting.h"

using menu_testing::app;
using menu_testing::installed;
using menu_testing::MenuHarness;
using menu_testing::Strings;
using menu_testing::task;
using menu_testing::titles;
using Velmora::MainMenuViewModel;
using Velmora::TaskList;

namespace {

// The known applications of the first recommended slots, one per slot, in slot order.
std::string firstSlots(std::size_t count) {
    const std::pair<const char*, const char*> slots[] = {
        {"firefox", "org.mozilla.firefox"},  {"Xcode", "com.apple.dt.Xcode"},
        {"Spotify", "com.spotify.client"},   {"Battle.net", "net.battle.app"},
        {"App Store", "com.apple.AppStore"}, {"Twitter", "maccatalyst.com.atebits.Tweetie2"},
        {"Photos", "com.apple.Photos"},      {"Calendar", "com.apple.iCal"},
        {"Mail", "com.apple.mail"},          {"Messages", "com.apple.MobileSMS"},
        {"Pages", "com.apple.iWork.Pages"},  {"Reminders", "com.apple.reminders"},
        {"Notes", "com.apple.Notes"}};
    Strings apps;
    for (std::size_t slot = 0; slot < count; ++slot)
        apps.push_back(app(slots[slot].first, slots[slot].second));
    return installed(apps);
}
const Strings firstFour = {"Battle.net", "firefox", "Spotify", "Xcode"};

Strings keys(const std::vector<Velmora::AppGroup>& groups) {
    Strings result;
    for (const auto& group : groups) result.push_back(group.key);
    return result;
}

// Hands the user-interactive work to the test, which runs it with `settle`.
struct ManualMenu : MenuHarness<> {
    explicit ManualMenu(const std::string& json) : MenuHarness<>(json) {
        Brindle::setGlobalUserInteractiveQueue(queue);
    }
    void settle() {
        queue->runAll();
        loop.runUntilIdle();
    }
    std::shared_ptr<platform::testing::ManualDispatchQueue> queue =
        std::make_shared<platform::testing::ManualDispatchQueue>("user-interactive");
};

}  // namespace

TEST(MainMenuLists, RecommendedKeepsWholeRowsOfAtMostTwelveSortedByLowerCasedTitle) {
    const std::pair<std::size_t, Strings> cases[] = {
        {3, {}},
        {7, firstFour},  // "firefox" among them by its lower-cased title
        // Twelve of thirteen: the first twelve slots, not the twelve first by title.
        {13,
         {"App Store", "Battle.net", "Calendar", "firefox", "Mail", "Messages", "Pages", "Photos",
          "Reminders", "Spotify", "Twitter", "Xcode"}},
    };
    for (const auto& [count, recommended] : cases) {
        MenuHarness harness(firstSlots(count));
        EXPECT_EQ(titles(MainMenuViewModel::computeAppLists(*harness.manager).recommended), recommended)
            << count;
    }
}

TEST(MainMenuLists, PreloadFillsTheCachesOnceOnTheMainQueueEvenForAMenuClosedMeanwhile) {
    ManualMenu harness(firstSlots(4));
    MainMenuViewModel::preloadApps(harness.manager);
    ASSERT_EQ(harness.queue->pendingCount(), 1u);
    harness.queue->runAll();
    EXPECT_TRUE(MainMenuViewModel::cachedInstalledApps().empty()) << "written on the main queue only";
    harness.loop.runUntilIdle();
    EXPECT_EQ(titles(MainMenuViewModel::cachedInstalledApps(), true),
              (Strings{"Battle.net", "Spotify", "Xcode", "firefox"}));
    EXPECT_EQ(titles(MainMenuViewModel::cachedRecommendedApps()), firstFour);
    // A second bar appearing later finds the caches filled.
    MainMenuViewModel::preloadApps(harness.manager);
    EXPECT_EQ(harness.queue->pendingCount(), 0u);

    // A menu closed before its rescan ends still fills them.
    MenuHarness<>::clearCaches();
    harness.makeModel()->reloadApps();
    harness.settle();
    EXPECT_EQ(titles(MainMenuViewModel::cachedRecommendedApps()), firstFour);
}

TEST(MainMenuLists, AppearingRescansFreshlyReplacesWhatChangedReindexesAndLaunchesInTheBackground) {
    ManualMenu harness(firstSlots(4));
    auto model = harness.makeModel();
    std::vector<bool> animated;
    rx::DisposeBag bag;
    model->installedApps.asObservable()
        .skip(1)
        .subscribe([&](const TaskList&) { animated.push_back(platform::isInAnimationTransaction()); })
        .disposed(bag);

    // A bundle added after the last scan is found: the rescan does not reuse it.
    harness.manager->loadInstalledTasks(false);
    std::filesystem::create_directories(harness.desktop->rootFolder() + "/Applications/Notes.app");
    model->reloadApps();
    model->updateSearch("mail");
    EXPECT_TRUE(model->searchResult.value().empty()) << "the index is empty until the rescan has finished";
    harness.settle();
    EXPECT_EQ(animated, std::vector<bool>{true});
    EXPECT_EQ(titles(model->installedApps.value(), true),
              (Strings{"Battle.net", "Notes.app", "Spotify", "Xcode", "firefox"}));
    EXPECT_EQ(titles(MainMenuViewModel::cachedInstalledApps()), titles(model->installedApps.value()));
    EXPECT_EQ(titles(model->recommendedApps.value()), firstFour);
    // Nothing changed: the lists are left alone, but the index is rebuilt.
    model->searchEngine->removeAll();
    model->reloadApps();
    harness.settle();
    EXPECT_EQ(animated.size(), 1u);
    model->updateSearch("Spot");
    EXPECT_EQ(titles(model->searchResult.value()), Strings(3, "Spotify")) << "title, address and identifier";

    // Launching closes at once, and opens and refreshes in the background.
    auto spotify = model->searchResult.value().at(0);
    model->launchApp(spotify);
    EXPECT_EQ(harness.closes, 1);
    EXPECT_TRUE(harness.actions("open").empty());
    harness.queue->runAll();
    auto opened = harness.actions("open");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].details["url"], spotify->bundlePath.absoluteString());
    EXPECT_EQ(opened[0].details["launched"], true);
    EXPECT_EQ(harness.updates, 1);
}

TEST(MainMenuLists, SearchFindsEveryKeyThatContainsTheLowerCasedQueryAndAnUntitledAppIsNotListed) {
    MenuHarness harness(
        installed({app("Mail", "com.apple.mail", "/Applications/Mail.app"),
                   app("Mailbox Tool", "org.example.tool", "/Applications/Tool.app"),
                   app("Calendar", "com.apple.iCal", "/Applications/Calendar.app"),
                   R"({"bundleIdentifier": "org.example.blank", "bundle": "/Applications/Blank.app",
                                       "info": {"CFBundleName": "", "CFBundleExecutable": ""}})"}));
    auto tasks = harness.manager->loadInstalledTasks(false);
    auto model = harness.makeModel(tasks);
    model->reindexSearch();
    const std::pair<std::string, Strings> cases[] = {
        {"MAIL", {"Mail", "Mail", "Mail", "Mailbox Tool"}},  // Mail by its title, address and identifier
        {"ical", {"Calendar"}},
        {"/applications/tool.app/", {"Mailbox Tool"}},
        {"example.blank", {""}},
        {"nothing like it", {}},
    };
    for (const auto& [query, found] : cases) {
        model->updateSearch(query);
        EXPECT_EQ(model->searchText.value(), query);
        EXPECT_EQ(titles(model->searchResult.value(), true), found) << query;
    }
    EXPECT_EQ(keys(MainMenuViewModel::appSection(std::nullopt, tasks)), (Strings{"C", "M"}));
}

TEST(MainMenuSections, UntitledGroupsByFirstCharacterAsTypedAndATitledOneIsOneGroupOrNone) {
    auto tasks = TaskList{task("mail"),    task("Notes"), task("Maps"),    task(""),
                          task("Ölfarbe"), task("Music"), task("👍 Likes"), task("notes")};
    auto groups = MainMenuViewModel::appSection(std::nullopt, tasks);
    EXPECT_EQ(keys(groups), (Strings{"M", "N", "m", "n", "Ö", "👍"}));
    EXPECT_EQ(titles(groups[0].tasks), (Strings{"Maps", "Music"}));

    EXPECT_TRUE(MainMenuViewModel::appSection(std::string("Recommended"), {}).empty());
    groups =
        MainMenuViewModel::appSection(std::string("Search result"), {tasks[1], tasks[0], tasks[1], tasks[0]});
    ASSERT_EQ(keys(groups), Strings{"Search result"});
    EXPECT_EQ(groups[0].tasks, (TaskList{tasks[1], tasks[0]}))
        << "a task found under several keys shows once";
}
