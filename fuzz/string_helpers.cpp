// The string helpers on arbitrary bytes (UTF-8 or not).
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "Brindle/StringExtensions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const int length = static_cast<int>(size % 64);
    (void)Brindle::characters(text);
    (void)Brindle::characterCount(text);
    (void)Brindle::lowercased(text);
    (void)Brindle::utf16Length(text);
    (void)Brindle::convertOffset(text, length, Brindle::StringMode::toLetter);
    (void)Brindle::convertRange(text, length / 2, length, Brindle::StringMode::toBytes);
    (void)Brindle::isValidEmail(text);
    (void)Brindle::substring(text, length / 3, length);
    std::string copy(text);
    Brindle::replace(copy, length / 4, length / 2, "x");
    (void)Brindle::links(text);
    (void)Brindle::phoneNumbers(text);
    (void)Brindle::containsOnlyEmoji(text);
    (void)Brindle::emojiString(text);
    (void)Brindle::sha256(text);
    return 0;
}
