// The user defaults file.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/foundation/UserDefaults.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    (void)platform::UserDefaults::decodedFile(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
