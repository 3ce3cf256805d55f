#include <gtest/gtest.h>

#include "Brindle/AttributedString.h"

using namespace Brindle;

namespace {
std::vector<TextRange> boldRanges(const std::string& text, std::initializer_list<TextRange> added,
                                  bool convert) {
    MutableAttributedString attributed(text);
    for (auto range : added)
        addAttributes(attributed, {{"font", std::string("bold")}}, range.location, range.length, convert);
    std::vector<TextRange> result;
    for (const auto& run : attributed.runs()) result.push_back(run.range);
    return result;
}
}  // namespace

TEST(AttributedString, RangesAreClampedToTheTextAndConvertedOnesCountMultiUnitCharactersOnce) {
    EXPECT_EQ(boldRanges("abcdef", {{3, 100}, {-2, 3}, {10, 2}, {2, -1}}, false),
              (std::vector<TextRange>{{3, 3}, {0, 1}}));
    // The location is taken as it is; the length grows by one per multi-unit character it reaches.
    EXPECT_EQ(boldRanges("\U0001F1E9\U0001F1EAab", {{0, 1}}, true), (std::vector<TextRange>{{0, 2}}));
    EXPECT_EQ(boldRanges("ab\U0001F600", {{2, 5}}, true), (std::vector<TextRange>{{2, 2}}));
}

TEST(AttributedString, LaterAttributesOverrideEarlierOnesKeyByKey) {
    MutableAttributedString text("abcdef");
    text.addAttributes({{"font", std::string("bold")}, {"size", 12.0}}, {0, 4});
    text.addAttributes({{"font", std::string("light")}}, {2, 4});
    EXPECT_EQ(std::any_cast<std::string>(text.attributes(3).at("font")), "light");
    EXPECT_EQ(std::any_cast<double>(text.attributes(3).at("size")), 12.0);
    EXPECT_EQ(std::any_cast<std::string>(text.attributes(0).at("font")), "bold");
    EXPECT_EQ(text.attributes(5).count("size"), 0u);
    EXPECT_TRUE(text.attributes(6).empty());
}
