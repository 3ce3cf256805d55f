#pragma once

#include <xcb/xcb.h>

#include <mutex>
#include <string>
#include <vector>

#include "platform/system/Geometry.h"
#include "platform/system/Screen.h"

namespace platform::x11 {

// One monitor of the display as RandR reports it: its frame in the root window's pixels, top-left
// origin, y down.
struct Monitor {
    std::string name;
    Rect frame;
    bool primary = false;

    friend bool operator==(const Monitor&, const Monitor&) = default;
};

// The display's monitors, the primary first and the others in the server's order (the order Qt
// lists its screens in). Without RandR 1.5, or without monitors, the whole root is one monitor.
std::vector<Monitor> readMonitors(xcb_connection_t* connection, xcb_window_t root);

// Where one monitor shows in the coordinates other applications' window frames are handed over in:
// top-left of the first screen, y down, in the points of the screen that shows the monitor.
struct MonitorPlace {
    Rect device;
    Rect logical;

    friend bool operator==(const MonitorPlace&, const MonitorPlace&) = default;
};

// Turns root-window pixels into those coordinates, each monitor by its own place and scale. A
// rectangle goes through the monitor holding most of it (or the nearest one), so a window keeps
// its size even where it overlaps a monitor of another scale.
class ScreenMap {
public:
    // Pixels stay pixels.
    ScreenMap() = default;
    explicit ScreenMap(std::vector<MonitorPlace> places) : places_(std::move(places)) {}

    // Pairs each monitor with the platform screen named after it (on an X11 display the screens
    // carry their monitor's name, followed by "#" and a serial number when one is known), else
    // with the screen at the same position. A monitor without a screen keeps its pixels, placed
    // from the first monitor's corner as the screens are.
    static ScreenMap pair(const std::vector<Monitor>& monitors, const std::vector<Screen>& screens);

    Rect toLogical(const Rect& device) const;
    Point toLogical(const Point& device) const;
    const std::vector<MonitorPlace>& places() const { return places_; }

    friend bool operator==(const ScreenMap&, const ScreenMap&) = default;

private:
    const MonitorPlace* placeOf(const Rect& device) const;
    std::vector<MonitorPlace> places_;
};

// A screen map one thread replaces while others read it.
class SharedScreenMap {
public:
    void set(ScreenMap map) {
        std::lock_guard lock(mutex_);
        map_ = std::move(map);
    }
    Point toLogical(const Point& device) const {
        std::lock_guard lock(mutex_);
        return map_.toLogical(device);
    }

private:
    mutable std::mutex mutex_;
    ScreenMap map_;
};

}  // namespace platform::x11
