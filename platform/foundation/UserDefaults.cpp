#include "platform/foundation/UserDefaults.h"

#include <time.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <utility>
#include <vector>

#include "platform/base/Clock.h"
#include "platform/base/LogText.h"
#include "platform/foundation/BoundedFile.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/JSONNesting.h"

namespace platform {
namespace {

using nlohmann::json;

// In the file, data is {"$data": "<base64>"} and a non-finite number {"$real": "nan"}; a
// dictionary key that starts with "$" is written with one more "$", so no key can pass for a marker.
constexpr std::string_view dataMarker = "$data";
constexpr std::string_view realMarker = "$real";

constexpr char base64Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string base64Encoded(std::string_view bytes) {
    std::string result;
    result.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t chunk = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) chunk |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) chunk |= static_cast<unsigned char>(bytes[i + 2]);
        result += base64Digits[(chunk >> 18) & 63];
        result += base64Digits[(chunk >> 12) & 63];
        result += i + 1 < bytes.size() ? base64Digits[(chunk >> 6) & 63] : '=';
        result += i + 2 < bytes.size() ? base64Digits[chunk & 63] : '=';
    }
    return result;
}

std::optional<std::string> base64Decoded(std::string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    std::size_t padding = 0;
    if (!text.empty() && text.back() == '=') padding = text[text.size() - 2] == '=' ? 2 : 1;
    std::string result;
    result.reserve(text.size() / 4 * 3);
    std::uint32_t chunk = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t digit = 0;
        if (i < text.size() - padding) {
            const char* found = std::char_traits<char>::find(base64Digits, 64, text[i]);
            if (!found) return std::nullopt;
            digit = static_cast<std::uint32_t>(found - base64Digits);
        }
        chunk = (chunk << 6) | digit;
        if (i % 4 == 3) {
            result += static_cast<char>((chunk >> 16) & 0xFF);
            result += static_cast<char>((chunk >> 8) & 0xFF);
            result += static_cast<char>(chunk & 0xFF);
            chunk = 0;
        }
    }
    result.resize(result.size() - padding);
    return result;
}

json encoded(const DefaultsValue& value);

json encodedDictionary(const DefaultsValue::Dictionary& dictionary) {
    json object = json::object();
    for (const auto& [key, value] : dictionary) {
        object[key.starts_with('$') ? "$" + key : key] = encoded(value);
    }
    return object;
}

json encoded(const DefaultsValue& value) {
    switch (value.kind()) {
        case DefaultsValue::Kind::boolean:
            return *value.boolValue();
        case DefaultsValue::Kind::integer:
            return *value.integerValue();
        case DefaultsValue::Kind::real: {
            double number = *value.doubleValue();
            if (std::isfinite(number)) return number;
            return json{{realMarker, std::isnan(number) ? "nan" : number > 0 ? "inf" : "-inf"}};
        }
        case DefaultsValue::Kind::string:
            return *value.stringValue();
        case DefaultsValue::Kind::data:
            return json{{dataMarker, base64Encoded(*value.dataValue())}};
        case DefaultsValue::Kind::array: {
            json array = json::array();
            for (const auto& element : *value.arrayValue()) array.push_back(encoded(element));
            return array;
        }
        case DefaultsValue::Kind::dictionary:
            return encodedDictionary(*value.dictionaryValue());
    }
    return nullptr;
}

std::optional<DefaultsValue> decoded(const json& value);

std::optional<DefaultsValue::Dictionary> decodedDictionary(const json& object) {
    DefaultsValue::Dictionary dictionary;
    for (const auto& [key, element] : object.items()) {
        if (key.starts_with('$') && !key.starts_with("$$")) return std::nullopt;
        auto value = decoded(element);
        if (!value) return std::nullopt;
        dictionary.emplace(key.starts_with('$') ? key.substr(1) : key, std::move(*value));
    }
    return dictionary;
}

std::optional<DefaultsValue> decoded(const json& value) {
    switch (value.type()) {
        case json::value_t::boolean:
            return DefaultsValue(value.get<bool>());
        case json::value_t::number_integer:
            return DefaultsValue(value.get<std::int64_t>());
        case json::value_t::number_unsigned:
            return DefaultsValue(value.get<std::uint64_t>());
        case json::value_t::number_float:
            return DefaultsValue(value.get<double>());
        case json::value_t::string:
            return DefaultsValue(value.get<std::string>());
        case json::value_t::array: {
            DefaultsValue::Array array;
            for (const auto& element : value) {
                auto decodedElement = decoded(element);
                if (!decodedElement) return std::nullopt;
                array.push_back(std::move(*decodedElement));
            }
            return DefaultsValue(std::move(array));
        }
        case json::value_t::object: {
            if (value.size() == 1 && value.contains(dataMarker)) {
                const auto& text = value.at(dataMarker);
                if (!text.is_string()) return std::nullopt;
                auto bytes = base64Decoded(text.get_ref<const std::string&>());
                if (!bytes) return std::nullopt;
                return DefaultsValue::data(std::move(*bytes));
            }
            if (value.size() == 1 && value.contains(realMarker)) {
                const auto& text = value.at(realMarker);
                if (text == "nan") return DefaultsValue(std::nan(""));
                if (text == "inf") return DefaultsValue(HUGE_VAL);
                if (text == "-inf") return DefaultsValue(-HUGE_VAL);
                return std::nullopt;
            }
            auto dictionary = decodedDictionary(value);
            if (!dictionary) return std::nullopt;
            return DefaultsValue(std::move(*dictionary));
        }
        default:
            return std::nullopt;
    }
}

std::string_view trimmedStart(std::string_view text) {
    auto start = text.find_first_not_of(" \t\n\r");
    return start == std::string_view::npos ? std::string_view() : text.substr(start);
}

// The leading number of a text, as the platform reads numeric text; 0 when there is none.
template <typename Number>
Number leadingNumber(std::string_view text) {
    text = trimmedStart(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    Number number{};
    std::from_chars(text.data(), text.data() + text.size(), number);
    return number;
}

std::int64_t truncated(double number) {
    if (std::isnan(number)) return 0;
    if (number >= 9223372036854775807.0) return std::numeric_limits<std::int64_t>::max();
    if (number <= -9223372036854775808.0) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(number);
}

std::string timestamp() {
    auto seconds = static_cast<time_t>(std::floor(Clock::wallSeconds()));
    tm parts{};
    ::gmtime_r(&seconds, &parts);
    std::array<char, 32> text{};
    std::strftime(text.data(), text.size(), "%Y%m%d-%H%M%S", &parts);
    return text.data();
}

// Without recursion, so that any value can be checked.
bool nestsWithin(const DefaultsValue& value, int maximumDepth) {
    std::vector<std::pair<const DefaultsValue*, int>> pending{{&value, 0}};
    while (!pending.empty()) {
        auto [node, depth] = pending.back();
        pending.pop_back();
        if (auto* array = node->arrayValue()) {
            if (depth + 1 > maximumDepth) return false;
            for (const auto& element : *array) pending.emplace_back(&element, depth + 1);
        } else if (auto* dictionary = node->dictionaryValue()) {
            if (depth + 1 > maximumDepth) return false;
            for (const auto& [key, element] : *dictionary) pending.emplace_back(&element, depth + 1);
        }
    }
    return true;
}

struct Standard {
    std::mutex mutex;
    std::shared_ptr<UserDefaults> defaults;
};

Standard& standardDomain() {
    static auto* value = new Standard;
    return *value;
}

}  // namespace

std::optional<bool> DefaultsValue::boolValue() const {
    if (auto* value = std::get_if<bool>(&storage_)) return *value;
    if (auto* value = std::get_if<std::int64_t>(&storage_)) return *value != 0;
    if (auto* value = std::get_if<double>(&storage_)) return *value != 0;
    return std::nullopt;
}

std::optional<std::int64_t> DefaultsValue::integerValue() const {
    if (auto* value = std::get_if<std::int64_t>(&storage_)) return *value;
    if (auto* value = std::get_if<bool>(&storage_)) return *value ? 1 : 0;
    if (auto* value = std::get_if<double>(&storage_)) return truncated(*value);
    return std::nullopt;
}

std::optional<double> DefaultsValue::doubleValue() const {
    if (auto* value = std::get_if<double>(&storage_)) return *value;
    if (auto* value = std::get_if<std::int64_t>(&storage_)) return static_cast<double>(*value);
    if (auto* value = std::get_if<bool>(&storage_)) return *value ? 1.0 : 0.0;
    return std::nullopt;
}

UserDefaults::UserDefaults(std::string path) : path_(std::move(path)) { load(); }

std::shared_ptr<UserDefaults> UserDefaults::standard() {
    auto& domain = standardDomain();
    std::lock_guard lock(domain.mutex);
    if (!domain.defaults) domain.defaults = std::make_shared<UserDefaults>(standardPath());
    return domain.defaults;
}

void UserDefaults::setStandard(std::shared_ptr<UserDefaults> defaults) {
    auto& domain = standardDomain();
    std::lock_guard lock(domain.mutex);
    domain.defaults = std::move(defaults);
}

std::string UserDefaults::standardPath() {
    if (const char* path = std::getenv("VELMORA_DEFAULTS"); path && *path) return path;
    return FileManager::xdgPath("XDG_CONFIG_HOME", ".config") + "/velmora/defaults.json";
}

std::variant<DefaultsValue::Dictionary, std::string> UserDefaults::decodedFile(std::string_view contents) {
    if (!jsonNestingWithin(contents)) return std::string("nests too deeply");
    auto parsed = json::parse(contents, nullptr, false);
    if (parsed.is_discarded()) return std::string("is not valid JSON");
    if (!parsed.is_object()) return std::string("does not hold a dictionary");
    auto dictionary = decodedDictionary(parsed);
    if (!dictionary) return std::string("holds values of unknown kinds");
    return std::move(*dictionary);
}

void UserDefaults::load() {
    auto files = FileManager::shared();
    files->removeStaleTemporaries(path_);
    auto contents = files->contentsOfFile(path_, FileLimits::userDefaults);
    // Only content that cannot be decoded is moved aside: a file that cannot be read now (no
    // permission, a folder, a link to nowhere, a failing disk) may be whole, so it is kept as it is.
    if (!contents && contents.error().code != EFBIG) {
        if (contents.error().code == ENOENT && !files->attributesOfItem(path_)) return;
        persistent_ = false;
        std::fprintf(stderr, "UserDefaults: %s; running with no settings, and it will not be written\n",
                     contents.error().description.c_str());
        return;
    }

    std::string problem = "is too large";
    if (contents) {
        auto decoded = decodedFile(*contents);
        if (auto* dictionary = std::get_if<DefaultsValue::Dictionary>(&decoded)) {
            values_ = std::move(*dictionary);
            return;
        }
        problem = std::get<std::string>(decoded);
    }

    // Keep the damaged file for whoever wants to look at it; never write over it.
    auto aside = path_ + ".corrupt-" + timestamp();
    auto moved = files->moveItem(path_, aside);
    for (int attempt = 2; !moved && moved.error().code == EEXIST && attempt < 100; ++attempt) {
        moved = files->moveItem(path_, aside + "-" + std::to_string(attempt));
        if (moved) aside += "-" + std::to_string(attempt);
    }
    if (moved) {
        std::fprintf(stderr, "UserDefaults: %s %s; moved it to %s and started with no settings\n",
                     escapedForLog(path_).c_str(), problem.c_str(), escapedForLog(aside).c_str());
    } else {
        persistent_ = false;
        std::fprintf(stderr,
                     "UserDefaults: %s %s and cannot be moved aside (%s); changes will not be saved\n",
                     escapedForLog(path_).c_str(), problem.c_str(), moved.error().description.c_str());
    }
}

void UserDefaults::save() {
    if (!persistent_) return;
    auto files = FileManager::shared();
    auto slash = path_.rfind('/');
    if (slash != std::string::npos && slash > 0) {
        auto folder = path_.substr(0, slash);
        if (!files->fileExists(folder)) files->createDirectory(folder, true);
    }
    auto text = encodedDictionary(values_).dump(2, ' ', false, json::error_handler_t::replace) + "\n";
    auto written = files->writeAtomically(path_, text);
    fileCurrent_ = static_cast<bool>(written);
    if (!written) std::fprintf(stderr, "UserDefaults: %s\n", written.error().description.c_str());
}

void UserDefaults::set(const std::string& key, DefaultsValue value) {
    // The file's dictionary is one level, so the value may take all but one.
    if (!nestsWithin(value, maximumJSONDepth - 1)) {
        std::fprintf(stderr, "UserDefaults: the value for %s nests too deeply to be stored\n",
                     escapedForLog(key).c_str());
        return;
    }
    std::lock_guard lock(mutex_);
    // Writing the file costs two syncs to disk: skip it when the file already holds the value.
    if (auto found = values_.find(key); found != values_.end() && found->second == value && fileCurrent_)
        return;
    values_.insert_or_assign(key, std::move(value));
    save();
}

void UserDefaults::setData(const std::string& key, std::string_view bytes) {
    set(key, DefaultsValue::data(std::string(bytes)));
}

void UserDefaults::removeObject(const std::string& key) {
    std::lock_guard lock(mutex_);
    if (values_.erase(key) != 0) save();
}

bool UserDefaults::has(const std::string& key) const {
    std::lock_guard lock(mutex_);
    return values_.contains(key);
}

std::optional<DefaultsValue> UserDefaults::objectForKey(const std::string& key) const {
    std::lock_guard lock(mutex_);
    auto found = values_.find(key);
    if (found == values_.end()) return std::nullopt;
    return found->second;
}

bool UserDefaults::boolForKey(const std::string& key) const {
    auto value = objectForKey(key);
    if (!value) return false;
    if (auto* text = value->stringValue()) {
        auto trimmed = trimmedStart(*text);
        std::string lower;
        for (char c : trimmed) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        if (lower.starts_with("true") || lower.starts_with("yes")) return true;
        return leadingNumber<std::int64_t>(trimmed) != 0;
    }
    return value->boolValue().value_or(false);
}

std::int64_t UserDefaults::integerForKey(const std::string& key) const {
    auto value = objectForKey(key);
    if (!value) return 0;
    if (auto* text = value->stringValue()) return leadingNumber<std::int64_t>(*text);
    return value->integerValue().value_or(0);
}

double UserDefaults::doubleForKey(const std::string& key) const {
    auto value = objectForKey(key);
    if (!value) return 0;
    if (auto* text = value->stringValue()) return leadingNumber<double>(*text);
    return value->doubleValue().value_or(0);
}

std::optional<std::string> UserDefaults::stringForKey(const std::string& key) const {
    auto value = objectForKey(key);
    if (!value) return std::nullopt;
    if (auto* text = value->stringValue()) return *text;
    switch (value->kind()) {
        case DefaultsValue::Kind::boolean:
            return *value->boolValue() ? "1" : "0";
        case DefaultsValue::Kind::integer:
            return std::to_string(*value->integerValue());
        case DefaultsValue::Kind::real: {
            std::array<char, 32> buffer{};
            auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), *value->doubleValue()).ptr;
            return std::string(buffer.data(), end);
        }
        default:
            return std::nullopt;
    }
}

std::optional<std::string> UserDefaults::dataForKey(const std::string& key) const {
    auto value = objectForKey(key);
    if (!value || !value->dataValue()) return std::nullopt;
    return *value->dataValue();
}

}  // namespace platform
