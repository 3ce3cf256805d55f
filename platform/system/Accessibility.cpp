#include "platform/system/Accessibility.h"

#include "platform/system/System.h"

namespace platform {

std::optional<AXValue::Array> Accessibility::copyAttributeValues(const AXUIElement& element,
                                                                 const std::string& attribute,
                                                                 std::int64_t index, std::int64_t maxCount) {
    if (index < 0 || maxCount < 0) return std::nullopt;
    auto value = copyAttributeValue(element, attribute);
    if (!value || !value->arrayValue()) return std::nullopt;
    const auto& all = *value->arrayValue();
    AXValue::Array slice;
    for (auto i = index; i < static_cast<std::int64_t>(all.size()) && i - index < maxCount; ++i)
        slice.push_back(all[static_cast<std::size_t>(i)]);
    return slice;
}

std::optional<bool> AXValue::boolValue() const {
    if (auto* value = std::get_if<bool>(&storage_)) return *value;
    return std::nullopt;
}

std::optional<double> AXValue::numberValue() const {
    if (auto* value = std::get_if<double>(&storage_)) return *value;
    return std::nullopt;
}

std::optional<Point> AXValue::pointValue() const {
    if (auto* value = std::get_if<Point>(&storage_)) return *value;
    return std::nullopt;
}

std::optional<Size> AXValue::sizeValue() const {
    if (auto* value = std::get_if<Size>(&storage_)) return *value;
    return std::nullopt;
}

AXUIElement AXValue::elementValue() const {
    if (auto* value = std::get_if<AXUIElement>(&storage_)) return *value;
    return nullptr;
}

bool operator==(const AXValue& a, const AXValue& b) {
    if (a.kind() != b.kind()) return false;
    if (a.kind() == AXValue::Kind::element) {
        auto first = a.elementValue();
        auto second = b.elementValue();
        if (!first || !second) return first == second;
        return first->isEqual(*second);
    }
    return a.storage_ == b.storage_;
}

std::shared_ptr<Accessibility> Accessibility::shared() { return System::current()->accessibility(); }

}  // namespace platform
