#pragma once

#include <fmt/format.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "Brindle/Object.h"

namespace Brindle {

// Text of a value as string interpolation gives it: texts as they are, numbers in their shortest
// form (a whole double keeps ".0"), objects by their description.
inline std::string describe(std::string_view text) { return std::string(text); }
inline std::string describe(const char* text) { return text; }
inline std::string describe(const std::string& text) { return text; }
inline std::string describe(bool value) { return value ? "true" : "false"; }
inline std::string describe(const Object& object) { return object.description(); }
template <class T>
requires std::is_arithmetic_v<T> std::string describe(T value) {
    if constexpr (std::is_floating_point_v<T>) {
        if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e16)
            return fmt::format("{:.1f}", value);
    }
    return fmt::format("{}", value);
}
template <class T>
requires std::is_base_of_v<Object, T> std::string describe(const std::shared_ptr<T>& object) {
    return object ? object->description() : "nil";
}

// The one process-wide print function: every log line goes through it, and it can be replaced
// (safely, from any thread). By default it writes the text and a line feed to standard output.
class Logging {
public:
    using PrintFunction = std::function<void(const std::string&)>;

    static std::shared_ptr<Logging> shared();

    static PrintFunction printFunction();
    static void setPrintFunction(PrintFunction function);

    void log(const std::string& text);
    template <class T>
    void log(const T& item) {
        log(describe(item));
    }
};

}  // namespace Brindle
