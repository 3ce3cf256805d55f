#include <gmock/gmock.h>

#include <map>

#include "Brindle/CollectionExtensions.h"

using namespace Brindle;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Ints = std::vector<int>;

TEST(CollectionExtensions, IndicesAndCountsOutsideTheArrayAreClamped) {
    const Ints array{1, 2, 3};
    EXPECT_EQ(safeElement(array, -1), std::nullopt);
    EXPECT_EQ(safeElement(array, 3), std::nullopt);
    EXPECT_EQ(safeElement(array, 2), 3);
    using Run = std::pair<Ints, Ints>;
    for (const auto& [run, expected] :
         {Run{first(array, -1), {}}, Run{first(array, 2), {1, 2}}, Run{last(array, 10), {1, 2, 3}},
          Run{last(array, 1), {3}}, Run{last(array, -4), {}}})
        EXPECT_EQ(run, expected);
    // Chunks never lose or repeat elements.
    const Ints five{1, 2, 3, 4, 5};
    EXPECT_EQ(chunked(five, 2), (std::vector<Ints>{{1, 2}, {3, 4}, {5}}));
    EXPECT_EQ(chunked(five, 5), std::vector<Ints>{five});
    EXPECT_EQ(chunked(five, 99), std::vector<Ints>{five});
    EXPECT_THAT(chunked(five, 0), IsEmpty());
    EXPECT_THAT(chunked(five, -1), IsEmpty());
    EXPECT_THAT(chunked(Ints{}, 3), IsEmpty());
}

TEST(CollectionExtensions, UniqueKeepsTheFirstInItsPlace) {
    EXPECT_THAT(unique(Ints{3, 1, 3, 2, 1}), ElementsAre(3, 1, 2));
    using Person = std::pair<std::string, int>;
    const std::vector<Person> people{{"ann", 1}, {"bob", 2}, {"ann", 3}, {"cy", 2}};
    EXPECT_THAT(unique(people, [](const Person& p) { return p.first; }),
                ElementsAre(Person{"ann", 1}, Person{"bob", 2}, Person{"cy", 2}));
    EXPECT_THAT(unique(people, [](const Person& p) { return p.second; }),
                ElementsAre(Person{"ann", 1}, Person{"bob", 2}, Person{"ann", 3}));
    Ints array{1, 2};
    appendUnique(array, 2);
    appendUniqueContentsOf(array, {3, 3, 1, 4});
    EXPECT_THAT(array, ElementsAre(1, 2, 3, 4));
}

TEST(CollectionExtensions, EqualityAndMembershipHelpers) {
    EXPECT_FALSE(allEqual(Ints{}));
    EXPECT_TRUE(allEqual(Ints{7}));
    EXPECT_TRUE(allEqual(Ints{7, 7}));
    EXPECT_FALSE(allEqual(Ints{7, 7, 8}));
    Ints array{1, 2, 1};
    remove(array, 1);
    remove(array, 9);
    EXPECT_THAT(array, ElementsAre(2, 1));  // the first one only
    EXPECT_TRUE(includes({"a", "b"}, "b"));
    EXPECT_FALSE(includes({"a", "b"}, "B"));
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
