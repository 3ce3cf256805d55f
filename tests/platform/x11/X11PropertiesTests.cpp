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
