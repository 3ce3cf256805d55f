// Window property replies and icon images as the display sends them, decoded without a server:
// `_NET_WM_ICON` (the chosen image lies within the reply and encodes), `WM_CLASS`, text of each
// type (UTF8_STRING, STRING, COMPOUND_TEXT: always well-formed UTF-8), `WM_HINTS`, and the pixels of an icon
// pixmap in a layout the input's first bytes choose.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/x11/X11Icon.h"
#include "platform/x11/X11Properties.h"

using namespace platform::x11;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto values = decodeCardinals(32, data, size);
    if (auto icon = chooseIcon(values)) {
        auto first = icon->pixels - values.data();
        if (first < 2 || std::size_t(first) + std::size_t(icon->width) * icon->height > values.size())
            std::abort();
        if (encodePNG(icon->pixels, icon->width, icon->height).compare(1, 3, "PNG") != 0) std::abort();
    }
    decodeIconHints(values);
    auto text = decodeText(8, data, size);
    auto windowClass = decodeWindowClass(text);
    if (windowClass.instance.size() + windowClass.className.size() > text.size()) std::abort();
    for (auto encoding : {TextEncoding::utf8, TextEncoding::latin1, TextEncoding::compoundText}) {
        auto decoded = decodeTextAs(encoding, text);
        if (repairedUTF8(decoded) != decoded) std::abort();
    }
    if (size >= 4) {
        ImageLayout layout{data[0], data[1], (data[2] & 1) != 0, (data[2] & 2) != 0};
        auto width = std::uint32_t(data[2] >> 2) + 1, height = std::uint32_t(data[3]) + 1;
        if (auto pixels = decodeImage(layout, width, height, data + 4, size - 4))
            if (pixels->size() != std::size_t(width) * height) std::abort();
    }
    return 0;
}
