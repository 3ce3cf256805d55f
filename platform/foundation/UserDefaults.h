#pragma once

#include <concepts>
#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace platform {

// A value the user defaults can hold. Data (bytes) is a kind of its own, never confused with text.
class DefaultsValue {
public:
    struct Data {
        std::string bytes;
        friend bool operator==(const Data&, const Data&) = default;
    };
    using Array = std::vector<DefaultsValue>;
    using Dictionary = std::map<std::string, DefaultsValue>;
    enum class Kind { boolean, integer, real, string, data, array, dictionary };

    DefaultsValue(bool value) : storage_(value) {}
    template <std::integral T>
    requires(!std::same_as<T, bool>) DefaultsValue(T value) {
        if constexpr (std::is_unsigned_v<T> && sizeof(T) >= sizeof(std::int64_t)) {
            if (value > static_cast<T>(std::numeric_limits<std::int64_t>::max())) {
                storage_ = static_cast<double>(value);
                return;
            }
        }
        storage_ = static_cast<std::int64_t>(value);
    }
    DefaultsValue(double value) : storage_(value) {}
    DefaultsValue(std::string value) : storage_(std::move(value)) {}
    DefaultsValue(const char* value) : storage_(std::string(value)) {}
    DefaultsValue(std::string_view value) : storage_(std::string(value)) {}
    DefaultsValue(Data value) : storage_(std::move(value)) {}
    DefaultsValue(Array value) : storage_(std::move(value)) {}
    DefaultsValue(Dictionary value) : storage_(std::move(value)) {}
    static DefaultsValue data(std::string bytes) { return DefaultsValue(Data{std::move(bytes)}); }

    Kind kind() const { return static_cast<Kind>(storage_.index()); }
    std::optional<bool> boolValue() const;
    std::optional<std::int64_t> integerValue() const;
    // Integers too.
    std::optional<double> doubleValue() const;
    const std::string* stringValue() const { return std::get_if<std::string>(&storage_); }
    const std::string* dataValue() const {
        auto* data = std::get_if<Data>(&storage_);
        return data ? &data->bytes : nullptr;
    }
    const Array* arrayValue() const { return std::get_if<Array>(&storage_); }
    const Dictionary* dictionaryValue() const { return std::get_if<Dictionary>(&storage_); }

    friend bool operator==(const DefaultsValue&, const DefaultsValue&) = default;

private:
    std::variant<bool, std::int64_t, double, std::string, Data, Array, Dictionary> storage_;
};

// One domain of settings, kept in memory and in one JSON file that every change rewrites at once
// (atomically). A file that cannot be decoded (nor nests too deeply) is moved aside as
// "<file>.corrupt-<time>" and the domain starts empty; a file that cannot be read is left alone, and
// the domain runs empty without ever writing it. May be used from any thread.
class UserDefaults {
public:
    explicit UserDefaults(std::string path);

    // The program's domain: $VELMORA_DEFAULTS, else $XDG_CONFIG_HOME/velmora/defaults.json, else
    // ~/.config/velmora/defaults.json. Made on first use.
    static std::shared_ptr<UserDefaults> standard();
    // Replaces the standard domain (tests); none makes the next standard() read the environment again.
    static void setStandard(std::shared_ptr<UserDefaults> defaults);
    static std::string standardPath();

    const std::string& path() const { return path_; }

    // The values of a file's contents, or what is wrong with them ("is not valid JSON"…).
    static std::variant<DefaultsValue::Dictionary, std::string> decodedFile(std::string_view contents);

    void set(const std::string& key, DefaultsValue value);
    void setData(const std::string& key, std::string_view bytes);
    void removeObject(const std::string& key);

    bool has(const std::string& key) const;
    std::optional<DefaultsValue> objectForKey(const std::string& key) const;
    // The platform's conversions: numbers and the texts "true"/"yes" or a number count as Booleans,
    // Booleans and numeric text as numbers; a missing or other value gives false or 0.
    bool boolForKey(const std::string& key) const;
    std::int64_t integerForKey(const std::string& key) const;
    double doubleForKey(const std::string& key) const;
    // Text, or a number's decimal form.
    std::optional<std::string> stringForKey(const std::string& key) const;
    // Only a data value.
    std::optional<std::string> dataForKey(const std::string& key) const;

private:
    void load();
    void save();

    const std::string path_;
    mutable std::mutex mutex_;
    DefaultsValue::Dictionary values_;
    // False when the file could not be read or moved aside: it is never written over.
    bool persistent_ = true;
    // False once a write has failed: the file may then lack values held here.
    bool fileCurrent_ = true;
};

}  // namespace platform
