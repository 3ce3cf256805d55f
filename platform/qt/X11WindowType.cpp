#include "platform/qt/X11WindowType.h"

#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace platform::qt {
namespace {

xcb_connection_t* connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    xcb_atom_t value = reply ? reply->atom : XCB_NONE;
    std::free(reply);
    return value;
}

// The X screen the window lies on, and its number.
struct RootScreen {
    xcb_screen_t* screen = nullptr;
    int number = 0;
    // As it is now: RandR may have resized it since the connection was made.
    int height = 0;
};

RootScreen rootOf(xcb_connection_t* c, xcb_window_t window) {
    auto* geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
    if (!geometry) return {};
    xcb_window_t root = geometry->root;
    std::free(geometry);
    int number = 0;
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem; xcb_screen_next(&it), ++number) {
        if (it.data->root != root) continue;
        RootScreen result{it.data, number, it.data->height_in_pixels};
        if (auto* size = xcb_get_geometry_reply(c, xcb_get_geometry(c, root), nullptr)) {
            result.height = size->height;
            std::free(size);
        }
        return result;
    }
    return {};
}

bool compositingManagerRuns(xcb_connection_t* c, int screenNumber) {
    auto name = "_NET_WM_CM_S" + std::to_string(screenNumber);
    auto* reply =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom(c, name.c_str())), nullptr);
    bool owned = reply && reply->owner != XCB_NONE;
    std::free(reply);
    return owned;
}

std::vector<xcb_rectangle_t> nativeRectangles(const QRegion& region, double ratio) {
    std::vector<xcb_rectangle_t> result;
    for (const QRect& rect : region) {
        auto left = std::lround(rect.x() * ratio), top = std::lround(rect.y() * ratio);
        auto right = std::lround((rect.x() + rect.width()) * ratio);
        auto bottom = std::lround((rect.y() + rect.height()) * ratio);
        result.push_back({static_cast<int16_t>(left), static_cast<int16_t>(top),
                          static_cast<uint16_t>(right - left), static_cast<uint16_t>(bottom - top)});
    }
    return result;
}

std::vector<xcb_atom_t> dockStates(xcb_connection_t* c) {
    return {atom(c, "_NET_WM_STATE_ABOVE"), atom(c, "_NET_WM_STATE_STICKY"),
            atom(c, "_NET_WM_STATE_SKIP_TASKBAR"), atom(c, "_NET_WM_STATE_SKIP_PAGER")};
}

constexpr std::uint32_t everyDesktop = 0xffffffff;

void sendToRoot(xcb_connection_t* c, xcb_window_t window, xcb_window_t root, xcb_atom_t type,
                std::array<std::uint32_t, 5> data) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = type;
    std::copy(data.begin(), data.end(), message.data.data32);
    xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
}

}  // namespace

void makeX11Dock(QWidget* window) {
    auto* c = connection();
    if (!c) return;
    // Qt writes its own window type whenever the flags change: this one goes on afterwards.
    auto id = static_cast<xcb_window_t>(window->winId());
    auto type = atom(c, "_NET_WM_WINDOW_TYPE_DOCK");
    auto states = dockStates(c);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, atom(c, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 1,
                        &type);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, atom(c, "_NET_WM_STATE"), XCB_ATOM_ATOM, 32,
                        static_cast<std::uint32_t>(states.size()), states.data());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, atom(c, "_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL, 32, 1,
                        &everyDesktop);
    xcb_flush(c);
}

void sendX11DockState(QWidget* window) {
    auto* c = connection();
    if (!c || !window->testAttribute(Qt::WA_WState_Created)) return;
    auto id = static_cast<xcb_window_t>(window->winId());
    auto root = rootOf(c, id);
    if (!root.screen) return;
    constexpr std::uint32_t add = 1, fromApplication = 1;
    auto states = dockStates(c);
    auto stateMessage = atom(c, "_NET_WM_STATE");
    for (std::size_t i = 0; i + 1 < states.size(); i += 2)
        sendToRoot(c, id, root.screen->root, stateMessage,
                   {add, states[i], states[i + 1], fromApplication, 0});
    sendToRoot(c, id, root.screen->root, atom(c, "_NET_WM_DESKTOP"),
               {everyDesktop, fromApplication, 0, 0, 0});
    xcb_flush(c);
}

void setX11VisibleRegion(QWidget* window, const QRegion& region) {
    auto* c = connection();
    if (!c || !window->testAttribute(Qt::WA_WState_Created)) return;
    auto id = static_cast<xcb_window_t>(window->winId());
    auto rectangles = nativeRectangles(region, window->devicePixelRatioF());
    auto count = static_cast<std::uint32_t>(rectangles.size());
    xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_UNSORTED, id, 0, 0, count,
                         rectangles.data());
    // A compositing manager may start or stop at any time: asked again at each change.
    auto root = rootOf(c, id);
    if (root.screen && !compositingManagerRuns(c, root.number))
        xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, XCB_CLIP_ORDERING_UNSORTED, id, 0, 0,
                             count, rectangles.data());
    else
        xcb_shape_mask(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, id, 0, 0, XCB_NONE);
    xcb_flush(c);
}

void setX11OverrideRedirect(QWidget* window, bool bypass) {
    auto* c = connection();
    if (!c) return;
    auto id = static_cast<xcb_window_t>(window->winId());
    std::uint32_t value = bypass ? 1 : 0;
    xcb_change_window_attributes(c, id, XCB_CW_OVERRIDE_REDIRECT, &value);
    xcb_flush(c);
}

void setX11BottomStrut(QWidget* window, double height) {
    auto* c = connection();
    if (!c || !window->testAttribute(Qt::WA_WState_Created)) return;
    auto id = static_cast<xcb_window_t>(window->winId());
    std::uint32_t partial[12] = {};
    auto root = rootOf(c, id);
    auto* screen = window->screen();
    if (height > 0 && root.screen && screen) {
        // Qt keeps a screen's native top-left corner and sizes it in its own scale.
        double ratio = window->devicePixelRatioF();
        QRect area = screen->geometry();
        long left = area.x(), right = area.x() + std::lround(area.width() * ratio) - 1;
        long bottom = area.y() + std::lround(area.height() * ratio);
        // A strut reaches up from the bottom of the whole X screen, and Qt and the window
        // managers' work area take it off every monitor it crosses: only a monitor along that edge
        // can reserve without taking room from another.
        if (bottom == root.height) {
            partial[3] = static_cast<std::uint32_t>(std::lround(height * ratio));
            partial[10] = static_cast<std::uint32_t>(std::max(0L, left));
            partial[11] = static_cast<std::uint32_t>(std::max(0L, right));
        }
    }
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, atom(c, "_NET_WM_STRUT_PARTIAL"), XCB_ATOM_CARDINAL, 32,
                        12, partial);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, atom(c, "_NET_WM_STRUT"), XCB_ATOM_CARDINAL, 32, 4,
                        partial);
    xcb_flush(c);
}

}  // namespace platform::qt
