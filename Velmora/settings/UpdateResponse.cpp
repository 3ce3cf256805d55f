#include "Velmora/settings/UpdateResponse.h"

#include <nlohmann/json.hpp>

#include "Brindle/JSONCoding.h"

namespace Velmora {

void to_json(nlohmann::json& json, const UpdateResponse& value) {
    json = {{"latest", value.latest}, {"required", value.required}};
}

void from_json(const nlohmann::json& json, UpdateResponse& value) {
    if (!json.is_object())
        throw Brindle::DecodingError(
            Brindle::DecodingError::Kind::typeMismatch,
            std::string("Expected to decode object but found ") + json.type_name() + " instead.", "object");
    // `at` reports a missing key, `get` a member of the wrong kind, as decoding errors.
    value.latest = json.at("latest").get<UpdateInfo>();
    value.required = json.at("required").get<UpdateInfo>();
}

}  // namespace Velmora
