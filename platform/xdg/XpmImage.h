#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform::xdg {

// An XPM picture (the C-source image format of older programs' icons) as an SVG picture that
// draws the same pixels, so that it can be drawn like any other icon. None for what is no XPM
// picture, or one larger than 256 pixels a side. Pure, so that any bytes can be fed to it.
std::optional<std::string> svgFromXpm(std::string_view xpm);

}  // namespace platform::xdg
