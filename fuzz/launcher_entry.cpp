// A launcher entry's "Update" parameters in their serialised form, as any program on the session bus
// may send them: decoded without harm, and whatever is decoded names an application.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/xdg/LauncherBadges.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (auto update = platform::xdg::decodeLauncherUpdate(data, size); update && update->desktopId.empty()) {
        std::fprintf(stderr, "an update without an application\n");
        std::abort();
    }
    return 0;
}
