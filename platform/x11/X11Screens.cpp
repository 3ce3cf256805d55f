#include "platform/x11/X11Screens.h"

#include <xcb/randr.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/x11/X11Connection.h"

namespace platform::x11 {
namespace {

Rect rootFrame(xcb_connection_t* connection, xcb_window_t root) {
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(connection)); it.rem; xcb_screen_next(&it))
        if (it.data->root == root)
            return Rect::make(0, 0, it.data->width_in_pixels, it.data->height_in_pixels);
    return {};
}

bool hasMonitors(xcb_connection_t* connection) {
    const auto* extension = xcb_get_extension_data(connection, &xcb_randr_id);
    if (!extension || !extension->present) return false;
    auto version =
        Freed(xcb_randr_query_version_reply(connection, xcb_randr_query_version(connection, 1, 5), nullptr));
    return version && (version->major_version > 1 || version->minor_version >= 5);
}

// Multiplying before dividing keeps a monitor's edges exact: a window covering the monitor gets
// exactly the screen's frame, which the full-screen test compares for equality.
double scaled(double value, double deviceStart, double deviceLength, double logicalStart,
              double logicalLength) {
    if (deviceLength == 0) return logicalStart + (value - deviceStart);
    return logicalStart + (value - deviceStart) * logicalLength / deviceLength;
}

bool named(const Screen& screen, const std::string& name) {
    if (name.empty()) return false;
    return screen.identifier == name ||
           (screen.identifier.size() > name.size() && screen.identifier.compare(0, name.size(), name) == 0 &&
            screen.identifier[name.size()] == '#');
}

}  // namespace

std::vector<Monitor> readMonitors(xcb_connection_t* connection, xcb_window_t root) {
    std::vector<Monitor> monitors;
    if (hasMonitors(connection)) {
        auto listed = Freed(
            xcb_randr_get_monitors_reply(connection, xcb_randr_get_monitors(connection, root, 1), nullptr));
        std::vector<xcb_get_atom_name_cookie_t> names;
        if (listed) {
            for (auto it = xcb_randr_get_monitors_monitors_iterator(listed.reply); it.rem;
                 xcb_randr_monitor_info_next(&it)) {
                const auto* info = it.data;
                if (!info->width || !info->height) continue;
                monitors.push_back(
                    Monitor{{}, Rect::make(info->x, info->y, info->width, info->height), info->primary != 0});
                names.push_back(xcb_get_atom_name(connection, info->name));
            }
        }
        for (std::size_t i = 0; i < names.size(); ++i) {
            auto name = Freed(xcb_get_atom_name_reply(connection, names[i], nullptr));
            if (name)
                monitors[i].name.assign(xcb_get_atom_name_name(name.reply),
                                        static_cast<std::size_t>(xcb_get_atom_name_name_length(name.reply)));
        }
    }
    if (monitors.empty()) {
        auto frame = rootFrame(connection, root);
        if (!frame.isEmpty()) monitors.push_back(Monitor{{}, frame, true});
        return monitors;
    }
    std::stable_partition(monitors.begin(), monitors.end(),
                          [](const Monitor& monitor) { return monitor.primary; });
    return monitors;
}

ScreenMap ScreenMap::pair(const std::vector<Monitor>& monitors, const std::vector<Screen>& screens) {
    if (monitors.empty()) return ScreenMap();
    std::vector<const Screen*> paired(monitors.size(), nullptr);
    std::vector<bool> taken(screens.size(), false);
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        for (std::size_t s = 0; s < screens.size(); ++s) {
            if (!taken[s] && named(screens[s], monitors[i].name)) {
                paired[i] = &screens[s];
                taken[s] = true;
                break;
            }
        }
    }
    for (std::size_t i = 0; i < monitors.size(); ++i)
        if (!paired[i] && i < screens.size() && !taken[i]) {
            paired[i] = &screens[i];
            taken[i] = true;
        }

    // The platform's screens have y up from the first screen's bottom edge; the window frames
    // have y down from its top edge.
    double firstHeight = screens.empty() ? 0 : screens.front().frame.height();
    Point corner = monitors.front().frame.origin;
    std::vector<MonitorPlace> places;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const Rect& device = monitors[i].frame;
        Rect logical = Rect::make(device.origin.x - corner.x, device.origin.y - corner.y, device.size.width,
                                  device.size.height);
        if (const Screen* screen = paired[i]) {
            const Rect& frame = screen->frame;
            logical = Rect::make(frame.minX(), firstHeight - frame.height() - frame.minY(), frame.width(),
                                 frame.height());
        }
        places.push_back(MonitorPlace{device, logical});
    }
    return ScreenMap(std::move(places));
}

const MonitorPlace* ScreenMap::placeOf(const Rect& device) const {
    const MonitorPlace* best = nullptr;
    double bestOverlap = 0;
    for (const auto& place : places_) {
        double overlap = place.device.overlapArea(device);
        if (overlap > bestOverlap) {
            bestOverlap = overlap;
            best = &place;
        }
    }
    if (best) return best;
    Point centre{device.minX() + device.width() / 2, device.minY() + device.height() / 2};
    for (const auto& place : places_)
        if (place.device.contains(centre)) return &place;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (const auto& place : places_) {
        double d = place.device.distanceTo(centre);
        if (d < bestDistance) {
            bestDistance = d;
            best = &place;
        }
    }
    return best;
}

Rect ScreenMap::toLogical(const Rect& device) const {
    const auto* place = placeOf(device);
    if (!place) return device;
    const Rect& from = place->device;
    const Rect& to = place->logical;
    double left = scaled(device.minX(), from.minX(), from.width(), to.minX(), to.width());
    double right = scaled(device.maxX(), from.minX(), from.width(), to.minX(), to.width());
    double top = scaled(device.minY(), from.minY(), from.height(), to.minY(), to.height());
    double bottom = scaled(device.maxY(), from.minY(), from.height(), to.minY(), to.height());
    return Rect::make(left, top, right - left, bottom - top);
}

Point ScreenMap::toLogical(const Point& device) const {
    const auto* place = placeOf(Rect{device, {0, 0}});
    if (!place) return device;
    const Rect& from = place->device;
    const Rect& to = place->logical;
    return Point{scaled(device.x, from.minX(), from.width(), to.minX(), to.width()),
                 scaled(device.y, from.minY(), from.height(), to.minY(), to.height())};
}

}  // namespace platform::x11
