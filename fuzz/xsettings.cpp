// The bytes of an XSETTINGS owner's `_XSETTINGS_SETTINGS` property: any bytes decode to settings
// or to none, without reading past them.
#include "platform/x11/XSettings.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::x11::decodeXSettings(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
