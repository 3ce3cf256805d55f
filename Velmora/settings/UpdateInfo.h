#pragma once

#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>

#include "platform/foundation/URL.h"

namespace Velmora {

// One version the update server names.
struct UpdateInfo {
    // The build number of that version.
    std::int64_t versionCode = 0;
    std::string versionName;
    // The alert's title and text.
    std::string title;
    std::string text;
    // The download address.
    std::string url;

    // `url` when it is a valid http or https address: a reply must not make the program open local
    // files or launch applications through other schemes.
    std::optional<platform::URL> downloadURL() const;

    friend bool operator==(const UpdateInfo&, const UpdateInfo&) = default;
};

// Every key is required; a missing key or a value of another kind throws Brindle::DecodingError.
void to_json(nlohmann::json& json, const UpdateInfo& value);
void from_json(const nlohmann::json& json, UpdateInfo& value);

}  // namespace Velmora
