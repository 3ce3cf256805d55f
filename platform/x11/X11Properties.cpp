#include "platform/x11/X11Properties.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <cstring>
#include <utility>

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

// A graphic set of compound text: ASCII, the right half of ISO 8859-1, one that ICU converts (another
// right half of ISO 8859, or a double-byte set read in its EUC form), or one read as nothing (each
// character replaced).
struct CharacterSet {
    enum class Kind { ascii, latin1, converted, unknown };
    Kind kind = Kind::ascii;
    const char* converter = nullptr;
    std::size_t width = 1;
};

// The 96-character set an escape's final byte names for the right half.
CharacterSet rightHalf(char final) {
    static const std::pair<char, const char*> sets[] = {
        {'B', "ISO-8859-2"},  {'C', "ISO-8859-3"},  {'D', "ISO-8859-4"},  {'F', "ISO-8859-7"},
        {'G', "ISO-8859-6"},  {'H', "ISO-8859-8"},  {'L', "ISO-8859-5"},  {'M', "ISO-8859-9"},
        {'V', "ISO-8859-10"}, {'Y', "ISO-8859-13"}, {'_', "ISO-8859-14"}, {'b', "ISO-8859-15"},
        {'f', "ISO-8859-16"}};
    if (final == 'A') return {CharacterSet::Kind::latin1};
    for (const auto& [name, converter] : sets)
        if (name == final) return {CharacterSet::Kind::converted, converter};
    return {CharacterSet::Kind::unknown};
}

// The double-byte set an escape's final byte names (GB 2312, JIS X 0208, KS C 5601).
CharacterSet doubleByte(char final) {
    const char* converter = final == 'A'                   ? "EUC-CN"
                            : final == 'B' || final == '@' ? "EUC-JP"
                            : final == 'C'                 ? "EUC-KR"
                                                           : nullptr;
    return {converter ? CharacterSet::Kind::converted : CharacterSet::Kind::unknown, converter, 2};
}

// Bytes of one set through ICU's converter, as UTF-8; what it cannot read becomes U+FFFD.
void appendConverted(std::string& text, const char* name, const std::string& bytes) {
    UErrorCode status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(name, &status);
    std::vector<UChar> units(bytes.size() + 1);
    std::int32_t length = 0;
    if (U_SUCCESS(status))
        length = ucnv_toUChars(converter, units.data(), static_cast<std::int32_t>(units.size()), bytes.data(),
                               static_cast<std::int32_t>(bytes.size()), &status);
    if (converter) ucnv_close(converter);
    if (U_FAILURE(status)) {
        text += replacement;
        return;
    }
    std::string utf8(static_cast<std::size_t>(length) * 3, '\0');
    std::int32_t written = 0;
    u_strToUTF8WithSub(utf8.data(), static_cast<std::int32_t>(utf8.size()), &written, units.data(), length,
                       0xFFFD, nullptr, &status);
    if (U_SUCCESS(status)) text.append(utf8.data(), static_cast<std::size_t>(written));
}

std::string decodeCompoundText(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    CharacterSet left, right{CharacterSet::Kind::latin1};
    // Bytes of one converted set, converted together.
    std::string run;
    const char* runConverter = nullptr;
    const auto flush = [&] {
        if (!run.empty()) appendConverted(text, runConverter, run);
        run.clear();
    };
    const auto size = bytes.size();
    auto byte = [&](std::size_t at) { return static_cast<unsigned char>(bytes[at]); };
    for (std::size_t at = 0; at < size;) {
        auto c = byte(at);
        if (c == 0x1B) {
            flush();
            // An escape sequence: intermediates, then a final byte.
            std::size_t end = at + 1;
            while (end < size && byte(end) >= 0x20 && byte(end) <= 0x2F) ++end;
            if (end >= size) break;
            auto sequence = bytes.substr(at + 1, end - at);
            at = end + 1;
            auto final = sequence.back();
            auto intermediates = sequence.substr(0, sequence.size() - 1);
            if (sequence == "%G") {
                // UTF-8 up to the sequence that ends it.
                auto stop = bytes.find("\x1B%@", at);
                auto segment =
                    bytes.substr(at, stop == std::string_view::npos ? std::string_view::npos : stop - at);
                text += repairedUTF8(segment);
                at = stop == std::string_view::npos ? size : stop + 3;
            } else if (intermediates == "%/" && at + 2 <= size) {
                // An extended segment of another encoding, its length in the next two bytes.
                auto length = std::size_t(byte(at) & 0x7F) * 128 + (byte(at + 1) & 0x7F);
                at = std::min(size, at + 2 + length);
                text += replacement;
            } else if (intermediates == "(") {
                left =
                    final == 'B' || final == 'J' ? CharacterSet{} : CharacterSet{CharacterSet::Kind::unknown};
            } else if (intermediates == "-") {
                right = rightHalf(final);
            } else if (intermediates == ")") {
                right = {CharacterSet::Kind::unknown};
            } else if (intermediates == "$(" || intermediates == "$") {
                left = doubleByte(final);
            } else if (intermediates == "$)") {
                right = doubleByte(final);
            }
            continue;
        }
        if (c == 0x9B) {
            flush();
            // A direction mark: parameters, intermediates, then a final byte.
            ++at;
            while (at < size && byte(at) >= 0x20 && byte(at) <= 0x3F) ++at;
            if (at < size) ++at;
            continue;
        }
        ++at;
        if (c < 0x21 || c == 0x7F || (c >= 0x80 && c < 0xA0)) {
            flush();
            // Of the controls, tab and newline are kept.
            if (c == '\t' || c == '\n' || c == ' ') text += static_cast<char>(c);
            continue;
        }
        const auto& set = c < 0x80 ? left : right;
        // The other bytes of a double-byte character, from the same half.
        std::string character(1, static_cast<char>(c | 0x80));
        while (character.size() < set.width && at < size && (byte(at) & 0x80) == (c & 0x80) &&
               (byte(at) & 0x7F) > 0x20 && (byte(at) & 0x7F) < 0x7F)
            character += static_cast<char>(byte(at++) | 0x80);
        if (set.kind == CharacterSet::Kind::converted) {
            if (runConverter != set.converter) flush();
            runConverter = set.converter;
            run += character;
            continue;
        }
        flush();
        if (set.kind == CharacterSet::Kind::ascii)
            text += static_cast<char>(c);
        else if (set.kind == CharacterSet::Kind::latin1)
            appendCodePoint(text, c);
        else
            text += replacement;
    }
    flush();
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
