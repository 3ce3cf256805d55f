#include <gmock/gmock.h>
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
    EXPECT_GT(characterCount(std::string("a\xff\xfe") + "b"), 1);  // ill-formed bytes are read, not trusted
    EXPECT_EQ(lowercased("ÜBERSICHT"), "übersicht");
}

TEST(StringExtensions, SubstringsAndReplacementsClampToTheText) {
    const std::string text = "abcdef";
    auto replaced = [](std::string text, int from, int length, const std::string& with) {
        replace(text, from, length, with);
        return text;
    };
    using Texts = std::pair<std::string, std::string>;
    for (const auto& [actual, expected] :
         {Texts{substring(text, 2, 100), "cdef"}, Texts{substring(text, -3, 2), "ab"},
          Texts{substring(text, 4, 2), ""}, Texts{substring(text, 9, 12), ""},
          Texts{substringTo(text, -1), ""}, Texts{substringTo(text, 3), "abc"},
          Texts{substringFrom(text, 4), "ef"}, Texts{substringFrom(text, 10), ""},
          Texts{substringAt("", 0), ""}, Texts{substringAt(text, 5), "f"},
          Texts{substringAt(text, 2147483647), ""}, Texts{substring("a" + thumbs + "b", 1, 2), thumbs},
          Texts{replaced(text, 1, 2, "XY"), "aXYdef"}, Texts{replaced(text, 4, 10, "!"), "abcd!"},
          Texts{replaced(text, 10, 1, "!"), "abcdef!"}, Texts{replaced(text, -2, 3, "Z"), "Zbcdef"},
          Texts{replaced(text, 2, -5, "x"), "abxcdef"}, Texts{replaced(thumbs + "x", 0, 1, "ok"), "okx"}})
        EXPECT_EQ(actual, expected);
}

TEST(StringExtensions, ConvertsBetweenCharacterAndUTF16Positions) {
    using Counts = std::pair<int, int>;
    for (const auto& [actual, expected] :
         {Counts{extraUTF16Units(flag), 3}, Counts{utf16Length(flag), 4},
          Counts{utf16Length("a\u00e9" + flag), 6}, Counts{convertOffset(flag, 1, StringMode::toBytes), 4},
          Counts{convertOffset(flag + "a", 4, StringMode::toLetter), 1},
          Counts{convertOffset(flag + "a", 0, StringMode::toBytes), 0},
          Counts{convertOffset(flag, -5, StringMode::none), -5},
          Counts{convertOffset(flag, 9, StringMode::none), 9}})
        EXPECT_EQ(actual, expected);

    // Each multi-unit character adds one, whatever its length, the one at the end included.
    EXPECT_EQ(convertRange(flag, 0, 1, StringMode::toBytes), (TextRange{0, 2}));
    EXPECT_EQ(convertRange("ab" + thumbs, 0, 2, StringMode::toBytes), (TextRange{0, 3}));
    EXPECT_EQ(convertRange("ab" + thumbs, 0, 1, StringMode::toBytes), (TextRange{0, 1}));
    EXPECT_EQ(convertRange(flag + "ab", 3, 1, StringMode::toLetter), (TextRange{2, 1}));
    EXPECT_EQ(convertRange(flag, 3, 7, StringMode::none), (TextRange{3, 7}));
}

TEST(StringExtensions, ValidatesEmailAddressesAsAWhole) {
    using Email = std::pair<std::string, bool>;
    for (const auto& [address, valid] :
         {Email{"first.last+tag@mail.example.co", true}, Email{"a@b." + std::string(64, 'x'), true},
          Email{"a@b." + std::string(65, 'x'), false}, Email{"a@b.c", false}, Email{"a@localhost", false},
          Email{"mail me: a@b.com", false}, Email{"", false}, Email{std::string(100000, 'a'), false}})
        EXPECT_EQ(isValidEmail(address), valid) << address.substr(0, 40);
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

TEST(StringExtensions, ClassifiesAndFindsEmoji) {
    struct Case {
        std::string text;
        bool simple, combined;
    };
    // U+00A9 carries the emoji property, but at or below U+238C it is no simple emoji.
    for (const auto& c : {Case{"1", false, false}, Case{"#", false, false}, Case{"\u00A9", false, false},
                          Case{"a", false, false}, Case{"", false, false}, Case{keycap, false, true},
                          Case{"\u00A9\uFE0F", false, true}, Case{"\U0001F600", true, false},
                          Case{thumbs, true, true}, Case{"e\u0301", false, false}}) {
        EXPECT_EQ(isSimpleEmoji(c.text), c.simple) << c.text;
        EXPECT_EQ(isCombinedIntoEmoji(c.text), c.combined) << c.text;
        EXPECT_EQ(isEmoji(c.text), c.simple || c.combined) << c.text;
    }
    EXPECT_EQ(firstUnicodeScalar(""), std::nullopt);
    EXPECT_EQ(firstUnicodeScalar(thumbs), U'\U0001F44D');

    struct Text {
        std::string text;
        bool only, contains, single;
    };
    for (const auto& c :
         {Text{"", false, false, false}, Text{flag + family + keycap, true, true, false},
          Text{"\U0001F600 \U0001F600", false, true, false}, Text{"a\U0001F600", false, true, false},
          Text{"abc 123 #", false, false, false}, Text{family, true, true, true},
          Text{"\U0001F600\U0001F600", true, true, false}, Text{"1", false, false, false}}) {
        EXPECT_EQ(containsOnlyEmoji(c.text), c.only) << c.text;
        EXPECT_EQ(containsEmoji(c.text), c.contains) << c.text;
        EXPECT_EQ(isSingleEmoji(c.text), c.single) << c.text;
    }
    EXPECT_EQ(emojiString("a\U0001F600b" + thumbs + "c"), "\U0001F600" + thumbs);
    EXPECT_EQ(emojiString("plain"), "");
    EXPECT_THAT(emojis("x" + keycap + "y" + flag), ElementsAre(keycap, flag));
    EXPECT_THAT(emojiScalars("a\U0001F600b" + thumbs),
                ElementsAre(U'\U0001F600', U'\U0001F44D', U'\U0001F3FD'));
}

TEST(StringExtensions, Sha256IsTheStandardDigestInLowerCaseHex) {
    EXPECT_EQ(sha256(std::string_view("abc")),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(hexString(std::vector<std::uint8_t>{0x00, 0x0f, 0xa0, 0xff}), "000fa0ff");
    EXPECT_EQ(hexString(std::vector<std::uint8_t>{}), "");
}
