#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>

#include "Brindle/CollectionExtensions.h"

using namespace Brindle;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(CollectionExtensions, SafeAccessAndLeadingAndTrailingRuns) {
    const std::vector<int> array{1, 2, 3};
    EXPECT_EQ(safeElement(array, -1), std::nullopt);
    EXPECT_EQ(safeElement(array, 3), std::nullopt);
    EXPECT_EQ(safeElement(array, 2), 3);
    EXPECT_THAT(first(array, -1), IsEmpty());
    EXPECT_THAT(first(array, 2), ElementsAre(1, 2));
    EXPECT_THAT(last(array, 10), ElementsAre(1, 2, 3));
    EXPECT_THAT(last(array, 1), ElementsAre(3));
    EXPECT_THAT(last(array, -4), IsEmpty());
}

TEST(CollectionExtensions, ChunksNeverLoseOrRepeatElements) {
    const std::vector<int> array{1, 2, 3, 4, 5};
    EXPECT_EQ(chunked(array, 2), (std::vector<std::vector<int>>{{1, 2}, {3, 4}, {5}}));
    EXPECT_EQ(chunked(array, 5), (std::vector<std::vector<int>>{{1, 2, 3, 4, 5}}));
    EXPECT_EQ(chunked(array, 99), (std::vector<std::vector<int>>{{1, 2, 3, 4, 5}}));
    EXPECT_THAT(chunked(array, 0), IsEmpty());
    EXPECT_THAT(chunked(array, -1), IsEmpty());
    EXPECT_THAT(chunked(std::vector<int>{}, 3), IsEmpty());
}

TEST(CollectionExtensions, UniqueKeepsTheFirstInItsPlace) {
    EXPECT_THAT(unique(std::vector<int>{3, 1, 3, 2, 1}), ElementsAre(3, 1, 2));
    const std::vector<std::pair<std::string, int>> people{{"ann", 1}, {"bob", 2}, {"ann", 3}, {"cy", 2}};
    EXPECT_THAT(unique(people, [](const auto& p) { return p.first; }),
                ElementsAre(std::pair<std::string, int>{"ann", 1}, std::pair<std::string, int>{"bob", 2},
                            std::pair<std::string, int>{"cy", 2}));
    EXPECT_THAT(unique(people, [](const auto& p) { return p.second; }),
                ElementsAre(std::pair<std::string, int>{"ann", 1}, std::pair<std::string, int>{"bob", 2},
                            std::pair<std::string, int>{"ann", 3}));

    std::vector<int> array{1, 2};
    appendUnique(array, 2);
    appendUniqueContentsOf(array, {3, 3, 1, 4});
    EXPECT_THAT(array, ElementsAre(1, 2, 3, 4));
}

TEST(CollectionExtensions, EqualityAndMembershipHelpers) {
    EXPECT_FALSE(allEqual(std::vector<int>{}));
    EXPECT_TRUE(allEqual(std::vector<int>{7}));
    EXPECT_TRUE(allEqual(std::vector<int>{7, 7}));
    EXPECT_FALSE(allEqual(std::vector<int>{7, 7, 8}));

    std::vector<int> array{1, 2, 1};
    remove(array, 1);
    EXPECT_THAT(array, ElementsAre(2, 1));
    remove(array, 9);
    EXPECT_THAT(array, ElementsAre(2, 1));

    const std::vector<std::string> names{"a", "b"};
    EXPECT_TRUE(includes(names, "b"));
    EXPECT_FALSE(includes(names, "B"));
    EXPECT_TRUE(excludes({}, "a"));

    const auto lengths = toDictionary(std::vector<std::string>{"ab", "c", "ab"},
                                      [](const std::string& s) { return s.size(); });
    EXPECT_EQ(lengths.size(), 2u);
    EXPECT_EQ(valueFor(lengths, std::string("ab")), 2u);
    EXPECT_EQ(valueFor(std::map<int, int>{{1, 2}}, 3), std::nullopt);

    int seen = 0;
    ifPresent(std::optional<int>(4), [&](int value) { seen = value; });
    ifPresent(std::optional<int>(), [&](int) { seen = -1; });
    EXPECT_EQ(seen, 4);
}
