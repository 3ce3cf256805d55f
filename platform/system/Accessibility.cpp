#include "platform/system/Accessibility.h"

#include "platform/system/System.h"

namespace platform {

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
