#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <optional>

#include "platform/system/Image.h"

namespace platform::x11 {

// The picture of one window as it shows now, as a PNG of its pixels. Where a compositing manager
// runs, the picture comes from the window's off-screen copy, so windows in front of it do not
// show; otherwise from the screen. None when the window does not exist, is not shown, is at most
// one pixel by one, or its pixels cannot be read.
std::optional<Image> windowImage(xcb_connection_t* connection, xcb_window_t window);

}  // namespace platform::x11
