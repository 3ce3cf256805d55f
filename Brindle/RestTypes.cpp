#include "Brindle/RestTypes.h"

#include <nlohmann/json.hpp>

#include "Brindle/Config.h"
#include "Brindle/JSONCoding.h"

namespace Brindle {

std::string rawValue(APIMethod method) {
    switch (method) {
        case APIMethod::post:
            return "post";
        case APIMethod::get:
            return "get";
        case APIMethod::put:
            return "put";
        case APIMethod::patch:
            return "patch";
        case APIMethod::delete_:
            return "delete";
    }
    return "get";
}

std::optional<APIMethod> apiMethodFromRawValue(std::string_view text) {
    for (auto method :
         {APIMethod::post, APIMethod::get, APIMethod::put, APIMethod::patch, APIMethod::delete_}) {
        if (rawValue(method) == text) return method;
    }
    return std::nullopt;
}

std::optional<ResponseStatusCode> responseStatusCodeFromRawValue(int rawValue) {
    switch (rawValue) {
        case 200:
        case 304:
        case 401:
        case 400:
        case 404:
        case 0:
            return static_cast<ResponseStatusCode>(rawValue);
        default:
            return std::nullopt;
    }
}

ResponseStatusCode responseStatusCodeFrom(int httpStatus) {
    return responseStatusCodeFromRawValue(httpStatus).value_or(ResponseStatusCode::UNKNOWN);
}

void EmptyResponse::encode(nlohmann::json& json) const {
    json["technicalMessages"] = technicalMessages_;
    json["successful"] = successful_;
    if (errorCode_) json["errorCode"] = *errorCode_;
    if (errorMessage_) json["errorMessage"] = *errorMessage_;
    if (technicalError_) json["technicalError"] = *technicalError_;
}

void EmptyResponse::decode(const nlohmann::json& json) {
    auto optional = [&json]<class T>(const char* key, std::optional<T>& field) {
        auto found = json.find(key);
        if (found == json.end() || found->is_null())
            field.reset();
        else
            field = jsonValue<T>(*found);
    };
    technicalMessages_ = json.at("technicalMessages").get<std::vector<std::string>>();
    successful_ = json.at("successful").get<bool>();
    optional("errorCode", errorCode_);
    optional("errorMessage", errorMessage_);
    optional("technicalError", technicalError_);
}

void to_json(nlohmann::json& json, const EmptyResponse& value) {
    json = nlohmann::json::object();
    value.encode(json);
}

void from_json(const nlohmann::json& json, EmptyResponse& value) { value.decode(json); }

BackendError::BackendError(const BaseResponse& response, const SharedResponseBody& body)
    : value_(Generic{response.statusCode(), body.errorCode().value_or(0), body.errorMessage().value_or("")}) {
}

std::string BackendError::errorDescription() const {
    struct Describe {
        std::string operator()(const Generic& generic) const {
            return generic.message + "\n\nCode: " + std::to_string(generic.code);
        }
        std::string operator()(const ResponseParsingError& parsing) const {
            if (!Config::shared()->showDebugInfo()) return parsing.userError;
            return parsing.userError + "\n\n" + parsing.technicalError + "\n\nFor type: " + parsing.typeName;
        }
        std::string operator()(const WrappedError& wrapped) const {
            return wrapped.error ? wrapped.error->localizedDescription() : std::string();
        }
        std::string operator()(const NoConnection&) const {
            return "You have no internet connection. Please try again later.";
        }
    };
    return std::visit(Describe{}, value_);
}

}  // namespace Brindle
