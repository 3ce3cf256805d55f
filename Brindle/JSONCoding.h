#pragma once

#include <exception>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "Brindle/Error.h"

// JSON coding with the platform coder's rules on top of nlohmann-json: a fresh coder per call with
// default settings, compact output, errors as error values.
namespace Brindle {

class DecodingError : public Error, public std::exception {
public:
    enum class Kind { typeMismatch, valueNotFound, keyNotFound, dataCorrupted };

    // `expectedType` names the wanted type of a type mismatch.
    DecodingError(Kind kind, std::string debugDescription, std::string expectedType = {})
        : kind_(kind),
          debugDescription_(std::move(debugDescription)),
          expectedType_(std::move(expectedType)) {}

    // What the JSON library reported, as one of the four kinds.
    static DecodingError from(const nlohmann::json::exception& error);

    Kind kind() const { return kind_; }
    const std::string& debugDescription() const { return debugDescription_; }
    const std::string& expectedType() const { return expectedType_; }
    // "Context(debugDescription: "…")".
    std::string contextDescription() const;

    int code() const override;
    std::string localizedDescription() const override;
    const char* what() const noexcept override { return debugDescription_.c_str(); }

private:
    Kind kind_;
    std::string debugDescription_;
    std::string expectedType_;
};

// A value that JSON cannot hold: a number that is not finite, text that is not UTF-8.
class EncodingError : public Error, public std::exception {
public:
    explicit EncodingError(std::string debugDescription) : debugDescription_(std::move(debugDescription)) {}

    const std::string& debugDescription() const { return debugDescription_; }
    int code() const override;
    std::string localizedDescription() const override;
    const char* what() const noexcept override { return debugDescription_.c_str(); }

private:
    std::string debugDescription_;
};

// Throws EncodingError for a value JSON cannot hold; what the value's own `to_json` throws otherwise
// passes through.
void checkEncodable(const nlohmann::json& json);
std::string dumpJSON(const nlohmann::json& json);
nlohmann::json parseJSON(std::string_view data);

template <class T>
std::string encodeJSON(const T& value) {
    nlohmann::json json;
    try {
        json = value;
    } catch (const nlohmann::json::exception& error) {
        throw EncodingError(error.what());
    }
    return dumpJSON(json);
}

// Throws DecodingError when the data is not JSON or does not fit `T`; other exceptions of `T`'s
// `from_json` pass through.
template <class T>
T decodeJSON(std::string_view data) {
    auto json = parseJSON(data);
    try {
        return json.template get<T>();
    } catch (const nlohmann::json::exception& error) {
        throw DecodingError::from(error);
    }
}

}  // namespace Brindle
