#pragma once
// The icons of windows: `_NET_WM_ICON`, else the `WM_HINTS` icon pixmap and mask, read from the
// display, as PNG images.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/system/Image.h"

namespace platform::x11 {

class X11Connection;

// A PNG of ARGB pixels (as `_NET_WM_ICON` holds them).
std::string encodePNG(const std::uint32_t* argb, std::uint32_t width, std::uint32_t height);

// How the server lays out the pixels of an image of one depth (its pixmap format and the setup's
// byte and bit order).
struct ImageLayout {
    std::uint8_t bitsPerPixel = 0;
    std::uint8_t scanlinePad = 32;
    bool lsbFirstBytes = true;
    bool lsbFirstBits = true;
};

// The ARGB pixels of an image's bytes as the server sends them: one bit a pixel is black on white,
// 24 and 32 bits a pixel are RGB (the usual true-colour masks), all opaque. None when the bytes
// are too few or the layout is none of these.
std::optional<std::vector<std::uint32_t>> decodeImage(const ImageLayout& layout, std::uint32_t width,
                                                      std::uint32_t height, const void* data,
                                                      std::size_t bytes);

// The icon pixmap and mask a `WM_HINTS` property names (0 where it names none).
struct IconHints {
    std::uint32_t pixmap = 0;
    std::uint32_t mask = 0;
};
IconHints decodeIconHints(const std::vector<std::uint32_t>& values);

// The icon of the first of the windows that has a `_NET_WM_ICON`, else of the first whose
// `WM_HINTS` names an icon pixmap (with its mask's see-through pixels).
std::optional<Image> readWindowIcon(X11Connection& connection, const std::vector<std::uint32_t>& windows);

// What an application shows when nothing gives it an icon: a plain window.
Image placeholderIcon();

}  // namespace platform::x11
