#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>

namespace platform {

// Deeper than any file or reply the program reads or writes. Code that walks JSON recursively
// (copying, comparing, writing, converting) stays far from the stack's end below it.
constexpr int maximumJSONDepth = 64;

// Whether no array or object in the text lies more than `maximumDepth` levels deep. Reads the text
// once without recursion and without judging it otherwise.
bool jsonNestingWithin(std::string_view text, int maximumDepth = maximumJSONDepth);

// The parsed value; none when the text is no JSON or nests too deeply.
std::optional<nlohmann::json> parseJSONWithin(std::string_view text, int maximumDepth = maximumJSONDepth);

// Whether a value nests no deeper than `maximumDepth`, checked without recursion.
bool jsonValueNestingWithin(const nlohmann::json& value, int maximumDepth = maximumJSONDepth);

}  // namespace platform
