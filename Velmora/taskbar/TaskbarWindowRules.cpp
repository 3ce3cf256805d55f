#include "Velmora/taskbar/TaskbarWindowRules.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

#include "Velmora/tracking/Window.h"

namespace Velmora::TaskbarWindowRules {

Windows fullscreenCandidates(const Windows& windows, std::int64_t screenIndex) {
    Windows candidates;
    for (const auto& window : windows) {
        if (!window || window->display != screenIndex) continue;
        if (!window->minimized && window->fullscreenSides.size() >= 3) candidates.push_back(window);
    }
    return candidates;
}

bool fillsScreen(const Windows& candidates, const std::function<double()>& screenWidth) {
    for (const auto& window : candidates) {
        if (window->fullscreenSides.size() == 4 && std::abs(window->w) == screenWidth()) return true;
    }
    std::vector<double> left;
    std::vector<double> right;
    for (const auto& window : candidates) {
        for (auto side : window->fullscreenSides) {
            if (side == FullscreenSides::left) left.push_back(std::abs(window->w));
            if (side == FullscreenSides::right) right.push_back(std::abs(window->w));
        }
    }
    for (double l : left) {
        for (double r : right) {
            if (l + r <= screenWidth() && screenWidth() <= l + r + sideBySideTolerance) return true;
        }
    }
    return false;
}

std::optional<bool> FullscreenMemo::recall(std::optional<std::uint64_t> stamp, std::int64_t screenIndex,
                                           double screenWidth) const {
    if (!stamp || !last_ || last_->stamp != *stamp || last_->screenIndex != screenIndex ||
        last_->screenWidth != screenWidth)
        return std::nullopt;
    return last_->fills;
}

void FullscreenMemo::store(std::optional<std::uint64_t> stamp, std::int64_t screenIndex, double screenWidth,
                           bool fills) {
    last_.reset();
    if (stamp) last_ = Decision{*stamp, screenIndex, screenWidth, fills};
}

TaskList tasksOnScreen(const TaskList& tasks, std::int64_t screenIndex, bool runningScreensOnly) {
    if (!runningScreensOnly) return tasks;
    TaskList shown;
    for (const auto& task : tasks) {
        const auto& windows = task->windows;
        if (windows.empty() || std::any_of(windows.begin(), windows.end(), [&](const auto& window) {
                return window && window->display == screenIndex;
            }))
            shown.push_back(task);
    }
    return shown;
}

platform::Rect invertedFrame(const platform::Rect& frame, double firstScreenHeight) {
    auto inverted = frame;
    inverted.origin.y = firstScreenHeight - frame.size.height - frame.origin.y;
    return inverted;
}

std::string describe(const platform::Rect& rect) {
    // The shortest text that reads back to the same number, as the platform prints a double.
    auto number = [](double value) {
        char buffer[32];
        auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
        std::string result(buffer, end);
        if (result.find_first_of(".e") == std::string::npos && std::isfinite(value)) result += ".0";
        return result;
    };
    return "(" + number(rect.origin.x) + ", " + number(rect.origin.y) + ", " + number(rect.size.width) +
           ", " + number(rect.size.height) + ")";
}

bool EdgeBand::update(double y, std::optional<double> bottom) {
    if (!bottom) return false;
    double threshold = *bottom - (revealed_ ? stayHeight : enterHeight);
    revealed_ = threshold < y && y < *bottom;
    return revealed_;
}

}  // namespace Velmora::TaskbarWindowRules
