#include "Brindle/JSONCoding.h"

#include <cmath>
#include <string>

#include "platform/foundation/JSONNesting.h"

namespace Brindle {
namespace {

// nlohmann's text without its "[json.exception.type_error.302] " prefix.
std::string plainMessage(const nlohmann::json::exception& error) {
    std::string text = error.what();
    if (!text.empty() && text.front() == '[') {
        auto end = text.find("] ");
        if (end != std::string::npos) text.erase(0, end + 2);
    }
    return text;
}

std::string between(const std::string& text, std::string_view before, std::string_view after) {
    auto start = text.find(before);
    if (start == std::string::npos) return {};
    start += before.size();
    auto end = text.find(after, start);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace

DecodingError DecodingError::from(const nlohmann::json::exception& error) {
    const auto message = plainMessage(error);
    if (dynamic_cast<const nlohmann::json::parse_error*>(&error))
        return DecodingError(Kind::dataCorrupted, "The given data was not valid JSON. " + message);
    if (error.id == 302) {
        // "type must be string, but is null"
        auto expected = between(message, "type must be ", ",");
        auto found = between(message, "but is ", "\n");
        if (found == "null")
            return DecodingError(Kind::valueNotFound,
                                 "Expected " + expected + " value but found null instead.");
        return DecodingError(Kind::typeMismatch,
                             "Expected to decode " + expected + " but found " + found + " instead.",
                             expected);
    }
    if (error.id == 403) {
        // "key 'name' not found"
        return DecodingError(Kind::keyNotFound,
                             "No value associated with key \"" + between(message, "key '", "'") + "\".");
    }
    if (error.id == 401) return DecodingError(Kind::valueNotFound, message);
    if (dynamic_cast<const nlohmann::json::type_error*>(&error))
        return DecodingError(Kind::typeMismatch, message, between(message, "cannot use ", " with"));
    return DecodingError(Kind::dataCorrupted, message);
}

std::string DecodingError::contextDescription() const {
    return "Context(debugDescription: \"" + debugDescription_ + "\")";
}

int DecodingError::code() const {
    // The platform's coder codes: value not found, read corrupt.
    return kind_ == Kind::keyNotFound || kind_ == Kind::valueNotFound ? 4865 : 4864;
}

std::string DecodingError::localizedDescription() const {
    if (kind_ == Kind::keyNotFound || kind_ == Kind::valueNotFound)
        return "The data couldn\u2019t be read because it is missing.";
    return "The data couldn\u2019t be read because it isn\u2019t in the correct format.";
}

int EncodingError::code() const { return 4866; }

std::string EncodingError::localizedDescription() const {
    return "The data couldn\u2019t be written because it isn\u2019t in the correct format.";
}

void checkEncodable(const nlohmann::json& json) {
    if (json.is_number_float()) {
        if (!std::isfinite(json.get<double>()))
            throw EncodingError("Unable to encode a number that is not finite.");
    } else if (json.is_structured()) {
        for (const auto& item : json) checkEncodable(item);
    }
}

std::string dumpJSON(const nlohmann::json& json) {
    // Checked first: both walks below recurse, and what is written must read back.
    if (!platform::jsonValueNestingWithin(json))
        throw EncodingError("Unable to encode a value nested more than " +
                            std::to_string(platform::maximumJSONDepth) + " levels deep.");
    checkEncodable(json);
    try {
        return json.dump();
    } catch (const nlohmann::json::exception& error) {
        throw EncodingError(plainMessage(error));
    }
}

nlohmann::json parseJSON(std::string_view data) {
    // Decoding into values recurses; a crafted reply must not reach the stack's end.
    if (!platform::jsonNestingWithin(data))
        throw DecodingError(DecodingError::Kind::dataCorrupted,
                            "The given data was not valid JSON. It nests more than " +
                                std::to_string(platform::maximumJSONDepth) + " levels deep.");
    try {
        return nlohmann::json::parse(data);
    } catch (const nlohmann::json::exception& error) {
        throw DecodingError::from(error);
    }
}

}  // namespace Brindle
