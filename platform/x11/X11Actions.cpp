#include "platform/x11/X11Actions.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xcb/xcb_icccm.h>

#include <set>
#include <string>

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Snapshot.h"

namespace platform::x11 {
namespace {

constexpr std::uint32_t iconicState = 3;

bool ownedByUser(std::int32_t pid) {
    struct stat info {};
    return ::stat(("/proc/" + std::to_string(pid)).c_str(), &info) == 0 && info.st_uid == ::getuid();
}

}  // namespace

void X11Actions::activateWindow(std::uint32_t window, std::uint32_t currentlyActive) {
    // Window managers raise and focus a window asked for by a pager, un-minimising it.
    xcb_ewmh_request_change_active_window(&x_.ewmh, x_.screen, window, XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER,
                                          XCB_CURRENT_TIME, currentlyActive);
    xcb_flush(x_.xcb);
}

bool X11Actions::takesFocus(std::uint32_t window) {
    auto hintsCookie = xcb_icccm_get_wm_hints(x_.xcb, window);
    auto protocolsCookie = xcb_icccm_get_wm_protocols(x_.xcb, window, x_.ewmh.WM_PROTOCOLS);
    xcb_icccm_wm_hints_t hints{};
    bool takesInput = true;
    if (xcb_icccm_get_wm_hints_reply(x_.xcb, hintsCookie, &hints, nullptr) &&
        (hints.flags & XCB_ICCCM_WM_HINT_INPUT) && !hints.input)
        takesInput = false;
    xcb_icccm_get_wm_protocols_reply_t protocols{};
    if (xcb_icccm_get_wm_protocols_reply(x_.xcb, protocolsCookie, &protocols, nullptr)) {
        for (std::uint32_t i = 0; i < protocols.atoms_len; ++i)
            if (protocols.atoms[i] == x_.wmTakeFocus) takesInput = true;
        xcb_icccm_get_wm_protocols_reply_wipe(&protocols);
    }
    return takesInput;
}

void X11Actions::raise(std::uint32_t window) {
    xcb_ewmh_request_restack_window(&x_.ewmh, x_.screen, window, XCB_NONE, XCB_STACK_MODE_ABOVE);
    xcb_flush(x_.xcb);
}

bool X11Actions::iconify(const std::vector<std::uint32_t>& windows) {
    for (auto window : windows) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = x_.wmChangeState;
        message.data.data32[0] = iconicState;
        xcb_send_event(x_.xcb, 0, x_.root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
    }
    xcb_flush(x_.xcb);
    return !windows.empty();
}

void X11Actions::close(const std::vector<std::uint32_t>& windows) {
    for (auto window : windows)
        xcb_ewmh_request_close_window(&x_.ewmh, x_.screen, window, XCB_CURRENT_TIME,
                                      XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER);
    xcb_flush(x_.xcb);
}

bool X11Actions::killGroup(const X11Snapshot& snapshot, const std::string& group, std::int32_t spared) {
    // A window may claim any process as its own: only the server knows which client made it, and
    // only the user's own processes are ended.
    std::vector<std::uint32_t> windows;
    for (const auto& window : snapshot.windows)
        if (window.group == group) windows.push_back(window.id);
    std::set<std::int32_t> pids;
    for (auto pid : x_.clientProcesses(windows))
        if (pid > 0 && pid != spared && ownedByUser(pid)) pids.insert(pid);
    bool killed = false;
    for (auto pid : pids) killed = ::kill(pid, SIGKILL) == 0 || killed;
    return killed;
}

}  // namespace platform::x11
