#include "Brindle/StringExtensions.h"

#include <openssl/evp.h>
#include <phonenumbers/phonenumbermatch.h>
#include <phonenumbers/phonenumbermatcher.h>
#include <phonenumbers/phonenumberutil.h>
#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/regex.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <climits>
#include <memory>

namespace Brindle {

namespace {

// Byte offsets of the character boundaries, from 0 to the text's size.
std::vector<std::size_t> characterBoundaries(std::string_view text) {
    std::vector<std::size_t> boundaries{0};
    if (text.empty()) return boundaries;

    // Opening a break iterator loads rule data, so each thread keeps one.
    thread_local std::unique_ptr<icu::BreakIterator> iterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> made(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status)) made.reset();
        return made;
    }();

    UErrorCode status = U_ZERO_ERROR;
    icu::LocalUTextPointer utext(
        utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status));
    if (iterator && U_SUCCESS(status)) iterator->setText(utext.getAlias(), status);
    if (!iterator || U_FAILURE(status)) {
        // Without ICU's rules every scalar stands alone.
        std::int64_t at = 0;
        const auto size = static_cast<std::int64_t>(text.size());
        while (at < size) {
            UChar32 c;
            U8_NEXT(text.data(), at, size, c);
            boundaries.push_back(static_cast<std::size_t>(at));
        }
        return boundaries;
    }
    for (int32_t at = iterator->next(); at != icu::BreakIterator::DONE; at = iterator->next())
        boundaries.push_back(static_cast<std::size_t>(at));
    return boundaries;
}

int utf16LengthOfCharacter(std::string_view character) {
    int units = 0;
    std::int64_t at = 0;
    const auto size = static_cast<std::int64_t>(character.size());
    while (at < size) {
        UChar32 c;
        U8_NEXT(character.data(), at, size, c);
        units += c > 0xFFFF ? 2 : 1;
    }
    return units;
}

// UTF-16 lengths of the characters, in order.
std::vector<int> characterUTF16Lengths(std::string_view text) {
    const auto boundaries = characterBoundaries(text);
    std::vector<int> lengths;
    lengths.reserve(boundaries.size() - 1);
    for (std::size_t i = 0; i + 1 < boundaries.size(); ++i)
        lengths.push_back(
            utf16LengthOfCharacter(text.substr(boundaries[i], boundaries[i + 1] - boundaries[i])));
    return lengths;
}

int clampToInt(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

std::string substringOfCharacters(std::string_view text, std::int64_t from, std::int64_t to) {
    const auto boundaries = characterBoundaries(text);
    const auto count = static_cast<std::int64_t>(boundaries.size()) - 1;
    const std::int64_t start = std::max<std::int64_t>(0, std::min(from, count));
    const std::int64_t end = to < 0 ? 0 : std::min(to, count);
    if (end <= start) return {};
    return std::string(text.substr(boundaries[start], boundaries[end] - boundaries[start]));
}

icu::UnicodeString unicodeString(std::string_view text) {
    return icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<int32_t>(std::min<std::size_t>(text.size(), INT32_MAX))));
}

std::string utf8(const icu::UnicodeString& text) {
    std::string result;
    text.toUTF8String(result);
    return result;
}

// Compiled once and shared: a pattern is immutable, each use makes its own matcher.
const icu::RegexPattern* compile(const char* source) {
    UErrorCode status = U_ZERO_ERROR;
    UParseError error;
    auto* pattern = icu::RegexPattern::compile(icu::UnicodeString::fromUTF8(source), error, status);
    return U_SUCCESS(status) ? pattern : nullptr;
}

// Drops punctuation that ends a sentence rather than the address, and a closing bracket that
// closes text around it.
std::string trimAddress(std::string address) {
    while (!address.empty()) {
        const char last = address.back();
        const bool unbalanced = last == ')' && std::count(address.begin(), address.end(), '(') <
                                                   std::count(address.begin(), address.end(), ')');
        if (std::string_view(".,;:!?'\"").find(last) == std::string_view::npos && !unbalanced) break;
        address.pop_back();
    }
    return address;
}

std::string regionOfCurrentLocale() {
    const char* country = icu::Locale::getDefault().getCountry();
    return country && *country ? country : "US";
}

}  // namespace

const std::vector<TextCheckingType>& detectorTypes() {
    static const std::vector<TextCheckingType> types{TextCheckingType::link, TextCheckingType::phoneNumber};
    return types;
}

std::vector<Character> characters(std::string_view text) {
    const auto boundaries = characterBoundaries(text);
    std::vector<Character> result;
    result.reserve(boundaries.size() - 1);
    for (std::size_t i = 0; i + 1 < boundaries.size(); ++i)
        result.emplace_back(text.substr(boundaries[i], boundaries[i + 1] - boundaries[i]));
    return result;
}

int characterCount(std::string_view text) { return static_cast<int>(characterBoundaries(text).size() - 1); }

std::vector<char32_t> unicodeScalars(std::string_view text) {
    std::vector<char32_t> scalars;
    std::int64_t at = 0;
    const auto size = static_cast<std::int64_t>(text.size());
    while (at < size) {
        UChar32 c;
        U8_NEXT(text.data(), at, size, c);
        scalars.push_back(c < 0 ? 0xFFFD : static_cast<char32_t>(c));
    }
    return scalars;
}

std::string lowercased(std::string_view text) {
    return utf8(unicodeString(text).toLower(icu::Locale::getRoot()));
}

int extraUTF16Units(std::string_view text) {
    int extra = 0;
    for (int length : characterUTF16Lengths(text)) extra += std::max(0, length - 1);
    return extra;
}

int utf16Length(std::string_view text) {
    int length = 0;
    for (int units : characterUTF16Lengths(text)) length += units;
    return length;
}

int convertOffset(std::string_view text, int offset, StringMode mode) {
    if (mode == StringMode::none) return offset;
    const auto lengths = characterUTF16Lengths(text);
    std::int64_t extra = 0;
    for (int index = 0; index < static_cast<int>(lengths.size()) && index < offset; ++index)
        extra += std::max(0, lengths[index] - 1);
    return clampToInt(mode == StringMode::toLetter ? offset - extra : offset + extra);
}

// Every character that spans several units adds one, however many it spans, and the character at
// the end counts too; callers rely on these exact figures.
TextRange convertRange(std::string_view text, int location, int length, StringMode mode) {
    if (mode == StringMode::none) return {location, length};
    const auto lengths = characterUTF16Lengths(text);
    const std::int64_t end = std::int64_t{location} + length;
    int count = 0;
    for (std::int64_t index = 0; index < static_cast<std::int64_t>(lengths.size()) && index <= end; ++index)
        if (lengths[index] > 1) ++count;
    if (mode == StringMode::toLetter) return {clampToInt(std::int64_t{location} - count), length};
    return {location, clampToInt(std::int64_t{length} + count)};
}

bool isValidEmail(std::string_view text) {
    static const icu::RegexPattern* pattern = compile("[A-Z0-9a-z._%+-]+@[A-Za-z0-9.-]+\\.[A-Za-z]{2,64}");
    if (!pattern) return false;
    const auto input = unicodeString(text);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(input, status));
    if (U_FAILURE(status)) return false;
    const bool matches = matcher->matches(status);
    return U_SUCCESS(status) && matches;
}

std::string substring(std::string_view text, int from, int to) {
    return substringOfCharacters(text, from, to);
}

std::string substringAt(std::string_view text, int index) {
    return substringOfCharacters(text, index, std::int64_t{index} + 1);
}

std::string substringFrom(std::string_view text, int from) {
    return substringOfCharacters(text, from, INT64_MAX);
}

std::string substringTo(std::string_view text, int to) {
    return substringOfCharacters(text, 0, std::max(to, 0));
}

void replace(std::string& text, int from, int length, std::string_view with) {
    const auto boundaries = characterBoundaries(text);
    const auto count = static_cast<std::int64_t>(boundaries.size()) - 1;
    const std::int64_t start = std::clamp<std::int64_t>(from, 0, count);
    const std::int64_t end = std::clamp<std::int64_t>(std::int64_t{from} + length, start, count);
    text.replace(boundaries[start], boundaries[end] - boundaries[start], with);
}

std::vector<std::string> links(std::string_view text) {
    // The look-behinds let a match start only where a run of its characters starts, which keeps the
    // scan linear on long words.
    static const icu::RegexPattern* pattern = compile(
        "(?<![A-Za-z0-9+.\\-])([A-Za-z][A-Za-z0-9+.\\-]*+://[^\\s<>\"]+)"
        "|(?<![A-Za-z0-9.\\-])((?i:www)\\.[^\\s<>\"]+)"
        "|(?<![A-Za-z0-9._%+\\-])([A-Za-z0-9._%+\\-]++@[A-Za-z0-9.\\-]+\\.[A-Za-z]{2,64})");
    std::vector<std::string> found;
    if (!pattern) return found;
    const auto input = unicodeString(text);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(input, status));
    if (U_FAILURE(status)) return found;
    while (matcher->find(status) && U_SUCCESS(status)) {
        if (matcher->start(1, status) >= 0) {
            auto address = trimAddress(utf8(matcher->group(1, status)));
            if (!address.ends_with("://")) found.push_back(std::move(address));
        } else if (matcher->start(2, status) >= 0) {
            auto address = trimAddress(utf8(matcher->group(2, status)));
            if (address.size() > 4) found.push_back("http://" + address);
        } else {
            found.push_back("mailto:" + utf8(matcher->group(3, status)));
        }
    }
    return found;
}

std::vector<std::string> phoneNumbers(std::string_view text) {
    using i18n::phonenumbers::PhoneNumberMatch;
    using i18n::phonenumbers::PhoneNumberMatcher;
    using i18n::phonenumbers::PhoneNumberUtil;
    std::vector<std::string> found;
    PhoneNumberMatcher matcher(*PhoneNumberUtil::GetInstance(), std::string(text), regionOfCurrentLocale(),
                               PhoneNumberMatcher::VALID, INT_MAX);
    PhoneNumberMatch match;
    while (matcher.HasNext() && matcher.Next(&match)) found.push_back(match.raw_string());
    return found;
}

std::optional<char32_t> firstUnicodeScalar(std::string_view character) {
    if (character.empty()) return std::nullopt;
    std::int64_t at = 0;
    UChar32 c;
    U8_NEXT(character.data(), at, static_cast<std::int64_t>(character.size()), c);
    return c < 0 ? 0xFFFD : static_cast<char32_t>(c);
}

namespace {
bool hasEmojiProperty(char32_t scalar) {
    return u_hasBinaryProperty(static_cast<UChar32>(scalar), UCHAR_EMOJI);
}
}  // namespace

// Digits, '#', '*' and a few symbols at or below U+238C carry the emoji property but stand for
// themselves unless combined into a sequence.
bool isSimpleEmoji(std::string_view character) {
    const auto first = firstUnicodeScalar(character);
    return first && hasEmojiProperty(*first) && *first > 0x238C;
}

bool isCombinedIntoEmoji(std::string_view character) {
    const auto scalars = unicodeScalars(character);
    return scalars.size() >= 2 && hasEmojiProperty(scalars.front());
}

bool isEmoji(std::string_view character) {
    return isSimpleEmoji(character) || isCombinedIntoEmoji(character);
}

bool containsEmoji(std::string_view text) {
    const auto all = characters(text);
    return std::any_of(all.begin(), all.end(), [](const Character& c) { return isEmoji(c); });
}

bool containsOnlyEmoji(std::string_view text) {
    const auto all = characters(text);
    return !all.empty() && std::all_of(all.begin(), all.end(), [](const Character& c) { return isEmoji(c); });
}

bool isSingleEmoji(std::string_view text) { return characterCount(text) == 1 && containsEmoji(text); }

std::vector<Character> emojis(std::string_view text) {
    std::vector<Character> result;
    for (auto& character : characters(text))
        if (isEmoji(character)) result.push_back(std::move(character));
    return result;
}

std::string emojiString(std::string_view text) {
    std::string result;
    for (const auto& character : emojis(text)) result += character;
    return result;
}

std::vector<char32_t> emojiScalars(std::string_view text) { return unicodeScalars(emojiString(text)); }

std::vector<std::uint8_t> sha256(std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> digest(32);
    unsigned int length = 0;
    // SHA-256 over memory in hand fails only when the library cannot allocate its context.
    EVP_Digest(data.data(), data.size(), digest.data(), &length, EVP_sha256(), nullptr);
    return digest;
}

std::string hexString(std::span<const std::uint8_t> data) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(data.size() * 2);
    for (std::uint8_t byte : data) {
        text.push_back(digits[byte >> 4]);
        text.push_back(digits[byte & 0x0F]);
    }
    return text;
}

std::string sha256(std::string_view text) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    return hexString(sha256(std::span<const std::uint8_t>(bytes, text.size())));
}

}  // namespace Brindle
