#include "Brindle/AttributedString.h"

#include <algorithm>
#include <cstdint>

namespace Brindle {

void MutableAttributedString::addAttributes(const Attributes& attributes, TextRange range) {
    const int total = length();
    const int location = std::clamp(range.location, 0, total);
    const auto end = std::clamp<std::int64_t>(std::int64_t{range.location} + range.length, location, total);
    if (end == location || attributes.empty()) return;
    runs_.push_back({{location, static_cast<int>(end - location)}, attributes});
}

Attributes MutableAttributedString::attributes(int location) const {
    Attributes merged;
    for (const auto& run : runs_) {
        if (location < run.range.location || location >= run.range.location + run.range.length) continue;
        for (const auto& [key, value] : run.attributes) merged.insert_or_assign(key, value);
    }
    return merged;
}

void addAttributes(MutableAttributedString& text, const Attributes& attributes, int location, int length,
                   bool convert) {
    if (convert) {
        const auto& plain = text.string();
        const auto converted = convertRange(plain, location, length, StringMode::toBytes);
        length = static_cast<int>(
            std::min<std::int64_t>(std::int64_t{utf16Length(plain)} - location, converted.length));
    }
    text.addAttributes(attributes, {location, length});
}

}  // namespace Brindle
