#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Icon.h"
#include "tests/platform/x11/X11Session.h"

using namespace platform::x11;

// The RGBA pixels of one of our own PNGs (one stored deflate block).
static std::vector<std::uint32_t> pngPixels(const std::string& png, std::uint32_t width) {
    auto body = png.find("IDAT") + 4 + 2 + 5;
    std::vector<std::uint32_t> pixels;
    auto end = png.find("IEND") - 8 - 4;  // the Adler sum, the CRC and the next chunk's length
    for (auto at = body; at + 1 + width * 4 <= end; at += 1 + width * 4)
        for (std::uint32_t x = 0; x < width; ++x) {
            std::uint32_t value = 0;
            for (int i = 0; i < 4; ++i)
                value = value << 8 | static_cast<std::uint8_t>(png[at + 1 + x * 4 + i]);
            pixels.push_back(value);
        }
    return pixels;
}

TEST(X11IconTests, ImagesDecodeInTheServersLayoutAndHintsNameTheirPixmaps) {
    constexpr std::uint32_t black = 0xff000000, white = 0xffffffff;
    const std::uint8_t bitmap[] = {0b0101, 0, 0, 0, 0b1000'0000, 0, 0, 0};  // two rows padded to 32 bits
    EXPECT_EQ(decodeImage({1, 32, true, true}, 4, 2, bitmap, 8),
              (std::vector<std::uint32_t>{black, white, black, white, white, white, white, white}));
    EXPECT_EQ(decodeImage({1, 32, true, false}, 1, 2, bitmap, 8), (std::vector<std::uint32_t>{white, black}));
    const std::uint8_t colour[] = {0x30, 0x20, 0x10, 0x99, 1, 2, 3, 4};
    EXPECT_EQ(decodeImage({32, 32, true, true}, 2, 1, colour, 8),
              (std::vector<std::uint32_t>{0xff102030, 0xff030201}));
    EXPECT_EQ(decodeImage({32, 32, false, true}, 1, 1, colour, 4), (std::vector<std::uint32_t>{0xff201099}));
    // Too few bytes, a layout no server uses, no size, a size no icon has.
    EXPECT_EQ(decodeImage({32, 32, true, true}, 2, 2, colour, 8), std::nullopt);
    EXPECT_EQ(decodeImage({7, 32, true, true}, 1, 1, colour, 8), std::nullopt);
    EXPECT_EQ(decodeImage({1, 3, true, true}, 1, 1, colour, 8), std::nullopt);
    EXPECT_EQ(decodeImage({1, 32, true, true}, 0, 1, colour, 8), std::nullopt);
    EXPECT_EQ(decodeImage({1, 32, true, true}, 1u << 20, 1, colour, 8), std::nullopt);
    EXPECT_EQ(decodeIconHints({4 | 32, 0, 0, 7, 0, 0, 0, 9, 0}).mask, 9u);
    EXPECT_EQ(decodeIconHints({32, 0, 0, 7, 0, 0, 0, 9, 0}).pixmap, 0u) << "no pixmap flag";
    EXPECT_EQ(decodeIconHints({4, 0, 0, 7}).pixmap, 0u) << "too short";
}

// A private display and a plain client connection that makes the windows under test.
class X11IconOnDisplay : public testing::Test {
protected:
    X11Session session{false};
    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> owned{
        xcb_connect(session.display.empty() ? ":-1" : session.display.c_str(), nullptr), &xcb_disconnect};
    xcb_connection_t* c = owned.get();
    xcb_screen_t* screen =
        xcb_connection_has_error(c) ? nullptr : xcb_setup_roots_iterator(xcb_get_setup(c)).data;
};

TEST_F(X11IconOnDisplay, AWindowWithoutNetWmIconShowsItsHintsPixmapThroughItsMask) {
    ASSERT_FALSE(session.display.empty());
    ASSERT_EQ(xcb_connection_has_error(c), 0);
    auto window = xcb_generate_id(c);
    xcb_create_window(c, 0, window, screen->root, 0, 0, 10, 10, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, 0, nullptr);
    // A 4 x 2 bitmap (left column set) and a mask that hides the last column.
    auto bitmap = [&](std::uint8_t row) {
        auto pixmap = xcb_generate_id(c);
        xcb_create_pixmap(c, 1, pixmap, window, 4, 2);
        auto gc = xcb_generate_id(c);
        xcb_create_gc(c, gc, pixmap, 0, nullptr);
        const std::uint8_t rows[] = {row, 0, 0, 0, row, 0, 0, 0};
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, 4, 2, 0, 0, 0, 1, sizeof rows, rows);
        return pixmap;
    };
    const std::uint32_t hints[9] = {4 | 32, 0, 0, bitmap(0b0001), 0, 0, 0, bitmap(0b0111), 0};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32, 9, hints);
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    std::string error;
    auto connection = X11Connection::open(session.display, &error);
    ASSERT_TRUE(connection) << error;
    auto icon = readWindowIcon(*connection, {window});
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->size().width, 4);
    const std::uint32_t black = 0x000000ff, white = 0xffffffff;
    EXPECT_EQ(pngPixels(icon->data(), 4),
              (std::vector<std::uint32_t>{black, white, white, 0, black, white, white, 0}));
}

TEST_F(X11IconOnDisplay, AnApplicationShowsTheIconOfItsFirstWindowThatHasOne) {
    ASSERT_FALSE(session.display.empty());
    ASSERT_EQ(xcb_connection_has_error(c), 0);
    std::string error;
    auto connection = X11Connection::open(session.display, &error);
    ASSERT_TRUE(connection) << error;
    // A window with that _NET_WM_ICON, if any, and a hints pixmap if asked.
    auto window = [&](std::vector<std::uint32_t> icon, bool hinted = false) {
        auto id = xcb_generate_id(c);
        xcb_create_window(c, 0, id, screen->root, 0, 0, 10, 10, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          screen->root_visual, 0, nullptr);
        if (!icon.empty())
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, connection->ewmh._NET_WM_ICON,
                                XCB_ATOM_CARDINAL, 32, static_cast<std::uint32_t>(icon.size()), icon.data());
        if (hinted) {
            const std::uint32_t hints[9] = {4, 0, 0, xcb_generate_id(c), 0, 0, 0, 0, 0};
            xcb_create_pixmap(c, 1, hints[3], id, 1, 1);
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32, 9,
                                hints);
        }
        return id;
    };
    // One ARGB pixel, shown as RGBA; an icon that claims more pixels than it holds.
    const std::vector<std::uint32_t> red = {1, 1, 0xffff0000}, blue = {1, 1, 0xff0000ff}, broken = {4, 4, 0};
    const struct {
        const char* what;
        std::vector<std::uint32_t> windows, rgba;  // the icon's one pixel, if any
    } cases[] = {
        {"the first window's", {window(red), window(blue)}, {0xff0000ff}},
        {"the third window's", {window({}), window({}), window(blue)}, {0x0000ffff}},
        {"past an icon too short for its size", {window(broken), window({}), window(red)}, {0xff0000ff}},
        {"any window's icon before a hints pixmap", {window({}, true), window(blue)}, {0x0000ffff}},
        {"none", {window({}), window({})}, {}},
        {"none without windows", {}, {}},
    };
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    // In turn on one connection, so that each case sees it answer in step after the replies the
    // one before did not need.
    for (const auto& each : cases) {
        auto icon = readWindowIcon(*connection, each.windows);
        EXPECT_EQ(icon ? pngPixels(icon->data(), 1) : std::vector<std::uint32_t>{}, each.rgba) << each.what;
    }
}
