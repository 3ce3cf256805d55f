// A REST reply body, decoded as every reply body's base.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string_view>

#include "Brindle/JSONCoding.h"
#include "Brindle/RestTypes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        auto json = Brindle::parseJSON(std::string_view(reinterpret_cast<const char*>(data), size));
        auto body = Brindle::make<Brindle::EmptyResponse>();
        from_json(json, *body);
        nlohmann::json written;
        to_json(written, *body);
        (void)Brindle::dumpJSON(written);
    } catch (const std::exception&) {}
    return 0;
}
