#include "Velmora/settings/UpdateInfo.h"

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>

#include "Brindle/JSONCoding.h"

namespace Velmora {
namespace {

const nlohmann::json& member(const nlohmann::json& json, const char* key) {
    if (!json.is_object())
        throw Brindle::DecodingError(
            Brindle::DecodingError::Kind::typeMismatch,
            std::string("Expected to decode object but found ") + json.type_name() + " instead.", "object");
    auto found = json.find(key);
    if (found == json.end())
        throw Brindle::DecodingError(Brindle::DecodingError::Kind::keyNotFound,
                                     std::string("No value associated with key \"") + key + "\".");
    if (found->is_null())
        throw Brindle::DecodingError(Brindle::DecodingError::Kind::valueNotFound,
                                     std::string("Expected value for key \"") + key + "\" but found null.");
    return *found;
}

Brindle::DecodingError mismatch(const char* key, const char* expected, const nlohmann::json& found) {
    return Brindle::DecodingError(Brindle::DecodingError::Kind::typeMismatch,
                                  std::string("Expected to decode ") + expected + " for key \"" + key +
                                      "\" but found " + found.type_name() + " instead.",
                                  expected);
}

std::string text(const nlohmann::json& json, const char* key) {
    const auto& value = member(json, key);
    if (!value.is_string()) throw mismatch(key, "string", value);
    return value.get<std::string>();
}

// Whole numbers only, also when written with a fraction of zero ("27.0"); no Booleans, no text.
std::int64_t integer(const nlohmann::json& json, const char* key) {
    const auto& value = member(json, key);
    if (value.is_number_unsigned()) {
        auto number = value.get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            throw mismatch(key, "Int", value);
        return static_cast<std::int64_t>(number);
    }
    if (value.is_number_integer()) return value.get<std::int64_t>();
    if (value.is_number_float()) {
        double number = value.get<double>();
        // 2^63 itself is out of range.
        if (std::trunc(number) == number && number >= -9223372036854775808.0 &&
            number < 9223372036854775808.0)
            return static_cast<std::int64_t>(number);
    }
    throw mismatch(key, "Int", value);
}

}  // namespace

std::optional<platform::URL> UpdateInfo::downloadURL() const {
    auto address = platform::URL::fromString(url);
    if (!address) return std::nullopt;
    // Schemes are case-insensitive: "HTTPS" is https.
    auto scheme = address->scheme();
    if (!scheme || !address->host()) return std::nullopt;
    std::string lower;
    for (char c : *scheme) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    if (lower != "https" && lower != "http") return std::nullopt;
    return address;
}

void to_json(nlohmann::json& json, const UpdateInfo& value) {
    json = {{"versionCode", value.versionCode},
            {"versionName", value.versionName},
            {"title", value.title},
            {"text", value.text},
            {"url", value.url}};
}

void from_json(const nlohmann::json& json, UpdateInfo& value) {
    value.versionCode = integer(json, "versionCode");
    value.versionName = text(json, "versionName");
    value.title = text(json, "title");
    value.text = text(json, "text");
    value.url = text(json, "url");
}

}  // namespace Velmora
