// Other applications' Info.plist files in the binary form; every input is read as one.
#include <cstddef>
#include <cstdint>
#include <string>

#include "Velmora/tracking/PropertyList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (!bytes.starts_with("bplist")) bytes.insert(0, "bplist00");
    (void)Velmora::propertyListFromBytes(bytes);
    return 0;
}
