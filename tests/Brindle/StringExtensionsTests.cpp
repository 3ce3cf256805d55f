#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unicode/locid.h>

#include <string>

#include "Brindle/StringExtensions.h"

using namespace Brindle;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {
const std::string flag = "\U0001F1E9\U0001F1EA";    // one character, four UTF-16 units
const std::string thumbs = "\U0001F44D\U0001F3FD";  // thumbs up with a skin tone
const std::string keycap = "1\uFE0F\u20E3";         // digit, variation selector, combining keycap
const std::string family = "\U0001F468\u200D\U0001F469\u200D\U0001F467";
}  // namespace

TEST(StringExtensions, CountsCharactersAsGraphemeClusters) {
    EXPECT_EQ(characterCount(""), 0);
    EXPECT_EQ(characterCount("e\u0301" + flag + thumbs + family + keycap), 5);
    EXPECT_THAT(characters("a" + flag + "b"), ElementsAre("a", flag, "b"));
    // Ill-formed bytes are read, not trusted.
    EXPECT_GT(characterCount("a\xff\xfe"
                             "b"),
              1);
    EXPECT_EQ(lowercased("ÜBERSICHT"), "übersicht");
}

TEST(StringExtensions, SubstringsClampToTheText) {
    const std::string text = "abcdef";
    EXPECT_EQ(substring(text, 2, 100), "cdef");
    EXPECT_EQ(substring(text, -3, 2), "ab");
    EXPECT_EQ(substring(text, 4, 2), "");
    EXPECT_EQ(substring(text, 9, 12), "");
    EXPECT_EQ(substringTo(text, -1), "");
    EXPECT_EQ(substringTo(text, 3), "abc");
    EXPECT_EQ(substringFrom(text, 4), "ef");
    EXPECT_EQ(substringFrom(text, 10), "");
    EXPECT_EQ(substringAt("", 0), "");
    EXPECT_EQ(substringAt(text, 5), "f");
    EXPECT_EQ(substringAt(text, 2147483647), "");
    EXPECT_EQ(substring("a" + thumbs + "b", 1, 2), thumbs);
}

TEST(StringExtensions, ReplaceClampsStartAndLength) {
    auto replaced = [](std::string text, int from, int length, const std::string& with) {
        replace(text, from, length, with);
        return text;
    };
    EXPECT_EQ(replaced("abcdef", 1, 2, "XY"), "aXYdef");
    EXPECT_EQ(replaced("abcdef", 4, 10, "!"), "abcd!");
    EXPECT_EQ(replaced("abcdef", 10, 1, "!"), "abcdef!");
    EXPECT_EQ(replaced("abcdef", -2, 3, "Z"), "Zbcdef");
    EXPECT_EQ(replaced("abcdef", 2, -5, "x"), "abxcdef");
    EXPECT_EQ(replaced(thumbs + "x", 0, 1, "ok"), "okx");
}

TEST(StringExtensions, ConvertsBetweenCharacterAndUTF16Positions) {
    EXPECT_EQ(extraUTF16Units(flag), 3);
    EXPECT_EQ(utf16Length(flag), 4);
    EXPECT_EQ(utf16Length("a\u00e9" + flag), 6);
    EXPECT_EQ(convertOffset(flag, 1, StringMode::toBytes), 4);
    EXPECT_EQ(convertOffset(flag + "a", 4, StringMode::toLetter), 1);
    EXPECT_EQ(convertOffset(flag + "a", 0, StringMode::toBytes), 0);
    for (int offset : {-5, 0, 1, 9}) EXPECT_EQ(convertOffset(flag, offset, StringMode::none), offset);

    // Each multi-unit character adds one, whatever its length, the one at the end included.
    EXPECT_EQ(convertRange(flag, 0, 1, StringMode::toBytes), (TextRange{0, 2}));
    EXPECT_EQ(convertRange("ab" + thumbs, 0, 2, StringMode::toBytes), (TextRange{0, 3}));
    EXPECT_EQ(convertRange("ab" + thumbs, 0, 1, StringMode::toBytes), (TextRange{0, 1}));
    EXPECT_EQ(convertRange(flag + "ab", 3, 1, StringMode::toLetter), (TextRange{2, 1}));
    EXPECT_EQ(convertRange(flag, 3, 7, StringMode::none), (TextRange{3, 7}));
}

TEST(StringExtensions, ValidatesEmailAddressesAsAWhole) {
    EXPECT_TRUE(isValidEmail("first.last+tag@mail.example.co"));
    EXPECT_TRUE(isValidEmail("a@b." + std::string(64, 'x')));
    EXPECT_FALSE(isValidEmail("a@b." + std::string(65, 'x')));
    EXPECT_FALSE(isValidEmail("a@b.c"));
    EXPECT_FALSE(isValidEmail("a@localhost"));
    EXPECT_FALSE(isValidEmail("mail me: a@b.com"));
    EXPECT_FALSE(isValidEmail(""));
    EXPECT_FALSE(isValidEmail(std::string(100000, 'a')));
}

TEST(StringExtensions, FindsLinksAcrossTheWholeText) {
    EXPECT_THAT(links("Visit https://example.com/a?b=1, or www.site.org. Mail me@host.io!"),
                ElementsAre("https://example.com/a?b=1", "http://www.site.org", "mailto:me@host.io"));
    EXPECT_THAT(links("(see ftp://files.example.net/x) and mailto:who@where.org"),
                ElementsAre("ftp://files.example.net/x", "mailto:who@where.org"));
    // Emoji take two UTF-16 units each: a scan as long as the character count would cut this link.
    EXPECT_THAT(links("\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600 https://example.com/path/end"),
                ElementsAre("https://example.com/path/end"));
    EXPECT_THAT(links("no links here, just http:// and www."), IsEmpty());
    EXPECT_THAT(links(std::string(200000, 'a')), IsEmpty());
}

TEST(StringExtensions, FindsPhoneNumbersForTheLocaleRegion) {
    const icu::Locale previous = icu::Locale::getDefault();
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale("en"), status);  // no region: read as "US"
    EXPECT_THAT(phoneNumbers("Call (650) 253-0000 or +41 44 668 18 00 today."),
                ElementsAre("(650) 253-0000", "+41 44 668 18 00"));
    EXPECT_THAT(phoneNumbers("Call 044 668 18 00 today."), IsEmpty());

    icu::Locale::setDefault(icu::Locale("de", "CH"), status);
    EXPECT_THAT(phoneNumbers("Call 044 668 18 00 today."), ElementsAre("044 668 18 00"));
    icu::Locale::setDefault(previous, status);
    EXPECT_THAT(phoneNumbers("no numbers \xff here"), IsEmpty());
}

TEST(StringExtensions, ClassifiesEmojiAndKeycaps) {
    EXPECT_FALSE(isEmoji("1"));
    EXPECT_FALSE(isEmoji("#"));
    EXPECT_FALSE(isEmoji("\u00A9"));  // carries the property, but at or below U+238C
    EXPECT_FALSE(isEmoji("a"));
    EXPECT_FALSE(isEmoji(""));

    EXPECT_FALSE(isSimpleEmoji(keycap));
    EXPECT_TRUE(isCombinedIntoEmoji(keycap));
    EXPECT_TRUE(isEmoji(keycap));
    EXPECT_TRUE(isEmoji("\u00A9\uFE0F"));

    EXPECT_TRUE(isSimpleEmoji("\U0001F600"));
    EXPECT_FALSE(isCombinedIntoEmoji("\U0001F600"));
    EXPECT_TRUE(isSimpleEmoji(thumbs));
    EXPECT_TRUE(isCombinedIntoEmoji(thumbs));
    EXPECT_FALSE(isCombinedIntoEmoji("e\u0301"));

    EXPECT_EQ(firstUnicodeScalar(""), std::nullopt);
    EXPECT_EQ(firstUnicodeScalar(thumbs), U'\U0001F44D');
}

TEST(StringExtensions, FindsTheEmojiOfAText) {
    EXPECT_FALSE(containsOnlyEmoji(""));
    EXPECT_TRUE(containsOnlyEmoji(flag + family + keycap));
    EXPECT_FALSE(containsOnlyEmoji("\U0001F600 \U0001F600"));
    EXPECT_TRUE(containsEmoji("a\U0001F600"));
    EXPECT_FALSE(containsEmoji("abc 123 #"));

    EXPECT_TRUE(isSingleEmoji(family));
    EXPECT_FALSE(isSingleEmoji("\U0001F600\U0001F600"));
    EXPECT_FALSE(isSingleEmoji("1"));

    EXPECT_EQ(emojiString("a\U0001F600b" + thumbs + "c"), "\U0001F600" + thumbs);
    EXPECT_EQ(emojiString("plain"), "");
    EXPECT_THAT(emojis("x" + keycap + "y" + flag), ElementsAre(keycap, flag));
    EXPECT_THAT(emojiScalars("a\U0001F600b" + thumbs),
                ElementsAre(U'\U0001F600', U'\U0001F44D', U'\U0001F3FD'));
}

TEST(StringExtensions, Sha256IsTheStandardDigestInLowerCaseHex) {
    EXPECT_EQ(sha256(std::string_view("")),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(sha256(std::string_view("abc")),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(sha256(std::string_view(std::string(1000000, 'a'))),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");

    const std::vector<std::uint8_t> bytes{0x00, 0x0f, 0xa0, 0xff};
    EXPECT_EQ(hexString(bytes), "000fa0ff");
    EXPECT_EQ(hexString(std::vector<std::uint8_t>{}), "");
    EXPECT_EQ(sha256(bytes).size(), 32u);
}
