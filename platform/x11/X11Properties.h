#pragma once
// Pure decoders of window property replies: the bytes a property reply carries in, values out.
// They never talk to a server, so any bytes may be fed to them.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::x11 {

// The 32-bit values of a property of format 32; none for any other format. A trailing partial
// value is ignored.
std::vector<std::uint32_t> decodeCardinals(std::uint8_t format, const void* data, std::size_t bytes);

// The text of a property of format 8 without its trailing NULs; empty for any other format.
std::string decodeText(std::uint8_t format, const void* data, std::size_t bytes);

// How a text property's bytes are written, by the property's type: UTF8_STRING, STRING (ISO 8859-1)
// or COMPOUND_TEXT. Any other type is read as UTF-8.
enum class TextEncoding { utf8, latin1, compoundText };

// The text as UTF-8. Ill-formed UTF-8 becomes U+FFFD, never passed on. Compound text is read as
// Xlib writes it: ASCII and the right half of ISO 8859-1 (its initial state), the other right halves
// of ISO 8859 and the double-byte sets of Chinese, Japanese and Korean named by their escapes, UTF-8
// segments (ESC % G ... ESC % @), tab and newline; a character of any other set becomes U+FFFD,
// other controls and direction marks are dropped.
std::string decodeTextAs(TextEncoding encoding, std::string_view bytes);
// Well-formed UTF-8: each ill-formed sequence (its longest valid start) becomes one U+FFFD.
std::string repairedUTF8(std::string_view bytes);

// `WM_CLASS`: the instance, a NUL, the class.
struct WindowClass {
    std::string instance;
    std::string className;
};
WindowClass decodeWindowClass(const std::string& text);

// One image of `_NET_WM_ICON`: width, height, then width * height ARGB pixels.
struct IconImage {
    const std::uint32_t* pixels = nullptr;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// The image of `_NET_WM_ICON` values to show: the largest up to `largest` pixels wide, else the
// smallest above it. Reading stops at the first image whose size does not fit what remains.
std::optional<IconImage> chooseIcon(const std::vector<std::uint32_t>& values, std::uint32_t largest = 128);

}  // namespace platform::x11
