#include <gtest/gtest.h>
#include <xcb/composite.h>
#include <xcb/xcb.h>

#include <cstdlib>

#include "platform/system/WindowList.h"
#include "platform/x11/X11Desktop.h"
#include "platform/x11/X11Icon.h"
#include "platform/x11/X11WindowImage.h"
#include "tests/platform/x11/X11Session.h"

using platform::x11::X11Desktop;

namespace {

// The picture of a window of one colour, as the desktop encodes it.
std::string filled(std::uint32_t argb, std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint32_t> pixels(std::size_t(width) * height, argb);
    return platform::x11::encodePNG(pixels.data(), width, height);
}

class X11WindowImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(session.ready) << "no Xvfb with openbox";
        X11Desktop::Options options;
        options.consentPath = session.home.path() + "/consent";
        std::string error;
        desktop = X11Desktop::open(options, &error);
        ASSERT_TRUE(desktop) << error;
        connection = xcb_connect(session.display.c_str(), nullptr);
        ASSERT_EQ(xcb_connection_has_error(connection), 0);
        root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    }
    void TearDown() override {
        if (connection) xcb_disconnect(connection);
    }
    // The window's number in the window list once the window shows; 0 until then.
    std::uint32_t windowNumber(const std::string& title) {
        std::uint32_t number = 0;
        waitFor([&] {
            for (const auto& info : desktop->windowList()->copyWindowInfo(platform::WindowListOption::all)) {
                auto name = info.find("kCGWindowName");
                if (name != info.end() && name->second.stringValue() && *name->second.stringValue() == title)
                    number = static_cast<std::uint32_t>(*info.at("kCGWindowNumber").integerValue());
            }
            return number != 0;
        });
        return number;
    }
    // What a compositing manager does: keeps every window's picture off screen, and says so.
    void actAsCompositingManager() {
        xcb_composite_redirect_subwindows(connection, root, XCB_COMPOSITE_REDIRECT_AUTOMATIC);
        auto owner = xcb_generate_id(connection);
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, owner, root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        auto* atom =
            xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, 12, "_NET_WM_CM_S0"), nullptr);
        ASSERT_TRUE(atom);
        xcb_set_selection_owner(connection, owner, atom->atom, XCB_CURRENT_TIME);
        std::free(atom);
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    }
    // Whether the window's picture shows it filled with `argb`, once it has painted.
    bool showsFilled(std::uint32_t window, std::uint32_t argb, std::uint32_t width, std::uint32_t height) {
        auto expected = filled(argb, width, height);
        return waitFor([&] {
            auto image = desktop->windowList()->createImage(window);
            return image && image->data() == expected;
        });
    }

    X11Session session;
    std::shared_ptr<X11Desktop> desktop;
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = 0;
};

}  // namespace

TEST_F(X11WindowImageTest, AWindowsPictureHoldsItsOwnPixelsAlsoUnderACompositingManager) {
    session.client({"Painter", "Canvas", "200x100", "colour=3366cc", "at=100,100"});
    auto canvas = windowNumber("Canvas");
    ASSERT_NE(canvas, 0u);
    EXPECT_TRUE(showsFilled(canvas, 0xff3366cc, 200, 100));

    // Under a compositing manager a window in front does not show in the picture.
    actAsCompositingManager();
    session.client({"Painter", "Cover", "300x200", "colour=ff0000", "at=50,50"});
    ASSERT_NE(windowNumber("Cover"), 0u);
    EXPECT_TRUE(showsFilled(canvas, 0xff3366cc, 200, 100)) << "covered";
}

TEST_F(X11WindowImageTest, NoPictureOfAWindowThatIsGoneHiddenOrAPixel) {
    session.client({"Painter", "Dot", "1x1", "at=10,10"});
    auto dot = windowNumber("Dot");
    ASSERT_NE(dot, 0u);
    EXPECT_FALSE(desktop->windowList()->createImage(dot)) << "a single pixel";
    EXPECT_FALSE(desktop->windowList()->createImage(0x7ffffff0)) << "no such window";
    EXPECT_FALSE(platform::x11::windowImage(connection, XCB_NONE)) << "no window at all";
    // An unmapped window of the test's own.
    auto hidden = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, hidden, root, 0, 0, 50, 50, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_flush(connection);
    EXPECT_FALSE(platform::x11::windowImage(connection, hidden)) << "not shown";
}
