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
    struct Case {
        std::string text, instance, className;
    } cases[] = {
        {std::string("xterm\0XTerm", 11), "xterm", "XTerm"},
        {"xterm", "xterm", ""},
        {std::string("\0Only", 5), "", "Only"},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        auto decoded = decodeWindowClass(c.text);
        EXPECT_EQ(decoded.instance, c.instance);
        EXPECT_EQ(decoded.className, c.className);
    }
}

TEST(X11PropertiesTest, TheIconChosenIsTheLargestUpTo128ElseTheSmallestAndLyingSizesEndTheReading) {
    auto icons = [](std::vector<std::uint32_t> sizes) {
        std::vector<std::uint32_t> values;
        for (auto size : sizes) {
            values.push_back(size);
            values.push_back(size);
            values.resize(values.size() + std::size_t(size) * size, size);
        }
        return values;
    };
    struct Case {
        std::vector<std::uint32_t> sizes;
        std::uint32_t chosen;
    } cases[] = {{{16, 48, 32}, 48}, {{256, 512}, 256}, {{256, 64}, 64}, {{128, 129}, 128}, {{16}, 16}};
    for (const auto& c : cases) {
        auto values = icons(c.sizes);
        auto icon = chooseIcon(values);
        ASSERT_TRUE(icon);
        EXPECT_EQ(icon->width, c.chosen);
        EXPECT_EQ(icon->pixels[0], c.chosen);
    }
    EXPECT_FALSE(chooseIcon({}));
    EXPECT_FALSE(chooseIcon({5}));
    EXPECT_FALSE(chooseIcon({0, 5}));
    EXPECT_FALSE(chooseIcon({0xffffffff, 0xffffffff, 1, 2, 3})) << "a size larger than the data";
    auto valid = icons({16});
    valid.insert(valid.end(), {1000, 1000, 1});
    EXPECT_EQ(chooseIcon(valid)->width, 16u) << "what follows a lying size is not read";
}

TEST(X11PropertiesTest, AnIconBecomesAPngOfItsSize) {
    const std::uint32_t pixels[] = {0xff0000ff, 0x80ff0000};
    auto png = encodePNG(pixels, 2, 1);
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(png.substr(12, 4), "IHDR");
    EXPECT_EQ(png.substr(16, 8), std::string("\0\0\0\x02\0\0\0\x01", 8));
}
