// Other applications' Info.plist files in XML.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "Velmora/tracking/PropertyList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (bytes.starts_with("bplist")) return 0;
    (void)Velmora::propertyListFromBytes(bytes);
    return 0;
}
