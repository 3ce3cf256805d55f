#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "Brindle/JSONCoding.h"
#include "Brindle/RxHelpers.h"
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
    // Stores raw JSON text under a key, as the settings keep their values.
    static void store(const std::string& key, const std::string& json) { defaults()->setData(key, json); }
    static std::optional<nlohmann::json> stored(const std::string& key) {
        auto data = defaults()->dataForKey(key);
        if (!data) return std::nullopt;
        return nlohmann::json::parse(*data);
    }
    static std::shared_ptr<UserDefaults> defaults() { return UserDefaults::standard(); }
    static std::shared_ptr<SettingsManager> make() { return Brindle::make<SettingsManager>(); }

    tracking_testing::Desktop desktop{R"({"installed": [
        {"name": "Mail", "bundleIdentifier": "com.apple.mail", "bundle": "/Applications/Mail.app"},
        {"name": "Notes", "bundleIdentifier": "com.apple.Notes", "bundle": "/Applications/Notes.app"}]})"};
    tracking_testing::FreshDefaults fresh;
};

}  // namespace

TEST_F(Settings, AFirstStartStoresEveryDefaultButTheShortcut) {
    auto settings = make();
    EXPECT_EQ(stored(SettingsManager::showTitlesKey), nlohmann::json(true));
    EXPECT_EQ(stored(SettingsManager::showOnRunningMonitorKey), nlohmann::json(false));
    EXPECT_EQ(stored(SettingsManager::themeKey), nlohmann::json(2));
    EXPECT_EQ(stored(SettingsManager::pinnedKey), nlohmann::json::array());
    EXPECT_FALSE(defaults()->has(SettingsManager::mainMenuShortcutKey));
    EXPECT_EQ(settings->pinnedTaskBehavior(), Velmora::PinnedTaskBehavior::allScreens);
}

TEST_F(Settings, StoredValuesAreLoadedAndWrittenBackAndBooleansThatAreNoJsonBooleansReadAsAbsent) {
    store(SettingsManager::showTitlesKey, "false");
    store(SettingsManager::showOnRunningMonitorKey, "true");
    store(SettingsManager::themeKey, "0");
    store(SettingsManager::mainMenuShortcutKey, R"({"fn":{}})");
    auto settings = make();
    EXPECT_FALSE(settings->showTitle());
    EXPECT_TRUE(settings->showOnRunningMonitorOnly());
    EXPECT_EQ(settings->taskbarTheme.value(), TaskbarTheme::fullscreenLeft);
    EXPECT_EQ(settings->mainMenuKeyboardShortcut(), MainMenuActivationKeys::fn);
    EXPECT_EQ(stored(SettingsManager::themeKey), nlohmann::json(0));
    EXPECT_EQ(stored(SettingsManager::showTitlesKey), nlohmann::json(false));

    store(SettingsManager::showTitlesKey, "0");
    store(SettingsManager::showOnRunningMonitorKey, "\"true\"");
    settings = make();
    EXPECT_TRUE(settings->showTitle());
    EXPECT_FALSE(settings->showOnRunningMonitorOnly());
    EXPECT_EQ(stored(SettingsManager::showTitlesKey), nlohmann::json(true));
    EXPECT_EQ(stored(SettingsManager::showOnRunningMonitorKey), nlohmann::json(false));
}

TEST_F(Settings, AThemeOutsideTheTableOrNotANumberGivesTheCenteredBarAndIsRewritten) {
    for (const auto* json : {"3", "-1", "true", "\"1\"", "1.5", "18446744073709551615", "{}", "[1"}) {
        store(SettingsManager::themeKey, json);
        EXPECT_EQ(make()->taskbarTheme.value(), TaskbarTheme::centered) << json;
        EXPECT_EQ(stored(SettingsManager::themeKey), nlohmann::json(2)) << json;
    }
    store(SettingsManager::themeKey, "1.0");
    EXPECT_EQ(make()->taskbarTheme.value(), TaskbarTheme::fullscreenCenter) << "a whole number is an integer";
    defaults()->set(SettingsManager::themeKey, 1);
    EXPECT_EQ(make()->taskbarTheme.value(), TaskbarTheme::centered) << "only a data value counts";
}

TEST_F(Settings, TheShortcutNeedsExactlyOneKnownMemberHoldingAnObject) {
    for (const auto* json :
         {"{}", R"({"fn":{},"control":{}})", R"({"Fn":{}})", R"({"fn":true})", "\"fn\"", "3"}) {
        store(SettingsManager::mainMenuShortcutKey, json);
        EXPECT_EQ(make()->mainMenuKeyboardShortcut(), MainMenuActivationKeys::command) << json;
        EXPECT_EQ(defaults()->dataForKey(SettingsManager::mainMenuShortcutKey), json) << "left as it was";
    }
    store(SettingsManager::mainMenuShortcutKey, R"({"fn":{},"other":{}})");
    EXPECT_EQ(make()->mainMenuKeyboardShortcut(), MainMenuActivationKeys::fn)
        << "unknown members are ignored";
    store(SettingsManager::mainMenuShortcutKey, R"({"options":{"ignored":1}})");
    EXPECT_EQ(make()->mainMenuKeyboardShortcut(), MainMenuActivationKeys::options);
    try {
        (void)Brindle::decodeJSON<MainMenuActivationKeys>(R"({"fn":{},"none":{}})");
        ADD_FAILURE() << "decoded two keys";
    } catch (const Brindle::DecodingError& error) {
        EXPECT_EQ(error.kind(), Brindle::DecodingError::Kind::typeMismatch);
        EXPECT_EQ(error.debugDescription(), "Invalid number of keys found, expected one.");
    }
}

TEST_F(Settings, ChoosingAValueStoresItEveryTimeAndTheShortcutIsEmittedAlsoWhenUnchanged) {
    auto settings = make();
    std::vector<MainMenuActivationKeys> emitted;
    rx::DisposeBag bag;
    Brindle::subscribeNext(settings->mainMenuKeyboardShortcutRelay, false, [&](MainMenuActivationKeys key) {
        emitted.push_back(key);
    }).disposed(bag);
    for (int time = 0; time < 2; ++time) {
        defaults()->removeObject(SettingsManager::mainMenuShortcutKey);
        settings->setMainMenuKeyboardShortcut(MainMenuActivationKeys::control);
        EXPECT_EQ(defaults()->dataForKey(SettingsManager::mainMenuShortcutKey), R"({"control":{}})");
    }
    EXPECT_EQ(emitted, (std::vector{MainMenuActivationKeys::command, MainMenuActivationKeys::control,
                                    MainMenuActivationKeys::control}));
    defaults()->removeObject(SettingsManager::showTitlesKey);
    settings->setShowTitle(true);
    EXPECT_EQ(stored(SettingsManager::showTitlesKey), nlohmann::json(true))
        << "an unchanged value is written too";
    settings->taskbarTheme.accept(TaskbarTheme::fullscreenCenter);
    EXPECT_EQ(stored(SettingsManager::themeKey), nlohmann::json(1));
}

TEST_F(Settings, PinnedAddressesLoadAsTasksBarePathsAsFileAddressesAndAnInvalidOneLosesOnlyItself) {
    store(SettingsManager::pinnedKey,
          R"(["\/Applications\/Mail.app\/", "not an address", 5, "file:///Applications/Notes.app/"])");
    auto settings = make();
    auto pinned = settings->pinnedApplications.value();
    EXPECT_EQ(tracking_testing::titles(pinned), (std::vector<std::string>{"Mail", "Notes"}));
    EXPECT_EQ(tracking_testing::indexes(pinned), (std::vector<std::int64_t>{0, 1}));
    const nlohmann::json addresses{"file:///Applications/Mail.app/", "file:///Applications/Notes.app/"};
    EXPECT_EQ(stored(SettingsManager::pinnedKey), addresses);
    EXPECT_EQ(settings->pinnedApplicationsState().size(), 2u);

    // Pinning adds the task itself, even twice.
    settings->pin(pinned[1]);
    EXPECT_EQ(settings->pinnedApplications.value().back(), pinned[1]);
    EXPECT_EQ(stored(SettingsManager::pinnedKey)->back(), "file:///Applications/Notes.app/");
    EXPECT_EQ(settings->pinnedApplicationsState().size(), 3u);

    store(SettingsManager::pinnedKey, R"({"file:///Applications/Mail.app/": 1})");
    EXPECT_TRUE(make()->pinnedApplications.value().empty());
    EXPECT_EQ(stored(SettingsManager::pinnedKey), nlohmann::json::array());
}

TEST_F(Settings, ADamagedSettingsFileGivesTheDefaultsAndIsKeptAside) {
    test_support::TemporaryFolder folder;
    const auto path = folder / "settings.json";
    test_support::writeFile(path, "{ not json");
    UserDefaults::setStandard(std::make_shared<UserDefaults>(path));
    auto settings = make();
    EXPECT_TRUE(settings->showTitle());
    EXPECT_EQ(settings->taskbarTheme.value(), TaskbarTheme::centered);
    bool keptAside = false;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        keptAside = keptAside || (entry.path().filename().string().starts_with("settings.json.corrupt") &&
                                  test_support::readWholeFile(entry.path()) == "{ not json");
    EXPECT_TRUE(keptAside);
}
