#pragma once

#include <nlohmann/json_fwd.hpp>

#include "Velmora/settings/UpdateInfo.h"

namespace Velmora {

// The update server's reply, and the cached copy of the last one handled.
struct UpdateResponse {
    // The newest version; offered to builds older than it.
    UpdateInfo latest;
    // The oldest version that may still run.
    UpdateInfo required;

    friend bool operator==(const UpdateResponse&, const UpdateResponse&) = default;
};

// Both keys are required; other keys are ignored.
void to_json(nlohmann::json& json, const UpdateResponse& value);
void from_json(const nlohmann::json& json, UpdateResponse& value);

}  // namespace Velmora
