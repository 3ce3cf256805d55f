#include <gtest/gtest.h>
#include <xcb/composite.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

#include "platform/system/WindowList.h"
#include "platform/x11/X11Desktop.h"
#include "platform/x11/X11WindowImage.h"
#include "tests/platform/x11/X11Session.h"

using platform::Image;
using platform::x11::X11Desktop;

namespace {

std::uint32_t bigEndian(const std::string& data, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value = (value << 8) | static_cast<std::uint8_t>(data[at + i]);
    return value;
}

// The size and the RGBA pixel at (x, y) of a PNG made of stored deflate blocks, as the desktop
// writes them.
struct Picture {
    std::uint32_t width = 0, height = 0;
    std::string rows;
    std::uint32_t pixel(std::uint32_t x, std::uint32_t y) const {
        auto at = std::size_t(y) * (1 + width * 4) + 1 + x * 4;
        return bigEndian(rows, at);
    }
};

Picture decode(const Image& image) {
    const auto& png = image.data();
    Picture picture;
    for (std::size_t at = 8; at + 8 <= png.size();) {
        auto length = bigEndian(png, at);
        auto type = png.substr(at + 4, 4);
        auto body = png.substr(at + 8, length);
        if (type == "IHDR") {
            picture.width = bigEndian(body, 0);
            picture.height = bigEndian(body, 4);
        } else if (type == "IDAT") {
            for (std::size_t block = 2; block + 5 <= body.size();) {
                auto size = static_cast<std::uint8_t>(body[block + 1]) |
                            static_cast<std::uint8_t>(body[block + 2]) << 8;
                picture.rows += body.substr(block + 5, size);
                if (body[block] & 1) break;
                block += 5 + size;
            }
        }
        at += 12 + length;
    }
    return picture;
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
        xcb_set_selection_owner(connection, owner, atom->atom, XCB_CURRENT_TIME);
        std::free(atom);
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    }
    // The window's picture, once the window has painted its colour.
    std::optional<Picture> pictureOf(std::uint32_t window, std::uint32_t colour) {
        std::optional<Picture> picture;
        waitFor([&] {
            auto image = desktop->windowList()->createImage(window);
            if (image) picture = decode(*image);
            return picture && picture->width &&
                   picture->pixel(picture->width / 2, picture->height / 2) == colour;
        });
        return picture;
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
    auto picture = pictureOf(canvas, 0x3366ccff);
    ASSERT_TRUE(picture) << "no picture of the canvas";
    EXPECT_EQ(picture->width, 200u);
    EXPECT_EQ(picture->height, 100u);
    EXPECT_EQ(picture->pixel(0, 0), 0x3366ccffu);
    EXPECT_EQ(picture->pixel(199, 99), 0x3366ccffu);

    // Under a compositing manager a window in front does not show in the picture.
    actAsCompositingManager();
    session.client({"Painter", "Cover", "300x200", "colour=ff0000", "at=50,50"});
    ASSERT_NE(windowNumber("Cover"), 0u);
    picture = pictureOf(canvas, 0x3366ccff);
    ASSERT_TRUE(picture) << "no picture of the covered canvas";
    EXPECT_EQ(picture->pixel(10, 10), 0x3366ccffu);
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
