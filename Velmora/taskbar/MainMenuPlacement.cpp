#include "Velmora/taskbar/MainMenuPlacement.h"

#include <algorithm>

namespace Velmora {

platform::Rect MainMenuPlacement::fit(const platform::Rect& wanted, const platform::Rect& visible) {
    // A screen that reports no usable area says nothing about where the menu fits.
    if (visible.width() <= 0 || visible.height() <= 0) return wanted;

    const double width = std::min(wanted.width(), visible.width());
    const double x = std::clamp(wanted.minX(), visible.minX(), visible.maxX() - width);

    double bottom = std::max(wanted.minY(), visible.minY());
    double height = std::min(wanted.height(), visible.maxY() - bottom);
    const double shortest = std::min({minimumHeight, wanted.height(), visible.height()});
    if (height < shortest) {
        height = shortest;
        bottom = visible.maxY() - height;
    }
    return platform::Rect::make(x, bottom, width, height);
}

}  // namespace Velmora
