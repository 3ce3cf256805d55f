#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/system/Geometry.h"

namespace platform {

// One display, in the platform's global coordinates: origin at the bottom-left of the first
// screen, y growing upwards.
struct Screen {
    std::string identifier;  // stable while the display stays connected
    std::string localizedName;
    Rect frame;
    Rect visibleFrame;  // the frame without the areas the system reserves
    double backingScaleFactor = 1.0;

    friend bool operator==(const Screen&, const Screen&) = default;
};

// Whether the pointer at `location` (as `Events::mouseLocation` gives it) lies in `rect`, a
// rectangle of global coordinates with y up. The location of the pointer is the top-left corner of
// the pixel under it, so a rectangle holds its left and top edges but not its right and bottom
// ones: a pointer on the edge two screens share lies on exactly one of them, and a pointer on a
// screen's top row on that screen.
inline bool mouseInRect(const Point& location, const Rect& rect) {
    return location.x >= rect.minX() && location.x < rect.maxX() && location.y > rect.minY() &&
           location.y <= rect.maxY();
}

// The ordered list of screens, the first defining the origin. It is a value snapshot that any
// thread may read; the main thread replaces it when the displays change, and then posts
// `didChangeNotification` on the default notification centre.
class Screens {
public:
    static constexpr const char* didChangeNotification = "NSApplicationDidChangeScreenParametersNotification";

    static std::vector<Screen> screens();
    // The screen holding the key window, or else the first one; none without screens.
    static std::optional<Screen> mainScreen();

    // Replaces the list and posts the change when it differs.
    static void update(std::vector<Screen> screens);
    // Which screen counts as the main one (by identifier); empty for the first.
    static void setMainScreenIdentifier(std::string identifier);
};

}  // namespace platform
