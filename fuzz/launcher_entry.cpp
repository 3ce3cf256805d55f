// A launcher entry's "Update" parameters in their serialised form, as any program on the session bus
// may send them: decoded without harm, and whatever is decoded names a desktop file and carries a
// count a badge can show.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/xdg/LauncherBadges.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace platform::xdg;
    auto update = decodeLauncherUpdate(data, size);
    if (!update) return 0;
    if (!wellFormedDesktopId(update->desktopId)) {
        std::fprintf(stderr, "an update for no desktop file\n");
        std::abort();
    }
    if (update->count && (*update->count < minimumCount || *update->count > maximumCount)) {
        std::fprintf(stderr, "a count no badge can show\n");
        std::abort();
    }
    return 0;
}
