#include <gtest/gtest.h>
#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QWidget>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/base/NotificationCenter.h"
#include "platform/qt/Window.h"
#include "platform/system/WindowManagerNotification.h"
#include "tests/platform/x11/X11Session.h"

using platform::qt::Window;
using Words = std::vector<std::uint32_t>;

namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    xcb_atom_t value = reply ? reply->atom : XCB_NONE;
    std::free(reply);
    return value;
}

Words property(xcb_connection_t* c, xcb_window_t window, const char* name) {
    Words words;
    auto cookie = xcb_get_property(c, 0, window, atom(c, name), XCB_GET_PROPERTY_TYPE_ANY, 0, 64);
    if (auto* reply = xcb_get_property_reply(c, cookie, nullptr)) {
        auto* data = static_cast<std::uint32_t*>(xcb_get_property_value(reply));
        if (reply->format == 32) words.assign(data, data + xcb_get_property_value_length(reply) / 4);
        std::free(reply);
    }
    return words;
}

// A window manager played by the test on a connection of its own. It frames the windows mapped
// through it and marks them normal, notes the messages it is sent, and withdraws a window only
// when the test says so: as late as a loaded manager may.
class PlayedWindowManager {
public:
    PlayedWindowManager() : c_(xcb_connect(nullptr, nullptr)) {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        auto* error =
            xcb_request_check(c_, xcb_change_window_attributes_checked(c_, root_, XCB_CW_EVENT_MASK, &mask));
        ready = error == nullptr;
        std::free(error);
    }
    ~PlayedWindowManager() { xcb_disconnect(c_); }

    bool ready = false;
    // The root window's client messages: type and data.
    std::vector<std::pair<xcb_atom_t, Words>> messages;

    xcb_connection_t* connection() const { return c_; }
    xcb_atom_t atom(const char* name) const { return ::atom(c_, name); }
    bool manages(xcb_window_t window) const { return frames_.contains(window); }
    bool sawUnmapped(xcb_window_t window) const { return unmapped_.contains(window); }

    // Handles every event sent before now.
    void pump() {
        std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
        while (auto* event = xcb_poll_for_event(c_)) {
            handle(event);
            std::free(event);
        }
        xcb_flush(c_);
    }
    // Out of its frame, unmapped and marked withdrawn, in a manager's order.
    void withdraw(xcb_window_t window) {
        xcb_unmap_window(c_, window);
        xcb_reparent_window(c_, window, root_, 0, 0);
        xcb_destroy_window(c_, frames_.at(window));
        xcb_delete_property(c_, window, atom("WM_STATE"));
        frames_.erase(window);
        unmapped_.erase(window);
        xcb_flush(c_);
    }
    // A compositing manager starts.
    void composite() {
        auto owner = xcb_generate_id(c_);
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, owner, root_, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_set_selection_owner(c_, owner, atom("_NET_WM_CM_S0"), XCB_CURRENT_TIME);
        xcb_flush(c_);
    }

private:
    void handle(xcb_generic_event_t* event) {
        switch (event->response_type & 0x7f) {
            case XCB_MAP_REQUEST:
                manage(reinterpret_cast<xcb_map_request_event_t*>(event)->window);
                break;
            case XCB_UNMAP_NOTIFY: {
                auto window = reinterpret_cast<xcb_unmap_notify_event_t*>(event)->window;
                if (manages(window)) unmapped_.insert(window);
                break;
            }
            case XCB_CLIENT_MESSAGE: {
                auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
                messages.emplace_back(message->type, Words(message->data.data32, message->data.data32 + 5));
                break;
            }
            default:
                break;
        }
    }
    void manage(xcb_window_t window) {
        auto* geometry = xcb_get_geometry_reply(c_, xcb_get_geometry(c_, window), nullptr);
        if (!geometry) return;
        auto frame = xcb_generate_id(c_);
        std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, frame, root_, geometry->x, geometry->y, geometry->width,
                          geometry->height, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_EVENT_MASK, &mask);
        std::free(geometry);
        xcb_reparent_window(c_, window, frame, 0, 0);
        xcb_map_window(c_, window);
        xcb_map_window(c_, frame);
        std::uint32_t normal[2] = {1, XCB_NONE};
        auto type = atom("WM_STATE");
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window, type, type, 32, 2, normal);
        frames_[window] = frame;
    }

    xcb_connection_t* c_;
    xcb_window_t root_;
    std::map<xcb_window_t, xcb_window_t> frames_;
    std::set<xcb_window_t> unmapped_;
};

xcb_connection_t* qtConnection() {
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

// Qt's requests so far have reached the server.
void syncQt() {
    auto* c = qtConnection();
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

class WindowUnderWindowManager : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(manager.ready) << "another window manager runs";
        window.setLevel(platform::qt::WindowLevel::screenSaver);
        auto* content = new QWidget;
        auto* part = new QWidget(content);
        part->setGeometry(100, 6, 200, 80);
        window.setContentView(content);
        window.setVisiblePart(part);
        window.setReservedBottomEdge(80);
        window.orderFront();
        id = static_cast<xcb_window_t>(window.widget()->winId());
        ASSERT_TRUE(settle([&] { return manager.manages(id); }));
    }
    bool settle(const std::function<bool()>& condition) {
        return waitFor(condition, 10, [&] {
            QApplication::processEvents();
            manager.pump();
        });
    }
    xcb_get_window_attributes_reply_t attributes() {
        auto* c = manager.connection();
        auto* reply = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, id), nullptr);
        xcb_get_window_attributes_reply_t copy = reply ? *reply : xcb_get_window_attributes_reply_t{};
        std::free(reply);
        return copy;
    }
    bool shaped() {
        auto* c = manager.connection();
        auto* reply = xcb_shape_query_extents_reply(c, xcb_shape_query_extents(c, id), nullptr);
        bool result = reply && reply->bounding_shaped;
        std::free(reply);
        return result;
    }

    PlayedWindowManager manager;
    Window window{platform::Rect::make(0, 0, 400, 86), platform::qt::WindowStyleMask::borderless};
    xcb_window_t id = 0;
};

}  // namespace

TEST_F(WindowUnderWindowManager, LeavesTheManagerOnlyOnceItHasLetGoSoALateWithdrawalLeavesItShown) {
    window.setBypassesWindowManager(true);
    syncQt();
    ASSERT_TRUE(settle([&] { return manager.sawUnmapped(id); }));
    manager.withdraw(id);
    EXPECT_TRUE(settle([&] { return attributes().map_state == XCB_MAP_STATE_VIEWABLE; }))
        << "mapped again only after the withdrawal";
    EXPECT_TRUE(attributes().override_redirect);
    EXPECT_FALSE(manager.manages(id));
    // Back under the manager, as a dock.
    window.setBypassesWindowManager(false);
    EXPECT_TRUE(settle([&] { return manager.manages(id); }));
    EXPECT_FALSE(attributes().override_redirect);
    EXPECT_EQ(property(manager.connection(), id, "_NET_WM_WINDOW_TYPE"),
              Words{manager.atom("_NET_WM_WINDOW_TYPE_DOCK")});
}

TEST_F(WindowUnderWindowManager, ANewManagerIsToldTheDocksTypeStatesStrutAndShapeAgain) {
    auto* c = manager.connection();
    EXPECT_TRUE(shaped()) << "cut to its visible part without a compositing manager";
    // The manager that went dropped what it was told; the new one composites.
    for (auto* name : {"_NET_WM_WINDOW_TYPE", "_NET_WM_STATE", "_NET_WM_STRUT_PARTIAL", "_NET_WM_STRUT"})
        xcb_delete_property(c, id, manager.atom(name));
    manager.composite();
    // Qt's own messages from the showing.
    syncQt();
    manager.pump();
    manager.messages.clear();
    platform::NotificationCenter::workspaceCenter()->post(platform::windowManagerDidChangeNotification);
    syncQt();
    ASSERT_TRUE(settle([&] { return manager.messages.size() >= 3; }));

    EXPECT_EQ(property(c, id, "_NET_WM_WINDOW_TYPE"), Words{manager.atom("_NET_WM_WINDOW_TYPE_DOCK")});
    auto above = manager.atom("_NET_WM_STATE_ABOVE"), sticky = manager.atom("_NET_WM_STATE_STICKY");
    auto skipTaskbar = manager.atom("_NET_WM_STATE_SKIP_TASKBAR"),
         skipPager = manager.atom("_NET_WM_STATE_SKIP_PAGER");
    EXPECT_EQ(property(c, id, "_NET_WM_STATE"), (Words{above, sticky, skipTaskbar, skipPager}));
    auto strut = property(c, id, "_NET_WM_STRUT_PARTIAL");
    ASSERT_EQ(strut.size(), 12u);
    EXPECT_EQ(strut[3], 80u);
    // A manager that holds the window already hears the states and the desktop as messages.
    const std::uint32_t add = 1, application = 1, everyDesktop = 0xffffffff;
    auto state = manager.atom("_NET_WM_STATE");
    EXPECT_EQ(manager.messages,
              (std::vector<std::pair<xcb_atom_t, Words>>{
                  {state, {add, above, sticky, application, 0}},
                  {state, {add, skipTaskbar, skipPager, application, 0}},
                  {manager.atom("_NET_WM_DESKTOP"), {everyDesktop, application, 0, 0, 0}}}));
    EXPECT_FALSE(shaped()) << "a compositing manager shows its see-through part clear";
}
