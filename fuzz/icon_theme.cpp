// An icon theme's index.theme: whatever it says, the folders it describes measure their distance
// to any icon size without overflow, and a fitting folder is at distance 0.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/xdg/IconTheme.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto description = platform::xdg::IconTheme::describe(bytes);
    if (!description) return 0;
    for (const auto& directory : description->directories) {
        if (directory.size <= 0 || directory.minSize < 0 || directory.maxSize < 0 || directory.threshold < 0)
            std::abort();
        for (int wanted : {INT_MIN, -1, 0, 1, 16, 48, 256, INT_MAX})
            if (directory.distance(wanted) < 0) std::abort();
    }
    return 0;
}
