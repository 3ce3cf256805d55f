#include "Velmora/settings/SettingsManager.h"
#include "tests/Velmora/tracking/TrackingTesting.h"

using platform::UserDefaults;
using Velmora::SettingsManager;

namespace {

class Settings : public testing::Test {
protected:
    // Stores raw JSON text under keys, as the settings keep their values: key, value, key, value…
    static void store(std::initializer_list<const char*> keysAndValues) {
        for (auto item = keysAndValues.begin(); item != keysAndValues.end(); item += 2)
            UserDefaults::standard()->setData(item[0], item[1]);
    }
    // What is stored under the titles, running monitor, theme, shortcut and pinned keys.
    static std::string stored() {
        std::string result;
        for (const char* key :
             {SettingsManager::showTitlesKey, SettingsManager::showOnRunningMonitorKey,
              SettingsManager::themeKey, SettingsManager::mainMenuShortcutKey, SettingsManager::pinnedKey})
            result += (result.empty() ? "" : " ") + UserDefaults::standard()->dataForKey(key).value_or("-");
        return result;
    }
    // The titles and running monitor settings, the theme and the shortcut of new settings.
    static std::string loaded() {
        auto settings = Brindle::make<SettingsManager>();
        return std::to_string(settings->showTitle()) + " " +
               std::to_string(settings->showOnRunningMonitorOnly()) + " " +
               std::to_string(settings->taskbarTheme.value().rawValue()) + " " +
               Velmora::name(settings->mainMenuKeyboardShortcut());
    }

    tracking_testing::Desktop desktop{
        R"({"installed": [{"name": "Mail", "bundleIdentifier": "mail"}, {"name": "Notes", "bundleIdentifier": "notes"}]})"};
    test_support::FreshDefaults fresh;
};

}  // namespace

TEST_F(Settings, AFirstStartStoresEveryDefaultButTheShortcutAndStoredValuesAreLoadedPinsAsTasks) {
    EXPECT_EQ(loaded(), "1 0 2 command");
    EXPECT_EQ(stored(), "true false 2 - []");
    EXPECT_EQ(Brindle::make<SettingsManager>()->pinnedTaskBehavior(),
              Velmora::PinnedTaskBehavior::allScreens);
    store({SettingsManager::showTitlesKey, "false", SettingsManager::showOnRunningMonitorKey, "true",
           SettingsManager::themeKey, "0", SettingsManager::mainMenuShortcutKey, R"({"fn":{}})"});
    EXPECT_EQ(loaded(), "0 1 0 fn");
    EXPECT_EQ(stored(), R"(false true 0 {"fn":{}} [])");
    // Pinned addresses load as tasks, bare paths as file addresses, and an invalid one loses only
    // itself; pinning adds the task itself, even twice.
    store({SettingsManager::pinnedKey,
           R"(["\/Applications\/Mail.app\/", "not an address", 5, "file:///Applications/Notes.app/"])"});
    auto settings = Brindle::make<SettingsManager>();
    auto pinned = settings->pinnedApplications.value();
    EXPECT_EQ(tracking_testing::listing(pinned), "Mail 0, Notes 1");
    EXPECT_EQ(
        stored(),
        R"(false true 0 {"fn":{}} ["file:///Applications/Mail.app/","file:///Applications/Notes.app/"])");
    settings->pin(pinned[1]);
    EXPECT_EQ(settings->pinnedApplications.value().back(), pinned[1]);
    EXPECT_EQ(settings->pinnedApplicationsState().size(), 3u);
    EXPECT_EQ(stored().substr(stored().rfind(',')), R"(,"file:///Applications/Notes.app/"])");
    store({SettingsManager::pinnedKey, R"({"file:///Applications/Mail.app/": 1})"});
    EXPECT_TRUE(Brindle::make<SettingsManager>()->pinnedApplications.value().empty());
    EXPECT_EQ(stored(), R"(false true 0 {"fn":{}} [])");
}

TEST_F(Settings, ValuesOfAnotherKindGiveTheDefaultsAndAreRewrittenButTheShortcutIsLeftAsItWas) {
    // The shortcut needs exactly one known member holding an object.
    for (const auto* json : {"3", "-1", "true", "\"1\"", "1.5", "18446744073709551615", "{}", "[1",
                             R"({"fn":{},"control":{}})", R"({"Fn":{}})", R"({"fn":true})", "\"fn\""}) {
        store({SettingsManager::themeKey, json, SettingsManager::showTitlesKey, json,
               SettingsManager::showOnRunningMonitorKey, json, SettingsManager::mainMenuShortcutKey, json});
        const bool boolean = json == std::string("true");
        EXPECT_EQ(loaded(), boolean ? "1 1 2 command" : "1 0 2 command") << json;
        EXPECT_EQ(stored(), (boolean ? "true true 2 " : "true false 2 ") + std::string(json) + " []") << json;
    }
    store(
        {SettingsManager::themeKey, "1.0", SettingsManager::mainMenuShortcutKey, R"({"fn":{},"other":{}})"});
    EXPECT_EQ(loaded(), "1 0 1 fn") << "a whole number is an integer, and unknown members are ignored";
    store({SettingsManager::mainMenuShortcutKey, R"({"options":{"ignored":1}})"});
    UserDefaults::standard()->set(SettingsManager::themeKey, 1);
    EXPECT_EQ(loaded(), "1 0 2 options") << "only a data value counts";
}

TEST_F(Settings, ChoosingAValueStoresItEveryTimeAndTheShortcutIsEmittedAlsoWhenUnchanged) {
    auto settings = Brindle::make<SettingsManager>();
    std::vector<std::string> emitted;
    rx::DisposeBag bag;
    Brindle::subscribeNext(
        settings->mainMenuKeyboardShortcutRelay, false,
        [&](Velmora::MainMenuActivationKeys key) { emitted.push_back(Velmora::name(key)); })
        .disposed(bag);
    for (int time = 0; time < 2; ++time) {
        for (const char* key : {SettingsManager::mainMenuShortcutKey, SettingsManager::showTitlesKey})
            UserDefaults::standard()->removeObject(key);
        settings->setMainMenuKeyboardShortcut(Velmora::MainMenuActivationKeys::control);
        settings->setShowTitle(true);
        settings->taskbarTheme.accept(Velmora::TaskbarTheme::fullscreenCenter);
        EXPECT_EQ(settings->taskbarTheme.value(), Velmora::TaskbarTheme::fullscreenCenter);
        EXPECT_EQ(stored(), R"(true false 1 {"control":{}} [])");
    }
    EXPECT_EQ(emitted, (std::vector<std::string>{"command", "control", "control"}));
}
