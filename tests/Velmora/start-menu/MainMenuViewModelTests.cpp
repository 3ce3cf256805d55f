#include <gtest/gtest.h>

#include "platform/system/Alert.h"
#include "tests/Velmora/start-menu/MainMenuTesting.h"
#include "tests/support/SessionSystem.h"

using menu_testing::app;
using menu_testing::installed;
using menu_testing::MenuHarness;
using menu_testing::Strings;
using menu_testing::task;
using menu_testing::titles;
using platform::testing::ManualDispatchQueue;
using Velmora::MainMenuViewModel;
using Velmora::TaskList;

namespace {

// Runs every block at once on the calling thread, or drops it as a pool that has stopped does.
struct CountingQueue final : platform::DispatchQueue {
    explicit CountingQueue(bool runs = true) : runs(runs) {}
    void async(std::function<void()> block) override {
        ++count;
        if (runs) block();
    }
    void asyncAfter(platform::TimeInterval, std::function<void()> block) override { async(std::move(block)); }
    const std::string& label() const override { return name; }
    const bool runs;
    int count = 0;
    const std::string name = "counting";
};

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

}  // namespace

TEST(MainMenuViewModel, TheTerminalRowPrefersITermAndSystemSettingsAreFoundByIdentifier) {
    const std::tuple<Strings, std::string, std::string> cases[] = {
        {{app("Terminal", "com.apple.Terminal"), app("iTerm", "com.googlecode.iterm2")}, "iTerm", "none"},
        {{app("Terminal", "com.apple.Terminal")}, "Terminal", "none"},
        {{app("Mail", "com.apple.mail"), app("Einstellungen", "com.apple.systempreferences")},
         "none",
         "Einstellungen"},
    };
    auto title = [](const std::shared_ptr<Velmora::Task>& task) { return task ? task->title : "none"; };
    for (const auto& [apps, terminal, systemSettings] : cases) {
        MenuHarness harness(installed(apps));
        auto model = harness.makeModel();
        EXPECT_EQ(title(model->terminalApplication()), terminal);
        EXPECT_EQ(title(model->systemSettingsApplication()), systemSettings);
    }
}

TEST(MainMenuViewModel, PowerCommandsRunWhereTheyBelongAndCloseTheMenuEvenWhenTheBackgroundDropsThem) {
    auto queue = std::make_shared<CountingQueue>();
    MenuHarness harness(
        installed({app("iTerm", "com.googlecode.iterm2"), app("Settings", "org.gnome.Settings")}), queue);
    auto model = harness.makeModel();
    model->sleepNow();
    EXPECT_EQ(queue->count, 0) << "sleep runs on the main thread";
    model->restart();
    model->shutDown();
    EXPECT_EQ(queue->count, 2);
    EXPECT_EQ(harness.commands, Strings{"pmset sleepnow"});
    auto scripts = harness.actions("appleScript");
    ASSERT_EQ(scripts.size(), 2u);
    EXPECT_EQ(scripts[1].details["source"], "tell application \"Finder\"\nshut down\nend tell");
    EXPECT_EQ(harness.closes, 3);
    // A pool that has stopped drops the block: waiting for it ends all the same.
    Brindle::setGlobalUserInteractiveQueue(std::make_shared<CountingQueue>(false));
    model->restart();
    EXPECT_EQ(harness.actions("appleScript").size(), 2u);
    EXPECT_EQ(harness.closes, 4);
    // A Linux desktop's session does it all itself, and has its own terminal whatever bundles
    // there are.
    auto system = std::make_shared<test_support::SessionSystem>(harness.desktop);
    platform::ScopedSystem onLinux(system);
    model->sleepNow();
    model->restart();
    model->shutDown();
    EXPECT_FALSE(model->terminalApplication());
    EXPECT_TRUE(model->opensSessionTerminal());
    model->openTerminal(nullptr);
    EXPECT_EQ(system->session->calls, (Strings{"suspend", "reboot", "powerOff", "openTerminal"}));
    // Where no session manager will ask, the user is asked first, Cancel the default.
    ASSERT_TRUE(system->session->confirmation);
    for (auto [answer, goesAhead] :
         {std::pair{platform::alertFirstButtonReturn, true}, {platform::alertSecondButtonReturn, false}}) {
        std::vector<std::string> shown;
        platform::Alert::ScopedResponder responder([&, answer = answer](const platform::Alert& alert) {
            shown = {alert.messageText, alert.informativeText};
            shown.insert(shown.end(), alert.buttons().begin(), alert.buttons().end());
            shown.push_back(alert.buttons().at(alert.defaultButton));
            return answer;
        });
        EXPECT_EQ(system->session->confirmation(), goesAhead);
        EXPECT_EQ(shown, (Strings{"Shut down now?", "Open programs will close without saving their work.",
                                  "Shut down", "Cancel", "Cancel"}));
    }
    model->restart();
    platform::Alert::ScopedResponder responder([](const platform::Alert& alert) {
        EXPECT_EQ(alert.messageText + " " + alert.buttons().front(), "Restart now? Restart");
        return platform::alertSecondButtonReturn;
    });
    EXPECT_FALSE(system->session->confirmation());
    system->session->calls.pop_back();
    EXPECT_EQ(harness.commands.size(), 1u) << "no further shell command";
    EXPECT_EQ(harness.actionNames().size(), 2u) << "no further script";
    EXPECT_EQ(harness.closes, 8);
    system->session->hasTerminal = false;
    EXPECT_FALSE(model->opensSessionTerminal());
    EXPECT_EQ(model->systemSettingsApplication()->bundleIdentifier, "org.gnome.Settings");
}

TEST(MainMenuViewModel, TheSubMenusExcludeEachOtherInsideAnAnimation) {
    MenuHarness harness;
    auto model = harness.makeModel();
    Strings changes;
    rx::DisposeBag bag;
    for (auto* shown : {&model->showTamberOptions, &model->showPowerOptions}) {
        const std::string name = shown == &model->showPowerOptions ? "power" : "options";
        shown->asObservable()
            .skip(1)
            .subscribe([&changes, name](bool open) {
                changes.push_back((platform::isInAnimationTransaction() ? "animated " : "") + name +
                                  (open ? " open" : " closed"));
            })
            .disposed(bag);
    }
    model->toggleTamberOptions();
    model->togglePowerOptions();
    model->togglePowerOptions();
    EXPECT_EQ(changes, (Strings{"animated options open", "animated power closed", "animated options closed",
                                "animated power open", "animated options closed", "animated power closed"}));
}

TEST(MainMenuViewModel, RecommendedKeepsWholeRowsOfAtMostTwelveSortedByLowerCasedTitle) {
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
        auto lists = MainMenuViewModel::computeAppLists(*harness.manager);
        EXPECT_EQ(titles(lists.recommended), recommended) << count;
    }
}

TEST(MainMenuViewModel, ListsAreScannedInTheBackgroundCachedOnTheMainQueueAndReplacedOnlyWhenChanged) {
    auto queue = std::make_shared<ManualDispatchQueue>();
    MenuHarness harness(firstSlots(4), queue);
    auto settle = [&] {
        queue->runAll();
        harness.loop.runUntilIdle();
    };
    MainMenuViewModel::preloadApps(harness.manager);
    queue->runAll();
    EXPECT_TRUE(MainMenuViewModel::cachedInstalledApps().empty()) << "written on the main queue only";
    harness.loop.runUntilIdle();
    EXPECT_EQ(titles(MainMenuViewModel::cachedRecommendedApps()), firstFour);
    MainMenuViewModel::preloadApps(harness.manager);
    EXPECT_EQ(queue->pendingCount(), 0u) << "a second bar finds the caches filled";
    // A bundle added after the last scan is found; the caches follow, even from a menu closed
    // before its rescan ended.
    std::filesystem::create_directories(harness.desktop->rootFolder() + "/Applications/Notes.app");
    harness.makeModel()->reloadApps();
    settle();
    EXPECT_EQ(titles(MainMenuViewModel::cachedInstalledApps(), true),
              (Strings{"Battle.net", "Notes.app", "Spotify", "Xcode", "firefox"}));
    // An appearing menu replaces a list that changed inside an animation, and always reindexes.
    auto model = harness.makeModel();
    std::vector<bool> animated;
    rx::DisposeBag bag;
    model->installedApps.asObservable()
        .skip(1)
        .subscribe([&](const TaskList&) { animated.push_back(platform::isInAnimationTransaction()); })
        .disposed(bag);
    model->reloadApps();
    model->updateSearch("spot");
    EXPECT_TRUE(model->searchResult.value().empty()) << "the index is empty until the rescan has finished";
    settle();
    EXPECT_EQ(animated, std::vector<bool>{true});
    EXPECT_EQ(model->installedApps.value().size(), 5u);
    EXPECT_EQ(titles(model->recommendedApps.value()), firstFour);
    model->searchEngine->removeAll();
    model->reloadApps();
    settle();
    EXPECT_EQ(animated.size(), 1u) << "nothing changed";
    model->updateSearch("Spot");
    EXPECT_EQ(titles(model->searchResult.value()), Strings(3, "Spotify")) << "title, address and identifier";
    // Launching closes at once, and opens and refreshes in the background.
    auto spotify = model->searchResult.value().at(0);
    harness.updates = 0;
    model->launchApp(spotify);
    EXPECT_EQ(harness.closes, 1);
    EXPECT_TRUE(harness.actions("open").empty());
    queue->runAll();
    auto opened = harness.actions("open");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].details["url"], spotify->bundlePath.absoluteString());
    EXPECT_EQ(opened[0].details["launched"], true);
    EXPECT_EQ(harness.updates, 1);
}

TEST(MainMenuViewModel, SearchFindsEveryKeyThatContainsTheQueryAndSectionsGroupWhatTheyShow) {
    MenuHarness harness(
        installed({app("Mail", "com.apple.mail"), app("Calendar", "com.apple.iCal"),
                   app("Mailbox Tool", "org.example.tool", "/Applications/Tool.app"),
                   R"({"bundleIdentifier": "org.example.blank", "bundle": "/Applications/Blank.app",
                       "info": {"CFBundleName": "", "CFBundleExecutable": ""}})"}));
    auto model = harness.makeModel(harness.manager->loadInstalledTasks(false));
    model->reindexSearch();
    const std::pair<std::string, Strings> cases[] = {
        {"MAIL", {"Mail", "Mail", "Mail", "Mailbox Tool"}},  // Mail by its title, address and identifier
        {"ical", {"Calendar"}},
        {"/applications/tool.app/", {"Mailbox Tool"}},
        {"example.blank", {""}},  // found, though no grid lists it without a title
        {"nothing like it", {}},
    };
    for (const auto& [query, found] : cases) {
        model->updateSearch(query);
        EXPECT_EQ(titles(model->searchResult.value(), true), found) << query;
    }
    // An untitled section groups by first character as typed; a titled one is one group, or none.
    auto tasks = TaskList{task("mail"),    task("Notes"), task("Maps"),    task(""),
                          task("Ölfarbe"), task("Music"), task("👍 Likes"), task("notes")};
    auto keys = [](const std::vector<Velmora::AppGroup>& groups) {
        Strings result;
        for (const auto& group : groups) result.push_back(group.key);
        return result;
    };
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

TEST(MainMenuViewModel, FolderRowsAreTheDesktopsNamedFoldersWhereItNamesThem) {
    MenuHarness harness(installed({}));
    auto paths = [] {
        Strings result;
        for (const auto& link : MainMenuViewModel::folderLinks())
            result.push_back(link.title + " " + link.directory->path());
        return result;
    };
    const auto home = harness.home.string();
    EXPECT_EQ(paths(), (Strings{"Desktop " + home + "/Desktop/", "Home " + home + "/",
                                "Downloads " + home + "/Downloads/", "Trash " + home + "/.Trash/"}));
    auto system = std::make_shared<test_support::SessionSystem>(harness.desktop);
    platform::ScopedSystem onLinux(system);
    using Folder = platform::DesktopSession::Folder;
    system->session->folders[Folder::desktop] = home + "/Schreibtisch";
    EXPECT_EQ(paths(), (Strings{"Desktop " + home + "/Schreibtisch/", "Home " + home + "/",
                                "Downloads " + home + "/Downloads/", "Trash " + home + "/.Trash/"}));
    // A folder outside the home, with a space, keeps its address escapes.
    system->session->folders[Folder::downloads] = "/srv/Mes téléchargements";
    auto links = MainMenuViewModel::folderLinks();
    EXPECT_EQ(links[2].directory->path(), "/srv/Mes téléchargements/");
    EXPECT_EQ(links[2].directory->url.absoluteString(), "/srv/Mes%20t%C3%A9l%C3%A9chargements/");
}
