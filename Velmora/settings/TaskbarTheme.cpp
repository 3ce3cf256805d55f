#include "Velmora/settings/TaskbarTheme.h"

#include <algorithm>

namespace Velmora {

std::optional<TaskbarTheme> TaskbarTheme::fromRawValue(std::int64_t rawValue) {
    switch (rawValue) {
        case fullscreenLeft:
            return TaskbarTheme(fullscreenLeft);
        case fullscreenCenter:
            return TaskbarTheme(fullscreenCenter);
        case centered:
            return TaskbarTheme(centered);
        default:
            return std::nullopt;
    }
}

const std::vector<TaskbarTheme>& TaskbarTheme::allCases() {
    static const std::vector<TaskbarTheme> cases{centered, fullscreenLeft, fullscreenCenter};
    return cases;
}

double TaskbarTheme::maximumHeight() {
    static const double height = [] {
        double tallest = 0;
        for (auto theme : allCases()) tallest = std::max(tallest, theme.height());
        return tallest;
    }();
    return height;
}

double TaskbarTheme::height() const { return value == centered ? 86.0 : 80.0; }

TaskbarThemeSettings TaskbarTheme::settings() const {
    TaskbarThemeSettings settings;
    settings.cornerRadius = value == centered ? 6.0 : 0.0;
    settings.fullscreen = value != centered;
    settings.centered = value != fullscreenLeft;
    settings.extraAlpha = 0.0;
    settings.defaultHeight = 80.0;
    settings.padding = EdgeInsets{0, 0, settings.cornerRadius, 0};
    return settings;
}

}  // namespace Velmora
