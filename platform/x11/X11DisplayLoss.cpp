#include "platform/x11/X11DisplayLoss.h"

#include <poll.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>

namespace platform::x11 {
namespace {

xcb_connection_t* watched = nullptr;

// Never waits: a server that went away leaves the socket readable at its end.
bool displayGone() {
    if (xcb_connection_has_error(watched)) return true;
    pollfd socket{xcb_get_file_descriptor(watched), POLLIN, 0};
    if (::poll(&socket, 1, 0) > 0)
        while (auto* event = xcb_poll_for_event(watched)) std::free(event);
    return xcb_connection_has_error(watched);
}

}  // namespace

void endAtOnceWhenTheDisplayGoes(const std::string& displayName) {
    if (watched) return;
    watched = xcb_connect(displayName.empty() ? nullptr : displayName.c_str(), nullptr);
    if (xcb_connection_has_error(watched)) return;
    std::atexit([] {
        if (!displayGone()) return;
        std::fflush(nullptr);
        std::_Exit(1);
    });
}

}  // namespace platform::x11
