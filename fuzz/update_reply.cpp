// The update server's reply, and the download address it names.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string_view>

#include "Brindle/JSONCoding.h"
#include "Velmora/settings/UpdateResponse.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        auto reply = Brindle::decodeJSON<Velmora::UpdateResponse>(
            std::string_view(reinterpret_cast<const char*>(data), size));
        (void)reply.latest.downloadURL();
        (void)reply.required.downloadURL();
        (void)Brindle::encodeJSON(reply);
    } catch (const std::exception&) {}
    return 0;
}
