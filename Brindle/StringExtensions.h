#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Text helpers over UTF-8 `std::string`. A character is one extended grapheme cluster, a scalar one
// Unicode scalar value, a UTF-16 unit one 16-bit code unit. Offsets given to the substring helpers
// count characters. Ill-formed UTF-8 is read as U+FFFD and never stops anything.
namespace Brindle {

// One character: a grapheme cluster in UTF-8.
using Character = std::string;

enum class StringMode {
    toLetter,  // a UTF-16 position to a character position (subtract)
    toBytes,   // a character position to a UTF-16 position (add)
    none,
};

// The kinds of text checking the detectors use, with the platform's numbers.
enum class TextCheckingType : std::uint64_t { link = 32, phoneNumber = 2048 };
const std::vector<TextCheckingType>& detectorTypes();

struct TextRange {
    int location = 0;
    int length = 0;
    friend bool operator==(const TextRange&, const TextRange&) = default;
};

std::vector<Character> characters(std::string_view text);
int characterCount(std::string_view text);
std::vector<char32_t> unicodeScalars(std::string_view text);
// Locale-independent Unicode lower-casing.
std::string lowercased(std::string_view text);

int extraUTF16Units(std::string_view text);
int utf16Length(std::string_view text);
int convertOffset(std::string_view text, int offset, StringMode mode);
TextRange convertRange(std::string_view text, int location, int length, StringMode mode);

bool isValidEmail(std::string_view text);

// Clamped to the text; an end at or before the start gives "".
std::string substring(std::string_view text, int from, int to);
std::string substringAt(std::string_view text, int index);
std::string substringFrom(std::string_view text, int from);
std::string substringTo(std::string_view text, int to);
// Replaces `length` characters from `from`, both clamped to the text.
void replace(std::string& text, int from, int length, std::string_view with);

// Addresses found in the text: scheme addresses as written, "www." ones with "http://" in front,
// e-mail addresses as "mailto:" addresses.
std::vector<std::string> links(std::string_view text);
// Phone numbers as written in the text, read for the region of the current locale ("US" if none).
std::vector<std::string> phoneNumbers(std::string_view text);

std::optional<char32_t> firstUnicodeScalar(std::string_view character);
bool isSimpleEmoji(std::string_view character);
bool isCombinedIntoEmoji(std::string_view character);
bool isEmoji(std::string_view character);
bool containsEmoji(std::string_view text);
bool containsOnlyEmoji(std::string_view text);
bool isSingleEmoji(std::string_view text);
std::vector<Character> emojis(std::string_view text);
std::string emojiString(std::string_view text);
std::vector<char32_t> emojiScalars(std::string_view text);

// 32 bytes.
std::vector<std::uint8_t> sha256(std::span<const std::uint8_t> data);
// Two lower-case hexadecimal digits per byte.
std::string hexString(std::span<const std::uint8_t> data);
// The digest of the text's UTF-8 bytes as 64 lower-case hexadecimal digits.
std::string sha256(std::string_view text);

}  // namespace Brindle
