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

std::optional<Image> readWindowIcon(X11Connection& x, const std::vector<std::uint32_t>& windows) {
    for (auto window : windows) {
        // Icons are large: read once per application, never per refresh.
        auto values = cardinals(x.reply(x.property(window, x.ewmh._NET_WM_ICON, 1 << 20)));
        if (auto icon = chooseIcon(values)) return Image(encodePNG(icon->pixels, icon->width, icon->height));
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
