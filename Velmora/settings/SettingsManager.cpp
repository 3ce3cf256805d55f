#include "Velmora/settings/SettingsManager.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>

#include "Brindle/JSONCoding.h"
#include "Brindle/RxHelpers.h"
#include "Brindle/UserDefaultsValues.h"
#include "platform/foundation/UserDefaults.h"

namespace Velmora {
namespace {

using Brindle::DecodingError;
using platform::URL;

// An integer as the platform's decoder reads one: a JSON integer, or a number with no fraction,
// within the 64-bit range. Booleans and text are no integers.
std::optional<std::int64_t> loadInteger(const std::string& key) {
    auto data = platform::UserDefaults::standard()->dataForKey(key);
    if (!data) return std::nullopt;
    nlohmann::json json;
    try {
        json = Brindle::parseJSON(*data);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    if (json.is_number_unsigned()) {
        auto value = json.get<std::uint64_t>();
        if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return std::nullopt;
        return static_cast<std::int64_t>(value);
    }
    if (json.is_number_integer()) return json.get<std::int64_t>();
    if (json.is_number_float()) {
        auto value = json.get<double>();
        // 2^63 itself is out of range; every smaller whole double converts exactly.
        if (value != std::trunc(value) || value < -9223372036854775808.0 || value >= 9223372036854775808.0)
            return std::nullopt;
        return static_cast<std::int64_t>(value);
    }
    return std::nullopt;
}

// The stored pinned addresses. An entry that is not a valid address is dropped on its own, so
// that one damaged entry does not lose the user's other pins.
std::optional<std::vector<URL>> loadPinnedAddresses() {
    auto json = Brindle::loadFromUserDefaults<nlohmann::json>(SettingsManager::pinnedKey);
    if (!json || !json->is_array()) return std::nullopt;
    std::vector<URL> urls;
    for (const auto& element : *json) {
        if (!element.is_string()) continue;
        const auto text = element.get<std::string>();
        auto url = URL::fromString(text);
        if (!url) continue;
        // Earlier versions stored some bundles as bare paths; they name the same bundle as the
        // file address that running applications carry.
        if (!url->scheme() && text.starts_with('/')) url = URL::fileURL(url->path(), text.ends_with('/'));
        urls.push_back(*url);
    }
    return urls;
}

}  // namespace

const std::vector<MainMenuActivationKeys>& allMainMenuActivationKeys() {
    static const std::vector<MainMenuActivationKeys> keys{
        MainMenuActivationKeys::none, MainMenuActivationKeys::fn, MainMenuActivationKeys::control,
        MainMenuActivationKeys::options, MainMenuActivationKeys::command};
    return keys;
}

std::string name(MainMenuActivationKeys key) {
    switch (key) {
        case MainMenuActivationKeys::none:
            return "none";
        case MainMenuActivationKeys::fn:
            return "fn";
        case MainMenuActivationKeys::control:
            return "control";
        case MainMenuActivationKeys::options:
            return "options";
        case MainMenuActivationKeys::command:
            return "command";
    }
    return "none";
}

void to_json(nlohmann::json& json, const MainMenuActivationKeys& key) {
    json = nlohmann::json::object();
    json[name(key)] = nlohmann::json::object();
}

void from_json(const nlohmann::json& json, MainMenuActivationKeys& key) {
    if (!json.is_object())
        throw DecodingError(DecodingError::Kind::typeMismatch,
                            "Expected to decode Dictionary but found another type.", "Dictionary");
    std::optional<MainMenuActivationKeys> found;
    int count = 0;
    for (auto candidate : allMainMenuActivationKeys()) {
        if (!json.contains(name(candidate))) continue;
        found = candidate;
        ++count;
    }
    if (count != 1)
        throw DecodingError(DecodingError::Kind::typeMismatch, "Invalid number of keys found, expected one.",
                            "MainMenuActivationKeys");
    if (!json.at(name(*found)).is_object())
        throw DecodingError(DecodingError::Kind::typeMismatch,
                            "Expected to decode Dictionary but found another type.", "Dictionary");
    key = *found;
}

std::shared_ptr<SettingsManager> SettingsManager::shared() {
    static auto* instance = new std::shared_ptr<SettingsManager>(Brindle::make<SettingsManager>());
    return *instance;
}

SettingsManager::SettingsManager() {
    setShowTitle(Brindle::loadFromUserDefaults<bool>(showTitlesKey).value_or(true));
    setShowOnRunningMonitorOnly(Brindle::loadFromUserDefaults<bool>(showOnRunningMonitorKey).value_or(false));

    std::optional<TaskbarTheme> theme;
    if (auto raw = loadInteger(themeKey)) theme = TaskbarTheme::fromRawValue(*raw);
    taskbarTheme.accept(theme.value_or(TaskbarTheme::centered));

    setMainMenuKeyboardShortcut(Brindle::loadFromUserDefaults<MainMenuActivationKeys>(mainMenuShortcutKey)
                                    .value_or(MainMenuActivationKeys::command));

    if (auto urls = loadPinnedAddresses()) loadPinned(*urls);
}

void SettingsManager::postInit() {
    Brindle::Object::postInit();
    // Relays tell a new subscriber their value at once: the pinned list and the theme are written
    // now, the shortcut only when one is chosen.
    Brindle::subscribeNext(mainMenuKeyboardShortcutRelay.skip(1), false, [](MainMenuActivationKeys key) {
        Brindle::saveToUserDefaults(key, mainMenuShortcutKey);
    }).disposed(disposeBag_);
    Brindle::subscribeNext(pinnedApplications.map(bundleAddresses), false,
                           [weak = weakAs<SettingsManager>()](const std::vector<URL>& urls) {
                               Brindle::saveToUserDefaults(urls, pinnedKey);
                               if (auto self = weak.lock()) self->pinnedApplicationsState_.set(urls);
                           })
        .disposed(disposeBag_);
    Brindle::subscribeNext(taskbarTheme, false, [](TaskbarTheme theme) {
        Brindle::saveToUserDefaults(theme.rawValue(), themeKey);
    }).disposed(disposeBag_);
}

void SettingsManager::setShowTitle(bool value) {
    showTitle_.set(value);
    Brindle::saveToUserDefaults(showTitle_.value(), showTitlesKey);
}

void SettingsManager::setShowOnRunningMonitorOnly(bool value) {
    showOnRunningMonitorOnly_.set(value);
    Brindle::saveToUserDefaults(showOnRunningMonitorOnly_.value(), showOnRunningMonitorKey);
}

void SettingsManager::setMainMenuKeyboardShortcut(MainMenuActivationKeys value) {
    mainMenuKeyboardShortcut_.set(value);
    mainMenuKeyboardShortcutRelay.accept(mainMenuKeyboardShortcut_.value());
}

void SettingsManager::pin(const std::shared_ptr<Task>& task) {
    auto pinned = pinnedApplications.value();
    pinned.push_back(task);
    pinnedApplications.accept(pinned);
}

void SettingsManager::loadPinned(const std::vector<URL>& urls) {
    pinnedApplications.accept(makePinnedTasks(urls));
}

}  // namespace Velmora
