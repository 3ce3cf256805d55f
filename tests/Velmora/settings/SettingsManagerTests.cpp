#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "Brindle/JSONCoding.h"
#include "Brindle/RxHelpers.h"
#include "Velmora/settings/SettingsManager.h"
#include "tests/Velmora/tracking/TrackingTesting.h"

using platform::UserDefaults;
using tracking_testing::Desktop;
using tracking_testing::FreshDefaults;
using Velmora::MainMenuActivationKeys;
using Velmora::PinnedTaskBehavior;
using Velmora::SettingsManager;
using Velmora::TaskbarTheme;

namespace {

constexpr const char* twoBundles = R"({"installed": [
    {"name": "Mail", "bundleIdentifier": "com.apple.mail", "bundle": "/Applications/Mail.app"},
    {"name": "Notes", "bundleIdentifier": "com.apple.Notes", "bundle": "/Applications/Notes.app"}]})";

class Settings : public testing::Test {
protected:
    // Stores raw JSON text under a key, as the settings keep their values.
    void store(const std::string& key, const std::string& json) { defaults()->setData(key, json); }
    std::optional<nlohmann::json> stored(const std::string& key) {
        auto data = defaults()->dataForKey(key);
        if (!data) return std::nullopt;
        return nlohmann::json::parse(*data);
    }
    static std::shared_ptr<UserDefaults> defaults() { return UserDefaults::standard(); }
    static std::shared_ptr<SettingsManager> make() { return Brindle::make<SettingsManager>(); }

    Desktop desktop{twoBundles};
    FreshDefaults fresh;
};

}  // namespace

TEST_F(Settings, AFirstStartStoresEveryDefaultButTheShortcut) {
    auto settings = make();
    EXPECT_EQ(stored(SettingsManager::showTitlesKey), nlohmann::json(true));
    EXPECT_EQ(stored(SettingsManager::showOnRunningMonitorKey), nlohmann::json(false));
    EXPECT_EQ(stored(SettingsManager::themeKey), nlohmann::json(2));
    EXPECT_EQ(stored(SettingsManager::pinnedKey), nlohmann::json::array());
    EXPECT_FALSE(defaults()->has(SettingsManager::mainMenuShortcutKey));

    EXPECT_TRUE(settings->showTitle());
    EXPECT_FALSE(settings->showOnRunningMonitorOnly());
    EXPECT_EQ(settings->taskbarTheme.value(), TaskbarTheme::centered);
    EXPECT_EQ(settings->mainMenuKeyboardShortcut(), MainMenuActivationKeys::command);
    EXPECT_EQ(settings->mainMenuKeyboardShortcutRelay.value(), MainMenuActivationKeys::command);
    EXPECT_EQ(settings->pinnedTaskBehavior(), PinnedTaskBehavior::allScreens);
    EXPECT_TRUE(settings->pinnedApplications.value().empty());
}

TEST_F(Settings, StoredValuesAreLoadedAndWrittenBackUnchanged) {
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
}

TEST_F(Settings, AThemeOutsideTheTableOrNotANumberGivesTheCenteredBarAndIsRewritten) {
    for (const auto* json : {"3", "-1", "true", "\"1\"", "1.5", "18446744073709551615", "{}"}) {
        store(SettingsManager::themeKey, json);
        auto settings = make();
        EXPECT_EQ(settings->taskbarTheme.value(), TaskbarTheme::centered) << json;
        EXPECT_EQ(stored(SettingsManager::themeKey), nlohmann::json(2)) << json;
    }
    store(SettingsManager::themeKey, "1.0");
    EXPECT_EQ(make()->taskbarTheme.value(), TaskbarTheme::fullscreenCenter)
        << "a whole number reads as an integer";
    defaults()->set(SettingsManager::themeKey, 1);
    EXPECT_EQ(make()->taskbarTheme.value(), TaskbarTheme::centered) << "only a data value counts";
}

TEST_F(Settings, BooleansThatAreNotJsonBooleansReadAsAbsent) {
    store(SettingsManager::showTitlesKey, "0");
    store(SettingsManager::showOnRunningMonitorKey, "\"true\"");
    auto settings = make();
    EXPECT_TRUE(settings->showTitle());
    EXPECT_FALSE(settings->showOnRunningMonitorOnly());
    EXPECT_EQ(stored(SettingsManager::showTitlesKey), nlohmann::json(true));
    EXPECT_EQ(stored(SettingsManager::showOnRunningMonitorKey), nlohmann::json(false));
}

TEST_F(Settings, TheShortcutNeedsExactlyOneKnownMemberHoldingAnObject) {
    for (const auto* json :
         {"{}", R"({"fn":{},"control":{}})", R"({"Fn":{}})", R"({"fn":true})", "\"fn\"", "3"}) {
        store(SettingsManager::mainMenuShortcutKey, json);
        auto settings = make();
        EXPECT_EQ(settings->mainMenuKeyboardShortcut(), MainMenuActivationKeys::command) << json;
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

TEST_F(Settings, ChoosingAShortcutStoresAndEmitsItEveryTimeAlsoWhenUnchanged) {
    auto settings = make();
    std::vector<MainMenuActivationKeys> emitted;
    rx::DisposeBag bag;
    Brindle::subscribeNext(settings->mainMenuKeyboardShortcutRelay, false, [&](MainMenuActivationKeys key) {
        emitted.push_back(key);
    }).disposed(bag);
    settings->setMainMenuKeyboardShortcut(MainMenuActivationKeys::control);
    EXPECT_EQ(defaults()->dataForKey(SettingsManager::mainMenuShortcutKey), R"({"control":{}})");
    defaults()->removeObject(SettingsManager::mainMenuShortcutKey);
    settings->setMainMenuKeyboardShortcut(MainMenuActivationKeys::control);
    EXPECT_EQ(defaults()->dataForKey(SettingsManager::mainMenuShortcutKey), R"({"control":{}})");
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
    ASSERT_EQ(pinned.size(), 2u);
    EXPECT_EQ(pinned[0]->title, "Mail");
    EXPECT_EQ(pinned[0]->index, 0);
    EXPECT_EQ(pinned[0]->bundleIdentifier, "com.apple.mail");
    EXPECT_TRUE(pinned[0]->icon);
    EXPECT_FALSE(pinned[0]->runningApplication);
    EXPECT_EQ(pinned[1]->title, "Notes");
    EXPECT_EQ(pinned[1]->index, 1);
    EXPECT_EQ(stored(SettingsManager::pinnedKey),
              nlohmann::json({"file:///Applications/Mail.app/", "file:///Applications/Notes.app/"}));
    EXPECT_EQ(settings->pinnedApplicationsState().size(), 2u);

    store(SettingsManager::pinnedKey, R"({"file:///Applications/Mail.app/": 1})");
    EXPECT_TRUE(make()->pinnedApplications.value().empty());
    EXPECT_EQ(stored(SettingsManager::pinnedKey), nlohmann::json::array());
}

TEST_F(Settings, PinningAddsTheTaskItselfEvenTwice) {
    auto settings = make();
    auto mail = tracking_testing::task("file:///Applications/Mail.app/", 4, {}, "Mail");
    settings->pin(mail);
    settings->pin(mail);
    auto pinned = settings->pinnedApplications.value();
    ASSERT_EQ(pinned.size(), 2u);
    EXPECT_EQ(pinned[0], mail);
    EXPECT_EQ(stored(SettingsManager::pinnedKey),
              nlohmann::json({"file:///Applications/Mail.app/", "file:///Applications/Mail.app/"}));
    EXPECT_EQ(settings->pinnedApplicationsState(), (std::vector{mail->bundlePath, mail->bundlePath}));
}

TEST_F(Settings, ADamagedSettingsFileGivesTheDefaultsAndIsKeptAside) {
    const auto path = fresh.path.string() + ".damaged";
    std::ofstream(path) << "{ not json";
    UserDefaults::setStandard(std::make_shared<UserDefaults>(path));
    auto settings = make();
    EXPECT_TRUE(settings->showTitle());
    EXPECT_EQ(settings->taskbarTheme.value(), TaskbarTheme::centered);

    bool keptAside = false;
    for (const auto& entry : std::filesystem::directory_iterator(fresh.path.parent_path())) {
        auto name = entry.path().filename().string();
        if (!name.starts_with(std::filesystem::path(path).filename().string() + ".corrupt")) continue;
        std::ifstream file(entry.path());
        std::string contents((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        keptAside = contents == "{ not json";
        std::filesystem::remove(entry.path());
    }
    EXPECT_TRUE(keptAside);
    std::filesystem::remove(path);
}
