#include <gtest/gtest.h>

#include <string>

#include "Brindle/AttributedString.h"

using namespace Brindle;

namespace {
const std::string flag = "\U0001F1E9\U0001F1EA";
Attributes bold() { return {{"font", std::string("bold")}}; }

std::vector<TextRange> ranges(const MutableAttributedString& text) {
    std::vector<TextRange> result;
    for (const auto& run : text.runs()) result.push_back(run.range);
    return result;
}
}  // namespace

TEST(AttributedString, RangesAreClampedToTheText) {
    MutableAttributedString text("abcdef");
    addAttributes(text, bold(), 3, 100, false);
    addAttributes(text, bold(), -2, 3, false);
    addAttributes(text, bold(), 10, 2, false);
    addAttributes(text, bold(), 2, -1, false);
    EXPECT_EQ(ranges(text), (std::vector<TextRange>{{3, 3}, {0, 1}}));
}

TEST(AttributedString, ConvertedRangesCountMultiUnitCharactersOnceEach) {
    // The location is taken as it is; the length grows by one per multi-unit character it reaches.
    MutableAttributedString text(flag + "ab");
    addAttributes(text, bold(), 0, 1, true);
    MutableAttributedString tail("ab\U0001F600");
    addAttributes(tail, bold(), 2, 5, true);
    EXPECT_EQ(ranges(text), (std::vector<TextRange>{{0, 2}}));
    EXPECT_EQ(ranges(tail), (std::vector<TextRange>{{2, 2}}));
}

TEST(AttributedString, LaterAttributesOverrideEarlierOnesKeyByKey) {
    MutableAttributedString text("abcdef");
    text.addAttributes({{"font", std::string("bold")}, {"size", 12.0}}, {0, 4});
    text.addAttributes({{"font", std::string("light")}}, {2, 4});
    const auto at3 = text.attributes(3);
    EXPECT_EQ(std::any_cast<std::string>(at3.at("font")), "light");
    EXPECT_EQ(std::any_cast<double>(at3.at("size")), 12.0);
    EXPECT_EQ(std::any_cast<std::string>(text.attributes(0).at("font")), "bold");
    EXPECT_EQ(text.attributes(5).count("size"), 0u);
    EXPECT_TRUE(text.attributes(6).empty());
}
