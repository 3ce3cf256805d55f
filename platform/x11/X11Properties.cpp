#include "platform/x11/X11Properties.h"

#include <algorithm>
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

namespace {

constexpr std::string_view replacement = "\xEF\xBF\xBD";

void appendCodePoint(std::string& text, std::uint32_t c) {
    if (c < 0x80) {
        text += static_cast<char>(c);
    } else if (c < 0x800) {
        text += static_cast<char>(0xC0 | (c >> 6));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        text += static_cast<char>(0xE0 | (c >> 12));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// What a graphic set of compound text holds: the two the text can show, or another one whose
// characters (of one or two bytes) are replaced.
enum class CharacterSet { ascii, latin1, other, otherDouble };

std::string decodeCompoundText(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    auto left = CharacterSet::ascii, right = CharacterSet::latin1;
    const auto size = bytes.size();
    auto byte = [&](std::size_t at) { return static_cast<unsigned char>(bytes[at]); };
    for (std::size_t at = 0; at < size;) {
        auto c = byte(at);
        if (c == 0x1B) {
            // An escape sequence: intermediates, then a final byte.
            std::size_t end = at + 1;
            while (end < size && byte(end) >= 0x20 && byte(end) <= 0x2F) ++end;
            if (end >= size) break;
            auto sequence = bytes.substr(at + 1, end - at);
            at = end + 1;
            if (sequence == "%G") {
                // UTF-8 up to the sequence that ends it.
                auto stop = bytes.find("\x1B%@", at);
                auto segment =
                    bytes.substr(at, stop == std::string_view::npos ? std::string_view::npos : stop - at);
                text += repairedUTF8(segment);
                at = stop == std::string_view::npos ? size : stop + 3;
            } else if (sequence.size() == 3 && sequence.substr(0, 2) == "%/" && at + 2 <= size) {
                // An extended segment of another encoding, its length in the next two bytes.
                auto length = std::size_t(byte(at) & 0x7F) * 128 + (byte(at + 1) & 0x7F);
                at = std::min(size, at + 2 + length);
                text += replacement;
            } else if (sequence == "(B" || sequence == "(J") {
                left = CharacterSet::ascii;
            } else if (sequence == "-A") {
                right = CharacterSet::latin1;
            } else if (sequence.size() == 2 && sequence[0] == '(') {
                left = CharacterSet::other;
            } else if (sequence.size() == 2 && (sequence[0] == ')' || sequence[0] == '-')) {
                right = CharacterSet::other;
            } else if ((sequence.size() == 3 && sequence.substr(0, 2) == "$(") ||
                       (sequence.size() == 2 && sequence[0] == '$')) {
                left = CharacterSet::otherDouble;
            } else if (sequence.size() == 3 && sequence.substr(0, 2) == "$)") {
                right = CharacterSet::otherDouble;
            }
            continue;
        }
        if (c == 0x9B) {
            // A direction mark: parameters, intermediates, then a final byte.
            ++at;
            while (at < size && byte(at) >= 0x20 && byte(at) <= 0x3F) ++at;
            if (at < size) ++at;
            continue;
        }
        ++at;
        if (c == '\t' || c == '\n') {
            text += static_cast<char>(c);
            continue;
        }
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0)) continue;
        auto set = c == ' ' ? CharacterSet::ascii : c < 0x80 ? left : right;
        if (set == CharacterSet::ascii)
            text += static_cast<char>(c);
        else if (set == CharacterSet::latin1)
            appendCodePoint(text, c);
        else {
            // A double-byte character takes its second byte along.
            if (set == CharacterSet::otherDouble && at < size && (byte(at) & 0x7F) > 0x20 &&
                (byte(at) & 0x7F) < 0x7F)
                ++at;
            text += replacement;
        }
    }
    return text;
}

}  // namespace

std::string repairedUTF8(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    const auto size = bytes.size();
    for (std::size_t at = 0; at < size;) {
        auto c = static_cast<unsigned char>(bytes[at]);
        if (c < 0x80) {
            text += static_cast<char>(c);
            ++at;
            continue;
        }
        // The length a lead byte announces, and the range its first continuation byte must lie in
        // (no overlong forms, surrogates or values past U+10FFFF).
        std::size_t length = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF)
            length = 2;
        else if (c >= 0xE0 && c <= 0xEF)
            length = 3, low = c == 0xE0 ? 0xA0 : 0x80, high = c == 0xED ? 0x9F : 0xBF;
        else if (c >= 0xF0 && c <= 0xF4)
            length = 4, low = c == 0xF0 ? 0x90 : 0x80, high = c == 0xF4 ? 0x8F : 0xBF;
        std::size_t valid = 1;
        while (length && valid < length && at + valid < size) {
            auto next = static_cast<unsigned char>(bytes[at + valid]);
            if (valid == 1 ? (next < low || next > high) : (next < 0x80 || next > 0xBF)) break;
            ++valid;
        }
        if (length && valid == length)
            text.append(bytes.substr(at, length));
        else
            text += replacement;
        at += valid;
    }
    return text;
}

std::string decodeTextAs(TextEncoding encoding, std::string_view bytes) {
    switch (encoding) {
        case TextEncoding::latin1: {
            std::string text;
            text.reserve(bytes.size() * 2);
            for (unsigned char c : bytes) appendCodePoint(text, c);
            return text;
        }
        case TextEncoding::compoundText:
            return decodeCompoundText(bytes);
        case TextEncoding::utf8:
            break;
    }
    return repairedUTF8(bytes);
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
