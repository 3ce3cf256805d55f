#include "Brindle/UTF8.h"

#include <unicode/utf8.h>

#include <cstdint>

namespace Brindle {

std::string decodingUTF8(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    std::int64_t at = 0;
    const auto size = static_cast<std::int64_t>(bytes.size());
    while (at < size) {
        const auto start = at;
        UChar32 c;
        U8_NEXT(bytes.data(), at, size, c);
        if (c < 0)
            text += "\xEF\xBF\xBD";
        else
            text.append(bytes.data() + start, static_cast<std::size_t>(at - start));
    }
    return text;
}

}  // namespace Brindle
