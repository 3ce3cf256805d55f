#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Brindle/RxHelpers.h"
#include "platform/testing/VirtualMainLoop.h"
#include "tests/Velmora/start-menu/MainMenuTesting.h"

using menu_testing::app;
using menu_testing::installed;
using menu_testing::MenuHarness;
using menu_testing::sorted;
using menu_testing::titles;
using Velmora::AppGroup;
using Velmora::MainMenuViewModel;
using Velmora::TaskList;

namespace {

// The known applications of the recommended slots, one per slot, in slot order.
const std::vector<std::string> slotApps = {
    app("firefox", "org.mozilla.firefox"),
    app("Xcode", "com.apple.dt.Xcode"),
    app("Spotify", "com.spotify.client"),
    app("Battle.net", "net.battle.app"),
    app("App Store", "com.apple.AppStore"),
    app("Twitter", "maccatalyst.com.atebits.Tweetie2"),
    app("Photos", "com.apple.Photos"),
    app("Calendar", "com.apple.iCal"),
    app("Mail", "com.apple.mail"),
    app("Messages", "com.apple.MobileSMS"),
    app("Pages", "com.apple.iWork.Pages"),
    app("Reminders", "com.apple.reminders"),
    app("Notes", "com.apple.Notes"),
    app("Podcasts", "com.apple.podcasts"),
    app("TV", "com.apple.TV"),
    app("Home", "com.apple.Home"),
    app("System Settings", "com.apple.systempreferences"),
};

std::vector<std::string> firstSlots(std::size_t count) {
    return {slotApps.begin(), slotApps.begin() + static_cast<std::ptrdiff_t>(count)};
}

std::shared_ptr<Velmora::Task> task(const std::string& title,
                                    const std::string& bundle = "/Applications/X.app/") {
    return Brindle::make<Velmora::Task>(nullptr, 1, *platform::URL::fromString(bundle), false, 0, title,
                                        std::nullopt, Velmora::Windows{});
}

std::vector<std::string> keys(const std::vector<AppGroup>& groups) {
    std::vector<std::string> result;
    for (const auto& group : groups) result.push_back(group.key);
    return result;
}

}  // namespace

TEST(MainMenuLists, RecommendedKeepsWholeRowsOfAtMostTwelveSortedByLowerCasedTitle) {
    {
        MenuHarness harness(installed(firstSlots(3)));
        EXPECT_TRUE(MainMenuViewModel::computeAppLists(*harness.manager).recommended.empty());
    }
    {
        MenuHarness harness(installed(firstSlots(7)));
        // The first four slots, and "firefox" among them by its lower-cased title.
        EXPECT_EQ(titles(MainMenuViewModel::computeAppLists(*harness.manager).recommended),
                  (std::vector<std::string>{"Battle.net", "firefox", "Spotify", "Xcode"}));
    }
    {
        MenuHarness harness(installed(slotApps));
        // Twelve of seventeen: the first twelve slots, not the twelve first by title.
        EXPECT_EQ(
            titles(MainMenuViewModel::computeAppLists(*harness.manager).recommended),
            (std::vector<std::string>{"App Store", "Battle.net", "Calendar", "firefox", "Mail", "Messages",
                                      "Pages", "Photos", "Reminders", "Spotify", "Twitter", "Xcode"}));
    }
}

TEST(MainMenuLists, TheInstalledListIsAFreshScan) {
    MenuHarness harness(installed({app("Mail", "com.apple.mail")}));
    auto before = harness.manager->loadInstalledTasks(false);
    std::filesystem::create_directories(harness.desktop->rootFolder() + "/Applications/Notes.app");
    auto expected = titles(before);
    expected.push_back("Notes.app");
    EXPECT_EQ(sorted(titles(MainMenuViewModel::computeAppLists(*harness.manager).installed)),
              sorted(expected));
}

TEST(MainMenuLists, PreloadFillsTheCachesOnceOnTheMainQueue) {
    auto queue = std::make_shared<platform::testing::ManualDispatchQueue>("user-interactive");
    MenuHarness harness(installed(firstSlots(4)), queue);

    MainMenuViewModel::preloadApps(harness.manager);
    ASSERT_EQ(queue->pendingCount(), 1u);
    queue->runAll();
    EXPECT_TRUE(MainMenuViewModel::cachedInstalledApps().empty()) << "written on the main queue only";
    harness.loop.runUntilIdle();
    EXPECT_EQ(sorted(titles(MainMenuViewModel::cachedInstalledApps())),
              sorted(titles(harness.manager->loadInstalledTasks(false))));
    EXPECT_EQ(titles(MainMenuViewModel::cachedRecommendedApps()),
              (std::vector<std::string>{"Battle.net", "firefox", "Spotify", "Xcode"}));

    // A second bar appearing later finds the caches filled.
    MainMenuViewModel::preloadApps(harness.manager);
    EXPECT_EQ(queue->pendingCount(), 0u);
}

TEST(MainMenuLists, AppearingRescansReplacesWhatChangedAndReindexes) {
    auto queue = std::make_shared<platform::testing::ManualDispatchQueue>("user-interactive");
    MenuHarness harness(installed(firstSlots(4)), queue);
    auto model = harness.makeModel();
    std::vector<bool> animated;
    rx::DisposeBag bag;
    model->installedApps.asObservable()
        .skip(1)
        .subscribe([&](const TaskList&) { animated.push_back(platform::isInAnimationTransaction()); })
        .disposed(bag);

    model->reloadApps();
    model->updateSearch("mail");
    EXPECT_TRUE(model->searchResult.value().empty()) << "the index is empty until the rescan has finished";
    queue->runAll();
    harness.loop.runUntilIdle();
    EXPECT_EQ(animated, std::vector<bool>{true});
    EXPECT_EQ(sorted(titles(model->installedApps.value())),
              sorted(titles(harness.manager->loadInstalledTasks(false))));
    EXPECT_EQ(titles(MainMenuViewModel::cachedInstalledApps()), titles(model->installedApps.value()));
    EXPECT_EQ(titles(model->recommendedApps.value()),
              (std::vector<std::string>{"Battle.net", "firefox", "Spotify", "Xcode"}));
    // Title, address and identifier all hold it.
    model->updateSearch("Spot");
    EXPECT_EQ(titles(model->searchResult.value()), std::vector<std::string>(3, "Spotify"));

    // Nothing changed: the lists are left alone, but the index is rebuilt.
    model->searchEngine->removeAll();
    model->reloadApps();
    queue->runAll();
    harness.loop.runUntilIdle();
    EXPECT_EQ(animated.size(), 1u);
    model->updateSearch("xcode");
    EXPECT_EQ(titles(model->searchResult.value()), std::vector<std::string>(3, "Xcode"));
}

TEST(MainMenuLists, AMenuClosedBeforeItsRescanEndsStillFillsTheCaches) {
    auto queue = std::make_shared<platform::testing::ManualDispatchQueue>("user-interactive");
    MenuHarness harness(installed(firstSlots(4)), queue);
    auto model = harness.makeModel();
    model->reloadApps();
    model.reset();
    queue->runAll();
    harness.loop.runUntilIdle();
    EXPECT_FALSE(MainMenuViewModel::cachedInstalledApps().empty());
    EXPECT_EQ(MainMenuViewModel::cachedRecommendedApps().size(), 4u);
}

TEST(MainMenuLists, SearchFindsEveryKeyThatContainsTheLowerCasedQuery) {
    MenuHarness harness(installed({app("Mail", "com.apple.mail", "/Applications/Mail.app"),
                                   app("Mailbox Tool", "org.example.tool", "/Applications/Tool.app"),
                                   app("Calendar", "com.apple.iCal", "/Applications/Calendar.app")}));
    auto mail = harness.manager->loadInstalledTasks(false);
    auto model = harness.makeModel(mail);
    model->reindexSearch();

    model->updateSearch("MAIL");
    EXPECT_EQ(model->searchText.value(), "MAIL");
    // Mail by its title, address and identifier; the tool by its title only.
    EXPECT_EQ(sorted(titles(model->searchResult.value())),
              (std::vector<std::string>{"Mail", "Mail", "Mail", "Mailbox Tool"}));
    model->updateSearch("ical");
    EXPECT_EQ(titles(model->searchResult.value()), std::vector<std::string>{"Calendar"});
    model->updateSearch("/applications/tool.app/");
    EXPECT_EQ(titles(model->searchResult.value()), std::vector<std::string>{"Mailbox Tool"});
    model->updateSearch("nothing like it");
    EXPECT_TRUE(model->searchResult.value().empty());
}

TEST(MainMenuLists, AnUntitledApplicationIsFoundButNotListed) {
    MenuHarness harness(
        installed({R"({"bundleIdentifier": "org.example.blank", "bundle": "/Applications/Blank.app",
                                       "info": {"CFBundleName": "", "CFBundleExecutable": ""}})"}));
    auto tasks = harness.manager->loadInstalledTasks(false);
    ASSERT_EQ(tasks.size(), 1u);
    ASSERT_EQ(tasks[0]->title, "");
    auto model = harness.makeModel(tasks);
    model->reindexSearch();
    model->updateSearch("example.blank");
    EXPECT_EQ(model->searchResult.value(), tasks);
    EXPECT_TRUE(MainMenuViewModel::appSection(std::nullopt, tasks).empty());
}

TEST(MainMenuSections, UntitledGroupsByFirstCharacterAsTyped) {
    auto tasks = TaskList{task("mail"),    task("Notes"), task("Maps"),    task(""),
                          task("Ölfarbe"), task("Music"), task("👍 Likes"), task("notes")};
    auto groups = MainMenuViewModel::appSection(std::nullopt, tasks);
    EXPECT_EQ(keys(groups), (std::vector<std::string>{"M", "N", "m", "n", "Ö", "👍"}));
    EXPECT_EQ(titles(groups[0].tasks), (std::vector<std::string>{"Maps", "Music"}));
    EXPECT_EQ(titles(groups[4].tasks), std::vector<std::string>{"Ölfarbe"});
}

TEST(MainMenuSections, ATitledSectionIsOneGroupAndAbsentWhenEmpty) {
    auto mail = task("Mail");
    auto notes = task("Notes");
    EXPECT_TRUE(MainMenuViewModel::appSection(std::string("Recommended"), {}).empty());
    auto groups =
        MainMenuViewModel::appSection(std::string("Search result"), {notes, mail, notes, mail, notes});
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].key, "Search result");
    EXPECT_EQ(groups[0].tasks, (TaskList{notes, mail})) << "a task found under several keys shows once";
}

TEST(MainMenuLists, LaunchingClosesAtOnceAndOpensInTheBackground) {
    auto queue = std::make_shared<platform::testing::ManualDispatchQueue>("user-interactive");
    MenuHarness harness(installed({app("Mail", "com.apple.mail", "/Applications/Mail.app")}), queue);
    auto model = harness.makeModel();
    auto mail = harness.manager->loadInstalledTasks(false).at(0);

    model->launchApp(mail);
    EXPECT_EQ(harness.closes, 1);
    EXPECT_TRUE(harness.actions("open").empty());
    queue->runAll();
    auto opened = harness.actions("open");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].details["url"], mail->bundlePath.absoluteString());
    EXPECT_EQ(opened[0].details["launched"], true);
    EXPECT_EQ(harness.updates, 1);
}
