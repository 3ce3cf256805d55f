// Settings kept as data values in the user defaults, decoded as the settings and the update check
// read them: Booleans, integers, the pinned addresses and the cached update reply.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <nlohmann/json.hpp>
#include <string_view>

#include "Brindle/JSONCoding.h"
#include "Velmora/settings/UpdateResponse.h"
#include "platform/foundation/URL.h"

namespace {

template <class T>
void decode(std::string_view data) {
    try {
        (void)Brindle::decodeJSON<T>(data);
    } catch (const std::exception&) {}
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    decode<bool>(bytes);
    decode<std::int64_t>(bytes);
    decode<Velmora::UpdateResponse>(bytes);
    try {
        auto pinned = Brindle::parseJSON(bytes);
        if (pinned.is_array()) {
            for (const auto& element : pinned)
                if (element.is_string()) (void)platform::URL::fromString(element.get<std::string>());
        }
    } catch (const std::exception&) {}
    return 0;
}
