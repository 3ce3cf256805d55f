#pragma once

#include <concepts>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/system/Geometry.h"

namespace platform {

// The platform's Accessibility error codes.
enum class AXError : std::int32_t {
    success = 0,
    failure = -25200,
    illegalArgument = -25201,
    invalidUIElement = -25202,
    cannotComplete = -25204,
    attributeUnsupported = -25205,
    notImplemented = -25208,
    apiDisabled = -25211,
    noValue = -25212,
};

// One user-interface element of some application. Only the system that made it can read it.
class AccessibilityElement {
public:
    virtual ~AccessibilityElement() = default;
    virtual std::int32_t processIdentifier() const = 0;
    // The same element of the same application.
    virtual bool isEqual(const AccessibilityElement& other) const = 0;
};

using AXUIElement = std::shared_ptr<const AccessibilityElement>;

// An attribute value: a Boolean, a number, text, a point, a size, an element or a list of values.
class AXValue {
public:
    using Array = std::vector<AXValue>;
    enum class Kind { boolean, number, string, point, size, element, array };

    AXValue(bool value) : storage_(value) {}
    template <typename T>
    requires((std::integral<T> || std::floating_point<T>)&&!std::same_as<T, bool>) AXValue(T value)
        : storage_(static_cast<double>(value)) {}
    AXValue(std::string value) : storage_(std::move(value)) {}
    AXValue(const char* value) : storage_(std::string(value)) {}
    AXValue(Point value) : storage_(value) {}
    AXValue(Size value) : storage_(value) {}
    AXValue(AXUIElement value) : storage_(std::move(value)) {}
    AXValue(Array value) : storage_(std::move(value)) {}

    Kind kind() const { return static_cast<Kind>(storage_.index()); }
    std::optional<bool> boolValue() const;
    std::optional<double> numberValue() const;
    const std::string* stringValue() const { return std::get_if<std::string>(&storage_); }
    // What AXValueGetValue gives for the point and size types: none for any other value.
    std::optional<Point> pointValue() const;
    std::optional<Size> sizeValue() const;
    AXUIElement elementValue() const;
    const Array* arrayValue() const { return std::get_if<Array>(&storage_); }

    // Elements compare with `isEqual`.
    friend bool operator==(const AXValue& a, const AXValue& b);

private:
    std::variant<bool, double, std::string, Point, Size, AXUIElement, Array> storage_;
};

// The Accessibility interface: reading and writing attributes of other applications' elements.
// Every call may come from any thread. Without trust every read and write fails.
class Accessibility {
public:
    static constexpr const char* trustChangedNotification = "com.apple.accessibility.api";

    virtual ~Accessibility() = default;

    // The installed system's.
    static std::shared_ptr<Accessibility> shared();

    // With `prompt` the system asks the user to grant trust when it is missing.
    virtual bool isProcessTrusted(bool prompt) = 0;
    // An element for the application with this process id; reads fail when there is none.
    virtual AXUIElement applicationElement(std::int32_t processIdentifier) = 0;
    // None on any error.
    virtual std::optional<AXValue> copyAttributeValue(const AXUIElement& element,
                                                      const std::string& attribute) = 0;
    // Up to `maxCount` values of an array attribute from `index` on; none on any error. By default
    // a slice of the whole array.
    virtual std::optional<AXValue::Array> copyAttributeValues(const AXUIElement& element,
                                                              const std::string& attribute,
                                                              std::int64_t index, std::int64_t maxCount);
    virtual AXError setAttributeValue(const AXUIElement& element, const std::string& attribute,
                                      const AXValue& value) = 0;
};

}  // namespace platform
