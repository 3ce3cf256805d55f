#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "Brindle/Object.h"
#include "platform/foundation/UserDefaults.h"

namespace Velmora {

// An application bundle as far as the program reads its property list.
class Bundle : public Brindle::Object {
public:
    // Property-list values have the same kinds as the user defaults' values.
    using InfoDictionary = platform::DefaultsValue::Dictionary;

    // None: the bundle has no property list.
    explicit Bundle(std::optional<InfoDictionary> infoDictionary)
        : infoDictionary_(std::move(infoDictionary)) {}

    // The program's own: "CFBundleShortVersionString" and "CFBundleVersion" come from the build.
    static std::shared_ptr<const Bundle> main();
    // Tests; none puts the program's own back. Returns the one it replaces.
    static std::shared_ptr<const Bundle> setMain(std::shared_ptr<const Bundle> bundle);

    const std::optional<InfoDictionary>& infoDictionary() const { return infoDictionary_; }

    // "CFBundleVersion" as a decimal integer; none when it is missing, not text, empty or not a
    // decimal number.
    std::optional<std::int64_t> buildVersionNumber() const;
    // "CFBundleShortVersionString"; none when it is missing or not text.
    std::optional<std::string> releaseVersionNumber() const;

private:
    const std::string* text(const std::string& key) const;

    const std::optional<InfoDictionary> infoDictionary_;
};

// Puts a bundle in place of the main one while it lives (tests).
class ScopedMainBundle {
public:
    explicit ScopedMainBundle(std::shared_ptr<const Bundle> bundle)
        : previous_(Bundle::setMain(std::move(bundle))) {}
    ~ScopedMainBundle() { Bundle::setMain(previous_); }
    ScopedMainBundle(const ScopedMainBundle&) = delete;
    ScopedMainBundle& operator=(const ScopedMainBundle&) = delete;

private:
    std::shared_ptr<const Bundle> previous_;
};

}  // namespace Velmora
