#include <gtest/gtest.h>

#include <cstring>

#include "platform/x11/X11Icon.h"
#include "platform/x11/X11Properties.h"

using namespace platform::x11;

TEST(X11PropertiesTest, CardinalsAndTextAreReadOnlyFromTheirFormatAndPartialValuesAreDropped) {
    const std::uint32_t values[] = {7, 0xffffffff};
    EXPECT_EQ(decodeCardinals(32, values, 8), (std::vector<std::uint32_t>{7, 0xffffffff}));
    EXPECT_EQ(decodeCardinals(32, values, 7), (std::vector<std::uint32_t>{7}));
    EXPECT_TRUE(decodeCardinals(8, values, 8).empty());
    EXPECT_TRUE(decodeCardinals(32, nullptr, 8).empty());
    EXPECT_EQ(decodeText(8, "Notes\0\0", 7), "Notes");
    EXPECT_EQ(decodeText(8, "a\0b", 3), std::string("a\0b", 3));
    EXPECT_EQ(decodeText(32, "Notes", 5), "");
}

TEST(X11PropertiesTest, WindowClassSplitsAtTheFirstNul) {
    const std::pair<std::string, std::string> cases[] = {{std::string("xterm\0XTerm", 11), "xterm|XTerm"},
                                                         {"xterm", "xterm|"},
                                                         {std::string("\0Only", 5), "|Only"},
                                                         {"", "|"}};
    for (const auto& [text, expected] : cases) {
        auto decoded = decodeWindowClass(text);
        EXPECT_EQ(decoded.instance + "|" + decoded.className, expected);
    }
}

TEST(X11PropertiesTest, TextIsDecodedByItsTypeAndNeverLeavesIllFormedUTF8) {
    using enum TextEncoding;
    const std::string fffd = "\xEF\xBF\xBD";
    const struct {
        TextEncoding encoding;
        std::string bytes;
        std::string expected;
    } cases[] = {
        {utf8, "Caf\xC3\xA9 \xF0\x9F\x98\x80", "Caf\xC3\xA9 \xF0\x9F\x98\x80"},
        // A stray byte, a cut sequence, an overlong form, a surrogate, past U+10FFFF.
        {utf8,
         "a\xFF"
         "b\xE2\x82",
         "a" + fffd + "b" + fffd},
        {utf8, "\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80",
         fffd + fffd + fffd + fffd + fffd + fffd + fffd + fffd + fffd},
        {latin1, "Caf\xE9 na\xEFve \xFF", "Caf\xC3\xA9 na\xC3\xAFve \xC3\xBF"},
        // What xterm writes for a title in ISO 8859-1 and in UTF-8 segments.
        {compoundText, "Caf\xE9 na\xEFve", "Caf\xC3\xA9 na\xC3\xAFve"},
        {compoundText, "x\x1B%G\xE2\x82\xAC\x1B%@\xE9", "x\xE2\x82\xAC\xC3\xA9"},
        {compoundText, "\x1B%G\xE2\x82", fffd},
        // What Xlib writes for characters beyond Latin-1: other right halves of ISO 8859 and a
        // double-byte set, each named by its escape; a set nobody names is replaced.
        {compoundText, "\xDC \x1B-b\xA4 \x1B-F\xD9\x1B-L\xB6 \x1B$(BF|K\\\x1B(B.",
         "\xC3\x9C \xE2\x82\xAC \xCE\xA9\xD0\x96 \xE6\x97\xA5\xE6\x9C\xAC."},
        {compoundText, "\x1B-Z\xE1\xE2\x1B-A\xE1", fffd + fffd + "\xC3\xA1"},
        {compoundText, "\x1B$(Z\x30\x21\x1B(Bok", fffd + "ok"},
        // Controls but tab and newline, direction marks and an extended segment go.
        {compoundText,
         "a\x01\t\n\x9B"
         "1]b\x9B]\x85",
         "a\t\nb"},
        {compoundText,
         "\x1B%/1\x80\x83"
         "abcz",
         fffd + "z"},
        {compoundText, "end\x1B", "end"},
    };
    for (const auto& [encoding, bytes, expected] : cases)
        EXPECT_EQ(decodeTextAs(encoding, bytes), expected) << bytes;
}

TEST(X11PropertiesTest, TheIconChosenIsTheLargestUpTo128ElseTheSmallestAndLyingSizesEndTheReading) {
    // Square icons, each filled with its size.
    auto icons = [](std::vector<std::uint32_t> sizes, std::vector<std::uint32_t> after = {}) {
        std::vector<std::uint32_t> values;
        for (auto size : sizes) {
            values.insert(values.end(), {size, size});
            values.resize(values.size() + std::size_t(size) * size, size);
        }
        values.insert(values.end(), after.begin(), after.end());
        return values;
    };
    // The chosen icon's width and first pixel.
    auto chosen = [](const std::vector<std::uint32_t>& values) {
        auto icon = chooseIcon(values);
        return icon ? std::to_string(icon->width) + " " + std::to_string(icon->pixels[0]) : "none";
    };
    const std::pair<std::vector<std::uint32_t>, std::string> cases[] = {
        {icons({16, 48, 32}), "48 48"},
        {icons({256, 512}), "256 256"},
        {icons({256, 64}), "64 64"},
        {icons({128, 129}), "128 128"},
        {icons({16}), "16 16"},
        {{}, "none"},
        {{5}, "none"},
        {{0, 5}, "none"},
        // A size larger than the data; what follows a lying size is not read.
        {{0xffffffff, 0xffffffff, 1, 2, 3}, "none"},
        {icons({16}, {1000, 1000, 1}), "16 16"},
    };
    for (const auto& [values, expected] : cases) EXPECT_EQ(chosen(values), expected);
}

TEST(X11PropertiesTest, AnIconBecomesAPngOfItsSize) {
    const std::uint32_t pixels[] = {0xff0000ff, 0x80ff0000};
    EXPECT_EQ(encodePNG(pixels, 2, 1).substr(0, 24),
              std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x02\0\0\0\x01", 24));
}
