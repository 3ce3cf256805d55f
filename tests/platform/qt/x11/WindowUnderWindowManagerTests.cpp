#include <gtest/gtest.h>
#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QWidget>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "platform/base/NotificationCenter.h"
#include "platform/qt/Window.h"
#include "platform/system/WindowManagerNotification.h"
#include "tests/platform/x11/X11Session.h"

using Words = std::vector<std::uint32_t>;

namespace {

// A dock window under a window manager that the test plays on a connection of its own: it frames
// the windows mapped through it and marks them normal, notes the messages it is sent, and
// withdraws a window only when the test says so, as late as a loaded manager may.
class WindowUnderWindowManager : public ::testing::Test {
protected:
    void SetUp() override {
        std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        auto* error =
            xcb_request_check(c, xcb_change_window_attributes_checked(c, root, XCB_CW_EVENT_MASK, &mask));
        ASSERT_FALSE(error) << "another window manager runs";
        window.setLevel(platform::qt::WindowLevel::screenSaver);
        auto* content = new QWidget;
        auto* part = new QWidget(content);
        part->setGeometry(100, 6, 200, 80);
        window.setContentView(content);
        window.setVisiblePart(part);
        window.setReservedBottomEdge(80);
        window.orderFront();
        id = static_cast<xcb_window_t>(window.widget()->winId());
        ASSERT_TRUE(settle([&] { return frames.contains(id); }));
    }
    void TearDown() override { xcb_disconnect(c); }

    template <class T>
    static std::unique_ptr<T, decltype(&std::free)> owned(T* reply) {
        return {reply, &std::free};
    }
    xcb_atom_t atom(const char* name) {
        auto reply = owned(xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr));
        return reply ? reply->atom : XCB_NONE;
    }
    Words property(const char* name) {
        auto cookie = xcb_get_property(c, 0, id, atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 64);
        auto reply = owned(xcb_get_property_reply(c, cookie, nullptr));
        if (!reply || reply->format != 32) return {};
        auto* data = static_cast<std::uint32_t*>(xcb_get_property_value(reply.get()));
        return Words(data, data + xcb_get_property_value_length(reply.get()) / 4);
    }
    xcb_get_window_attributes_reply_t attributes() {
        auto reply = owned(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, id), nullptr));
        return reply ? *reply : xcb_get_window_attributes_reply_t{};
    }
    bool shaped() {
        auto reply = owned(xcb_shape_query_extents_reply(c, xcb_shape_query_extents(c, id), nullptr));
        return reply && reply->bounding_shaped;
    }

    // Qt's requests so far reach the server, then the manager handles every event sent to it.
    void pump() {
        auto* qt = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
        for (auto* connection : {qt, c})
            std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
        while (auto* event = xcb_poll_for_event(c)) {
            auto type = event->response_type & 0x7f;
            if (type == XCB_MAP_REQUEST) manage(reinterpret_cast<xcb_map_request_event_t*>(event)->window);
            if (type == XCB_UNMAP_NOTIFY) {
                auto window = reinterpret_cast<xcb_unmap_notify_event_t*>(event)->window;
                if (frames.contains(window)) unmapped.insert(window);
            }
            if (type == XCB_CLIENT_MESSAGE) {
                auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
                messages.emplace_back(message->type, Words(message->data.data32, message->data.data32 + 5));
            }
            std::free(event);
        }
        xcb_flush(c);
    }
    bool settle(const std::function<bool()>& condition) {
        return waitFor(condition, 10, [&] {
            QApplication::processEvents();
            pump();
        });
    }
    void manage(xcb_window_t window) {
        auto geometry = owned(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
        if (!geometry) return;
        auto frame = xcb_generate_id(c);
        std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_create_window(c, XCB_COPY_FROM_PARENT, frame, root, geometry->x, geometry->y, geometry->width,
                          geometry->height, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_EVENT_MASK, &mask);
        // Back to the root when this manager goes, as with any manager.
        xcb_change_save_set(c, XCB_SET_MODE_INSERT, window);
        xcb_reparent_window(c, window, frame, 0, 0);
        xcb_map_window(c, window);
        xcb_map_window(c, frame);
        std::uint32_t normal[2] = {1, XCB_NONE};
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atom("WM_STATE"), atom("WM_STATE"), 32, 2,
                            normal);
        frames[window] = frame;
    }
    // Out of its frame, unmapped and marked withdrawn, in a manager's order.
    void withdraw(xcb_window_t window) {
        xcb_unmap_window(c, window);
        xcb_reparent_window(c, window, root, 0, 0);
        xcb_destroy_window(c, frames.at(window));
        xcb_delete_property(c, window, atom("WM_STATE"));
        frames.erase(window);
        xcb_flush(c);
    }

    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    std::map<xcb_window_t, xcb_window_t> frames;
    std::set<xcb_window_t> unmapped;
    std::vector<std::pair<xcb_atom_t, Words>> messages;
    platform::qt::Window window{platform::Rect::make(0, 0, 400, 86),
                                platform::qt::WindowStyleMask::borderless};
    xcb_window_t id = 0;
};

}  // namespace

TEST_F(WindowUnderWindowManager, LeavesTheManagerOnlyOnceItHasLetGoSoALateWithdrawalLeavesItShown) {
    window.setBypassesWindowManager(true);
    ASSERT_TRUE(settle([&] { return unmapped.contains(id); }));
    withdraw(id);
    EXPECT_TRUE(settle([&] { return attributes().map_state == XCB_MAP_STATE_VIEWABLE; }));
    EXPECT_TRUE(attributes().override_redirect);
    window.setBypassesWindowManager(false);
    EXPECT_TRUE(settle([&] { return frames.contains(id); }));
    EXPECT_FALSE(attributes().override_redirect);
    EXPECT_EQ(property("_NET_WM_WINDOW_TYPE"), Words{atom("_NET_WM_WINDOW_TYPE_DOCK")});
}

TEST_F(WindowUnderWindowManager, ANewManagerIsToldTheDocksTypeStatesStrutAndShapeAgain) {
    EXPECT_TRUE(shaped()) << "cut to its visible part without a compositing manager";
    // The manager that went dropped what it was told; the new one composites.
    for (auto* name : {"_NET_WM_WINDOW_TYPE", "_NET_WM_STATE", "_NET_WM_STRUT_PARTIAL", "_NET_WM_STRUT"})
        xcb_delete_property(c, id, atom(name));
    auto compositor = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, compositor, root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_set_selection_owner(c, compositor, atom("_NET_WM_CM_S0"), XCB_CURRENT_TIME);
    pump();
    messages.clear();  // Qt's own, from the showing
    platform::NotificationCenter::workspaceCenter()->post(platform::windowManagerDidChangeNotification);
    ASSERT_TRUE(settle([&] { return messages.size() >= 3; }));

    EXPECT_EQ(property("_NET_WM_WINDOW_TYPE"), Words{atom("_NET_WM_WINDOW_TYPE_DOCK")});
    auto strut = property("_NET_WM_STRUT_PARTIAL");
    EXPECT_EQ(strut.size() == 12 ? strut[3] : 0, 80u);
    auto above = atom("_NET_WM_STATE_ABOVE"), sticky = atom("_NET_WM_STATE_STICKY");
    auto skipTaskbar = atom("_NET_WM_STATE_SKIP_TASKBAR"), skipPager = atom("_NET_WM_STATE_SKIP_PAGER");
    EXPECT_EQ(property("_NET_WM_STATE"), (Words{above, sticky, skipTaskbar, skipPager}));
    // A manager that holds the window already hears the states and the desktop as messages.
    const std::uint32_t add = 1, application = 1, everyDesktop = 0xffffffff;
    auto state = atom("_NET_WM_STATE");
    EXPECT_EQ(messages, (std::vector<std::pair<xcb_atom_t, Words>>{
                            {state, {add, above, sticky, application, 0}},
                            {state, {add, skipTaskbar, skipPager, application, 0}},
                            {atom("_NET_WM_DESKTOP"), {everyDesktop, application, 0, 0, 0}}}));
    EXPECT_FALSE(shaped()) << "a compositing manager shows its see-through part clear";
}
