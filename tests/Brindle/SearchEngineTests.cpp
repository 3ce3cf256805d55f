#include <gmock/gmock.h>

#include "Brindle/SearchEngine.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(SearchEngine, ListsAnObjectOncePerMatchingKeyIgnoringCaseAndAKeyLowerCasedReplaces) {
    auto engine = Brindle::make<Brindle::SearchEngine<std::string>>();
    engine->add("a", {"Notes", "Text Editor"});
    engine->add("b", {"Mail"});
    engine->add("c", {"Übersicht", "ΣΟΦΙΑ"});
    EXPECT_THAT(engine->search("NOT"), ElementsAre("a"));
    EXPECT_THAT(engine->search("o"), ElementsAre("a", "a"));
    EXPECT_THAT(engine->search("σοφ"), ElementsAre("c"));
    for (const char* query : {"uber", "", "notes app"})
        EXPECT_THAT(engine->search(query), IsEmpty()) << query;
    engine->add("d", {});
    EXPECT_EQ(engine->objects().size(), 5u);
    auto numbers = Brindle::make<Brindle::SearchEngine<int>>();
    numbers->add(1, {"Mail"});
    numbers->add(2, {"mail"});
    numbers->add(3, {"Photos", "PHOTOS"});
    EXPECT_THAT(numbers->search("mail"), ElementsAre(2));
    EXPECT_THAT(numbers->search("photo"), ElementsAre(3));
    numbers->removeAll();
    EXPECT_THAT(numbers->search("mail"), IsEmpty());
}
