#include <gtest/gtest.h>

#include <filesystem>

#include "Velmora/settings/SettingsManager.h"
#include "tests/Velmora/tracking/TrackingTesting.h"
#include "tests/support/TemporaryFolder.h"

using platform::UserDefaults;
using Velmora::MainMenuActivationKeys;
using Velmora::SettingsManager;
using Velmora::TaskbarTheme;

namespace {

class Settings : public testing::Test {
protected:
    // Stores raw JSON text under each key, as the settings keep their values.
    static void store(const std::vector<std::pair<const char*, const char*>>& values) {
        for (const auto& [key, json] : values) defaults()->setData(key, json);
    }
    // What is stored under the titles, running monitor, theme, shortcut and pinned keys.
    static std::string stored() {
        std::string result;
        for (const char* key :
             {SettingsManager::showTitlesKey, SettingsManager::showOnRunningMonitorKey,
              SettingsManager::themeKey, SettingsManager::mainMenuShortcutKey, SettingsManager::pinnedKey})
            result += (result.empty() ? "" : " ") + defaults()->dataForKey(key).value_or("-");
        return result;
    }
    static std::shared_ptr<UserDefaults> defaults() { return UserDefaults::standard(); }
    static std::shared_ptr<SettingsManager> make() { return Brindle::make<SettingsManager>(); }
    tracking_testing::Desktop desktop{R"({"installed": [
        {"name": "Mail", "bundleIdentifier": "com.apple.mail", "bundle": "/Applications/Mail.app"},
        {"name": "Notes", "bundleIdentifier": "com.apple.Notes", "bundle": "/Applications/Notes.app"}]})"};
    tracking_testing::FreshDefaults fresh;
};

}  // namespace

TEST_F(Settings, AFirstStartStoresEveryDefaultButTheShortcutAndStoredValuesAreWrittenBackUnchanged) {
    auto settings = make();
    EXPECT_EQ(stored(), "true false 2 - []");
    EXPECT_EQ(settings->pinnedTaskBehavior(), Velmora::PinnedTaskBehavior::allScreens);
    store({{SettingsManager::showTitlesKey, "false"},
           {SettingsManager::showOnRunningMonitorKey, "true"},
           {SettingsManager::themeKey, "0"},
           {SettingsManager::mainMenuShortcutKey, R"({"fn":{}})"}});
    settings = make();
    EXPECT_FALSE(settings->showTitle());
    EXPECT_TRUE(settings->showOnRunningMonitorOnly());
    EXPECT_EQ(settings->taskbarTheme.value(), TaskbarTheme::fullscreenLeft);
    EXPECT_EQ(settings->mainMenuKeyboardShortcut(), MainMenuActivationKeys::fn);
    EXPECT_EQ(stored(), R"(false true 0 {"fn":{}} [])");
}

TEST_F(Settings, ValuesOfAnotherKindGiveTheDefaultsAndAreRewrittenButTheShortcutIsLeftAsItWas) {
    // The shortcut needs exactly one known member holding an object.
    for (const auto* json : {"3", "-1", "true", "\"1\"", "1.5", "18446744073709551615", "{}", "[1",
                             R"({"fn":{},"control":{}})", R"({"Fn":{}})", R"({"fn":true})", "\"fn\""}) {
        store({{SettingsManager::themeKey, json},
               {SettingsManager::showTitlesKey, json},
               {SettingsManager::showOnRunningMonitorKey, json},
               {SettingsManager::mainMenuShortcutKey, json}});
        auto settings = make();
        EXPECT_EQ(settings->taskbarTheme.value(), TaskbarTheme::centered) << json;
        EXPECT_EQ(settings->mainMenuKeyboardShortcut(), MainMenuActivationKeys::command) << json;
        const std::string boolean = json == std::string("true") ? "true true" : "true false";
        EXPECT_EQ(stored(), boolean + " 2 " + json + " []") << "only JSON Booleans are Booleans";
    }
    store({{SettingsManager::themeKey, "1.0"},
           {SettingsManager::mainMenuShortcutKey, R"({"fn":{},"other":{}})"}});
    EXPECT_EQ(make()->taskbarTheme.value(), TaskbarTheme::fullscreenCenter) << "a whole number is an integer";
    EXPECT_EQ(make()->mainMenuKeyboardShortcut(), MainMenuActivationKeys::fn)
        << "unknown members are ignored";
    store({{SettingsManager::mainMenuShortcutKey, R"({"options":{"ignored":1}})"}});
    EXPECT_EQ(make()->mainMenuKeyboardShortcut(), MainMenuActivationKeys::options);
    defaults()->set(SettingsManager::themeKey, 1);
    EXPECT_EQ(make()->taskbarTheme.value(), TaskbarTheme::centered) << "only a data value counts";
}

TEST_F(Settings, ChoosingAValueStoresItEveryTimeAndTheShortcutIsEmittedAlsoWhenUnchanged) {
    auto settings = make();
    std::vector<MainMenuActivationKeys> emitted;
    rx::DisposeBag bag;
    Brindle::subscribeNext(settings->mainMenuKeyboardShortcutRelay, false, [&](MainMenuActivationKeys key) {
        emitted.push_back(key);
    }).disposed(bag);
    for (int time = 0; time < 2; ++time) {
        for (const char* key : {SettingsManager::mainMenuShortcutKey, SettingsManager::showTitlesKey})
            defaults()->removeObject(key);
        settings->setMainMenuKeyboardShortcut(MainMenuActivationKeys::control);
        settings->setShowTitle(true);
        settings->taskbarTheme.accept(TaskbarTheme::fullscreenCenter);
        EXPECT_EQ(stored(), R"(true false 1 {"control":{}} [])");
    }
    EXPECT_EQ(emitted, (std::vector{MainMenuActivationKeys::command, MainMenuActivationKeys::control,
                                    MainMenuActivationKeys::control}));
}

TEST_F(Settings, PinnedAddressesLoadAsTasksBarePathsAsFileAddressesAndAnInvalidOneLosesOnlyItself) {
    store({{SettingsManager::pinnedKey,
            R"(["\/Applications\/Mail.app\/", "not an address", 5, "file:///Applications/Notes.app/"])"}});
    auto settings = make();
    auto pinned = settings->pinnedApplications.value();
    EXPECT_EQ(tracking_testing::titles(pinned), (std::vector<std::string>{"Mail", "Notes"}));
    EXPECT_EQ(tracking_testing::indexes(pinned), (std::vector<std::int64_t>{0, 1}));
    EXPECT_EQ(stored(),
              R"(true false 2 - ["file:///Applications/Mail.app/","file:///Applications/Notes.app/"])");
    // Pinning adds the task itself, even twice.
    settings->pin(pinned[1]);
    EXPECT_EQ(settings->pinnedApplications.value().back(), pinned[1]);
    EXPECT_EQ(settings->pinnedApplicationsState().size(), 3u);
    EXPECT_EQ(stored().substr(stored().rfind(',')), R"(,"file:///Applications/Notes.app/"])");
    store({{SettingsManager::pinnedKey, R"({"file:///Applications/Mail.app/": 1})"}});
    EXPECT_TRUE(make()->pinnedApplications.value().empty());
    EXPECT_EQ(stored(), "true false 2 - []");
}

TEST_F(Settings, ADamagedSettingsFileGivesTheDefaultsAndIsKeptAside) {
    test_support::TemporaryFolder folder;
    test_support::writeFile(folder / "settings.json", "{ not json");
    UserDefaults::setStandard(std::make_shared<UserDefaults>(folder / "settings.json"));
    EXPECT_EQ(make()->taskbarTheme.value(), TaskbarTheme::centered);
    bool keptAside = false;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        keptAside = keptAside || (entry.path().filename().string().starts_with("settings.json.corrupt") &&
                                  test_support::readWholeFile(entry.path()) == "{ not json");
    EXPECT_TRUE(keptAside);
}
