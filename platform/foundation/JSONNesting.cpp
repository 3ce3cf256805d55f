#include "platform/foundation/JSONNesting.h"

#include <utility>
#include <vector>

namespace platform {

bool jsonNestingWithin(std::string_view text, int maximumDepth) {
    int depth = 0;
    bool inString = false;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (inString) {
            if (c == '\\') {
                ++at;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > maximumDepth) return false;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return true;
}

std::optional<nlohmann::json> parseJSONWithin(std::string_view text, int maximumDepth) {
    if (!jsonNestingWithin(text, maximumDepth)) return std::nullopt;
    auto value = nlohmann::json::parse(text, nullptr, false);
    if (value.is_discarded()) return std::nullopt;
    return value;
}

bool jsonValueNestingWithin(const nlohmann::json& value, int maximumDepth) {
    std::vector<std::pair<const nlohmann::json*, int>> pending{{&value, 0}};
    while (!pending.empty()) {
        auto [node, depth] = pending.back();
        pending.pop_back();
        if (!node->is_structured()) continue;
        if (depth + 1 > maximumDepth) return false;
        for (const auto& element : *node) pending.emplace_back(&element, depth + 1);
    }
    return true;
}

}  // namespace platform
