#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace Velmora {

struct EdgeInsets {
    double top = 0;
    double leading = 0;
    double bottom = 0;
    double trailing = 0;

    friend bool operator==(const EdgeInsets&, const EdgeInsets&) = default;
};

// What a bar layout implies for the bar's view.
struct TaskbarThemeSettings {
    double cornerRadius = 0;
    bool fullscreen = false;
    bool centered = false;
    double extraAlpha = 0;
    double defaultHeight = 80;
    EdgeInsets padding;

    friend bool operator==(const TaskbarThemeSettings&, const TaskbarThemeSettings&) = default;
};

// The bar's layout; its raw value is what the settings store.
class TaskbarTheme {
public:
    enum Value : std::int64_t { fullscreenLeft = 0, fullscreenCenter = 1, centered = 2 };

    constexpr TaskbarTheme(Value value) : value(value) {}

    // None for any number but 0, 1 and 2.
    static std::optional<TaskbarTheme> fromRawValue(std::int64_t rawValue);
    // In the order the settings window lists them: centered, fullscreenLeft, fullscreenCenter.
    static const std::vector<TaskbarTheme>& allCases();
    // The tallest layout's height: every bar window has it, whatever the layout.
    static double maximumHeight();

    constexpr std::int64_t rawValue() const { return value; }
    double height() const;
    TaskbarThemeSettings settings() const;

    friend constexpr bool operator==(TaskbarTheme a, TaskbarTheme b) { return a.value == b.value; }

    Value value;
};

}  // namespace Velmora

template <>
struct std::hash<Velmora::TaskbarTheme> {
    std::size_t operator()(Velmora::TaskbarTheme theme) const noexcept {
        return std::hash<std::int64_t>()(theme.rawValue());
    }
};
