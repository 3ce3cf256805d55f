// ISO 8601 dates: whatever is read writes back to the same moment, and whatever moment is written
// (the input's first eight bytes as seconds) reads back.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "Brindle/DateExtensions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (auto date = Brindle::dateFromISO8601(text)) {
        auto written = Brindle::iso8601(*date);
        if (Brindle::dateFromISO8601(written) != date) {
            std::fprintf(stderr, "%s does not read back\n", written.c_str());
            std::abort();
        }
    }
    if (size >= sizeof(double)) {
        double seconds;
        std::memcpy(&seconds, data, sizeof seconds);
        auto written = Brindle::iso8601(platform::Date::fromTimeIntervalSince1970(seconds));
        if (!Brindle::dateFromISO8601(written)) {
            std::fprintf(stderr, "%s is not read\n", written.c_str());
            std::abort();
        }
    }
    return 0;
}
