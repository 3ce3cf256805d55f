#pragma once
// Pure decoders of window property replies: the bytes a property reply carries in, values out.
// They never talk to a server, so any bytes may be fed to them.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform::x11 {

// The 32-bit values of a property of format 32; none for any other format. A trailing partial
// value is ignored.
std::vector<std::uint32_t> decodeCardinals(std::uint8_t format, const void* data, std::size_t bytes);

// The text of a property of format 8 without its trailing NULs; empty for any other format.
std::string decodeText(std::uint8_t format, const void* data, std::size_t bytes);

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
