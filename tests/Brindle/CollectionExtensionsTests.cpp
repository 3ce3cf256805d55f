#include <gmock/gmock.h>

#include <map>

#include "Brindle/CollectionExtensions.h"

using namespace Brindle;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Ints = std::vector<int>;

TEST(CollectionExtensions, IndicesAreClampedUniqueKeepsTheFirstAndRemoveTakesTheFirstOnly) {
    const Ints array{1, 2, 3}, five{1, 2, 3, 4, 5};
    EXPECT_EQ(safeElement(array, -1), std::nullopt);
    EXPECT_EQ(safeElement(array, 2), 3);
    // Chunks never lose or repeat elements.
    using Run = std::pair<Ints, Ints>;
    for (const auto& [run, expected] :
         {Run{first(array, -1), {}}, Run{first(array, 2), {1, 2}}, Run{last(array, 10), {1, 2, 3}},
          Run{last(array, 1), {3}}, Run{last(array, -4), {}}, Run{chunked(five, 2)[2], {5}},
          Run{chunked(five, 99)[0], five}})
        EXPECT_EQ(run, expected);
    EXPECT_EQ(chunked(five, 2).size(), 3u);
    for (int size : {0, -1}) EXPECT_THAT(chunked(five, size), IsEmpty());
    EXPECT_THAT(chunked(Ints{}, 3), IsEmpty());
    EXPECT_THAT(unique(Ints{3, 1, 3, 2, 1}), ElementsAre(3, 1, 2));
    using Person = std::pair<std::string, int>;
    const std::vector<Person> people{{"ann", 1}, {"bob", 2}, {"ann", 3}, {"cy", 2}};
    EXPECT_THAT(unique(people, [](const Person& p) { return p.first; }),
                ElementsAre(Person{"ann", 1}, Person{"bob", 2}, Person{"cy", 2}));
    Ints list{1, 2, 1};
    appendUnique(list, 2);
    appendUniqueContentsOf(list, {3, 3, 1, 4});
    remove(list, 1);
    remove(list, 9);
    EXPECT_THAT(list, ElementsAre(2, 1, 3, 4));
    EXPECT_FALSE(allEqual(Ints{}));
    EXPECT_TRUE(allEqual(Ints{7, 7}));
    EXPECT_FALSE(allEqual(Ints{7, 7, 8}));
    const auto lengths = toDictionary(std::vector<std::string>{"ab", "c", "ab"},
                                      [](const std::string& s) { return s.size(); });
    EXPECT_EQ(lengths.size(), 2u);
    EXPECT_EQ(valueFor(lengths, std::string("ab")), 2u);
}
