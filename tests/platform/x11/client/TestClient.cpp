// A small X11 program for the tests: opens windows with the class, title, size and state it is
// told, and closes when the window manager asks.
//   x11_test_client CLASS TITLE WIDTHxHEIGHT [minimized] [fullscreen] [noinput] [windows=N] [nopid] [dock]
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xcb_icccm.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    xcb_atom_t value = reply ? reply->atom : XCB_NONE;
    std::free(reply);
    return value;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    std::string wmClass = argv[1], title = argv[2];
    unsigned width = 200, height = 100;
    std::sscanf(argv[3], "%ux%u", &width, &height);
    bool minimized = false, fullscreen = false, noInput = false, withPid = true, dock = false;
    int count = 1;
    for (int i = 4; i < argc; ++i) {
        std::string option = argv[i];
        minimized |= option == "minimized";
        fullscreen |= option == "fullscreen";
        noInput |= option == "noinput";
        dock |= option == "dock";
        if (option == "nopid") withPid = false;
        if (option.rfind("windows=", 0) == 0) count = std::atoi(option.c_str() + 8);
    }
    int screenNumber = 0;
    auto* c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(c)) return 1;
    auto* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    auto deleteWindow = atom(c, "WM_DELETE_WINDOW");
    auto protocols = atom(c, "WM_PROTOCOLS");
    auto utf8 = atom(c, "UTF8_STRING");
    auto netName = atom(c, "_NET_WM_NAME");
    auto netPid = atom(c, "_NET_WM_PID");
    auto netState = atom(c, "_NET_WM_STATE");
    auto stateFullscreen = atom(c, "_NET_WM_STATE_FULLSCREEN");
    auto windowType = atom(c, "_NET_WM_WINDOW_TYPE");
    auto typeDock = atom(c, "_NET_WM_WINDOW_TYPE_DOCK");
    std::string classValue = wmClass;
    for (auto& ch : classValue) ch = static_cast<char>(std::tolower(ch));
    classValue += '\0' + wmClass + '\0';

    for (int n = 0; n < count; ++n) {
        auto window = xcb_generate_id(c);
        std::uint32_t values[] = {screen->white_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 10 + 20 * n, 10 + 20 * n, width,
                          height, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                          XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
        auto name = count > 1 ? title + " " + std::to_string(n + 1) : title;
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                            classValue.size(), classValue.data());
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, netName, utf8, 8, name.size(), name.data());
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                            name.size(), name.data());
        std::uint32_t pid = static_cast<std::uint32_t>(getpid());
        if (withPid)
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, netPid, XCB_ATOM_CARDINAL, 32, 1, &pid);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, protocols, XCB_ATOM_ATOM, 32, 1, &deleteWindow);
        xcb_icccm_wm_hints_t hints{};
        xcb_icccm_wm_hints_set_input(&hints, !noInput);
        if (minimized) xcb_icccm_wm_hints_set_iconic(&hints);
        xcb_icccm_set_wm_hints(c, window, &hints);
        if (fullscreen)
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, netState, XCB_ATOM_ATOM, 32, 1,
                                &stateFullscreen);
        if (dock)
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, windowType, XCB_ATOM_ATOM, 32, 1,
                                &typeDock);
        xcb_map_window(c, window);
    }
    xcb_flush(c);
    while (auto* event = xcb_wait_for_event(c)) {
        bool close = (event->response_type & 0x7f) == XCB_CLIENT_MESSAGE &&
                     reinterpret_cast<xcb_client_message_event_t*>(event)->data.data32[0] == deleteWindow;
        std::free(event);
        if (close) break;
    }
    xcb_disconnect(c);
    return 0;
}
