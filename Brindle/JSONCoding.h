#pragma once

#include <cmath>
#include <exception>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <type_traits>

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
// `json` as `T`. nlohmann casts a floating-point number to an integer type unchecked, which is
// undefined beyond the type's range; like the platform's decoder, a number that is not a whole
// number within range is a type mismatch here. Throws nlohmann's exceptions otherwise.
template <class T>
T jsonValue(const nlohmann::json& json) {
    if constexpr (std::is_integral_v<T> && !std::is_same_v<T, bool>) {
        if (json.is_number_float()) {
            const double number = json.template get<double>();
            const double limit = std::ldexp(1.0, std::numeric_limits<T>::digits);
            const double lowest = std::is_signed_v<T> ? -limit : 0.0;
            if (!(number == std::trunc(number) && number >= lowest && number < limit))
                throw DecodingError(DecodingError::Kind::typeMismatch,
                                    "Parsed JSON number does not fit in an integer.", "Int");
        }
    }
    return json.template get<T>();
}

template <class T>
T decodeJSON(std::string_view data) {
    auto json = parseJSON(data);
    try {
        return jsonValue<T>(json);
    } catch (const nlohmann::json::exception& error) {
        throw DecodingError::from(error);
    }
}

}  // namespace Brindle
