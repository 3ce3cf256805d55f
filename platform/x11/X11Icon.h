#pragma once
// The icons of windows: `_NET_WM_ICON` read from the display, as PNG images.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/system/Image.h"

namespace platform::x11 {

class X11Connection;

// A PNG of ARGB pixels (as `_NET_WM_ICON` holds them).
std::string encodePNG(const std::uint32_t* argb, std::uint32_t width, std::uint32_t height);

// The icon of the first of the windows that has one.
std::optional<Image> readWindowIcon(X11Connection& connection, const std::vector<std::uint32_t>& windows);

// What an application shows when nothing gives it an icon: a plain window.
Image placeholderIcon();

}  // namespace platform::x11
