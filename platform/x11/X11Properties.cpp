#include "platform/x11/X11Properties.h"

#include <cstring>

namespace platform::x11 {

std::vector<std::uint32_t> decodeCardinals(std::uint8_t format, const void* data, std::size_t bytes) {
    if (format != 32 || !data) return {};
    std::vector<std::uint32_t> values(bytes / 4);
    if (!values.empty()) std::memcpy(values.data(), data, values.size() * 4);
    return values;
}

std::string decodeText(std::uint8_t format, const void* data, std::size_t bytes) {
    if (format != 8 || !data) return {};
    std::string value(static_cast<const char*>(data), bytes);
    while (!value.empty() && value.back() == '\0') value.pop_back();
    return value;
}

WindowClass decodeWindowClass(const std::string& text) {
    WindowClass result;
    auto split = text.find('\0');
    result.instance = text.substr(0, split);
    if (split != std::string::npos) result.className = text.substr(split + 1);
    return result;
}

std::optional<IconImage> chooseIcon(const std::vector<std::uint32_t>& values, std::uint32_t largest) {
    std::optional<IconImage> best;
    for (std::size_t i = 0; i + 2 <= values.size();) {
        auto width = values[i], height = values[i + 1];
        auto count = std::size_t(width) * height;
        if (!width || !height || count > values.size() - i - 2) break;
        bool better = !best || (best->width > largest ? width < best->width
                                                      : (width > best->width && width <= largest));
        if (better) best = IconImage{&values[i + 2], width, height};
        i += 2 + count;
    }
    return best;
}

}  // namespace platform::x11
