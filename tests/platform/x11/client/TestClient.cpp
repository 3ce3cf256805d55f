// A small X11 program for the tests: opens a window with the class, title, size and state it is
// told, and closes when the window manager asks.
//   x11_test_client CLASS TITLE WIDTHxHEIGHT [fullscreen] [noinput] [nopid] [dock] [at=X,Y]
//                   [colour=RRGGBB] [pid=N]
// (pid=N claims another process in _NET_WM_PID, as a lying window would)
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xcb_icccm.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    std::string wmClass = argv[1], title = argv[2];
    unsigned width = 200, height = 100;
    std::sscanf(argv[3], "%ux%u", &width, &height);
    auto has = [&](const char* option) {
        for (int i = 4; i < argc; ++i)
            if (std::strcmp(argv[i], option) == 0) return true;
        return false;
    };
    // A position the user asked for, which window managers keep; a colour of the window's own.
    int x = 10, y = 10;
    bool placed = false;
    std::uint32_t colour = 0;
    bool coloured = false;
    for (int i = 4; i < argc; ++i) {
        if (std::sscanf(argv[i], "at=%d,%d", &x, &y) == 2) placed = true;
        if (std::sscanf(argv[i], "colour=%x", &colour) == 1) coloured = true;
    }
    auto* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) return 1;
    auto atom = [c](const char* name) {
        auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
        xcb_atom_t value = reply ? reply->atom : XCB_NONE;
        std::free(reply);
        return value;
    };
    auto* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    auto window = xcb_generate_id(c);
    // On the 24-bit true-colour displays of the tests a pixel is its RGB value.
    std::uint32_t values[] = {coloured ? colour : screen->white_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, static_cast<std::int16_t>(x),
                      static_cast<std::int16_t>(y), width, height, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    auto set = [&](xcb_atom_t property, xcb_atom_t type, std::uint8_t format, std::size_t length,
                   const void* data) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, property, type, format, length, data);
    };
    std::string classValue = wmClass;
    for (auto& ch : classValue) ch = static_cast<char>(std::tolower(ch));
    classValue += '\0' + wmClass + '\0';
    set(XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, classValue.size(), classValue.data());
    set(atom("_NET_WM_NAME"), atom("UTF8_STRING"), 8, title.size(), title.data());
    set(XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, title.size(), title.data());
    std::uint32_t pid = static_cast<std::uint32_t>(getpid());
    for (int i = 4; i < argc; ++i)
        if (std::strncmp(argv[i], "pid=", 4) == 0) pid = static_cast<std::uint32_t>(std::atoi(argv[i] + 4));
    if (!has("nopid")) set(atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, 1, &pid);
    auto deleteWindow = atom("WM_DELETE_WINDOW"), state = atom("_NET_WM_STATE_FULLSCREEN"),
         type = atom("_NET_WM_WINDOW_TYPE_DOCK");
    set(atom("WM_PROTOCOLS"), XCB_ATOM_ATOM, 32, 1, &deleteWindow);
    xcb_icccm_wm_hints_t hints{};
    xcb_icccm_wm_hints_set_input(&hints, !has("noinput"));
    xcb_icccm_set_wm_hints(c, window, &hints);
    if (placed) {
        xcb_size_hints_t size{};
        xcb_icccm_size_hints_set_position(&size, 1, x, y);
        xcb_icccm_set_wm_normal_hints(c, window, &size);
    }
    if (has("fullscreen")) set(atom("_NET_WM_STATE"), XCB_ATOM_ATOM, 32, 1, &state);
    if (has("dock")) set(atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 1, &type);
    xcb_map_window(c, window);
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
