/* The X11 side of scripts/measure, built by it on first use (xcb and its Damage extension).
 *   measure-probe clients CLASS COUNT    COUNT windows of one class in this one process, until killed
 *   measure-probe newapp CLASS BAR...    maps a window of a new class and prints, in ms after its
 *                                        MapNotify, the first and the last change to the BAR windows
 *                                        until they are quiet; then closes it and waits for quiet again
 *   measure-probe app CLASS MS           maps a window of CLASS with an icon of its own, closes it after
 *                                        MS milliseconds and ends
 *   measure-probe mapped CLASS           prints "ready", then the time (CLOCK_MONOTONIC ms) at which a
 *                                        top-level window of class CLASS first becomes viewable
 */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>
#include <poll.h>
#include <xcb/xcb.h>
#include <xcb/damage.h>

static xcb_connection_t* c;
static xcb_screen_t* screen;

static double now_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

static xcb_atom_t atom(const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, strlen(name), name), NULL);
    xcb_atom_t value = reply ? reply->atom : XCB_NONE;
    free(reply);
    return value;
}

/* An icon no other class has, at the largest size the program keeps (128x128) and at 32x32, in
 * colours drawn from the class's name, so that every class costs the program an icon of its own. */
static void set_icon(xcb_window_t window, const char* wm_class) {
    uint32_t hash = 2166136261u;
    for (const char* p = wm_class; *p; ++p) hash = (hash ^ (uint8_t)*p) * 16777619u;
    static uint32_t data[2 + 128 * 128 + 2 + 32 * 32];
    uint32_t* out = data;
    uint32_t noise = hash | 1;
    for (int size = 128; size >= 32; size /= 4) {
        *out++ = size;
        *out++ = size;
        for (int i = 0; i < size * size; ++i) {
            noise ^= noise << 13, noise ^= noise >> 17, noise ^= noise << 5;
            *out++ = 0xff000000u | ((hash ^ (noise & 0x3f3f3f)) & 0xffffff);
        }
    }
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_ICON"), XCB_ATOM_CARDINAL, 32,
                        (uint32_t)(out - data), data);
}

static xcb_window_t open_window(const char* wm_class, const char* title, int x, int y, int with_icon) {
    xcb_window_t window = xcb_generate_id(c);
    uint32_t values[] = {screen->white_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, x, y, 300, 200, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK,
                      values);
    char class_value[256];
    int n = snprintf(class_value, sizeof class_value, "%s", wm_class);
    for (int i = 0; i < n; ++i)
        if (class_value[i] >= 'A' && class_value[i] <= 'Z') class_value[i] += 'a' - 'A';
    n += 1 + snprintf(class_value + n + 1, sizeof class_value - n - 1, "%s", wm_class) + 1;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, n, class_value);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_NAME"), atom("UTF8_STRING"), 8,
                        strlen(title), title);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, strlen(title),
                        title);
    uint32_t pid = (uint32_t)getpid();
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, 1, &pid);
    xcb_atom_t delete_window = atom("WM_DELETE_WINDOW");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atom("WM_PROTOCOLS"), XCB_ATOM_ATOM, 32, 1,
                        &delete_window);
    if (with_icon) set_icon(window, wm_class);
    xcb_map_window(c, window);
    return window;
}

/* Collects changes to the watched windows until none for quiet_ms (at most limit_ms); returns the
 * times of the first and the last, relative to `since`, or -1 for none. Waits for `mapped` first
 * when it is set, and takes `since` from its MapNotify. */
static void watch(int damage_event, xcb_window_t mapped, double* since, double quiet_ms, double limit_ms,
                  double* first, double* last) {
    *first = *last = -1;
    double start = now_ms(), last_seen = start;
    int waiting_for_map = mapped != XCB_NONE;
    struct pollfd fd = {xcb_get_file_descriptor(c), POLLIN, 0};
    for (;;) {
        xcb_generic_event_t* event;
        while ((event = xcb_poll_for_event(c))) {
            int type = event->response_type & 0x7f;
            double t = now_ms();
            if (waiting_for_map && type == XCB_MAP_NOTIFY &&
                ((xcb_map_notify_event_t*)event)->window == mapped) {
                waiting_for_map = 0;
                *since = t;
                last_seen = t;
            } else if (type == damage_event && !waiting_for_map) {
                if (*first < 0) *first = t - *since;
                *last = t - *since;
                last_seen = t;
            }
            free(event);
        }
        if (xcb_connection_has_error(c)) return;
        double t = now_ms();
        if (!waiting_for_map && t - last_seen >= quiet_ms) return;
        if (t - start >= limit_ms) return;
        poll(&fd, 1, 5);
    }
}

static int has_class(xcb_window_t window, const char* wanted) {
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256), NULL);
    int found = 0;
    if (reply) {
        /* instance NUL class NUL */
        const char* value = xcb_get_property_value(reply);
        int length = xcb_get_property_value_length(reply);
        int instance = strnlen(value, length);
        if (instance + 1 < length) {
            const char* name = value + instance + 1;
            size_t size = strnlen(name, length - instance - 1);
            found = size == strlen(wanted) && memcmp(name, wanted, size) == 0;
        }
        free(reply);
    }
    return found;
}

static int viewable(xcb_window_t window) {
    xcb_get_window_attributes_reply_t* reply =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), NULL);
    int result = reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
    free(reply);
    return result;
}

/* Told by the server: polling the window tree costs a round trip per window (seconds with a few
 * hundred managed windows) and slows the very server the program starts on. */
static int first_mapped(const char* wanted) {
    uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &mask);
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), NULL));
    printf("ready\n");
    fflush(stdout);
    xcb_window_t found[64];
    int count = 0;
    xcb_generic_event_t* event;
    while ((event = xcb_wait_for_event(c))) {
        int type = event->response_type & 0x7f;
        xcb_window_t window = XCB_NONE;
        if (type == XCB_CREATE_NOTIFY) {
            window = ((xcb_create_notify_event_t*)event)->window;
            /* Its class may come later, and its map goes to the frame a window manager gives it. */
            uint32_t own = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
            xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, &own);
        } else if (type == XCB_PROPERTY_NOTIFY && ((xcb_property_notify_event_t*)event)->atom == XCB_ATOM_WM_CLASS) {
            window = ((xcb_property_notify_event_t*)event)->window;
        }
        free(event);
        int known = 0;
        for (int i = 0; i < count; ++i) known |= found[i] == window;
        if (window != XCB_NONE && !known && count < 64 && has_class(window, wanted)) found[count++] = window;
        for (int i = 0; i < count; ++i)
            if (viewable(found[i])) {
                printf("%.3f\n", now_ms());
                fflush(stdout);
                return 0;
            }
    }
    return 1;
}

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    c = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(c)) return 1;
    screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (strcmp(argv[1], "mapped") == 0) return first_mapped(argv[2]);
    if (argc < 4) return 2;
    if (strcmp(argv[1], "clients") == 0) {
        int count = atoi(argv[3]);
        for (int i = 0; i < count; ++i) {
            char title[128];
            snprintf(title, sizeof title, "%s window %d", argv[2], i);
            open_window(argv[2], title, 20 + (i * 7) % 900, 20 + (i * 5) % 500, 0);
        }
        xcb_flush(c);
        xcb_generic_event_t* event;
        while ((event = xcb_wait_for_event(c))) free(event);
        return 0;
    }
    if (strcmp(argv[1], "app") == 0) {
        xcb_window_t window = open_window(argv[2], argv[2], 200 + getpid() % 400, 150 + getpid() % 300, 1);
        xcb_flush(c);
        double until = now_ms() + atof(argv[3]);
        struct pollfd fd = {xcb_get_file_descriptor(c), POLLIN, 0};
        for (double t; (t = now_ms()) < until && !xcb_connection_has_error(c);) {
            poll(&fd, 1, (int)(until - t) + 1);
            xcb_generic_event_t* event;
            while ((event = xcb_poll_for_event(c))) free(event);
        }
        xcb_destroy_window(c, window);
        xcb_disconnect(c);
        return 0;
    }
    if (strcmp(argv[1], "newapp") != 0) return 2;
    const xcb_query_extension_reply_t* damage = xcb_get_extension_data(c, &xcb_damage_id);
    if (!damage || !damage->present) return 3;
    free(xcb_damage_query_version_reply(c, xcb_damage_query_version(c, 1, 1), NULL));
    for (int i = 3; i < argc; ++i) {
        xcb_damage_damage_t id = xcb_generate_id(c);
        xcb_damage_create(c, id, (xcb_drawable_t)strtoul(argv[i], NULL, 0), XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
    }
    xcb_flush(c);
    int damage_event = damage->first_event + XCB_DAMAGE_NOTIFY;
    double since = now_ms(), first, last, unused;
    /* Whatever the bars were still drawing ends first. */
    watch(damage_event, XCB_NONE, &since, 300, 3000, &unused, &unused);
    xcb_window_t window = open_window(argv[2], argv[2], 400, 300, 0);
    xcb_flush(c);
    watch(damage_event, window, &since, 1000, 10000, &first, &last);
    printf("%.2f %.2f\n", first, last);
    fflush(stdout);
    xcb_destroy_window(c, window);
    xcb_flush(c);
    watch(damage_event, XCB_NONE, &since, 1000, 10000, &unused, &unused);
    xcb_disconnect(c);
    return 0;
}
