// Desktop entries through the program's own reader: any bytes end in an entry or none, and an
// entry always has a name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/xdg/DesktopEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (auto entry = platform::xdg::decodeDesktopEntry("fuzzed", "/fuzzed.desktop", bytes))
        if (entry->name.empty()) std::abort();
    return 0;
}
