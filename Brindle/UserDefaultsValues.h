#pragma once

#include <optional>
#include <string>

#include "Brindle/JSONCoding.h"
#include "platform/foundation/UserDefaults.h"

// Any JSON-codable value kept as a data value of the standard user defaults.
namespace Brindle {

// False, and nothing written, when the value cannot be encoded.
template <class T>
bool saveToUserDefaults(const T& value, const std::string& key) {
    std::string data;
    try {
        data = encodeJSON(value);
    } catch (const std::exception&) {
        return false;
    }
    platform::UserDefaults::standard()->setData(key, data);
    return true;
}

// None when nothing is stored under the key, when what is stored is not a data value, or when it does
// not decode as `T`.
template <class T>
std::optional<T> loadFromUserDefaults(const std::string& key) {
    auto data = platform::UserDefaults::standard()->dataForKey(key);
    if (!data) return std::nullopt;
    try {
        return decodeJSON<T>(*data);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace Brindle
