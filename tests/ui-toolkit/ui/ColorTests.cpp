#include <gtest/gtest.h>

#include <limits>

#include "ui-toolkit/ui/Color.h"

using namespace brindle_ui;

TEST(ColorTest, ReadsHexTextTheWayTheScannerDoes) {
    const struct {
        const char* text;
        Color color;
    } cases[]{
        {"#ffffff", Color::white()},
        {"ffffff", Color::white()},
        {"#F6F6F6", {0xf6 / 255.0, 0xf6 / 255.0, 0xf6 / 255.0, 1}},
        {"#ff85da", {1, 0x85 / 255.0, 0xda / 255.0, 1}},
        {"", Color::black()},
        {"#", Color::black()},
        {"#fff", {0, 15 / 255.0, 1, 1}},
        {"##ffffff", Color::black()},  // only one "#" is dropped
        {"  00ff00zz", {0, 1, 0, 1}},
        {"#4c0093d9", {0, 0x93 / 255.0, 0xd9 / 255.0, 1}},  // the leading digits are ignored
        {"#123456789abcdef0123", Color::white()},           // far too many digits saturate
    };
    for (const auto& c : cases) EXPECT_EQ(Color::hex(c.text), c.color) << c.text;
    EXPECT_EQ(scanHexLongLong("ffffffffffffffff"), std::numeric_limits<unsigned long long>::max());
    EXPECT_EQ(scanHexLongLong("g1"), 0u);
}
