#include <gmock/gmock.h>

#include "Brindle/SearchEngine.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(SearchEngine, ListsAnObjectOncePerMatchingKeyIgnoringCaseBeyondAscii) {
    auto engine = Brindle::make<Brindle::SearchEngine<std::string>>();
    engine->add("a", {"Notes", "Text Editor"});
    engine->add("b", {"Mail"});
    engine->add("c", {"Übersicht", "ΣΟΦΙΑ"});
    EXPECT_THAT(engine->search("NOT"), ElementsAre("a"));
    EXPECT_THAT(engine->search("o"), ElementsAre("a", "a"));
    EXPECT_THAT(engine->search("ai"), ElementsAre("b"));
    EXPECT_THAT(engine->search("ÜBER"), ElementsAre("c"));
    EXPECT_THAT(engine->search("σοφ"), ElementsAre("c"));
    EXPECT_THAT(engine->search("uber"), IsEmpty());
    EXPECT_THAT(engine->search(""), IsEmpty());
    EXPECT_THAT(engine->search("notes app"), IsEmpty());
    engine->add("d", {});
    EXPECT_EQ(engine->objects().size(), 5u);
}

TEST(SearchEngine, AKeyThatLowerCasesToAnExistingOneReplacesItsObject) {
    auto engine = Brindle::make<Brindle::SearchEngine<int>>();
    engine->add(1, {"Mail"});
    engine->add(2, {"mail"});
    engine->add(3, {"Photos", "PHOTOS"});
    EXPECT_THAT(engine->search("mail"), ElementsAre(2));
    EXPECT_THAT(engine->search("photo"), ElementsAre(3));
    engine->removeAll();
    EXPECT_THAT(engine->search("mail"), IsEmpty());
}
