#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Brindle/RxHelpers.h"
#include "tests/Velmora/start-menu/MainMenuTesting.h"

using menu_testing::app;
using menu_testing::installed;
using menu_testing::MenuHarness;
using menu_testing::task;
using menu_testing::titles;
using Velmora::MainMenuViewModel;
using Velmora::TaskList;
using Strings = std::vector<std::string>;

namespace {

// The known applications of the recommended slots, one per slot, in slot order.
const Strings slotApps = {
    app("firefox", "org.mozilla.firefox"),    app("Xcode", "com.apple.dt.Xcode"),
    app("Spotify", "com.spotify.client"),     app("Battle.net", "net.battle.app"),
    app("App Store", "com.apple.AppStore"),   app("Twitter", "maccatalyst.com.atebits.Tweetie2"),
    app("Photos", "com.apple.Photos"),        app("Calendar", "com.apple.iCal"),
    app("Mail", "com.apple.mail"),            app("Messages", "com.apple.MobileSMS"),
    app("Pages", "com.apple.iWork.Pages"),    app("Reminders", "com.apple.reminders"),
    app("Notes", "com.apple.Notes"),          app("Podcasts", "com.apple.podcasts"),
    app("TV", "com.apple.TV"),                app("Home", "com.apple.Home"),
    app("System Settings", "com.apple.systempreferences"),
};
const Strings firstFour = {"Battle.net", "firefox", "Spotify", "Xcode"};

std::string firstSlots(std::size_t count) {
    return installed({slotApps.begin(), slotApps.begin() + static_cast<std::ptrdiff_t>(count)});
}

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
    const struct {
        std::size_t installed;
        Strings recommended;
    } cases[] = {
        {3, {}},
        // The first four slots, and "firefox" among them by its lower-cased title.
        {7, firstFour},
        // Twelve of seventeen: the first twelve slots, not the twelve first by title.
        {17, {"App Store", "Battle.net", "Calendar", "firefox", "Mail", "Messages", "Pages", "Photos",
              "Reminders", "Spotify", "Twitter", "Xcode"}},
    };
    for (const auto& [count, recommended] : cases) {
        SCOPED_TRACE(count);
        MenuHarness harness(firstSlots(count));
        EXPECT_EQ(titles(MainMenuViewModel::computeAppLists(*harness.manager).recommended), recommended);
    }
}

TEST(MainMenuLists, PreloadFillsTheCachesOnceOnTheMainQueue) {
    ManualMenu harness(firstSlots(4));
    MainMenuViewModel::preloadApps(harness.manager);
    ASSERT_EQ(harness.queue->pendingCount(), 1u);
    harness.queue->runAll();
    EXPECT_TRUE(MainMenuViewModel::cachedInstalledApps().empty()) << "written on the main queue only";
    harness.loop.runUntilIdle();
    EXPECT_EQ(titles(MainMenuViewModel::cachedInstalledApps(), true),
              titles(harness.manager->loadInstalledTasks(false), true));
    EXPECT_EQ(titles(MainMenuViewModel::cachedRecommendedApps()), firstFour);

    // A second bar appearing later finds the caches filled.
    MainMenuViewModel::preloadApps(harness.manager);
    EXPECT_EQ(harness.queue->pendingCount(), 0u);

    // So does one whose menu closed before its own rescan ended.
    MenuHarness<>::clearCaches();
    auto model = harness.makeModel();
    model->reloadApps();
    model.reset();
    harness.settle();
    EXPECT_FALSE(MainMenuViewModel::cachedInstalledApps().empty());
    EXPECT_EQ(MainMenuViewModel::cachedRecommendedApps().size(), 4u);
}

TEST(MainMenuLists, AppearingRescansFreshlyReplacesWhatChangedAndReindexes) {
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
    // Title, address and identifier all hold it.
    model->updateSearch("Spot");
    EXPECT_EQ(titles(model->searchResult.value()), Strings(3, "Spotify"));

    // Nothing changed: the lists are left alone, but the index is rebuilt.
    model->searchEngine->removeAll();
    model->reloadApps();
    harness.settle();
    EXPECT_EQ(animated.size(), 1u);
    model->updateSearch("xcode");
    EXPECT_EQ(titles(model->searchResult.value()), Strings(3, "Xcode"));
}

TEST(MainMenuLists, SearchFindsEveryKeyThatContainsTheLowerCasedQueryAndAnUntitledAppIsNotListed) {
    MenuHarness harness(installed({app("Mail", "com.apple.mail", "/Applications/Mail.app"),
                                   app("Mailbox Tool", "org.example.tool", "/Applications/Tool.app"),
                                   app("Calendar", "com.apple.iCal", "/Applications/Calendar.app"),
                                   R"({"bundleIdentifier": "org.example.blank", "bundle": "/Applications/Blank.app",
                                       "info": {"CFBundleName": "", "CFBundleExecutable": ""}})"}));
    auto tasks = harness.manager->loadInstalledTasks(false);
    auto model = harness.makeModel(tasks);
    model->reindexSearch();
    const struct {
        std::string query;
        Strings found;
    } cases[] = {
        // Mail by its title, address and identifier; the tool by its title only.
        {"MAIL", {"Mail", "Mail", "Mail", "Mailbox Tool"}},
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
    auto tasks = TaskList{task("mail"),    task("Notes"), task("Maps"),     task(""),
                          task("Ölfarbe"), task("Music"), task("👍 Likes"), task("notes")};
    auto groups = MainMenuViewModel::appSection(std::nullopt, tasks);
    EXPECT_EQ(keys(groups), (Strings{"M", "N", "m", "n", "Ö", "👍"}));
    EXPECT_EQ(titles(groups[0].tasks), (Strings{"Maps", "Music"}));
    EXPECT_EQ(titles(groups[4].tasks), Strings{"Ölfarbe"});

    auto mail = task("Mail");
    auto notes = task("Notes");
    EXPECT_TRUE(MainMenuViewModel::appSection(std::string("Recommended"), {}).empty());
    groups = MainMenuViewModel::appSection(std::string("Search result"), {notes, mail, notes, mail, notes});
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].key, "Search result");
    EXPECT_EQ(groups[0].tasks, (TaskList{notes, mail})) << "a task found under several keys shows once";
}

TEST(MainMenuLists, LaunchingClosesAtOnceAndOpensInTheBackground) {
    ManualMenu harness(installed({app("Mail", "com.apple.mail", "/Applications/Mail.app")}));
    auto model = harness.makeModel();
    auto mail = harness.manager->loadInstalledTasks(false).at(0);

    model->launchApp(mail);
    EXPECT_EQ(harness.closes, 1);
    EXPECT_TRUE(harness.actions("open").empty());
    harness.queue->runAll();
    auto opened = harness.actions("open");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].details["url"], mail->bundlePath.absoluteString());
    EXPECT_EQ(opened[0].details["launched"], true);
    EXPECT_EQ(harness.updates, 1);
}
