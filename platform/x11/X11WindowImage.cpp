#include "platform/x11/X11WindowImage.h"

#include <xcb/composite.h>

#include <bit>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Icon.h"

namespace platform::x11 {
namespace {

// How a drawable's pixels are laid out and what their bits mean.
struct Layout {
    std::uint8_t depth = 0;
    std::uint8_t bitsPerPixel = 0;
    std::uint8_t scanlinePad = 0;
    bool bigEndian = false;
    std::uint32_t red = 0, green = 0, blue = 0;
};

std::optional<Layout> layoutOf(xcb_connection_t* c, std::uint8_t depth, xcb_visualid_t visual) {
    const auto* setup = xcb_get_setup(c);
    Layout layout;
    layout.depth = depth;
    layout.bigEndian = setup->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
        if (it.data->depth == depth) {
            layout.bitsPerPixel = it.data->bits_per_pixel;
            layout.scanlinePad = it.data->scanline_pad;
        }
    for (auto screens = xcb_setup_roots_iterator(setup); screens.rem; xcb_screen_next(&screens))
        for (auto depths = xcb_screen_allowed_depths_iterator(screens.data); depths.rem;
             xcb_depth_next(&depths))
            for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem;
                 xcb_visualtype_next(&visuals))
                if (visuals.data->visual_id == visual) {
                    layout.red = visuals.data->red_mask;
                    layout.green = visuals.data->green_mask;
                    layout.blue = visuals.data->blue_mask;
                }
    // Only true-colour pixels of whole bytes carry their colour in themselves.
    bool wholeBytes = layout.bitsPerPixel == 16 || layout.bitsPerPixel == 24 || layout.bitsPerPixel == 32;
    if (!wholeBytes || !layout.red || !layout.green || !layout.blue) return std::nullopt;
    return layout;
}

std::uint32_t channel(std::uint32_t pixel, std::uint32_t mask) {
    auto shift = std::countr_zero(mask);
    auto bits = std::popcount(mask);
    auto value = (pixel & mask) >> shift;
    return bits >= 8 ? value >> (bits - 8) : (value * 255) / ((1u << bits) - 1);
}

// ARGB pixels of a ZPixmap image; empty when its size does not fit.
std::vector<std::uint32_t> argbPixels(const std::uint8_t* data, std::size_t length, std::uint16_t width,
                                      std::uint16_t height, const Layout& layout) {
    std::size_t bytesPerPixel = layout.bitsPerPixel / 8;
    std::size_t pad = layout.scanlinePad ? layout.scanlinePad : 32;
    std::size_t stride = ((std::size_t(width) * layout.bitsPerPixel + pad - 1) / pad) * pad / 8;
    if (stride * height > length) return {};
    // Only a depth-32 visual has an alpha channel: the bits no colour uses.
    std::uint32_t alphaMask = 0;
    if (layout.depth == 32) alphaMask = ~(layout.red | layout.green | layout.blue);
    std::vector<std::uint32_t> pixels(std::size_t(width) * height);
    for (std::size_t y = 0; y < height; ++y) {
        const auto* row = data + y * stride;
        for (std::size_t x = 0; x < width; ++x) {
            const auto* bytes = row + x * bytesPerPixel;
            std::uint32_t pixel = 0;
            for (std::size_t b = 0; b < bytesPerPixel; ++b) {
                auto index = layout.bigEndian ? b : bytesPerPixel - 1 - b;
                pixel = (pixel << 8) | bytes[index];
            }
            std::uint32_t alpha = alphaMask ? channel(pixel, alphaMask) : 0xff;
            pixels[y * width + x] = (alpha << 24) | (channel(pixel, layout.red) << 16) |
                                    (channel(pixel, layout.green) << 8) | channel(pixel, layout.blue);
        }
    }
    return pixels;
}

std::vector<std::uint32_t> readPixels(xcb_connection_t* c, xcb_drawable_t drawable, std::int16_t x,
                                      std::int16_t y, std::uint16_t width, std::uint16_t height,
                                      const Layout& layout) {
    auto image = Freed(xcb_get_image_reply(
        c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, x, y, width, height, ~0u), nullptr));
    if (!image || image->depth != layout.depth) return {};
    return argbPixels(xcb_get_image_data(image.reply),
                      static_cast<std::size_t>(xcb_get_image_data_length(image.reply)), width, height,
                      layout);
}

bool compositingManagerRuns(xcb_connection_t* c, xcb_window_t root) {
    const auto* extension = xcb_get_extension_data(c, &xcb_composite_id);
    if (!extension || !extension->present) return false;
    int number = 0;
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem; xcb_screen_next(&it), ++number)
        if (it.data->root == root) break;
    auto name = "_NET_WM_CM_S" + std::to_string(number);
    auto atom = Freed(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 1, static_cast<std::uint16_t>(name.size()), name.c_str()), nullptr));
    if (!atom || !atom->atom) return false;
    auto owner = Freed(xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr));
    return owner && owner->owner != XCB_NONE;
}

// The window's pixels from the off-screen copy the compositing manager keeps of its top-level
// window (the window manager's frame around it); empty when there is none.
std::vector<std::uint32_t> compositedPixels(xcb_connection_t* c, xcb_window_t window, xcb_window_t root,
                                            std::uint16_t width, std::uint16_t height) {
    xcb_window_t topLevel = window;
    for (xcb_window_t current = window;;) {
        auto tree = Freed(xcb_query_tree_reply(c, xcb_query_tree(c, current), nullptr));
        if (!tree) return {};
        if (tree->parent == root || tree->parent == XCB_NONE) {
            topLevel = current;
            break;
        }
        current = tree->parent;
    }
    auto attributes =
        Freed(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, topLevel), nullptr));
    auto geometry = Freed(xcb_get_geometry_reply(c, xcb_get_geometry(c, topLevel), nullptr));
    auto offset = Freed(
        xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, window, topLevel, 0, 0), nullptr));
    if (!attributes || !geometry || !offset) return {};
    auto layout = layoutOf(c, geometry->depth, attributes->visual);
    if (!layout) return {};
    auto pixmap = xcb_generate_id(c);
    // Naming fails for a window the compositing manager does not redirect.
    if (auto* error = xcb_request_check(c, xcb_composite_name_window_pixmap_checked(c, topLevel, pixmap))) {
        std::free(error);
        return {};
    }
    // The copy includes the top-level window's border.
    auto x = static_cast<std::int16_t>(offset->dst_x + geometry->border_width);
    auto y = static_cast<std::int16_t>(offset->dst_y + geometry->border_width);
    auto pixels = readPixels(c, pixmap, x, y, width, height, *layout);
    xcb_free_pixmap(c, pixmap);
    xcb_flush(c);
    return pixels;
}

}  // namespace

std::optional<Image> windowImage(xcb_connection_t* c, xcb_window_t window) {
    if (!c || xcb_connection_has_error(c) || window == XCB_NONE) return std::nullopt;
    auto attributesCookie = xcb_get_window_attributes(c, window);
    auto geometryCookie = xcb_get_geometry(c, window);
    auto attributes = Freed(xcb_get_window_attributes_reply(c, attributesCookie, nullptr));
    auto geometry = Freed(xcb_get_geometry_reply(c, geometryCookie, nullptr));
    if (!attributes || !geometry || attributes->map_state != XCB_MAP_STATE_VIEWABLE) return std::nullopt;
    auto width = geometry->width, height = geometry->height;
    if (width <= 1 && height <= 1) return std::nullopt;
    std::vector<std::uint32_t> pixels;
    if (compositingManagerRuns(c, geometry->root))
        pixels = compositedPixels(c, window, geometry->root, width, height);
    if (pixels.empty())
        if (auto layout = layoutOf(c, geometry->depth, attributes->visual))
            pixels = readPixels(c, window, 0, 0, width, height, *layout);
    if (pixels.empty()) return std::nullopt;
    return Image(encodePNG(pixels.data(), width, height));
}

}  // namespace platform::x11
