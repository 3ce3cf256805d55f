// XPM icons of the pixmaps folders: any bytes give an SVG picture or none, and a picture is
// bounded by the largest side read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/xdg/XpmImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto svg = platform::xdg::svgFromXpm(std::string_view(reinterpret_cast<const char*>(data), size));
    // One rectangle of at most ~90 bytes per pixel of a 256 x 256 picture.
    if (svg && (!svg->starts_with("<svg") || svg->size() > 256u * 256u * 96u + 256u)) std::abort();
    return 0;
}
