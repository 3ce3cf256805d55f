#include "platform/x11/X11Icon.h"

#include <algorithm>
#include <array>

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Properties.h"

namespace platform::x11 {
namespace {

std::uint32_t crc32(const std::string& data, std::size_t from) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> values{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
            values[n] = c;
        }
        return values;
    }();
    std::uint32_t c = 0xffffffffu;
    for (std::size_t i = from; i < data.size(); ++i)
        c = table[(c ^ static_cast<std::uint8_t>(data[i])) & 0xff] ^ (c >> 8);
    return c ^ 0xffffffffu;
}

void bigEndian(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((value >> shift) & 0xff));
}

void chunk(std::string& out, const char* type, const std::string& body) {
    bigEndian(out, static_cast<std::uint32_t>(body.size()));
    auto start = out.size();
    out += type;
    out += body;
    bigEndian(out, crc32(out, start));
}

// No icon pixmap is larger; a larger one is not read.
constexpr std::uint32_t maximumPixmapSide = 512;

struct Pixmap {
    std::vector<std::uint32_t> pixels;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

std::optional<Pixmap> readPixmap(X11Connection& x, std::uint32_t pixmap) {
    Freed<xcb_get_geometry_reply_t> geometry{
        xcb_get_geometry_reply(x.xcb, xcb_get_geometry(x.xcb, pixmap), nullptr)};
    if (!geometry || !geometry->width || !geometry->height || geometry->width > maximumPixmapSide ||
        geometry->height > maximumPixmapSide)
        return std::nullopt;
    const auto* setup = xcb_get_setup(x.xcb);
    ImageLayout layout{0, 32, setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST,
                       setup->bitmap_format_bit_order == XCB_IMAGE_ORDER_LSB_FIRST};
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
        if (it.data->depth == geometry->depth)
            layout.bitsPerPixel = it.data->bits_per_pixel, layout.scanlinePad = it.data->scanline_pad;
    Freed<xcb_get_image_reply_t> image{xcb_get_image_reply(
        x.xcb,
        xcb_get_image(x.xcb, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, 0, 0, geometry->width, geometry->height, ~0u),
        nullptr)};
    if (!image) return std::nullopt;
    auto pixels = decodeImage(layout, geometry->width, geometry->height, xcb_get_image_data(image.reply),
                              static_cast<std::size_t>(xcb_get_image_data_length(image.reply)));
    if (!pixels) return std::nullopt;
    return Pixmap{std::move(*pixels), geometry->width, geometry->height};
}

}  // namespace

// Uncompressed (stored) deflate blocks: icons are small and read once per application.
std::string encodePNG(const std::uint32_t* argb, std::uint32_t width, std::uint32_t height) {
    std::string raw;
    raw.reserve(std::size_t(height) * (1 + std::size_t(width) * 4));
    for (std::uint32_t y = 0; y < height; ++y) {
        raw.push_back(0);
        for (std::uint32_t x = 0; x < width; ++x) {
            auto pixel = argb[std::size_t(y) * width + x];
            raw.push_back(static_cast<char>((pixel >> 16) & 0xff));
            raw.push_back(static_cast<char>((pixel >> 8) & 0xff));
            raw.push_back(static_cast<char>(pixel & 0xff));
            raw.push_back(static_cast<char>(pixel >> 24));
        }
    }
    std::string deflate("\x78\x01", 2);
    std::uint32_t a = 1, b = 0;
    for (unsigned char byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    for (std::size_t offset = 0; offset < raw.size() || offset == 0; offset += 65535) {
        auto length = static_cast<std::uint16_t>(std::min<std::size_t>(65535, raw.size() - offset));
        bool last = offset + length >= raw.size();
        deflate.push_back(last ? 1 : 0);
        deflate.push_back(static_cast<char>(length & 0xff));
        deflate.push_back(static_cast<char>(length >> 8));
        deflate.push_back(static_cast<char>(~length & 0xff));
        deflate.push_back(static_cast<char>((~length >> 8) & 0xff));
        deflate.append(raw, offset, length);
        if (last) break;
    }
    bigEndian(deflate, (b << 16) | a);

    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    bigEndian(header, width);
    bigEndian(header, height);
    header += std::string("\x08\x06\x00\x00\x00", 5);
    chunk(png, "IHDR", header);
    chunk(png, "IDAT", deflate);
    chunk(png, "IEND", {});
    return png;
}

std::optional<std::vector<std::uint32_t>> decodeImage(const ImageLayout& layout, std::uint32_t width,
                                                      std::uint32_t height, const void* data,
                                                      std::size_t bytes) {
    const auto bits = layout.bitsPerPixel;
    if (!data || !width || !height || width > maximumPixmapSide || height > maximumPixmapSide ||
        (bits != 1 && bits != 24 && bits != 32) ||
        (layout.scanlinePad != 8 && layout.scanlinePad != 16 && layout.scanlinePad != 32))
        return std::nullopt;
    const std::size_t stride =
        (std::size_t(width) * bits + layout.scanlinePad - 1) / layout.scanlinePad * layout.scanlinePad / 8;
    if (bytes < stride * height) return std::nullopt;
    const auto* row = static_cast<const std::uint8_t*>(data);
    std::vector<std::uint32_t> pixels;
    pixels.reserve(std::size_t(width) * height);
    for (std::uint32_t y = 0; y < height; ++y, row += stride) {
        for (std::uint32_t x = 0; x < width; ++x) {
            if (bits == 1) {
                auto byte = row[x / 8];
                bool set = layout.lsbFirstBits ? (byte >> (x % 8)) & 1 : (byte >> (7 - x % 8)) & 1;
                pixels.push_back(set ? 0xff000000u : 0xffffffffu);
                continue;
            }
            const auto* at = row + std::size_t(x) * (bits / 8);
            std::uint32_t value = 0;
            for (int i = 0; i < bits / 8; ++i)
                value |= std::uint32_t(at[layout.lsbFirstBytes ? i : bits / 8 - 1 - i]) << (8 * i);
            pixels.push_back(0xff000000u | (value & 0xffffffu));
        }
    }
    return pixels;
}

IconHints decodeIconHints(const std::vector<std::uint32_t>& values) {
    // flags, input, initial state, icon pixmap, icon window, icon x, icon y, icon mask, group
    constexpr std::uint32_t iconPixmapHint = 1 << 2, iconMaskHint = 1 << 5;
    IconHints hints;
    if (values.size() < 8) return hints;
    if (values[0] & iconPixmapHint) hints.pixmap = values[3];
    if (values[0] & iconMaskHint) hints.mask = values[7];
    return hints;
}

std::optional<Image> readWindowIcon(X11Connection& x, const std::vector<std::uint32_t>& windows) {
    if (windows.empty()) return std::nullopt;
    // Icons are large: read once per application, never per refresh, and only one whole. The
    // first window's icon, the others' sizes and everyone's hints are asked at once: one round
    // trip when the first window has an icon (the usual case), two otherwise, however many windows.
    constexpr std::uint32_t wholeIcon = 1 << 20;
    auto first = x.property(windows.front(), x.ewmh._NET_WM_ICON, wholeIcon);
    std::vector<xcb_get_property_cookie_t> sizes, hints;
    for (std::size_t i = 1; i < windows.size(); ++i)
        sizes.push_back(x.property(windows[i], x.ewmh._NET_WM_ICON, 0));
    for (auto window : windows) hints.push_back(x.property(window, XCB_ATOM_WM_HINTS, 9));
    auto values = cardinals(x.reply(first));
    if (auto icon = chooseIcon(values)) {
        for (const auto* cookies : {&sizes, &hints})
            for (auto cookie : *cookies) xcb_discard_reply(x.xcb, cookie.sequence);
        return Image(encodePNG(icon->pixels, icon->width, icon->height));
    }
    std::vector<std::uint32_t> withIcon;
    for (std::size_t i = 0; i < sizes.size(); ++i)
        if (auto size = x.reply(sizes[i]); size && size->bytes_after > 0) withIcon.push_back(windows[i + 1]);
    std::vector<IconHints> hinted;
    for (auto cookie : hints) hinted.push_back(decodeIconHints(cardinals(x.reply(cookie))));
    for (auto window : withIcon) {
        values = cardinals(x.reply(x.property(window, x.ewmh._NET_WM_ICON, wholeIcon)));
        if (auto icon = chooseIcon(values)) return Image(encodePNG(icon->pixels, icon->width, icon->height));
    }
    // Older programs (xclock, for one) name a pixmap and a mask instead.
    for (const auto& hint : hinted) {
        if (!hint.pixmap) continue;
        auto icon = readPixmap(x, hint.pixmap);
        if (!icon) continue;
        if (auto mask = hint.mask ? readPixmap(x, hint.mask) : std::nullopt;
            mask && mask->width == icon->width && mask->height == icon->height) {
            // A mask's unset pixels (white in its picture) are see-through.
            for (std::size_t i = 0; i < icon->pixels.size(); ++i)
                if (mask->pixels[i] != 0xff000000u) icon->pixels[i] = 0;
        }
        return Image(encodePNG(icon->pixels.data(), icon->width, icon->height));
    }
    return std::nullopt;
}

Image placeholderIcon() {
    return Image(
        "<svg xmlns='http://www.w3.org/2000/svg' width='64' height='64'><rect x='6' y='10' width='52' "
        "height='44' rx='6' fill='#5b6b7f'/><rect x='6' y='10' width='52' height='10' rx='4' "
        "fill='#36414f'/></svg>",
        Size{64, 64});
}

}  // namespace platform::x11
