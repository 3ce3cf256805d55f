#include "platform/qt/X11WindowType.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QWidget>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace platform::qt {
namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    xcb_atom_t value = reply ? reply->atom : XCB_NONE;
    std::free(reply);
    return value;
}

}  // namespace

void makeX11Dock(QWidget* window) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection()) return;
    auto* c = x11->connection();
    // Qt writes its own window type whenever the flags change: this one goes on afterwards.
    auto id = static_cast<xcb_window_t>(window->winId());
    auto type = atom(c, "_NET_WM_WINDOW_TYPE_DOCK");
    std::vector<xcb_atom_t> states{atom(c, "_NET_WM_STATE_ABOVE"), atom(c, "_NET_WM_STATE_STICKY"),
                                   atom(c, "_NET_WM_STATE_SKIP_TASKBAR"),
                                   atom(c, "_NET_WM_STATE_SKIP_PAGER")};
    std::uint32_t everyDesktop = 0xffffffff;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, atom(c, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 1,
                        &type);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, atom(c, "_NET_WM_STATE"), XCB_ATOM_ATOM, 32,
                        static_cast<std::uint32_t>(states.size()), states.data());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, atom(c, "_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL, 32, 1,
                        &everyDesktop);
    xcb_flush(c);
}

}  // namespace platform::qt
